#include "hitwalk.h"

#include <cstring>

#include "model/hit/areashape.h"
#include "model/mirror/mirrorreading.h"

namespace marklens {

HitVisibility ClassifyVisibility(const char* value) {
    if (std::strcmp(value, "visible") == 0) return HitVisibility::Visible;
    if (std::strcmp(value, "inherit") == 0) return HitVisibility::Inherit;
    return HitVisibility::Hidden;
}

// One pass over the node's attributes; the first attribute of a name counts, as a look-up by
// name would find it.
CHitFacts CXmlHitTree::Facts(pugi::xml_node node) const {
    CHitFacts facts;
    facts.kind = schema::KindOfName(node.name());
    if (schema::PassesThrough(facts.kind) || facts.kind == HitKind::Other) return facts;
    const CBoxAttributes attributes(node);
    facts.displayNone = std::strcmp(attributes.Text(kDisplay), "none") == 0;
    facts.visibility = ClassifyVisibility(attributes.Text(kVisibility));
    facts.transparent = attributes.Number(kTransparent) == 1;
    facts.outsideChildren = attributes.Number(kOutsideChildren) == 1;
    facts.shaped = *attributes.Text(kShape) != '\0';
    facts.box = attributes.Box();
    facts.zIndex = attributes.Number(kZIndex);
    facts.nodeId = attributes.Number(kNodeId);
    return facts;
}

// A shape that cannot be read holds nothing, as the browser hits no area without one.
bool CXmlHitTree::ShapeHolds(pugi::xml_node node, int x, int y) const {
    const std::optional<CAreaShape> shape = CAreaShape::Parse(node.attribute(schema::kShape).value());
    return shape && shape->Holds(x, y);
}

void CXmlHitTree::AppendChildren(pugi::xml_node node, int, int, std::vector<pugi::xml_node>& out) const {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) out.push_back(child);
    }
}

}  // namespace marklens

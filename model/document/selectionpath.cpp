#include "selectionpath.h"

#include "model/mirror/mirrorreading.h"
#include "model/mirror/mirrorschema.h"
#include "model/mirror/pagemirror.h"

namespace marklens {

namespace {

int PrecedingSiblings(pugi::xml_node node) {
    int count = 0;
    for (pugi::xml_node sibling = node.previous_sibling(); sibling; sibling = sibling.previous_sibling()) {
        ++count;
    }
    return count;
}

pugi::xml_node ChildAt(pugi::xml_node node, int index) {
    if (index < 0) return {};
    pugi::xml_node child = node.first_child();
    for (int i = 0; child && i < index; ++i)
        child = child.next_sibling();
    return child;
}

}  // namespace

SelectionPath PathOfNode(pugi::xml_node node) {
    SelectionPath reversed;
    for (; node && node.type() != pugi::node_document; node = node.parent()) {
        reversed.push_back(PrecedingSiblings(node));
    }
    return SelectionPath(reversed.rbegin(), reversed.rend());
}

pugi::xml_node FollowPath(const pugi::xml_document& xml, const SelectionPath& path) {
    if (path.empty()) return {};
    pugi::xml_node node = xml;
    for (const int index : path) {
        node = ChildAt(node, index);
        if (!node) return {};
    }
    return node;
}

SelectionPath PathOfSelection(const CPageMirror* mirror, int selection) {
    // 0 is "nothing selected" even where a doc node happens to carry that identifier.
    if (!mirror || selection == 0) return {};
    return PathOfNode(mirror->FindNodeById(selection));
}

int SelectionAtPath(const CPageMirror* mirror, const SelectionPath& path) {
    if (!mirror) return 0;
    const pugi::xml_node node = FollowPath(mirror->Xml(), path);
    return node ? IntAttribute(node, schema::kNodeId) : 0;
}

int CarrySelection(const CPageMirror* oldMirror, int selection, const CPageMirror* newMirror) {
    return SelectionAtPath(newMirror, PathOfSelection(oldMirror, selection));
}

}  // namespace marklens

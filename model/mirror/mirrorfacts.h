#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "mirrorschema.h"
#include "paintorder.h"

namespace marklens {

// What a build of the mirror found of each node: all its XML node is made from, kept with the
// mirror so that the build of a later walk can tell which nodes it changed.
class CMirrorFacts {
public:
    // One node's attributes. Texts are views into the records.
    struct Node {
        enum class Label : unsigned char { Plain, Element, Comment };  // Plain: a document's or a shadow root's
        const char* name = schema::kElement;
        Label label = Label::Element;
        std::string_view text;  // a document's label, a comment's text or an element's tag
        std::string_view elementId;
        std::string_view cls;
        int edges[4] = {0, 0, 0, 0};
        int zIndex = 0;
        // Where the element's in-flow children paint, for elements slotted under it later.
        CPaintOrder::Layer content = CPaintOrder::kNoLayer;
        CPaintOrder::Layer stacking = CPaintOrder::kNoLayer;
        CPaintOrder::Layer documentRoot = CPaintOrder::kNoLayer;
        std::string_view display;
        std::string_view visibility;
        bool transparent = false;
        bool outside = false;
    };

    // The attributes of a node that may change while it keeps its XML node, as flags.
    enum Change : std::uint8_t {
        kIdChanged = 1,
        kBoxChanged = 2,
        kRankChanged = 4,
        kLookChanged = 8,
        kOutsideChanged = 16,
        kAllChanged = 32,  // its label or shape: every attribute is written again
    };

    std::string records;  // when the facts own them
    std::vector<Node> nodes;
    std::vector<std::int32_t> events;  // tree order: a node's index when it opens, -1 when it closes
    std::unordered_map<std::uint32_t, std::string_view> shapes;  // by node index
    std::vector<int> ids;  // the nodes' identifiers in record order; empty: counted from 1
    int patches = 0;       // of the mirror these facts are of, since it was made whole
    // Where each node stands in the tree, by index; -1 for none.
    struct Links {
        std::int32_t parent = -1;
        std::int32_t previous = -1;  // sibling
        std::int32_t next = -1;
        std::int32_t firstChild = -1;
    };
    std::vector<Links> links;

    // Works out the links from the events.
    void Link();

    int IdOf(std::size_t index) const { return ids.empty() ? static_cast<int>(index) + 1 : ids[index]; }
    // What the tree shows of the node, as its text attribute holds it.
    void AppendLabel(std::string& out, std::size_t index) const;
    // The whole XML tree, in place of what the document held; its nodes in record order.
    std::vector<pugi::xml_node> MakeTree(pugi::xml_document& xml) const;
    // Writes every attribute of the node on made, which has none.
    void WriteNode(pugi::xml_node made, std::size_t index) const;
    // As WriteNode, the label made in label (a string kept from node to node).
    void WriteNode(pugi::xml_node made, std::size_t index, std::string& label) const;
    // Writes again the attributes of the node the changes name.
    void WriteChanges(pugi::xml_node node, std::size_t index, std::uint8_t changes) const;
    // What changed from node before of the earlier facts to node index of these; kAllChanged
    // when it is another kind of node.
    std::uint8_t ChangesFrom(const CMirrorFacts& earlier, std::size_t before, std::size_t index) const;

private:
    std::string_view ShapeOf(std::size_t index) const;
};

using MirrorFactsHandle = std::shared_ptr<const CMirrorFacts>;

}  // namespace marklens

#pragma once
#include <cstring>

#include <pugixml.hpp>

// The page mirror's vocabulary: node and attribute names, and what kind of node a node is.
// Everything that reads or writes the mirror takes the names from here.
namespace marklens::schema {

inline constexpr const char* kDoc = "doc";
inline constexpr const char* kElement = "element";
inline constexpr const char* kFrame = "frame";
inline constexpr const char* kShadowRoot = "shadow-root";

inline constexpr const char* kNodeId = "node-id";
inline constexpr const char* kText = "text";
inline constexpr const char* kLeft = "left";
inline constexpr const char* kTop = "top";
inline constexpr const char* kWidth = "width";
inline constexpr const char* kHeight = "height";
inline constexpr const char* kZIndex = "z-index";
inline constexpr const char* kDisplay = "display";
inline constexpr const char* kVisibility = "visibility";
inline constexpr const char* kTransparent = "transparent";
inline constexpr const char* kOutsideChildren = "outside-children";
// On generated content: which ("before", "after", "marker", "backdrop").
inline constexpr const char* kPseudo = "pseudo";
// An image map area's shape where the browser hits it, within its box: "circle X Y R" or
// "poly X1 Y1 X2 Y2 ...".
inline constexpr const char* kShape = "shape";

// A document (page or frame content), an element, a frame element, an element's shadow tree,
// or a name the mirror does not define (read as nothing).
enum class NodeKind : unsigned char { Doc, Element, Frame, ShadowRoot, Other };

inline NodeKind KindOfName(const char* name) {
    if (std::strcmp(name, kElement) == 0) return NodeKind::Element;
    if (std::strcmp(name, kDoc) == 0) return NodeKind::Doc;
    if (std::strcmp(name, kFrame) == 0) return NodeKind::Frame;
    if (std::strcmp(name, kShadowRoot) == 0) return NodeKind::ShadowRoot;
    return NodeKind::Other;
}

inline NodeKind KindOf(pugi::xml_node node) {
    return node.type() == pugi::node_element ? KindOfName(node.name()) : NodeKind::Other;
}

// Elements and frames carry a box; documents and shadow roots do not.
inline bool HasBox(NodeKind kind) { return kind == NodeKind::Element || kind == NodeKind::Frame; }
// Documents and shadow roots have no box: hit testing passes through them to their children.
inline bool PassesThrough(NodeKind kind) { return kind == NodeKind::Doc || kind == NodeKind::ShadowRoot; }

}  // namespace marklens::schema

#include "mirrorwalk.h"

namespace marklens {

namespace {

pugi::xml_node DeepestLast(pugi::xml_node node) {
    while (node.last_child())
        node = node.last_child();
    return node;
}

// The document node's one element child.
pugi::xml_node DocumentElement(pugi::xml_node documentNode) {
    for (pugi::xml_node child : documentNode.children()) {
        if (child.type() == pugi::node_element) return child;
    }
    return documentNode.first_child();
}

pugi::xml_node Forwards(pugi::xml_node node, bool& wrapped) {
    if (node.first_child()) return node.first_child();
    pugi::xml_node n = node;
    while (!n.next_sibling()) {
        if (!n.parent()) {
            wrapped = true;
            return DocumentElement(n);
        }
        n = n.parent();
    }
    return n.next_sibling();
}

pugi::xml_node Backwards(pugi::xml_node node, bool& wrapped) {
    if (node.previous_sibling()) return DeepestLast(node.previous_sibling());
    if (node.parent().type() != pugi::node_document) return node.parent();
    wrapped = true;
    return DeepestLast(node);
}

}  // namespace

pugi::xml_node NextInWalk(pugi::xml_node node, bool searchUp, bool& wrapped) {
    return searchUp ? Backwards(node, wrapped) : Forwards(node, wrapped);
}

}  // namespace marklens

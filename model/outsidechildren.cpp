#include "outsidechildren.h"

#include <cstring>
#include <vector>

#include "box.h"
#include "mirrorreading.h"

namespace marklens {
namespace {

pugi::xml_node NextElement(pugi::xml_node node) {
    while (node && node.type() != pugi::node_element) node = node.next_sibling();
    return node;
}

struct PassFrame {
    pugi::xml_node node;
    pugi::xml_node nextChild;
    CBox ownBox;
    CBox extent;
};

PassFrame StartFrame(pugi::xml_node node) {
    const CBox own = HasOwnBox(node) ? CBoxAttributes(node).Box() : CBox{};
    return {node, NextElement(node.first_child()), own, own};
}

void WriteFlag(pugi::xml_node node, bool outside) {
    pugi::xml_attribute attribute = node.attribute("outside-children");
    if (!attribute) attribute = node.append_attribute("outside-children");
    attribute.set_value(outside ? "1" : "0");
}

}  // namespace

bool HasOwnBox(pugi::xml_node node) {
    const char* name = node.name();
    return std::strcmp(name, "element") == 0 || std::strcmp(name, "frame") == 0;
}

void MarkOutsideChildren(pugi::xml_node documentElement) {
    if (!documentElement) return;
    std::vector<PassFrame> stack;
    stack.push_back(StartFrame(documentElement));
    while (!stack.empty()) {
        PassFrame& top = stack.back();
        if (top.nextChild) {
            const pugi::xml_node child = top.nextChild;
            top.nextChild = NextElement(child.next_sibling());
            stack.push_back(StartFrame(child));  // invalidates top
            continue;
        }
        WriteFlag(top.node, !(top.extent == top.ownBox));
        const CBox extent = top.extent;
        stack.pop_back();
        if (!stack.empty()) stack.back().extent = UnionBox(stack.back().extent, extent);
    }
}

}  // namespace marklens

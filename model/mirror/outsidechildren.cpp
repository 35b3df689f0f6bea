#include "outsidechildren.h"

#include <cstring>
#include <vector>

#include "box.h"
#include "mirrorreading.h"
#include "mirrorschema.h"

namespace marklens {
namespace {

struct PassFrame {
    pugi::xml_node node;
    pugi::xml_node nextChild;
    pugi::xml_attribute flag;  // the node's outside-children, when it has one already
    CBox ownBox;
    CBox extent;
};

// The box edges and the flag in one pass over the attributes; the first of a name counts.
PassFrame StartFrame(pugi::xml_node node) {
    PassFrame frame{node, NextElement(node.first_child()), {}, {}, {}};
    const bool boxed = HasOwnBox(node);
    const char* edges[4] = {};
    for (const pugi::xml_attribute attribute : node.attributes()) {
        const char* name = attribute.name();
        const char** edge = nullptr;
        switch (name[0]) {
        case 'l': edge = std::strcmp(name, schema::kLeft) == 0 ? &edges[0] : nullptr; break;
        case 't': edge = std::strcmp(name, schema::kTop) == 0 ? &edges[1] : nullptr; break;
        case 'w': edge = std::strcmp(name, schema::kWidth) == 0 ? &edges[2] : nullptr; break;
        case 'h': edge = std::strcmp(name, schema::kHeight) == 0 ? &edges[3] : nullptr; break;
        case 'o':
            if (!frame.flag && std::strcmp(name, schema::kOutsideChildren) == 0) frame.flag = attribute;
            break;
        default: break;
        }
        if (boxed && edge && !*edge) *edge = attribute.value();
    }
    if (boxed) {
        frame.ownBox = BoxFromEdges(ParseAtoi(edges[0]), ParseAtoi(edges[1]), ParseAtoi(edges[2]), ParseAtoi(edges[3]));
    }
    frame.extent = frame.ownBox;
    return frame;
}

void WriteFlag(PassFrame& frame, bool outside) {
    if (!frame.flag) frame.flag = frame.node.append_attribute(schema::kOutsideChildren);
    frame.flag.set_value(outside ? "1" : "0");
}

}  // namespace

bool HasOwnBox(pugi::xml_node node) { return schema::HasBox(schema::KindOf(node)); }

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
        WriteFlag(top, !(top.extent == top.ownBox));
        const CBox extent = top.extent;
        stack.pop_back();
        if (!stack.empty()) stack.back().extent = UnionBox(stack.back().extent, extent);
    }
}

}  // namespace marklens

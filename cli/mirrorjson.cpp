#include "mirrorjson.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "clioutput.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/mirrorschema.h"

namespace marklens::cli {
namespace {

constexpr const char* kKindKey = "kind";
constexpr const char* kChildrenKey = "children";

// The attributes every mirror holds as integers; z-index is not one ("auto").
constexpr std::array kIntegerAttributes{schema::kNodeId,         schema::kLeft,   schema::kTop,
                                        schema::kWidth,          schema::kHeight, schema::kTransparent,
                                        schema::kOutsideChildren};

bool IsIntegerAttribute(const char* name) {
    return std::any_of(kIntegerAttributes.begin(), kIntegerAttributes.end(),
                       [&](const char* integer) { return std::strcmp(name, integer) == 0; });
}

// An attribute the object cannot hold: one of the object's own keys, or a name seen before on
// the node.
bool Hidden(pugi::xml_attribute attribute) {
    const char* name = attribute.name();
    if (std::strcmp(name, kKindKey) == 0 || std::strcmp(name, kChildrenKey) == 0) return true;
    for (pugi::xml_attribute before = attribute.previous_attribute(); before; before = before.previous_attribute()) {
        if (std::strcmp(before.name(), name) == 0) return true;
    }
    return false;
}

std::string ValueJson(pugi::xml_attribute attribute) {
    if (IsIntegerAttribute(attribute.name())) return std::to_string(ParseAtoi(attribute.value()));
    return JsonText(attribute.value());
}

// The node's object up to its children, which follow.
void OpenNode(pugi::xml_node node, std::string& json) {
    json += "{\"" + std::string(kKindKey) + "\":" + JsonText(node.name());
    for (const pugi::xml_attribute attribute : node.attributes()) {
        if (!Hidden(attribute)) json += "," + JsonText(attribute.name()) + ":" + ValueJson(attribute);
    }
    json += ",\"" + std::string(kChildrenKey) + "\":[";
}

}  // namespace

std::string MirrorJson(pugi::xml_node documentElement) {
    if (!documentElement) return "null";
    std::string json;
    pugi::xml_node node = documentElement;
    for (;;) {
        OpenNode(node, json);
        if (const pugi::xml_node child = NextElement(node.first_child())) {
            node = child;
            continue;
        }
        // Close nodes until one has an element sibling after it, never past the document element.
        for (;;) {
            json += "]}";
            if (node == documentElement) return json;
            if (const pugi::xml_node sibling = NextElement(node.next_sibling())) {
                json += ',';
                node = sibling;
                break;
            }
            node = node.parent();
        }
    }
}

}  // namespace marklens::cli

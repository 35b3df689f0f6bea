#include "nodeidindex.h"

#include <cstdio>
#include <cstring>

#include "mirrorreading.h"

namespace marklens {
namespace {

// Document order without recursion.
pugi::xml_node NextInDocumentOrder(pugi::xml_node node, pugi::xml_node root) {
    if (node.first_child()) return node.first_child();
    while (node && node != root) {
        if (node.next_sibling()) return node.next_sibling();
        node = node.parent();
    }
    return {};
}

}  // namespace

bool ParseCanonicalId(const char* value, int& id) {
    id = ParseAtoi(value);
    char text[16];
    std::snprintf(text, sizeof text, "%d", id);
    return std::strcmp(text, value) == 0;
}

CNodeIdIndex::CNodeIdIndex(const pugi::xml_document& xml) {
    for (pugi::xml_node node = xml.first_child(); node; node = NextInDocumentOrder(node, xml)) {
        if (node.type() != pugi::node_element) continue;
        for (const pugi::xml_attribute attribute : node.attributes()) {
            int id = 0;
            if (std::strcmp(attribute.name(), "node-id") == 0 && ParseCanonicalId(attribute.value(), id)) {
                nodes_.try_emplace(id, node);
            }
        }
    }
}

pugi::xml_node CNodeIdIndex::Find(int id) const {
    const auto found = nodes_.find(id);
    return found == nodes_.end() ? pugi::xml_node{} : found->second;
}

}  // namespace marklens

#include "nodeidindex.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "mirrorreading.h"
#include "mirrorschema.h"

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
    // "%d" text: an optional minus, then digits without a leading zero (or "0" alone).
    const char* digits = value[0] == '-' ? value + 1 : value;
    const std::size_t length = std::strlen(digits);
    if (length == 0 || length > 10 || (digits[0] == '0' && (length > 1 || digits != value))) return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return false;
    }
    const long long parsed = std::atoll(value);
    if (parsed < INT_MIN || parsed > INT_MAX) return false;
    id = static_cast<int>(parsed);
    return true;
}

CNodeIdIndex::CNodeIdIndex(const pugi::xml_document& xml) {
    nodes_.reserve(1024);
    for (pugi::xml_node node = xml.first_child(); node; node = NextInDocumentOrder(node, xml)) {
        if (node.type() != pugi::node_element) continue;
        // Only the first attribute of the name counts, as the XPath match sees it.
        for (const pugi::xml_attribute attribute : node.attributes()) {
            const char* name = attribute.name();
            if (name[0] != 'n' || std::strcmp(name, schema::kNodeId) != 0) continue;
            int id = 0;
            if (ParseCanonicalId(attribute.value(), id)) nodes_.try_emplace(id, node);
            break;
        }
    }
}

CNodeIdIndex::CNodeIdIndex(std::vector<pugi::xml_node> numbered) : numbered_(std::move(numbered)) {}

CNodeIdIndex::CNodeIdIndex(const std::vector<pugi::xml_node>& nodes, const std::vector<int>& ids) {
    int largest = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i)
        largest = std::max(largest, ids[i]);
    // Identifiers are never reused, so a page that keeps replacing nodes spreads them out.
    if (static_cast<std::size_t>(largest) <= 2 * nodes.size() + 16) {
        numbered_.resize(static_cast<std::size_t>(largest));
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (ids[i] >= 1) numbered_[static_cast<std::size_t>(ids[i]) - 1] = nodes[i];
        }
        return;
    }
    nodes_.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i)
        nodes_.try_emplace(ids[i], nodes[i]);
}

pugi::xml_node CNodeIdIndex::Find(int id) const {
    if (!numbered_.empty() || nodes_.empty()) {
        return id >= 1 && static_cast<std::size_t>(id) <= numbered_.size() ? numbered_[static_cast<std::size_t>(id) - 1]
                                                                           : pugi::xml_node{};
    }
    const auto found = nodes_.find(id);
    return found == nodes_.end() ? pugi::xml_node{} : found->second;
}

}  // namespace marklens

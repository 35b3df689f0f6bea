#pragma once
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

namespace marklens {

// Node look-up by identifier in constant time. Only attribute texts that are exactly the "%d"
// form of an identifier are indexed, and the first node in document order wins, which is what
// matching "//*[@node-id='%d']" gives.
class CNodeIdIndex {
public:
    explicit CNodeIdIndex(const pugi::xml_document& xml);
    // Nodes numbered 1, 2, 3 ... in document order: the node of id n at n - 1.
    explicit CNodeIdIndex(std::vector<pugi::xml_node> numbered);
    // Nodes in document order with their identifiers, which are unique.
    CNodeIdIndex(const std::vector<pugi::xml_node>& nodes, const std::vector<int>& ids);

    pugi::xml_node Find(int id) const;

private:
    std::unordered_map<int, pugi::xml_node> nodes_;
    std::vector<pugi::xml_node> numbered_;
};

// The identifier whose "%d" text value is; false when no identifier formats to it.
bool ParseCanonicalId(const char* value, int& id);

}  // namespace marklens

#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "mirrorschema.h"

namespace marklens {

// What the element tree shows of a mirror, as a compact copy: each node's label, identifier,
// kind and shape, in pre-order (the mirror's own order) with a table of each node's children,
// so a tree model finds any row in constant time. It is made where the mirror is made, off the
// user interface's thread, and shared read-only from then on.
class CMirrorOutline {
public:
    struct CItem {
        int parent;  // -1 for the top
        int row;
        int childStart;  // into the children table
        int childCount;
        int nodeId;
        schema::NodeKind kind;
        std::uint32_t labelOffset;
        std::uint32_t labelLength;
    };

    // The element and its element descendants; a null node gives an empty outline.
    explicit CMirrorOutline(pugi::xml_node documentElement);
    // One top item with the label, identifier 0.
    static std::shared_ptr<const CMirrorOutline> Placeholder(std::string_view label);

    int Count() const { return static_cast<int>(items_.size()); }
    const CItem& Item(int item) const { return items_[static_cast<std::size_t>(item)]; }
    int Child(int item, int row) const { return children_[static_cast<std::size_t>(Item(item).childStart + row)]; }
    std::string_view Label(int item) const {
        return std::string_view(labels_).substr(Item(item).labelOffset, Item(item).labelLength);
    }
    // The first item in pre-order whose identifier is nodeId; -1 when none.
    int ItemOfNodeId(int nodeId) const;
    // Every identifier names one item only.
    bool HasUniqueIds() const { return uniqueIds_; }

private:
    friend class CMirrorBuilder;  // makes the outline beside the mirror text, from its records
    CMirrorOutline() = default;
    int Add(int parent, int row, int nodeId, schema::NodeKind kind, std::string_view label);
    void LinkChildren();

    std::vector<CItem> items_;
    std::vector<int> children_;
    std::string labels_;
    std::vector<int> itemOfId_;                    // by identifier, where identifiers are few and positive
    std::unordered_map<int, int> sparseItemOfId_;  // where they are spread out
    bool uniqueIds_ = true;
};

using OutlineHandle = std::shared_ptr<const CMirrorOutline>;

}  // namespace marklens

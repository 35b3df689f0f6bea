#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractItemModel>

#include <pugixml.hpp>

#include "model/mirror/mirrorschema.h"

namespace marklens {

// The element tree of one mirror as a Qt item model. It keeps a compact copy of what the tree
// shows (label, identifier, shape) rather than pointers into the mirror: a Refresh that fails
// half-way replaces the mirror without telling the panes, and the tree must still paint.
// Items are stored in pre-order, the mirror's own order, with a table of each item's children
// beside them, so an index is found in constant time.
class CMirrorTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The item data role that carries the node identifier.
    static constexpr int kNodeIdRole = Qt::UserRole + 1;
    // The role that carries the mirror node's kind (schema::NodeKind as an int).
    static constexpr int kKindRole = Qt::UserRole + 2;

    explicit CMirrorTreeModel(QObject* parent = nullptr);

    // One root item "<not connected>" with identifier 0.
    void ShowPlaceholder();
    // The tree of the element and its element descendants; a null node is not allowed.
    void Rebuild(pugi::xml_node documentElement);

    // The first item in pre-order whose identifier is nodeId; invalid when none.
    QModelIndex FindNodeId(int nodeId) const;
    // The items with children that open when inserted: all but the root and the HEAD element.
    QModelIndexList ItemsInsertedExpanded() const;
    QModelIndex RootIndex() const;
    int ItemCount() const { return static_cast<int>(items_.size()); }

    static int NodeId(const QModelIndex& index) { return index.data(kNodeIdRole).toInt(); }
    static schema::NodeKind Kind(const QModelIndex& index) {
        return static_cast<schema::NodeKind>(index.data(kKindRole).toInt());
    }
    std::string_view Label(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct CItem {
        int parent;
        int row;
        int childStart;  // into children_
        int childCount;
        int nodeId;
        schema::NodeKind kind;
        std::uint32_t labelOffset;
        std::uint32_t labelLength;
    };

    void Clear();
    int AddItem(int parent, int row, int nodeId, schema::NodeKind kind, std::string_view label);
    int ItemOf(const QModelIndex& index) const;
    QModelIndex IndexOfItem(int item) const;
    void LinkChildren();
    std::string_view LabelOf(const CItem& item) const;

    std::vector<CItem> items_;
    std::vector<int> children_;
    std::string labels_;
};

}  // namespace marklens

#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractItemModel>

#include "model/mirror/mirroroutline.h"
#include "model/mirror/mirrorschema.h"

namespace marklens {

// The element tree of one mirror as a Qt item model, over the mirror's outline: a compact
// copy of what the tree shows, made where the mirror was made, so a rebuild here only swaps it
// in, and an index is found in constant time.
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
    // The tree of the outline; a null one is not allowed.
    void Rebuild(OutlineHandle outline);

    // The first item in pre-order whose identifier is nodeId; invalid when none.
    QModelIndex FindNodeId(int nodeId) const;
    // The items with children that open when inserted: all but the root and the HEAD element,
    // in pre-order, as long as the rows they bring into view stay within rowBudget; the others
    // start folded, so a page of any size opens at once.
    QModelIndexList ItemsInsertedExpanded(int rowBudget) const;
    QModelIndex RootIndex() const;
    int ItemCount() const { return outline_->Count(); }

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
    int ItemOf(const QModelIndex& index) const;
    QModelIndex IndexOfItem(int item) const;

    OutlineHandle outline_;
};

}  // namespace marklens

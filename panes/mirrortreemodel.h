#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <QAbstractItemModel>

#include "model/mirror/mirroroutline.h"
#include "model/mirror/mirrorschema.h"

namespace marklens {

// The element tree of one mirror as a Qt item model, over the mirror's outline: a compact
// copy of what the tree shows, made where the mirror was made, so a rebuild here only swaps it
// in, and an index is found in constant time. An index is known by its node's identifier, so
// a later mirror of the same page can take over row by row (Follow): the rows that stay keep
// their state in the views (open, selected).
class CMirrorTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The item data role that carries the node identifier.
    static constexpr int kNodeIdRole = Qt::UserRole + 1;
    // The role that carries the mirror node's kind (schema::NodeKind as an int).
    static constexpr int kKindRole = Qt::UserRole + 2;

    explicit CMirrorTreeModel(QObject* parent = nullptr);
    ~CMirrorTreeModel() override;

    // One root item "<not connected>" with identifier 0.
    void ShowPlaceholder();
    // The tree of the outline; a null one is not allowed.
    void Rebuild(OutlineHandle outline);
    // Moves on to a later outline of the same page: rows of nodes gone are removed, rows of new
    // nodes inserted, changed labels announced; nodes are the same when their identifiers are.
    // A tree with another top node is rebuilt. Answers the identifiers of the rows inserted or
    // changed.
    std::vector<int> Follow(OutlineHandle next);

    // The first item in pre-order whose identifier is nodeId; invalid when none.
    QModelIndex FindNodeId(int nodeId) const;
    // The items with children that open when inserted: all but the root and the HEAD element,
    // in pre-order, as long as the rows they bring into view stay within rowBudget; the others
    // start folded, so a page of any size opens at once.
    QModelIndexList ItemsInsertedExpanded(int rowBudget) const;
    QModelIndex RootIndex() const;
    int ItemCount() const { return outline_->Count(); }
    // The role that tells a row changed a moment ago (Follow); MarkChanged sets which.
    static constexpr int kChangedRole = Qt::UserRole + 3;
    void MarkChanged(std::vector<int> nodeIds);

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
    // While Follow runs, the rows are between the two outlines: each step's state is exact.
    struct CTransition;
    // An index's key: its node's identifier, or its item where identifiers repeat.
    int IdOf(const QModelIndex& index) const;
    int KeyOf(const CMirrorOutline& outline, int item) const;
    QModelIndex IndexOfId(int nodeId) const;
    // The outline that holds the node now, and its item there; null for none.
    const CMirrorOutline* OutlineOf(int nodeId, int& item) const;
    int ParentOf(int nodeId) const;
    int RowOf(int nodeId) const;
    int ChildCount(int nodeId) const;
    int ChildAt(int nodeId, int row) const;
    std::vector<int> Relabel(OutlineHandle next);
    void RemoveLeaving(CTransition& transition);
    void InsertArriving(CTransition& transition, std::vector<int>& touched);

    OutlineHandle outline_;
    bool byItem_ = false;
    std::unique_ptr<CTransition> transition_;
    std::unordered_set<int> changed_;
};

}  // namespace marklens

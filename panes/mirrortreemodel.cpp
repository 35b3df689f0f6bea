#include "mirrortreemodel.h"

#include <vector>

namespace marklens {

namespace {

constexpr std::string_view kPlaceholder = "<not connected>";
constexpr std::string_view kHeadLabel = "<HEAD>";
constexpr std::string_view kHeadWithAttributes = "<HEAD ";

// The document's HEAD starts folded; HEADER and other tags that merely begin alike do not.
bool IsHeadLabel(std::string_view label) { return label == kHeadLabel || label.starts_with(kHeadWithAttributes); }

}  // namespace

CMirrorTreeModel::CMirrorTreeModel(QObject* parent) : QAbstractItemModel(parent) { ShowPlaceholder(); }

void CMirrorTreeModel::ShowPlaceholder() { Rebuild(CMirrorOutline::Placeholder(kPlaceholder)); }

void CMirrorTreeModel::Rebuild(OutlineHandle outline) {
    beginResetModel();
    outline_ = std::move(outline);
    endResetModel();
}

int CMirrorTreeModel::ItemOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return -1;
    return static_cast<int>(index.internalId());
}

QModelIndex CMirrorTreeModel::IndexOfItem(int item) const {
    if (item < 0 || item >= ItemCount()) return {};
    return createIndex(outline_->Item(item).row, 0, static_cast<quintptr>(item));
}

QModelIndex CMirrorTreeModel::RootIndex() const { return IndexOfItem(ItemCount() > 0 ? 0 : -1); }

std::string_view CMirrorTreeModel::Label(const QModelIndex& index) const {
    const int item = ItemOf(index);
    return item < 0 ? std::string_view() : outline_->Label(item);
}

QModelIndex CMirrorTreeModel::FindNodeId(int nodeId) const { return IndexOfItem(outline_->ItemOfNodeId(nodeId)); }

QModelIndexList CMirrorTreeModel::ItemsInsertedExpanded(int rowBudget) const {
    QModelIndexList expanded;
    if (ItemCount() == 0) return expanded;
    // Pre-order: an item is in view when its parent is open and in view. The root opens later.
    std::vector<char> open(static_cast<std::size_t>(ItemCount()), 0);
    open[0] = 1;
    int rows = 1 + outline_->Item(0).childCount;
    for (int item = 1; item < ItemCount(); ++item) {
        const CMirrorOutline::CItem& entry = outline_->Item(item);
        if (!open[static_cast<std::size_t>(entry.parent)] || entry.childCount == 0) continue;
        if (IsHeadLabel(outline_->Label(item)) || rows + entry.childCount > rowBudget) continue;
        open[static_cast<std::size_t>(item)] = 1;
        rows += entry.childCount;
        expanded.push_back(IndexOfItem(item));
    }
    return expanded;
}

QModelIndex CMirrorTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? RootIndex() : QModelIndex();
    const int item = ItemOf(parent);
    if (item < 0 || row >= outline_->Item(item).childCount) return {};
    return IndexOfItem(outline_->Child(item, row));
}

QModelIndex CMirrorTreeModel::parent(const QModelIndex& child) const {
    const int item = ItemOf(child);
    return item < 0 ? QModelIndex() : IndexOfItem(outline_->Item(item).parent);
}

int CMirrorTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return ItemCount() > 0 ? 1 : 0;
    const int item = ItemOf(parent);
    return item < 0 ? 0 : outline_->Item(item).childCount;
}

int CMirrorTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool CMirrorTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant CMirrorTreeModel::data(const QModelIndex& index, int role) const {
    const int item = ItemOf(index);
    if (item < 0) return {};
    if (role == Qt::DisplayRole) {
        const std::string_view label = outline_->Label(item);
        return QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
    }
    if (role == kNodeIdRole) return outline_->Item(item).nodeId;
    if (role == kKindRole) return static_cast<int>(outline_->Item(item).kind);
    return {};
}

Qt::ItemFlags CMirrorTreeModel::flags(const QModelIndex& index) const {
    if (ItemOf(index) < 0) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (outline_->Item(ItemOf(index)).childCount == 0) flags |= Qt::ItemNeverHasChildren;
    return flags;
}

}  // namespace marklens

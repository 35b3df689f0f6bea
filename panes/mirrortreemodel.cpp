#include "mirrortreemodel.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace marklens {

namespace {

constexpr std::string_view kPlaceholder = "<not connected>";
constexpr std::string_view kHeadLabel = "<HEAD>";
constexpr std::string_view kHeadWithAttributes = "<HEAD ";
constexpr int kNoParent = -1;

// The document's HEAD starts folded; HEADER and other tags that merely begin alike do not.
bool IsHeadLabel(std::string_view label) { return label == kHeadLabel || label.starts_with(kHeadWithAttributes); }

// The positions (into rows) of a longest strictly increasing run of rows.
std::vector<std::size_t> LongestIncreasing(const std::vector<int>& rows) {
    std::vector<std::size_t> tails;  // the position ending the best run of each length
    std::vector<std::size_t> before(rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), rows[i],
                                         [&rows](std::size_t tail, int row) { return rows[tail] < row; });
        if (at != tails.begin()) before[i] = *(at - 1);
        if (at == tails.end()) {
            tails.push_back(i);
        } else {
            *at = i;
        }
    }
    std::vector<std::size_t> run;
    for (std::size_t i = tails.empty() ? rows.size() : tails.back(); i < rows.size(); i = before[i])
        run.push_back(i);
    std::reverse(run.begin(), run.end());
    return run;
}

// Every node has the same parent and row in both: only labels can differ.
bool SameShape(const CMirrorOutline& before, const CMirrorOutline& after) {
    if (before.Count() != after.Count()) return false;
    for (int item = 0; item < before.Count(); ++item) {
        const CMirrorOutline::CItem& was = before.Item(item);
        const CMirrorOutline::CItem& now = after.Item(item);
        if (was.nodeId != now.nodeId || was.parent != now.parent || was.row != now.row ||
            was.childCount != now.childCount || was.kind != now.kind) {
            return false;
        }
    }
    return true;
}

}  // namespace

// Rows stay where a node keeps its parent and its order among the siblings that stay too; the
// others leave (with all below them) and come back from the later outline. First every row
// that leaves goes, then every row that arrives comes: between the two the tree is the earlier
// outline without the leaving rows, and every step in between is a valid tree.
struct CMirrorTreeModel::CTransition {
    OutlineHandle before;
    OutlineHandle after;
    bool arriving = false;                                               // the second half: rows come
    std::vector<char> kept;                                              // by item of before
    std::unordered_map<int, std::vector<int>> children;                  // parents whose rows change, by identifier
    mutable std::unordered_map<int, std::unordered_map<int, int>> rows;  // of those, each child's row

    bool Kept(int nodeId) const {
        const int item = before->ItemOfNodeId(nodeId);
        return item >= 0 && kept[static_cast<std::size_t>(item)];
    }

    void MarkKept() {
        const CMirrorOutline& from = *before;
        const CMirrorOutline& to = *after;
        kept.assign(static_cast<std::size_t>(from.Count()), 0);
        kept[0] = 1;
        for (int item = 0; item < from.Count(); ++item) {
            const CMirrorOutline::CItem& parent = from.Item(item);
            if (!kept[static_cast<std::size_t>(item)] || parent.childCount == 0) continue;
            const int parentThen = to.ItemOfNodeId(parent.nodeId);
            std::vector<int> staying;
            std::vector<int> newRows;
            for (int row = 0; row < parent.childCount; ++row) {
                const int child = from.Child(item, row);
                const int then = to.ItemOfNodeId(from.Item(child).nodeId);
                if (then < 0 || to.Item(then).parent != parentThen) continue;
                staying.push_back(child);
                newRows.push_back(to.Item(then).row);
            }
            for (const std::size_t at : LongestIncreasing(newRows))
                kept[static_cast<std::size_t>(staying[at])] = 1;
        }
    }
};

CMirrorTreeModel::CMirrorTreeModel(QObject* parent) : QAbstractItemModel(parent) { ShowPlaceholder(); }

CMirrorTreeModel::~CMirrorTreeModel() = default;

void CMirrorTreeModel::ShowPlaceholder() { Rebuild(CMirrorOutline::Placeholder(kPlaceholder)); }

void CMirrorTreeModel::Rebuild(OutlineHandle outline) {
    beginResetModel();
    outline_ = std::move(outline);
    // Rows are known by their nodes' identifiers where those name one node each.
    byItem_ = !outline_->HasUniqueIds();
    transition_.reset();
    changed_.clear();
    endResetModel();
}

std::vector<int> CMirrorTreeModel::Follow(OutlineHandle next) {
    if (!next) return {};
    const bool sameTop = ItemCount() > 0 && next->Count() > 0 && outline_->Item(0).nodeId != 0 &&
                         outline_->Item(0).nodeId == next->Item(0).nodeId;
    if (!sameTop || byItem_ || !next->HasUniqueIds()) {
        Rebuild(std::move(next));
        return {};
    }
    if (SameShape(*outline_, *next)) return Relabel(std::move(next));
    transition_ = std::make_unique<CTransition>();
    transition_->before = outline_;
    transition_->after = next;
    transition_->MarkKept();
    RemoveLeaving(*transition_);
    transition_->arriving = true;
    std::vector<int> touched;
    InsertArriving(*transition_, touched);
    std::vector<int> relabelled;
    for (int item = 0; item < next->Count(); ++item) {
        const int nodeId = next->Item(item).nodeId;
        const int then = outline_->ItemOfNodeId(nodeId);
        if (transition_->Kept(nodeId) && outline_->Label(then) != next->Label(item)) relabelled.push_back(nodeId);
    }
    outline_ = std::move(next);
    transition_.reset();
    for (const int nodeId : relabelled) {
        const QModelIndex index = IndexOfId(nodeId);
        emit dataChanged(index, index);
        touched.push_back(nodeId);
    }
    return touched;
}

// Most changes leave the tree's shape alone: the rows stay, and only those relabelled change.
std::vector<int> CMirrorTreeModel::Relabel(OutlineHandle next) {
    std::vector<int> relabelled;
    for (int item = 0; item < next->Count(); ++item) {
        if (outline_->Label(item) != next->Label(item)) relabelled.push_back(item);
    }
    outline_ = std::move(next);
    std::vector<int> touched;
    for (const int item : relabelled) {
        const int nodeId = outline_->Item(item).nodeId;
        const QModelIndex index = IndexOfId(nodeId);
        emit dataChanged(index, index);
        touched.push_back(nodeId);
    }
    return touched;
}

void CMirrorTreeModel::RemoveLeaving(CTransition& transition) {
    const CMirrorOutline& from = *transition.before;
    const auto kept = [&](int item, int row) {
        return transition.kept[static_cast<std::size_t>(from.Child(item, row))];
    };
    for (int item = 0; item < from.Count(); ++item) {
        const CMirrorOutline::CItem& parent = from.Item(item);
        if (!transition.kept[static_cast<std::size_t>(item)]) continue;
        int row = parent.childCount - 1;
        while (row >= 0 && kept(item, row))
            --row;
        if (row < 0) continue;
        std::vector<int>& list = transition.children[parent.nodeId];
        for (int child = 0; child < parent.childCount; ++child)
            list.push_back(from.Item(from.Child(item, child)).nodeId);
        // From the last row up, so the rows above stay where they are.
        while (row >= 0) {
            const int last = row;
            while (row >= 0 && !kept(item, row))
                --row;
            beginRemoveRows(IndexOfId(parent.nodeId), row + 1, last);
            list.erase(list.begin() + row + 1, list.begin() + last + 1);
            transition.rows.erase(parent.nodeId);
            endRemoveRows();
            while (row >= 0 && kept(item, row))
                --row;
        }
    }
}

void CMirrorTreeModel::InsertArriving(CTransition& transition, std::vector<int>& touched) {
    const CMirrorOutline& from = *transition.before;
    const CMirrorOutline& to = *transition.after;
    for (int item = 0; item < to.Count(); ++item) {
        const CMirrorOutline::CItem& parent = to.Item(item);
        if (!transition.Kept(parent.nodeId)) continue;
        const auto childId = [&](int row) { return to.Item(to.Child(item, row)).nodeId; };
        int row = 0;
        while (row < parent.childCount && transition.Kept(childId(row)))
            ++row;
        if (row == parent.childCount) continue;
        const auto [entry, fresh] = transition.children.try_emplace(parent.nodeId);
        if (fresh) {
            const int then = from.ItemOfNodeId(parent.nodeId);
            for (int child = 0; child < from.Item(then).childCount; ++child)
                entry->second.push_back(from.Item(from.Child(then, child)).nodeId);
        }
        while (row < parent.childCount) {
            const int first = row;
            while (row < parent.childCount && !transition.Kept(childId(row)))
                ++row;
            beginInsertRows(IndexOfId(parent.nodeId), first, row - 1);
            std::vector<int>& list = transition.children[parent.nodeId];
            for (int at = first; at < row; ++at) {
                list.insert(list.begin() + at, childId(at));
                touched.push_back(childId(at));
            }
            transition.rows.erase(parent.nodeId);
            endInsertRows();
            while (row < parent.childCount && transition.Kept(childId(row)))
                ++row;
        }
    }
}

const CMirrorOutline* CMirrorTreeModel::OutlineOf(int nodeId, int& item) const {
    const CMirrorOutline* outline = outline_.get();
    if (byItem_) {
        item = nodeId >= 0 && nodeId < outline->Count() ? nodeId : -1;
        return item < 0 ? nullptr : outline;
    }
    if (transition_) {
        outline =
            transition_->arriving && !transition_->Kept(nodeId) ? transition_->after.get() : transition_->before.get();
    }
    item = outline->ItemOfNodeId(nodeId);
    return item < 0 ? nullptr : outline;
}

int CMirrorTreeModel::ParentOf(int nodeId) const {
    int item = 0;
    const CMirrorOutline* outline = OutlineOf(nodeId, item);
    if (!outline || outline->Item(item).parent < 0) return kNoParent;
    return KeyOf(*outline, outline->Item(item).parent);
}

int CMirrorTreeModel::RowOf(int nodeId) const {
    const int parent = ParentOf(nodeId);
    if (transition_ && parent != kNoParent) {
        const auto changing = transition_->children.find(parent);
        if (changing != transition_->children.end()) {
            auto [rows, fresh] = transition_->rows.try_emplace(parent);
            if (fresh) {
                for (std::size_t row = 0; row < changing->second.size(); ++row)
                    rows->second.emplace(changing->second[row], static_cast<int>(row));
            }
            const auto found = rows->second.find(nodeId);
            return found == rows->second.end() ? -1 : found->second;
        }
    }
    int item = 0;
    const CMirrorOutline* outline = OutlineOf(nodeId, item);
    return outline ? outline->Item(item).row : -1;
}

int CMirrorTreeModel::ChildCount(int nodeId) const {
    if (transition_) {
        const auto changing = transition_->children.find(nodeId);
        if (changing != transition_->children.end()) return static_cast<int>(changing->second.size());
    }
    int item = 0;
    const CMirrorOutline* outline = OutlineOf(nodeId, item);
    return outline ? outline->Item(item).childCount : 0;
}

int CMirrorTreeModel::ChildAt(int nodeId, int row) const {
    if (transition_) {
        const auto changing = transition_->children.find(nodeId);
        if (changing != transition_->children.end()) return changing->second[static_cast<std::size_t>(row)];
    }
    int item = 0;
    const CMirrorOutline* outline = OutlineOf(nodeId, item);
    return KeyOf(*outline, outline->Child(item, row));
}

int CMirrorTreeModel::IdOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return kNoParent;
    return static_cast<int>(index.internalId());
}

QModelIndex CMirrorTreeModel::IndexOfId(int nodeId) const {
    const int row = RowOf(nodeId);
    if (row < 0) return {};
    return createIndex(row, 0, static_cast<quintptr>(nodeId));
}

int CMirrorTreeModel::KeyOf(const CMirrorOutline& outline, int item) const {
    return byItem_ ? item : outline.Item(item).nodeId;
}

QModelIndex CMirrorTreeModel::RootIndex() const {
    return ItemCount() > 0 ? IndexOfId(KeyOf(*outline_, 0)) : QModelIndex();
}

std::string_view CMirrorTreeModel::Label(const QModelIndex& index) const {
    int item = 0;
    const CMirrorOutline* outline = index.isValid() ? OutlineOf(IdOf(index), item) : nullptr;
    return outline ? outline->Label(item) : std::string_view();
}

QModelIndex CMirrorTreeModel::FindNodeId(int nodeId) const {
    if (!byItem_) return IndexOfId(nodeId);
    const int item = outline_->ItemOfNodeId(nodeId);
    return item < 0 ? QModelIndex() : IndexOfId(item);
}

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
        expanded.push_back(IndexOfId(KeyOf(*outline_, item)));
    }
    return expanded;
}

void CMirrorTreeModel::MarkChanged(std::vector<int> nodeIds) {
    std::unordered_set<int> next(nodeIds.begin(), nodeIds.end());
    std::swap(changed_, next);
    for (const std::unordered_set<int>* marks : {&next, &changed_}) {
        for (const int nodeId : *marks) {
            const QModelIndex index = FindNodeId(nodeId);
            if (index.isValid()) emit dataChanged(index, index, {kChangedRole});
        }
    }
}

QModelIndex CMirrorTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? RootIndex() : QModelIndex();
    const int nodeId = IdOf(parent);
    if (row >= ChildCount(nodeId)) return {};
    return createIndex(row, 0, static_cast<quintptr>(ChildAt(nodeId, row)));
}

QModelIndex CMirrorTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const int parent = ParentOf(IdOf(child));
    return parent == kNoParent ? QModelIndex() : IndexOfId(parent);
}

int CMirrorTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return ItemCount() > 0 ? 1 : 0;
    return ChildCount(IdOf(parent));
}

int CMirrorTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool CMirrorTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant CMirrorTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int nodeId = IdOf(index);
    int item = 0;
    const CMirrorOutline* outline = OutlineOf(nodeId, item);
    if (!outline) return {};
    if (role == Qt::DisplayRole) {
        const std::string_view label = outline->Label(item);
        return QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
    }
    if (role == kNodeIdRole) return outline->Item(item).nodeId;
    if (role == kKindRole) return static_cast<int>(outline->Item(item).kind);
    if (role == kChangedRole) return changed_.count(outline->Item(item).nodeId) > 0;
    return {};
}

// Rows without children may get some later: no row is promised to stay childless.
Qt::ItemFlags CMirrorTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || IdOf(index) == kNoParent) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace marklens

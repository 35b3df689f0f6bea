#include "mirrortreemodel.h"

#include "model/mirror/mirrorreading.h"

namespace marklens {

namespace {

constexpr std::string_view kPlaceholder = "<not connected>";
constexpr std::string_view kHeadLabel = "<HEAD>";
constexpr std::string_view kHeadWithAttributes = "<HEAD ";

// The document's HEAD starts folded; HEADER and other tags that merely begin alike do not.
bool IsHeadLabel(std::string_view label) { return label == kHeadLabel || label.starts_with(kHeadWithAttributes); }

}  // namespace

CMirrorTreeModel::CMirrorTreeModel(QObject* parent) : QAbstractItemModel(parent) { ShowPlaceholder(); }

void CMirrorTreeModel::Clear() {
    items_.clear();
    children_.clear();
    labels_.clear();
}

int CMirrorTreeModel::AddItem(int parent, int row, int nodeId, schema::NodeKind kind, std::string_view label) {
    items_.push_back(CItem{parent, row, 0, 0, nodeId, kind, static_cast<std::uint32_t>(labels_.size()),
                           static_cast<std::uint32_t>(label.size())});
    labels_.append(label);
    return static_cast<int>(items_.size()) - 1;
}

void CMirrorTreeModel::ShowPlaceholder() {
    beginResetModel();
    Clear();
    AddItem(-1, 0, 0, schema::NodeKind::Other, kPlaceholder);
    endResetModel();
}

void CMirrorTreeModel::Rebuild(pugi::xml_node documentElement) {
    beginResetModel();
    const std::size_t lastCount = items_.size();
    const std::size_t lastLabels = labels_.size();
    Clear();
    items_.reserve(lastCount);
    labels_.reserve(lastLabels);
    // A walk in document order, without recursion: deep pages must not exhaust the stack.
    int parent = -1;
    pugi::xml_node node = documentElement;
    while (node) {
        const int row = parent < 0 ? 0 : items_[parent].childCount++;
        const int item = AddItem(parent, row, IntAttribute(node, schema::kNodeId), schema::KindOf(node),
                                 node.attribute(schema::kText).value());
        pugi::xml_node next = node.first_child();
        while (next && next.type() != pugi::node_element) next = next.next_sibling();
        if (next) {
            parent = item;
            node = next;
            continue;
        }
        // Up until a following element sibling, never past the document element.
        for (;;) {
            if (node == documentElement) {
                node = pugi::xml_node();
                break;
            }
            next = node.next_sibling();
            while (next && next.type() != pugi::node_element) next = next.next_sibling();
            if (next) {
                node = next;
                break;
            }
            node = node.parent();
            parent = items_[parent].parent;
        }
    }
    LinkChildren();
    endResetModel();
}

void CMirrorTreeModel::LinkChildren() {
    int start = 0;
    for (CItem& item : items_) {
        item.childStart = start;
        start += item.childCount;
    }
    children_.assign(static_cast<std::size_t>(start), 0);
    for (int item = 1; item < ItemCount(); ++item) {
        const CItem& entry = items_[item];
        children_[items_[entry.parent].childStart + entry.row] = item;
    }
}

int CMirrorTreeModel::ItemOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return -1;
    return static_cast<int>(index.internalId());
}

QModelIndex CMirrorTreeModel::IndexOfItem(int item) const {
    if (item < 0 || item >= ItemCount()) return {};
    return createIndex(items_[item].row, 0, static_cast<quintptr>(item));
}

QModelIndex CMirrorTreeModel::RootIndex() const { return IndexOfItem(items_.empty() ? -1 : 0); }

std::string_view CMirrorTreeModel::LabelOf(const CItem& item) const {
    return std::string_view(labels_).substr(item.labelOffset, item.labelLength);
}

std::string_view CMirrorTreeModel::Label(const QModelIndex& index) const {
    const int item = ItemOf(index);
    return item < 0 ? std::string_view() : LabelOf(items_[item]);
}

QModelIndex CMirrorTreeModel::FindNodeId(int nodeId) const {
    for (int item = 0; item < ItemCount(); ++item) {
        if (items_[item].nodeId == nodeId) return IndexOfItem(item);
    }
    return {};
}

QModelIndexList CMirrorTreeModel::ItemsInsertedExpanded() const {
    QModelIndexList expanded;
    for (int item = 1; item < ItemCount(); ++item) {
        if (items_[item].childCount > 0 && !IsHeadLabel(LabelOf(items_[item]))) {
            expanded.push_back(IndexOfItem(item));
        }
    }
    return expanded;
}

QModelIndex CMirrorTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? RootIndex() : QModelIndex();
    const int item = ItemOf(parent);
    if (item < 0 || row >= items_[item].childCount) return {};
    return IndexOfItem(children_[items_[item].childStart + row]);
}

QModelIndex CMirrorTreeModel::parent(const QModelIndex& child) const {
    const int item = ItemOf(child);
    return item < 0 ? QModelIndex() : IndexOfItem(items_[item].parent);
}

int CMirrorTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return items_.empty() ? 0 : 1;
    const int item = ItemOf(parent);
    return item < 0 ? 0 : items_[item].childCount;
}

int CMirrorTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool CMirrorTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant CMirrorTreeModel::data(const QModelIndex& index, int role) const {
    const int item = ItemOf(index);
    if (item < 0) return {};
    if (role == Qt::DisplayRole) {
        const std::string_view label = LabelOf(items_[item]);
        return QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
    }
    if (role == kNodeIdRole) return items_[item].nodeId;
    if (role == kKindRole) return static_cast<int>(items_[item].kind);
    return {};
}

Qt::ItemFlags CMirrorTreeModel::flags(const QModelIndex& index) const {
    if (ItemOf(index) < 0) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (items_[ItemOf(index)].childCount == 0) flags |= Qt::ItemNeverHasChildren;
    return flags;
}

}  // namespace marklens

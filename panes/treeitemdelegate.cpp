#include "treeitemdelegate.h"

#include "mirrortreemodel.h"

namespace marklens {

const QColor CTreeItemDelegate::kDocumentBackground(192, 192, 255);
const QColor CTreeItemDelegate::kChangedBackground(255, 236, 160);

CTreeItemDelegate::CTreeItemDelegate(SelectionSource selection, QObject* parent)
    : QStyledItemDelegate(parent), selection_(std::move(selection)) {}

void CTreeItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (CMirrorTreeModel::NodeId(index) == selection_()) {
        // Active, so the colours stay those of a focused tree.
        option->state |= QStyle::State_Selected | QStyle::State_Active;
        option->palette.setCurrentColorGroup(QPalette::Active);
    } else if (index.data(CMirrorTreeModel::kChangedRole).toBool()) {
        option->backgroundBrush = kChangedBackground;
    } else if (CMirrorTreeModel::Kind(index) == schema::NodeKind::Doc) {
        option->backgroundBrush = kDocumentBackground;
    }
}

}  // namespace marklens

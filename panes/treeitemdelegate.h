#pragma once
#include <functional>

#include <QStyledItemDelegate>

namespace marklens {

// Paints the tree's items: the document's selection in the highlight colours whether or not
// the tree has the focus, the mirror's document nodes on lavender, the rest as usual.
class CTreeItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using SelectionSource = std::function<int()>;

    static const QColor kDocumentBackground;

    static const QColor kChangedBackground;  // a row that just changed by itself

    CTreeItemDelegate(SelectionSource selection, QObject* parent);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    SelectionSource selection_;
};

}  // namespace marklens

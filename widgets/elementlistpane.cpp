#include "elementlistpane.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>

#include "model/document/pagewrightdoc.h"
#include "model/mirror/mirrorschema.h"

namespace marklens {

CElementListPane::CElementListPane(CPagewrightDoc& doc, const char* caption, const char* pointerHint,
                                   std::span<const CColumn> columns, QWidget* parent)
    : QTreeWidget(parent), doc_(doc), pointerHint_(pointerHint) {
    setWindowTitle(QString::fromLatin1(caption));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setColumnCount(static_cast<int>(columns.size()));
    QStringList headings;
    for (const CColumn& column : columns)
        headings << QString::fromLatin1(column.heading);
    setHeaderLabels(headings);
    header()->setStretchLastSection(false);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
    viewport()->setMouseTracking(true);
    doc_.AddView(*this);
}

CElementListPane::~CElementListPane() { doc_.RemoveView(*this); }

LiveElementHandle CElementListPane::SelectedElement(bool acceptDocument) const {
    const int selection = doc_.GetSelection();
    const schema::NodeKind kind = schema::KindOf(doc_.FindNodeById(selection));
    const bool accepted = schema::HasBox(kind) || (acceptDocument && kind == schema::NodeKind::Doc);
    return accepted ? doc_.ElementForNodeId(selection) : nullptr;
}

void CElementListPane::mouseMoveEvent(QMouseEvent* event) {
    doc_.ShowStatusMessage(pointerHint_, false);
    QTreeWidget::mouseMoveEvent(event);
}

void CElementListPane::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

}  // namespace marklens

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
    setSelectionMode(QAbstractItemView::ExtendedSelection);  // rows to copy
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

bool CElementListPane::CanCopy() const { return !selectedItems().isEmpty(); }

std::unique_ptr<QMimeData> CElementListPane::CopyData() const {
    QStringList rows;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = topLevelItem(row);
        if (!item->isSelected()) continue;
        QStringList fields;
        for (int column = 0; column < columnCount(); ++column)
            fields << item->text(column);
        rows << fields.join(QLatin1Char('\t'));
    }
    if (rows.isEmpty()) return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setText(rows.join(QLatin1Char('\n')));
    return data;
}

bool CElementListPane::AskAboutSelection(const CStyleQuestions& questions, bool acceptDocument) {
    const schema::NodeKind kind = schema::KindOf(doc_.FindNodeById(doc_.GetSelection()));
    const bool accepted = schema::HasBox(kind) || (acceptDocument && kind == schema::NodeKind::Doc);
    if (!accepted) return false;
    doc_.AskStyles(*this, questions, [this](const CStyleAnswers& answers) { OnAnswers(answers); });
    return true;
}

void CElementListPane::mouseMoveEvent(QMouseEvent* event) {
    doc_.ShowStatusMessage(pointerHint_, false);
    QTreeWidget::mouseMoveEvent(event);
}

void CElementListPane::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

}  // namespace marklens

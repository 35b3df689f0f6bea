#include "probetreeview.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

#include "mirrortreemodel.h"
#include "model/document/pagewrightdoc.h"
#include "model/mirror/pagemirror.h"
#include "resources/commandtable.h"
#include "treeitemdelegate.h"

namespace marklens {

CProbeTreeView::CProbeTreeView(CPagewrightDoc& doc, QWidget* parent)
    : QTreeView(parent), doc_(doc), model_(new CMirrorTreeModel(this)) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setHeaderHidden(true);
    setUniformRowHeights(true);  // row heights need not be measured item by item on big pages
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setModel(model_);
    setItemDelegate(new CTreeItemDelegate([this] { return doc_.GetSelection(); }, this));
    viewport()->setMouseTracking(true);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { OnCurrentChanged(current); });
    // Rows that changed are marked for a moment.
    changeMarks_.setSingleShot(true);
    changeMarks_.setInterval(kChangeMarkMs);
    connect(&changeMarks_, &QTimer::timeout, this, [this] { model_->MarkChanged({}); });
    doc_.AddView(*this);
}

CProbeTreeView::~CProbeTreeView() { doc_.RemoveView(*this); }

void CProbeTreeView::OnUpdate(IView*, UpdateHint hint) {
    switch (hint) {
    case HintPageRebuilt:
        Rebuild();
        break;
    case HintSelectionChanged:
    case HintStyleChanged:
        ShowSelection();
        break;
    case HintPageFollowed: Follow(); break;
    }
}

// Rows move on one by one, so those opened and the caret stay; the caret follows the
// document's selection without taking the focus or the scroll.
void CProbeTreeView::Follow() {
    const CPageMirror* mirror = doc_.Mirror();
    if (!mirror || !mirror->DocumentElement()) return;
    const OutlineHandle next = mirror->Outline();
    // Another document: a new tree, opened as a new page's is.
    if (next->Count() == 0 || CMirrorTreeModel::NodeId(model_->RootIndex()) != next->Item(0).nodeId) {
        Rebuild();
        return;
    }
    following_ = true;
    std::vector<int> changed = model_->Follow(next);
    following_ = false;
    viewport()->update();
    const QModelIndex index = model_->FindNodeId(doc_.GetSelection());
    if (!index.isValid()) {
        selectionModel()->clearCurrentIndex();
    } else if (index != currentIndex()) {
        following_ = true;
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        following_ = false;
    }
    model_->MarkChanged(std::move(changed));
    changeMarks_.start();
}

// The placeholder row of a tree without a page names no node.
bool CProbeTreeView::CanCopy() const { return CMirrorTreeModel::NodeId(currentIndex()) != 0; }

std::unique_ptr<QMimeData> CProbeTreeView::CopyData() const {
    if (!CanCopy()) return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setText(currentIndex().data(Qt::DisplayRole).toString());
    return data;
}

void CProbeTreeView::Rebuild() {
    const CPageMirror* mirror = doc_.Mirror();
    if (!mirror || !mirror->DocumentElement()) return;
    model_->Rebuild(mirror->Outline());
    // The layout is still pending after the reset, so these only record the state.
    for (const QModelIndex& index : model_->ItemsInsertedExpanded(kOpenRows))
        expand(index);
    // The root opens once the update has returned; a later rebuild makes this one moot.
    const QPersistentModelIndex root(model_->RootIndex());
    QMetaObject::invokeMethod(this, [this, root] { if (root.isValid()) expand(root); }, Qt::QueuedConnection);
    ShowSelection();
}

void CProbeTreeView::ShowSelection() {
    viewport()->update();  // the highlight follows the document's selection, not the caret
    const QModelIndex index = model_->FindNodeId(doc_.GetSelection());
    if (!index.isValid()) return;
    setCurrentIndex(index);
    scrollTo(index);
    setFocus(Qt::OtherFocusReason);
}

void CProbeTreeView::OnCurrentChanged(const QModelIndex& current) {
    // An empty caret (all items gone in a rebuild) names no element: the document keeps its own.
    if (current.isValid() && !following_) doc_.SetSelection(CMirrorTreeModel::NodeId(current), this);
}

void CProbeTreeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QTreeView::mousePressEvent(event);
        return;
    }
    event->accept();
    OnRightClick(event->position().toPoint(), event->globalPosition().toPoint());
}

void CProbeTreeView::OnRightClick(const QPoint& viewportPos, const QPoint& globalPos) {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) return;
    setCurrentIndex(index);
    QMenu menu(this);
    for (const resources::CMenuEntry& entry : resources::TreeContextMenu()) {
        if (!entry.text) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromUtf8(entry.text));
        action->setData(entry.command);
        action->setEnabled(doc_.IsCommandEnabled(entry.command));
    }
    const QAction* chosen = menu.exec(globalPos);
    if (chosen) doc_.OnCommand(chosen->data().toInt());
}

void CProbeTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    // Handled here entirely, so an item never folds or unfolds on a double-click.
    event->accept();
    if (event->button() == Qt::LeftButton) doc_.OnEditHtml();
}

void CProbeTreeView::mouseMoveEvent(QMouseEvent* event) {
    doc_.ShowStatusMessage(kPointerHint, false);
    QTreeView::mouseMoveEvent(event);
}

void CProbeTreeView::contextMenuEvent(QContextMenuEvent* event) {
    // The menu comes only from a right-click on an item; the menu key shows none, and the
    // event must not travel on to the frame.
    event->accept();
}

}  // namespace marklens

#pragma once
#include <QTimer>
#include <QTreeView>

#include "model/document/view.h"
#include "widgets/copysource.h"

namespace marklens {

class CMirrorTreeModel;
class CPagewrightDoc;

// The element tree pane: one item per element of the mirror, the document's selection shown
// and driven from here, Edit HTML on double-click and from the item's context menu.
class CProbeTreeView : public QTreeView, public IView, public ICopySource {
    Q_OBJECT
public:
    static constexpr const char* kCaption = " HTML DOM Tree";
    static constexpr const char* kPointerHint = "Click to select. Double-click to edit element HTML";
    // The rows a new tree opens with at most: on a large page, later elements start folded
    // (revealing the selection opens what it needs).
    static constexpr int kOpenRows = 5000;
    // How long rows that changed by themselves stay marked.
    static constexpr int kChangeMarkMs = 1500;

    explicit CProbeTreeView(CPagewrightDoc& doc, QWidget* parent = nullptr);
    ~CProbeTreeView() override;

    void OnUpdate(IView* sender, UpdateHint hint) override;
    // The selected row's label.
    bool CanCopy() const override;
    std::unique_ptr<QMimeData> CopyData() const override;

    const CMirrorTreeModel& TreeModel() const { return *model_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Rebuild();
    void Follow();
    void ShowSelection();
    void OnCurrentChanged(const QModelIndex& current);
    void OnRightClick(const QPoint& viewportPos, const QPoint& globalPos);

    CPagewrightDoc& doc_;
    CMirrorTreeModel* model_;
    QTimer changeMarks_;
    bool following_ = false;  // rows move: the caret's moves are not the user's
};

}  // namespace marklens

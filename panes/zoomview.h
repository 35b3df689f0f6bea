#pragma once
#include <QPointer>
#include <QWidget>

#include "model/document/view.h"

class QPainter;

namespace marklens {

class CPagewrightDoc;

// The zoom pane: the pixels around the pointer as the capture view shows them, at the
// picture's own pixels, five times larger, with a red crosshair around the pointer's pixel. It
// has no input of its own; the capture view makes it repaint.
class CZoomView : public QWidget, public IView {
    Q_OBJECT
public:
    static constexpr const char* kCaption = " Zoom";
    static constexpr int kFactor = 5;

    explicit CZoomView(CPagewrightDoc& doc, QWidget* parent = nullptr);
    ~CZoomView() override;

    // The one zoom view of the process, or none.
    static CZoomView* Instance();

    // The window whose pixels are magnified, or none; repaints before returning.
    void SetZoomSource(QWidget* source);
    QWidget* ZoomSource() const { return source_; }

    void OnUpdate(IView* sender, UpdateHint hint) override;

    // The cell that shows the pointer's pixel, and the centre of the crosshair, for a pane of
    // this size: column and row ncols / 2 and nrows / 2 of the cells the copy spans.
    static QPoint PointerCell(QSize pane);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool Magnify(QPainter& painter) const;
    double PictureScale() const;
    void DrawCrosshair(QPainter& painter) const;

    CPagewrightDoc& doc_;
    QPointer<QWidget> source_;
};

}  // namespace marklens

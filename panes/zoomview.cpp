#include "zoomview.h"

#include <cmath>

#include <QCursor>
#include <QImage>
#include <QPainter>

#include "model/document/pagewrightdoc.h"

namespace marklens {

namespace {

CZoomView* g_zoomView = nullptr;

constexpr QColor kCrosshair{255, 0, 0};
constexpr int kHalfCell = CZoomView::kFactor / 2;

// Cells the copy spans: the pane rounded up to whole cells, the last one cut by the edge.
QSize CellCount(QSize pane) {
    return {(pane.width() + CZoomView::kFactor - 1) / CZoomView::kFactor,
            (pane.height() + CZoomView::kFactor - 1) / CZoomView::kFactor};
}

}  // namespace

CZoomView::CZoomView(CPagewrightDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setAttribute(Qt::WA_OpaquePaintEvent);  // every paint covers the whole pane
    setFocusPolicy(Qt::NoFocus);
    g_zoomView = this;
    doc_.AddView(*this);
}

CZoomView::~CZoomView() {
    doc_.RemoveView(*this);
    if (g_zoomView == this) g_zoomView = nullptr;
}

CZoomView* CZoomView::Instance() { return g_zoomView; }

void CZoomView::SetZoomSource(QWidget* source) {
    source_ = source;
    repaint();
}

void CZoomView::OnUpdate(IView*, UpdateHint) { update(); }

QPoint CZoomView::PointerCell(QSize pane) {
    const QSize cells = CellCount(pane);
    return {cells.width() / 2, cells.height() / 2};
}

void CZoomView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!Magnify(painter)) painter.fillRect(rect(), Qt::white);
    DrawCrosshair(painter);
}

// Copies what the source window shows around the pointer: the capture view paints the cells
// it covers into a small image, which is then scaled up without smoothing. A cell is a picture
// pixel: the copy is made at the picture's scale, so a dense picture is magnified from its own
// pixels rather than from the screen's. Pixels outside the source window stay white.
bool CZoomView::Magnify(QPainter& painter) const {
    if (!source_) return false;
    const QPoint pointer = source_->mapFromGlobal(QCursor::pos());
    if (!source_->rect().contains(pointer)) return false;
    const double scale = PictureScale();
    const QSize cells = CellCount(size());
    // The whole window is copied, scroll bars included, so the pointer's pixel is found in
    // the window's own coordinates. The copy covers whole window pixels; the cells start
    // inside it where the pointer's pixel lands on its cell.
    const QPointF origin = QPointF(pointer) - QPointF(PointerCell(size())) / scale;
    const QRect area = QRectF(origin, QSizeF(cells) / scale).toAlignedRect();
    const QRect shown = area & source_->rect();
    const QPoint skip = ((origin - QPointF(area.topLeft())) * scale).toPoint();
    // One spare pixel each way, as the skip is rounded.
    QImage pixels(static_cast<int>(std::ceil(area.width() * scale)) + 1,
                  static_cast<int>(std::ceil(area.height() * scale)) + 1, QImage::Format_RGB32);
    pixels.setDevicePixelRatio(scale);
    pixels.fill(Qt::white);
    source_->render(&pixels, shown.topLeft() - area.topLeft(), QRegion(shown), QWidget::DrawChildren);
    painter.drawImage(QRect(QPoint(0, 0), cells * kFactor), pixels, QRect(skip, cells));
    return true;
}

double CZoomView::PictureScale() const {
    const CPicture* picture = doc_.Picture();
    return picture ? picture->scale : 1.0;
}

// Four lines that leave the pointer's cell free.
void CZoomView::DrawCrosshair(QPainter& painter) const {
    const QPoint cell = PointerCell(size());
    const int x = kFactor * cell.x() + kHalfCell;
    const int y = kFactor * cell.y() + kHalfCell;
    painter.fillRect(QRect(QPoint(x, 0), QPoint(x, y - kHalfCell - 1)), kCrosshair);
    painter.fillRect(QRect(QPoint(x, y + kHalfCell + 1), QPoint(x, height() - 1)), kCrosshair);
    painter.fillRect(QRect(QPoint(0, y), QPoint(x - kHalfCell - 1, y)), kCrosshair);
    painter.fillRect(QRect(QPoint(x + kHalfCell + 1, y), QPoint(width() - 1, y)), kCrosshair);
}

}  // namespace marklens

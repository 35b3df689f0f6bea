#include "captureview.h"

#include <cmath>
#include <cstdio>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>

#include "model/document/pagewrightdoc.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/mirrorschema.h"
#include "widgets/popuptext.h"
#include "zoomview.h"

namespace marklens {

namespace {

QRect ToRect(const CBox& box) { return QRect(box.left, box.top, box.Width(), box.Height()); }

// Qt breaks lines at the line feed alone.
QString TipForQt(const std::string& text) {
    return QString::fromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

CCaptureView::CCaptureView(CPagewrightDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), tip_(new CPopupText(this)) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    doc_.AddView(*this);
    OnUpdate(nullptr, HintPageRebuilt);  // the initial update
}

CCaptureView::~CCaptureView() {
    if (CZoomView* zoom = CZoomView::Instance(); zoom && zoom->ZoomSource() == this) zoom->SetZoomSource(nullptr);
    doc_.RemoveView(*this);
}

QPoint CCaptureView::ScrollPosition() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }

void CCaptureView::TellZoom() {
    if (CZoomView* zoom = CZoomView::Instance()) zoom->SetZoomSource(this);
}

void CCaptureView::OnUpdate(IView*, UpdateHint hint) {
    const int id = doc_.GetSelection();
    selectionBox_ = id != 0 ? NodeBox(doc_.FindNodeById(id)) : CBox{};
    highlight_ = selectionBox_;
    // Boxes move with a new page or style; other news leaves a known model as it is.
    if (id != litNode_ || hint == HintPageRebuilt || hint == HintStyleChanged || hint == HintPageFollowed) {
        litNode_ = id;
        AskBands();
    }
    LoadPicture();
    RebuildOverlay();
    viewport()->repaint();
    // The scroll range first, so the scroll is clamped to the new picture's limits.
    UpdateScrollSizes();
    // A page that changes by itself leaves the scroll where the user put it.
    if (hint != HintPageFollowed) ScrollHighlightIntoView();
}

void CCaptureView::SetHighlight(const CBox* box, int nodeId) {
    const CBox next = box ? *box : CBox{};
    if (next == highlight_ && nodeId == litNode_) return;
    highlight_ = next;
    if (nodeId != litNode_) {
        litNode_ = nodeId;
        AskBands();
    }
    RebuildOverlay();
    viewport()->repaint();
}

// The border box lights at once; the bands follow when the browser has answered.
void CCaptureView::AskBands() {
    bands_.reset();
    if (litNode_ == 0) return;
    doc_.AskBoxModel(litNode_,
                     [view = QPointer<CCaptureView>(this)](int nodeId, const std::optional<CBoxModel>& model) {
                         if (view) view->TakeBands(nodeId, model);
                     });
}

void CCaptureView::TakeBands(int nodeId, const std::optional<CBoxModel>& model) {
    if (nodeId != litNode_ || !model) return;  // lit no longer, or no boxes: the border box alone
    bands_ = model;
    if (tracking_ && hoverNode_ == nodeId) tip_->SetText(HoverTip(nodeId));
    viewport()->repaint();
}

// The quads are CSS pixels, as the pane's coordinates are.
void CCaptureView::PaintBands(QPainter& painter, QPointF scroll) const {
    if (!bands_) return;
    const auto polygon = [scroll](const CQuad& quad) {
        QPolygonF points;
        for (std::size_t k = 0; k < quad.points.size(); k += 2)
            points << QPointF(quad.points[k] - scroll.x(), quad.points[k + 1] - scroll.y());
        return points;
    };
    const std::array<const CQuad*, 5> quads{&bands_->margin, &bands_->border, &bands_->padding, &bands_->content,
                                            nullptr};
    painter.setPen(Qt::NoPen);
    for (std::size_t band = 0; band < kBandTints.size(); ++band) {
        QPainterPath area;
        area.setFillRule(Qt::OddEvenFill);
        area.addPolygon(polygon(*quads[band]));
        if (quads[band + 1]) area.addPolygon(polygon(*quads[band + 1]));  // the ring between two quads
        painter.fillPath(area, QColor::fromRgba(kBandTints[band]));
    }
}

std::unique_ptr<QMimeData> CCaptureView::CopyData() const {
    if (!CanCopy()) return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setImageData(picture_);
    return data;
}

// The copies are made when an update arrives; a new highlight only changes what is painted.
// Their pixel ratio is the picture's, so Qt draws them at CSS size and, on a screen as dense
// as the browser's, pixel for pixel.
void CCaptureView::LoadPicture() {
    const CPicture* picture = doc_.Picture();
    scale_ = picture ? picture->scale : 1.0;
    if (!picture || picture->width <= 0 || picture->height <= 0) {
        picture_ = dimmed_ = QImage();
        return;
    }
    picture_ = QImage(reinterpret_cast<const uchar*>(picture->pixels.data()), picture->width, picture->height,
                      picture->width * 4, QImage::Format_RGB32)
                   .copy();
    dimmed_ = picture_.copy();
    {
        QPainter dim(&dimmed_);
        dim.fillRect(dimmed_.rect(), QColor::fromRgba(kDimming));
    }
    picture_.setDevicePixelRatio(scale_);
    dimmed_.setDevicePixelRatio(scale_);
}

void CCaptureView::RebuildOverlay() {
    TellZoom();
    // A failed capture leaves the document without a picture and tells no pane: the last
    // overlay shows until the highlight changes.
    if (!doc_.Picture()) picture_ = dimmed_ = QImage();
    viewport()->update();
}

QRect CCaptureView::LitRect() const { return ToRect(ToPictureBox(highlight_, scale_)); }

// The picture pixels that cover a rectangle of the pane.
QRect CCaptureView::ToPictureRect(const QRect& client) const {
    const QRect at = client.translated(ScrollPosition());
    return QRectF(QPointF(at.topLeft()) * scale_, QSizeF(at.size()) * scale_).toAlignedRect();
}

// The parts are cut in picture pixels, so the light's edges are whole picture pixels whatever
// the scale.
void CCaptureView::paintEvent(QPaintEvent* event) {
    if (picture_.isNull()) return;
    QPainter painter(viewport());
    const QPointF scroll = ScrollPosition();
    const auto draw = [&](const QImage& image, const QRect& part) {
        painter.drawImage(QRectF(QPointF(part.topLeft()) / scale_ - scroll, QSizeF(part.size()) / scale_), image, part);
    };
    const QRect shown = ToPictureRect(event->rect()) & picture_.rect();
    if (highlight_.IsEmpty()) {
        draw(picture_, shown);
        return;
    }
    const QRect lit = LitRect() & shown;
    for (const QRect& part : QRegion(shown).subtracted(lit))
        draw(dimmed_, part);
    if (!lit.isEmpty()) draw(picture_, lit);
    PaintBands(painter, scroll);
}

void CCaptureView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollSizes();
}

void CCaptureView::scrollContentsBy(int, int) { viewport()->update(); }

// In the pane's coordinates: CSS pixels.
QSize CCaptureView::PictureSize() const {
    const CPicture* picture = doc_.Picture();
    if (!picture) return {0, 0};
    return {static_cast<int>(std::ceil(picture->width / picture->scale)),
            static_cast<int>(std::ceil(picture->height / picture->scale))};
}

// The CSS pixel under the picture pixel the pointer is on.
QPoint CCaptureView::CssPointAt(QPointF client) const {
    const QPointF at = (client + QPointF(ScrollPosition())) * scale_;
    return {ToCssPixels(static_cast<int>(std::floor(at.x())), scale_),
            ToCssPixels(static_cast<int>(std::floor(at.y())), scale_)};
}

// The client area once the scroll bars that the picture needs are in place; Qt places them
// only after the event loop runs, and the scroll limits are wanted now.
QSize CCaptureView::ClientSize() const {
    const QSize total = PictureSize();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    QSize client = maximumViewportSize();
    bool across = false, down = false;
    for (int pass = 0; pass < 2; ++pass) {
        across = across || total.width() > client.width();
        down = down || total.height() > client.height();
        client = maximumViewportSize() - QSize(down ? bar : 0, across ? bar : 0);
    }
    return client;
}

void CCaptureView::UpdateScrollSizes() {
    viewport()->update();
    const QSize total = PictureSize();
    const QSize client = ClientSize();
    horizontalScrollBar()->setRange(0, std::max(0, total.width() - client.width()));
    verticalScrollBar()->setRange(0, std::max(0, total.height() - client.height()));
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        bar->setPageStep(kPageStep);
        bar->setSingleStep(kLineStep);
    }
}

// Each test compares with the position before any adjustment, so a box larger than the pane
// shows its left and top edges when they lie before the old position, else its right and
// bottom edges.
void CCaptureView::ScrollHighlightIntoView() {
    const QPoint old = ScrollPosition();
    const QSize client = ClientSize();
    QPoint next = old;
    if (highlight_.right > old.x() + client.width()) next.setX(highlight_.right - client.width());
    if (highlight_.left < old.x()) next.setX(highlight_.left);
    if (highlight_.bottom > old.y() + client.height()) next.setY(highlight_.bottom - client.height());
    if (highlight_.top < old.y()) next.setY(highlight_.top);
    ScrollTo(next);
}

// The scroll bars clamp to 0 and their limit.
void CCaptureView::ScrollTo(QPoint position) {
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

std::string CCaptureView::TipText(int nodeId) const {
    const pugi::xml_node element = doc_.FindNodeById(nodeId);
    if (!element) return {};
    const auto value = [&](const char* name) { return StringAttribute(element, name); };
    const std::string left = value(schema::kLeft), top = value(schema::kTop), width = value(schema::kWidth),
                      height = value(schema::kHeight), z = value(schema::kZIndex);
    const int size =
        std::snprintf(nullptr, 0, kTipBoxFormat, left.c_str(), top.c_str(), width.c_str(), height.c_str(), z.c_str());
    std::string box(static_cast<std::size_t>(size), '\0');
    std::snprintf(box.data(), box.size() + 1, kTipBoxFormat, left.c_str(), top.c_str(), width.c_str(), height.c_str(),
                  z.c_str());
    return value(schema::kText) + box;
}

void CCaptureView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint client = event->position().toPoint();
    if (!tracking_) {
        tracking_ = true;
        tip_->show();
        doc_.ShowStatusMessage(kPointerHint, false);
    }
    if (dragCursor_)
        DragTo(client);
    else
        HoverAt(event->position());
    TellZoom();
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CCaptureView::HoverAt(QPointF position) {
    const QPoint css = CssPointAt(position);
    CBox box;
    const int id = doc_.HitTest(css.x(), css.y(), &box);
    if (id == 0) {
        // Nothing here: the whole picture undimmed, the tip as it was.
        hoverNode_ = 0;
        SetHighlight(nullptr);
        return;
    }
    hoverNode_ = id;
    SetHighlight(&box, id);
    tip_->move(viewport()->mapToGlobal(position.toPoint()) + kTipOffset);
    const QString text = HoverTip(id);
    if (text != tip_->Text()) tip_->SetText(text);
}

QString CCaptureView::HoverTip(int nodeId) const {
    std::string text = TipText(nodeId);
    if (bands_ && nodeId == litNode_) {
        const CBoxModel& model = *bands_;
        const auto margin = CBoxModel::Widths(model.margin, model.border);
        const auto border = CBoxModel::Widths(model.border, model.padding);
        const auto padding = CBoxModel::Widths(model.padding, model.content);
        char line[256];
        // Left, top, right, bottom widths, written top, right, bottom, left.
        std::snprintf(line, sizeof line, kTipBandsFormat, model.content.Right() - model.content.Left(),
                      model.content.Bottom() - model.content.Top(), margin[1], margin[2], margin[3], margin[0],
                      border[1], border[2], border[3], border[0], padding[1], padding[2], padding[3], padding[0]);
        text += line;
    }
    return TipForQt(text);
}

void CCaptureView::DragTo(QPoint client) { ScrollTo(dragStartScroll_ + dragStartPoint_ - client); }

void CCaptureView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && !dragCursor_) {
        dragCursor_ = viewport()->cursor();
        viewport()->setCursor(Qt::PointingHandCursor);
        dragStartPoint_ = event->position().toPoint();
        dragStartScroll_ = ScrollPosition();
    }
    QAbstractScrollArea::mousePressEvent(event);
}

// A quick second press arrives as a double click; it starts a drag all the same.
void CCaptureView::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CCaptureView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint client = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const QPoint css = CssPointAt(event->position());
        if (const int id = doc_.HitTest(css.x(), css.y()); id != 0) doc_.SetSelection(id, nullptr);
    } else if (event->button() == Qt::RightButton && dragCursor_) {
        DragTo(client);
        viewport()->setCursor(*dragCursor_);
        dragCursor_.reset();
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

bool CCaptureView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) Leave();
    return QAbstractScrollArea::viewportEvent(event);
}

void CCaptureView::Leave() {
    if (!dragCursor_) SetHighlight(&selectionBox_, doc_.GetSelection());
    tracking_ = false;
    tip_->hide();
}

}  // namespace marklens

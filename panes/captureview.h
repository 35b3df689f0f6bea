#pragma once
#include <array>
#include <optional>
#include <string>

#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>

#include "model/document/view.h"
#include "model/mirror/box.h"
#include "model/page/boxmodel.h"
#include "widgets/copysource.h"

namespace marklens {

class CPagewrightDoc;
class CPopupText;

// The picture of the page: the element under the pointer is lit and the rest dimmed, a tip
// names it with its box, a left click selects it, a right drag pans, the wheel scrolls. With
// the pointer elsewhere the selected element is the one lit. A picture of several device
// pixels per CSS pixel shows at its CSS size, each picture pixel one device pixel of a screen
// that dense: the pane's coordinates stay CSS pixels.
class CCaptureView : public QAbstractScrollArea, public IView, public ICopySource {
    Q_OBJECT
public:
    static constexpr const char* kCaption = " Browser Hover Target";
    static constexpr const char* kPointerHint = "Click left to select. Use right mouse button to drag.";
    static constexpr const char* kTipBoxFormat = "\r\nl:%s  t:%s  w:%s  h:%s  z:%s";
    // The box model's line of the tip: the content's size, then the margin, border and padding
    // widths, top right bottom left as CSS writes them.
    static constexpr const char* kTipBandsFormat =
        "\r\ncontent %g x %g  margin %g %g %g %g  border %g %g %g %g  padding %g %g %g %g";
    // The box model's tints, from the outermost band in: margin, border, padding, content.
    static constexpr std::array<QRgb, 4> kBandTints{0x70F6B26B, 0x70FFE599, 0x7093C47D, 0x706FA8DC};
    static constexpr QPoint kTipOffset{10, 30};
    static constexpr int kPageStep = 30;
    static constexpr int kLineStep = 10;
    static constexpr QRgb kDimming = 0x80000000;  // black at alpha 128

    explicit CCaptureView(CPagewrightDoc& doc, QWidget* parent = nullptr);
    ~CCaptureView() override;

    void OnUpdate(IView* sender, UpdateHint hint) override;
    // The whole picture, as the browser drew it.
    bool CanCopy() const override { return !picture_.isNull(); }
    std::unique_ptr<QMimeData> CopyData() const override;
    const QImage& PictureImage() const { return picture_; }

    // Lights the box (none: nothing) of the node; an unchanged highlight costs nothing. The
    // node's box model is asked for, and its bands drawn once the answer arrives.
    void SetHighlight(const CBox* box, int nodeId = 0);
    // The box model drawn over the lit element; none until its answer arrived.
    const std::optional<CBoxModel>& Bands() const { return bands_; }
    const CBox& Highlight() const { return highlight_; }
    // The lit rectangle in picture pixels: the highlight's edges at the picture's scale.
    QRect LitRect() const;
    QPoint ScrollPosition() const;
    const CPopupText& Tip() const { return *tip_; }
    bool IsDragging() const { return dragCursor_.has_value(); }

    // The tip's text for an element: its label, then its box as the mirror stores it.
    std::string TipText(int nodeId) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSize PictureSize() const;
    QRect ToPictureRect(const QRect& client) const;
    QPoint CssPointAt(QPointF client) const;
    QSize ClientSize() const;
    void LoadPicture();
    void RebuildOverlay();
    void UpdateScrollSizes();
    void ScrollHighlightIntoView();
    void ScrollTo(QPoint position);
    void HoverAt(QPointF position);
    void DragTo(QPoint client);
    void Leave();
    void TellZoom();
    void AskBands();
    void TakeBands(int nodeId, const std::optional<CBoxModel>& model);
    void PaintBands(QPainter& painter, QPointF scroll) const;
    // The tip's text for the node under the pointer, with its bands when they are known.
    QString HoverTip(int nodeId) const;

    CPagewrightDoc& doc_;
    std::optional<QCursor> dragCursor_;  // set exactly while a right drag runs
    QPoint dragStartPoint_;
    QPoint dragStartScroll_;
    CBox highlight_;
    int litNode_ = 0;
    std::optional<CBoxModel> bands_;  // of the lit node
    int hoverNode_ = 0;               // the node the tip names
    bool tracking_ = false;
    // The overlay, kept as the picture and its dimmed copy, both made once per update; a paint
    // draws the dimmed pixels outside the highlight and the picture's inside it.
    QImage picture_;
    QImage dimmed_;
    double scale_ = 1.0;  // the picture's, picture pixels per CSS pixel
    CBox selectionBox_;
    CPopupText* tip_;
};

}  // namespace marklens

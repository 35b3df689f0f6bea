#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include <QCursor>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "model/document/pagewrightdoc.h"
#include "panes/captureview.h"
#include "panes/mirrortreemodel.h"
#include "panes/probetreeview.h"
#include "panes/zoomview.h"
#include "tests/support/documentfakes.h"
#include "widgets/popuptext.h"

namespace marklens::test {
namespace {

constexpr QSize kPicture{500, 400};

// Every pixel differs from its neighbours, so a shifted copy cannot pass for the right one.
QRgb PicturePixel(int x, int y) {
    return 0xFF000000u | ((x * 7) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | ((x + y) & 0xFF);
}

class CPicturePage : public CFakePage {
public:
    CPicture CapturePicture() override {
        CPicture picture{kPicture.width(), kPicture.height(), {}};
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x)
                picture.pixels.push_back(PicturePixel(x, y));
        }
        return picture;
    }
};

// BODY covers the top-left 300 by 200; A and B overlap, B the later sibling; BIG is larger than
// the pane and hidden, so only selection reaches it; LATE lies far right and down.
constexpr const char* kMirror =
    "<doc node-id='1' text='doc - t'>"
    "<element node-id='2' text='&lt;BODY&gt;' left='0' top='0' width='300' height='200' z-index='0' "
    "display='block' visibility='visible'>"
    "<element node-id='3' text='&lt;DIV id=a&gt;' left='20' top='20' width='100' height='80' z-index='0' "
    "display='block' visibility='visible'/>"
    "<element node-id='4' left='60' top='40' width='100' height='80' display='block' visibility='visible'/>"
    "<element node-id='5' text='&lt;DIV id=big&gt;' left='50' top='20' width='300' height='250' z-index='0' "
    "display='block' visibility='hidden'/>"
    "<element node-id='6' text='&lt;DIV id=late&gt;' left='100' top='10' width='300' height='250' z-index='0' "
    "display='block' visibility='hidden'/>"
    "</element></doc>";

class CaptureViewTest : public ::testing::Test {
protected:
    CaptureViewTest() {
        page_ = std::make_shared<CPicturePage>();
        auto probe = std::make_shared<CFakeProbe>();
        probe->mirrorText = kMirror;
        zoom_ = new CZoomView(doc_, &window_);
        capture_ = new CCaptureView(doc_, &window_);
        tree_ = new CProbeTreeView(doc_, &window_);
        capture_->setGeometry(0, 0, 220, 170);
        zoom_->setGeometry(230, 0, 60, 45);
        tree_->setGeometry(0, 180, 300, 100);
        window_.resize(300, 300);
        window_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window_));
        page_->probe = probe;
        probe_ = probe;
        doc_.AttachPage(page_, "page", [](const CWorkOutcome&) {});
    }

    QWidget* Viewport() const { return capture_->viewport(); }
    void MoveTo(QPoint client) {
        QCursor::setPos(Viewport()->mapToGlobal(client));
        QTest::mouseMove(Viewport(), client);
    }
    QRgb Shown(QPoint client) const { return Viewport()->grab().toImage().pixel(client); }
    static QRgb Dimmed(QRgb pixel) {
        return qRgb(qRed(pixel) * 127 / 255, qGreen(pixel) * 127 / 255, qBlue(pixel) * 127 / 255);
    }
    static bool Near(QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1 &&
               std::abs(qBlue(a) - qBlue(b)) <= 1;
    }

    CRecordingUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    std::shared_ptr<CPicturePage> page_;
    std::shared_ptr<CFakeProbe> probe_;
    QWidget window_;
    CZoomView* zoom_;
    CCaptureView* capture_;
    CProbeTreeView* tree_;
};

// Counts the paints of one widget.
class CPaintCounter : public QObject {
public:
    explicit CPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(CaptureViewTest, HoverLightsTheHitElementNamesItAndAClickSelectsItEverywhere) {
    EXPECT_EQ(capture_->Highlight(), CBox{});
    EXPECT_EQ(Shown({10, 10}), PicturePixel(10, 10));  // nothing selected: the picture unchanged

    MoveTo({100, 60});  // in A and B: B, the later sibling, wins
    EXPECT_EQ(capture_->Highlight(), (CBox{60, 40, 160, 120}));
    EXPECT_EQ(Shown({100, 60}), PicturePixel(100, 60));
    EXPECT_TRUE(Near(Shown({30, 30}), Dimmed(PicturePixel(30, 30))));  // A only: outside the light
    EXPECT_TRUE(capture_->Tip().isVisible());
    EXPECT_EQ(capture_->Tip().Text(), "\nl:60  t:40  w:100  h:80  z:");  // no label, no z-index
    EXPECT_EQ(capture_->Tip().pos(), Viewport()->mapToGlobal(QPoint(100, 60)) + QPoint(10, 30));
    ASSERT_FALSE(ui_.statusTexts.empty());
    EXPECT_EQ(ui_.statusTexts.back(), std::make_pair(std::string(CCaptureView::kPointerHint), false));

    zoom_->hide();  // its copy of the pane would paint the pane too
    const CPaintCounter counter(Viewport());
    MoveTo({110, 70});  // the same element: nothing to repaint
    EXPECT_EQ(counter.paints, 0);
    zoom_->show();

    MoveTo({200, 150});  // BODY alone
    EXPECT_EQ(capture_->Highlight(), (CBox{0, 0, 300, 200}));
    capture_->horizontalScrollBar()->setValue(200);  // the pane now shows x 200..420
    MoveTo({150, 60});                               // picture x 350: no element
    EXPECT_EQ(capture_->Highlight(), CBox{});
    EXPECT_EQ(Shown({150, 60}), PicturePixel(350, 60));
    EXPECT_TRUE(capture_->Tip().isVisible());
    EXPECT_EQ(capture_->Tip().Text(), "<BODY>\nl:0  t:0  w:300  h:200  z:0");  // kept from the last hit
    capture_->horizontalScrollBar()->setValue(0);

    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(doc_.GetSelection(), 3);
    EXPECT_EQ(CMirrorTreeModel::NodeId(tree_->currentIndex()), 3);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(Viewport(), &leave);
    EXPECT_EQ(capture_->Highlight(), (CBox{20, 20, 120, 100}));  // the selection lit again
    EXPECT_FALSE(capture_->Tip().isVisible());
}

CQuad Rect(double left, double top, double right, double bottom) {
    return CQuad{{left, top, right, top, right, bottom, left, bottom}};
}

QRgb Tinted(QRgb pixel, QRgb tint) {
    const int a = qAlpha(tint);
    const auto mix = [a](int over, int under) { return (over * a + under * (255 - a)) / 255; };
    return qRgb(mix(qRed(tint), qRed(pixel)), mix(qGreen(tint), qGreen(pixel)), mix(qBlue(tint), qBlue(pixel)));
}

void RunAll(std::vector<std::function<void()>>& tasks) {
    while (!tasks.empty()) {
        for (const std::function<void()>& task : std::exchange(tasks, {}))
            task();
    }
}

// The border box lights at once; the box model's bands come with the browser's answer, which
// for an element no longer lit is dropped; the tip then gives the bands' sizes.
TEST_F(CaptureViewTest, BoxModelBandsFollowTheLitElementWhenTheirAnswerArrives) {
    probe_->boxModels["3"] = {Rect(30, 30, 110, 90), Rect(25, 25, 115, 95), Rect(20, 20, 120, 100),
                              Rect(10, 10, 130, 110)};
    probe_->boxModels["4"] = {Rect(70, 50, 150, 110), Rect(62, 42, 158, 118), Rect(60, 40, 160, 120),
                              Rect(50, 30, 170, 140)};
    std::vector<std::function<void()>> answers;
    ui_.postTo = [&](std::function<void()> task) { answers.push_back(std::move(task)); };
    MoveTo({30, 30});   // A
    MoveTo({100, 60});  // B, while A's question is on its way
    EXPECT_EQ(capture_->Highlight(), (CBox{60, 40, 160, 120}));
    EXPECT_FALSE(capture_->Bands());
    RunAll(answers);
    ASSERT_TRUE(capture_->Bands());
    EXPECT_EQ(capture_->Bands()->border.points, Rect(60, 40, 160, 120).points);
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
               std::abs(qBlue(a) - qBlue(b)) <= 2;
    };
    const auto& tints = CCaptureView::kBandTints;
    EXPECT_TRUE(near(Shown({100, 60}), Tinted(PicturePixel(100, 60), tints[3])));        // content
    EXPECT_TRUE(near(Shown({65, 80}), Tinted(PicturePixel(65, 80), tints[2])));          // padding
    EXPECT_TRUE(near(Shown({61, 80}), Tinted(PicturePixel(61, 80), tints[1])));          // border
    EXPECT_TRUE(near(Shown({55, 80}), Tinted(Dimmed(PicturePixel(55, 80)), tints[0])));  // margin, outside the light
    EXPECT_EQ(capture_->Tip().Text(),
              "\nl:60  t:40  w:100  h:80  z:\ncontent 80 x 60  margin 10 10 20 10  border 2 2 2 2  padding 8 8 8 8");
    MoveTo({200, 150});  // BODY has no model: its border box alone
    RunAll(answers);
    EXPECT_FALSE(capture_->Bands());
}

TEST_F(CaptureViewTest, RightDragPansAndLargeElementsScrollByTheirEdges) {
    delete tree_;  // its own selecting step repeats each broadcast; one pass is what is tested here
    MoveTo({150, 120});
    QTest::mousePress(Viewport(), Qt::RightButton, {}, QPoint(150, 120));
    EXPECT_EQ(Viewport()->cursor().shape(), Qt::PointingHandCursor);
    MoveTo({110, 90});
    EXPECT_EQ(capture_->ScrollPosition(), QPoint(40, 30));
    QTest::mouseRelease(Viewport(), Qt::RightButton, {}, QPoint(100, 80));
    EXPECT_EQ(capture_->ScrollPosition(), QPoint(50, 40));
    EXPECT_EQ(Viewport()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(capture_->IsDragging());

    capture_->horizontalScrollBar()->setValue(0);
    capture_->verticalScrollBar()->setValue(0);
    const QSize client = Viewport()->size();
    doc_.SetSelection(5, nullptr);  // larger than the pane: its right and bottom edges come into view
    EXPECT_EQ(capture_->ScrollPosition(), QPoint(350 - client.width(), 270 - client.height()));
    doc_.SetSelection(6, nullptr);  // its left and top edges lie before the old position: they win
    EXPECT_EQ(capture_->ScrollPosition(), QPoint(100, 10));
    doc_.SetSelection(0, nullptr);
    EXPECT_EQ(capture_->ScrollPosition(), QPoint(0, 0));
}

TEST_F(CaptureViewTest, ZoomShowsThePanesPixelsFiveTimesWithTheCrosshairOnThePointersCell) {
    doc_.SetSelection(3, nullptr);  // dimming in the picture, so the zoom must copy the pane
    const QPoint pointer(60, 45);
    for (const int width : {55, 56, 60}) {
        zoom_->resize(width, 45);
        MoveTo(pointer);
        const QImage source = capture_->grab().toImage();
        const QImage zoomed = zoom_->grab().toImage();
        const QPoint cell = CZoomView::PointerCell(zoom_->size());
        const QPoint origin = Viewport()->mapTo(capture_, pointer) - cell;
        const int crossX = 5 * cell.x() + 2, crossY = 5 * cell.y() + 2;
        for (int y = 0; y < zoomed.height(); ++y) {
            for (int x = 0; x < zoomed.width(); ++x) {
                const bool onCross =
                    (x == crossX && std::abs(y - crossY) > 2) || (y == crossY && std::abs(x - crossX) > 2);
                const QRgb expected = onCross ? qRgb(255, 0, 0) : source.pixel(origin + QPoint(x / 5, y / 5));
                ASSERT_EQ(zoomed.pixel(x, y), expected) << "width " << width << " at " << x << "," << y;
            }
        }
        // The free square in the crosshair shows the pointer's own pixel.
        EXPECT_EQ(zoomed.pixel(crossX, crossY), source.pixel(Viewport()->mapTo(capture_, pointer)));
    }
    QCursor::setPos(window_.mapToGlobal(QPoint(295, 295)));  // elsewhere: white
    zoom_->SetZoomSource(capture_);
    EXPECT_EQ(zoom_->grab().toImage().pixel(1, 1), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <QCursor>
#include <QImage>
#include <QTest>

#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "model/document/pagewrightdoc.h"
#include "model/document/workoutcome.h"
#include "model/mirror/mirrorreading.h"
#include "panes/captureview.h"
#include "panes/zoomview.h"
#include "tests/support/browserfixture.h"
#include "tests/support/documentfakes.h"

namespace marklens::testing {
namespace {

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1 &&
           std::abs(qBlue(a) - qBlue(b)) <= 1;
}

QRgb Dimmed(QRgb pixel) { return qRgb(qRed(pixel) * 127 / 255, qGreen(pixel) * 127 / 255, qBlue(pixel) * 127 / 255); }

// The pane as a screen of the picture's density would show it: one device pixel per picture pixel.
QImage ShownAtDevicePixels(QWidget& viewport, double scale) {
    QImage shown((QSizeF(viewport.size()) * scale).toSize(), QImage::Format_RGB32);
    shown.setDevicePixelRatio(scale);
    viewport.render(&shown);
    return shown;
}

// A browser at two device pixels per CSS pixel: pointing at a box lights it, the light's edges
// land on the box's CSS edges times two in the pane's device pixels, and the zoom shows those
// same picture pixels, one per cell.
TEST(CaptureViewAtDensity, PointingLightsTheBoxOnItsDevicePixels) {
    CHeadlessChromium chrome({"--force-device-scale-factor=2"});
    CPageServer server(FixturePagesDir());
    const std::string target = chrome.OpenTab(server.Url(0, "boxes.html"));
    CBrowserOptions options;
    options.timeout = std::chrono::seconds(10);
    options.endpoints = {chrome.Endpoint()};
    CChromiumTab tab(*CDevToolsEndpoint::Parse(chrome.Endpoint()), target, "", options);
    test::CRecordingUi ui;
    CPagewrightDoc doc(ui, nullptr, CPagewrightDoc::Jobs::Inline);
    doc.AttachPage(tab.Document(), "boxes", [](const CWorkOutcome&) {});
    ASSERT_TRUE(doc.Picture() && doc.Mirror());
    const CPicture& picture = *doc.Picture();
    ASSERT_EQ(picture.scale, 2.0);

    // The box model's bands would tint the light: their answers are held back.
    std::vector<std::function<void()>> heldBack;
    ui.postTo = [&](std::function<void()> task) { heldBack.push_back(std::move(task)); };
    QWidget window;
    auto* capture = new CCaptureView(doc, &window);
    auto* zoom = new CZoomView(doc, &window);
    capture->setGeometry(0, 0, 400, 300);
    zoom->setGeometry(410, 0, 55, 55);
    window.resize(470, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // Green is 61 by 33 CSS pixels at 150,30: odd sizes, so every edge is tested.
    const pugi::xml_node green = NodeWithLabel(*doc.Mirror(), "c-00ff00");
    const CBox css = NodeBox(green);
    ASSERT_EQ(css, (CBox{150, 30, 211, 63}));
    QWidget* viewport = capture->viewport();
    const QPoint pointer(css.left + 1, css.top + 5);
    QCursor::setPos(viewport->mapToGlobal(pointer));
    QTest::mouseMove(viewport, pointer);
    EXPECT_EQ(capture->Highlight(), css);
    const QRect lit = capture->LitRect();
    EXPECT_EQ(lit, QRect(QPoint(300, 60), QPoint(421, 125)));

    const QImage shown = ShownAtDevicePixels(*viewport, picture.scale);
    const auto expectLitOnlyInside = [&](QPoint inside, QPoint outside) {
        EXPECT_EQ(shown.pixel(inside), picture.Pixel(inside.x(), inside.y())) << inside.x() << "," << inside.y();
        EXPECT_TRUE(Near(shown.pixel(outside), Dimmed(picture.Pixel(outside.x(), outside.y()))))
            << outside.x() << "," << outside.y();
    };
    const int midY = lit.center().y(), midX = lit.center().x();
    expectLitOnlyInside({lit.left(), midY}, {lit.left() - 1, midY});
    expectLitOnlyInside({lit.right(), midY}, {lit.right() + 1, midY});
    expectLitOnlyInside({midX, lit.top()}, {midX, lit.top() - 1});
    expectLitOnlyInside({midX, lit.bottom()}, {midX, lit.bottom() + 1});

    // The pointer's cell is picture pixel 302,70, two cells right of the light's left edge.
    const QImage zoomed = zoom->grab().toImage();
    const QPoint cell = CZoomView::PointerCell(zoom->size());
    const auto cellPixel = [&](int dx) {
        return zoomed.pixel((cell.x() + dx) * CZoomView::kFactor + 1, cell.y() * CZoomView::kFactor + 1);
    };
    EXPECT_EQ(cellPixel(0), shown.pixel(302, 70));
    EXPECT_EQ(cellPixel(-2), shown.pixel(300, 70));
    EXPECT_EQ(cellPixel(-3), shown.pixel(299, 70));
    EXPECT_NE(cellPixel(-2), cellPixel(-3));

    // A click selects what the pointer lights.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, pointer);
    EXPECT_EQ(doc.GetSelection(), IntAttribute(green, "node-id"));
}

}  // namespace
}  // namespace marklens::testing

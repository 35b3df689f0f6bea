#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include <QCursor>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/frameui.h"
#include "app/mainframe.h"
#include "browser/chromiumshell.h"
#include "model/document/commandids.h"
#include "model/document/pagewrightdoc.h"
#include "model/document/workoutcome.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/pagemirror.h"
#include "panes/captureview.h"
#include "panes/mirrortreemodel.h"
#include "panes/probetreeview.h"
#include "panes/zoomview.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/pageserver.h"
#include "widgets/popuptext.h"

namespace marklens::test {
namespace {

// Finds the page among the browser pages and attaches to it, as the Connect dialog does.
bool Attach(CPagewrightDoc& doc, const std::string& label) {
    bool listed = false;
    doc.EnumerateBrowsers([&] { listed = true; });
    if (!QTest::qWaitFor([&] { return listed; }, 20000)) return false;
    const auto& labels = doc.BrowserLabels();
    const auto found = std::find(labels.begin(), labels.end(), label);
    if (found == labels.end()) return false;
    std::optional<CWorkOutcome> outcome;
    doc.ConnectToBrowser(static_cast<int>(found - labels.begin()), [&](const CWorkOutcome& o) { outcome = o; });
    return QTest::qWaitFor([&] { return outcome.has_value(); }, 60000) && outcome->IsDone();
}

int NodeIdWithLabel(const CPagewrightDoc& doc, const std::string& part) {
    const std::string query = "//*[contains(@text, '" + part + "')]";
    return IntAttribute(doc.Mirror()->Xml().select_node(query.c_str()).node(), "node-id");
}

// The whole window over the demo page in a real browser: pointing lights the element on top
// and names it, the zoom shows it, a click selects it in the tree. With MARKLENS_WINDOW_SHOT set
// the screen around the window is saved there (run under a display to see the real thing).
TEST(FivePaneWindow, PointingAtTheDemoPageLightsNamesZoomsAndSelects) {
    testing::CHeadlessChromium chrome({"--window-size=1100,700"});
    chrome.OpenTab("file://" MARKLENS_DEMO_PAGE);
    CBrowserOptions options;
    options.timeout = std::chrono::seconds(10);
    options.endpoints = {chrome.Endpoint()};
    CFrameUi ui;
    CPagewrightDoc doc(ui, std::make_shared<CChromiumShell>(options));
    CMainFrame frame(doc);
    ui.SetFrame(&frame);
    frame.resize(1280, 900);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    ASSERT_TRUE(Attach(doc, "Marklens demo page"));
    ASSERT_TRUE(doc.Picture());

    const int back = NodeIdWithLabel(doc, "id=\"back\"");
    const int front = NodeIdWithLabel(doc, "id=\"front\"");
    ASSERT_NE(back, 0);
    doc.SetSelection(back, nullptr);  // scrolls the boxes into the pane
    const CMainFrame::CPanes& panes = frame.Panes();
    QWidget* viewport = panes.capture->viewport();
    const CBox frontBox = NodeBox(doc.FindNodeById(front));
    const QPoint overlap = QPoint(frontBox.left + 10, frontBox.top + 10) - panes.capture->ScrollPosition();
    QCursor::setPos(viewport->mapToGlobal(overlap));
    QTest::mouseMove(viewport, overlap);
    EXPECT_EQ(panes.capture->Highlight(), frontBox);
    EXPECT_TRUE(panes.capture->Tip().Text().startsWith("<DIV")) << panes.capture->Tip().Text().toStdString();
    const QImage zoomed = panes.zoom->grab().toImage();
    const QPoint cell = CZoomView::PointerCell(panes.zoom->size()) * CZoomView::kFactor + QPoint(2, 2);
    EXPECT_EQ(zoomed.pixel(cell), viewport->grab().toImage().pixel(overlap));

    if (const QByteArray shot = qgetenv("MARKLENS_WINDOW_SHOT"); !shot.isEmpty()) {
        QTest::qWait(200);
        const QRect area = frame.frameGeometry().united(panes.capture->Tip().geometry());
        frame.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(QString::fromUtf8(shot));
    }

    QTest::mouseClick(viewport, Qt::LeftButton, {}, overlap);
    EXPECT_EQ(doc.GetSelection(), front);
    EXPECT_EQ(CMirrorTreeModel::NodeId(panes.tree->currentIndex()), front);
}

// A Refresh of a large page: the window keeps painting and taking timers, the page commands
// wait, the status bar tells how far the walk got, and Esc there cancels it, the mirror and
// the picture left as they were.
TEST(FivePaneWindow, LargeRefreshShowsProgressKeepsTheWindowAliveAndEscCancels) {
    testing::CHeadlessChromium chrome;
    testing::CPageServer server(testing::FixturePagesDir());
    chrome.OpenTab(server.Url(0, "/manyrules.html?n=200000"), std::chrono::seconds(60));
    CBrowserOptions options;
    options.endpoints = {chrome.Endpoint()};
    CFrameUi ui;
    CPagewrightDoc doc(ui, std::make_shared<CChromiumShell>(options));
    CMainFrame frame(doc);
    ui.SetFrame(&frame);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    ASSERT_TRUE(Attach(doc, "Many rules"));
    const CPageMirror* mirror = doc.Mirror();
    const CPicture* picture = doc.Picture();

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QTest::keyClick(&frame, Qt::Key_F5);
    EXPECT_TRUE(doc.IsBusy());
    EXPECT_FALSE(frame.Action(command::kRefresh)->isEnabled());
    EXPECT_FALSE(frame.Action(command::kEditHtml)->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.ProgressText().startsWith("Reading page: "); }, 20000));
    EXPECT_TRUE(frame.ProgressText().contains(" of ")) << frame.ProgressText().toStdString();
    EXPECT_TRUE(frame.CancelButton()->isVisible());
    EXPECT_GT(ticks, 10);  // the event loop ran all along
    QTest::keyClick(&frame, Qt::Key_Escape);
    EXPECT_FALSE(doc.IsBusy());
    EXPECT_FALSE(frame.ProgressBox()->isVisible());
    EXPECT_TRUE(frame.Action(command::kRefresh)->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return doc.IsIdle(); }, 20000));
    EXPECT_EQ(doc.Mirror(), mirror);
    EXPECT_EQ(doc.Picture(), picture);
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QSplitterHandle>
#include <QTest>

#include "app/frameui.h"
#include "app/mainframe.h"
#include "app/panesplitter.h"
#include "model/document/pagewrightdoc.h"
#include "panes/captureview.h"
#include "panes/probetreeview.h"
#include "panes/zoomview.h"
#include "tests/support/documentfakes.h"
#include "widgets/panecaption.h"
#include "widgets/panechrome.h"

namespace marklens::test {
namespace {

class PaneLayoutTest : public ::testing::Test {
protected:
    PaneLayoutTest() {
        ui_.SetFrame(&frame_);
        frame_.show();
        frame_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame_));
    }
    QString Caption(int row, int column, CPaneSplitter& splitter) const {
        return static_cast<CPaneChrome*>(splitter.Pane(row, column))->Caption()->text();
    }
    // Resizes and waits for the layout to follow.
    void Grow(int dx, int dy) {
        const QSize client = Outer().size() + QSize(dx, dy);
        frame_.resize(frame_.size() + QSize(dx, dy));
        EXPECT_TRUE(QTest::qWaitFor([&] { return Outer().size() == client; }));
    }
    CPaneSplitter& Outer() const { return *frame_.OuterSplitter(); }

    CFrameUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    CMainFrame frame_{doc_};
};

TEST_F(PaneLayoutTest, FivePanesInTheirCellsAndTheRightColumnKeepsItsWidth) {
    CPaneSplitter& inner = *frame_.InnerSplitter();
    EXPECT_EQ(Outer().Pane(0, 0), &inner);
    EXPECT_EQ(Caption(0, 0, inner), " HTML DOM Tree");
    EXPECT_EQ(Caption(1, 0, inner), " Style Rules");
    EXPECT_EQ(Caption(0, 1, Outer()), " Current Style");
    EXPECT_EQ(Caption(1, 0, Outer()), " Browser Hover Target");
    EXPECT_EQ(Caption(1, 1, Outer()), " Zoom");
    // Updates reach the panes in the order they were made.
    const CMainFrame::CPanes& panes = frame_.Panes();
    EXPECT_EQ(doc_.Views(), (std::vector<IView*>{dynamic_cast<IView*>(panes.attributes), panes.capture, panes.zoom,
                                                 panes.tree, dynamic_cast<IView*>(panes.styles)}));
    EXPECT_EQ(CZoomView::Instance(), panes.zoom);

    // The right column and the bottom row get what the bar leaves of their ideal sizes.
    EXPECT_EQ(Outer().ColumnWidths()[0], Outer().width() - CMainFrame::kRightColumnWidth);
    EXPECT_EQ(Outer().RowHeights()[0], Outer().height() - CMainFrame::kBottomRowHeight);
    EXPECT_EQ(inner.RowHeights()[0], CMainFrame::kTreeHeight);

    const QList<int> columns = Outer().ColumnWidths();
    const QList<int> rows = Outer().RowHeights();
    Grow(100, 60);
    EXPECT_EQ(Outer().ColumnWidths(), (QList<int>{columns[0] + 100, columns[1]}));
    EXPECT_EQ(Outer().RowHeights(), (QList<int>{rows[0], rows[1] + 60}));
    EXPECT_EQ(Outer().RowSplitter(0)->sizes(), Outer().RowSplitter(1)->sizes());

    // A bar dragged by the user stays where it was put.
    QSplitterHandle* bar = Outer().RowSplitter(1)->handle(1);
    const QPoint middle = bar->rect().center();
    QTest::mousePress(bar, Qt::LeftButton, {}, middle);
    QTest::mouseMove(bar, middle - QPoint(50, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, middle - QPoint(50, 0));
    const int dragged = Outer().ColumnWidths()[1];
    EXPECT_EQ(dragged, columns[1] + 50);
    EXPECT_EQ(Outer().RowSplitter(0)->sizes(), Outer().RowSplitter(1)->sizes());
    Grow(-80, 0);
    EXPECT_EQ(Outer().ColumnWidths()[1], dragged);
    EXPECT_EQ(Outer().RowSplitter(0)->sizes(), Outer().RowSplitter(1)->sizes());
}

// The browser's window, raised by a capture, takes the activation from the program.
class CRaisingPage : public CFakePage {
public:
    QWidget browser;
    CPicture CapturePicture() override {
        browser.show();
        browser.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&browser));
        return CFakePage::CapturePicture();
    }
};

TEST_F(PaneLayoutTest, AfterACaptureTheFrameIsInFrontWithTheFocusWhereItWas) {
    auto page = std::make_shared<CRaisingPage>();
    auto probe = std::make_shared<CFakeProbe>();
    probe->mirrorText = "<doc node-id='1' text='doc - raising'/>";
    page->probe = probe;
    frame_.Panes().capture->setFocus();
    bool attached = false;
    doc_.AttachPage(page, "raising", [&](const CWorkOutcome& outcome) { attached = outcome.IsDone(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return attached; }));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&frame_));
    EXPECT_EQ(QApplication::focusWidget(), frame_.Panes().capture);
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QLayout>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "app/frameui.h"
#include "model/document/pagewrightdoc.h"
#include "panes/probetreeview.h"
#include "widgets/panecaption.h"
#include "widgets/panechrome.h"

namespace marklens::test {
namespace {

QListWidget* LongList(const QString& caption) {
    auto* list = new QListWidget;
    list->setWindowTitle(caption);
    for (int i = 0; i < 200; ++i) list->addItem(QString("row %1").arg(i));
    return list;
}

void TurnWheel(QWidget* widget, int delta) {
    const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent wheel(local, widget->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &wheel);
}

class PaneChromeTest : public ::testing::Test {
protected:
    PaneChromeTest() {
        auto* layout = new QHBoxLayout(&window_);
        left_ = new CPaneChrome(LongList(" Style Rules"));
        right_ = new CPaneChrome(LongList(" Current Style"));
        layout->addWidget(left_);
        layout->addWidget(right_);
        window_.resize(400, 300);
        window_.show();
        window_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
    }
    QListWidget* List(CPaneChrome* chrome) const { return static_cast<QListWidget*>(chrome->Pane()); }

    QWidget window_;
    CPaneChrome* left_;
    CPaneChrome* right_;
};

TEST_F(PaneChromeTest, CaptionShowsThePaneTitleWithItsLeadingBlank) {
    EXPECT_EQ(left_->Caption()->text(), " Style Rules");
    List(left_)->setWindowTitle(" Renamed");
    EXPECT_EQ(left_->Caption()->text(), " Renamed");
    CFrameUi ui;
    CPagewrightDoc doc(ui, nullptr);
    const CPaneChrome tree(new CProbeTreeView(doc));
    EXPECT_EQ(tree.Caption()->text(), " HTML DOM Tree");
}

TEST_F(PaneChromeTest, WheelScrollsThePaneUnderThePointerWhichTakesTheFocus) {
    List(left_)->setFocus();
    TurnWheel(List(right_)->viewport(), -240);
    EXPECT_GT(List(right_)->verticalScrollBar()->value(), 0);
    EXPECT_EQ(List(left_)->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(List(right_)->hasFocus());
}

TEST_F(PaneChromeTest, WheelOverTheCaptionScrollsItsPane) {
    List(right_)->setFocus();
    TurnWheel(left_->Caption(), -240);
    EXPECT_GT(List(left_)->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(List(left_)->hasFocus());
}

TEST_F(PaneChromeTest, PressingAndDraggingTheCaptionDoesNothing) {
    List(right_)->setFocus();
    const QRect before = left_->geometry();
    const int row = List(left_)->currentRow();
    CPaneCaption* caption = left_->Caption();
    QTest::mousePress(caption, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    QTest::mouseMove(caption, QPoint(120, 60));
    QTest::mouseRelease(caption, Qt::LeftButton, Qt::NoModifier, QPoint(120, 60));
    QTest::mouseDClick(caption, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    EXPECT_EQ(left_->geometry(), before);
    EXPECT_TRUE(List(right_)->hasFocus());
    EXPECT_EQ(List(left_)->currentRow(), row);
}

TEST_F(PaneChromeTest, ACaptionThatFocusesItsPaneStillNeverMovesIt) {
    auto* capture = new CPaneChrome(LongList(" Browser Hover Target"), nullptr, CPaneChrome::CaptionPress::FocusPane);
    window_.layout()->addWidget(capture);
    QTest::qWait(0);
    List(left_)->setFocus();
    const QRect before = capture->geometry();
    QTest::mousePress(capture->Caption(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    QTest::mouseMove(capture->Caption(), QPoint(80, 40));
    QTest::mouseRelease(capture->Caption(), Qt::LeftButton, Qt::NoModifier, QPoint(80, 40));
    EXPECT_TRUE(List(capture)->hasFocus());
    EXPECT_EQ(capture->geometry(), before);
}

}  // namespace
}  // namespace marklens::test

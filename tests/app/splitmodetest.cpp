#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTextEdit>

#include "app/splitkeyboardmode.h"

namespace marklens::test {
namespace {

class SplitModeTest : public ::testing::Test {
protected:
    SplitModeTest() {
        splitter_.addWidget(new QTextEdit);
        splitter_.addWidget(new QTextEdit);
        splitter_.resize(400, 200);
        splitter_.setSizes({200, 200});
        splitter_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&splitter_));
        splitter_.widget(0)->setFocus();
        start_ = splitter_.sizes();
    }
    QWidget* Focus() const { return splitter_.widget(0); }

    QSplitter splitter_;
    QList<int> start_;
};

TEST_F(SplitModeTest, ArrowsMoveTheBarAndEnterKeepsIt) {
    CSplitKeyboardMode mode(splitter_);
    QSignalSpy finished(&mode, &CSplitKeyboardMode::finished);
    QTest::keyClick(Focus(), Qt::Key_Right);
    QTest::keyClick(Focus(), Qt::Key_Right);
    QTest::keyClick(Focus(), Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(Focus(), Qt::Key_Up);  // not this splitter's direction
    EXPECT_EQ(splitter_.sizes()[0], start_[0] + 2 * CSplitKeyboardMode::kStep - 1);
    QTest::keyClick(Focus(), Qt::Key_Return);
    EXPECT_FALSE(mode.IsActive());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_TRUE(finished[0][0].toBool());
    const QList<int> kept = splitter_.sizes();
    QTest::keyClick(Focus(), Qt::Key_Right);  // the mode is over: keys go to the pane again
    EXPECT_EQ(splitter_.sizes(), kept);
    EXPECT_EQ(static_cast<QTextEdit*>(Focus())->toPlainText(), "");
}

TEST_F(SplitModeTest, EscapePutsTheBarBack) {
    CSplitKeyboardMode mode(splitter_);
    QTest::keyClick(Focus(), Qt::Key_Left);
    EXPECT_NE(splitter_.sizes(), start_);
    QTest::keyClick(Focus(), Qt::Key_Escape);
    EXPECT_EQ(splitter_.sizes(), start_);
    EXPECT_FALSE(mode.IsActive());
}

TEST_F(SplitModeTest, TypingDuringTheModeReachesNoPaneAndTheBarStopsAtTheEdge) {
    CSplitKeyboardMode mode(splitter_);
    QTest::keyClicks(Focus(), "abc");
    EXPECT_EQ(static_cast<QTextEdit*>(Focus())->toPlainText(), "");
    for (int i = 0; i < 40; ++i) QTest::keyClick(Focus(), Qt::Key_Right);
    EXPECT_GE(splitter_.sizes()[1], 0);
    EXPECT_EQ(splitter_.sizes()[0] + splitter_.sizes()[1], start_[0] + start_[1]);
}

}  // namespace
}  // namespace marklens::test

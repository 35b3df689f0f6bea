#include <gtest/gtest.h>

#include <QStatusBar>
#include <QStatusTipEvent>
#include <QCoreApplication>

#include "app/frameui.h"
#include "app/mainframe.h"
#include "app/statushold.h"
#include "model/document/pagewrightdoc.h"

namespace marklens::test {
namespace {

class StatusLineTest : public ::testing::Test {
protected:
    StatusLineTest() {
        frame_.SetClock([this] { return now_; });
        ui_.SetFrame(&frame_);
    }

    std::int64_t now_ = 1000;
    CFrameUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    CMainFrame frame_{doc_};
};

TEST_F(StatusLineTest, HeldTextSurvivesFiveSecondsOfPointerHints) {
    doc_.ShowStatusMessage("<P> (10, 10) - (30, 30)", false);
    EXPECT_EQ(frame_.StatusText(), "<P> (10, 10) - (30, 30)");
    doc_.ShowStatusMessage("passed the end of the tree", true);
    for (int step = 0; step < 50; ++step) {
        now_ += 99;  // 4950 ms of hints
        doc_.ShowStatusMessage("<DIV>", false);
    }
    EXPECT_EQ(frame_.StatusText(), "passed the end of the tree");
    now_ += 49;  // 4999 ms after the hold began
    doc_.ShowStatusMessage("<DIV>", false);
    EXPECT_EQ(frame_.StatusText(), "passed the end of the tree");
    now_ += 1;
    doc_.ShowStatusMessage("<B>", false);
    EXPECT_EQ(frame_.StatusText(), "<B>");
}

TEST_F(StatusLineTest, SecondHeldTextRestartsTheHold) {
    doc_.ShowStatusMessage("first", true);
    now_ += 4000;
    doc_.ShowStatusMessage("second", true);
    EXPECT_EQ(frame_.StatusText(), "second");
    now_ += 4000;  // 8 s after the first, 4 s after the second
    doc_.ShowStatusMessage("hint", false);
    EXPECT_EQ(frame_.StatusText(), "second");
    now_ += 1000;
    doc_.ShowStatusMessage("hint", false);
    EXPECT_EQ(frame_.StatusText(), "hint");
}

TEST_F(StatusLineTest, MenuPromptsDoNotWipeTheText) {
    frame_.ShowStatusMessage("kept", false);
    QStatusTipEvent tip(QString{});
    QCoreApplication::sendEvent(&frame_, &tip);
    EXPECT_EQ(frame_.StatusText(), "kept");
}

TEST(StatusHold, HoldAcrossTheThirtyTwoBitTickBoundary) {
    // 49.7 days of uptime: a 32-bit tick count would wrap inside this hold.
    CStatusHold hold;
    const std::int64_t start = 0xFFFFF000LL;
    EXPECT_TRUE(hold.Accept(true, start));
    EXPECT_FALSE(hold.Accept(false, start + 0x1000));  // past 2^32
    EXPECT_FALSE(hold.Accept(false, start + 4999));
    EXPECT_TRUE(hold.Accept(false, start + 5000));
    EXPECT_TRUE(hold.Accept(false, start + 0x100000000LL));
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include "model/errors/callerror.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "tests/support/documentfakes.h"

namespace marklens::test {
namespace {

TEST(CallErrorText, BrowserMessageIsTheSystemText) {
    EXPECT_EQ(
        CallErrorText("Could not change HTML element", CObjectCallError(status::kFail, "NoModificationAllowedError")),
        "Could not change HTML element(NoModificationAllowedError)");
    EXPECT_EQ(SystemErrorText(CObjectCallError(status::kFail, "two lines\r\n")), "two lines");
    EXPECT_EQ(SystemErrorText(CObjectCallError(status::kFail, "ends in cr\r")), "ends in cr\r");
}

TEST(CallErrorText, CodesWithoutMessageUseTheTableThenTheFallbacks) {
    EXPECT_EQ(SystemErrorText(CObjectCallError(status::kAccessDenied)), "Access is denied.");
    EXPECT_EQ(SystemErrorText(CObjectCallError(0x80040205)), "IDispatch error #5");
    EXPECT_EQ(SystemErrorText(CObjectCallError(0x8004FFFF)), "IDispatch error #65023");
    EXPECT_EQ(SystemErrorText(CObjectCallError(0x80040200)), "Unknown error 0x80040200");
    EXPECT_EQ(SystemErrorText(CObjectCallError(0x80050000)), "Unknown error 0x80050000");
    EXPECT_EQ(SystemErrorText(CObjectCallError(0x1)), "Unknown error 0x1");
}

TEST(CallErrorText, ShownWithoutIcon) {
    CRecordingUi ui;
    ShowCallError(ui, "Could not access HTML element properties.", CObjectCallError(status::kTimeout));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Could not access HTML element properties.(The browser did not answer in time.)");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "app/dialogfind.h"
#include "app/frameui.h"
#include "app/mainframe.h"
#include "model/document/documentmessages.h"
#include "model/document/pagewrightdoc.h"
#include "model/find/findsettings.h"
#include "tests/support/documentfakes.h"
#include "tests/support/modaldriver.h"
#include "tests/support/typing.h"

namespace marklens::test {
namespace {

constexpr const char* kMirror =
    "<doc node-id='1' text='doc - Find'><element node-id='2' text='&lt;HEAD&gt;'/>"
    "<element node-id='3' text='&lt;BODY&gt;'><element node-id='4' text='Item one'/>"
    "<element node-id='5' text='item two'/><element node-id='6' text='ITEM three'/></element></doc>";

// The real dialog, reached through the frame's keys.
class FindDialogTest : public ::testing::Test {
protected:
    FindDialogTest() {
        FindSettings() = {};
        ui_.SetFrame(&frame_);
        AttachFakePage(doc_, kMirror);
        frame_.show();
        EXPECT_TRUE(
            QTest::qWaitFor([this] { return doc_.Mirror() != nullptr; }));  // the answer comes by the event loop
    }

    // The keys go to the active window, which the closed dialog gave back.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        frame_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame_));
        QTest::keyClick(&frame_, key, modifiers);
    }
    static void Click(CDialogFind& dialog, int id) {
        QTest::mouseClick(qobject_cast<QPushButton*>(dialog.Control(id)), Qt::LeftButton);
    }

    CFrameUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    CMainFrame frame_{doc_};
};

TEST_F(FindDialogTest, CtrlFEditsTheSettingsAndF3SearchesAgain) {
    FindSettings() = {"Item", false, true};
    doc_.SetSelection(1, nullptr);
    CModalDriver<CDialogFind> driver([](CDialogFind& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Find in HTML");
        EXPECT_EQ(dialog.FindText()->selectedText(), "Item");
        EXPECT_EQ(dialog.focusWidget(), dialog.FindText());
        EXPECT_TRUE(dialog.SearchUp()->isChecked());
        EXPECT_FALSE(dialog.MatchCase()->isChecked());
        QTest::mouseClick(dialog.SearchUp(), Qt::LeftButton);
        QTest::mouseClick(dialog.MatchCase(), Qt::LeftButton);
        dialog.FindText()->selectAll();  // the clicks took the focus and with it the selection
        TypeText(dialog.FindText(), "item");
        Click(dialog, 1);
    });
    Press(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(driver.seen);
    EXPECT_EQ(FindSettings().text, "item");
    EXPECT_TRUE(FindSettings().matchCase);
    EXPECT_FALSE(FindSettings().searchUp);
    EXPECT_EQ(doc_.GetSelection(), 5);
    Press(Qt::Key_F3);
    EXPECT_EQ(doc_.GetSelection(), 5);
    EXPECT_EQ(frame_.StatusText(), message::kPassedEndOfTree);

    // Cancel keeps every setting, the text included.
    CModalDriver<CDialogFind> cancel([](CDialogFind& dialog) {
        TypeText(dialog.FindText(), "other");
        QTest::mouseClick(dialog.MatchCase(), Qt::LeftButton);
        Click(dialog, 2);
    });
    Press(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(cancel.seen);
    EXPECT_EQ(FindSettings().text, "item");
    EXPECT_TRUE(FindSettings().matchCase);
}

TEST_F(FindDialogTest, NoMatchShowsTheMessageBoxWithoutAnIcon) {
    FindSettings().text = "Élan";
    doc_.SetSelection(4, nullptr);
    QString shown;
    CModalDriver<QMessageBox> driver([&](QMessageBox& box) {
        shown = box.text();
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        box.accept();
    });
    Press(Qt::Key_F3);
    ASSERT_TRUE(driver.seen);
    EXPECT_EQ(shown, QString::fromUtf8("Could not find in HTML tree: élan"));
    EXPECT_EQ(doc_.GetSelection(), 4);
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "tests/support/typing.h"

#include "edit/dialoghtml.h"

namespace marklens::test {
namespace {

class DialogHtmlTest : public ::testing::Test {
protected:
    std::unique_ptr<CDialogHtml> Open(bool outer, bool inner, bool text) {
        auto dialog = std::make_unique<CDialogHtml>(nullptr, outer, inner, text, QStringLiteral("<td>cell</td>"),
                                                    QStringLiteral("cell"), QString());
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }
    static void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, widget->height() / 2)); }
    static void ReplaceText(CDialogHtml& dialog, const QString& text) {
        dialog.EditBox()->selectAll();
        TypeText(dialog.EditBox(), text);
    }
    static QPushButton* Button(CDialogHtml& dialog, int id) { return qobject_cast<QPushButton*>(dialog.Control(id)); }
};

TEST_F(DialogHtmlTest, OpensInTheFirstEditableOfOuterAndInnerElseOuter) {
    auto outer = Open(true, true, false);
    EXPECT_EQ(outer->windowTitle(), "Element HTML");
    EXPECT_EQ(outer->Mode(), HtmlMode::Outer);
    EXPECT_TRUE(outer->ModeButton(HtmlMode::Outer)->isChecked());
    EXPECT_EQ(outer->EditBox()->toPlainText(), "<td>cell</td>");
    EXPECT_FALSE(outer->EditBox()->isReadOnly());
    EXPECT_TRUE(outer->EditBox()->hasFocus());

    auto inner = Open(false, true, false);
    EXPECT_EQ(inner->Mode(), HtmlMode::Inner);
    EXPECT_TRUE(inner->ModeButton(HtmlMode::Inner)->isChecked());
    EXPECT_EQ(inner->EditBox()->toPlainText(), "cell");

    auto neither = Open(false, false, true);
    EXPECT_EQ(neither->Mode(), HtmlMode::Outer);
    EXPECT_TRUE(neither->EditBox()->isReadOnly());
}

TEST_F(DialogHtmlTest, SwitchingModesShowsTheTextAsReadAndForgetsTyping) {
    auto dialog = Open(false, true, false);
    ReplaceText(*dialog, "typed");
    Click(dialog->ModeButton(HtmlMode::Outer));
    EXPECT_EQ(dialog->Mode(), HtmlMode::Outer);
    EXPECT_TRUE(dialog->EditBox()->isReadOnly());
    EXPECT_EQ(dialog->EditBox()->toPlainText(), "<td>cell</td>");
    Click(dialog->ModeButton(HtmlMode::Inner));
    EXPECT_EQ(dialog->EditBox()->toPlainText(), "cell");
    EXPECT_FALSE(dialog->EditBox()->isReadOnly());
    Click(dialog->ModeButton(HtmlMode::Text));
    EXPECT_EQ(dialog->Mode(), HtmlMode::Text);
    EXPECT_TRUE(dialog->EditBox()->isReadOnly());
    EXPECT_EQ(dialog->EditBox()->toPlainText(), "");
}

TEST_F(DialogHtmlTest, OkGivesTheModeAndTheEditedTextWithEnterAsLineBreak) {
    auto dialog = Open(false, true, false);
    ReplaceText(*dialog, "a");
    QTest::keyClick(dialog->EditBox(), Qt::Key_Return);
    TypeText(dialog->EditBox(), QString::fromUtf8("b \xC2\xA0\xE2\x82\xAC\xF0\x9F\x98\x80"));
    EXPECT_TRUE(dialog->isVisible());  // Enter went into the box, not to the OK button
    Click(Button(*dialog, 1));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->Mode(), HtmlMode::Inner);
    // The non-breaking space stays one.
    EXPECT_EQ(dialog->Result(), QString::fromUtf8("a\nb \xC2\xA0\xE2\x82\xAC\xF0\x9F\x98\x80"));
}

TEST_F(DialogHtmlTest, UntouchedTextGoesBackExactlyEvenReadOnly) {
    const QString original = QString::fromUtf8("<tr>\r\n<td>\xC2\xA0</td>\r</tr>");
    CDialogHtml dialog(nullptr, false, false, false, original, QString(), QString());
    dialog.show();
    Click(Button(dialog, 1));
    EXPECT_EQ(dialog.Mode(), HtmlMode::Outer);
    EXPECT_EQ(dialog.Result(), original);
}

TEST_F(DialogHtmlTest, ResizingGrowsTheBoxAndMovesOnlyTheButtonsRight) {
    auto dialog = Open(true, true, false);
    const QRect box = dialog->EditBox()->geometry();
    const QPoint ok = Button(*dialog, 1)->pos();
    const QPoint cancel = Button(*dialog, 2)->pos();
    const QPoint radio = dialog->ModeButton(HtmlMode::Text)->pos();
    dialog->resize(dialog->size() + QSize(40, 25));
    EXPECT_EQ(dialog->EditBox()->geometry(), QRect(box.topLeft(), box.size() + QSize(40, 25)));
    EXPECT_EQ(Button(*dialog, 1)->pos(), ok + QPoint(40, 0));
    EXPECT_EQ(Button(*dialog, 2)->pos(), cancel + QPoint(40, 0));
    EXPECT_EQ(dialog->ModeButton(HtmlMode::Text)->pos(), radio);
    dialog->resize(dialog->size() - QSize(60, 10));
    EXPECT_EQ(dialog->EditBox()->geometry(), QRect(box.topLeft(), box.size() + QSize(-20, 15)));
    EXPECT_EQ(Button(*dialog, 1)->pos(), ok + QPoint(-20, 0));
}

}  // namespace
}  // namespace marklens::test

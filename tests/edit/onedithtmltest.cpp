#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include "tests/support/typing.h"

#include "edit/dialoghtml.h"
#include "edit/onedithtml.h"
#include "model/document/pagewrightdoc.h"
#include "model/errors/statuscodes.h"
#include "tests/support/modaldriver.h"
#include "tests/support/recordingelement.h"

namespace marklens::test {
namespace {

constexpr const char* kMirror =
    "<doc node-id='1' text='doc - page'><element node-id='2' text='&lt;TABLE&gt;' display='table'>"
    "<element node-id='3' text='&lt;TR&gt;' display='table-row'><element node-id='4' text='&lt;TD&gt;' "
    "display='table-cell'/></element></element><element node-id='5' text='&lt;P&gt;'><shadow-root node-id='6' "
    "text='#shadow-root (open)'/><element node-id='7' text='::before' pseudo='before'/></element></doc>";

class OnEditHtmlTest : public ::testing::Test {
protected:
    OnEditHtmlTest() {
        probe_->mirrorText = kMirror;
        auto page = std::make_shared<CFakePage>();
        page->probe = probe_;
        doc_.AttachPage(page, "page", [](const CWorkOutcome&) {});
        doc_.SetSelection(4, nullptr);
        probe_->mirrorRequests = 0;
        probe_->elementRequests.clear();
        Element().tag = "TD";
        Element().outer = "<td>cell</td>";
        Element().inner = "cell";
    }
    CRecordingElement& Element() { return *probe_->element; }
    // Runs the command; the dialog, when one opens, is handed to the action.
    bool Run(std::function<void(CDialogHtml&)> action) {
        CModalDriver<CDialogHtml> driver(std::move(action));
        OnEditHtml(doc_, nullptr);
        return driver.seen;
    }
    static void Ok(CDialogHtml& dialog) { dialog.accept(); }
    static void Type(CDialogHtml& dialog, const QString& text) {
        dialog.EditBox()->selectAll();
        TypeText(dialog.EditBox(), text);
    }

    CRecordingUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    std::shared_ptr<CElementProbe> probe_ = std::make_shared<CElementProbe>();
};

TEST_F(OnEditHtmlTest, NothingSelectedDoesNothing) {
    doc_.SetSelection(0, nullptr);
    EXPECT_FALSE(Run(Ok));
    EXPECT_TRUE(probe_->elementRequests.empty());
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(OnEditHtmlTest, NoLiveElementSaysSo) {
    probe_->element.reset();
    EXPECT_FALSE(Run(Ok));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Item is not an HTML element.");
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(probe_->elementRequests, std::vector<std::string>{"4"});
}

TEST_F(OnEditHtmlTest, ShadowRootsAndGeneratedContentAreRefusedWithoutAskingThePage) {
    for (const int id : {6, 7}) {
        doc_.SetSelection(id, nullptr);
        EXPECT_FALSE(Run(Ok));
    }
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_NE(ui_.messages[0].text.find("shadow root"), std::string::npos);
    EXPECT_NE(ui_.messages[1].text.find("Generated content"), std::string::npos);
    EXPECT_TRUE(probe_->elementRequests.empty());
}

TEST_F(OnEditHtmlTest, UnreadableTagNameShowsTheSystemText) {
    Element().tagFailure = status::kFail;
    Element().failureMessage = "Node is detached";
    EXPECT_FALSE(Run(Ok));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Could not access HTML element properties.(Node is detached)");
}

TEST_F(OnEditHtmlTest, CellOpensInInnerModeWritesAndRefreshesKeepingThePlace) {
    HtmlMode opened = HtmlMode::Text;
    EXPECT_TRUE(Run([&](CDialogHtml& dialog) {
        opened = dialog.Mode();
        EXPECT_FALSE(dialog.EditBox()->isReadOnly());
        Type(dialog, QString::fromUtf8("<i>\xC3\xA9\xE2\x82\xAC</i>"));
        Ok(dialog);
    }));
    EXPECT_EQ(opened, HtmlMode::Inner);
    EXPECT_EQ(Element().writes, std::vector<std::string>{"inner:<i>\xC3\xA9\xE2\x82\xAC</i>"});
    EXPECT_EQ(probe_->mirrorRequests, 1);
    EXPECT_EQ(doc_.GetSelection(), 4);
    EXPECT_TRUE(ui_.messages.empty());
}

// A refused write keeps the dialog open with what it holds; the next OK writes and refreshes.
TEST_F(OnEditHtmlTest, ReadOnlyRowIsWrittenBackAndARefusalKeepsTheDialogForAnotherTry) {
    Element().tag = "TR";
    Element().outer = "<tr><td>cell</td></tr>";
    Element().writeFailure = status::kFail;
    Element().failureMessage = "refused";
    EXPECT_TRUE(Run([&](CDialogHtml& dialog) {
        EXPECT_EQ(dialog.Mode(), HtmlMode::Outer);
        EXPECT_TRUE(dialog.EditBox()->isReadOnly());
        Ok(dialog);
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0].text, "Could not change HTML element(refused)");
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(probe_->mirrorRequests, 0);
        Element().writeFailure.reset();
        Ok(dialog);
    }));
    EXPECT_EQ(Element().writes, std::vector<std::string>{"outer:<tr><td>cell</td></tr>"});
    EXPECT_EQ(probe_->mirrorRequests, 1);
}

TEST_F(OnEditHtmlTest, TextModeOfAnOrdinaryElementWritesNothingButRefreshes) {
    Element().tag = "DIV";
    EXPECT_TRUE(Run([](CDialogHtml& dialog) {
        QTest::mouseClick(dialog.ModeButton(HtmlMode::Text), Qt::LeftButton, {}, QPoint(4, 4));
        EXPECT_TRUE(dialog.EditBox()->isReadOnly());
        EXPECT_TRUE(dialog.EditBox()->toPlainText().isEmpty());
        Ok(dialog);
    }));
    EXPECT_TRUE(Element().writes.empty());
    EXPECT_EQ(probe_->mirrorRequests, 1);
}

TEST_F(OnEditHtmlTest, CancelWritesNothing) {
    EXPECT_TRUE(Run([](CDialogHtml& dialog) {
        Type(dialog, "discarded");
        dialog.reject();
    }));
    EXPECT_TRUE(Element().writes.empty());
    EXPECT_EQ(probe_->mirrorRequests, 0);
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <QApplication>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include "edit/dialoghtml.h"
#include "edit/onedithtml.h"
#include "model/document/commandids.h"
#include "model/document/documentui.h"
#include "model/document/pagewrightdoc.h"
#include "model/find/findsettings.h"
#include "model/find/mirrorfind.h"
#include "model/mirror/mirrorreading.h"
#include "panes/mirrortreemodel.h"
#include "panes/probetreeview.h"
#include "tests/support/browserfixture.h"
#include "tests/support/modaldriver.h"
#include "tests/support/typing.h"

namespace marklens::testing {
namespace {

class EditBrowser : public CBrowserSuite {
protected:
    void SetUp() override {
        LivePageHandle page = OpenPage("edittable.html");
        doc_.AttachPage(page, "page", [](const CWorkOutcome&) {});
        QApplication::processEvents();
    }
    int IdOf(const std::string& label) const { return IntAttribute(NodeWithLabel(*doc_.Mirror(), label), "node-id"); }
    std::string Page(const std::string& expression) { return Chrome().Evaluate(lastTarget_, expression); }
    bool Edit(std::function<void(CDialogHtml&)> action) {
        test::CModalDriver<CDialogHtml> driver(std::move(action));
        OnEditHtml(doc_, nullptr);
        return driver.seen;
    }
    static void Replace(CDialogHtml& dialog, const QString& text) {
        dialog.EditBox()->selectAll();
        test::TypeText(dialog.EditBox(), text);
    }

    CMessageUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    CProbeTreeView tree_{doc_};
};

TEST_F(EditBrowser, CellInnerHtmlChangesThePageAndTheTreeKeepsThePlace) {
    const int cell = IdOf("\"cell\"");
    ASSERT_NE(cell, 0);
    doc_.SetSelection(cell, nullptr);
    const QModelIndex before = tree_.currentIndex();
    EXPECT_TRUE(Edit([](CDialogHtml& dialog) {
        EXPECT_EQ(dialog.Mode(), HtmlMode::Inner);
        EXPECT_EQ(dialog.EditBox()->toPlainText(), "old");
        Replace(dialog, QString::fromUtf8("<b id=\"fresh\">n\xC3\xA9w \xE2\x82\xAC\xF0\x9F\x98\x80</b>"));
        dialog.accept();
    }));
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(Page("document.getElementById('cell').innerHTML"),
              "\"<b id=\\\"fresh\\\">n\xC3\xA9w \xE2\x82\xAC\xF0\x9F\x98\x80</b>\"");
    // Refreshed: the cell is selected again at its place, under the new mirror's identifier.
    const pugi::xml_node selected = doc_.FindNodeById(doc_.GetSelection());
    ASSERT_TRUE(selected);
    EXPECT_NE(std::string(selected.attribute("text").value()).find("\"cell\""), std::string::npos);
    EXPECT_EQ(CMirrorTreeModel::NodeId(tree_.currentIndex()), doc_.GetSelection());
    EXPECT_EQ(tree_.currentIndex().row(), before.row());
    EXPECT_EQ(tree_.TreeModel().rowCount(tree_.currentIndex()), 1);  // the new B element
}

TEST_F(EditBrowser, TitleInTextModeSetsThePageTitle) {
    doc_.SetSelection(IdOf("<TITLE"), nullptr);
    EXPECT_TRUE(Edit([](CDialogHtml& dialog) {
        EXPECT_EQ(dialog.Mode(), HtmlMode::Outer);
        EXPECT_TRUE(dialog.EditBox()->isReadOnly());
        QTest::mouseClick(dialog.ModeButton(HtmlMode::Text), Qt::LeftButton, {}, QPoint(4, 4));
        EXPECT_FALSE(dialog.EditBox()->isReadOnly());
        EXPECT_EQ(dialog.EditBox()->toPlainText(), "Before");
        Replace(dialog, "After");
        dialog.accept();
    }));
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(Page("document.title"), "\"After\"");
    EXPECT_EQ(doc_.Mirror()->DocumentElement().attribute("text").as_string(), std::string("doc - After"));
}

TEST_F(EditBrowser, RefusedOuterHtmlShowsTheBrowsersTextKeepsTheDialogAndDoesNotRefresh) {
    doc_.SetSelection(IdOf("<HTML"), nullptr);
    const int selection = doc_.GetSelection();
    ASSERT_NE(selection, 0);
    EXPECT_TRUE(Edit([&](CDialogHtml& dialog) {
        EXPECT_TRUE(dialog.EditBox()->isReadOnly());
        dialog.accept();  // the unchanged outer HTML goes back, and the page refuses it
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    }));
    ASSERT_EQ(ui_.messages.size(), 1u);
    const std::string& message = ui_.messages[0];
    EXPECT_EQ(message.rfind("Could not change HTML element(", 0), 0u) << message;
    EXPECT_GT(message.size(), std::string("Could not change HTML element()").size()) << message;
    EXPECT_EQ(message.back(), ')');
    EXPECT_EQ(doc_.GetSelection(), selection);
    EXPECT_EQ(Page("document.getElementById('cell').textContent"), "\"old\"");
}

// Undo and Redo go through the browser's own history: the replaced element comes back as the
// same object, with the listener it had; the page changing the element since refuses the undo.
TEST_F(EditBrowser, UndoRestoresTheElementItselfAndRefusesWhenThePageChangedIt) {
    Page(
        "window.kept = document.getElementById('para'); window.clicks = 0;"
        "kept.addEventListener('click', () => ++window.clicks)");
    const std::string original = Page("document.body.innerHTML");
    doc_.SetSelection(IdOf("\"para\""), nullptr);
    EXPECT_TRUE(Edit([](CDialogHtml& dialog) {
        QTest::mouseClick(dialog.ModeButton(HtmlMode::Outer), Qt::LeftButton, {}, QPoint(4, 4));
        Replace(dialog, "<div id=\"para\">changed</div>");
        dialog.accept();
    }));
    ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0];
    EXPECT_EQ(Page("document.getElementById('para').tagName"), "\"DIV\"");
    EXPECT_EQ(doc_.Edits().undo, "Edit HTML");
    doc_.SetStyleAttribute("color", "red", [](const CWorkOutcome&) {});
    EXPECT_EQ(doc_.Edits().undo, "Set Style");

    doc_.OnCommand(command::kUndo);
    EXPECT_EQ(Page("document.getElementById('para').style.color"), "\"\"");
    EXPECT_EQ(doc_.Edits().undo, "Edit HTML");
    EXPECT_EQ(doc_.Edits().redo, "Set Style");
    doc_.OnCommand(command::kUndo);
    EXPECT_EQ(Page("document.body.innerHTML"), original);
    EXPECT_EQ(Page("document.getElementById('para') === kept && (kept.click(), clicks)"), "1");
    EXPECT_TRUE(NodeWithLabel(*doc_.Mirror(), "<P id=\"para\">")) << "the mirror follows the undo";
    EXPECT_TRUE(doc_.Edits().undo.empty());

    doc_.OnCommand(command::kRedo);
    EXPECT_EQ(Page("document.getElementById('para').outerHTML"), "\"<div id=\\\"para\\\">changed</div>\"");
    Page("document.getElementById('para').textContent = 'page'");
    doc_.OnCommand(command::kUndo);
    EXPECT_NE(ui_.status.find("changed the element since"), std::string::npos) << ui_.status;
    EXPECT_EQ(Page("document.getElementById('para').outerHTML"), "\"<div id=\\\"para\\\">page</div>\"");
    EXPECT_EQ(doc_.Edits().undo, "Edit HTML");  // still there, should the page change it back
}

TEST_F(EditBrowser, CopySelectorMatchesOnlyTheElementAndCopyOuterHtmlIsItsMarkup) {
    doc_.SetSelection(IdOf("\"other\""), nullptr);
    doc_.OnCommand(command::kCopySelector);
    const std::string selector = nlohmann::json(ui_.clipboard).dump();
    EXPECT_EQ(Page("[...document.querySelectorAll(" + selector + ")].map(e => e.id).join()"), "\"other\"") << selector;
    doc_.OnCommand(command::kCopyOuterHtml);
    EXPECT_EQ(nlohmann::json(ui_.clipboard).dump(), Page("document.getElementById('other').outerHTML"));
}

class ShadowEditBrowser : public EditBrowser {
protected:
    void SetUp() override {
        doc_.AttachPage(OpenPage("shadow.html"), "page", [](const CWorkOutcome&) {});
        QApplication::processEvents();
    }
};

// Inside a closed root inside a closed root: found, its outer HTML replaced, and the new element
// selected at its place by the Refresh that follows; the tree shows the root first under its host.
TEST_F(ShadowEditBrowser, ElementOfAClosedTreeIsFoundEditedAndKept) {
    CFindSettings settings;
    settings.text = "badge-text";
    const CFindOutcome found = FindNextInMirror(doc_.Mirror(), IdOf("<HTML"), settings);
    ASSERT_EQ(found.kind, CFindOutcome::Kind::Found);
    doc_.SetSelection(found.nodeId, nullptr);
    const QModelIndex host = tree_.currentIndex().parent().parent();
    EXPECT_EQ(host.data().toString().toStdString().rfind("<INNER-BADGE", 0), 0u);
    EXPECT_EQ(tree_.TreeModel().index(0, 0, host).data().toString(), "#shadow-root (closed)");
    EXPECT_TRUE(Edit([](CDialogHtml& dialog) {
        EXPECT_TRUE(dialog.EditBox()->toPlainText().startsWith("<b id=\"badge-text\""));
        Replace(dialog, "<u id=\"inside\">new</u>");
        dialog.accept();
    }));
    EXPECT_TRUE(ui_.messages.empty()) << ui_.messages[0];
    const pugi::xml_node selected = doc_.FindNodeById(doc_.GetSelection());
    EXPECT_EQ(std::string(selected.attribute("text").value()), "<U id=\"inside\">");
    EXPECT_EQ(std::string(selected.parent().attribute("text").value()), "#shadow-root (closed)");
}

}  // namespace
}  // namespace marklens::testing

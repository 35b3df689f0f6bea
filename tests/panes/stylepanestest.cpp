#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include "model/document/pagewrightdoc.h"
#include "model/errors/statuscodes.h"
#include "panes/attributelist.h"
#include "panes/stylelist.h"
#include "tests/support/documentfakes.h"
#include "tests/support/modaldriver.h"

namespace marklens::test {
namespace {

constexpr const char* kMirror =
    "<doc node-id='1' text='doc - page'><element node-id='2' text='&lt;P&gt;' display='block'/></doc>";

// A catalog of the test's own: the pane finds it through MARKLENS_ATTRIBS.
class CCatalogFile {
public:
    explicit CCatalogFile(const std::string& text)
        : path_(std::filesystem::temp_directory_path() / ("marklens-attribs-" + std::to_string(::getpid()) + ".xml")) {
        std::ofstream(path_) << text;
        ::setenv("MARKLENS_ATTRIBS", path_.c_str(), 1);
    }
    ~CCatalogFile() {
        ::unsetenv("MARKLENS_ATTRIBS");
        std::filesystem::remove(path_);
    }

private:
    std::filesystem::path path_;
};

class StylePanesTest : public ::testing::Test {
protected:
    void Attach() {
        probe_->mirrorText = kMirror;
        page_->probe = probe_;
        doc_.AttachPage(page_, "page", [](const CWorkOutcome&) {});
    }

    CRecordingUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    std::shared_ptr<CFakePage> page_ = std::make_shared<CFakePage>();
    std::shared_ptr<CFakeProbe> probe_ = std::make_shared<CFakeProbe>();
};

QStringList Column(const QTreeWidget& list, int column) {
    QStringList cells;
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        cells << list.topLevelItem(row)->text(column);
    return cells;
}

TEST_F(StylePanesTest, AttributeListFillsTintsAndStartsEditing) {
    const CCatalogFile catalog(
        "<attribs><attrib name='color' default='rgb(0, 0, 0)'/><attrib default='x'/>"
        "<attrib name='display' default='inline'/><attrib name='top'/>"
        "<attrib name='opacity' default='1'/></attribs>");
    CAttributeList list(doc_);
    QAbstractItemModelTester tester(list.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(list.windowTitle(), " Current Style");
    EXPECT_EQ(Column(list, 0), (QStringList{"color", "display", "top", "opacity"}));
    EXPECT_TRUE(ui_.messages.empty());
    ASSERT_EQ(ui_.statusTexts.size(), 1u);  // the entry without a name, noted once
    EXPECT_EQ(doc_.AttributePane(), &list);

    Attach();
    // Equal text is not tinted, a difference in letter case is; the answer's short end empties
    // the last row.
    probe_->currentStyleText =
        "<attribs><attrib name='color' default='rgb(0, 0, 0)' current='rgb(0, 0, 0)'/>"
        "<attrib name='display' default='inline' current='Inline'/>"
        "<attrib name='top' current=''/></attribs>";
    list.topLevelItem(3)->setText(1, "stale");
    doc_.SetSelection(2, nullptr);
    EXPECT_EQ(Column(list, 1), (QStringList{"rgb(0, 0, 0)", "Inline", "", ""}));
    EXPECT_TRUE(list.EqualsDefault(0));
    EXPECT_FALSE(list.EqualsDefault(1));
    EXPECT_TRUE(list.EqualsDefault(2));
    EXPECT_TRUE(list.EqualsDefault(3));
    EXPECT_EQ(list.topLevelItem(1)->background(1).color(), CAttributeList::kTint);
    EXPECT_EQ(list.topLevelItem(0)->background(1).style(), Qt::NoBrush);
    ASSERT_EQ(probe_->catalogs.size(), 1u);
    EXPECT_EQ(probe_->catalogs[0].find("default=\"x\""), std::string::npos);  // the nameless entry is not asked

    // A document has no current style; a failed question empties the column too.
    doc_.SetSelection(1, nullptr);
    EXPECT_EQ(Column(list, 1), (QStringList{"", "", "", ""}));
    EXPECT_TRUE(list.EqualsDefault(1));
    doc_.SetSelection(2, nullptr);
    probe_->styleFailure = status::kFail;
    doc_.UpdateAllViews(nullptr, HintStyleChanged);
    EXPECT_EQ(Column(list, 1), (QStringList{"", "", "", ""}));
    probe_->styleFailure.reset();
    doc_.UpdateAllViews(nullptr, HintStyleChanged);
    doc_.UpdateAllViews(nullptr, HintPageRebuilt);
    EXPECT_EQ(Column(list, 1), (QStringList{"", "", "", ""}));

    // A double-click below the rows with none selected edits the first row; the context menu
    // edits the row under the pointer.
    doc_.UpdateAllViews(nullptr, HintSelectionChanged);
    list.resize(300, 300);
    list.show();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, 280));
    const QPoint third = list.visualItemRect(list.topLevelItem(2)).center();
    CNextWidgetDriver<QMenu> menu([] { return QApplication::activePopupWidget(); },
                                  [](QMenu& popup) {
                                      ASSERT_EQ(popup.actions().size(), 1);
                                      EXPECT_EQ(popup.actions()[0]->text(), "Edit Attribute");
                                      popup.setActiveAction(popup.actions().front());
                                      QTest::keyClick(&popup, Qt::Key_Return);
                                  });
    QTest::mousePress(list.viewport(), Qt::RightButton, {}, third);
    EXPECT_TRUE(menu.seen);
    EXPECT_EQ(ui_.attributeDialogs,
              (std::vector<std::vector<std::string>>{{"color", "rgb(0, 0, 0)", "rgb(0, 0, 0)"}, {"top", "", ""}}));
    QTest::mouseMove(list.viewport(), third + QPoint(0, 1));
    EXPECT_EQ(ui_.statusTexts.back(), (std::pair<std::string, bool>{CAttributeList::kPointerHint, false}));
}

TEST_F(StylePanesTest, NoCatalogShowsOneMessageAndLeavesAnEmptyPane) {
    ::setenv("MARKLENS_ATTRIBS", "/nonexistent/attribs.xml", 1);
    CAttributeList list(doc_);
    ::unsetenv("MARKLENS_ATTRIBS");
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "find attribs.xml");
    EXPECT_EQ(list.topLevelItemCount(), 0);
    Attach();
    doc_.SetSelection(2, nullptr);
    list.EditSelectedAttribute();
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_TRUE(probe_->catalogs.empty());
    EXPECT_TRUE(ui_.attributeDialogs.empty());
    EXPECT_EQ(ui_.messages.size(), 1u);
}

TEST_F(StylePanesTest, StyleListShowsTheAnswerAsItIsAlsoForADocument) {
    CStyleList list(doc_);
    QAbstractItemModelTester tester(list.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(list.windowTitle(), " Style Rules");
    EXPECT_EQ(list.headerItem()->text(3), "Style Rule");
    Attach();
    probe_->styleRulesText =
        "<style><rule selector='p' score='0,0,1' source='a.css' text='color: red;'/>"
        "<rule selector='#x' score='1,0,0' text='top: 0;'/></style>";
    doc_.SetSelection(1, nullptr);
    EXPECT_EQ(Column(list, 0), (QStringList{"p", "#x"}));
    EXPECT_EQ(Column(list, 1), (QStringList{"0,0,1", "1,0,0"}));  // the answer's order, not sorted
    EXPECT_EQ(Column(list, 2), (QStringList{"a.css", ""}));
    EXPECT_EQ(Column(list, 3), (QStringList{"color: red;", "top: 0;"}));
    probe_->styleRulesText = "<style><rule selector='p'";  // does not parse
    doc_.UpdateAllViews(nullptr, HintStyleChanged);
    EXPECT_EQ(list.topLevelItemCount(), 0);
    probe_->styleRulesText = "<style><rule selector='p'/></style>";
    doc_.UpdateAllViews(nullptr, HintStyleChanged);
    EXPECT_EQ(list.topLevelItemCount(), 1);
    probe_->styleFailure = status::kFail;
    doc_.UpdateAllViews(nullptr, HintStyleChanged);
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_TRUE(ui_.messages.empty());
}

}  // namespace
}  // namespace marklens::test

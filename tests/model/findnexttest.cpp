#include <gtest/gtest.h>

#include "model/document/commandids.h"
#include "model/document/documentmessages.h"
#include "model/document/pagewrightdoc.h"
#include "model/find/findsettings.h"
#include "tests/support/documentfakes.h"

namespace marklens::test {
namespace {

using Log = std::vector<std::string>;
using StatusTexts = std::vector<std::pair<std::string, bool>>;

constexpr const char* kMirror =
    "<doc node-id='1' text='doc - Find'><element node-id='2' text='&lt;HEAD&gt;'/>"
    "<element node-id='3' text='&lt;BODY&gt;'><element node-id='4' text='Item one'/>"
    "<element node-id='5' text='item two'/><element node-id='6' text='ITEM three'/></element></doc>";

class FindNextTest : public ::testing::Test {
protected:
    FindNextTest() {
        FindSettings() = {};
        AttachFakePage(doc_, kMirror);
        doc_.AddView(tree_);
    }
    ~FindNextTest() override { doc_.RemoveView(tree_); }

    std::vector<int> PressF3(int times) {
        std::vector<int> visited;
        for (int i = 0; i < times; ++i) {
            doc_.OnCommand(command::kFindNext);
            visited.push_back(doc_.GetSelection());
        }
        return visited;
    }

    CRecordingUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    Log log_;
    CLoggingView tree_{"tree", log_};
};

TEST_F(FindNextTest, RepeatedFindNextVisitsTheMatchesInOrderBothWays) {
    FindSettings().text = "item";
    doc_.SetSelection(1, nullptr);
    log_.clear();
    EXPECT_EQ(PressF3(4), (std::vector<int>{4, 5, 6, 4}));
    EXPECT_EQ(ui_.statusTexts, (StatusTexts{{message::kPassedEndOfTree, true}}));
    EXPECT_EQ(log_, Log(4, "tree:1"));
    FindSettings().searchUp = true;
    EXPECT_EQ(PressF3(3), (std::vector<int>{6, 5, 4}));
    EXPECT_EQ(ui_.statusTexts.size(), 2u);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(FindNextTest, NoMatchNamesTheTextAsComparedAndOnlyTheStartNodeIsFoundAfterATurn) {
    FindSettings().text = "ITEM Four";
    doc_.SetSelection(5, nullptr);
    log_.clear();
    doc_.OnCommand(command::kFindNext);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Could not find in HTML tree: item four");
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(doc_.GetSelection(), 5);
    EXPECT_TRUE(log_.empty());
    EXPECT_TRUE(ui_.statusTexts.empty());

    // With match case only the start node's "item two" matches: found once round the tree.
    FindSettings().text = "item";
    FindSettings().matchCase = true;
    doc_.OnCommand(command::kFindNext);
    EXPECT_EQ(doc_.GetSelection(), 5);
    EXPECT_EQ(log_, Log{"tree:1"});
    EXPECT_EQ(ui_.statusTexts, (StatusTexts{{message::kPassedEndOfTree, true}}));
}

TEST_F(FindNextTest, EmptyTextOpensTheDialogAndNoStartNodeDoesNothing) {
    doc_.SetSelection(1, nullptr);
    doc_.OnCommand(command::kFindNext);
    EXPECT_EQ(ui_.findDialogs, 1);
    FindSettings().text = "item";
    doc_.SetSelection(0, nullptr);
    log_.clear();
    doc_.OnCommand(command::kFindNext);
    EXPECT_TRUE(log_.empty());
    EXPECT_TRUE(ui_.messages.empty());
    // Find ending with OK searches from the selection.
    ui_.findDialogResult = true;
    doc_.SetSelection(1, nullptr);
    doc_.OnCommand(command::kFind);
    EXPECT_EQ(ui_.findDialogs, 2);
    EXPECT_EQ(doc_.GetSelection(), 4);
}

}  // namespace
}  // namespace marklens::test

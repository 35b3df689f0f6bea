#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <QAbstractItemModelTester>

#include <pugixml.hpp>

#include "panes/mirrortreemodel.h"

namespace marklens::test {
namespace {

class MirrorTreeModelTest : public ::testing::Test {
protected:
    void Load(const char* xml) {
        ASSERT_TRUE(xml_.load_string(xml, pugi::parse_default & ~pugi::parse_ws_pcdata));
        model_.Rebuild(std::make_shared<const CMirrorOutline>(xml_.document_element()));
    }
    QString Text(const QModelIndex& index) const { return index.data().toString(); }

    pugi::xml_document xml_;
    CMirrorTreeModel model_;
    // Checks the model's consistency on every change the tests make.
    QAbstractItemModelTester tester_{&model_, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(MirrorTreeModelTest, ItemsFollowTheMirrorNodeForNode) {
    Load("<doc node-id='1' text='doc - page'>"
         "<element node-id='2' text='&lt;HEAD&gt;'><element node-id='3' text='&lt;TITLE&gt;'/></element>"
         "<element node-id='4' text='&lt;BODY&gt;'>text to skip"
         "<element node-id='5' text='a'/><frame node-id='6' text='b'><doc node-id='7' text='doc - inner'/></frame>"
         "<element node-id='8' text='c'/></element></doc>");
    const QModelIndex root = model_.index(0, 0);
    EXPECT_EQ(model_.rowCount(), 1);
    EXPECT_EQ(model_.index(1, 0), QModelIndex());
    EXPECT_EQ(Text(root), "doc - page");
    ASSERT_EQ(model_.rowCount(root), 2);
    const QModelIndex body = model_.index(1, 0, root);
    EXPECT_EQ(Text(body), "<BODY>");
    // Text between elements is no item; the frame's document is.
    ASSERT_EQ(model_.rowCount(body), 3);
    const QModelIndex frame = model_.index(1, 0, body);
    EXPECT_EQ(CMirrorTreeModel::NodeId(frame), 6);
    EXPECT_EQ(CMirrorTreeModel::Kind(frame), schema::NodeKind::Frame);
    EXPECT_EQ(CMirrorTreeModel::Kind(model_.index(0, 0, frame)), schema::NodeKind::Doc);
    EXPECT_EQ(Text(model_.index(0, 0, frame)), "doc - inner");
    EXPECT_EQ(model_.parent(model_.index(0, 0, frame)), frame);
    EXPECT_EQ(model_.parent(frame), body);
    EXPECT_EQ(model_.parent(body), root);
    EXPECT_EQ(model_.parent(root), QModelIndex());
    EXPECT_EQ(model_.index(3, 0, body), QModelIndex());
    EXPECT_EQ(model_.index(0, 1, body), QModelIndex());
    EXPECT_FALSE(model_.hasChildren(model_.index(0, 0, body)));
    EXPECT_EQ(model_.ItemCount(), 8);
}

TEST_F(MirrorTreeModelTest, FindingAnIdentifierTakesTheFirstItemInPreOrder) {
    // 9 twice: deep in the first branch and shallow in the second. Breadth first would find
    // the shallow one.
    Load("<doc node-id='1' text='d'><element node-id='2' text='x'><element node-id='3' text='y'>"
         "<element node-id='9' text='deep'/></element></element><element node-id='9' text='shallow'/>"
         "<element node-id='-4' text='negative'/></doc>");
    EXPECT_EQ(Text(model_.FindNodeId(9)), "deep");
    EXPECT_EQ(Text(model_.FindNodeId(-4)), "negative");
    EXPECT_EQ(Text(model_.FindNodeId(1)), "d");
    EXPECT_FALSE(model_.FindNodeId(0).isValid());
    EXPECT_FALSE(model_.FindNodeId(10).isValid());
}

// On a large page only the first parents open, as far as the rows they bring stay in budget.
TEST_F(MirrorTreeModelTest, OnlyParentsOtherThanTheRootAndTheHeadElementOpenWhenInsertedWithinTheBudget) {
    Load(
        "<doc node-id='1' text='doc -'>"
        "<element node-id='2' text='&lt;HEAD&gt;'><element node-id='3' text='t'/></element>"
        "<element node-id='4' text='&lt;head lower'><element node-id='5' text='t'/></element>"
        "<element node-id='6' text='&lt;HEA'><element node-id='7' text='t'/></element>"
        "<element node-id='9' text='&lt;HEADER class=top&gt;'><element node-id='10' text='t'/></element>"
        "<element node-id='11' text='&lt;HEAD id=h&gt;'><element node-id='12' text='t'/></element>"
        "<element node-id='8' text='leaf'/></doc>");
    const auto opened = [&](int rows) {
        QStringList labels;
        for (const QModelIndex& index : model_.ItemsInsertedExpanded(rows))
            labels << Text(index);
        return labels;
    };
    EXPECT_EQ(opened(1000), (QStringList{"<head lower", "<HEA", "<HEADER class=top>"}));
    EXPECT_EQ(opened(9), (QStringList{"<head lower", "<HEA"}));  // the root and its 6 rows, then one each
}

TEST_F(MirrorTreeModelTest, LabelsKeepEveryCharacter) {
    Load("<doc node-id='1' text='&lt;P&gt; \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 &#160;'/>");
    EXPECT_EQ(Text(model_.index(0, 0)), QString::fromUtf8("<P> \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 \xC2\xA0"));
}

TEST_F(MirrorTreeModelTest, AWideNodeGivesEveryChildItsRow) {
    std::string xml = "<doc node-id='1' text='d'>";
    for (int i = 0; i < 5000; ++i) xml += "<element node-id='" + std::to_string(i + 2) + "' text='e'/>";
    Load((xml + "</doc>").c_str());
    const QModelIndex root = model_.index(0, 0);
    ASSERT_EQ(model_.rowCount(root), 5000);
    const QModelIndex last = model_.index(4999, 0, root);
    EXPECT_EQ(last.row(), 4999);
    EXPECT_EQ(CMirrorTreeModel::NodeId(last), 5001);
    EXPECT_EQ(model_.FindNodeId(5001), last);
}

}  // namespace
}  // namespace marklens::test

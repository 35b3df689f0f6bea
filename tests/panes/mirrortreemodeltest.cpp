#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QTreeView>

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

// Every row as "id:label(children)", in order.
QString Dump(const QAbstractItemModel& model, const QModelIndex& parent = {}) {
    QString text;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        text += QString::number(CMirrorTreeModel::NodeId(index)) + ':' + index.data().toString();
        if (model.rowCount(index) > 0) text += '(' + Dump(model, index) + ')';
        text += ' ';
    }
    return text;
}

// A later mirror of the same page takes over row by row: a view's opened rows, its caret and
// persistent indexes stay with their nodes through removals, insertions, moves, reorders and
// relabels, and the rows end as a fresh model of the later mirror has them.
TEST_F(MirrorTreeModelTest, ALaterMirrorTakesOverRowByRowAndTheViewKeepsItsState) {
    Load(
        "<doc node-id='1' text='d'><element node-id='2' text='body'>"
        "<element node-id='3' text='list'><element node-id='4' text='a'/><element node-id='5' text='b'/>"
        "<element node-id='6' text='c'/><element node-id='7' text='d'/></element>"
        "<element node-id='8' text='side'><element node-id='9' text='x'><element node-id='10' text='x1'/></element>"
        "</element><element node-id='11' text='foot'/></element></doc>");
    QTreeView view;
    view.setModel(&model_);
    const auto indexOf = [&](int id) { return model_.FindNodeId(id); };
    for (const int id : {1, 2, 3, 8, 9})
        view.expand(indexOf(id));
    view.setCurrentIndex(indexOf(6));
    const QPersistentModelIndex kept(indexOf(6));
    const QPersistentModelIndex moved(indexOf(9));
    const char* const steps[] = {
        // 5 removed, 12 inserted, 4 moves to the end, 9 moves under 11, 11 is relabelled
        "<doc node-id='1' text='d'><element node-id='2' text='body'>"
        "<element node-id='3' text='list'><element node-id='6' text='c'/><element node-id='12' text='new'/>"
        "<element node-id='7' text='d'/><element node-id='4' text='a'/></element>"
        "<element node-id='8' text='side'/><element node-id='11' text='foot!'>"
        "<element node-id='9' text='x'><element node-id='10' text='x1'/></element></element></element></doc>",
        // everything under the body goes but one, new nodes around it
        "<doc node-id='1' text='d'><element node-id='2' text='body'><element node-id='13' text='n'/>"
        "<element node-id='3' text='list'><element node-id='6' text='c'/></element>"
        "<element node-id='14' text='m'><element node-id='15' text='k'/></element></element></doc>",
        // the same tree, one label changed
        "<doc node-id='1' text='d'><element node-id='2' text='body'><element node-id='13' text='n'/>"
        "<element node-id='3' text='list'><element node-id='6' text='c!'/></element>"
        "<element node-id='14' text='m'><element node-id='15' text='k'/></element></element></doc>",
    };
    std::vector<std::vector<int>> touched;
    for (const char* step : steps) {
        pugi::xml_document next;
        ASSERT_TRUE(next.load_string(step));
        touched.push_back(model_.Follow(std::make_shared<const CMirrorOutline>(next.document_element())));
        CMirrorTreeModel fresh;
        fresh.Rebuild(std::make_shared<const CMirrorOutline>(next.document_element()));
        EXPECT_EQ(Dump(model_), Dump(fresh));
        EXPECT_TRUE(view.isExpanded(indexOf(3))) << step;
        EXPECT_EQ(view.currentIndex(), indexOf(6));
        EXPECT_EQ(CMirrorTreeModel::NodeId(kept), 6);
        xml_.reset(next);
    }
    EXPECT_EQ((std::set<int>(touched[0].begin(), touched[0].end())), (std::set<int>{4, 9, 11, 12}));
    EXPECT_EQ(touched[2], std::vector<int>{6});
    EXPECT_FALSE(moved.isValid()) << "a moved row comes back as a new row";
    // Another page's tree, or one whose identifiers repeat, is rebuilt.
    pugi::xml_document other;
    ASSERT_TRUE(other.load_string("<doc node-id='20' text='e'><element node-id='21' text='a'/></doc>"));
    EXPECT_TRUE(model_.Follow(std::make_shared<const CMirrorOutline>(other.document_element())).empty());
    EXPECT_EQ(Dump(model_), "20:e(21:a ) ");
}

}  // namespace
}  // namespace marklens::test

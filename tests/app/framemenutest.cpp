#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/frameui.h"
#include "app/mainframe.h"
#include "app/marklensapp.h"
#include "app/panesplitter.h"
#include "app/splitkeyboardmode.h"
#include "model/document/commandids.h"
#include "model/document/pagewrightdoc.h"
#include "panes/attributelist.h"
#include "panes/captureview.h"
#include "panes/probetreeview.h"
#include "panes/stylelist.h"
#include "tests/support/documentfakes.h"
#include "widgets/panechrome.h"

namespace marklens::test {
namespace {

using Entries = std::vector<std::pair<QString, QString>>;  // text, shortcut

Entries MenuEntries(const QMenu& menu) {
    Entries entries;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) entries.emplace_back("-", "");
        else entries.emplace_back(action->text(), action->shortcut().toString(QKeySequence::PortableText));
    }
    return entries;
}

class FrameMenuTest : public ::testing::Test {
protected:
    FrameMenuTest() {
        ui_.SetFrame(&frame_);
        ui_.HandOvers().connectDialog = [this] { ++connectDialogs_; };
        ui_.HandOvers().findDialog = [this] {
            ++findDialogs_;
            return false;
        };
        frame_.show();
        frame_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame_));
    }

    QMenu* Menu(int index) const { return frame_.menuBar()->actions().at(index)->menu(); }

    int connectDialogs_ = 0;
    int findDialogs_ = 0;
    CFrameUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    CMainFrame frame_{doc_};
};

TEST_F(FrameMenuTest, MenuBarHoldsTheCommandTable) {
    QStringList titles;
    for (const QAction* action : frame_.menuBar()->actions()) titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Help"}));
    EXPECT_EQ(MenuEntries(*Menu(0)), (Entries{{"&Connect to Browser", ""},
                                              {"&Open Page in New Browser...", ""},
                                              {"Refresh\tF5", "F5"},
                                              {"Save Picture &As...", ""},
                                              {"-", ""},
                                              {"E&xit", ""}}));
    EXPECT_EQ(MenuEntries(*Menu(1)), (Entries{{"&Undo\tCtrl+Z", "Ctrl+Z"},
                                              {"&Redo\tCtrl+Y", "Ctrl+Y"},
                                              {"-", ""},
                                              {"&Copy\tCtrl+C", "Ctrl+C"},
                                              {"-", ""},
                                              {"&Find in HTML\tCtrl+F", "Ctrl+F"},
                                              {"Find &Next\tF3", "F3"},
                                              {"-", ""},
                                              {"Edit &HTML", ""},
                                              {"Edit Style &Attribute", ""}}));
    EXPECT_EQ(MenuEntries(*Menu(2)),
              (Entries{{"&Status Bar", ""}, {"S&plit", ""}, {"-", ""}, {"&Follow Page Changes", ""}}));
    // Following is on from the start; the entry's check mark turns it off and on.
    QAction* follow = frame_.Action(command::kFollowPageChanges);
    EXPECT_TRUE(follow->isChecked() && doc_.IsFollowing());
    follow->trigger();
    EXPECT_FALSE(follow->isChecked() || doc_.IsFollowing());
    follow->trigger();
    EXPECT_TRUE(follow->isChecked() && doc_.IsFollowing());
    EXPECT_EQ(MenuEntries(*Menu(3)), (Entries{{"&About Marklens...", ""}}));
    // With nothing attached there is nothing to copy, save or take back.
    const QStringList idle{"Save Picture &As...", "&Undo\tCtrl+Z", "&Redo\tCtrl+Y", "&Copy\tCtrl+C"};
    for (const QAction* action : frame_.findChildren<QAction*>()) {
        if (action->text().isEmpty()) continue;  // a key of its own
        EXPECT_EQ(action->isEnabled(), !idle.contains(action->text())) << action->text().toStdString();
    }
}

TEST_F(FrameMenuTest, AcceleratorsReachTheirCommands) {
    QSignalSpy routed(&frame_, &CMainFrame::commandRouted);
    QTest::keyClick(&frame_, Qt::Key_F5);  // Refresh with nothing attached: the Connect dialog
    EXPECT_EQ(connectDialogs_, 1);
    QTest::keyClick(&frame_, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(findDialogs_, 1);
    QTest::keyClick(&frame_, Qt::Key_F3);
    frame_.Panes().tree->setFocus();  // an empty tree: nothing to copy, so these keys do nothing
    QTest::keyClick(&frame_, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&frame_, Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(&frame_, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&frame_, Qt::Key_Y, Qt::ControlModifier);
    ASSERT_EQ(routed.size(), 3);
    const std::vector<std::pair<int, bool>> expected{
        {command::kRefresh, true}, {command::kFind, true}, {command::kFindNext, true}};
    for (int i = 0; i < routed.size(); ++i) {
        EXPECT_EQ(routed[i][0].toInt(), expected[i].first) << i;
        EXPECT_EQ(routed[i][1].toBool(), expected[i].second) << i;
    }
}

// Ctrl+C copies what the focused pane shows as selected: the tree's row, the style rows as
// tab-separated text (an empty field kept), the picture; Save Picture writes that picture.
TEST_F(FrameMenuTest, CopyTakesTheFocusedPanesSelectionAndSavePictureWritesThePng) {
    const std::shared_ptr<CFakeProbe> probe = AttachFakePage(
        doc_,
        "<doc node-id='1' text='doc - Shop: a/b'><element node-id='2' text='&lt;DIV id=\"x\"&gt;' left='0' "
        "top='0' width='2' height='1' display='block' visibility='visible'/></doc>");
    probe->styleRulesText =
        "<style><rule selector='' score='1,0,0,0' source='inline' text='color: red;'/>"
        "<rule selector='#x' score='0,1,0,0' source='a.css' text='top: 0;'/></style>";
    QClipboard& clipboard = *QApplication::clipboard();
    QApplication::processEvents();  // the answers come through the window's event loop
    doc_.SetSelection(2, nullptr);
    QApplication::processEvents();
    const CMainFrame::CPanes& panes = frame_.Panes();
    panes.tree->setFocus();
    QTest::keyClick(&frame_, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard.text(), "<DIV id=\"x\">");

    auto* rules = qobject_cast<QTreeWidget*>(panes.styles);
    ASSERT_EQ(rules->topLevelItemCount(), 2);
    rules->setFocus();
    EXPECT_FALSE(frame_.Action(command::kCopy)->isEnabled());  // no row selected
    rules->selectAll();
    QTest::keyClick(&frame_, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(clipboard.text(), "\t1,0,0,0\tinline\tcolor: red;\n#x\t0,1,0,0\ta.css\ttop: 0;");

    panes.capture->setFocus();
    QTest::keyClick(&frame_, Qt::Key_C, Qt::ControlModifier);
    const QImage picture = panes.capture->PictureImage();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(clipboard.image().convertToFormat(QImage::Format_RGB32), picture);

    QTemporaryDir folder;
    QString proposed;
    frame_.SetSavePathAsker([&](const QString& name) {
        proposed = name;
        return folder.filePath(name);
    });
    frame_.Action(command::kSavePictureAs)->trigger();
    EXPECT_EQ(proposed, "Shop a b.png");  // what a file name cannot hold is left out
    EXPECT_EQ(QImage(folder.filePath(proposed)).convertToFormat(QImage::Format_RGB32), picture);
}

TEST_F(FrameMenuTest, StatusBarEntryShowsHidesAndChecks) {
    QAction* entry = frame_.Action(command::kStatusBar);
    ASSERT_TRUE(entry->isCheckable());
    EXPECT_TRUE(entry->isChecked());
    EXPECT_TRUE(frame_.statusBar()->isVisible());
    entry->trigger();
    EXPECT_FALSE(frame_.statusBar()->isVisible());
    EXPECT_FALSE(entry->isChecked());
    entry->trigger();
    EXPECT_TRUE(frame_.statusBar()->isVisible());
    EXPECT_TRUE(entry->isChecked());
}

TEST_F(FrameMenuTest, SplitMovesTheBarsAroundTheFocusedPane) {
    CPaneSplitter& outer = *frame_.OuterSplitter();
    frame_.Panes().capture->setFocus();
    const QList<int> columns = outer.ColumnWidths();
    const QList<int> rows = outer.RowHeights();
    frame_.Action(command::kSplit)->trigger();
    QTest::keyClick(frame_.Panes().capture, Qt::Key_Right);
    QTest::keyClick(frame_.Panes().capture, Qt::Key_Up);
    QTest::keyClick(frame_.Panes().capture, Qt::Key_Return);
    EXPECT_EQ(outer.ColumnWidths()[0], columns[0] + CSplitKeyboardMode::kStep);
    EXPECT_EQ(outer.RowSplitter(0)->sizes(), outer.RowSplitter(1)->sizes());  // one column bar for both rows
    EXPECT_EQ(outer.RowHeights()[0], rows[0] - CSplitKeyboardMode::kStep);
    EXPECT_FALSE(frame_.SplitMode()->IsActive());
}

TEST_F(FrameMenuTest, ExitClosesTheFrame) {
    frame_.Action(command::kExit)->trigger();
    EXPECT_FALSE(frame_.isVisible());
}

TEST(ApplicationStart, CreatesOneDocumentAndOneFrameWithNothingAttached) {
    CMarklensApp app;
    ASSERT_TRUE(app.InitInstance(nullptr));
    EXPECT_FALSE(app.InitInstance(nullptr));
    ASSERT_NE(app.Document(), nullptr);
    ASSERT_NE(app.Frame(), nullptr);
    EXPECT_TRUE(app.Frame()->isVisible());
    EXPECT_EQ(CPagewrightDoc::Instance(), app.Document());
    EXPECT_FALSE(app.Document()->IsAttached());
    EXPECT_EQ(app.Document()->Mirror(), nullptr);
    // The views in the layout's order: attribute list, capture, zoom, tree, style rules.
    const std::vector<IView*>& views = app.Document()->Views();
    ASSERT_EQ(views.size(), 5u);
    const CMainFrame::CPanes& panes = app.Frame()->Panes();
    EXPECT_EQ(views[0], dynamic_cast<IView*>(panes.attributes));
    EXPECT_NE(dynamic_cast<CAttributeList*>(views[0]), nullptr);
    EXPECT_EQ(views[3], static_cast<IView*>(panes.tree));
    EXPECT_NE(dynamic_cast<CStyleList*>(views[4]), nullptr);
    EXPECT_EQ(views[4], dynamic_cast<IView*>(panes.styles));
    EXPECT_EQ(app.Document()->AttributePane(), dynamic_cast<CAttributeList*>(views[0]));
}

}  // namespace
}  // namespace marklens::test

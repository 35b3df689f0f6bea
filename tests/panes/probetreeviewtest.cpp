#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "model/document/pagewrightdoc.h"
#include "model/errors/statuscodes.h"
#include "panes/mirrortreemodel.h"
#include "panes/probetreeview.h"
#include "panes/treeitemdelegate.h"
#include "tests/support/documentfakes.h"
#include "tests/support/modaldriver.h"

namespace marklens::test {
namespace {

// doc(1) > HEAD(2) > TITLE(3); BODY(4) > P(100..199), the last of which holds a DIV(500)
// > frame(501) > doc(502) > SPAN(503).
std::string TestMirror(int base = 0) {
    auto id = [base](int n) { return std::to_string(n + base); };
    std::string xml = "<doc node-id='" + id(1) + "' text='doc - page'><element node-id='" + id(2) +
                      "' text='&lt;HEAD&gt;' display='block'><element node-id='" + id(3) +
                      "' text='&lt;TITLE&gt;' display='none'/></element><element node-id='" + id(4) +
                      "' text='&lt;BODY&gt;' display='block'>";
    for (int p = 100; p < 199; ++p) xml += "<element node-id='" + id(p) + "' text='&lt;P&gt; " + id(p) + "' display='block'/>";
    xml += "<element node-id='" + id(199) + "' text='&lt;P&gt; last' display='block'><element node-id='" + id(500) +
           "' text='&lt;DIV&gt;' display='block'><frame node-id='" + id(501) + "' text='&lt;IFRAME&gt;' display='block'>"
           "<doc node-id='" + id(502) + "' text='doc - inner'><element node-id='" + id(503) +
           "' text='&lt;SPAN&gt; deep' display='inline'/></doc></frame></element></element>";
    return xml + "</element></doc>";
}

// Within a few steps per channel: the style may shade a selection slightly.
bool Near(const QColor& a, const QColor& b) {
    return a.isValid() && std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

// Counts the context menu events that reach it, to prove the tree keeps them.
class CMenuCountingParent : public QWidget {
public:
    int menuEvents = 0;

protected:
    void contextMenuEvent(QContextMenuEvent*) override { ++menuEvents; }
};

// Acts on the next pop-up menu once it is open; records its entries.
class CPopupDriver {
public:
    explicit CPopupDriver(std::function<void(QMenu&)> action)
        : driver_([] { return QApplication::activePopupWidget(); },
                  [this, action = std::move(action)](QMenu& menu) {
                      for (const QAction* entry : menu.actions()) entries << entry->text();
                      action(menu);
                  }) {}
    QStringList entries;

private:
    CNextWidgetDriver<QMenu> driver_;
};

class ProbeTreeViewTest : public ::testing::Test {
protected:
    ProbeTreeViewTest() {
        page_ = std::make_shared<CFakePage>();
        probe_ = std::make_shared<CFakeProbe>();
        probe_->mirrorText = TestMirror();
        before_.onUpdate = [this](IView* sender, UpdateHint) { senders_.push_back(sender); };
        doc_.AddView(before_);
        tree_ = new CProbeTreeView(doc_, &parent_);
        doc_.AddView(after_);
        tree_->setGeometry(0, 0, 300, 200);
        parent_.resize(300, 200);
        parent_.show();
        parent_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&parent_));
    }

    void Attach() {
        page_->probe = probe_;
        doc_.AttachPage(page_, "page", [](const CWorkOutcome&) {});
        log_.clear();
    }
    const CMirrorTreeModel& Model() const { return tree_->TreeModel(); }
    QModelIndex Item(int nodeId) const { return Model().FindNodeId(nodeId); }
    int CurrentId() const { return CMirrorTreeModel::NodeId(tree_->currentIndex()); }
    QPoint Center(int nodeId) const { return tree_->visualRect(Item(nodeId)).center(); }
    bool Shown(int nodeId) const { return tree_->viewport()->rect().intersects(tree_->visualRect(Item(nodeId))); }
    QColor Background(int nodeId) const {
        // Painting lays out what is pending, so the picture comes before the item's place.
        const QImage picture = tree_->viewport()->grab().toImage();
        const QRect rect = tree_->visualRect(Item(nodeId)).intersected(tree_->viewport()->rect());
        EXPECT_FALSE(rect.isEmpty()) << nodeId;
        return picture.pixelColor(rect.right() - 3, rect.center().y());
    }

    CRecordingUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    std::vector<std::string> log_;
    std::vector<IView*> senders_;
    CLoggingView before_{"before", log_};
    CMenuCountingParent parent_;
    CProbeTreeView* tree_ = nullptr;
    CLoggingView after_{"after", log_};
    std::shared_ptr<CFakePage> page_;
    std::shared_ptr<CFakeProbe> probe_;
};

TEST_F(ProbeTreeViewTest, ShowsNotConnectedUntilAMirrorArrives) {
    ASSERT_EQ(Model().ItemCount(), 1);
    EXPECT_EQ(Model().RootIndex().data().toString(), "<not connected>");
    EXPECT_EQ(tree_->windowTitle(), " HTML DOM Tree");
    doc_.UpdateAllViews(nullptr, HintPageRebuilt);  // no mirror yet
    EXPECT_EQ(Model().RootIndex().data().toString(), "<not connected>");
    Attach();
    EXPECT_EQ(Model().RootIndex().data().toString(), "doc - page");
    EXPECT_EQ(Model().ItemCount(), 3 + 100 + 5);
}

TEST_F(ProbeTreeViewTest, HeadStartsFoldedAndTheRootOpensAfterTheUpdateReturns) {
    Attach();
    const QModelIndex root = Model().RootIndex();
    EXPECT_FALSE(tree_->isExpanded(root));
    EXPECT_FALSE(tree_->isExpanded(Item(2)));
    EXPECT_TRUE(tree_->isExpanded(Item(4)));
    EXPECT_TRUE(tree_->isExpanded(Item(501)));
    QApplication::processEvents();
    EXPECT_TRUE(tree_->isExpanded(root));
    EXPECT_FALSE(tree_->isExpanded(Item(2)));
    EXPECT_TRUE(Shown(4));
    EXPECT_FALSE(tree_->visualRect(Item(3)).isValid());
}

TEST_F(ProbeTreeViewTest, SelectionFromAnotherPaneIsRevealedFocusedAndEchoedToTheOthers) {
    Attach();
    QApplication::processEvents();
    QWidget other(&parent_);
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.setFocus();
    ASSERT_FALSE(tree_->hasFocus());
    ASSERT_FALSE(Shown(503));
    senders_.clear();
    doc_.SetSelection(503, nullptr);
    EXPECT_EQ(CurrentId(), 503);
    EXPECT_TRUE(Shown(503));
    EXPECT_TRUE(tree_->hasFocus());
    // The tree's own selecting step tells the other panes once more, inside the first broadcast.
    EXPECT_EQ(log_, (std::vector<std::string>{"before:1", "before:1", "after:1", "after:1"}));
    EXPECT_EQ(senders_, (std::vector<IView*>{nullptr, tree_}));
    EXPECT_EQ(doc_.GetSelection(), 503);
    // The same selection again moves nothing in the tree, so nothing is echoed.
    log_.clear();
    doc_.SetSelection(503, nullptr);
    EXPECT_EQ(log_, (std::vector<std::string>{"before:1", "after:1"}));
}

TEST_F(ProbeTreeViewTest, AnIdentifierWithoutItemLeavesTheTreeAsItWas) {
    Attach();
    doc_.SetSelection(150, nullptr);
    doc_.SetSelection(9999, nullptr);
    EXPECT_EQ(CurrentId(), 150);
    EXPECT_EQ(doc_.GetSelection(), 9999);
    doc_.UpdateAllViews(nullptr, HintStyleChanged);
    EXPECT_EQ(CurrentId(), 150);
    doc_.UpdateAllViews(nullptr, static_cast<UpdateHint>(7));  // unknown hints are ignored
    EXPECT_EQ(CurrentId(), 150);
}

TEST_F(ProbeTreeViewTest, ClickingAnItemSelectsItInTheDocumentWithTheTreeAsSender) {
    Attach();
    QApplication::processEvents();
    senders_.clear();
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, Center(4));
    EXPECT_EQ(doc_.GetSelection(), 4);
    EXPECT_EQ(senders_, (std::vector<IView*>{tree_}));
    QTest::keyClick(tree_, Qt::Key_Down);
    EXPECT_EQ(doc_.GetSelection(), 100);
}

TEST_F(ProbeTreeViewTest, RebuildSelectsTheElementThatRefreshCarriedOver) {
    Attach();
    doc_.SetSelection(503, nullptr);
    probe_->mirrorText = TestMirror(1000);
    log_.clear();
    doc_.Refresh();
    EXPECT_EQ(doc_.GetSelection(), 1503);
    EXPECT_EQ(CurrentId(), 1503);
    EXPECT_EQ(log_, (std::vector<std::string>{"before:0", "before:1", "after:1", "after:0"}));
}

TEST_F(ProbeTreeViewTest, ARefreshThatFailsAfterReplacingTheMirrorLeavesAPaintableTree) {
    Attach();
    QApplication::processEvents();
    probe_->mirrorText = "<doc node-id='1' text='other'/>";
    page_->captureFailure = status::kFail;
    doc_.Refresh();  // the mirror is new, but no pane is told
    ASSERT_EQ(ui_.messages.size(), 1u);
    tree_->viewport()->repaint();
    EXPECT_EQ(Model().RootIndex().data().toString(), "doc - page");
    EXPECT_EQ(Item(150).data().toString(), "<P> 150");
    probe_->mirrorText = "<unclosed";
    page_->captureFailure.reset();
    doc_.Refresh();  // fails loading: the mirror is empty now
    tree_->viewport()->repaint();
    doc_.UpdateAllViews(nullptr, HintPageRebuilt);
    EXPECT_EQ(Model().ItemCount(), 3 + 100 + 5);
}

TEST_F(ProbeTreeViewTest, DoubleClickEditsHtmlWithoutFolding) {
    Attach();
    QApplication::processEvents();
    // A double-click arrives as press, release, double-click, release.
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, Center(4));
    QTest::mouseDClick(tree_->viewport(), Qt::LeftButton, {}, Center(4));
    EXPECT_EQ(ui_.htmlEdits, 1);
    EXPECT_TRUE(tree_->isExpanded(Item(4)));
    EXPECT_EQ(doc_.GetSelection(), 4);
    QTest::mouseDClick(tree_->viewport(), Qt::RightButton, {}, Center(4));
    EXPECT_EQ(ui_.htmlEdits, 1);
}

TEST_F(ProbeTreeViewTest, RightClickOnAnItemSelectsItThenOffersEditHtml) {
    Attach();
    QApplication::processEvents();
    int selectionWhenShown = -1;
    CPopupDriver driver([&](QMenu& menu) {
        selectionWhenShown = doc_.GetSelection();
        menu.setActiveAction(menu.actions().front());
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    QTest::mouseClick(tree_->viewport(), Qt::RightButton, {}, Center(100));
    EXPECT_EQ(driver.entries, (QStringList{"Edit HTML", "", "Copy Selector", "Copy Outer HTML"}));
    EXPECT_EQ(selectionWhenShown, 100);
    EXPECT_EQ(ui_.htmlEdits, 1);
}

TEST_F(ProbeTreeViewTest, RightClickOnEmptySpaceOrTheMenuKeyShowNothing) {
    probe_->mirrorText = "<doc node-id='1' text='doc - page'><element node-id='2' text='x' display='block'/></doc>";
    Attach();
    QApplication::processEvents();
    doc_.SetSelection(2, nullptr);
    CPopupDriver driver([](QMenu& menu) { menu.close(); });
    QTest::mouseClick(tree_->viewport(), Qt::RightButton, {}, QPoint(150, 190));
    const QPoint inside = Center(2);
    QContextMenuEvent key(QContextMenuEvent::Keyboard, inside, tree_->mapToGlobal(inside));
    QApplication::sendEvent(tree_, &key);
    QContextMenuEvent mouse(QContextMenuEvent::Mouse, inside, tree_->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(tree_->viewport(), &mouse);
    QTest::qWait(30);
    EXPECT_TRUE(driver.entries.isEmpty());
    EXPECT_EQ(parent_.menuEvents, 0);
    EXPECT_EQ(doc_.GetSelection(), 2);
    EXPECT_EQ(ui_.htmlEdits, 0);
}

TEST_F(ProbeTreeViewTest, PointerMovementHintsWithoutHold) {
    QTest::mouseMove(tree_->viewport(), QPoint(20, 20));
    QTest::mouseMove(tree_->viewport(), QPoint(30, 25));
    ASSERT_FALSE(ui_.statusTexts.empty());
    EXPECT_EQ(ui_.statusTexts.back(), (std::pair<std::string, bool>{"Click to select. Double-click to edit element HTML", false}));
}

TEST_F(ProbeTreeViewTest, DocumentSelectionIsHighlightedEvenWithoutFocusAndDocumentsAreLavender) {
    Attach();
    QApplication::processEvents();
    doc_.SetSelection(4, nullptr);
    QWidget other(&parent_);
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.setFocus();
    ASSERT_FALSE(tree_->hasFocus());
    const QColor highlight = tree_->palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_TRUE(Near(Background(4), highlight));
    EXPECT_TRUE(Near(Background(1), CTreeItemDelegate::kDocumentBackground));
    EXPECT_FALSE(Near(Background(100), highlight));
    EXPECT_FALSE(Near(Background(100), CTreeItemDelegate::kDocumentBackground));
    // The document's selection, not the tree's caret, is what is lit.
    doc_.SetSelection(1, nullptr);
    EXPECT_TRUE(Near(Background(1), highlight));
    EXPECT_FALSE(Near(Background(4), highlight));
}

}  // namespace
}  // namespace marklens::test

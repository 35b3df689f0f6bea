#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "model/document/pagewrightdoc.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/pagemirror.h"
#include "panes/captureview.h"
#include "panes/mirrortreemodel.h"
#include "panes/probetreeview.h"
#include "tests/support/browserfixture.h"
#include "tests/support/documentfakes.h"

namespace marklens::testing {
namespace {

// Every row's label, in order, as the tree shows it.
std::string Rows(const QAbstractItemModel& model, const QModelIndex& parent = {}) {
    std::string text;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        text += index.data().toString().toStdString() + "(" + Rows(model, index) + ")";
    }
    return text;
}

class Follow : public CBrowserSuite {
protected:
    void SetUp() override {
        ui_.postTo = [](std::function<void()> task) {
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task), Qt::QueuedConnection);
        };
        ui_.postAfter = [](int milliseconds, std::function<void()> task) {
            QTimer::singleShot(milliseconds, QCoreApplication::instance(), std::move(task));
        };
    }
    int IdOf(const std::string& label) const { return IntAttribute(NodeWithLabel(*doc_.Mirror(), label), "node-id"); }
    // Waits until the mirror has what the test looks for.
    bool WaitFor(const std::function<bool()>& seen) {
        for (int wait = 0; wait < 100 && !seen(); ++wait)
            QTest::qWait(100);
        return seen();
    }

    test::CRecordingUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    CProbeTreeView tree_{doc_};
    CCaptureView capture_{doc_};
};

// The page changes by itself in every way at once: nodes come and go, a class and a text
// change, a shadow tree grows, a box scrolls and another moves in a transition. The views
// follow without a reset: the opened rows and the selection stay, and the mirror, the tree and
// the picture are those of a fresh walk and capture of the page as it is then.
TEST_F(Follow, TheViewsKeepUpWithThePageAndKeepTheirState) {
    doc_.AttachPage(OpenPage("follow.html"), "follow", [](const CWorkOutcome&) {});
    ASSERT_TRUE(WaitFor([&] { return doc_.Mirror() != nullptr; }));
    const int two = IdOf("id=\"b\"");
    const QModelIndex list = tree_.TreeModel().FindNodeId(IdOf("id=\"list\""));
    tree_.collapse(list);
    tree_.expand(list);
    doc_.SetSelection(two, nullptr);
    // An edit before the page changes stays for Undo: following never resets the DOM history.
    bool styled = false;
    doc_.SetSelection(IdOf("id=\"scroller\""), nullptr);
    doc_.SetStyleAttribute("color", "red", [&](const CWorkOutcome& outcome) { styled = outcome.IsDone(); });
    ASSERT_TRUE(WaitFor([&] { return styled; }));
    doc_.SetSelection(two, nullptr);
    int resets = 0;
    QObject::connect(&tree_.TreeModel(), &QAbstractItemModel::modelReset, [&] { ++resets; });

    Chrome().Evaluate(lastTarget_,
                      "(() => { const list = document.getElementById('list');"
                      "list.firstElementChild.remove();"
                      "const d = document.createElement('li'); d.id = 'd'; d.textContent = 'four'; list.append(d);"
                      "document.getElementById('c').className = 'hot';"
                      "document.getElementById('b').firstChild.data = 'TWO';"
                      "const deep = document.createElement('span'); deep.id = 'deep'; deep.textContent = 'deep';"
                      "document.getElementById('card').shadowRoot.append(deep);"
                      "document.getElementById('scroller').scrollTop = 60;"
                      "document.getElementById('mover').style.left = '420px'; return 1; })()");
    ASSERT_TRUE(WaitFor([&] {
        return NodeWithLabel(*doc_.Mirror(), "id=\"deep\"") && NodeWithLabel(*doc_.Mirror(), "class=\"hot\"") &&
               !NodeWithLabel(*doc_.Mirror(), "id=\"a\"");
    })) << Rows(tree_.TreeModel());
    QTest::qWait(1500);  // the transition ends and its last frame is followed

    EXPECT_EQ(resets, 0);
    EXPECT_EQ(doc_.GetSelection(), two);
    EXPECT_EQ(CMirrorTreeModel::NodeId(tree_.currentIndex()), two);
    const QModelIndex listNow = tree_.TreeModel().FindNodeId(IdOf("id=\"list\""));
    EXPECT_TRUE(tree_.isExpanded(listNow));
    EXPECT_EQ(tree_.TreeModel().rowCount(listNow), 3);

    ASSERT_FALSE(doc_.Edits().undo.empty());
    doc_.OnUndo();
    EXPECT_TRUE(WaitFor(
        [&] { return Chrome().Evaluate(lastTarget_, "document.getElementById('scroller').style.color") == "\"\""; }));
    QTest::qWait(500);

    // A fresh walk and picture, through a session of their own.
    CChromiumTab tab(*CDevToolsEndpoint::Parse(Chrome().Endpoint()), lastTarget_, "", Options());
    const LivePageHandle page = tab.Document();
    const PageProbeHandle probe = page->CreateProbe();
    const auto fresh = CBrowserSuite::Mirror(*probe, *page);
    CMirrorTreeModel freshTree;
    freshTree.Rebuild(fresh->Outline());
    EXPECT_EQ(Rows(tree_.TreeModel()), Rows(freshTree));
    int points = 0;
    int agreed = 0;
    for (int y = 0; y < 300; y += 10) {
        for (int x = 0; x < 600; x += 10) {
            CBox ours;
            CBox theirs;
            const pugi::xml_node hit = doc_.FindNodeById(doc_.HitTest(x, y, &ours));
            const pugi::xml_node expected = fresh->FindNodeById(fresh->HitTest(x, y, &theirs));
            ++points;
            agreed += StringAttribute(hit, "text") == StringAttribute(expected, "text") && ours == theirs ? 1 : 0;
        }
    }
    EXPECT_EQ(agreed, points);
    const CPicture picture = page->CapturePictureInPlace();
    ASSERT_TRUE(doc_.Picture());
    EXPECT_EQ(doc_.Picture()->width, picture.width);
    EXPECT_TRUE(doc_.Picture()->pixels == picture.pixels) << "the picture is of the page as it is now";

    // A new document in the tab is attached by itself, the selection kept by its place.
    Chrome().Evaluate(lastTarget_, "location.reload(), 1");
    ASSERT_TRUE(WaitFor([&] { return NodeWithLabel(*doc_.Mirror(), "id=\"a\"") != nullptr; }));
    EXPECT_NE(doc_.GetSelection(), 0);
    EXPECT_EQ(CMirrorTreeModel::NodeId(tree_.currentIndex()), doc_.GetSelection());
}

// Nodes inside frames of other origins, walked by probes of their own, keep their identifiers
// through a change of the page around them.
TEST_F(Follow, NodesInFramesOfOtherOriginsKeepTheirIdentifiers) {
    doc_.AttachPage(OpenPage("crossorigin.html?other=" + std::to_string(Pages().Port(1))), "frames",
                    [](const CWorkOutcome&) {});
    ASSERT_TRUE(WaitFor([&] { return doc_.Mirror() && NodeWithLabel(*doc_.Mirror(), "id=\"c-804000\""); }));
    const int inner = IdOf("id=\"c-804000\"");
    Chrome().Evaluate(lastTarget_, "document.getElementById('before').className = 'moved', 1");
    ASSERT_TRUE(WaitFor([&] { return NodeWithLabel(*doc_.Mirror(), "class=\"moved\"") != nullptr; }));
    EXPECT_EQ(IdOf("id=\"c-804000\""), inner);
}

}  // namespace
}  // namespace marklens::testing

#include <gtest/gtest.h>

#include "model/document/document.h"
#include "tests/support/documentfakes.h"

namespace marklens::test {
namespace {

using Log = std::vector<std::string>;

TEST(DocumentBroadcast, ReachesViewsInCreationOrderAndSkipsTheSender) {
    Log log;
    CDocument doc;
    CLoggingView a("a", log), b("b", log), c("c", log);
    doc.AddView(a);
    doc.AddView(b);
    doc.AddView(c);
    doc.AddView(a);  // adding twice keeps one place
    doc.UpdateAllViews(&b, HintStyleChanged);
    doc.UpdateAllViews(nullptr, HintPageRebuilt);
    EXPECT_EQ(log, (Log{"a:2", "c:2", "a:0", "b:0", "c:0"}));
}

TEST(DocumentBroadcast, NestedBroadcastRunsToCompletionInsideTheOuterOne) {
    Log log;
    CDocument doc;
    CLoggingView a("a", log), tree("tree", log), c("c", log);
    doc.AddView(a);
    doc.AddView(tree);
    doc.AddView(c);
    tree.onUpdate = [&](IView*, UpdateHint hint) {
        if (hint == HintPageRebuilt) doc.UpdateAllViews(&tree, HintSelectionChanged);
    };
    doc.UpdateAllViews(nullptr, HintPageRebuilt);
    EXPECT_EQ(log, (Log{"a:0", "tree:0", "a:1", "c:1", "c:0"}));
}

TEST(DocumentBroadcast, ViewRemovedDuringBroadcastIsNotCalledAgain) {
    Log log;
    CDocument doc;
    CLoggingView a("a", log), b("b", log);
    doc.AddView(a);
    doc.AddView(b);
    a.onUpdate = [&](IView*, UpdateHint) { doc.RemoveView(b); };
    doc.UpdateAllViews(nullptr, HintSelectionChanged);
    EXPECT_EQ(log, (Log{"a:1"}));
    EXPECT_EQ(doc.Views().size(), 1u);
}

}  // namespace
}  // namespace marklens::test

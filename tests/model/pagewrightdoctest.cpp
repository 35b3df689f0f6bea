#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "model/document/commandids.h"
#include "model/document/documentmessages.h"
#include "model/document/pagewrightdoc.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/find/findsettings.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/mirrorschema.h"
#include "model/mirror/pagemirror.h"
#include "model/page/browserlabel.h"
#include "model/page/liveelement.h"
#include "model/style/attributepane.h"
#include "tests/support/documentfakes.h"

namespace marklens::test {
namespace {

using Log = std::vector<std::string>;

constexpr const char* kFirstMirror =
    "<doc node-id='1' text='doc - first'>"
    "<element node-id='2' text='HEAD' display='block' left='0' top='0' width='0' height='0'/>"
    "<element node-id='3' text='BODY' display='block' visibility='visible' left='0' top='0' width='100' height='100'>"
    "<element node-id='4' text='P' display='block' visibility='inherit' left='10' top='10' width='20' height='20'/>"
    "<element node-id='5' text='DIV' display='block' visibility='inherit' left='40' top='40' width='20' height='20'/>"
    "</element></doc>";

// The same page rebuilt: every identifier is new, the DIV became a SECTION.
constexpr const char* kRebuiltMirror =
    "<doc node-id='21' text='doc - first'>"
    "<element node-id='22' text='HEAD' display='block'/>"
    "<element node-id='23' text='BODY' display='block'>"
    "<element node-id='24' text='P' display='block'/>"
    "<element node-id='25' text='SECTION' display='block'/>"
    "</element></doc>";

// The page lost its second paragraph.
constexpr const char* kShrunkMirror =
    "<doc node-id='31' text='doc - first'><element node-id='32' text='HEAD' display='block'/>"
    "<element node-id='33' text='BODY' display='block'><element node-id='34' text='P' display='block'/>"
    "</element></doc>";

class PagewrightDocTest : public ::testing::Test {
protected:
    PagewrightDocTest() : tree_("tree", log_), capture_("capture", log_) {
        doc_.AddView(capture_);
        doc_.AddView(tree_);
    }
    ~PagewrightDocTest() override {
        doc_.RemoveView(capture_);
        doc_.RemoveView(tree_);
    }

    void Attach(const char* mirrorText) {
        probe_->mirrorText = mirrorText;
        page_->probe = probe_;
        doc_.AttachPage(page_, "page", [this](const CWorkOutcome& outcome) { outcomes_.push_back(outcome.kind); });
        log_.clear();
    }

    CRecordingUi ui_;
    std::shared_ptr<CFakePage> page_ = std::make_shared<CFakePage>();
    std::shared_ptr<CFakeProbe> probe_ = std::make_shared<CFakeProbe>();
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    std::vector<CWorkOutcome::Kind> outcomes_;
    Log log_;
    CLoggingView tree_;
    CLoggingView capture_;
};

TEST_F(PagewrightDocTest, StartsEmptyAndRegistersTheProcessWideDocument) {
    EXPECT_EQ(CPagewrightDoc::Instance(), &doc_);
    EXPECT_EQ(doc_.GetSelection(), 0);
    EXPECT_FALSE(doc_.IsAttached());
    EXPECT_EQ(doc_.Mirror(), nullptr);
    EXPECT_EQ(doc_.Picture(), nullptr);
    EXPECT_TRUE(doc_.BrowserLabels().empty());
}

TEST(PagewrightDocInstance, DestroyedDocumentLeavesNoDanglingPointer) {
    CRecordingUi ui;
    {
        CPagewrightDoc doc(ui, nullptr);
        ASSERT_EQ(CPagewrightDoc::Instance(), &doc);
    }
    EXPECT_EQ(CPagewrightDoc::Instance(), nullptr);
}

TEST_F(PagewrightDocTest, SetSelectionBroadcastsEvenWhenUnchangedAndSkipsTheSender) {
    doc_.SetSelection(4, &tree_);
    doc_.SetSelection(4, &tree_);
    doc_.SetSelection(4, nullptr);
    EXPECT_EQ(doc_.GetSelection(), 4);
    EXPECT_EQ(log_, (Log{"capture:1", "capture:1", "capture:1", "tree:1"}));
}

TEST_F(PagewrightDocTest, LookUpsWithoutAPageGiveNothingAndSayNothing) {
    EXPECT_FALSE(doc_.FindNodeById(1));
    doc_.WithElement(
        1, [](ILiveElement&) { ADD_FAILURE() << "an element without a page"; },
        [this](const CWorkOutcome& outcome) { outcomes_.push_back(outcome.kind); });
    EXPECT_EQ(outcomes_, std::vector{CWorkOutcome::Kind::NoElement});
    CBox box{1, 2, 3, 4};
    EXPECT_EQ(doc_.HitTest(5, 5, &box), 0);
    EXPECT_EQ(box, CBox{});
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(PagewrightDocTest, AttachLoadsCapturesClearsSelectionAndBroadcastsRebuilt) {
    doc_.SetSelection(9, nullptr);
    log_.clear();
    probe_->mirrorText = kFirstMirror;
    page_->probe = probe_;
    doc_.AttachPage(page_, "Demo page", [this](const CWorkOutcome& outcome) { outcomes_.push_back(outcome.kind); });
    EXPECT_EQ(outcomes_, std::vector{CWorkOutcome::Kind::Done});
    EXPECT_EQ(ui_.captions, (std::vector<std::string>{"Marklens - Demo page"}));
    EXPECT_EQ(ui_.progress.front(), "Opening the page");
    EXPECT_EQ(ui_.busyPeriods, 1);
    EXPECT_EQ(ui_.busyDepth, 0);
    EXPECT_EQ(doc_.GetSelection(), 0);
    EXPECT_EQ(log_, (Log{"capture:0", "tree:0"}));
    ASSERT_NE(doc_.Picture(), nullptr);
    EXPECT_EQ(doc_.Picture()->width, 2);
    EXPECT_EQ(StringAttribute(doc_.FindNodeById(5), "text"), "DIV");
    EXPECT_FALSE(doc_.FindNodeById(0));
    EXPECT_FALSE(doc_.FindNodeById(77));
    CBox box;
    EXPECT_EQ(doc_.HitTest(45, 45, &box), 5);
    EXPECT_EQ(box, (CBox{40, 40, 60, 60}));
}

TEST_F(PagewrightDocTest, ElementWorkPassesDecimalTextAndLookUpFailuresFindNothing) {
    Attach(kFirstMirror);
    std::vector<std::string> reached;
    const auto work = [&](ILiveElement& element) { reached.push_back(static_cast<CFakeElement&>(element).id); };
    const auto done = [this](const CWorkOutcome& outcome) { outcomes_.push_back(outcome.kind); };
    doc_.WithElement(-12, work, done);
    probe_->elementFailure = status::kTimeout;
    doc_.WithElement(4, work, done);
    EXPECT_EQ(reached, std::vector<std::string>{"-12"});
    EXPECT_EQ(outcomes_,
              (std::vector{CWorkOutcome::Kind::Done, CWorkOutcome::Kind::Done, CWorkOutcome::Kind::NoElement}));
    EXPECT_EQ(probe_->elementRequests, (std::vector<std::string>{"-12", "4"}));
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(PagewrightDocTest, RefreshWithoutAPageOpensTheConnectDialogOnly) {
    doc_.SetSelection(3, nullptr);
    log_.clear();
    EXPECT_TRUE(doc_.OnCommand(command::kRefresh));
    EXPECT_EQ(ui_.connectDialogs, 1);
    EXPECT_EQ(doc_.GetSelection(), 3);
    EXPECT_TRUE(log_.empty());
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(PagewrightDocTest, RefreshCarriesTheSelectionByPosition) {
    Attach(kFirstMirror);
    doc_.SetSelection(5, nullptr);
    probe_->mirrorText = kRebuiltMirror;
    log_.clear();
    doc_.Refresh();
    EXPECT_EQ(doc_.GetSelection(), 25);
    EXPECT_EQ(log_, (Log{"capture:0", "tree:0"}));
    EXPECT_EQ(page_->captures, 2);
    EXPECT_EQ(ui_.busyPeriods, 2);
    EXPECT_EQ(ui_.busyDepth, 0);

    doc_.SetSelection(21, nullptr);  // the document element: a one-index path
    probe_->mirrorText = kFirstMirror;
    doc_.Refresh();
    EXPECT_EQ(doc_.GetSelection(), 1);
}

TEST_F(PagewrightDocTest, RefreshAfterThePageLostThePlaceSelectsNothingAndStillBroadcasts) {
    Attach(kFirstMirror);
    doc_.SetSelection(5, nullptr);
    probe_->mirrorText = kShrunkMirror;
    log_.clear();
    doc_.Refresh();
    EXPECT_EQ(doc_.GetSelection(), 0);
    EXPECT_EQ(log_, (Log{"capture:0", "tree:0"}));
}

TEST_F(PagewrightDocTest, RefreshWithNothingSelectedKeepsNothingSelected) {
    Attach("<doc node-id='0' text='doc - odd'><element node-id='7' text='X' display='block'/></doc>");
    probe_->mirrorText = kFirstMirror;
    doc_.Refresh();  // selection 0 is not looked up as the node that happens to carry 0
    EXPECT_EQ(doc_.GetSelection(), 0);
}

TEST_F(PagewrightDocTest, RefreshWithAFailingProbeReportsAndKeepsEverything) {
    Attach(kFirstMirror);
    doc_.SetSelection(4, nullptr);
    log_.clear();
    probe_->mirrorFailure = status::kFail;
    doc_.Refresh();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Could not connect to browser");
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(doc_.GetSelection(), 4);
    EXPECT_EQ(ui_.busyDepth, 0);
    // A failed probe call leaves the old mirror in place.
    EXPECT_EQ(StringAttribute(doc_.FindNodeById(4), "text"), "P");
}

TEST_F(PagewrightDocTest, RefreshDeniedShowsTheAccessDeniedText) {
    Attach(kFirstMirror);
    probe_->mirrorFailure = status::kAccessDenied;
    doc_.Refresh();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text,
              "The browser denied access to this page. Pages of the browser itself (settings, extensions, "
              "other tools) cannot be inspected.");
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Warning);
}

// A Refresh is all or nothing: a mirror that does not load or a capture that fails leaves the
// mirror and the picture the panes show.
TEST_F(PagewrightDocTest, RefreshThatFailsToLoadOrCaptureKeepsMirrorAndPicture) {
    Attach(kFirstMirror);
    doc_.SetSelection(4, nullptr);
    const CPicture* picture = doc_.Picture();
    log_.clear();
    probe_->mirrorText = "<doc node-id='1'";
    doc_.Refresh();
    probe_->mirrorText = kRebuiltMirror;
    page_->captureFailure = status::kTimeout;
    doc_.Refresh();
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages.back().text, "Could not connect to browser");
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(doc_.GetSelection(), 4);
    EXPECT_EQ(StringAttribute(doc_.FindNodeById(4), "text"), "P");
    EXPECT_EQ(doc_.HitTest(15, 15), 4);
    EXPECT_EQ(doc_.Picture(), picture);
}

TEST_F(PagewrightDocTest, AttachThatFailsChangesNothing) {
    Attach(kFirstMirror);
    doc_.SetSelection(4, nullptr);
    auto other = std::make_shared<CFakePage>();
    auto denied = std::make_shared<CFakeProbe>();
    denied->mirrorFailure = status::kAccessDenied;
    other->probe = denied;
    log_.clear();
    doc_.AttachPage(other, "Other page", [this](const CWorkOutcome& outcome) { outcomes_.push_back(outcome.kind); });
    EXPECT_EQ(outcomes_.back(), CWorkOutcome::Kind::Failed);
    EXPECT_EQ(ui_.captions, (std::vector<std::string>{"Marklens - page"}));
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(doc_.GetSelection(), 4);
    EXPECT_EQ(StringAttribute(doc_.FindNodeById(4), "text"), "P");
    EXPECT_EQ(ui_.busyDepth, 0);
    doc_.Refresh();  // still the first page
    EXPECT_EQ(page_->captures, 2);
}

// Anything else a page's answer makes our code throw ends the work it came with, as its
// failure, and never the program.
TEST_F(PagewrightDocTest, AnUnexpectedExceptionIsTheWorksFailure) {
    struct CThrowingPage : CFakePage {
        CPicture CapturePicture() override { throw std::logic_error("type must be string, but is number"); }
    };
    auto page = std::make_shared<CThrowingPage>();
    probe_->mirrorText = kFirstMirror;
    page->probe = probe_;
    std::optional<CWorkOutcome> outcome;
    doc_.AttachPage(page, "odd page", [&](const CWorkOutcome& o) { outcome = o; });
    ASSERT_TRUE(outcome && outcome->error);
    EXPECT_EQ(outcome->kind, CWorkOutcome::Kind::Failed);
    EXPECT_NE(outcome->error->Message().find("type must be string"), std::string::npos);
    EXPECT_FALSE(doc_.IsAttached());
    EXPECT_FALSE(doc_.IsBusy());
}

TEST_F(PagewrightDocTest, NestedSelectionDuringRebuildArrivesInCreationOrder) {
    Attach(kFirstMirror);
    // The tree selects its first item while it rebuilds, as a tree control does.
    tree_.onUpdate = [&](IView*, UpdateHint hint) {
        if (hint == HintPageRebuilt) doc_.SetSelection(1, &tree_);
    };
    CLoggingView styles("styles", log_);  // created after the tree
    doc_.AddView(styles);
    probe_->mirrorText = kRebuiltMirror;
    doc_.Refresh();
    EXPECT_EQ(log_, (Log{"capture:0", "tree:0", "capture:1", "styles:1", "styles:0"}));
    EXPECT_EQ(doc_.GetSelection(), 1);
    doc_.RemoveView(styles);
}

TEST_F(PagewrightDocTest, CommandTableRoutesToTheHandOvers) {
    FindSettings() = {};  // the find settings live as long as the process
    EXPECT_TRUE(doc_.OnCommand(command::kConnect));
    EXPECT_EQ(ui_.connectDialogs, 1);
    EXPECT_TRUE(doc_.OnCommand(command::kFind));
    EXPECT_EQ(ui_.findDialogs, 1);
    EXPECT_TRUE(doc_.OnCommand(command::kFindNext));  // no find text yet: the Find dialog again
    EXPECT_EQ(ui_.findDialogs, 2);
    EXPECT_TRUE(doc_.OnCommand(command::kEditHtml));
    EXPECT_EQ(ui_.htmlEdits, 1);
    struct CCountingPane : IAttributePane {
        int edits = 0;
        void EditSelectedAttribute() override { ++edits; }
    } pane;
    EXPECT_TRUE(doc_.OnCommand(command::kEditStyleAttribute));  // no pane: nothing to edit
    doc_.SetAttributePane(&pane);
    EXPECT_TRUE(doc_.OnCommand(command::kEditStyleAttribute));
    EXPECT_EQ(pane.edits, 1);
    doc_.SetAttributePane(nullptr);
    EXPECT_FALSE(doc_.OnCommand(command::kAbout));
    EXPECT_FALSE(doc_.OnCommand(command::kCopy));
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_TRUE(log_.empty());
}

TEST_F(PagewrightDocTest, StatusAndCaptionGoToTheUserInterface) {
    doc_.ShowStatusMessage("passed the end of the tree", true);
    doc_.ShowStatusMessage("<P>", false);
    EXPECT_EQ(ui_.statusTexts, (std::vector<std::pair<std::string, bool>>{
                                   {"passed the end of the tree", true}, {"<P>", false}}));
    doc_.SetBrowserCaption("Demo page");
    EXPECT_EQ(ui_.captions, (std::vector<std::string>{"Marklens - Demo page"}));
}

TEST(BrowserLabel, LabelsAreCutAt511CharactersNotBytes) {
    EXPECT_EQ(CutLabel("short"), "short");
    EXPECT_EQ(CutLabel(std::string(600, 'a')), std::string(511, 'a'));
    std::string wide;
    for (int i = 0; i < 600; ++i)
        wide += "\xC3\xA9";  // é, two bytes each
    EXPECT_EQ(CutLabel(wide).size(), 511u * 2);
    EXPECT_EQ(CutLabel(""), "");
}

}  // namespace
}  // namespace marklens::test

namespace marklens::test {
namespace {

TEST_F(PagewrightDocTest, StyleAttributeIsSetAndAnnouncedEvenWhenTheCaptureAfterwardsFails) {
    doc_.EditStyleAttribute("color", "red", "rgb(0, 0, 0)");  // nothing attached
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, message::kCannotSetStyle);
    EXPECT_TRUE(ui_.attributeDialogs.empty());
    Attach(kFirstMirror);
    auto element = std::make_shared<CFakeElement>("4");
    probe_->element = element;
    doc_.SetSelection(1, nullptr);  // the document node has no inline style
    doc_.EditStyleAttribute("color", "red", "rgb(0, 0, 0)");
    EXPECT_EQ(ui_.messages.size(), 2u);
    EXPECT_TRUE(ui_.attributeDialogs.empty());

    doc_.SetSelection(4, nullptr);
    log_.clear();
    std::vector<bool> results;
    const auto set = [&](const char* value) {
        doc_.SetStyleAttribute("color", value,
                               [&](const CWorkOutcome& outcome) { results.push_back(outcome.IsDone()); });
    };
    ui_.onAttributeDialog = [&] {
        element->rejectStyle = true;
        set("nonsense");
        element->rejectStyle = false;
        set("red");
        page_->captureFailure = status::kFail;
        set("blue");
    };
    doc_.EditStyleAttribute("color", "rgb(1, 2, 3)", "rgb(0, 0, 0)");
    EXPECT_EQ(ui_.attributeDialogs, (std::vector<std::vector<std::string>>{{"color", "rgb(1, 2, 3)", "rgb(0, 0, 0)"}}));
    EXPECT_EQ(results, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(element->styleSets,
              (std::vector<std::pair<std::string, std::string>>{{"color", "red"}, {"color", "blue"}}));
    // A rejected value announces nothing; both accepted ones do, the failed capture included.
    EXPECT_EQ(log_, (Log{"capture:2", "tree:2", "capture:2", "tree:2"}));
    EXPECT_EQ(doc_.Picture(), nullptr);
    ASSERT_EQ(ui_.messages.size(), 3u);
    EXPECT_EQ(ui_.messages[2].text.rfind(message::kCaptureFailed, 0), 0u);
    EXPECT_EQ(doc_.GetSelection(), 4);
}

}  // namespace
}  // namespace marklens::test

namespace marklens::test {
namespace {

// A probe whose wait ends on a change marked 7 while it has takes, answered in turn; a page
// whose pictures started at once are three pixels wide, its captures two.
struct CChangingProbe : CFakeProbe {
    std::deque<CPageChanges> takes;
    std::optional<std::int64_t> AwaitChange(std::chrono::milliseconds, CCancellation&, bool) override {
        return takes.empty() ? std::nullopt : std::optional<std::int64_t>(7);
    }
    CPageChanges TakeChanges() override {
        CPageChanges next = takes.empty() ? CPageChanges{} : takes.front();
        if (!takes.empty()) takes.pop_front();
        return next;
    }
};
struct CEarlyPicturePage : CFakePage {
    struct CAtOnce : IPendingPicture {
        CPicture Take() override { return CPicture{3, 1, {0, 0, 0}}; }
    };
    std::unique_ptr<IPendingPicture> StartPictureAtOnce() override { return std::make_unique<CAtOnce>(); }
};

// Runs the timers the document set, and those they set, up to five.
void RunTimers(std::deque<std::function<void()>>& timers) {
    for (int timer = 0; timer < 5 && !timers.empty(); ++timer) {
        const std::function<void()> next = std::move(timers.front());
        timers.pop_front();
        next();
    }
}

// A picture started as soon as the change was seen goes with the walk only while the page has
// not changed since; once it has, the walk takes a picture of its own.
TEST(FollowPicture, AnEarlyPictureGoesWithTheWalkOnlyWhileThePageIsUnchanged) {
    for (const std::int64_t markAfterTheWalk : {7, 8}) {
        CRecordingUi ui;
        std::deque<std::function<void()>> timers;
        ui.postAfter = [&](int, std::function<void()> task) { timers.push_back(std::move(task)); };
        CPagewrightDoc doc(ui, nullptr, CPagewrightDoc::Jobs::Inline);
        auto page = std::make_shared<CEarlyPicturePage>();
        auto probe = std::make_shared<CChangingProbe>();
        probe->mirrorText = kFirstMirror;
        page->probe = probe;
        doc.AttachPage(page, "page", [](const CWorkOutcome&) {});
        const auto taken = [](std::int64_t seen, std::int64_t mark) {
            CPageChanges changes;
            changes.seen = seen;
            changes.mark = mark;
            return changes;
        };
        probe->takes = {taken(1, 7), taken(0, markAfterTheWalk), taken(0, markAfterTheWalk)};
        RunTimers(timers);
        EXPECT_TRUE(probe->takes.empty());
        ASSERT_NE(doc.Picture(), nullptr);
        EXPECT_EQ(doc.Picture()->width, markAfterTheWalk == 7 ? 3 : 2) << markAfterTheWalk;
        EXPECT_EQ(page->captures, markAfterTheWalk == 7 ? 1 : 2);  // the attach's, and the walk's
    }
}

// A page that adds an element before another while it is walked: the walk's mirror is dropped
// and the page walked again, and the element already there keeps its identifier.
struct CRecordsProbe : CChangingProbe {
    std::deque<CMirrorAnswer> answers;
    CMirrorAnswer RequestMirrorAnswer(ILivePage&, const CWalkControl&) override {
        CMirrorAnswer next = answers.front();
        answers.pop_front();
        return next;
    }
};

TEST(FollowPicture, AWalkDroppedForAChangeStillCarriesTheIdentifiersOver) {
    CRecordingUi ui;
    std::deque<std::function<void()>> timers;
    ui.postAfter = [&](int, std::function<void()> task) { timers.push_back(std::move(task)); };
    CPagewrightDoc doc(ui, nullptr, CPagewrightDoc::Jobs::Inline);
    auto page = std::make_shared<CFakePage>();
    auto probe = std::make_shared<CRecordsProbe>();
    page->probe = probe;
    const std::string before = "D4,page\nkblock,visible,0,0,0,\nn3,1,0,DIVa\ne0,0,0,0,10,10,\n)\n";
    const std::string added =
        "D4,page\nkblock,visible,0,0,0,\nn3,1,0,DIVb\nn3,1,0,DIVa\ne0,0,0,0,10,10,\n"
        "e0,1,0,10,10,10,\n)\n";
    probe->answers = {{before, true, {0, 0}}, {added, true, {1, 0, 2}}, {added, true, {1, 2, 3}}};
    doc.AttachPage(page, "page", [](const CWorkOutcome&) {});
    CPageChanges changed;
    changed.seen = 1;
    probe->takes = {changed, changed, {}, {}};
    RunTimers(timers);
    EXPECT_TRUE(probe->answers.empty());
    EXPECT_EQ(StringAttribute(doc.FindNodeById(2), schema::kText), "<DIV id=\"a\">");
    EXPECT_EQ(StringAttribute(doc.FindNodeById(3), schema::kText), "<DIV id=\"b\">");
}

}  // namespace
}  // namespace marklens::test

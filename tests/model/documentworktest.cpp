// The document with its browser work on threads of their own, as in the program: answers come
// back through a queue the test runs, work can be cancelled, and late answers are dropped.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "model/document/pagewrightdoc.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/pagemirror.h"
#include "tests/support/documentfakes.h"

namespace marklens::test {
namespace {

constexpr const char* kMirrorA =
    "<doc node-id='1' text='doc - A'><element node-id='2' text='BODY' display='block' left='0' top='0' width='100' "
    "height='100'><element node-id='3' text='P' display='block' left='0' top='0' width='10' height='10'/>"
    "<element node-id='4' text='DIV' display='block' left='20' top='0' width='10' height='10'/></element></doc>";
constexpr const char* kMirrorA2 =
    "<doc node-id='11' text='doc - A'><element node-id='12' text='BODY' display='block'>"
    "<element node-id='13' text='P' display='block'/><element node-id='14' text='SECTION' display='block'/>"
    "</element></doc>";
constexpr const char* kMirrorB =
    "<doc node-id='21' text='doc - B'><element node-id='22' text='BODY' display='block'/></doc>";

// A probe whose walk waits at a gate until the test opens it, and stops when cancelled.
class CGatedProbe : public CFakeProbe {
public:
    void Open() {
        const std::lock_guard lock(mutex_);
        open_ = true;
        gate_.notify_all();
    }
    void Close() {
        const std::lock_guard lock(mutex_);
        open_ = false;
    }
    CMirrorAnswer RequestMirrorAnswer(ILivePage& page, const CWalkControl& control) override {
        std::unique_lock lock(mutex_);
        while (!open_) {
            if (control.cancellation && control.cancellation->IsCancelled()) {
                throw CObjectCallError(status::kCancelled, "cancelled");
            }
            gate_.wait_for(lock, std::chrono::milliseconds(5));
        }
        lock.unlock();
        return IPageProbe::RequestMirrorAnswer(page, control);
    }

private:
    std::mutex mutex_;
    std::condition_variable gate_;
    bool open_ = true;
};

class DocumentWork : public ::testing::Test {
protected:
    DocumentWork() {
        ui_.postTo = [this](std::function<void()> task) {
            const std::lock_guard lock(mutex_);
            posted_.push_back(std::move(task));
            arrived_.notify_all();
        };
        doc_.AddView(view_);
    }
    ~DocumentWork() override {
        probeA_->Open();
        probeB_->Open();
        doc_.RemoveView(view_);
    }

    // Runs what the threads posted until the condition holds; false after 10 s.
    template <typename Condition>
    bool RunUntil(Condition condition) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition()) {
            std::unique_lock lock(mutex_);
            // A thread may still be finishing its job after its last task came: look again soon.
            if (!arrived_.wait_for(lock, std::chrono::milliseconds(10), [this] { return !posted_.empty(); })) {
                if (std::chrono::steady_clock::now() > end) return false;
                continue;
            }
            std::function<void()> task = std::move(posted_.front());
            posted_.pop_front();
            lock.unlock();
            task();
        }
        return true;
    }
    void Attach(const std::shared_ptr<CGatedProbe>& probe, const char* label) {
        auto page = std::make_shared<CFakePage>();
        page->probe = probe;
        doc_.AttachPage(page, label, [this](const CWorkOutcome& outcome) { outcomes_.push_back(outcome.kind); });
    }
    std::string SelectedText() const { return StringAttribute(doc_.FindNodeById(doc_.GetSelection()), "text"); }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> posted_;
    CRecordingUi ui_;
    std::vector<std::string> log_;
    CLoggingView view_{"view", log_};
    std::shared_ptr<CGatedProbe> probeA_ = std::make_shared<CGatedProbe>();
    std::shared_ptr<CGatedProbe> probeB_ = std::make_shared<CGatedProbe>();
    std::vector<CWorkOutcome::Kind> outcomes_;
    CPagewrightDoc doc_{ui_, nullptr};
};

// Cancelled between its steps, a Refresh and then an attach of another page leave mirror,
// picture, caption and selection as they were; their late answers change nothing either.
TEST_F(DocumentWork, CancelledRefreshAndAttachLeaveTheDocumentAsItWas) {
    probeA_->mirrorText = kMirrorA;
    Attach(probeA_, "Page A");
    ASSERT_TRUE(RunUntil([&] { return doc_.IsIdle(); }));
    doc_.SetSelection(4, nullptr);
    const CPicture* picture = doc_.Picture();
    log_.clear();

    probeA_->Close();
    probeA_->mirrorText = kMirrorA2;
    doc_.Refresh();
    EXPECT_TRUE(doc_.IsBusy());
    doc_.CancelWork();
    EXPECT_FALSE(doc_.IsBusy());
    probeB_->Close();
    probeB_->mirrorText = kMirrorB;
    Attach(probeB_, "Page B");
    doc_.CancelWork();
    probeA_->Open();
    probeB_->Open();
    ASSERT_TRUE(RunUntil([&] { return doc_.IsIdle(); }));

    EXPECT_EQ(outcomes_, (std::vector{CWorkOutcome::Kind::Done, CWorkOutcome::Kind::Cancelled}));
    EXPECT_EQ(ui_.captions, std::vector<std::string>{"Marklens - Page A"});
    EXPECT_EQ(SelectedText(), "DIV");
    EXPECT_EQ(doc_.Picture(), picture);
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(ui_.busyDepth, 0);
}

// The place that counts is the selection's when the new mirror arrives, not when the Refresh
// began; a new attach overtakes a Refresh that runs.
TEST_F(DocumentWork, RefreshKeepsTheSelectionMadeWhileItRan) {
    probeA_->mirrorText = kMirrorA;
    Attach(probeA_, "Page A");
    ASSERT_TRUE(RunUntil([&] { return doc_.IsIdle(); }));
    doc_.SetSelection(3, nullptr);
    probeA_->Close();
    probeA_->mirrorText = kMirrorA2;
    doc_.Refresh();
    doc_.SetSelection(4, nullptr);  // clicked in the tree meanwhile
    probeA_->Open();
    ASSERT_TRUE(RunUntil([&] { return !doc_.IsBusy(); }));
    EXPECT_EQ(doc_.GetSelection(), 14);
    EXPECT_EQ(SelectedText(), "SECTION");

    probeA_->Close();
    doc_.Refresh();
    probeB_->mirrorText = kMirrorB;
    Attach(probeB_, "Page B");
    probeA_->Open();
    ASSERT_TRUE(RunUntil([&] { return doc_.IsIdle(); }));
    EXPECT_EQ(StringAttribute(doc_.Mirror()->DocumentElement(), "text"), "doc - B");
}

// Two panes ask in one broadcast: one look-up, one answer each; an answer that arrives after
// the selection moved on reaches nobody.
TEST_F(DocumentWork, StyleQuestionsOfOneSelectionGoOutOnceAndLateAnswersAreDropped) {
    probeA_->mirrorText = kMirrorA;
    probeA_->currentStyleText = "<attribs><attrib name='color' current='red' default='black'/></attribs>";
    probeA_->styleRulesText = "<style><rule selector='p' score='0,0,1' source='s' text='color: red'/></style>";
    Attach(probeA_, "Page A");
    ASSERT_TRUE(RunUntil([&] { return doc_.IsIdle(); }));
    std::vector<std::string> heard;
    CLoggingView second{"second", log_};
    doc_.AddView(second);
    const auto ask = [&](IView& view, CStyleQuestions questions) {
        doc_.AskStyles(view, questions, [&](const CStyleAnswers& answers) {
            heard.push_back(std::to_string(answers.values ? answers.values->size() : 9) + "/" +
                            std::to_string(answers.rules ? answers.rules->size() : 9));
        });
    };
    view_.onUpdate = [&](IView*, UpdateHint) { ask(view_, {"<attribs/>", false}); };
    second.onUpdate = [&](IView*, UpdateHint) { ask(second, {std::nullopt, true}); };
    doc_.SetSelection(3, nullptr);
    doc_.SetSelection(4, nullptr);
    ASSERT_TRUE(RunUntil([&] { return doc_.IsIdle(); }));
    EXPECT_EQ(heard, (std::vector<std::string>{"1/1", "1/1"}));
    EXPECT_EQ(probeA_->elementRequests, (std::vector<std::string>{"3", "4"}));
    doc_.RemoveView(second);
}

}  // namespace
}  // namespace marklens::test

namespace marklens::test {
namespace {

// A job that waits on the page (for its next change) ends its wait as soon as other work is
// posted, and a job that would wait while work is queued does not start to.
TEST(PageConnection, AWaitingJobGivesWayToTheNextJob) {
    CPageConnection connection(CPageConnection::Jobs::OnOwnThread);
    std::mutex mutex;
    std::condition_variable changed;
    bool waiting = false;
    bool allPosted = false;
    bool gaveWay = false;
    bool queuedWaitEnded = false;
    connection.Post([&](CPageConnection::CSide& side) {
        const CancellationHandle signal = side.nextJobSignal();
        std::unique_lock lock(mutex);
        waiting = true;
        changed.notify_all();
        gaveWay = changed.wait_for(lock, std::chrono::seconds(20), [&] { return signal->IsCancelled(); });
        changed.wait(lock, [&] { return allPosted; });
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return waiting; });
    }
    connection.Post([&](CPageConnection::CSide& side) { queuedWaitEnded = side.nextJobSignal()->IsCancelled(); });
    {
        const std::lock_guard lock(mutex);
        changed.notify_all();  // the first job sees its signal asked for
    }
    connection.Post([](CPageConnection::CSide&) {});
    {
        const std::lock_guard lock(mutex);
        allPosted = true;
    }
    changed.notify_all();
    while (!connection.IsIdle())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(gaveWay);
    EXPECT_TRUE(queuedWaitEnded);
}

}  // namespace
}  // namespace marklens::test

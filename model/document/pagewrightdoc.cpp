#include "pagewrightdoc.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <future>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "commandids.h"
#include "documentmessages.h"
#include "documentui.h"
#include "model/errors/callerror.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/find/findsettings.h"
#include "model/find/mirrorfind.h"
#include "model/mirror/mirrorpatch.h"
#include "model/mirror/mirrorrebuild.h"
#include "model/mirror/mirrorschema.h"
#include "model/mirror/pagemirror.h"
#include "model/page/browserlabel.h"
#include "model/page/browsershell.h"
#include "model/page/modelessscript.h"
#include "model/style/attributepane.h"
#include "selectionpath.h"

namespace marklens {

namespace {

CPagewrightDoc* g_document = nullptr;

struct CDocumentCommand {
    int id;
    void (CPagewrightDoc::*handler)();
};

constexpr std::array kDocumentCommands{
    CDocumentCommand{command::kConnect, &CPagewrightDoc::OnConnect},
    CDocumentCommand{command::kFind, &CPagewrightDoc::OnFind},
    CDocumentCommand{command::kFindNext, &CPagewrightDoc::OnFindNext},
    CDocumentCommand{command::kRefresh, &CPagewrightDoc::OnRefresh},
    CDocumentCommand{command::kEditHtml, &CPagewrightDoc::OnEditHtml},
    CDocumentCommand{command::kEditStyleAttribute, &CPagewrightDoc::OnEditStyleAttribute},
    CDocumentCommand{command::kCopySelector, &CPagewrightDoc::OnCopySelector},
    CDocumentCommand{command::kCopyOuterHtml, &CPagewrightDoc::OnCopyOuterHtml},
    CDocumentCommand{command::kUndo, &CPagewrightDoc::OnUndo},
    CDocumentCommand{command::kRedo, &CPagewrightDoc::OnRedo},
};

CWorkOutcome OutcomeOf(const CObjectCallError& error) {
    const auto kind = error.Code() == status::kCancelled ? CWorkOutcome::Kind::Cancelled : CWorkOutcome::Kind::Failed;
    return {kind, error};
}

// Runs the work, then reads what the probe's history holds: work that edits and then fails has
// still made its step.
template <typename Work>
void ThenReadEdits(IPageProbe& probe, std::optional<CEditState>& state, Work work) {
    try {
        work();
    } catch (const CObjectCallError&) {
        state = probe.EditState();
        throw;
    }
    state = probe.EditState();
}

CWorkOutcome Cancelled() { return {CWorkOutcome::Kind::Cancelled, std::nullopt}; }

// The live element of a node, on the connection's thread; a look-up that fails finds nothing.
LiveElementHandle LookUp(CPageConnection::CSide& side, int nodeId) {
    if (!side.probe) return nullptr;
    try {
        return side.probe->ElementForId(std::to_string(side.ids.NumberOf(nodeId)));
    } catch (const CObjectCallError& error) {
        if (error.Code() == status::kCancelled) throw;
        return nullptr;
    }
}

// "1,000,000"
std::string WithThousands(std::int64_t value) {
    std::string digits = std::to_string(value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > (digits[0] == '-' ? 1 : 0); at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

std::string ReadingText(std::int64_t walked, std::int64_t total) {
    char text[128];
    std::snprintf(text, sizeof text, message::kReadingPage, WithThousands(walked).c_str(),
                  WithThousands(total).c_str());
    return text;
}

}  // namespace

// What a walk fills on the connection's thread for this one to install.
struct CPagewrightDoc::CWalkResult {
    std::unique_ptr<CPageMirror> mirror;
    std::unique_ptr<CMirrorPatch> patch;  // of a followed walk, in place of a mirror
    // The facts of the mirror shown when a followed walk was asked for: only they are patched.
    MirrorFactsHandle patchOnto;
    std::unique_ptr<CPicture> picture;  // none: the last one stays (a hidden page renders nothing)
    CEditState edits;
    // Of a walk that followed the page: it was hidden, and the pair of mirror and picture was
    // taken while nothing changed.
    bool hidden = false;
    bool settled = true;
};

using FollowClock = std::chrono::steady_clock;

struct CPagewrightDoc::CFollow {
    std::uint64_t round = 0;  // counts the starts: a timer of an earlier one finds another round
    bool watching = false;    // a timer or a question to the page is on its way
    bool walking = false;     // a walk that follows the page runs
    bool pending = false;     // changes seen that no walk took in yet
    bool hidden = false;
    bool behindShown = false;
    bool settled = true;  // the last walk's mirror and picture had no change between them
    FollowClock::time_point walkStarted{};
    FollowClock::time_point nextWalk{};  // not before: the page's renderer and ours stay free
    FollowClock::time_point pendingSince{};
    FollowClock::time_point lastChange{};
};

// An attach or a Refresh: where it runs and whom it answers here. Only the document holds it,
// so its connection never outlives the document.
struct CPagewrightDoc::CPageWork {
    PageConnectionHandle connection;
    bool ownsConnection = false;  // an attach's new connection, not the attached one
    CancellationHandle cancellation = std::make_shared<CCancellation>();
    std::shared_ptr<CWalkResult> result = std::make_shared<CWalkResult>();
    std::string label;
    WorkDone done;
};

CPagewrightDoc::CPagewrightDoc(IDocumentUi& ui, std::shared_ptr<IBrowserShell> shell, Jobs jobs)
    : ui_(ui), shell_(std::move(shell)), jobs_(jobs), follow_(std::make_unique<CFollow>()) {
    g_document = this;
}

CPagewrightDoc::~CPagewrightDoc() {
    if (running_) running_->cancellation->Cancel();
    // Every connection's thread ends here: none may run work of this document after it.
    running_.reset();
    connection_.reset();
    discovery_.reset();
    retired_.clear();
    // A pointer left to a destroyed document would send the next dialog into freed memory.
    if (g_document == this) g_document = nullptr;
}

CPagewrightDoc* CPagewrightDoc::Instance() { return g_document; }

void CPagewrightDoc::SetSelection(int nodeId, IView* sender) {
    selection_ = nodeId;
    ++selectionSerial_;
    UpdateAllViews(sender, HintSelectionChanged);
}

pugi::xml_node CPagewrightDoc::FindNodeById(int nodeId) const {
    return mirror_ ? mirror_->FindNodeById(nodeId) : pugi::xml_node();
}

int CPagewrightDoc::HitTest(int x, int y, CBox* box) const {
    if (mirror_) return mirror_->HitTest(x, y, box);
    if (box) *box = CBox{};
    return 0;
}

PageConnectionHandle CPagewrightDoc::NewConnection() const { return std::make_shared<CPageConnection>(jobs_); }

void CPagewrightDoc::PostHere(std::function<void()> task) {
    ui_.Post([this, alive = std::weak_ptr<bool>(alive_), task = std::move(task)] {
        if (alive.expired()) return;
        // Nothing that goes wrong in an answer may end the program.
        try {
            task();
        } catch (const std::exception& error) {
            ui_.ShowMessage(std::string(message::kUnexpectedFailure) + error.what(), MessageIcon::Warning);
        } catch (...) {
            ui_.ShowMessage(message::kUnexpectedFailure, MessageIcon::Warning);
        }
    });
}

void CPagewrightDoc::Run(const PageConnectionHandle& connection, CancellationHandle cancellation, Work work,
                         WorkDone done, bool quiet) {
    if (!quiet && ++working_ == 1) ui_.SetWorking(true);
    connection->Post([this, quiet, cancellation = std::move(cancellation), work = std::move(work),
                      done = std::move(done)](CPageConnection::CSide& side) mutable {
        CWorkOutcome outcome;
        try {
            if (cancellation->IsCancelled()) throw CObjectCallError(status::kCancelled);
            if (side.page) side.page->ObeyCancellation(cancellation);
            work(side, cancellation);
        } catch (const CObjectCallError& error) {
            outcome = OutcomeOf(error);
        } catch (const std::exception& error) {
            outcome =
                OutcomeOf(CObjectCallError(status::kFail, std::string(message::kUnexpectedFailure) + error.what()));
        } catch (...) {
            outcome = OutcomeOf(CObjectCallError(status::kFail, message::kUnexpectedFailure));
        }
        if (side.page) side.page->ObeyCancellation(nullptr);
        PostHere([this, outcome = std::move(outcome), done = std::move(done), quiet] {
            if (!quiet && --working_ == 0) ui_.SetWorking(false);
            done(outcome);
        });
    });
}

bool CPagewrightDoc::IsIdle() const {
    if (working_ != 0) return false;
    for (const PageConnectionHandle& connection : {connection_, discovery_}) {
        if (connection && !connection->IsIdle()) return false;
    }
    return retired_.empty() && !running_;
}

void CPagewrightDoc::SetBusy(Busy busy) {
    const bool changed = (busy_ != Busy::None) != (busy != Busy::None);
    busy_ = busy;
    if (changed) ui_.SetBusy(busy != Busy::None);
}

void CPagewrightDoc::Retire(PageConnectionHandle connection) {
    if (!connection) return;
    connection->Cancellation()->Cancel();
    CPageConnection* raw = connection.get();
    retired_.push_back(std::move(connection));
    raw->Post([this, raw](CPageConnection::CSide& side) {
        side.probe.reset();
        side.page.reset();
        PostHere(
            [this, raw] { std::erase_if(retired_, [raw](const PageConnectionHandle& c) { return c.get() == raw; }); });
    });
}

void CPagewrightDoc::EnumerateBrowsers(std::function<void()> done) {
    if (!shell_) {
        labels_.clear();
        browsers_.clear();
        ui_.ShowMessage(message::kCouldNotListPages, MessageIcon::Warning);
        done();
        return;
    }
    if (!discovery_) discovery_ = NewConnection();
    auto found = std::make_shared<std::vector<BrowserWindowHandle>>();
    Run(
        discovery_, discovery_->Cancellation(),
        [shell = shell_, found](CPageConnection::CSide&, const CancellationHandle&) {
            *found = shell->EnumerateBrowsers();
        },
        [this, found, done = std::move(done)](const CWorkOutcome&) {
            labels_.clear();
            browsers_.clear();
            for (BrowserWindowHandle& browser : *found) {
                if (!browser) continue;
                labels_.push_back(CutLabel(browser->Label()));
                browsers_.push_back(std::move(browser));
            }
            done();
        });
}

BrowserWindowHandle CPagewrightDoc::ListedBrowser(int position, const WorkDone& done) const {
    // A position past the lists names no browser; refuse it rather than step off the end.
    const bool listed = position >= 0 && static_cast<std::size_t>(position) < browsers_.size();
    if (!listed || !browsers_[static_cast<std::size_t>(position)]) {
        done(OutcomeOf(CObjectCallError(status::kInvalidPointer)));
        return nullptr;
    }
    return browsers_[static_cast<std::size_t>(position)];
}

void CPagewrightDoc::ConnectToBrowser(int position, WorkDone done) {
    if (!shell_ || !shell_->IsProbeLibraryRegistered()) {
        ui_.ShowMessage(message::kLibraryNotRegistered, MessageIcon::Warning);
        done(Cancelled());
        return;
    }
    const BrowserWindowHandle browser = ListedBrowser(position, done);
    if (!browser) return;
    StartAttach(
        labels_[static_cast<std::size_t>(position)],
        [browser](const CancellationHandle&) { return browser->Document(); }, std::move(done));
}

void CPagewrightDoc::AttachPage(LivePageHandle page, const std::string& label, WorkDone done) {
    StartAttach(
        label, [page = std::move(page)](const CancellationHandle&) { return page; }, std::move(done));
}

void CPagewrightDoc::EvaluateModelessExpression(int position, const std::string& expression, bool testOnly,
                                                WorkDone done) {
    const BrowserWindowHandle browser = ListedBrowser(position, done);
    if (!browser) return;
    // The window's page, reached through the page that opened it.
    auto window = [browser, expression](const CancellationHandle& cancellation) {
        const LivePageHandle opener = browser->Document();
        if (!opener) throw CObjectCallError(status::kInvalidPointer);
        opener->ObeyCancellation(cancellation);
        opener->ExecScript(script::kResultAssignment + expression);
        const LiveObjectHandle value = opener->GlobalObject(script::kResultName);
        if (!value) throw CObjectCallError(status::kFail);
        // Only a value that proved to be an object is cleared; a failed one stays for the page to see.
        opener->ExecScript(script::kResultReset);
        LivePageHandle page = value->WindowDocument();
        if (!page) throw CObjectCallError(status::kFail);
        return page;
    };
    if (!testOnly) {
        if (!shell_ || !shell_->IsProbeLibraryRegistered()) {
            ui_.ShowMessage(message::kLibraryNotRegistered, MessageIcon::Warning);
            done(Cancelled());
            return;
        }
        StartAttach(labels_[static_cast<std::size_t>(position)], std::move(window), std::move(done));
        return;
    }
    const PageConnectionHandle trial = NewConnection();
    Run(
        trial, trial->Cancellation(),
        [window = std::move(window)](CPageConnection::CSide&, const CancellationHandle& cancellation) {
            window(cancellation);
        },
        std::move(done));
    Retire(trial);
}

void CPagewrightDoc::StartAttach(const std::string& label,
                                 std::function<LivePageHandle(const CancellationHandle&)> page, WorkDone done) {
    CancelWork();
    auto attach = std::make_shared<CPageWork>();
    attach->connection = NewConnection();
    attach->ownsConnection = true;
    attach->label = label;
    attach->done = std::move(done);
    running_ = attach;
    SetBusy(Busy::Attach);
    ui_.ShowProgress(message::kOpeningPage, 0, 0);
    ui_.BeginCapture();
    Run(
        attach->connection, attach->cancellation,
        [this, page = std::move(page), result = attach->result](CPageConnection::CSide& side,
                                                                const CancellationHandle& cancellation) {
            side.page = page(cancellation);
            if (!side.page) throw CObjectCallError(status::kInvalidPointer);
            side.page->ObeyCancellation(cancellation);
            side.probe = side.page->CreateProbe();
            if (!side.probe) throw CObjectCallError(status::kAccessDenied);
            WalkAndCapture(side, *result, cancellation);
        },
        [this, weak = std::weak_ptr<CPageWork>(attach)](const CWorkOutcome& outcome) {
            FinishAttach(weak.lock(), outcome);
        });
}

// The mirror of a walk, its nodes named by the identifiers they had before; the tree's copy
// is made here rather than on the window's thread. A followed walk comes as a patch of the
// mirror shown where that pays and the last walk built here was that mirror's; each build keeps
// its facts for the next.
bool CPagewrightDoc::BuildWithStableIds(CMirrorAnswer& answer, CPageConnection::CSide& side, CWalkResult& result) {
    const MirrorFactsHandle base = std::exchange(side.builtFacts, nullptr);
    if (!answer.records || answer.previous.empty()) {
        result.mirror = BuildMirror(answer);
        return false;
    }
    const std::vector<int> stable = side.ids.Assign(answer.previous, answer.previous.size());
    if (base && base == result.patchOnto) {
        auto patched = std::make_unique<CMirrorPatch>(std::move(answer.text), stable, answer.previous, base);
        side.builtFacts = patched->Facts();
        if (patched->Pays()) {
            result.patch = std::move(patched);
            return true;
        }
        result.mirror = std::make_unique<CPageMirror>();
        result.mirror->BuildFromPatch(*patched);
    } else {
        result.mirror = std::make_unique<CPageMirror>();
        result.mirror->BuildKeepingFacts(std::move(answer.text), &stable);
        side.builtFacts = result.mirror->Facts();
    }
    result.mirror->Outline();
    return true;
}

void CPagewrightDoc::WalkAndCapture(CPageConnection::CSide& side, CWalkResult& result,
                                    const CancellationHandle& cancellation) {
    const auto progress = [this, cancellation](std::string text, std::int64_t done, std::int64_t total) {
        PostHere([this, cancellation, text = std::move(text), done, total] {
            if (running_ && running_->cancellation == cancellation) ui_.ShowProgress(text, done, total);
        });
    };
    CWalkControl control;
    control.cancellation = cancellation;
    control.progress = [&](std::int64_t walked, std::int64_t total) {
        progress(ReadingText(walked, total), walked, total);
    };
    control.tellPrevious = true;
    CMirrorAnswer answer = side.probe->RequestMirrorAnswer(*side.page, control);
    progress(message::kBuildingMirror, 0, 0);
    BuildWithStableIds(answer, side, result);
    if (cancellation->IsCancelled()) throw CObjectCallError(status::kCancelled);
    progress(message::kCapturingPage, 0, 0);
    result.picture = std::make_unique<CPicture>(side.page->CapturePicture());
    result.edits = side.probe->EditState();
}

void CPagewrightDoc::FinishAttach(const std::shared_ptr<CPageWork>& attach, const CWorkOutcome& outcome) {
    // A cancelled or overtaken attach has told its caller already.
    if (!attach || attach != running_) return;
    running_.reset();
    SetBusy(Busy::None);
    ui_.EndCapture();
    if (!outcome.IsDone()) {
        // All or nothing: the document stays with the page it had.
        Retire(attach->connection);
        attach->done(outcome);
        return;
    }
    Retire(std::exchange(connection_, attach->connection));
    SetBrowserCaption(attach->label);
    Install(*attach->result);
    selection_ = 0;
    ++selectionSerial_;
    UpdateAllViews(nullptr, HintPageRebuilt);
    StartFollowing();
    attach->done(outcome);
}

void CPagewrightDoc::Install(CWalkResult& result) {
    if (result.patch && !(mirror_ && mirror_->Apply(*result.patch))) {
        // The mirror shown is not the one the patch was made against (its walk was not installed).
        try {
            result.mirror = std::make_unique<CPageMirror>();
            result.mirror->BuildFromPatch(*result.patch);
        } catch (const std::bad_alloc&) {
            result.mirror.reset();
            ShowStatusMessage(std::string(message::kFollowFailed) + message::kMirrorOutOfMemory, true);
        }
    }
    if (result.mirror) ReplaceMirror(std::move(result.mirror));
    if (result.picture) picture_ = std::move(result.picture);
    TakeEditState(result.edits);
}

void CPagewrightDoc::ReplaceMirror(std::unique_ptr<CPageMirror> mirror) {
    // Tearing down a large mirror takes a while: it goes on a connection's thread.
    if (mirror_ && connection_) {
        connection_->Post(
            [old = std::shared_ptr<CPageMirror>(std::move(mirror_))](CPageConnection::CSide&) mutable { old.reset(); });
    }
    mirror_ = std::move(mirror);
}

void CPagewrightDoc::TakeEditState(const CEditState& state) {
    if (state.lost) ShowStatusMessage(message::kUndoHistoryLost, true);
    if (state == edits_) return;
    edits_ = state;
    edits_.lost = false;
    ui_.CommandStatesChanged();
}

bool CPagewrightDoc::IsCommandEnabled(int commandId) const {
    if (IsBusy() && std::find(std::begin(command::kPageCommands), std::end(command::kPageCommands), commandId) !=
                        std::end(command::kPageCommands)) {
        return false;
    }
    const pugi::xml_node selected = FindNodeById(selection_);
    const schema::NodeKind kind = schema::KindOf(selected);
    const bool element = selected && (kind == schema::NodeKind::Element || kind == schema::NodeKind::Frame);
    switch (commandId) {
    case command::kCopySelector: return element;
    case command::kCopyOuterHtml:
        return (selected && kind == schema::NodeKind::Other) || (element && !selected.attribute(schema::kPseudo));
    case command::kUndo: return connection_ && !edits_.undo.empty();
    case command::kRedo: return connection_ && !edits_.redo.empty();
    default: return true;
    }
}

void CPagewrightDoc::OnUndo() { TakeBack(true); }
void CPagewrightDoc::OnRedo() { TakeBack(false); }

// Through the browser's own history, then the page is walked again: the mirror, the tree and
// the picture show what the page has now.
void CPagewrightDoc::TakeBack(bool undo) {
    if (!connection_ || IsBusy() || (undo ? edits_.undo : edits_.redo).empty()) return;
    auto state = std::make_shared<std::optional<CEditState>>();
    const std::string label = undo ? edits_.undo : edits_.redo;
    Run(
        connection_, connection_->Cancellation(),
        [undo, state](CPageConnection::CSide& side, const CancellationHandle&) {
            if (!side.probe) throw CObjectCallError(status::kInvalidPointer);
            ThenReadEdits(*side.probe, *state, [&] { undo ? side.probe->Undo() : side.probe->Redo(); });
        },
        [this, state, undo, label](const CWorkOutcome& outcome) {
            if (state->has_value()) TakeEditState(**state);
            if (outcome.kind == CWorkOutcome::Kind::Failed) {
                ShowStatusMessage(outcome.error->Message(), true);
                return;
            }
            if (!outcome.IsDone()) return;
            ShowStatusMessage((undo ? message::kUndone : message::kRedone) + label, true);
            Refresh();
        });
}

void CPagewrightDoc::Refresh() {
    if (!connection_) {
        OnConnect();
        return;
    }
    if (IsBusy()) return;
    auto refresh = std::make_shared<CPageWork>();
    refresh->connection = connection_;
    running_ = refresh;
    SetBusy(Busy::Refresh);
    ui_.ShowProgress(ReadingText(0, 0), 0, 0);
    ui_.BeginCapture();
    Run(
        connection_, refresh->cancellation,
        [this, result = refresh->result](CPageConnection::CSide& side, const CancellationHandle& cancellation) {
            if (!side.page || !side.probe) throw CObjectCallError(status::kInvalidPointer);
            WalkAndCapture(side, *result, cancellation);
        },
        [this, weak = std::weak_ptr<CPageWork>(refresh)](const CWorkOutcome& outcome) {
            FinishRefresh(weak.lock(), outcome);
        });
}

void CPagewrightDoc::FinishRefresh(const std::shared_ptr<CPageWork>& refresh, const CWorkOutcome& outcome) {
    if (!refresh || refresh != running_) return;
    running_.reset();
    SetBusy(Busy::None);
    ui_.EndCapture();
    if (outcome.kind == CWorkOutcome::Kind::Failed) ReportConnectError(*outcome.error);
    if (!outcome.IsDone()) return;
    // The place of the selection as it is now: one made during a long Refresh is kept.
    const SelectionPath path = PathOfSelection(mirror_.get(), selection_);
    Install(*refresh->result);
    selection_ = SelectionAtPath(mirror_.get(), path);
    ++selectionSerial_;
    UpdateAllViews(nullptr, HintPageRebuilt);
    StartFollowing();
}

void CPagewrightDoc::CancelWork() {
    const std::shared_ptr<CPageWork> work = std::exchange(running_, nullptr);
    if (!work) return;
    work->cancellation->Cancel();
    SetBusy(Busy::None);
    ui_.EndCapture();
    if (work->ownsConnection) Retire(work->connection);
    if (work->done) work->done(Cancelled());
}

void CPagewrightDoc::AskStyles(IView& asker, const CStyleQuestions& questions,
                               std::function<void(const CStyleAnswers&)> answer) {
    if (IsBusy() || !connection_ || questions.Empty()) return;
    pendingQuestions_.Add(questions);
    // A view that asks again in the same broadcast (a nested one) is answered once.
    std::erase_if(pendingAskers_, [&asker](const CStyleAsker& pending) { return pending.view == &asker; });
    pendingAskers_.push_back({&asker, std::move(answer)});
    if (!InBroadcast()) SendStyleQuestions();
}

void CPagewrightDoc::OnBroadcastEnd() {
    SendStyleQuestions();
    ui_.CommandStatesChanged();
}

void CPagewrightDoc::SendStyleQuestions() {
    if (pendingAskers_.empty()) return;
    const CStyleQuestions questions = std::exchange(pendingQuestions_, {});
    auto askers = std::make_shared<std::vector<CStyleAsker>>(std::exchange(pendingAskers_, {}));
    if (IsBusy() || !connection_) return;
    auto answers = std::make_shared<CStyleAnswers>();
    Run(
        connection_, connection_->Cancellation(),
        [nodeId = selection_, questions, answers](CPageConnection::CSide& side, const CancellationHandle&) {
            const LiveElementHandle element = LookUp(side, nodeId);
            if (element) *answers = ::marklens::AskStyles(*side.probe, *element, questions);
        },
        [this, askers, answers, serial = selectionSerial_](const CWorkOutcome&) {
            if (serial != selectionSerial_ || IsBusy()) return;  // the selection has moved on
            for (const CStyleAsker& asker : *askers) {
                if (HasView(asker.view)) asker.answer(*answers);
            }
        });
}

void CPagewrightDoc::AskBoxModel(int nodeId, BoxModelAnswer answer) {
    if (!connection_ || IsBusy() || nodeId == 0) return;
    if (boxQuestionOnItsWay_) {
        waitingBoxQuestion_ = CBoxQuestion{nodeId, std::move(answer)};
        return;
    }
    SendBoxQuestion(nodeId, std::move(answer));
}

void CPagewrightDoc::SendBoxQuestion(int nodeId, BoxModelAnswer answer) {
    boxQuestionOnItsWay_ = true;
    auto model = std::make_shared<std::optional<CBoxModel>>();
    Run(
        connection_, connection_->Cancellation(),
        [nodeId, model](CPageConnection::CSide& side, const CancellationHandle&) {
            if (const LiveElementHandle element = LookUp(side, nodeId)) *model = side.probe->BoxModel(*element);
        },
        [this, nodeId, model, answer = std::move(answer)](const CWorkOutcome&) {
            boxQuestionOnItsWay_ = false;
            answer(nodeId, *model);
            if (std::optional<CBoxQuestion> next = std::exchange(waitingBoxQuestion_, std::nullopt))
                AskBoxModel(next->nodeId, std::move(next->answer));
        });
}

void CPagewrightDoc::WithElement(int nodeId, std::function<void(ILiveElement&)> work, WorkDone done) {
    WithElement(
        nodeId, [work = std::move(work)](ILiveElement& element, IPageProbe&) { work(element); }, std::move(done));
}

void CPagewrightDoc::WithElement(int nodeId, std::function<void(ILiveElement&, IPageProbe&)> work, WorkDone done) {
    if (IsBusy()) {
        done(Cancelled());
        return;
    }
    if (!connection_) {
        done({CWorkOutcome::Kind::NoElement, std::nullopt});
        return;
    }
    auto found = std::make_shared<bool>(false);
    auto edits = std::make_shared<std::optional<CEditState>>();
    Run(
        connection_, connection_->Cancellation(),
        [nodeId, work = std::move(work), found, edits](CPageConnection::CSide& side, const CancellationHandle&) {
            const LiveElementHandle element = LookUp(side, nodeId);
            if (!element) return;
            *found = true;
            ThenReadEdits(*side.probe, *edits, [&] { work(*element, *side.probe); });
        },
        [this, found, edits, done = std::move(done)](const CWorkOutcome& outcome) {
            if (edits->has_value()) TakeEditState(**edits);
            if (outcome.IsDone() && !*found) {
                done({CWorkOutcome::Kind::NoElement, std::nullopt});
                return;
            }
            done(outcome);
        });
}

void CPagewrightDoc::OnCopySelector() {
    CopyFromSelection([](ILiveElement& element, IPageProbe& probe) {
        std::string lines;
        for (const std::string& selector : probe.SelectorPath(element))
            lines += (lines.empty() ? "" : "\n") + selector;
        return lines;
    });
}

void CPagewrightDoc::OnCopyOuterHtml() {
    CopyFromSelection([](ILiveElement& element, IPageProbe&) { return element.OuterHtml(); });
}

void CPagewrightDoc::CopyFromSelection(std::function<std::string(ILiveElement&, IPageProbe&)> read) {
    if (IsBusy()) return;
    auto text = std::make_shared<std::string>();
    WithElement(
        selection_,
        [read = std::move(read), text](ILiveElement& element, IPageProbe& probe) { *text = read(element, probe); },
        [this, text](const CWorkOutcome& outcome) {
            switch (outcome.kind) {
            case CWorkOutcome::Kind::Done:
                ui_.SetClipboardText(*text);
                ShowStatusMessage(message::kCopied, true);
                return;
            case CWorkOutcome::Kind::Failed:
                ShowStatusMessage(message::kCannotCopy + outcome.error->Message(), true);
                return;
            case CWorkOutcome::Kind::NoElement: ShowStatusMessage(message::kNothingToCopy, true); return;
            case CWorkOutcome::Kind::Cancelled: return;
            }
        });
}

void CPagewrightDoc::ShowStatusMessage(const std::string& text, bool hold) const { ui_.ShowStatusMessage(text, hold); }

void CPagewrightDoc::ReportConnectError(const CObjectCallError& error) const {
    ui_.ShowMessage(ConnectErrorText(error), MessageIcon::Warning);
}

void CPagewrightDoc::SetBrowserCaption(const std::string& label) const {
    ui_.SetCaption(std::string(message::kProgramTitle) + message::kCaptionSeparator + label);
}

void CPagewrightDoc::SetBrowserLists(std::vector<std::string> labels, std::vector<BrowserWindowHandle> browsers) {
    // A position must name the same window in both lists.
    if (labels.size() != browsers.size()) throw std::invalid_argument("browser lists differ in length");
    labels_ = std::move(labels);
    browsers_ = std::move(browsers);
}

bool CPagewrightDoc::OnCommand(int commandId) {
    for (const CDocumentCommand& entry : kDocumentCommands) {
        if (entry.id == commandId) {
            (this->*entry.handler)();
            return true;
        }
    }
    return false;
}

void CPagewrightDoc::OnConnect() { ui_.RunConnectDialog(); }

void CPagewrightDoc::OnFind() {
    if (ui_.RunFindDialog()) OnFindNext();
}

void CPagewrightDoc::OnFindNext() {
    const CFindOutcome outcome = FindNextInMirror(mirror_.get(), selection_, FindSettings());
    switch (outcome.kind) {
    case CFindOutcome::Kind::OpenDialog: OnFind(); return;
    case CFindOutcome::Kind::NoStart: return;
    case CFindOutcome::Kind::NotFound:
        ui_.ShowMessage(message::kNotFoundInTree + outcome.comparedText, MessageIcon::None);
        return;
    case CFindOutcome::Kind::Found:
        if (outcome.wrapped) ShowStatusMessage(message::kPassedEndOfTree, true);
        SetSelection(outcome.nodeId, nullptr);
        return;
    }
}

void CPagewrightDoc::OnRefresh() { Refresh(); }

// The commands that read or change the page wait while an attach or a Refresh runs.
void CPagewrightDoc::OnEditHtml() {
    if (!IsBusy()) ui_.EditHtml();
}

void CPagewrightDoc::OnEditStyleAttribute() {
    if (attributePane_ && !IsBusy()) attributePane_->EditSelectedAttribute();
}

void CPagewrightDoc::EditStyleAttribute(const std::string& name, const std::string& value,
                                        const std::string& defaultValue) {
    // Documents have no inline style; only elements and frames of the mirror can take one.
    const bool styled = schema::HasBox(schema::KindOf(FindNodeById(selection_)));
    const auto open = [this, name, value, defaultValue](const CWorkOutcome& outcome) {
        if (outcome.IsDone()) {
            ui_.RunAttributeDialog(name, value, defaultValue);
        } else if (outcome.kind != CWorkOutcome::Kind::Cancelled) {
            ui_.ShowMessage(message::kCannotSetStyle, MessageIcon::Warning);
        }
    };
    if (!styled) {
        open({CWorkOutcome::Kind::NoElement, std::nullopt});
        return;
    }
    WithElement(
        selection_, [](ILiveElement&) {}, open);
}

void CPagewrightDoc::SetStyleAttribute(const std::string& name, const std::string& value, WorkDone done) {
    if (!connection_ || IsBusy()) {
        done({CWorkOutcome::Kind::NoElement, std::nullopt});
        return;
    }
    struct CSet {
        bool found = false;
        bool taken = false;
        std::unique_ptr<CPicture> picture;
        std::optional<CObjectCallError> captureFailure;
        CEditState edits;
    };
    auto set = std::make_shared<CSet>();
    ui_.BeginCapture();
    Run(
        connection_, connection_->Cancellation(),
        [nodeId = selection_, name, value, set](CPageConnection::CSide& side, const CancellationHandle&) {
            const LiveElementHandle element = LookUp(side, nodeId);
            if (!element) return;
            set->found = true;
            element->SetStyleAttribute(name, value);
            set->taken = true;
            set->edits = side.probe->EditState();
            // From here the page shows the new value: a failed capture must not take that back.
            try {
                set->picture = std::make_unique<CPicture>(side.page->CapturePicture());
            } catch (const CObjectCallError& error) {
                if (error.Code() == status::kCancelled) throw;
                set->captureFailure = error;
            }
        },
        [this, set, done = std::move(done)](const CWorkOutcome& outcome) {
            ui_.EndCapture();
            if (!set->taken) {
                done(set->found || !outcome.IsDone() ? outcome : CWorkOutcome{CWorkOutcome::Kind::NoElement, {}});
                return;
            }
            picture_ = std::move(set->picture);
            TakeEditState(set->edits);
            ++selectionSerial_;
            UpdateAllViews(nullptr, HintStyleChanged);
            if (set->captureFailure) {
                const std::string& detail = set->captureFailure->Message();
                ui_.ShowMessage(std::string(message::kCaptureFailed) + (detail.empty() ? "" : "\n" + detail),
                                MessageIcon::Warning);
            }
            done({CWorkOutcome::Kind::Done, std::nullopt});
        });
}

// Following the page. The connection waits for the page's next change, which costs the page
// next to nothing; a change brings a walk and a picture at once after a quiet spell, then no more
// often than a few times a second and never for more than a quarter of the time.
namespace {

constexpr int kWatchMs = 30;
constexpr auto kAwaitChange = std::chrono::milliseconds(100);
constexpr auto kQuietSpell = std::chrono::milliseconds(300);
constexpr auto kMinWalkGap = std::chrono::milliseconds(200);
constexpr int kWalkShare = 4;  // a walk that took t waits 3 t before the next
constexpr auto kBehindAfter = std::chrono::seconds(2);
constexpr int kFollowPairs = 2;  // tries at a mirror and picture with no change between them

// The first change after a quiet spell is walked at once.
bool AfterQuietSpell(FollowClock::time_point lastChange, FollowClock::time_point now) {
    return now - lastChange > kQuietSpell;
}

}  // namespace

void CPagewrightDoc::SetFollowing(bool on) {
    if (on == following_) return;
    following_ = on;
    if (on) {
        StartFollowing();
    } else {
        ++follow_->round;
        follow_->watching = false;
        follow_->pending = false;
    }
}

void CPagewrightDoc::StartFollowing() {
    const bool walking = follow_->walking;
    *follow_ = CFollow{follow_->round + 1};
    follow_->walking = walking;
    WatchSoon(kWatchMs);
}

void CPagewrightDoc::WatchSoon(int milliseconds) {
    if (!following_ || !connection_ || follow_->watching) return;
    follow_->watching = true;
    ui_.PostAfter(milliseconds, [this, alive = std::weak_ptr<bool>(alive_), round = follow_->round] {
        if (!alive.expired()) Watch(round);
    });
}

void CPagewrightDoc::Watch(std::uint64_t round) {
    if (round != follow_->round) return;
    follow_->watching = false;
    // A walk that runs or a Refresh starts the watch again when it ends.
    if (!following_ || !connection_ || IsBusy() || follow_->walking) return;
    if (follow_->pending && FollowClock::now() >= follow_->nextWalk) {
        FollowNow();
        return;
    }
    follow_->watching = true;
    auto changes = std::make_shared<CPageChanges>();
    const bool early = follow_->settled && !follow_->hidden;
    // A change that would be walked at once is walked by the page as it changes.
    const auto now = FollowClock::now();
    const bool walkAtChange = early && (AfterQuietSpell(follow_->lastChange, now) || now >= follow_->nextWalk);
    Run(
        connection_, connection_->Cancellation(),
        [changes, wait = !follow_->pending, early, walkAtChange](CPageConnection::CSide& side,
                                                                 const CancellationHandle&) {
            if (!side.probe) throw CObjectCallError(status::kInvalidPointer);
            // Until the page changes, the connection waits for it, giving way to any other work.
            if (wait) {
                const std::optional<std::int64_t> mark =
                    side.probe->AwaitChange(kAwaitChange, *side.nextJobSignal(), walkAtChange);
                // The picture goes out now, so that it comes with the frame the page draws for
                // its change: a page that settles gets no second frame.
                if (mark && early && side.page) {
                    side.earlyPicture = side.page->StartPictureAtOnce();
                    side.earlyMark = *mark;
                }
            }
            *changes = side.probe->TakeChanges();
        },
        [this, changes, round, connection = std::weak_ptr(connection_)](const CWorkOutcome& outcome) {
            if (!connection_ || round != follow_->round || connection.lock() != connection_) return;
            follow_->watching = false;
            if (outcome.kind == CWorkOutcome::Kind::Failed) {
                ShowStatusMessage(message::kFollowFailed + outcome.error->Message(), true);
                return;
            }
            if (outcome.IsDone()) TakeChanges(*changes);
        },
        true);
}

void CPagewrightDoc::TakeChanges(const CPageChanges& changes) {
    CFollow& follow = *follow_;
    const auto now = FollowClock::now();
    if (changes.hidden && !follow.hidden) ShowStatusMessage(message::kPicturePaused, true);
    follow.hidden = changes.hidden;
    if (changes.Any()) {
        if (AfterQuietSpell(follow.lastChange, now)) follow.nextWalk = std::min(follow.nextWalk, now);
        follow.lastChange = now;
        if (!follow.pending) follow.pendingSince = now;
        follow.pending = true;
    }
    if (follow.pending && now >= follow.nextWalk) {
        FollowNow();
        return;
    }
    if (follow.pending && now - follow.pendingSince > kBehindAfter && !follow.behindShown) {
        follow.behindShown = true;
        ShowStatusMessage(message::kFollowBehind, false);
    }
    // A quiet page is waited on at once; a changing one asked again a little later.
    WatchSoon(follow.pending ? kWatchMs : 0);
}

void CPagewrightDoc::FollowNow() {
    CFollow& follow = *follow_;
    follow.walking = true;
    follow.pending = false;
    follow.walkStarted = FollowClock::now();
    auto result = std::make_shared<CWalkResult>();
    if (mirror_) result->patchOnto = mirror_->Facts();
    Run(
        connection_, connection_->Cancellation(),
        // A page that did not settle last time will not now: one try at a pair is enough.
        [result, hidden = follow.hidden, pairs = follow.settled ? kFollowPairs : 1](
            CPageConnection::CSide& side, const CancellationHandle& cancellation) {
            if (!side.page || !side.probe) throw CObjectCallError(status::kInvalidPointer);
            FollowWalk(side, *result, hidden, pairs, cancellation);
        },
        [this, result, connection = std::weak_ptr(connection_)](const CWorkOutcome& outcome) {
            if (!connection_ || connection.lock() != connection_) return;
            FinishFollow(*result, outcome);
        },
        true);
}

// A mirror and a picture with no change between them: the picture is taken while the tree is
// read, and when anything changed from the start of the walk to the end of the picture, the
// pair is taken again; on a page that never stops, the last pair stays, not settled. A
// picture started when the change was seen serves while the page has not changed since.
void CPagewrightDoc::FollowWalk(CPageConnection::CSide& side, CWalkResult& result, bool hidden, int pairs,
                                const CancellationHandle& cancellation) {
    for (int pair = 1;; ++pair) {
        std::unique_ptr<IPendingPicture> picture = std::move(side.earlyPicture);
        const std::int64_t earlyMark = picture ? std::exchange(side.earlyMark, -1) : -1;
        // A hidden tab renders nothing: its picture is not asked for.
        const auto pictureUnlessHidden = [&] {
            if (hidden) {
                picture.reset();
            } else if (!picture) {
                picture = side.page->StartPictureInPlace();
            }
        };
        pictureUnlessHidden();
        CWalkControl control;
        control.cancellation = cancellation;
        control.tellPrevious = true;
        control.copyUnchanged = true;
        control.betweenSteps = [&picture] {
            if (picture) picture->GoOn();
        };
        CMirrorAnswer answer = side.probe->RequestMirrorAnswer(*side.page, control);
        // The mirror is built while the page tells what changed meanwhile and the picture comes.
        auto built = std::async(std::launch::async, [&] { return BuildWithStableIds(answer, side, result); });
        const CPageChanges meanwhile = side.probe->TakeChanges();
        result.hidden = hidden = meanwhile.hidden;
        if (meanwhile.seen > 0 && pair < pairs) {
            // The next walk names its nodes after this one's: their identifiers carry over, in
            // the build or here. Its mirror is made whole.
            if (!built.get()) side.ids.Assign(answer.previous, answer.previous.size());
            result.mirror.reset();
            result.patch.reset();
            side.builtFacts.reset();
            continue;
        }
        if (earlyMark >= 0 && meanwhile.mark != earlyMark) picture.reset();
        result.picture.reset();
        pictureUnlessHidden();  // a new one when the page changed, or the tab showed again
        // The last look at the page goes out once the picture is in; the picture decodes meanwhile.
        std::future<CPicture> decoded;
        if (picture) {
            picture->Receive();
            decoded = std::async(std::launch::async, [&picture] { return picture->Take(); });
        }
        const CPageChanges after = side.probe->TakeChanges();
        if (decoded.valid()) result.picture = std::make_unique<CPicture>(decoded.get());
        built.get();
        result.settled = meanwhile.seen == 0 && !after.Any();
        if (result.settled || pair >= pairs) break;
    }
    result.edits = side.probe->EditState();
}

void CPagewrightDoc::FinishFollow(CWalkResult& result, const CWorkOutcome& outcome) {
    CFollow& follow = *follow_;
    follow.walking = false;
    const auto took = FollowClock::now() - follow.walkStarted;
    follow.nextWalk = FollowClock::now() + std::max<FollowClock::duration>(kMinWalkGap, (kWalkShare - 1) * took);
    if (!following_) return;
    if (outcome.kind == CWorkOutcome::Kind::Failed) {
        ShowStatusMessage(message::kFollowFailed + outcome.error->Message(), true);
        return;
    }
    // A Refresh that runs installs its own mirror, then watches again.
    if (!outcome.IsDone() || IsBusy()) return;
    InstallFollowed(result);
    follow.settled = result.settled;
    if (!result.settled) {
        // The page changed while it was walked: no quiet spell, the next walk waits its turn.
        follow.lastChange = FollowClock::now();
        follow.pending = true;
        follow.pendingSince = FollowClock::now();
        ShowStatusMessage(message::kPictureMayLag, false);
    } else {
        follow.behindShown = false;
    }
    WatchSoon(follow.pending ? kWatchMs : 0);
}

// The selection stays with its node while the node is in the page; once gone, it moves to
// what stands in its place now (frameworks put an equal element there), else it is cleared.
void CPagewrightDoc::InstallFollowed(CWalkResult& result) {
    const SelectionPath path = PathOfSelection(mirror_.get(), selection_);
    const int before = selection_;
    Install(result);
    if (before != 0 && !FindNodeById(before)) {
        selection_ = SelectionAtPath(mirror_.get(), path);
        if (selection_ == 0) ShowStatusMessage(message::kSelectionLeftPage, true);
    }
    ++selectionSerial_;
    UpdateAllViews(nullptr, HintPageFollowed);
}

}  // namespace marklens

#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/cancellation.h"
#include "document.h"
#include "model/mirror/box.h"
#include "model/page/boxmodel.h"
#include "model/page/browserwindow.h"
#include "model/page/picture.h"
#include "model/style/styleanswers.h"
#include "pageconnection.h"
#include "workoutcome.h"

namespace marklens {

class CObjectCallError;
class CPageMirror;
class IAttributePane;
class IBrowserShell;
class IDocumentUi;
class ILiveElement;

// The one document: the connection to one page. It owns the browser lists, the mirror and the
// picture, keeps the selection, and is the panes' hub; the panes are its views. Everything
// that talks to the browser runs on the page connection's own thread: the document posts that
// work, the window stays alive meanwhile, and the answers come back on the user interface's
// thread, where they change the document. An answer that arrives after the work it belongs
// to was cancelled or overtaken is dropped.
class CPagewrightDoc : public CDocument {
public:
    using Jobs = CPageConnection::Jobs;

    // The shell may be empty until the browser layer is wired in; discovery then finds nothing.
    // Jobs::Inline runs the browser work at once on the calling thread (tests with fakes).
    CPagewrightDoc(IDocumentUi& ui, std::shared_ptr<IBrowserShell> shell, Jobs jobs = Jobs::OnOwnThread);
    // Cancels what runs and waits for the connections' threads.
    ~CPagewrightDoc() override;

    // The process-wide document, for dialogs that are not views; none before the first one
    // is constructed and after it is destroyed.
    static CPagewrightDoc* Instance();

    // Selection. The broadcast goes out even when the value does not change.
    void SetSelection(int nodeId, IView* sender);
    int GetSelection() const { return selection_; }

    // Look-ups in the mirror; they fail quietly.
    pugi::xml_node FindNodeById(int nodeId) const;
    int HitTest(int x, int y, CBox* box = nullptr) const;

    // Finds the running browsers anew; done runs once the lists are filled.
    void EnumerateBrowsers(std::function<void()> done);
    // Attaches to the browser at the position of the lists. Shows its own message when the
    // probe library is missing (done then hears Cancelled). A new attach cancels one that
    // runs. Until done hears Done the document stays exactly as it was: a failed or
    // cancelled attach changes nothing.
    void ConnectToBrowser(int position, WorkDone done);
    // Evaluates the expression in the page of the browser at the position; its value must be
    // a window that page opened. Unless testing, attaches to that window's page, the caption
    // still naming the browser at the position.
    void EvaluateModelessExpression(int position, const std::string& expression, bool testOnly, WorkDone done);
    // Attaches to a page the caller reached itself (the program's own browser, tests).
    void AttachPage(LivePageHandle page, const std::string& label, WorkDone done);
    // Walks the page again and keeps the selection by its place in the tree (at the time the
    // new mirror arrives). Without a page, opens the Connect dialog instead.
    void Refresh();
    // Cancels a running attach or Refresh: the document stays as it was before it.
    void CancelWork();
    // An attach or a Refresh runs.
    bool IsBusy() const { return busy_ != Busy::None; }
    // True when no browser work is on its way or waiting for the user interface (tests).
    bool IsIdle() const;

    // Asks the style questions of the selected element for the asking view. The questions of
    // one broadcast go out together: one look-up of the element, both questions at once.
    // answer runs only while the view is still the document's and the selection has not
    // moved on; while an attach or Refresh runs nothing is asked and nothing answered.
    void AskStyles(IView& asker, const CStyleQuestions& questions, std::function<void(const CStyleAnswers&)> answer);
    // The browser's box model of a node, for the picture's bands; answer hears none for a node
    // without boxes, or when asking failed. Only the newest question waits while one is on its
    // way, so a fast pointer never builds a queue; nothing is asked while an attach or Refresh
    // runs.
    using BoxModelAnswer = std::function<void(int nodeId, const std::optional<CBoxModel>& model)>;
    void AskBoxModel(int nodeId, BoxModelAnswer answer);
    // Runs work with the live element of the node on the connection's thread; done hears
    // NoElement when the page has none for it. Refused (Cancelled) while an attach or Refresh
    // runs.
    void WithElement(int nodeId, std::function<void(ILiveElement&)> work, WorkDone done);
    void WithElement(int nodeId, std::function<void(ILiveElement&, IPageProbe&)> work, WorkDone done);

    void ShowStatusMessage(const std::string& text, bool hold) const;
    void ReportConnectError(const CObjectCallError& error) const;
    void SetBrowserCaption(const std::string& label) const;

    // Style setting on the selection's inline style. EditStyleAttribute opens the dialog, or
    // says why it cannot; SetStyleAttribute's done hears Done once the browser took the value
    // (the picture is then captured anew and the change announced).
    void EditStyleAttribute(const std::string& name, const std::string& value, const std::string& defaultValue);
    void SetStyleAttribute(const std::string& name, const std::string& value, WorkDone done);
    // The pane that Edit Style Attribute hands over to; it clears itself before it goes.
    void SetAttributePane(IAttributePane* pane) { attributePane_ = pane; }
    IAttributePane* AttributePane() const { return attributePane_; }

    // Runs a command of the document's table; false when the document has no such command.
    bool OnCommand(int commandId);
    // Whether the command has something to work on now: page commands wait while an attach or
    // Refresh runs, copies need a node with markup, Undo and Redo a step to take back.
    bool IsCommandEnabled(int commandId) const;

    IDocumentUi& Ui() const { return ui_; }
    IBrowserShell* Shell() const { return shell_.get(); }
    const std::vector<std::string>& BrowserLabels() const { return labels_; }
    const std::vector<BrowserWindowHandle>& Browsers() const { return browsers_; }
    void SetBrowserLists(std::vector<std::string> labels, std::vector<BrowserWindowHandle> browsers);
    bool IsAttached() const { return connection_ != nullptr; }
    const CPageMirror* Mirror() const { return mirror_.get(); }
    const CPicture* Picture() const { return picture_.get(); }

    // Command handlers.
    void OnConnect();
    void OnFind();
    void OnFindNext();
    void OnRefresh();
    void OnEditHtml();
    void OnEditStyleAttribute();
    void OnCopySelector();
    void OnCopyOuterHtml();
    void OnUndo();
    void OnRedo();

    // What Undo and Redo would take back now.
    const CEditState& Edits() const { return edits_; }

    // While following, the mirror, the tree, the picture and the style panes keep up with what
    // the page changes by itself; on from the start.
    void SetFollowing(bool on);
    bool IsFollowing() const { return following_; }

protected:
    void OnBroadcastEnd() override;

private:
    enum class Busy { None, Attach, Refresh };
    struct CAttach;
    struct CPageWork;
    using Work = std::function<void(CPageConnection::CSide&, const CancellationHandle&)>;

    // The browser at a listed position; none, after telling done, for a position past the
    // lists or an empty entry.
    BrowserWindowHandle ListedBrowser(int position, const WorkDone& done) const;
    PageConnectionHandle NewConnection() const;
    // Runs work on the connection's thread under the cancellation, then done on this thread
    // with how it ended; anything the work throws becomes its failure.
    // Quiet work is the program's own (following the page): the cursor does not tell of it.
    void Run(const PageConnectionHandle& connection, CancellationHandle cancellation, Work work, WorkDone done,
             bool quiet = false);
    // Puts what read answers of the selected element on the clipboard, or says why it cannot.
    void CopyFromSelection(std::function<std::string(ILiveElement&, IPageProbe&)> read);
    // Runs on this thread, unless the document is gone by then.
    void PostHere(std::function<void()> task);
    // The attach's work on a new connection; page gives the page there.
    void StartAttach(const std::string& label, std::function<LivePageHandle(const CancellationHandle&)> page,
                     WorkDone done);
    void FinishAttach(const std::shared_ptr<CPageWork>& attach, const CWorkOutcome& outcome);
    // Walks the page and captures it, on the connection's thread, into result.
    struct CWalkResult;
    // True when the walk's nodes got their identifiers from the walk before.
    static bool BuildWithStableIds(CMirrorAnswer& answer, CPageConnection::CSide& side, CWalkResult& result);
    void WalkAndCapture(CPageConnection::CSide& side, CWalkResult& result, const CancellationHandle& cancellation);
    void FinishRefresh(const std::shared_ptr<CPageWork>& refresh, const CWorkOutcome& outcome);
    void SetBusy(Busy busy);
    // The connection goes once its thread has run out of work, without waiting here.
    void Retire(PageConnectionHandle connection);
    // Installs a walked mirror and picture; the old mirror is freed on a connection's thread.
    void Install(CWalkResult& result);
    void ReplaceMirror(std::unique_ptr<CPageMirror> mirror);
    void SendStyleQuestions();
    void SendBoxQuestion(int nodeId, BoxModelAnswer answer);
    // Takes in what the probe's history holds after some work; says so when the page dropped it.
    void TakeEditState(const CEditState& state);
    void TakeBack(bool undo);
    // Following the page: it is asked now and then what it changed; changes bring a walk and a
    // picture, coalesced so a page that never stops changing leaves the window usable.
    struct CFollow;
    void StartFollowing();
    void WatchSoon(int milliseconds);
    void Watch(std::uint64_t round);
    void TakeChanges(const CPageChanges& changes);
    void FollowNow();
    static void FollowWalk(CPageConnection::CSide& side, CWalkResult& result, bool hidden, int pairs,
                           const CancellationHandle& cancellation);
    void FinishFollow(CWalkResult& result, const CWorkOutcome& outcome);
    void InstallFollowed(CWalkResult& result);

    IDocumentUi& ui_;
    std::shared_ptr<IBrowserShell> shell_;
    Jobs jobs_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // Declared in the order of release reversed: the picture goes first, the labels last.
    std::vector<std::string> labels_;
    std::vector<BrowserWindowHandle> browsers_;
    PageConnectionHandle connection_;
    PageConnectionHandle discovery_;  // where the browsers are found
    std::unique_ptr<CPageMirror> mirror_;
    std::unique_ptr<CPicture> picture_;
    int selection_ = 0;
    // Counts every change of what the selection names: answers asked before it are stale.
    std::uint64_t selectionSerial_ = 0;
    IAttributePane* attributePane_ = nullptr;
    CEditState edits_;
    bool following_ = true;
    std::unique_ptr<CFollow> follow_;

    Busy busy_ = Busy::None;
    std::shared_ptr<CPageWork> running_;  // the attach or Refresh that runs
    std::vector<PageConnectionHandle> retired_;
    int working_ = 0;  // pieces of browser work on their way
    struct CStyleAsker {
        IView* view;
        std::function<void(const CStyleAnswers&)> answer;
    };
    struct CBoxQuestion {
        int nodeId = 0;
        BoxModelAnswer answer;
    };
    std::optional<CBoxQuestion> waitingBoxQuestion_;
    bool boxQuestionOnItsWay_ = false;
    CStyleQuestions pendingQuestions_;
    std::vector<CStyleAsker> pendingAskers_;
};

}  // namespace marklens

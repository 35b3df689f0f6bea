#pragma once
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cascaderules.h"
#include "devtoolssession.h"
#include "edithistory.h"
#include "model/page/pageprobe.h"
#include "remoteobject.h"

namespace marklens {

// The page probe: the probe script evaluated in a fresh isolated world of the tab's main frame.
// When the tab navigated, the next call creates it anew in the new document. Frames of other
// origins get probes of their own (in the same session, or in a session of their own when
// another process renders them), whose records and node identifiers join the page's.
class CChromiumProbe : public IPageProbe {
public:
    // How long the page walks at a time before it answers with what it has written: short
    // enough that the page stays responsive and a slow page fails within the call time-out,
    // long enough that the round trips cost little.
    static constexpr std::chrono::milliseconds kWalkSlice{40};
    // Walks that a page may spoil by changing between slices before it is walked in one call.
    static constexpr int kSlicedWalks = 3;
    // How deep closed shadow roots are looked for inside closed shadow roots.
    // More candidates than a page can reasonably have are a hostile page's: the rest go unasked.
    static constexpr std::size_t kMaxCandidates = 1'000'000;
    static constexpr std::size_t kRootsPerCall = 1000;
    // Up to this many candidates are fetched one call each, at once; more as one array.
    static constexpr std::size_t kCandidatesByIndex = 100;
    // How long a frame of another origin may take to answer one call, and all of them together
    // to be walked: a frame that does not answer stays empty, the rest of the page attaches.
    static constexpr std::chrono::milliseconds kFrameCallTimeout{2000};
    static constexpr std::chrono::milliseconds kFramesBudget{4000};

    // Throws CObjectCallError with status::kAccessDenied when the page refuses the probe.
    CChromiumProbe(DevToolsSessionHandle session, std::string script);
    // A probe in the frame of the session's page (or, with its own session, of its target),
    // sharing the cascade of its session's other frames.
    CChromiumProbe(DevToolsSessionHandle session, std::string script, std::string frameId,
                   std::shared_ptr<CCascadeRules> cascade, std::shared_ptr<CEditHistory> history);
    // The page stops being watched for this probe.
    ~CChromiumProbe() override;
    CChromiumProbe(const CChromiumProbe&) = delete;
    CChromiumProbe& operator=(const CChromiumProbe&) = delete;

    std::string RequestMirror(ILivePage& page, int reserved1, int reserved2) override;
    // Walks the page in slices; see CWalkControl. A page that changes what was walked between
    // two slices, or navigates, is walked again.
    CMirrorAnswer RequestMirrorAnswer(ILivePage& page, const CWalkControl& control) override;
    using IPageProbe::RequestMirrorAnswer;
    std::string CurrentStyle(ILiveElement& element, const std::string& catalogXml) override;
    LiveElementHandle ElementForId(const std::string& nodeIdText) override;
    std::string StyleRules(ILiveElement& element) override;
    std::vector<std::string> SelectorPath(ILiveElement& element) override;
    // Asked in the session of the element's document, moved into the top page's viewport.
    std::optional<CBoxModel> BoxModel(ILiveElement& element) override;
    // One history for the edits of the page and its frames, each step undone in its session.
    CEditState EditState() override { return history_->State(); }
    void Undo() override { history_->Undo(); }
    void Redo() override { history_->Redo(); }
    // The changes of the page and of its frames of other origins in one list, numbered as the
    // last mirror's nodes, times counted from when this object was made; a frame that does not
    // answer is left out.
    CPageChanges TakeChanges() override;
    // Marks only for a page without frames of other origins: the page's own count covers it.
    std::optional<std::int64_t> AwaitChange(std::chrono::milliseconds longest, CCancellation& stop,
                                            bool walkAtChange) override;
    // The current-style question goes out before the rules' calls, so both are on their way
    // at once.
    CStyleTexts StyleTexts(ILiveElement& element, const std::string* catalogXml, bool rules) override;
    // The time of one slice of the walk; none walks the whole page in one call, zero one node
    // per slice.
    void SetWalkSlice(std::optional<std::chrono::milliseconds> slice) { slice_ = slice; }
    // The next copying walk sends the text of all it copies, as after a walk whose answer was lost.
    void ForgetHeldRecords() {
        heldRecords_.clear();
        heldWalk_ = 0;
    }
    // What the browser itself hits on a grid over the viewport, every step pixels: x, y and the
    // node identifier of the last mirror (0 for nothing, -1 for a node not in it), row by row.
    std::vector<int> BrowserHits(int step);

private:
    // The targets of frames that other processes render, attached to as sessions of their own.
    struct CAttachedFrames {
        std::vector<DevToolsSessionHandle> watched;             // sessions that attach their frames' targets
        std::map<std::string, DevToolsSessionHandle> sessions;  // by target (frame) id
    };
    // A frame walked by a probe of its own, in place of the empty document of node `at`.
    struct CSplice {
        int at = 0;     // the frame's node, counted in this probe's own records
        int nodes = 0;  // of the frame's records
        std::shared_ptr<CChromiumProbe> probe;
        std::vector<int> previous;  // the numbers the frame's nodes had in its last walk, when asked
    };
    using Clock = std::chrono::steady_clock;
    // One probe's answer to changesTake, its node numbers its own.
    struct CProbeChanges {
        CPageChanges changes;
        int nodes = 0;   // of its last mirror: numbers beyond are of nodes new since
        double now = 0;  // its time of answering, as its changes count it
        Clock::time_point answered;
    };

    void Create();
    // Walks the frames of other origins the walk left empty and puts their records in place.
    void SpliceFrames(std::string& records, const nlohmann::json& frames, Clock::time_point deadline,
                      const CWalkControl& control);
    LiveElementHandle OwnElement(const std::string& nodeIdText);
    CChromiumProbe* FindOwner(const RemoteObjectHandle& probe);
    // The selector paths of the frame elements that hold owner's document, outermost first;
    // none when owner is not this probe or one of its frames'.
    std::optional<std::vector<std::string>> FramePath(const CChromiumProbe& owner);
    std::vector<std::string> OwnSelectorPath(ILiveElement& element);
    void SessionProbes(std::vector<CChromiumProbe*>& same,
                       std::vector<std::pair<CChromiumProbe*, const CSplice*>>& own);
    std::shared_ptr<CChromiumProbe> FrameProbe(int frameNode, Clock::time_point deadline);
    DevToolsSessionHandle AttachedSession(const std::string& frameId, Clock::time_point deadline);
    void TakeAttachEvents();
    // Starts the changes calls of this probe's frames of other origins, nested ones too.
    void StartFrameChanges(std::vector<std::pair<CChromiumProbe*, CDevToolsSession::CPendingCall>>& calls);
    static CProbeChanges ReadChanges(CDevToolsSession::CPendingCall& call);
    nlohmann::json StartArguments(std::optional<std::chrono::milliseconds> slice, bool tellPrevious,
                                  bool copyUnchanged) const;
    // A change count of this probe's page as a mark no other probe of it gives.
    std::int64_t MarkOf(std::int64_t count) const;
    // The page's number of a node that owner numbered ownId; nodes new since the last mirror get
    // numbers past the page's, one each until the next walk.
    int PageNodeId(const CChromiumProbe* owner, int ownId, int ownNodes, int pageNodes);
    // The probe and its own node identifier for an identifier of the records this probe answered.
    std::pair<CChromiumProbe*, int> Route(int nodeId);
    // An identifier of the records this probe answered for a node of `owner` (this or a frame's).
    std::optional<int> NodeIdOf(const CChromiumProbe* owner, int ownId) const;
    // The probe whose world the element lives in.
    CChromiumProbe& OwnerOf(ILiveElement& element);
    CStyleTexts OwnStyleTexts(ILiveElement& element, const std::string* catalogXml, bool rules);
    // The browser's hits at points of the top page's viewport, in this probe's session, as node
    // identifiers of the records this probe answered.
    std::vector<int> HitsAt(const std::vector<std::pair<int, int>>& points);
    // One walk of the page; none when the page spoilt it (walk again).
    std::optional<CMirrorAnswer> Walk(std::optional<std::chrono::milliseconds> slice, const CWalkControl& control);
    // Appends a step's records to the answer, its references to the held records resolved, and
    // all but its dictionary records to the walk's own node records.
    void AppendStep(std::string_view text, std::string& records, std::string& nodeRecords) const;
    std::string_view HeldRun(std::string_view reference) const;
    std::vector<int> PreviousNumbers(std::string_view records, const nlohmann::json& runs,
                                     const std::vector<CSplice>& before) const;
    // Hands the waiting walk the closed shadow roots and the generated content it met, for that
    // many candidates of each.
    void ProvidePageParts(std::size_t hosts, std::size_t generated);
    void FindClosedRoots(std::size_t count);
    void FindGeneratedContent(std::size_t count);
    std::vector<std::string> CandidateObjects(const char* list, std::size_t count);
    std::vector<std::string> CandidateArray(const char* list);
    // Calls a probe method without waiting for its answer; the session keeps the calls in order.
    void NotifyProbe(const char* function, nlohmann::json arguments) noexcept;
    std::vector<std::optional<nlohmann::json>> Describe(const std::vector<std::string>& objects);
    // Lets the page drop a walk this probe gave up, without waiting for it.
    void AbandonWalk(const CRemoteObject& probe) noexcept;
    // Calls a probe method; once more on a fresh probe when the old one's document is gone.
    nlohmann::json CallProbe(const std::string& function, const nlohmann::json& arguments, bool byValue);
    static std::string Text(nlohmann::json value, const char* answer);
    static const CRemoteObject& ElementObject(ILiveElement& element);
    std::string RulesOf(const CRemoteObject& target);
    std::optional<CBoxModel> OwnBoxModel(const CRemoteObject& target);

    DevToolsSessionHandle session_;
    std::string script_;
    RemoteObjectHandle probe_;
    std::int64_t worldId_ = 0;  // the probe's isolated world
    // The node records of the probe's last done walk, which a copying walk refers to, and that
    // walk's number (0: none held).
    std::string heldRecords_;
    std::int64_t heldWalk_ = 0;
    std::int64_t probesMade_ = 0;  // a new probe counts its changes from zero: marks tell them apart
    std::shared_ptr<CCascadeRules> cascade_;
    std::shared_ptr<CEditHistory> history_;
    std::optional<std::chrono::milliseconds> slice_ = kWalkSlice;
    std::string frameId_;  // none: the main frame of the session's target
    // Where the frame's viewport sits in the top page and the clip it gets there; null for the page.
    nlohmann::json frame_;
    // Where the viewport of the outermost frame this session's process renders sits in the top page.
    std::pair<double, double> localRoot_{0.0, 0.0};
    std::shared_ptr<CAttachedFrames> attached_;
    std::map<std::string, std::shared_ptr<CChromiumProbe>> frames_;  // by frame id, kept across walks
    std::vector<CSplice> splices_;                                   // of the last walk, in record order
    Clock::time_point framesDeadline_;  // a frame's: when the walks of the page's frames give up
    Clock::time_point made_ = Clock::now();
    std::map<std::pair<const CChromiumProbe*, int>, int> freshIds_;  // the page's numbers of new nodes
};

}  // namespace marklens

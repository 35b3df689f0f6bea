#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "cascaderules.h"
#include "devtoolssession.h"
#include "model/page/pageprobe.h"
#include "remoteobject.h"

namespace marklens {

// The page probe: the probe script evaluated in a fresh isolated world of the tab's main frame.
// When the tab navigated, the next call creates it anew in the new document.
class CChromiumProbe : public IPageProbe {
public:
    // How long the page walks at a time before it answers with what it has written: short
    // enough that the page stays responsive and a slow page fails within the call time-out,
    // long enough that the round trips cost little.
    static constexpr std::chrono::milliseconds kWalkSlice{40};
    // Walks that a page may spoil by changing between slices before it is walked in one call.
    static constexpr int kSlicedWalks = 3;
    // How deep closed shadow roots are looked for inside closed shadow roots.
    static constexpr int kClosedRootRounds = 8;
    // More candidates than a page can reasonably have are a hostile page's: the rest go unasked.
    static constexpr std::size_t kMaxCandidates = 1'000'000;
    static constexpr std::size_t kRootsPerCall = 1000;

    // Throws CObjectCallError with status::kAccessDenied when the page refuses the probe.
    CChromiumProbe(DevToolsSessionHandle session, std::string script);

    std::string RequestMirror(ILivePage& page, int reserved1, int reserved2) override;
    // Walks the page in slices; see CWalkControl. A page that changes what was walked between
    // two slices, or navigates, is walked again.
    CMirrorAnswer RequestMirrorAnswer(ILivePage& page, const CWalkControl& control) override;
    using IPageProbe::RequestMirrorAnswer;
    std::string CurrentStyle(ILiveElement& element, const std::string& catalogXml) override;
    LiveElementHandle ElementForId(const std::string& nodeIdText) override;
    std::string StyleRules(ILiveElement& element) override;
    // The current-style question goes out before the rules' calls, so both are on their way
    // at once.
    CStyleTexts StyleTexts(ILiveElement& element, const std::string* catalogXml, bool rules) override;
    // The time of one slice of the walk; none walks the whole page in one call, zero one node
    // per slice.
    void SetWalkSlice(std::optional<std::chrono::milliseconds> slice) { slice_ = slice; }
    // What the browser itself hits on a grid over the viewport, every step pixels: x, y and the
    // node identifier of the last mirror (0 for nothing, -1 for a node not in it), row by row.
    std::vector<int> BrowserHits(int step);

private:
    void Create();
    // One walk of the page; none when the page spoilt it (walk again).
    std::optional<CMirrorAnswer> Walk(std::optional<std::chrono::milliseconds> slice, const CWalkControl& control);
    // Hands the probe the closed shadow roots and the generated content of the page.
    void FindPageParts();
    void FindClosedRoots();
    void FindGeneratedContent();
    std::vector<std::string> CandidateObjects(const char* list);
    std::vector<std::optional<nlohmann::json>> Describe(const std::vector<std::string>& objects);
    // Lets the page drop a walk this probe gave up, without waiting for it.
    void AbandonWalk(const CRemoteObject& probe) noexcept;
    // Calls a probe method; once more on a fresh probe when the old one's document is gone.
    nlohmann::json CallProbe(const std::string& function, const nlohmann::json& arguments, bool byValue);
    static std::string Text(nlohmann::json value, const char* answer);
    static const CRemoteObject& ElementObject(ILiveElement& element);
    std::string RulesOf(const CRemoteObject& target);

    DevToolsSessionHandle session_;
    std::string script_;
    RemoteObjectHandle probe_;
    std::int64_t worldId_ = 0;  // the probe's isolated world
    CCascadeRules cascade_;
    std::optional<std::chrono::milliseconds> slice_ = kWalkSlice;
};

}  // namespace marklens

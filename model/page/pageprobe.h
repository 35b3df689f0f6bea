#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/cancellation.h"
#include "boxmodel.h"
#include "liveelement.h"
#include "pagechanges.h"

namespace marklens {

class ILivePage;

// The mirror request's answer as the probe delivers it: the mirror's XML text, or the probe's
// compact records that the mirror is built from directly.
struct CMirrorAnswer {
    std::string text;
    bool records = false;
    // When the walk was asked to tell them: for node n, previous[n - 1] is the number the same
    // node had in the probe's previous mirror, 0 for a node new since. Empty when unknown.
    std::vector<int> previous;
};

// How a long walk of the page reports and stops. progress, when set, hears now and then how
// many elements were walked of how many the page has; once the cancellation is asked for, the
// walk frees what it keeps in the page and throws CObjectCallError with status::kCancelled.
struct CWalkControl {
    std::function<void(std::int64_t walked, std::int64_t total)> progress;
    CancellationHandle cancellation;
    // Ask the walk for the numbers its nodes had in the previous mirror (CMirrorAnswer::previous).
    bool tellPrevious = false;
    // Let the walk take the records of what did not change since the previous walk from that
    // walk instead of reading it again; the answer is the same.
    bool copyUnchanged = false;
    // Called between the walk's steps, for calls that go along with it; must not wait.
    std::function<void()> betweenSteps;
};

// The probe's answer texts to the two style questions of one element; a question not asked,
// or one the probe could not answer, has none.
struct CStyleTexts {
    std::optional<std::string> currentStyle;
    std::optional<std::string> rules;
};

// What the edits made so far can take back: the names of the next undo and redo ("Edit
// HTML", "Set Style"; empty: none), and whether the page dropped the history since it was
// last asked (a new document).
struct CEditState {
    std::string undo;
    std::string redo;
    bool lost = false;
    bool operator==(const CEditState&) const = default;
};

// The page probe: the object created inside the attached page that does all page-side work.
// A failing call throws CObjectCallError.
class IPageProbe {
public:
    virtual ~IPageProbe() = default;

    // The page mirror as one XML text. Both integers are passed as 0.
    virtual std::string RequestMirror(ILivePage& page, int reserved1, int reserved2) = 0;
    // The same mirror in the form the probe makes it, for a rebuild without a text round trip;
    // a probe that walks the page in slices reports and stops as the control says.
    virtual CMirrorAnswer RequestMirrorAnswer(ILivePage& page, const CWalkControl& control);
    CMirrorAnswer RequestMirrorAnswer(ILivePage& page) { return RequestMirrorAnswer(page, CWalkControl{}); }
    // One "/attribs/attrib" entry per catalog entry, in catalog order, with current and
    // default values.
    virtual std::string CurrentStyle(ILiveElement& element, const std::string& catalogXml) = 0;
    // The live element for a node identifier of the current mirror, given as "%d" text.
    virtual LiveElementHandle ElementForId(const std::string& nodeIdText) = 0;
    // One "/style/rule" entry per applying rule, in display order.
    virtual std::string StyleRules(ILiveElement& element) = 0;
    // Both style questions of one element, the current style only with a catalog; a probe that
    // can asks them at once. The default asks one after the other.
    virtual CStyleTexts StyleTexts(ILiveElement& element, const std::string* catalogXml, bool rules);
    // Short CSS selectors that each match only one element, outermost first: the element's in
    // its document or shadow root after those of the shadow hosts and frames around it.
    virtual std::vector<std::string> SelectorPath(ILiveElement& element);
    // The browser's box model of the element; none when it has no boxes (display: contents)
    // or the probe cannot tell.
    virtual std::optional<CBoxModel> BoxModel(ILiveElement&) { return std::nullopt; }
    // The edits made through this probe's elements, for Undo and Redo. A probe without a
    // history has nothing to take back.
    virtual CEditState EditState() { return {}; }
    // Take back the last edit, or make the last one taken back again; a page that changed the
    // edited element since is refused with a CObjectCallError, nothing done.
    virtual void Undo();
    virtual void Redo();
    // What the page changed since the last call, or since the last mirror's walk started when
    // none came after it; a probe that cannot watch the page sees nothing.
    virtual CPageChanges TakeChanges() { return {}; }
    // Returns once the page has a change to take, after longest, or once stop is asked for,
    // whichever comes first; never throws (TakeChanges tells what went wrong). A probe that
    // cannot wait returns at once. When the wait ended on a change, the mark (see
    // CPageChanges::mark) of the page as it was then, if the probe can tell. With
    // walkAtChange, a following walk (tellPrevious, copyUnchanged) may begin in the page as it
    // changes, before the page draws the change; the next such RequestMirrorAnswer takes it up
    // when the page did not change since, and it is dropped otherwise.
    virtual std::optional<std::int64_t> AwaitChange(std::chrono::milliseconds /*longest*/, CCancellation& /*stop*/,
                                                    bool /*walkAtChange*/) {
        return std::nullopt;
    }
};

using PageProbeHandle = std::shared_ptr<IPageProbe>;

// The answer of one style question, or none when it could not be had; a cancellation is no
// missing answer and ends the whole work instead.
std::optional<std::string> AnswerOrNone(const std::function<std::string()>& question);

}  // namespace marklens

#include "chromiumprobe.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <deque>
#include <map>

#include "chromiumelement.h"
#include "model/errors/malformedanswer.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/mirror/pagemirror.h"

namespace marklens {

namespace {

using Json = nlohmann::json;

// Texts with which the browser reports that an object's document or world is gone.
bool IsDocumentGone(const CObjectCallError& error) {
    static constexpr std::array kGone = {"Cannot find context", "Could not find object", "context was destroyed",
                                         "navigated or closed", "Cannot find default execution context"};
    for (const char* text : kGone) {
        if (error.Message().find(text) != std::string::npos) return true;
    }
    return false;
}

// What one step of the walk answered (see the probe's mirrorStep).
struct CWalkStep {
    enum Kind { More = 0, Done = 1, Changed = 2, Lost = 3, Needs = 4 };
    int kind = Lost;
    std::int64_t walked = 0;
    std::int64_t total = 0;
    std::string text;
    Json otherFrames = Json::array();  // once done
    Json previousRuns;                 // once done, when asked: [new, old, length, ...]
    std::int64_t serial = 0;           // once done: the walk's number
    // While the walk waits: which of its waits this is, and what it waits for.
    std::int64_t need = 0;
    std::size_t hosts = 0;
    std::size_t generated = 0;
};

CWalkStep ReadStep(Json result) {
    const auto value = result.find("value");
    if (value == result.end() || !value->is_array() || value->size() < 4 || value->size() > 7 ||
        !(*value)[0].is_number_integer() || !(*value)[1].is_number_integer() || !(*value)[2].is_number_integer() ||
        !(*value)[3].is_string()) {
        throw CMalformedAnswer("the mirror: a step of the walk");
    }
    CWalkStep step;
    step.kind = (*value)[0].get<int>();
    step.walked = (*value)[1].get<std::int64_t>();
    step.total = (*value)[2].get<std::int64_t>();
    step.text = std::move((*value)[3].get_ref<std::string&>());
    if (step.kind < CWalkStep::More || step.kind > CWalkStep::Needs)
        throw CMalformedAnswer("the mirror: a step's kind");
    if (step.kind == CWalkStep::Needs) {
        const Json& needs = value->size() == 5 ? (*value)[4] : Json();
        if (!needs.is_array() || needs.size() != 3 || !needs[0].is_number_integer() || !needs[1].is_number_integer() ||
            !needs[2].is_number_integer()) {
            throw CMalformedAnswer("the mirror: what the walk waits for");
        }
        step.need = needs[0].get<std::int64_t>();
        step.hosts = static_cast<std::size_t>(std::max<std::int64_t>(needs[1].get<std::int64_t>(), 0));
        step.generated = static_cast<std::size_t>(std::max<std::int64_t>(needs[2].get<std::int64_t>(), 0));
    } else if (value->size() >= 5 && (*value)[4].is_array()) {
        step.otherFrames = std::move((*value)[4]);
        if (value->size() >= 6 && !(*value)[5].is_null()) step.previousRuns = std::move((*value)[5]);
        if (value->size() == 7 && (*value)[6].is_number_integer()) step.serial = (*value)[6].get<std::int64_t>();
    }
    return step;
}

Json Budget(std::optional<std::chrono::milliseconds> slice, const Json& frame = nullptr) {
    return Json::array({{{"value", slice ? Json(slice->count()) : Json(nullptr)}}, {{"value", frame}}});
}

bool IsNodeRecord(char kind) {
    return kind == 'D' || kind == 'd' || kind == 'E' || kind == 'e' || kind == 'F' || kind == 'c' || kind == 'S' ||
           kind == 's';
}

// A node of the page's own records, counted among all records: the frames spliced in before it
// move it on.
template <typename Splices>
int CountedWithSplices(const Splices& splices, int ownId) {
    int shift = 0;
    for (const auto& splice : splices) {
        if (splice.at + 1 < ownId) shift += splice.nodes - 1;
    }
    return ownId + shift;
}

int CountNodes(std::string_view records) {
    int nodes = 0;
    for (std::size_t line = 0; line < records.size();) {
        nodes += IsNodeRecord(records[line]) ? 1 : 0;
        const std::size_t end = records.find('\n', line);
        if (end == std::string_view::npos) break;
        line = end + 1;
    }
    return nodes;
}

}  // namespace

CChromiumProbe::CChromiumProbe(DevToolsSessionHandle session, std::string script)
    : session_(std::move(session)),
      script_(std::move(script)),
      cascade_(std::make_shared<CCascadeRules>(std::make_shared<CDomNodes>(session_))),
      history_(std::make_shared<CEditHistory>()),
      attached_(std::make_shared<CAttachedFrames>()) {
    Create();
}

CChromiumProbe::CChromiumProbe(DevToolsSessionHandle session, std::string script, std::string frameId,
                               std::shared_ptr<CCascadeRules> cascade, std::shared_ptr<CEditHistory> history)
    : session_(std::move(session)),
      script_(std::move(script)),
      cascade_(std::move(cascade)),
      history_(std::move(history)),
      frameId_(std::move(frameId)),
      attached_(std::make_shared<CAttachedFrames>()) {
    Create();
}

CChromiumProbe::~CChromiumProbe() {
    if (probe_) NotifyProbe("function() { this.changesStop(); }", Json::array());
}

void CChromiumProbe::Create() {
    probe_.reset();
    ++probesMade_;
    heldRecords_.clear();
    heldWalk_ = 0;
    try {
        const std::string frameId =
            !frameId_.empty()
                ? frameId_
                : session_->Call("Page.getFrameTree").at("frameTree").at("frame").at("id").get<std::string>();
        const Json world = session_->Call("Page.createIsolatedWorld", {{"frameId", frameId}, {"worldName", "marklens"}});
        worldId_ = world.at("executionContextId").get<std::int64_t>();
        const Json made = session_->Call(
            "Runtime.evaluate",
            {{"expression", script_}, {"contextId", worldId_}, {"returnByValue", false}, {"silent", true}});
        if (const std::string error = ExceptionText(made); !error.empty()) {
            throw CObjectCallError(status::kAccessDenied, "The page refused the probe: " + error);
        }
        const auto objectId = made.at("result").find("objectId");
        if (objectId == made.at("result").end()) {
            throw CObjectCallError(status::kAccessDenied, "The page refused the probe: it made no object");
        }
        probe_ = std::make_shared<CRemoteObject>(session_, objectId->get<std::string>());
    } catch (const CObjectCallError& error) {
        if (error.Code() != status::kFail) throw;
        if (!session_->IsOpen()) throw;
        throw CObjectCallError(status::kAccessDenied, "The page refused the probe: " + error.Message());
    } catch (const Json::exception& error) {
        throw CObjectCallError(status::kAccessDenied, std::string("The page refused the probe: ") + error.what());
    }
}

Json CChromiumProbe::CallProbe(const std::string& function, const Json& arguments, bool byValue) {
    if (!probe_) Create();
    try {
        return probe_->Call(function, arguments, byValue);
    } catch (const CObjectCallError& error) {
        if (!IsDocumentGone(error) || !session_->IsOpen()) throw;
    }
    Create();
    return probe_->Call(function, arguments, byValue);
}

std::string CChromiumProbe::Text(Json value, const char* answer) {
    const auto text = value.find("value");
    if (text == value.end() || !text->is_string()) throw CMalformedAnswer(std::string(answer) + ": no text");
    return std::move(text->get_ref<std::string&>());
}

const CRemoteObject& CChromiumProbe::ElementObject(ILiveElement& element) {
    const auto* ours = dynamic_cast<const CChromiumElement*>(&element);
    if (!ours) throw CObjectCallError(status::kInvalidPointer, "Not an element of this browser");
    return ours->Object();
}

std::string CChromiumProbe::RequestMirror(ILivePage& page, int, int) {
    CPageMirror mirror;
    mirror.BuildFromRecords(RequestMirrorAnswer(page).text);
    return mirror.ToXml();
}

CMirrorAnswer CChromiumProbe::RequestMirrorAnswer(ILivePage&, const CWalkControl& control) {
    for (int walk = 0; walk <= kSlicedWalks; ++walk) {
        // A page that keeps spoiling the slices is walked in one call: nothing can change
        // while it runs.
        std::optional<CMirrorAnswer> answer = Walk(walk < kSlicedWalks ? slice_ : std::nullopt, control);
        if (answer) return std::move(*answer);
    }
    throw CObjectCallError(status::kFail, "The page kept changing while its mirror was read");
}

// Two steps are on their way at once, so the page walks on while the last step's records
// travel. The walk keeps its place in the page between steps; a page that navigates meanwhile
// gets a fresh probe that has no walk, and its new document is walked once more. Where the walk
// meets what page script cannot see, it waits until the program has asked the browser; a step
// already on its way then answers the same wait again, which is passed over.
std::optional<CMirrorAnswer> CChromiumProbe::Walk(std::optional<std::chrono::milliseconds> slice,
                                                  const CWalkControl& control) {
    if (!probe_) Create();
    const RemoteObjectHandle walking = probe_;
    std::deque<CDevToolsSession::CPendingCall> steps;
    Json start = StartArguments(slice, control.tellPrevious, control.copyUnchanged);
    steps.push_back(
        walking->Start("function(b, f, p, c, h) { return this.mirrorStart(b, f, p, c, h); }", std::move(start)));
    CMirrorAnswer answer{"", true, {}};
    std::string nodeRecords;
    std::int64_t needMet = 0;
    for (;;) {
        if (steps.empty() || (slice && steps.size() < 2)) {
            steps.push_back(walking->Start("function(b) { return this.mirrorStep(b); }", Budget(slice)));
        }
        CWalkStep step;
        try {
            step = ReadStep(CRemoteObject::ResultOf(steps.front()));
        } catch (const CObjectCallError& error) {
            steps.clear();
            if (error.Code() == status::kCancelled) AbandonWalk(*walking);
            if (!IsDocumentGone(error) || !session_->IsOpen()) throw;
            Create();
            return std::nullopt;
        }
        steps.pop_front();
        if (control.betweenSteps) control.betweenSteps();
        AppendStep(step.text, answer.text, nodeRecords);
        if (step.kind == CWalkStep::Needs) {
            if (step.need != needMet) ProvidePageParts(step.hosts, step.generated);
            needMet = step.need;
            continue;
        }
        if (step.kind == CWalkStep::Done) {
            heldRecords_ = std::move(nodeRecords);
            heldWalk_ = step.serial;
            const std::vector<CSplice> before = std::exchange(splices_, {});
            freshIds_.clear();
            if (step.otherFrames.empty()) frames_.clear();
            if (!step.otherFrames.empty()) {
                SpliceFrames(answer.text, step.otherFrames,
                             frame_.is_null() ? Clock::now() + kFramesBudget : framesDeadline_, control);
            }
            if (step.previousRuns.is_array()) answer.previous = PreviousNumbers(answer.text, step.previousRuns, before);
            return answer;
        }
        if (step.kind != CWalkStep::More) return std::nullopt;
        if (control.progress) control.progress(step.walked, step.total);
        if (control.cancellation && control.cancellation->IsCancelled()) {
            steps.clear();
            AbandonWalk(*walking);
            throw CObjectCallError(status::kCancelled, "The walk of the page was cancelled");
        }
    }
}

// The arguments of the probe's mirrorStart.
Json CChromiumProbe::StartArguments(std::optional<std::chrono::milliseconds> slice, bool tellPrevious,
                                    bool copyUnchanged) const {
    Json start = Budget(slice, frame_);
    start.push_back({{"value", tellPrevious}});
    start.push_back({{"value", copyUnchanged}});
    start.push_back({{"value", copyUnchanged ? heldWalk_ : 0}});
    return start;
}

void CChromiumProbe::AppendStep(std::string_view text, std::string& records, std::string& nodeRecords) const {
    // Runs of plain records are appended whole: most lines are.
    std::size_t run = 0;      // of records not yet appended to records
    std::size_t nodeRun = 0;  // of records not yet appended to nodeRecords
    for (std::size_t line = 0; line < text.size();) {
        std::size_t end = text.find('\n', line);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const char kind = text[line];
        if (kind == 'k' || kind == 'n' || kind == 'x') {
            nodeRecords.append(text.substr(nodeRun, line - nodeRun));
            nodeRun = end;
        }
        if (kind == 'x') {
            records.append(text.substr(run, line - run));
            run = end;
            const std::string_view held = HeldRun(text.substr(line + 1, end - line - 1));
            records.append(held);
            nodeRecords.append(held);
        }
        line = end;
    }
    records.append(text.substr(run));
    nodeRecords.append(text.substr(nodeRun));
}

// The held records a reference "<byte>,<length>,\n" names.
std::string_view CChromiumProbe::HeldRun(std::string_view reference) const {
    std::size_t byte = 0;
    std::size_t length = 0;
    const char* const last = reference.data() + reference.size();
    const auto [afterByte, byteError] = std::from_chars(reference.data(), last, byte);
    if (byteError == std::errc() && afterByte < last && *afterByte == ',') {
        const auto [afterLength, lengthError] = std::from_chars(afterByte + 1, last, length);
        if (lengthError == std::errc() && last - afterLength == 2 && afterLength[0] == ',' && afterLength[1] == '\n' &&
            byte <= heldRecords_.size() && length <= heldRecords_.size() - byte) {
            return std::string_view(heldRecords_).substr(byte, length);
        }
    }
    throw CMalformedAnswer("the mirror: a reference to the last walk's records");
}

// The probe's runs of its own numbers, for every node of the records; a frame walked by the
// same probe as last time tells its own, counted from where its nodes start then and now.
std::vector<int> CChromiumProbe::PreviousNumbers(std::string_view records, const Json& runs,
                                                 const std::vector<CSplice>& before) const {
    std::vector<int> previous(static_cast<std::size_t>(CountNodes(records)), 0);
    for (const CSplice& splice : splices_) {
        const auto then =
            std::find_if(before.begin(), before.end(), [&](const CSplice& old) { return old.probe == splice.probe; });
        if (then == before.end()) continue;
        const int start = CountedWithSplices(splices_, splice.at);
        const int startThen = CountedWithSplices(before, then->at);
        for (std::size_t k = 0; k < splice.previous.size(); ++k) {
            const std::size_t at = static_cast<std::size_t>(start) + k;
            const int was = splice.previous[k];
            if (was >= 1 && was <= then->nodes && at < previous.size()) previous[at] = startThen + was;
        }
    }
    for (std::size_t i = 0; i + 2 < runs.size(); i += 3) {
        if (!runs[i].is_number_integer() || !runs[i + 1].is_number_integer() || !runs[i + 2].is_number_integer()) {
            throw CMalformedAnswer("the mirror: the numbers of the last walk");
        }
        const int now = runs[i].get<int>();
        const int then = runs[i + 1].get<int>();
        const int length = runs[i + 2].get<int>();
        if (now < 1 || then < 1 || length < 1 || length > static_cast<int>(previous.size())) {
            throw CMalformedAnswer("the mirror: the numbers of the last walk");
        }
        for (int k = 0; k < length; ++k) {
            const int counted = CountedWithSplices(splices_, now + k);
            if (counted < 1 || counted > static_cast<int>(previous.size())) {
                throw CMalformedAnswer("the mirror: the numbers of the last walk");
            }
            previous[static_cast<std::size_t>(counted - 1)] = CountedWithSplices(before, then + k);
        }
    }
    return previous;
}

namespace {

constexpr const char* kTakeChanges = "function() { return this.changesTake(); }";
constexpr auto kAwaitSlack = std::chrono::milliseconds(50);

CPageChange ReadChange(const Json& entry) {
    static constexpr std::array kKinds = {"added", "removed", "attribute", "text", "box"};
    if (!entry.is_array() || entry.size() != 5 || !entry[0].is_number() || !entry[1].is_string() ||
        !entry[2].is_number_integer() || !entry[3].is_string() || !entry[4].is_string()) {
        throw CMalformedAnswer("the page's changes: a change");
    }
    CPageChange change{entry[0].get<double>(), entry[1].get<std::string>(), entry[2].get<int>(),
                       entry[3].get<std::string>(), entry[4].get<std::string>()};
    if (std::find(kKinds.begin(), kKinds.end(), change.kind) == kKinds.end()) {
        throw CMalformedAnswer("the page's changes: a change's kind");
    }
    return change;
}

}  // namespace

CChromiumProbe::CProbeChanges CChromiumProbe::ReadChanges(CDevToolsSession::CPendingCall& call) {
    const Json result = CRemoteObject::ResultOf(call);
    CProbeChanges answer;
    answer.answered = Clock::now();
    const auto value = result.find("value");
    if (value == result.end() || !value->is_array() || value->size() != 8 || !(*value)[0].is_number_integer() ||
        !(*value)[1].is_boolean() || !(*value)[2].is_boolean() || !(*value)[3].is_array() ||
        !(*value)[4].is_number_integer() || !(*value)[5].is_number() || !(*value)[6].is_boolean() ||
        !(*value)[7].is_number_integer()) {
        throw CMalformedAnswer("the page's changes");
    }
    CPageChanges& changes = answer.changes;
    changes.seen = (*value)[0].get<std::int64_t>();
    changes.layout = (*value)[1].get<bool>();
    changes.hidden = (*value)[2].get<bool>();
    for (const Json& entry : (*value)[3])
        changes.changes.push_back(ReadChange(entry));
    answer.nodes = (*value)[4].get<int>();
    answer.now = (*value)[5].get<double>();
    changes.lost = (*value)[6].get<bool>();
    changes.mark = (*value)[7].get<std::int64_t>();
    return answer;
}

// Only the page's own probe is waited for: a frame's change shows at the next take.
std::optional<std::int64_t> CChromiumProbe::AwaitChange(std::chrono::milliseconds longest, CCancellation& stop,
                                                        bool walkAtChange) {
    if (!probe_ || stop.IsCancelled()) return std::nullopt;
    try {
        // The walk begun at the change is the first, sliced one of a following RequestMirrorAnswer.
        Json walk = nullptr;
        if (walkAtChange) {
            walk = Json::array();
            for (Json& argument : StartArguments(slice_, true, true))
                walk.push_back(std::move(argument.at("value")));
        }
        CDevToolsSession::CPendingCall wait =
            probe_->Start("function(ms, walk) { return this.changesWait(ms, walk); }",
                          Json::array({{{"value", longest.count()}}, {{"value", std::move(walk)}}}), true, true);
        // A page too busy to run its timer is not waited for longer than asked.
        if (!wait.WaitUnless(stop, Clock::now() + longest + kAwaitSlack)) return std::nullopt;
        const Json count = CRemoteObject::ResultOf(wait).value("value", Json(-1));
        if (!count.is_number_integer() || count.get<std::int64_t>() < 0 || !splices_.empty()) return std::nullopt;
        return MarkOf(count.get<std::int64_t>());
    } catch (const CObjectCallError&) {
        // TakeChanges, which comes next, finds out what went wrong and tells.
    } catch (const Json::exception&) {
        // An answer not understood gives no mark; the take reads its own.
    }
    return std::nullopt;
}

std::int64_t CChromiumProbe::MarkOf(std::int64_t count) const { return (probesMade_ << 40) + count; }

// All probes are asked at once; the frames' answers join the page's in time order.
CPageChanges CChromiumProbe::TakeChanges() {
    CPageChanges lost;
    lost.lost = true;
    if (!probe_) {
        Create();
        return lost;
    }
    CDevToolsSession::CPendingCall own = probe_->Start(kTakeChanges);
    std::vector<std::pair<CChromiumProbe*, CDevToolsSession::CPendingCall>> frames;
    StartFrameChanges(frames);
    CProbeChanges page;
    try {
        page = ReadChanges(own);
    } catch (const CObjectCallError& error) {
        if (!IsDocumentGone(error) || !session_->IsOpen()) throw;
        frames.clear();
        Create();
        return lost;
    }
    page.changes.mark = splices_.empty() ? MarkOf(page.changes.mark) : -1;
    if (page.changes.lost) return page.changes;
    int pageNodes = page.nodes;
    for (const CSplice& splice : splices_)
        pageNodes += splice.nodes - 1;
    // Times as milliseconds since this object was made, from how long before its answer each
    // probe saw the change: the frames' clocks start elsewhere.
    const auto place = [&](CProbeChanges& answer, const CChromiumProbe* owner) {
        const double answered = std::chrono::duration<double, std::milli>(answer.answered - made_).count();
        for (CPageChange& change : answer.changes.changes) {
            change.ms = std::max(0.0, answered - (answer.now - change.ms));
            change.nodeId = PageNodeId(owner, change.nodeId, answer.nodes, pageNodes);
        }
    };
    place(page, this);
    CPageChanges changes = std::move(page.changes);
    for (auto& [frame, call] : frames) {
        CProbeChanges inner;
        try {
            inner = ReadChanges(call);
        } catch (const CObjectCallError& error) {
            if (error.Code() == status::kCancelled) throw;
            // A frame with a new document: the page's mirror no longer shows it.
            if (IsDocumentGone(error)) changes.layout = true;
            continue;
        }
        if (inner.changes.lost) {
            changes.layout = true;
            continue;
        }
        place(inner, frame);
        changes.seen += inner.changes.seen;
        changes.layout = changes.layout || inner.changes.layout;
        for (CPageChange& change : inner.changes.changes)
            changes.changes.push_back(std::move(change));
    }
    if (!frames.empty()) {
        std::stable_sort(changes.changes.begin(), changes.changes.end(),
                         [](const CPageChange& a, const CPageChange& b) { return a.ms < b.ms; });
    }
    return changes;
}

void CChromiumProbe::StartFrameChanges(std::vector<std::pair<CChromiumProbe*, CDevToolsSession::CPendingCall>>& calls) {
    for (const CSplice& splice : splices_) {
        CChromiumProbe& frame = *splice.probe;
        if (!frame.probe_) continue;
        try {
            calls.emplace_back(&frame, frame.probe_->Start(kTakeChanges));
        } catch (const CObjectCallError& error) {
            if (error.Code() == status::kCancelled) throw;
            continue;
        }
        frame.StartFrameChanges(calls);
    }
}

int CChromiumProbe::PageNodeId(const CChromiumProbe* owner, int ownId, int ownNodes, int pageNodes) {
    if (ownId <= 0) return 0;
    if (ownId <= ownNodes) {
        if (const std::optional<int> id = NodeIdOf(owner, ownId)) return *id;
    }
    const int next = pageNodes + 1 + static_cast<int>(freshIds_.size());
    return freshIds_.try_emplace({owner, ownId}, next).first->second;
}

namespace {

// The objects the closed-root search makes, let go of together.
constexpr const char* kHostGroup = "marklens-hosts";

// Every call's result, in order; a call that failed gives none.
std::vector<std::optional<Json>> Results(std::vector<CDevToolsSession::CPendingCall>& calls) {
    std::vector<std::optional<Json>> results;
    for (CDevToolsSession::CPendingCall& call : calls) {
        try {
            results.push_back(call.Result());
        } catch (const CObjectCallError& error) {
            if (error.Code() == status::kCancelled) throw;
            results.emplace_back();
        }
    }
    return results;
}

std::string ObjectIdOf(const std::optional<Json>& result, const char* key) {
    if (!result) return {};
    const auto object = result->find(key);
    if (object == result->end() || !object->is_object()) return {};
    return object->value("objectId", std::string());
}

}  // namespace

// The probe's candidates of one kind (the array its function answers), as objects of the
// search's group; an empty id for one that could not be had. The few a page mostly has come in
// one call each, all on their way at once, so the waiting walk pays one round trip for them.
std::vector<std::string> CChromiumProbe::CandidateObjects(const char* list, std::size_t count) {
    if (count == 0) return {};
    if (!probe_) Create();
    if (count > kCandidatesByIndex) return CandidateArray(list);
    const std::string function = std::string("function(i) { return this.") + list + "()[i]; }";
    std::vector<CDevToolsSession::CPendingCall> calls;
    for (std::size_t index = 0; index < count; ++index) {
        calls.push_back(session_->Start("Runtime.callFunctionOn", {{"functionDeclaration", function},
                                                                   {"objectId", probe_->ObjectId()},
                                                                   {"arguments", Json::array({{{"value", index}}})},
                                                                   {"objectGroup", kHostGroup},
                                                                   {"silent", true}}));
    }
    std::vector<std::string> objects;
    for (const std::optional<Json>& result : Results(calls))
        objects.push_back(ObjectIdOf(result, "result"));
    return objects;
}

// Many candidates: the array as one object, then its elements, in two calls however many there are.
std::vector<std::string> CChromiumProbe::CandidateArray(const char* list) {
    const Json array = session_->Call(
        "Runtime.callFunctionOn", {{"functionDeclaration", std::string("function() { return this.") + list + "(); }"},
                                   {"objectId", probe_->ObjectId()},
                                   {"objectGroup", kHostGroup},
                                   {"silent", true}});
    const std::string arrayId = ObjectIdOf(array, "result");
    // Most pages have none: their array is described as empty and need not be asked about.
    if (arrayId.empty() || array.at("result").value("description", "") == "Array(0)") return {};
    const Json properties = session_->Call("Runtime.getProperties", {{"objectId", arrayId}, {"ownProperties", true}});
    std::vector<std::string> objects;
    for (const Json& property : properties.value("result", Json::array())) {
        const std::string name = property.value("name", std::string());
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;  // "length"
        const std::size_t index = std::stoul(name);
        if (index >= kMaxCandidates) continue;
        if (objects.size() <= index) objects.resize(index + 1);
        objects[index] = ObjectIdOf(property, "value");
    }
    return objects;
}

// Each object described by the browser's DOM (without its children), at once.
std::vector<std::optional<CDevToolsSession::Json>> CChromiumProbe::Describe(const std::vector<std::string>& objects) {
    std::vector<CDevToolsSession::CPendingCall> calls;
    for (const std::string& object : objects) {
        // A candidate that could not be had is described as nothing.
        calls.push_back(session_->Start("DOM.describeNode", object.empty() ? Json{{"backendNodeId", 0}}
                                                                           : Json{{"objectId", object}, {"depth", 0}}));
    }
    return Results(calls);
}

// Page script cannot see closed shadow roots; the browser's DOM can. The probe names the
// elements that may hold one, the browser describes them, and the probe gets the closed roots
// as objects of its own world.
void CChromiumProbe::FindClosedRoots(std::size_t count) {
    const std::vector<std::string> hosts = CandidateObjects("hostsToAsk", count);
    if (hosts.empty()) return;
    const std::vector<std::optional<Json>> nodes = Describe(hosts);
    std::vector<CDevToolsSession::CPendingCall> calls;
    std::vector<std::size_t> closed;
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        if (!nodes[n]) continue;
        for (const Json& root : nodes[n]->value("node", Json::object()).value("shadowRoots", Json::array())) {
            if (root.value("shadowRootType", "") != "closed" || !root.contains("backendNodeId")) continue;
            calls.push_back(session_->Start("DOM.resolveNode", {{"backendNodeId", root["backendNodeId"]},
                                                                {"executionContextId", worldId_},
                                                                {"objectGroup", kHostGroup}}));
            closed.push_back(n);
        }
    }
    const std::vector<std::optional<Json>> roots = Results(calls);
    // The roots go to the probe as the arguments of a few calls, after their hosts' numbers. The
    // walk's next step follows them in the session, so none is waited for.
    Json arguments = Json::array({{{"value", Json::array()}}});
    const auto send = [&] {
        if (arguments.size() > 1) {
            NotifyProbe("function(hosts, ...roots) { this.setClosedRoots(hosts, roots); }", std::move(arguments));
        }
        arguments = Json::array({{{"value", Json::array()}}});
    };
    for (std::size_t r = 0; r < roots.size(); ++r) {
        const std::string root = ObjectIdOf(roots[r], "object");
        if (root.empty()) continue;
        arguments[0]["value"].push_back(closed[r]);
        arguments.push_back({{"objectId", root}});
        if (arguments.size() > kRootsPerCall) send();
    }
    send();
    session_->Notify("Runtime.releaseObjectGroup", {{"objectGroup", kHostGroup}});
}

// Page script cannot measure generated content either: the probe names the elements that may
// have some, the browser describes them and measures each ::before, ::after, ::marker and
// ::backdrop (its border box, in the viewport of its document), and the probe gets the boxes.
void CChromiumProbe::FindGeneratedContent(std::size_t count) {
    const std::vector<std::string> owners = CandidateObjects("generatedToAsk", count);
    if (owners.empty()) return;
    const std::vector<std::optional<Json>> nodes = Describe(owners);
    struct CContent {
        std::size_t owner;
        std::string type;
        std::int64_t backendId;
    };
    std::vector<CContent> contents;
    std::vector<CDevToolsSession::CPendingCall> calls;
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        if (!nodes[n]) continue;
        for (const Json& pseudo : nodes[n]->value("node", Json::object()).value("pseudoElements", Json::array())) {
            const std::int64_t backendId = pseudo.value("backendNodeId", 0);
            if (backendId == 0) continue;
            contents.push_back({n, pseudo.value("pseudoType", ""), backendId});
            calls.push_back(session_->Start("DOM.getBoxModel", {{"backendNodeId", backendId}}));
        }
    }
    const std::vector<std::optional<Json>> models = Results(calls);
    std::map<std::size_t, Json> found;  // owner -> [type, id, left, top, right, bottom, ...]
    for (std::size_t c = 0; c < contents.size(); ++c) {
        if (!models[c]) continue;
        const Json border = models[c]->value("model", Json::object()).value("border", Json::array());
        if (border.size() != 8) continue;
        double left = border[0].get<double>(), right = left, top = border[1].get<double>(), bottom = top;
        for (std::size_t k = 0; k < 8; k += 2) {
            left = std::min(left, border[k].get<double>());
            right = std::max(right, border[k].get<double>());
            top = std::min(top, border[k + 1].get<double>());
            bottom = std::max(bottom, border[k + 1].get<double>());
        }
        // The browser measures in the viewport of the frame its process renders outermost.
        if (!frame_.is_null()) {
            const double x = frame_.value("x", 0.0) - localRoot_.first, y = frame_.value("y", 0.0) - localRoot_.second;
            left -= x;
            right -= x;
            top -= y;
            bottom -= y;
        }
        Json& list = found[contents[c].owner];
        for (const Json& value :
             {Json(contents[c].type), Json(contents[c].backendId), Json(left), Json(top), Json(right), Json(bottom)}) {
            list.push_back(value);
        }
    }
    Json all = Json::array();
    for (auto& [owner, list] : found)
        all.push_back(Json::array({owner, std::move(list)}));
    if (!all.empty()) {
        NotifyProbe("function(all) { for (const [i, found] of all) this.setGenerated(i, found); }",
                    Json::array({{{"value", std::move(all)}}}));
    }
    session_->Notify("Runtime.releaseObjectGroup", {{"objectGroup", kHostGroup}});
}

// What the walk waits for that page script cannot see. Without it the page is still walked;
// only a cancellation stops the walk here.
void CChromiumProbe::ProvidePageParts(std::size_t hosts, std::size_t generated) {
    try {
        FindClosedRoots(hosts);
        FindGeneratedContent(generated);
    } catch (const CObjectCallError& error) {
        if (error.Code() == status::kCancelled) throw;
    }
    NotifyProbe("function() { this.needsMet(); }", Json::array());
}

void CChromiumProbe::NotifyProbe(const char* function, Json arguments) noexcept {
    session_->Notify("Runtime.callFunctionOn", {{"functionDeclaration", function},
                                                {"objectId", probe_->ObjectId()},
                                                {"arguments", std::move(arguments)},
                                                {"silent", true}});
}

void CChromiumProbe::AbandonWalk(const CRemoteObject& probe) noexcept {
    session_->Notify("Runtime.callFunctionOn", {{"functionDeclaration", "function() { this.mirrorAbandon(); }"},
                                                {"objectId", probe.ObjectId()},
                                                {"silent", true}});
}

std::string CChromiumProbe::CurrentStyle(ILiveElement& element, const std::string& catalogXml) {
    CChromiumProbe& owner = OwnerOf(element);
    if (&owner != this) return owner.CurrentStyle(element, catalogXml);
    const CRemoteObject& target = ElementObject(element);
    Json value = CallProbe("function(e, c) { return this.currentStyle(e, c); }",
                           Json::array({{{"objectId", target.ObjectId()}}, {{"value", catalogXml}}}), true);
    return Text(std::move(value), "the current style");
}

std::vector<std::string> CChromiumProbe::SelectorPath(ILiveElement& element) {
    CChromiumProbe& owner = OwnerOf(element);
    std::vector<std::string> path = FramePath(owner).value_or(std::vector<std::string>());
    for (std::string& selector : owner.OwnSelectorPath(element))
        path.push_back(std::move(selector));
    return path;
}

std::vector<std::string> CChromiumProbe::OwnSelectorPath(ILiveElement& element) {
    const Json value = CallProbe("function(e) { return this.selectorPath(e); }",
                                 Json::array({{{"objectId", ElementObject(element).ObjectId()}}}), true);
    const auto list = value.find("value");
    if (list == value.end() || !list->is_array()) throw CMalformedAnswer("the selector path");
    std::vector<std::string> path;
    for (const Json& selector : *list) {
        if (!selector.is_string()) throw CMalformedAnswer("the selector path");
        path.push_back(selector.get<std::string>());
    }
    return path;
}

// A frame of another origin is named in its parent's document by the parent's probe.
std::optional<std::vector<std::string>> CChromiumProbe::FramePath(const CChromiumProbe& owner) {
    if (&owner == this) return std::vector<std::string>();
    for (const CSplice& splice : splices_) {
        std::optional<std::vector<std::string>> inner = splice.probe->FramePath(owner);
        if (!inner) continue;
        const LiveElementHandle frame = OwnElement(std::to_string(splice.at));
        if (!frame) throw CObjectCallError(status::kFail, "The frame is no longer in the page");
        std::vector<std::string> path = OwnSelectorPath(*frame);
        path.insert(path.end(), inner->begin(), inner->end());
        return path;
    }
    return std::nullopt;
}

LiveElementHandle CChromiumProbe::ElementForId(const std::string& nodeIdText) {
    if (splices_.empty() || nodeIdText.empty() || nodeIdText.size() > 9 ||
        nodeIdText.find_first_not_of("0123456789") != std::string::npos) {
        return OwnElement(nodeIdText);
    }
    const auto [probe, ownId] = Route(std::stoi(nodeIdText));
    return probe->OwnElement(std::to_string(ownId));
}

LiveElementHandle CChromiumProbe::OwnElement(const std::string& nodeIdText) {
    const Json found =
        CallProbe("function(id) { return this.element(id); }", Json::array({{{"value", nodeIdText}}}), false);
    const auto objectId = found.find("objectId");
    if (objectId == found.end()) return nullptr;
    return std::make_shared<CChromiumElement>(
        probe_, std::make_shared<CRemoteObject>(session_, objectId->get<std::string>()), cascade_->Dom(), history_);
}

// A frame's nodes take the place of its one empty document node; the page's nodes after it
// move on by the rest.
std::pair<CChromiumProbe*, int> CChromiumProbe::Route(int nodeId) {
    int shift = 0;
    for (const CSplice& splice : splices_) {
        const int at = splice.at + shift;
        if (nodeId <= at) break;
        if (nodeId <= at + splice.nodes) return splice.probe->Route(nodeId - at);
        shift += splice.nodes - 1;
    }
    return {this, nodeId - shift};
}

std::optional<int> CChromiumProbe::NodeIdOf(const CChromiumProbe* owner, int ownId) const {
    int shift = 0;
    if (owner == this) {
        for (const CSplice& splice : splices_) {
            if (splice.at + 1 < ownId) shift += splice.nodes - 1;
        }
        return ownId + shift;
    }
    for (const CSplice& splice : splices_) {
        if (const std::optional<int> inner = splice.probe->NodeIdOf(owner, ownId)) return splice.at + shift + *inner;
        shift += splice.nodes - 1;
    }
    return std::nullopt;
}

CChromiumProbe* CChromiumProbe::FindOwner(const RemoteObjectHandle& probe) {
    if (probe == probe_) return this;
    for (const CSplice& splice : splices_) {
        if (CChromiumProbe* found = splice.probe->FindOwner(probe)) return found;
    }
    return nullptr;
}

CChromiumProbe& CChromiumProbe::OwnerOf(ILiveElement& element) {
    const auto* ours = dynamic_cast<const CChromiumElement*>(&element);
    CChromiumProbe* owner = ours && !splices_.empty() ? FindOwner(ours->Probe()) : nullptr;
    return owner ? *owner : *this;
}

// Walks each frame of another origin that the walk left empty with a probe of its own, within
// what is left of the time the page's frames may take; a frame that fails stays empty.
void CChromiumProbe::SpliceFrames(std::string& records, const Json& frames, Clock::time_point deadline,
                                  const CWalkControl& control) {
    const CancellationHandle& cancellation = control.cancellation;
    CWalkControl inFrame;
    inFrame.cancellation = cancellation;
    inFrame.tellPrevious = control.tellPrevious;
    std::vector<CSplice> splices;
    std::vector<std::string> texts;
    for (const Json& frame : frames) {
        if (Clock::now() >= deadline) break;
        if (!frame.is_array() || frame.size() != 4 || !frame[0].is_number_integer()) continue;
        const int at = frame[0].get<int>();
        if (!splices.empty() && at <= splices.back().at) continue;
        try {
            const std::shared_ptr<CChromiumProbe> probe = FrameProbe(at, deadline);
            if (!probe) continue;
            probe->frame_ = {{"x", frame[1]}, {"y", frame[2]}, {"clip", frame[3]}};
            const bool ownSession = probe->session_->SessionId() != session_->SessionId();
            probe->localRoot_ =
                ownSession ? std::pair(probe->frame_.value("x", 0.0), probe->frame_.value("y", 0.0)) : localRoot_;
            probe->framesDeadline_ = deadline;
            probe->slice_ = slice_;
            std::optional<CMirrorAnswer> walked = probe->Walk(slice_, inFrame);
            // A frame that spoilt its slices is walked in one call: nothing changes meanwhile.
            if (!walked && slice_) walked = probe->Walk(std::nullopt, inFrame);
            if (!walked) continue;
            splices.push_back({at, CountNodes(walked->text), probe, std::move(walked->previous)});
            texts.push_back(std::move(walked->text));
        } catch (const CObjectCallError& error) {
            if (error.Code() == status::kCancelled) throw;
        }
    }
    // Probes of frames the page no longer has go, and those that failed: their next walk gets a
    // fresh one (the frame's session may have gone).
    std::erase_if(frames_, [&](const auto& entry) {
        return std::none_of(splices.begin(), splices.end(),
                            [&](const CSplice& splice) { return splice.probe == entry.second; });
    });
    if (splices.empty()) return;
    // Each frame's records go in place of its empty document record, the node after the frame's.
    std::string spliced;
    std::size_t size = records.size();
    for (const std::string& text : texts)
        size += text.size() + 4;
    spliced.reserve(size);
    std::size_t next = 0;
    int node = 0;
    std::size_t line = 0;
    while (line < records.size() && next < splices.size()) {
        const std::size_t end = records.find('\n', line);
        if (end == std::string::npos) break;
        const bool isNode = IsNodeRecord(records[line]);
        node += isNode ? 1 : 0;
        if (isNode && node == splices[next].at + 1) {
            if (records[line] == 'd') {
                spliced += "[\n";
                spliced += texts[next];
                spliced += "]\n";
                splices_.push_back(std::move(splices[next]));
            } else {
                spliced.append(records, line, end + 1 - line);
            }
            ++next;
        } else {
            spliced.append(records, line, end + 1 - line);
        }
        line = end + 1;
    }
    spliced.append(records, line);
    records = std::move(spliced);
}

// The frame's probe: in the frame's own document, through this session when this process
// renders it, else through the session attached to the frame's target.
std::shared_ptr<CChromiumProbe> CChromiumProbe::FrameProbe(int frameNode, Clock::time_point deadline) {
    const Json found = CallProbe("function(id) { return this.element(id); }",
                                 Json::array({{{"value", std::to_string(frameNode)}}}), false);
    const auto objectId = found.find("objectId");
    if (objectId == found.end()) return nullptr;
    const CRemoteObject frame(session_, objectId->get<std::string>());
    const Json node = session_->Call("DOM.describeNode", {{"objectId", frame.ObjectId()}, {"depth", 0}});
    const std::string frameId = node.value("node", Json::object()).value("frameId", std::string());
    if (frameId.empty()) return nullptr;
    const auto known = frames_.find(frameId);
    if (known != frames_.end()) return known->second;
    std::shared_ptr<CChromiumProbe> probe;
    try {
        const auto session = std::make_shared<CDevToolsSession>(session_, session_->SessionId(), kFrameCallTimeout);
        probe = std::make_shared<CChromiumProbe>(session, script_, frameId, cascade_, history_);
    } catch (const CObjectCallError& error) {
        if (error.Code() == status::kCancelled) throw;
    }
    if (!probe) {
        const DevToolsSessionHandle own = AttachedSession(frameId, deadline);
        if (!own) return nullptr;
        probe = std::make_shared<CChromiumProbe>(
            own, script_, frameId, std::make_shared<CCascadeRules>(std::make_shared<CDomNodes>(own)), history_);
    }
    probe->attached_ = attached_;
    probe->slice_ = slice_;
    frames_[frameId] = probe;
    return probe;
}

// The session of a frame that another process renders. Its target is attached to once this
// session asks for its frames' targets; that is only asked of a page that has such frames.
DevToolsSessionHandle CChromiumProbe::AttachedSession(const std::string& frameId, Clock::time_point deadline) {
    CAttachedFrames& attached = *attached_;
    const bool watched = std::any_of(
        attached.watched.begin(), attached.watched.end(),
        [&](const DevToolsSessionHandle& session) { return session->SessionId() == session_->SessionId(); });
    if (!watched) {
        session_->Call("Target.setAutoAttach",
                       {{"autoAttach", true}, {"waitForDebuggerOnStart", false}, {"flatten", true}});
        attached.watched.push_back(session_);
    }
    // The targets come as events; a few round trips let late ones in.
    for (int round = 0; round < 8 && Clock::now() < deadline; ++round) {
        TakeAttachEvents();
        const auto session = attached.sessions.find(frameId);
        if (session != attached.sessions.end()) return session->second;
        session_->Call("Page.getFrameTree");
    }
    return nullptr;
}

void CChromiumProbe::TakeAttachEvents() {
    CAttachedFrames& attached = *attached_;
    for (const DevToolsSessionHandle& session : attached.watched) {
        std::deque<Json>& events = session->Events();
        for (auto event = events.begin(); event != events.end();) {
            const std::string method = event->value("method", "");
            const Json params = event->value("params", Json::object());
            if (method == "Target.attachedToTarget") {
                const Json info = params.value("targetInfo", Json::object());
                if (info.value("type", "") == "iframe") {
                    attached.sessions[info.value("targetId", "")] =
                        std::make_shared<CDevToolsSession>(session, params.value("sessionId", ""), kFrameCallTimeout);
                } else {
                    // Workers and the like come too; nothing here asks them anything.
                    session->Notify("Target.detachFromTarget", {{"sessionId", params.value("sessionId", "")}});
                }
            } else if (method == "Target.detachedFromTarget") {
                std::erase_if(attached.sessions, [&](const auto& entry) {
                    return entry.second->SessionId() == params.value("sessionId", "");
                });
            } else {
                ++event;
                continue;
            }
            event = events.erase(event);
        }
    }
}

// The browser's own cascade, not the page script's view of the sheets: that misses other
// origins' sheets and cannot know layers or the exact specificity.
std::string CChromiumProbe::StyleRules(ILiveElement& element) {
    CChromiumProbe& owner = OwnerOf(element);
    if (&owner != this) return owner.StyleRules(element);
    return RulesOf(ElementObject(element));
}

// Generated content is no node of page script's: the cascade is asked for it by the browser's id.
std::string CChromiumProbe::RulesOf(const CRemoteObject& target) {
    if (!probe_) Create();
    const Json generated = probe_->Call("function(e) { return this.generatedBackendId(e); }",
                                        Json::array({{{"objectId", target.ObjectId()}}}));
    return cascade_->RulesXml(target.ObjectId(), generated.value("value", std::int64_t{0}));
}

std::optional<CBoxModel> CChromiumProbe::BoxModel(ILiveElement& element) {
    return OwnerOf(element).OwnBoxModel(ElementObject(element));
}

namespace {

std::optional<CQuad> QuadOf(const Json& model, const char* name) {
    const Json points = model.value(name, Json::array());
    if (points.size() != 8) return std::nullopt;
    CQuad quad;
    for (std::size_t k = 0; k < 8; ++k) {
        if (!points[k].is_number()) return std::nullopt;
        quad.points[k] = points[k].get<double>();
    }
    return quad;
}

}  // namespace

std::optional<CBoxModel> CChromiumProbe::OwnBoxModel(const CRemoteObject& target) {
    if (!probe_) Create();
    Json answer;
    try {
        answer = session_->Call("DOM.getBoxModel", {{"objectId", target.ObjectId()}});
    } catch (const CObjectCallError& error) {
        if (error.Code() == status::kCancelled || error.Code() == status::kTimeout) throw;
        // Generated content is no node of page script's: the browser knows it by its own id;
        // anything else without boxes has no model.
        const std::int64_t generated = probe_
                                           ->Call("function(e) { return this.generatedBackendId(e); }",
                                                  Json::array({{{"objectId", target.ObjectId()}}}))
                                           .value("value", std::int64_t{0});
        if (generated == 0) return std::nullopt;
        try {
            answer = session_->Call("DOM.getBoxModel", {{"backendNodeId", generated}});
        } catch (const CObjectCallError& inner) {
            if (inner.Code() == status::kCancelled || inner.Code() == status::kTimeout) throw;
            return std::nullopt;
        }
    }
    const Json model = answer.value("model", Json::object());
    const auto content = QuadOf(model, "content"), padding = QuadOf(model, "padding"), border = QuadOf(model, "border"),
               margin = QuadOf(model, "margin");
    if (!content || !padding || !border || !margin) return std::nullopt;
    // The browser measures in the viewport of the frame its process renders outermost.
    const auto [x, y] = localRoot_;
    return CBoxModel{content->Moved(x, y), padding->Moved(x, y), border->Moved(x, y), margin->Moved(x, y)};
}

CStyleTexts CChromiumProbe::StyleTexts(ILiveElement& element, const std::string* catalogXml, bool rules) {
    return OwnerOf(element).OwnStyleTexts(element, catalogXml, rules);
}

CStyleTexts CChromiumProbe::OwnStyleTexts(ILiveElement& element, const std::string* catalogXml, bool rules) {
    const CRemoteObject& target = ElementObject(element);
    if (!probe_) Create();
    std::optional<CDevToolsSession::CPendingCall> current;
    if (catalogXml) {
        current.emplace(probe_->Start("function(e, c) { return this.currentStyle(e, c); }",
                                      Json::array({{{"objectId", target.ObjectId()}}, {{"value", *catalogXml}}})));
    }
    CStyleTexts texts;
    if (rules) {
        texts.rules = AnswerOrNone([&] { return RulesOf(target); });
    }
    if (current) {
        texts.currentStyle = AnswerOrNone([&] { return Text(CRemoteObject::ResultOf(*current), "the current style"); });
    }
    return texts;
}

// The browser's own answer: DOM.getNodeForLocation at each point, which enters shadow trees
// and honours pointer-events: none. A frame another process renders is answered by its own
// session.
std::vector<int> CChromiumProbe::BrowserHits(int step) {
    if (!probe_) Create();
    const Json metrics = session_->Call("Page.getLayoutMetrics");
    const Json& viewport = metrics.at("cssLayoutViewport");
    const int width = static_cast<int>(viewport.value("clientWidth", 0.0));
    const int height = static_cast<int>(viewport.value("clientHeight", 0.0));
    std::vector<std::pair<int, int>> points;
    for (int y = 0; y < height; y += step) {
        for (int x = 0; x < width; x += step)
            points.emplace_back(x, y);
    }
    const std::vector<int> ids = HitsAt(points);
    std::vector<int> hits;
    for (std::size_t i = 0; i < points.size(); ++i)
        hits.insert(hits.end(), {points[i].first, points[i].second, ids[i]});
    return hits;
}

// This probe and the frames' probes that share its session; the frames beyond with sessions
// of their own.
void CChromiumProbe::SessionProbes(std::vector<CChromiumProbe*>& same,
                                   std::vector<std::pair<CChromiumProbe*, const CSplice*>>& own) {
    same.push_back(this);
    for (const CSplice& splice : splices_) {
        if (splice.probe->session_->SessionId() == session_->SessionId())
            splice.probe->SessionProbes(same, own);
        else
            own.emplace_back(this, &splice);
    }
}

// Each point is asked in page coordinates of this session's frame (its viewport's plus its
// scroll); each node the browser names is looked up in the worlds of the probes of this session.
std::vector<int> CChromiumProbe::HitsAt(const std::vector<std::pair<int, int>>& points) {
    if (!probe_) Create();
    const Json metrics = session_->Call("Page.getLayoutMetrics");
    const Json& viewport = metrics.at("cssLayoutViewport");
    const double left = (frame_.is_null() ? 0.0 : frame_.value("x", 0.0)) - viewport.value("pageX", 0.0);
    const double top = (frame_.is_null() ? 0.0 : frame_.value("y", 0.0)) - viewport.value("pageY", 0.0);
    std::vector<CDevToolsSession::CPendingCall> calls;
    for (const auto& [x, y] : points) {
        calls.push_back(session_->Start("DOM.getNodeForLocation", {{"x", static_cast<int>(std::floor(x - left))},
                                                                   {"y", static_cast<int>(std::floor(y - top))},
                                                                   {"includeUserAgentShadowDOM", false},
                                                                   {"ignorePointerEventsNone", false}}));
    }
    std::vector<std::int64_t> backendIds;
    for (std::optional<Json>& answer : Results(calls))
        backendIds.push_back(answer ? answer->value("backendNodeId", 0) : 0);
    calls.clear();
    std::map<std::int64_t, int> ids{{0, 0}};
    for (const std::int64_t backendId : backendIds)
        ids.emplace(backendId, -1);
    std::vector<CChromiumProbe*> same;
    std::vector<std::pair<CChromiumProbe*, const CSplice*>> own;
    SessionProbes(same, own);
    for (CChromiumProbe* probe : same) {
        if (!probe->probe_) continue;
        std::vector<std::int64_t> asked;
        for (const auto& [backendId, id] : ids) {
            if (backendId == 0 || id > 0) continue;
            calls.push_back(session_->Start(
                "DOM.resolveNode",
                {{"backendNodeId", backendId}, {"executionContextId", probe->worldId_}, {"objectGroup", kHostGroup}}));
            asked.push_back(backendId);
        }
        if (asked.empty()) break;
        const std::vector<std::optional<Json>> objects = Results(calls);
        calls.clear();
        for (std::size_t i = 0; i < objects.size(); ++i) {
            // Generated content has no object of page script's: the probe knows it by its id.
            const std::string object = ObjectIdOf(objects[i], "object");
            const Json node = object.empty() ? Json{{"value", nullptr}} : Json{{"objectId", object}};
            calls.push_back(
                probe->probe_->Start("function(n, b) { const id = n ? this.idOf(n) : -1; "
                                     "return id > 0 ? id : this.idOfGenerated(b); }",
                                     Json::array({node, {{"value", asked[i]}}})));
        }
        const std::vector<std::optional<Json>> answers = Results(calls);
        calls.clear();
        for (std::size_t i = 0; i < answers.size(); ++i) {
            if (!answers[i]) continue;
            const int ownId = answers[i]->value("result", Json::object()).value("value", -1);
            if (ownId > 0) ids[asked[i]] = NodeIdOf(probe, ownId).value_or(-1);
        }
        session_->Notify("Runtime.releaseObjectGroup", {{"objectGroup", kHostGroup}});
    }
    std::vector<int> hits;
    for (const std::int64_t backendId : backendIds)
        hits.push_back(ids[backendId]);
    // Over a frame of another process the browser names the frame: its own session knows more.
    for (const auto& [owner, splice] : own) {
        const std::optional<int> frameNode = NodeIdOf(owner, splice->at);
        if (!frameNode) continue;
        std::vector<std::pair<int, int>> inside;
        std::vector<std::size_t> where;
        for (std::size_t i = 0; i < hits.size(); ++i) {
            if (hits[i] != *frameNode) continue;
            inside.push_back(points[i]);
            where.push_back(i);
        }
        if (inside.empty()) continue;
        try {
            const std::vector<int> innerHits = splice->probe->HitsAt(inside);
            for (std::size_t i = 0; i < where.size(); ++i) {
                if (innerHits[i] > 0) hits[where[i]] = *frameNode + innerHits[i];
            }
        } catch (const CObjectCallError& error) {
            if (error.Code() == status::kCancelled) throw;
        }
    }
    return hits;
}

}  // namespace marklens

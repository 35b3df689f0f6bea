#include "chromiumprobe.h"

#include <array>
#include <cstdint>
#include <deque>

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
    enum Kind { More = 0, Done = 1, Changed = 2, Lost = 3 };
    int kind = Lost;
    std::int64_t walked = 0;
    std::int64_t total = 0;
    std::string text;
};

CWalkStep ReadStep(Json result) {
    const auto value = result.find("value");
    if (value == result.end() || !value->is_array() || value->size() != 4 || !(*value)[0].is_number_integer() ||
        !(*value)[1].is_number_integer() || !(*value)[2].is_number_integer() || !(*value)[3].is_string()) {
        throw CMalformedAnswer("the mirror: a step of the walk");
    }
    CWalkStep step;
    step.kind = (*value)[0].get<int>();
    step.walked = (*value)[1].get<std::int64_t>();
    step.total = (*value)[2].get<std::int64_t>();
    step.text = std::move((*value)[3].get_ref<std::string&>());
    if (step.kind < CWalkStep::More || step.kind > CWalkStep::Lost) throw CMalformedAnswer("the mirror: a step's kind");
    return step;
}

Json Budget(std::optional<std::chrono::milliseconds> slice) {
    return Json::array({{{"value", slice ? Json(slice->count()) : Json(nullptr)}}});
}

}  // namespace

CChromiumProbe::CChromiumProbe(DevToolsSessionHandle session, std::string script)
    : session_(std::move(session)), script_(std::move(script)), cascade_(session_) {
    Create();
}

void CChromiumProbe::Create() {
    probe_.reset();
    try {
        const Json tree = session_->Call("Page.getFrameTree");
        const std::string frameId = tree.at("frameTree").at("frame").at("id").get<std::string>();
        const Json world = session_->Call("Page.createIsolatedWorld", {{"frameId", frameId}, {"worldName", "marklens"}});
        const Json made = session_->Call("Runtime.evaluate", {{"expression", script_},
                                                              {"contextId", world.at("executionContextId")},
                                                              {"returnByValue", false},
                                                              {"silent", true}});
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
// gets a fresh probe that has no walk, and its new document is walked once more.
std::optional<CMirrorAnswer> CChromiumProbe::Walk(std::optional<std::chrono::milliseconds> slice,
                                                  const CWalkControl& control) {
    if (!probe_) Create();
    const RemoteObjectHandle walking = probe_;
    std::deque<CDevToolsSession::CPendingCall> steps;
    steps.push_back(walking->Start("function(b) { return this.mirrorStart(b); }", Budget(slice)));
    CMirrorAnswer answer{"", true};
    for (;;) {
        if (slice && steps.size() < 2) {
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
        answer.text += step.text;
        if (step.kind == CWalkStep::Done) return answer;
        if (step.kind != CWalkStep::More) return std::nullopt;
        if (control.progress) control.progress(step.walked, step.total);
        if (control.cancellation && control.cancellation->IsCancelled()) {
            steps.clear();
            AbandonWalk(*walking);
            throw CObjectCallError(status::kCancelled, "The walk of the page was cancelled");
        }
    }
}

void CChromiumProbe::AbandonWalk(const CRemoteObject& probe) noexcept {
    session_->Notify("Runtime.callFunctionOn", {{"functionDeclaration", "function() { this.mirrorAbandon(); }"},
                                                {"objectId", probe.ObjectId()},
                                                {"silent", true}});
}

std::string CChromiumProbe::CurrentStyle(ILiveElement& element, const std::string& catalogXml) {
    const CRemoteObject& target = ElementObject(element);
    Json value = CallProbe("function(e, c) { return this.currentStyle(e, c); }",
                           Json::array({{{"objectId", target.ObjectId()}}, {{"value", catalogXml}}}), true);
    return Text(std::move(value), "the current style");
}

LiveElementHandle CChromiumProbe::ElementForId(const std::string& nodeIdText) {
    const Json found =
        CallProbe("function(id) { return this.element(id); }", Json::array({{{"value", nodeIdText}}}), false);
    const auto objectId = found.find("objectId");
    if (objectId == found.end()) return nullptr;
    return std::make_shared<CChromiumElement>(probe_,
                                              std::make_shared<CRemoteObject>(session_, objectId->get<std::string>()));
}

// The browser's own cascade, not the page script's view of the sheets: that misses other
// origins' sheets and cannot know layers or the exact specificity.
std::string CChromiumProbe::StyleRules(ILiveElement& element) {
    return cascade_.RulesXml(ElementObject(element).ObjectId());
}

CStyleTexts CChromiumProbe::StyleTexts(ILiveElement& element, const std::string* catalogXml, bool rules) {
    const CRemoteObject& target = ElementObject(element);
    if (!probe_) Create();
    std::optional<CDevToolsSession::CPendingCall> current;
    if (catalogXml) {
        current.emplace(probe_->Start("function(e, c) { return this.currentStyle(e, c); }",
                                      Json::array({{{"objectId", target.ObjectId()}}, {{"value", *catalogXml}}})));
    }
    CStyleTexts texts;
    if (rules) texts.rules = AnswerOrNone([&] { return cascade_.RulesXml(target.ObjectId()); });
    if (current) {
        texts.currentStyle = AnswerOrNone([&] { return Text(CRemoteObject::ResultOf(*current), "the current style"); });
    }
    return texts;
}

std::vector<int> CChromiumProbe::BrowserHits(int step) {
    const Json value =
        CallProbe("function(step) { return this.browserHits(step); }", Json::array({{{"value", step}}}), true);
    const auto hits = value.find("value");
    if (hits == value.end() || !hits->is_array()) throw CMalformedAnswer("the browser's hits: no list");
    return hits->get<std::vector<int>>();
}

}  // namespace marklens

#include "chromiumprobe.h"

#include <array>
#include <cstdint>

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

// The walk keeps its records in the page; they come over in parts, which the browser hands over
// much faster than one large answer. A page that navigates meanwhile gets a fresh probe that
// has no parts: its new document is walked once more.
CMirrorAnswer CChromiumProbe::RequestMirrorAnswer(ILivePage&) {
    for (int walk = 0; walk < 2; ++walk) {
        const Json count = CallProbe("function() { return this.mirror(); }", Json::array(), true);
        const auto parts = count.find("value");
        if (parts == count.end() || !parts->is_number_unsigned()) throw CMalformedAnswer("the mirror: no parts");
        const std::uint64_t total = parts->get<std::uint64_t>();
        const RemoteObjectHandle walked = probe_;
        CMirrorAnswer answer{"", true};
        std::uint64_t part = 0;
        for (; part < total; ++part) {
            Json value =
                CallProbe("function(i) { return this.mirrorPart(i); }", Json::array({{{"value", part}}}), true);
            if (probe_ != walked) break;
            answer.text += Text(std::move(value), "the mirror");
        }
        if (part == total) return answer;
    }
    throw CObjectCallError(status::kFail, "The page navigated while its mirror was read");
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

std::vector<int> CChromiumProbe::BrowserHits(int step) {
    const Json value =
        CallProbe("function(step) { return this.browserHits(step); }", Json::array({{{"value", step}}}), true);
    const auto hits = value.find("value");
    if (hits == value.end() || !hits->is_array()) throw CMalformedAnswer("the browser's hits: no list");
    return hits->get<std::vector<int>>();
}

}  // namespace marklens

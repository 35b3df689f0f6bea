#include "chromiumpage.h"

#include "chromiumpendingpicture.h"
#include "chromiumprobe.h"
#include "chromiumscriptobject.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "probelocation.h"
#include "remoteobject.h"

namespace marklens {

CChromiumPage::CChromiumPage(DevToolsSessionHandle session, std::string probePath,
                             std::optional<CDevToolsEndpoint> endpoint)
    : session_(std::move(session)), probePath_(std::move(probePath)), endpoint_(std::move(endpoint)) {}

PageProbeHandle CChromiumPage::CreateProbe() {
    std::optional<std::string> script = ReadProbeScript(probePath_);
    if (!script) throw CObjectCallError(status::kFail, "The probe file " + probePath_ + " cannot be read");
    return std::make_shared<CChromiumProbe>(session_, std::move(*script));
}

// Every attach, Refresh and style change pays for this, so it takes the fast way: bringing the
// tab to the front needs no answer (the session handles calls in order) and the browser encodes
// for speed rather than size.
CPicture CChromiumPage::CapturePicture() {
    session_->Notify("Page.bringToFront", nlohmann::json::object());
    return CapturePictureInPlace();
}

CPicture CChromiumPage::CapturePictureInPlace() { return StartPictureInPlace()->Take(); }

std::unique_ptr<IPendingPicture> CChromiumPage::StartPictureInPlace() {
    return std::make_unique<CChromiumPendingPicture>(session_, lastCapture_, false);
}

std::unique_ptr<IPendingPicture> CChromiumPage::StartPictureAtOnce() {
    return std::make_unique<CChromiumPendingPicture>(session_, lastCapture_, true);
}

namespace {

// Evaluates in the top frame's main world; a script exception fails with its own text.
nlohmann::json EvaluateInMainWorld(CDevToolsSession& session, const std::string& expression) {
    nlohmann::json result =
        session.Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", false}, {"silent", true}});
    if (const std::string error = ExceptionText(result); !error.empty()) throw CObjectCallError(status::kFail, error);
    return std::move(result["result"]);
}

}  // namespace

void CChromiumPage::ExecScript(const std::string& statement) {
    const nlohmann::json value = EvaluateInMainWorld(*session_, statement);
    // The statement's value is not wanted; an object it made must not stay held.
    if (const auto objectId = value.find("objectId"); objectId != value.end()) {
        session_->Notify("Runtime.releaseObject", {{"objectId", *objectId}});
    }
}

LiveObjectHandle CChromiumPage::GlobalObject(const std::string& name) {
    const nlohmann::json value = EvaluateInMainWorld(*session_, "globalThis[" + nlohmann::json(name).dump() + "]");
    const auto objectId = value.find("objectId");
    if (objectId == value.end())
        throw CObjectCallError(status::kFail, "The page variable " + name + " holds no object");
    auto object = std::make_shared<CRemoteObject>(session_, objectId->get<std::string>());
    CBrowserOptions options;
    options.timeout = session_->Timeout();
    options.probePath = probePath_;
    return std::make_shared<CChromiumScriptObject>(std::move(object), endpoint_, std::move(options));
}

}  // namespace marklens

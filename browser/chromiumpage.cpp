#include "chromiumpage.h"

#include <algorithm>
#include <cmath>

#include "chromiumprobe.h"
#include "chromiumscriptobject.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "pngcodec.h"
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

namespace {

// Device pixels per CSS pixel, from the browser's own metrics rather than from the page, which
// could lie. The visual viewports measure the same area, the CSS one unrounded, so their ratio
// is the device scale factor to float precision; the rounding drops that noise.
double DeviceRatio(const nlohmann::json& metrics) {
    const auto width = [&metrics](const char* viewport) {
        return metrics.contains(viewport) ? metrics[viewport].value("clientWidth", 0.0) : 0.0;
    };
    double device = width("visualViewport"), css = width("cssVisualViewport");
    if (device <= 0 || css <= 0) {
        device = width("layoutViewport");
        css = width("cssLayoutViewport");
    }
    if (device <= 0 || css <= 0) return 1.0;
    return std::round(device / css * 1e6) / 1e6;
}

}  // namespace

// The picture keeps the browser's device pixels on a dense screen (the clip's scale is 1); below
// one device pixel per CSS pixel it is scaled up to one per CSS pixel, so detail is never lost
// to the screen. The clip is in page coordinates: it starts at the scroll position. Every
// attach, Refresh and style change pays for this, so it takes the fast way: bringing the tab to
// the front needs no answer (the session handles calls in order), the browser encodes for
// speed rather than size, and the decoding keeps its buffer.
CPicture CChromiumPage::CapturePicture() {
    session_->Notify("Page.bringToFront", nlohmann::json::object());
    return CapturePictureInPlace();
}

CPicture CChromiumPage::CapturePictureInPlace() {
    double scale = 1.0;
    try {
        const nlohmann::json metrics = session_->Call("Page.getLayoutMetrics");
        const nlohmann::json& css = metrics.at("cssLayoutViewport");
        const double ratio = DeviceRatio(metrics);
        scale = std::max(ratio, 1.0);
        const nlohmann::json clip = {{"x", css.value("pageX", 0.0)},
                                     {"y", css.value("pageY", 0.0)},
                                     {"width", css.value("clientWidth", 0.0)},
                                     {"height", css.value("clientHeight", 0.0)},
                                     {"scale", scale / ratio}};
        const nlohmann::json shot =
            session_->Call("Page.captureScreenshot", {{"format", "png"}, {"clip", clip}, {"optimizeForSpeed", true}});
        DecodeBase64(shot.at("data").get_ref<const std::string&>(), pngBytes_);
    } catch (const nlohmann::json::exception& error) {
        throw CObjectCallError(status::kFail,
                               std::string("The browser's picture answer was not understood: ") + error.what());
    }
    CPicture picture = DecodePng(pngBytes_);
    picture.scale = scale;
    return picture;
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

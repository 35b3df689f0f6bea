#include "chromiumpage.h"

#include <cmath>

#include "chromiumprobe.h"
#include "model/objectcallerror.h"
#include "model/statuscodes.h"
#include "pngcodec.h"
#include "probelocation.h"

namespace marklens {

CChromiumPage::CChromiumPage(DevToolsSessionHandle session, std::string probePath)
    : session_(std::move(session)), probePath_(std::move(probePath)) {}

PageProbeHandle CChromiumPage::CreateProbe() {
    std::optional<std::string> script = ReadProbeScript(probePath_);
    if (!script) throw CObjectCallError(status::kFail, "The probe file " + probePath_ + " cannot be read");
    return std::make_shared<CChromiumProbe>(session_, std::move(*script));
}

// One picture pixel per CSS pixel, whatever the screen's scale: the clip's scale undoes the
// device pixel ratio. The clip is in page coordinates, so it starts at the scroll position.
CPicture CChromiumPage::CapturePicture() {
    session_->Call("Page.bringToFront");
    const nlohmann::json metrics = session_->Call("Page.getLayoutMetrics");
    const nlohmann::json& layout = metrics.at("cssLayoutViewport");
    const nlohmann::json dpr = session_->Call(
        "Runtime.evaluate", {{"expression", "window.devicePixelRatio"}, {"returnByValue", true}, {"silent", true}});
    const double scale = dpr.at("result").value("value", 1.0);
    const nlohmann::json clip = {{"x", layout.value("pageX", 0.0)},
                                 {"y", layout.value("pageY", 0.0)},
                                 {"width", layout.value("clientWidth", 0.0)},
                                 {"height", layout.value("clientHeight", 0.0)},
                                 {"scale", scale > 0 ? 1.0 / scale : 1.0}};
    const nlohmann::json shot = session_->Call("Page.captureScreenshot", {{"format", "png"}, {"clip", clip}});
    return DecodePng(DecodeBase64(shot.at("data").get_ref<const std::string&>()));
}

}  // namespace marklens

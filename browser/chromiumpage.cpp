#include "chromiumpage.h"


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
// device pixel ratio, read from the browser's own metrics (device over CSS pixels) rather than
// from the page, which could lie. The clip is in page coordinates: it starts at the scroll
// position.
CPicture CChromiumPage::CapturePicture() {
    session_->Call("Page.bringToFront");
    const nlohmann::json metrics = session_->Call("Page.getLayoutMetrics");
    const nlohmann::json& css = metrics.at("cssLayoutViewport");
    const double cssWidth = css.value("clientWidth", 0.0);
    const double deviceWidth = metrics.contains("layoutViewport") ? metrics["layoutViewport"].value("clientWidth", 0.0) : 0.0;
    const double ratio = cssWidth > 0 && deviceWidth > 0 ? deviceWidth / cssWidth : 1.0;
    const nlohmann::json clip = {{"x", css.value("pageX", 0.0)},
                                 {"y", css.value("pageY", 0.0)},
                                 {"width", cssWidth},
                                 {"height", css.value("clientHeight", 0.0)},
                                 {"scale", 1.0 / ratio}};
    const nlohmann::json shot = session_->Call("Page.captureScreenshot", {{"format", "png"}, {"clip", clip}});
    return DecodePng(DecodeBase64(shot.at("data").get_ref<const std::string&>()));
}

}  // namespace marklens

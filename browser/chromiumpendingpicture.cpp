#include "chromiumpendingpicture.h"

#include <algorithm>
#include <cmath>

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "pngcodec.h"

namespace marklens {

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

// The visual viewport shows the layout viewport as it is: not pinch-zoomed, not moved within it.
bool Unzoomed(const nlohmann::json& metrics) {
    const auto visual = metrics.find("cssVisualViewport");
    return visual != metrics.end() && visual->value("scale", 1.0) == 1.0 && visual->value("offsetX", 0.0) == 0.0 &&
           visual->value("offsetY", 0.0) == 0.0;
}

[[noreturn]] void NotUnderstood(const nlohmann::json::exception& error) {
    throw CObjectCallError(status::kFail,
                           std::string("The browser's picture answer was not understood: ") + error.what());
}

}  // namespace

CChromiumPendingPicture::CChromiumPendingPicture(DevToolsSessionHandle session, CaptureGuessHandle lastCapture,
                                                 bool atOnce)
    : session_(std::move(session)), lastCapture_(std::move(lastCapture)) {
    if (atOnce && lastCapture_->is_object()) {
        sent_ = *lastCapture_;
        scale_ = sent_.value("picture scale", 1.0);
        capture_.emplace(session_->Start("Page.captureScreenshot", sent_.at("capture")));
    }
    metrics_.emplace(session_->Start("Page.getLayoutMetrics"));
}

void CChromiumPendingPicture::GoOn() {
    if (metrics_ && metrics_->Ready()) SendCapture();
}

// The picture keeps the browser's device pixels on a dense screen (the clip's scale is 1); below
// one device pixel per CSS pixel it is scaled up to one per CSS pixel, so detail is never lost
// to the screen. The clip is in page coordinates: it starts at the scroll position. A view shown
// as it is, one device pixel per CSS pixel and not zoomed in, is captured whole and cut to the
// viewport here: a clip makes the browser emulate another view for the capture, which costs it
// a frame's time.
void CChromiumPendingPicture::SendCapture() {
    CDevToolsSession::CPendingCall metrics = std::move(*metrics_);
    metrics_.reset();
    try {
        const nlohmann::json answer = metrics.Result();
        const nlohmann::json& css = answer.at("cssLayoutViewport");
        const double ratio = DeviceRatio(answer);
        scale_ = std::max(ratio, 1.0);
        const nlohmann::json clip = {{"x", css.value("pageX", 0.0)},
                                     {"y", css.value("pageY", 0.0)},
                                     {"width", css.value("clientWidth", 0.0)},
                                     {"height", css.value("clientHeight", 0.0)},
                                     {"scale", scale_ / ratio}};
        clipped_ = {{"format", "png"}, {"clip", clip}, {"optimizeForSpeed", true}};
        const bool clipNeeded = lastCapture_->is_object() && lastCapture_->value("clip needed", false);
        nlohmann::json capture = clipped_;
        cut_.reset();
        if (ratio == 1.0 && !clipNeeded && Unzoomed(answer)) {
            capture.erase("clip");
            cut_.emplace(static_cast<int>(std::lround(css.value("clientWidth", 0.0))),
                         static_cast<int>(std::lround(css.value("clientHeight", 0.0))));
        }
        // The viewport's size is part of the guess: a view resized since needs another capture.
        const nlohmann::json cut = cut_ ? nlohmann::json{cut_->first, cut_->second} : nlohmann::json();
        *lastCapture_ = {{"capture", capture}, {"picture scale", scale_}, {"cut", cut}, {"clip needed", clipNeeded}};
        if (capture_ && sent_ == *lastCapture_) return;  // the guess was right
        capture_.emplace(session_->Start("Page.captureScreenshot", capture));
    } catch (const nlohmann::json::exception& error) {
        NotUnderstood(error);
    }
}

void CChromiumPendingPicture::Receive() {
    if (received_) return;
    if (metrics_) SendCapture();
    if (!capture_) throw CObjectCallError(status::kFail, "The picture was already taken");
    ReceiveInto(pngBytes_);
    if (cut_) {
        const auto [width, height] = PngSize(pngBytes_);
        if (!CPicture::HoldsCut(width, height, cut_->first, cut_->second)) {
            // The view is not the viewport and its scroll bars (the browser emulates another
            // view): the browser cuts the picture, from now on.
            (*lastCapture_)["clip needed"] = true;
            cut_.reset();
            capture_.emplace(session_->Start("Page.captureScreenshot", clipped_));
            ReceiveInto(pngBytes_);
        }
    }
    received_ = true;
}

void CChromiumPendingPicture::ReceiveInto(std::string& bytes) {
    CDevToolsSession::CPendingCall capture = std::move(*capture_);
    capture_.reset();
    try {
        const nlohmann::json shot = capture.Result();
        DecodeBase64(shot.at("data").get_ref<const std::string&>(), bytes);
    } catch (const nlohmann::json::exception& error) {
        NotUnderstood(error);
    }
}

CPicture CChromiumPendingPicture::Take() {
    Receive();
    received_ = false;
    CPicture picture = DecodePng(pngBytes_);
    if (cut_) picture.CutTo(cut_->first, cut_->second);
    picture.scale = scale_;
    return picture;
}

}  // namespace marklens

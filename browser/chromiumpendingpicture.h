#pragma once
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "devtoolssession.h"
#include "model/page/pendingpicture.h"

namespace marklens {

// The parameters of a page's last capture, kept for the next one to guess from.
using CaptureGuessHandle = std::shared_ptr<nlohmann::json>;

// The viewport's picture in two calls on the page's session: the layout metrics, sent at once,
// then the capture itself, sent as soon as the metrics are in. At once, the capture goes out
// with the metrics on the guess of the last capture, and again only when the metrics differ.
class CChromiumPendingPicture : public IPendingPicture {
public:
    CChromiumPendingPicture(DevToolsSessionHandle session, CaptureGuessHandle lastCapture, bool atOnce);

    void GoOn() override;
    void Receive() override;
    CPicture Take() override;

private:
    void SendCapture();
    void ReceiveInto(std::string& bytes);

    DevToolsSessionHandle session_;
    CaptureGuessHandle lastCapture_;
    nlohmann::json sent_;                     // the parameters of the capture on its way
    nlohmann::json clipped_;                  // the same capture cut by the browser
    std::optional<std::pair<int, int>> cut_;  // the viewport to cut a whole view's capture to
    std::optional<CDevToolsSession::CPendingCall> metrics_;
    std::optional<CDevToolsSession::CPendingCall> capture_;
    double scale_ = 1.0;
    std::string pngBytes_;
    bool received_ = false;  // pngBytes_ hold the answer, not yet decoded
};

}  // namespace marklens

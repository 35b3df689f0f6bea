#pragma once
#include <optional>
#include <string>

#include "devtoolssession.h"
#include "model/page/pendingpicture.h"

namespace marklens {

// The viewport's picture in two calls on the page's session: the layout metrics, sent at once,
// then the capture itself, sent as soon as the metrics are in.
class CChromiumPendingPicture : public IPendingPicture {
public:
    explicit CChromiumPendingPicture(DevToolsSessionHandle session);

    void GoOn() override;
    CPicture Take() override;

private:
    void SendCapture();

    DevToolsSessionHandle session_;
    std::optional<CDevToolsSession::CPendingCall> metrics_;
    std::optional<CDevToolsSession::CPendingCall> capture_;
    double scale_ = 1.0;
    std::string pngBytes_;
};

}  // namespace marklens

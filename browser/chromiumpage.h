#pragma once
#include <optional>
#include <string>

#include "chromiumpendingpicture.h"
#include "devtoolsendpoint.h"
#include "devtoolssession.h"
#include "model/page/livepage.h"

namespace marklens {

// The document shown in one tab, reached through its own protocol session.
class CChromiumPage : public ILivePage {
public:
    // The endpoint, when given, is where windows that the page opened are looked for.
    CChromiumPage(DevToolsSessionHandle session, std::string probePath,
                  std::optional<CDevToolsEndpoint> endpoint = std::nullopt);

    PageProbeHandle CreateProbe() override;
    CPicture CapturePicture() override;
    CPicture CapturePictureInPlace() override;
    std::unique_ptr<IPendingPicture> StartPictureInPlace() override;
    std::unique_ptr<IPendingPicture> StartPictureAtOnce() override;
    void ObeyCancellation(CancellationHandle cancellation) override {
        session_->ObeyCancellation(std::move(cancellation));
    }
    void ExecScript(const std::string& statement) override;
    LiveObjectHandle GlobalObject(const std::string& name) override;

    const DevToolsSessionHandle& Session() const { return session_; }

private:
    DevToolsSessionHandle session_;
    CaptureGuessHandle lastCapture_ = std::make_shared<nlohmann::json>();  // the last picture's capture
    std::string probePath_;
    std::optional<CDevToolsEndpoint> endpoint_;
};

}  // namespace marklens

#pragma once
#include <string>

#include "devtoolssession.h"
#include "model/livepage.h"

namespace marklens {

// The document shown in one tab, reached through its own protocol session.
class CChromiumPage : public ILivePage {
public:
    CChromiumPage(DevToolsSessionHandle session, std::string probePath);

    PageProbeHandle CreateProbe() override;
    CPicture CapturePicture() override;

    const DevToolsSessionHandle& Session() const { return session_; }

private:
    DevToolsSessionHandle session_;
    std::string probePath_;
};

}  // namespace marklens

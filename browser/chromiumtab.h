#pragma once
#include <string>

#include "browseroptions.h"
#include "devtoolsendpoint.h"
#include "model/page/browserwindow.h"

namespace marklens {

// One page target of a browser endpoint, as /json/list named it.
class CChromiumTab : public IBrowserWindow {
public:
    CChromiumTab(CDevToolsEndpoint endpoint, std::string targetId, std::string title, CBrowserOptions options);

    std::string Label() const override { return label_; }
    // Opens a protocol session of its own to the tab.
    LivePageHandle Document() override;

    const std::string& TargetId() const { return targetId_; }
    const CDevToolsEndpoint& Endpoint() const { return endpoint_; }

private:
    CDevToolsEndpoint endpoint_;
    std::string targetId_;
    std::string label_;
    CBrowserOptions options_;
};

}  // namespace marklens

#include "chromiumtab.h"

#include "chromiumpage.h"
#include "devtoolssession.h"
#include "probelocation.h"

namespace marklens {

CChromiumTab::CChromiumTab(CDevToolsEndpoint endpoint, std::string targetId, std::string title, CBrowserOptions options)
    : endpoint_(std::move(endpoint)),
      targetId_(std::move(targetId)),
      label_(std::move(title)),
      options_(std::move(options)) {}

LivePageHandle CChromiumTab::Document() {
    auto session = std::make_shared<CDevToolsSession>(endpoint_.Host(), endpoint_.Port(),
                                                      "/devtools/page/" + targetId_, options_.timeout);
    // Page events tell the session when a dialog blocks the page.
    session->Call("Page.enable");
    const std::string probe = options_.probePath.empty() ? DefaultProbePath() : options_.probePath;
    return std::make_shared<CChromiumPage>(std::move(session), probe, endpoint_);
}

}  // namespace marklens

#include "chromiumshell.h"

#include <algorithm>

#include "chromiumtab.h"
#include "endpointdiscovery.h"
#include "model/errors/objectcallerror.h"
#include "probelocation.h"

namespace marklens {

namespace {

// The page targets of one endpoint, in its order; a target that does not read is skipped.
void AddTabs(const CDevToolsEndpoint& endpoint, const CBrowserOptions& options,
             std::vector<BrowserWindowHandle>& tabs) {
    nlohmann::json targets;
    try {
        targets = endpoint.RequestJson("GET", "/json/list", options.timeout);
    } catch (const CObjectCallError&) {
        return;
    }
    if (!targets.is_array()) return;
    for (const nlohmann::json& target : targets) {
        if (!target.is_object() || target.value("type", "") != "page") continue;
        const auto id = target.find("id");
        if (id == target.end() || !id->is_string() || id->get_ref<const std::string&>().empty()) continue;
        const auto title = target.find("title");
        tabs.push_back(std::make_shared<CChromiumTab>(endpoint, id->get<std::string>(),
                                                      title != target.end() && title->is_string() ? title->get<std::string>() : "",
                                                      options));
    }
}

}  // namespace

CChromiumShell::CChromiumShell(CBrowserOptions options) : options_(std::move(options)) {}

std::vector<BrowserWindowHandle> CChromiumShell::EnumerateBrowsers() {
    const CBrowserOptions options = Options();
    const std::vector<CDevToolsEndpoint> endpoints =
        options.endpoints.empty() ? DiscoverEndpoints(options.extraEndpoints) : ParseEndpointList(options.endpoints);
    std::vector<BrowserWindowHandle> tabs;
    for (const CDevToolsEndpoint& endpoint : endpoints)
        AddTabs(endpoint, options, tabs);
    return tabs;
}

CBrowserOptions CChromiumShell::Options() const {
    const std::lock_guard lock(mutex_);
    return options_;
}

void CChromiumShell::AddEndpoint(const std::string& endpoint) {
    const std::lock_guard lock(mutex_);
    auto& extra = options_.extraEndpoints;
    if (std::find(extra.begin(), extra.end(), endpoint) == extra.end()) extra.push_back(endpoint);
}

bool CChromiumShell::IsProbeLibraryRegistered() const {
    const std::string probePath = Options().probePath;
    return ReadProbeScript(probePath.empty() ? DefaultProbePath() : probePath).has_value();
}

}  // namespace marklens

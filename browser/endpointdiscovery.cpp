#include "endpointdiscovery.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace marklens {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

std::string Home() { return EnvOr("HOME", "/"); }

void AddUnique(std::vector<CDevToolsEndpoint>& list, const CDevToolsEndpoint& endpoint) {
    if (std::find(list.begin(), list.end(), endpoint) == list.end()) list.push_back(endpoint);
}

// The first line of a DevToolsActivePort file is the port.
void AddActivePort(std::vector<CDevToolsEndpoint>& list, const std::string& profile) {
    std::ifstream file(profile + "/DevToolsActivePort");
    std::string line;
    if (!file || !std::getline(file, line)) return;
    if (const auto endpoint = CDevToolsEndpoint::Parse("127.0.0.1:" + line)) AddUnique(list, *endpoint);
}

}  // namespace

std::vector<CDevToolsEndpoint> ParseEndpointList(const std::vector<std::string>& texts) {
    std::vector<CDevToolsEndpoint> list;
    for (std::string text : texts) {
        text.erase(std::remove_if(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); }),
                   text.end());
        if (const auto endpoint = CDevToolsEndpoint::Parse(text)) AddUnique(list, *endpoint);
    }
    return list;
}

std::string OwnBrowserProfile() { return EnvOr("XDG_CACHE_HOME", Home() + "/.cache") + "/marklens/browser"; }

std::vector<CDevToolsEndpoint> DiscoverEndpoints(const std::vector<std::string>& extra) {
    std::vector<CDevToolsEndpoint> list{CDevToolsEndpoint("127.0.0.1", "9222")};
    const std::string config = EnvOr("XDG_CONFIG_HOME", Home() + "/.config");
    for (const std::string& profile : {config + "/chromium", config + "/google-chrome", OwnBrowserProfile()}) {
        AddActivePort(list, profile);
    }
    // Browsers elsewhere, for instance on another machine through a tunnel.
    std::vector<std::string> added;
    std::stringstream given(EnvOr("MARKLENS_DEVTOOLS", ""));
    for (std::string part; std::getline(given, part, ',');)
        added.push_back(part);
    added.insert(added.end(), extra.begin(), extra.end());
    for (const CDevToolsEndpoint& endpoint : ParseEndpointList(added))
        AddUnique(list, endpoint);
    return list;
}

}  // namespace marklens

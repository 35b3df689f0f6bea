#pragma once
#include <vector>

#include "devtoolsendpoint.h"

namespace marklens {

// The endpoints to ask for browsers, without duplicates: 127.0.0.1:9222, the port of every
// DevToolsActivePort file in the Chromium and Chrome profiles and in Marklens's own browser
// profile, then the entries of MARKLENS_DEVTOOLS (comma-separated host:port), then extra.
std::vector<CDevToolsEndpoint> DiscoverEndpoints(const std::vector<std::string>& extra = {});

// Marklens's own browser profile: $XDG_CACHE_HOME/marklens/browser (~/.cache when unset).
std::string OwnBrowserProfile();

// The endpoints of a host:port list; entries that do not parse are left out.
std::vector<CDevToolsEndpoint> ParseEndpointList(const std::vector<std::string>& texts);

}  // namespace marklens

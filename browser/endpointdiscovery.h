#pragma once
#include <vector>

#include "devtoolsendpoint.h"

namespace marklens {

// The endpoints to ask for browsers, without duplicates: MARKLENS_DEVTOOLS (comma-separated
// host:port) when set; otherwise 127.0.0.1:9222 and the port of every DevToolsActivePort file
// in the Chromium and Chrome profiles and in Marklens's own browser profile.
std::vector<CDevToolsEndpoint> DiscoverEndpoints();

// The endpoints of a host:port list; entries that do not parse are left out.
std::vector<CDevToolsEndpoint> ParseEndpointList(const std::vector<std::string>& texts);

}  // namespace marklens

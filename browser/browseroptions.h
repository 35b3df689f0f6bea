#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace marklens {

// Settings shared by every browser call of one shell: where to look and how long to wait.
struct CBrowserOptions {
    // One time-out for every protocol call, connection and HTTP request.
    std::chrono::milliseconds timeout{10000};
    // "host:port" endpoints to ask; empty means the usual places (DiscoverEndpoints).
    std::vector<std::string> endpoints;
    // "host:port" endpoints asked after the usual places, when endpoints is empty.
    std::vector<std::string> extraEndpoints;
    // The page probe script; empty means DefaultProbePath().
    std::string probePath;
};

}  // namespace marklens

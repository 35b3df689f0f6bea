#pragma once
#include <chrono>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace marklens {

// One browser's DevTools HTTP endpoint, "host:port".
class CDevToolsEndpoint {
public:
    CDevToolsEndpoint(std::string host, std::string port) : host_(std::move(host)), port_(std::move(port)) {}
    // "host:port" with a port of 1 to 65535; nothing for anything else.
    static std::optional<CDevToolsEndpoint> Parse(const std::string& text);

    const std::string& Host() const { return host_; }
    const std::string& Port() const { return port_; }
    std::string Text() const { return host_ + ":" + port_; }
    friend bool operator==(const CDevToolsEndpoint&, const CDevToolsEndpoint&) = default;

    // The body of an HTTP request ("GET", "/json/list"); throws CObjectCallError when the
    // endpoint does not answer in time or answers with an error status.
    std::string Request(const std::string& verb, const std::string& target, std::chrono::milliseconds timeout) const;
    // Request parsed as JSON; a body that is not JSON throws CObjectCallError.
    nlohmann::json RequestJson(const std::string& verb, const std::string& target,
                               std::chrono::milliseconds timeout) const;

private:
    std::string host_;
    std::string port_;
};

}  // namespace marklens

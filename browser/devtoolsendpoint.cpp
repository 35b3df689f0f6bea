#include "devtoolsendpoint.h"

#include <charconv>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

std::optional<CDevToolsEndpoint> CDevToolsEndpoint::Parse(const std::string& text) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    std::string host = text.substr(0, colon);
    const std::string port = text.substr(colon + 1);
    int value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (ec != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535) return std::nullopt;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    return CDevToolsEndpoint(host, std::to_string(value));
}

std::string CDevToolsEndpoint::Request(const std::string& verb, const std::string& target,
                                       std::chrono::milliseconds timeout) const {
    asio::io_context io;
    beast::tcp_stream stream(io);
    asio::ip::tcp::resolver resolver(io);
    http::request<http::empty_body> request(http::string_to_verb(verb), target, 11);
    request.set(http::field::host, host_ + ":" + port_);
    request.set(http::field::user_agent, "marklens");
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    beast::error_code failure;

    // Chained asynchronous steps under one deadline, run to completion on this thread.
    stream.expires_after(timeout);
    resolver.async_resolve(host_, port_, [&](beast::error_code ec, asio::ip::tcp::resolver::results_type r) {
        if (ec) return void(failure = ec);
        stream.async_connect(r, [&](beast::error_code ec2, const asio::ip::tcp::endpoint&) {
            if (ec2) return void(failure = ec2);
            http::async_write(stream, request, [&](beast::error_code ec3, std::size_t) {
                if (ec3) return void(failure = ec3);
                http::async_read(stream, buffer, response, [&](beast::error_code ec4, std::size_t) { failure = ec4; });
            });
        });
    });
    io.run_for(timeout + std::chrono::milliseconds(100));
    if (!io.stopped()) {
        stream.close();
        resolver.cancel();
        io.run();
        throw CObjectCallError(status::kTimeout, "No answer from the browser at " + Text());
    }
    if (failure) {
        const std::uint32_t code = failure == beast::error::timeout ? status::kTimeout : status::kFail;
        throw CObjectCallError(code, "Could not reach the browser at " + Text() + ": " + failure.message());
    }
    if (response.result_int() >= 400) {
        throw CObjectCallError(status::kFail, "The browser at " + Text() + " answered " + target + " with " +
                                                  std::to_string(response.result_int()) + ": " + response.body());
    }
    return std::move(response.body());
}

nlohmann::json CDevToolsEndpoint::RequestJson(const std::string& verb, const std::string& target,
                                              std::chrono::milliseconds timeout) const {
    nlohmann::json value = nlohmann::json::parse(Request(verb, target, timeout), nullptr, false);
    if (value.is_discarded()) {
        throw CObjectCallError(status::kFail, "The browser at " + Text() + " answered " + target + " with no JSON");
    }
    return value;
}

}  // namespace marklens

#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/websocket/stream.hpp>
#include <nlohmann/json.hpp>

namespace marklens {

// One DevTools protocol connection to a target. Calls are synchronous: each blocks until its
// answer or the time-out. Events that arrive meanwhile are queued. Internally one read is
// always in flight, so an answer that comes after its call timed out is simply dropped.
class CDevToolsSession {
public:
    using Json = nlohmann::json;

    CDevToolsSession(const std::string& host, const std::string& port, const std::string& path,
                     std::chrono::milliseconds timeout);
    ~CDevToolsSession();
    CDevToolsSession(const CDevToolsSession&) = delete;
    CDevToolsSession& operator=(const CDevToolsSession&) = delete;

    // The call's result object; a protocol error, a lost connection or the time-out throws
    // CObjectCallError.
    Json Call(const std::string& method, const Json& params = Json::object());
    // Sends without waiting for the answer (releasing objects); never throws.
    void Notify(const std::string& method, const Json& params) noexcept;

    bool IsOpen() const { return !closed_; }
    std::chrono::milliseconds Timeout() const { return timeout_; }
    // Queued events, oldest first.
    std::deque<Json>& Events() { return events_; }

private:
    using Clock = std::chrono::steady_clock;

    void Send(const std::string& text, Clock::time_point deadline);
    void StartRead();
    void OnMessage();
    void MarkClosed(const std::string& reason);
    // Runs the event loop once, at most until the deadline; false when the deadline passed.
    bool RunUntil(Clock::time_point deadline);
    [[noreturn]] void ThrowClosed(const std::string& method) const;

    boost::asio::io_context io_;
    boost::beast::websocket::stream<boost::beast::tcp_stream> ws_;
    boost::beast::flat_buffer readBuffer_;
    std::chrono::milliseconds timeout_;
    std::map<std::int64_t, Json> answers_;
    std::set<std::int64_t> waiting_;
    std::deque<Json> events_;
    std::int64_t nextId_ = 1;
    bool reading_ = false;
    bool closed_ = false;
    bool dialogOpen_ = false;
    std::string closeReason_;
};

using DevToolsSessionHandle = std::shared_ptr<CDevToolsSession>;

}  // namespace marklens

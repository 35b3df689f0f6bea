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

#include "base/cancellation.h"

namespace marklens {

// One DevTools protocol connection to a target, used from one thread. A call blocks that
// thread until its answer, the time-out or a cancellation; several calls can be on their way
// at once (Start, then Result). Events that arrive meanwhile are queued. Internally one read
// is always in flight, so an answer that comes after its call gave up is simply dropped.
class CDevToolsSession {
public:
    using Json = nlohmann::json;
    using Clock = std::chrono::steady_clock;

    // A call on its way: sent when made, its answer taken with Result() (once). An answer
    // nobody takes is dropped when the object goes.
    class CPendingCall {
    public:
        CPendingCall(CPendingCall&& other) noexcept;
        CPendingCall(const CPendingCall&) = delete;
        CPendingCall& operator=(const CPendingCall&) = delete;
        CPendingCall& operator=(CPendingCall&&) = delete;
        ~CPendingCall();

        // The call's result object; a protocol error, a lost connection, the time-out or a
        // cancellation throws CObjectCallError.
        Json Result();
        // Whether Result would return at once; takes in what arrived, never waits.
        bool Ready();
        // Waits like Result until the answer is there (true: Result then returns at once), or
        // until the interrupt is asked for or the time is reached (false); throws what Result
        // would.
        bool WaitUnless(CCancellation& interrupt, Clock::time_point until);

    private:
        friend class CDevToolsSession;
        CPendingCall(CDevToolsSession& session, std::int64_t id, std::string method, std::chrono::milliseconds timeout);

        CDevToolsSession* session_;
        std::int64_t id_;
        std::string method_;
        std::chrono::milliseconds timeout_;
        Clock::time_point deadline_;
    };

    CDevToolsSession(const std::string& host, const std::string& port, const std::string& path,
                     std::chrono::milliseconds timeout);
    // Another session on the same connection: a flattened session attached to another target
    // (an empty id: the connection's own target), with a time-out of its own.
    CDevToolsSession(const std::shared_ptr<CDevToolsSession>& connection, std::string sessionId,
                     std::chrono::milliseconds timeout);
    ~CDevToolsSession();
    CDevToolsSession(const CDevToolsSession&) = delete;
    CDevToolsSession& operator=(const CDevToolsSession&) = delete;

    // The call's result object; a protocol error, a lost connection, the time-out or a
    // cancellation throws CObjectCallError.
    Json Call(const std::string& method, const Json& params = Json::object());
    // Sends the call and returns at once.
    CPendingCall Start(const std::string& method, const Json& params = Json::object());
    // The answer's text as it arrived, unread beyond its id: what a client pays that parses
    // nothing of it. Only for measuring the browser's own time.
    std::size_t CallForRawSize(const std::string& method, const Json& params = Json::object());
    // Sends without waiting for the answer (releasing objects); never throws.
    void Notify(const std::string& method, const Json& params) noexcept;

    // From now on every wait ends as soon as the cancellation is asked for (none: waits end by
    // answer or time-out only). A cancelled call throws CObjectCallError with
    // status::kCancelled; the session stays usable.
    void ObeyCancellation(CancellationHandle cancellation) { cancellation_ = std::move(cancellation); }

    bool IsOpen() const { return connection_ ? connection_->IsOpen() : !closed_; }
    std::chrono::milliseconds Timeout() const { return timeout_; }
    const std::string& SessionId() const { return sessionId_; }
    // Queued events of this session, oldest first.
    std::deque<Json>& Events() { return connection_ ? connection_->events_[sessionId_] : events_[sessionId_]; }

private:
    CPendingCall StartIn(const std::string& sessionId, const std::string& method, const Json& params,
                         std::chrono::milliseconds timeout);
    void NotifyIn(const std::string& sessionId, const std::string& method, const Json& params) noexcept;
    void Send(const std::string& text, Clock::time_point deadline);
    Json Await(std::int64_t id, const std::string& method, Clock::time_point deadline,
               std::chrono::milliseconds timeout);
    // Until the answer is there (true), or the interrupt, when given, is asked for or until
    // comes before the deadline (false).
    bool AwaitAnswer(std::int64_t id, const std::string& method, Clock::time_point deadline,
                     std::chrono::milliseconds timeout, CCancellation* interrupt = nullptr,
                     Clock::time_point until = Clock::time_point::max());
    bool TakeInArrived(std::int64_t id);
    void Forget(std::int64_t id);
    void ThrowIfCancelled(const std::string& method) const;
    void StartRead();
    void OnMessage();
    void MarkClosed(const std::string& reason);
    // Runs the event loop once, at most until the deadline; false when the deadline passed.
    bool RunUntil(Clock::time_point deadline);
    [[noreturn]] void ThrowClosed(const std::string& method) const;

    // The session that owns the connection, for another session on it; none for that one.
    std::shared_ptr<CDevToolsSession> connection_;
    std::string sessionId_;
    boost::asio::io_context io_;
    boost::beast::websocket::stream<boost::beast::tcp_stream> ws_;
    boost::beast::flat_buffer readBuffer_;
    std::chrono::milliseconds timeout_;
    std::map<std::int64_t, Json> answers_;
    std::set<std::int64_t> waiting_;
    std::int64_t rawId_ = 0;  // a call whose answer is only counted
    std::size_t rawSize_ = 0;
    CancellationHandle cancellation_;
    std::map<std::string, std::deque<Json>> events_;  // by session id
    std::int64_t nextId_ = 1;
    bool reading_ = false;
    bool closed_ = false;
    bool dialogOpen_ = false;
    std::string closeReason_;
};

using DevToolsSessionHandle = std::shared_ptr<CDevToolsSession>;

}  // namespace marklens

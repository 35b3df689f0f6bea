#include "devtoolssession.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/websocket.hpp>

#include "lenientjson.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kMaxQueuedEvents = 4096;
constexpr std::uint64_t kMaxMessageBytes = 1ull << 31;

std::string Seconds(std::chrono::milliseconds timeout) {
    const auto ms = timeout.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// Calls that the page's own thread answers; a page blocked in a dialog never answers them.
bool NeedsPageThread(const std::string& method) {
    return method.rfind("Runtime.", 0) == 0 || method == "Page.captureScreenshot" ||
           method.rfind("DOMSnapshot.", 0) == 0;
}

}  // namespace

CDevToolsSession::CDevToolsSession(const std::string& host, const std::string& port,
                                   const std::string& path, std::chrono::milliseconds timeout)
    : ws_(io_), timeout_(timeout) {
    const auto deadline = Clock::now() + timeout_;
    const std::string where = host + ":" + port;
    beast::error_code failure;
    bool done = false;
    tcp::resolver resolver(io_);
    tcp::resolver::results_type endpoints;
    resolver.async_resolve(host, port, [&](beast::error_code ec, tcp::resolver::results_type r) {
        failure = ec;
        endpoints = std::move(r);
        done = true;
    });
    auto wait = [&](const char* step) {
        while (!done) {
            if (!RunUntil(deadline)) {
                beast::get_lowest_layer(ws_).close();
                resolver.cancel();
                throw CObjectCallError(status::kTimeout,
                                       std::string("No answer from the browser at ") + where + " (" + step + ")");
            }
        }
        if (failure) {
            throw CObjectCallError(status::kFail,
                                   "Could not reach the browser at " + where + ": " + failure.message());
        }
        done = false;
    };
    wait("resolve");
    beast::get_lowest_layer(ws_).async_connect(endpoints, [&](beast::error_code ec, const tcp::endpoint&) {
        failure = ec;
        done = true;
    });
    wait("connect");
    ws_.read_message_max(kMaxMessageBytes);
    ws_.set_option(beast::websocket::stream_base::decorator([](beast::websocket::request_type& request) {
        request.set(beast::http::field::user_agent, "marklens");
    }));
    ws_.async_handshake(where, path, [&](beast::error_code ec) {
        failure = ec;
        done = true;
    });
    wait("handshake");
}

CDevToolsSession::CDevToolsSession(const std::shared_ptr<CDevToolsSession>& connection, std::string sessionId,
                                   std::chrono::milliseconds timeout)
    : connection_(connection->connection_ ? connection->connection_ : connection),
      sessionId_(std::move(sessionId)),
      ws_(io_),
      timeout_(timeout) {}

CDevToolsSession::~CDevToolsSession() {
    if (connection_) return;
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
}

bool CDevToolsSession::RunUntil(Clock::time_point deadline) {
    const auto now = Clock::now();
    if (now >= deadline) return false;
    io_.restart();
    io_.run_one_for(deadline - now);
    return true;
}

void CDevToolsSession::MarkClosed(const std::string& reason) {
    if (closed_) return;
    closed_ = true;
    closeReason_ = reason;
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
}

void CDevToolsSession::ThrowClosed(const std::string& method) const {
    throw CObjectCallError(status::kFail, "The browser connection is closed (" + closeReason_ + "); " + method +
                                              " was not answered");
}

void CDevToolsSession::StartRead() {
    if (reading_ || closed_) return;
    reading_ = true;
    ws_.async_read(readBuffer_, [this](beast::error_code ec, std::size_t) {
        reading_ = false;
        if (ec) {
            MarkClosed(ec == beast::websocket::error::closed ? "closed by the browser" : ec.message());
            return;
        }
        OnMessage();
        StartRead();
    });
}

void CDevToolsSession::OnMessage() {
    const auto data = readBuffer_.data();
    const char* begin = static_cast<const char*>(data.data());
    const std::string_view text(begin, data.size());
    if (rawId_ != 0 && LeadingAnswerId(text) == rawId_) {
        rawSize_ = text.size();
        answers_[rawId_] = Json::object();
        readBuffer_.consume(readBuffer_.size());
        return;
    }
    std::string failure = "it is not a protocol message";
    Json message = ReadProtocolMessage(text, &failure);
    if (message.is_discarded() || !message.is_object()) {
        // Fail the call that waits for it now, rather than after the whole time-out.
        const std::optional<std::int64_t> id = LeadingAnswerId(text);
        if (id && waiting_.count(*id)) {
            answers_[*id] = Json{{"error", {{"message", "The browser's answer could not be read: " + failure}}}};
        }
        readBuffer_.consume(readBuffer_.size());
        return;
    }
    readBuffer_.consume(readBuffer_.size());
    const auto id = message.find("id");
    if (id != message.end() && id->is_number_integer()) {
        const std::int64_t key = id->get<std::int64_t>();
        if (waiting_.count(key)) answers_[key] = std::move(message);
        return;
    }
    const std::string method = message.value("method", "");
    const std::string sessionId = message.value("sessionId", "");
    if (sessionId.empty() && method == "Page.javascriptDialogOpening") dialogOpen_ = true;
    if (sessionId.empty() && (method == "Page.javascriptDialogClosed" || method == "Page.frameNavigated")) {
        dialogOpen_ = false;
    }
    std::deque<Json>& events = events_[sessionId];
    if (events.size() >= kMaxQueuedEvents) events.pop_front();
    events.push_back(std::move(message));
}

void CDevToolsSession::Send(const std::string& text, Clock::time_point deadline) {
    bool done = false;
    beast::error_code failure;
    ws_.text(true);
    ws_.async_write(asio::buffer(text), [&](beast::error_code ec, std::size_t) {
        failure = ec;
        done = true;
    });
    while (!done) {
        if (!RunUntil(deadline)) {
            MarkClosed("a write timed out");
            io_.restart();
            io_.poll();  // lets the aborted write finish before its buffer goes away
            return;
        }
    }
    if (failure) MarkClosed(failure.message());
}

CDevToolsSession::CPendingCall::CPendingCall(CDevToolsSession& session, std::int64_t id, std::string method,
                                             std::chrono::milliseconds timeout)
    : session_(&session), id_(id), method_(std::move(method)), timeout_(timeout), deadline_(Clock::now() + timeout) {}

CDevToolsSession::CPendingCall::CPendingCall(CPendingCall&& other) noexcept
    : session_(std::exchange(other.session_, nullptr)),
      id_(other.id_),
      method_(std::move(other.method_)),
      timeout_(other.timeout_),
      deadline_(other.deadline_) {}

CDevToolsSession::CPendingCall::~CPendingCall() {
    if (session_) session_->Forget(id_);
}

CDevToolsSession::Json CDevToolsSession::CPendingCall::Result() {
    CDevToolsSession* session = std::exchange(session_, nullptr);
    if (!session) throw CObjectCallError(status::kFail, method_ + " was already answered");
    struct Forget {
        CDevToolsSession& session;
        std::int64_t id;
        ~Forget() { session.Forget(id); }
    } forget{*session, id_};
    return session->Await(id_, method_, deadline_, timeout_);
}

bool CDevToolsSession::CPendingCall::Ready() { return session_ && (session_->TakeInArrived(id_) || session_->closed_); }

bool CDevToolsSession::CPendingCall::WaitUnless(CCancellation& interrupt, Clock::time_point until) {
    if (!session_) throw CObjectCallError(status::kFail, method_ + " was already answered");
    return session_->AwaitAnswer(id_, method_, deadline_, timeout_, &interrupt, until);
}

void CDevToolsSession::Forget(std::int64_t id) {
    waiting_.erase(id);
    answers_.erase(id);
}

void CDevToolsSession::ThrowIfCancelled(const std::string& method) const {
    if (cancellation_ && cancellation_->IsCancelled()) {
        throw CObjectCallError(status::kCancelled, method + " was cancelled");
    }
}

CDevToolsSession::CPendingCall CDevToolsSession::Start(const std::string& method, const Json& params) {
    CDevToolsSession& connection = connection_ ? *connection_ : *this;
    return connection.StartIn(sessionId_, method, params, timeout_);
}

CDevToolsSession::CPendingCall CDevToolsSession::StartIn(const std::string& sessionId, const std::string& method,
                                                         const Json& params, std::chrono::milliseconds timeout) {
    if (closed_) ThrowClosed(method);
    ThrowIfCancelled(method);
    const std::int64_t id = nextId_++;
    waiting_.insert(id);
    CPendingCall pending(*this, id, method, timeout);
    Json message{{"id", id}, {"method", method}, {"params", params}};
    if (!sessionId.empty()) message["sessionId"] = sessionId;
    Send(message.dump(-1, ' ', false, Json::error_handler_t::replace), pending.deadline_);
    StartRead();
    return pending;
}

CDevToolsSession::Json CDevToolsSession::Call(const std::string& method, const Json& params) {
    return Start(method, params).Result();
}

std::size_t CDevToolsSession::CallForRawSize(const std::string& method, const Json& params) {
    CPendingCall call = Start(method, params);
    rawId_ = call.id_;
    rawSize_ = 0;
    struct Clear {
        std::int64_t& id;
        ~Clear() { id = 0; }
    } clear{rawId_};
    call.Result();
    return rawSize_;
}

CDevToolsSession::Json CDevToolsSession::Await(std::int64_t id, const std::string& method, Clock::time_point deadline,
                                               std::chrono::milliseconds timeout) {
    AwaitAnswer(id, method, deadline, timeout);
    Json message = std::move(answers_.at(id));
    const auto error = message.find("error");
    if (error != message.end()) {
        throw CObjectCallError(status::kFail, error->value("message", std::string("protocol error")));
    }
    const auto result = message.find("result");
    return result != message.end() ? std::move(*result) : Json::object();
}

bool CDevToolsSession::AwaitAnswer(std::int64_t id, const std::string& method, Clock::time_point deadline,
                                   std::chrono::milliseconds timeout, CCancellation* interrupt,
                                   Clock::time_point until) {
    // A cancellation or an interrupt from another thread wakes the loop below through the
    // event queue.
    const auto wake = [this] { asio::post(io_, [] {}); };
    std::optional<CCancellation::CWakeUp> wakeUp;
    if (cancellation_) wakeUp.emplace(*cancellation_, wake);
    std::optional<CCancellation::CWakeUp> interruptWakeUp;
    if (interrupt) interruptWakeUp.emplace(*interrupt, wake);
    for (;;) {
        if (answers_.count(id)) return true;
        if (closed_) ThrowClosed(method);
        ThrowIfCancelled(method);
        if (interrupt && interrupt->IsCancelled()) return false;
        // Take in what already arrived first, so a dialog that has closed since is known.
        if (TakeInArrived(id)) continue;
        if (dialogOpen_ && NeedsPageThread(method)) {
            throw CObjectCallError(status::kTimeout,
                                   "The page is blocked in a dialog (alert, confirm or prompt); " + method +
                                       " cannot be answered");
        }
        ThrowIfCancelled(method);
        if (!RunUntil(std::min(deadline, until))) {
            if (until < deadline) return false;
            throw CObjectCallError(status::kTimeout,
                                   "The browser did not answer " + method + " within " + Seconds(timeout));
        }
    }
}

bool CDevToolsSession::TakeInArrived(std::int64_t id) {
    io_.restart();
    io_.poll();
    return answers_.count(id) > 0;
}

void CDevToolsSession::Notify(const std::string& method, const Json& params) noexcept {
    if (connection_) {
        connection_->NotifyIn(sessionId_, method, params);
        return;
    }
    NotifyIn(sessionId_, method, params);
}

void CDevToolsSession::NotifyIn(const std::string& sessionId, const std::string& method, const Json& params) noexcept {
    if (closed_) return;
    try {
        const std::int64_t id = nextId_++;
        Json message{{"id", id}, {"method", method}, {"params", params}};
        if (!sessionId.empty()) message["sessionId"] = sessionId;
        Send(message.dump(), Clock::now() + timeout_);
        StartRead();
    } catch (...) {
    }
}

}  // namespace marklens

#include "pageserver.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

namespace marklens::testing {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

std::string ContentType(const std::filesystem::path& file) {
    static const std::array<std::pair<const char*, const char*>, 6> types = {{{".html", "text/html; charset=utf-8"},
                                                                            {".css", "text/css"},
                                                                            {".js", "text/javascript"},
                                                                            {".png", "image/png"},
                                                                            {".xml", "text/xml"},
                                                                            {".txt", "text/plain"}}};
    for (const auto& [extension, type] : types) {
        if (file.extension() == extension) return type;
    }
    return "application/octet-stream";
}

// One connection: read a request, answer it, close.
class CConnection : public std::enable_shared_from_this<CConnection> {
public:
    CConnection(tcp::socket socket, const std::filesystem::path& root) : stream_(std::move(socket)), root_(root) {}

    void Start() {
        stream_.expires_after(std::chrono::seconds(10));
        http::async_read(stream_, buffer_, request_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (!ec) self->Answer();
        });
    }

private:
    void Answer() {
        std::string target(request_.target());
        target = target.substr(0, target.find_first_of("?#"));
        const std::filesystem::path wanted = (root_ / target.substr(1)).lexically_normal();
        const auto relative = wanted.lexically_relative(root_);
        std::ifstream file;
        if (!relative.empty() && *relative.begin() != "..") file.open(wanted, std::ios::binary);
        response_.version(request_.version());
        response_.keep_alive(false);
        response_.set(http::field::cache_control, "no-store");
        if (file && std::filesystem::is_regular_file(wanted)) {
            std::ostringstream body;
            body << file.rdbuf();
            response_.result(http::status::ok);
            response_.set(http::field::content_type, ContentType(wanted));
            response_.body() = body.str();
        } else {
            response_.result(http::status::not_found);
            response_.set(http::field::content_type, "text/plain");
            response_.body() = "not found";
        }
        response_.prepare_payload();
        // A browser takes in a large page only as fast as it parses it, which can take minutes.
        stream_.expires_after(std::chrono::minutes(10));
        http::async_write(stream_, response_, [self = shared_from_this()](beast::error_code, std::size_t) {
            beast::error_code ignored;
            self->stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        });
    }

    beast::tcp_stream stream_;
    std::filesystem::path root_;
    beast::flat_buffer buffer_;
    http::request<http::string_body> request_;
    http::response<http::string_body> response_;
};

}  // namespace

class CPageServer::CImpl {
public:
    explicit CImpl(std::string root)
        : root_(std::filesystem::weakly_canonical(root)),
          acceptors_{tcp::acceptor(io_, {asio::ip::make_address("127.0.0.1"), 0}),
                     tcp::acceptor(io_, {asio::ip::make_address("127.0.0.1"), 0})} {
        for (tcp::acceptor& acceptor : acceptors_) Accept(acceptor);
        thread_ = std::thread([this] { io_.run(); });
    }
    ~CImpl() {
        io_.stop();
        thread_.join();
    }

    int Port(int origin) const { return acceptors_.at(static_cast<std::size_t>(origin)).local_endpoint().port(); }

private:
    void Accept(tcp::acceptor& acceptor) {
        acceptor.async_accept([this, &acceptor](beast::error_code ec, tcp::socket socket) {
            if (ec) return;
            std::make_shared<CConnection>(std::move(socket), root_)->Start();
            Accept(acceptor);
        });
    }

    std::filesystem::path root_;
    asio::io_context io_;
    std::array<tcp::acceptor, 2> acceptors_;
    std::thread thread_;
};

CPageServer::CPageServer(std::string root) : impl_(std::make_unique<CImpl>(std::move(root))) {}
CPageServer::~CPageServer() = default;

int CPageServer::Port(int origin) const { return impl_->Port(origin); }

std::string CPageServer::Url(int origin, const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(Port(origin)) + "/" + (path.empty() || path[0] != '/' ? path : path.substr(1));
}

std::string FixturePagesDir() { return MARKLENS_FIXTURE_PAGES; }

}  // namespace marklens::testing

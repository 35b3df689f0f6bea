#pragma once
#include <memory>
#include <string>

namespace marklens::testing {

// Serves the files of one folder over HTTP on two loopback ports, that is two origins, from a
// background thread. Paths that leave the folder get 404.
class CPageServer {
public:
    explicit CPageServer(std::string root);
    ~CPageServer();
    CPageServer(const CPageServer&) = delete;
    CPageServer& operator=(const CPageServer&) = delete;

    // "http://127.0.0.1:PORT/path" for origin 0 or 1.
    std::string Url(int origin, const std::string& path) const;
    int Port(int origin) const;

private:
    class CImpl;
    std::unique_ptr<CImpl> impl_;
};

// The fixture pages folder of the source tree.
std::string FixturePagesDir();

}  // namespace marklens::testing

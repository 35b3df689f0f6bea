#pragma once
#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

namespace marklens::testing {

// A headless Chromium of the test's own: a fresh profile, a port the browser chose, stopped and
// its profile removed when the object goes.
class CHeadlessChromium {
public:
    // extraFlags go after the standard ones (for instance --force-device-scale-factor=2).
    explicit CHeadlessChromium(const std::vector<std::string>& extraFlags = {});
    ~CHeadlessChromium();
    CHeadlessChromium(const CHeadlessChromium&) = delete;
    CHeadlessChromium& operator=(const CHeadlessChromium&) = delete;

    // "127.0.0.1:PORT".
    std::string Endpoint() const { return "127.0.0.1:" + std::to_string(port_); }
    int Port() const { return port_; }
    const std::string& Profile() const { return profile_; }

    // Opens a tab at the address, waits until its document has loaded; returns its target id.
    std::string OpenTab(const std::string& url, std::chrono::seconds loadLimit = std::chrono::seconds(30));
    void CloseTab(const std::string& targetId);
    // Evaluates an expression in the tab's page and returns its value as JSON text.
    std::string Evaluate(const std::string& targetId, const std::string& expression);
    // Kills the browser at once, as a crash would.
    void Kill();

private:
    void WaitForPort(std::chrono::seconds limit);
    void RemoveProfile() const;
    void WaitForLoad(const std::string& targetId, std::chrono::seconds limit);

    std::string profile_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace marklens::testing

#pragma once
#include <chrono>
#include <optional>
#include <string>

#include <sys/types.h>

#include "devtoolsendpoint.h"

namespace marklens {

// A Chromium of Marklens's own, on its own profile folder with a debugging port the browser
// chooses (read from DevToolsActivePort). When a browser already serves that profile, that
// one is used instead. What this object started it closes when it goes; a browser it found
// running it never closes. Failures throw std::runtime_error with a message for the user.
class COwnBrowser {
public:
    struct CSettings {
        std::string program;  // the browser's executable (CBrowserProgram)
        std::string profile;  // created when missing
        bool headless = false;
        std::chrono::milliseconds startTimeout{30000};
        std::chrono::milliseconds callTimeout{10000};
    };

    explicit COwnBrowser(CSettings settings);
    ~COwnBrowser();
    COwnBrowser(const COwnBrowser&) = delete;
    COwnBrowser& operator=(const COwnBrowser&) = delete;

    // Opens url in a tab (the blank one a started browser shows first, else a new one), waits
    // until its page has loaded or the call time-out has passed, and returns the tab's target id.
    std::string OpenPage(const std::string& url);

    // The browser still answers on its endpoint (the user may have closed it).
    bool IsRunning() const;
    const CDevToolsEndpoint& Endpoint() const { return endpoint_; }
    // The browser's process when this object started it; -1 for one found running.
    pid_t Pid() const { return pid_; }
    // Where a started browser writes its messages.
    std::string LogPath() const;

private:
    std::optional<CDevToolsEndpoint> RunningEndpoint() const;
    void Start();
    void WaitForPort();
    std::string BlankTab() const;
    void Close() noexcept;

    CSettings settings_;
    CDevToolsEndpoint endpoint_{"127.0.0.1", "0"};
    pid_t pid_ = -1;
    std::string firstTab_;  // the started browser's own blank tab, until a page uses it
};

}  // namespace marklens

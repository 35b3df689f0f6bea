#include "ownbrowser.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "devtoolssession.h"
#include "model/errors/objectcallerror.h"

namespace marklens {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPoll = std::chrono::milliseconds(50);
constexpr auto kQuickAnswer = std::chrono::milliseconds(2000);
constexpr auto kCloseGrace = std::chrono::seconds(5);

std::vector<std::string> BrowserArguments(const COwnBrowser::CSettings& settings) {
    std::vector<std::string> args{settings.program, "--remote-debugging-port=0", "--user-data-dir=" + settings.profile,
                                  "--no-first-run", "--no-default-browser-check"};
    // Chromium refuses to run as root inside its sandbox.
    if (geteuid() == 0) args.emplace_back("--no-sandbox");
    if (settings.headless) {
        for (const char* flag : {"--headless", "--disable-gpu", "--disable-quic", "--disable-background-networking",
                                 "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage"}) {
            args.emplace_back(flag);
        }
    }
    args.emplace_back("about:blank");
    return args;
}

// The port of a DevToolsActivePort file once the browser has written both of its lines.
std::optional<CDevToolsEndpoint> ActivePort(const std::string& profile) {
    std::ifstream file(profile + "/DevToolsActivePort");
    std::string port;
    std::string path;
    if (!file || !std::getline(file, port) || !std::getline(file, path) || path.empty()) return std::nullopt;
    return CDevToolsEndpoint::Parse("127.0.0.1:" + port);
}

bool Exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

COwnBrowser::COwnBrowser(CSettings settings) : settings_(std::move(settings)) {
    std::error_code ec;
    std::filesystem::create_directories(settings_.profile, ec);
    std::filesystem::permissions(settings_.profile, std::filesystem::perms::owner_all, ec);
    if (const auto running = RunningEndpoint()) {
        endpoint_ = *running;
        return;
    }
    std::filesystem::remove(settings_.profile + "/DevToolsActivePort", ec);
    try {
        Start();
        WaitForPort();
        firstTab_ = BlankTab();
    } catch (...) {
        Close();
        throw;
    }
}

COwnBrowser::~COwnBrowser() { Close(); }

bool COwnBrowser::IsRunning() const {
    try {
        endpoint_.Request("GET", "/json/version", kQuickAnswer);
        return true;
    } catch (const CObjectCallError&) {
        return false;
    }
}

std::string COwnBrowser::LogPath() const { return settings_.profile + ".log"; }

std::optional<CDevToolsEndpoint> COwnBrowser::RunningEndpoint() const {
    const auto endpoint = ActivePort(settings_.profile);
    if (!endpoint) return std::nullopt;
    try {
        endpoint->Request("GET", "/json/version", kQuickAnswer);
        return endpoint;
    } catch (const CObjectCallError&) {
        return std::nullopt;  // the file of a browser that has gone
    }
}

void COwnBrowser::Start() {
    std::vector<std::string> args = BrowserArguments(settings_);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    // Everything the child needs is made before fork: between fork and exec only plain system calls.
    const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int log = open(LogPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // The browser and its helpers form one group that Close can end together, and a crashed
        // Marklens leaves no browser behind.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1);
        dup2(input, STDIN_FILENO);
        dup2(log >= 0 ? log : input, STDOUT_FILENO);
        dup2(log >= 0 ? log : input, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (input >= 0) close(input);
    if (log >= 0) close(log);
    if (pid_ < 0) throw std::runtime_error("Could not start the browser " + settings_.program + ".");
    setpgid(pid_, pid_);
}

void COwnBrowser::WaitForPort() {
    const auto deadline = Clock::now() + settings_.startTimeout;
    while (Clock::now() < deadline) {
        if (const auto endpoint = ActivePort(settings_.profile)) {
            endpoint_ = *endpoint;
            return;
        }
        if (Exited(pid_)) {
            pid_ = -1;
            throw std::runtime_error("The browser " + settings_.program +
                                     " stopped as it started; its messages are in " + LogPath() + ".");
        }
        std::this_thread::sleep_for(kPoll);
    }
    throw std::runtime_error("The browser " + settings_.program +
                             " did not open its debugging port in time; its messages are in " + LogPath() + ".");
}

// The page target a freshly started browser opens on about:blank.
std::string COwnBrowser::BlankTab() const {
    const auto deadline = Clock::now() + settings_.startTimeout;
    while (Clock::now() < deadline) {
        try {
            for (const nlohmann::json& target : endpoint_.RequestJson("GET", "/json/list", settings_.callTimeout)) {
                if (target.value("type", "") == "page") return target.value("id", "");
            }
        } catch (const CObjectCallError&) {
        }
        std::this_thread::sleep_for(kPoll);
    }
    return {};  // none yet: the first page gets a tab of its own
}

std::string COwnBrowser::OpenPage(const std::string& url) {
    try {
        std::string target = std::exchange(firstTab_, {});
        if (target.empty()) {
            target = endpoint_.RequestJson("PUT", "/json/new?about:blank", settings_.callTimeout)
                         .at("id")
                         .get<std::string>();
        }
        CDevToolsSession session(endpoint_.Host(), endpoint_.Port(), "/devtools/page/" + target, settings_.callTimeout);
        session.Call("Page.enable");  // a page that stops in a dialog as it loads fails the waiting at once
        const nlohmann::json navigated = session.Call("Page.navigate", {{"url", url}});
        if (const std::string error = navigated.value("errorText", ""); !error.empty()) {
            throw std::runtime_error("The browser could not open " + url + " (" + error + ").");
        }
        // A page that never finishes loading is attached as far as it got.
        const auto deadline = Clock::now() + settings_.callTimeout;
        while (Clock::now() < deadline) {
            try {
                const nlohmann::json state =
                    session.Call("Runtime.evaluate", {{"expression", "document.readyState"}, {"returnByValue", true}});
                if (state.at("result").value("value", "") == "complete") break;
            } catch (const CObjectCallError&) {
                // the document is being replaced; ask its successor
            }
            std::this_thread::sleep_for(kPoll);
        }
        return target;
    } catch (const CObjectCallError& error) {
        throw std::runtime_error("The browser did not open " + url + ": " +
                                 (error.Message().empty() ? std::string(error.what()) : error.Message()));
    } catch (const nlohmann::json::exception& error) {
        throw std::runtime_error("The browser did not open " + url + ": " + error.what());
    }
}

void COwnBrowser::Close() noexcept {
    if (pid_ <= 0) return;
    // The browser shuts down cleanly on SIGTERM, so its profile opens without complaint next time.
    kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + kCloseGrace;
    bool exited = Exited(pid_);
    while (!exited && Clock::now() < deadline) {
        std::this_thread::sleep_for(kPoll);
        exited = Exited(pid_);
    }
    kill(-pid_, SIGKILL);  // helpers left behind, or a browser that would not stop
    if (!exited) waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace marklens

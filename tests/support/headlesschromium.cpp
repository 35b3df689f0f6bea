#include "headlesschromium.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "browser/devtoolsendpoint.h"
#include "browser/devtoolssession.h"
#include "model/errors/objectcallerror.h"

namespace marklens::testing {

namespace {

constexpr auto kStartLimit = std::chrono::seconds(30);
constexpr auto kCallLimit = std::chrono::milliseconds(10000);

const char* Browser() {
    const char* given = std::getenv("MARKLENS_CHROMIUM");
    return given && *given ? given : "/usr/bin/chromium";
}

std::string UrlEncode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/' || c == ':') {
            out.push_back(static_cast<char>(c));
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

bool Exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

CHeadlessChromium::CHeadlessChromium(const std::vector<std::string>& extraFlags) {
    std::string pattern = (std::filesystem::temp_directory_path() / "marklens-chromium-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a browser profile folder");
    profile_ = pattern;
    std::vector<std::string> args = {Browser(),
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--disable-dev-shm-usage",
                                     "--window-size=800,600",
                                     "--user-data-dir=" + profile_,
                                     "--remote-debugging-port=0"};
    args.insert(args.end(), extraFlags.begin(), extraFlags.end());
    args.push_back("about:blank");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("cannot start the browser");
    if (pid_ == 0) {
        setpgid(0, 0);  // its helpers form one group that Kill can end together
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // a test that crashes leaves no browser behind
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    setpgid(pid_, pid_);
    try {
        WaitForPort(kStartLimit);
    } catch (...) {
        Kill();
        RemoveProfile();
        throw;
    }
}

CHeadlessChromium::~CHeadlessChromium() {
    if (pid_ > 0) {
        kill(-pid_, SIGTERM);
        for (int i = 0; i < 20 && !Exited(pid_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Kill();
    }
    RemoveProfile();
}

// The browser keeps its single-instance socket in a folder of its own under the temporary
// folder, linked from the profile, and leaves it behind when stopped.
void CHeadlessChromium::RemoveProfile() const {
    std::error_code ignored;
    const std::filesystem::path socket = std::filesystem::read_symlink(profile_ + "/SingletonSocket", ignored);
    if (!ignored && socket.parent_path().filename().string().rfind("org.chromium.Chromium.", 0) == 0)
        std::filesystem::remove_all(socket.parent_path(), ignored);
    std::filesystem::remove_all(profile_, ignored);
}

void CHeadlessChromium::Kill() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void CHeadlessChromium::WaitForPort(std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream file(profile_ + "/DevToolsActivePort");
        std::string line;
        if (file && std::getline(file, line) && !line.empty()) {
            port_ = std::stoi(line);
            return;
        }
        if (Exited(pid_)) {
            pid_ = -1;
            throw std::runtime_error(std::string("the browser ") + Browser() + " exited at start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("the browser did not open its debugging port");
}

std::string CHeadlessChromium::OpenTab(const std::string& url, std::chrono::seconds loadLimit) {
    const CDevToolsEndpoint endpoint("127.0.0.1", std::to_string(port_));
    const nlohmann::json target = endpoint.RequestJson("PUT", "/json/new?" + UrlEncode(url), kCallLimit);
    const std::string id = target.at("id").get<std::string>();
    WaitForLoad(id, loadLimit);
    return id;
}

void CHeadlessChromium::CloseTab(const std::string& targetId) {
    const CDevToolsEndpoint endpoint("127.0.0.1", std::to_string(port_));
    endpoint.Request("GET", "/json/close/" + targetId, kCallLimit);
}

std::string CHeadlessChromium::Evaluate(const std::string& targetId, const std::string& expression) {
    CDevToolsSession session("127.0.0.1", std::to_string(port_), "/devtools/page/" + targetId, kCallLimit);
    const nlohmann::json result = session.Call(
        "Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}});
    if (result.contains("exceptionDetails")) throw std::runtime_error("page script failed: " + result.dump());
    return result.at("result").value("value", nlohmann::json()).dump();
}

// Loaded means the document is complete and its scripts have had a frame to run in.
void CHeadlessChromium::WaitForLoad(const std::string& targetId, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        try {
            if (Evaluate(targetId, "new Promise(r => requestAnimationFrame(() => r(document.readyState)))") ==
                "\"complete\"") {
                return;
            }
        } catch (const CObjectCallError&) {
        } catch (const std::runtime_error&) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("the tab did not finish loading");
}

}  // namespace marklens::testing

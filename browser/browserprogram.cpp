#include "browserprogram.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <unistd.h>

namespace marklens {

namespace {

constexpr std::array kBrowserNames{"chromium", "chromium-browser", "google-chrome"};

bool IsRunnable(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec) && access(file.c_str(), X_OK) == 0;
}

// A name with a slash is a path; any other is looked up on the PATH, as a shell would.
std::string Locate(const std::string& name) {
    if (name.find('/') != std::string::npos) return IsRunnable(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(folder.empty() ? "." : folder) / name;
        if (IsRunnable(candidate)) return candidate.string();
    }
    return {};
}

}  // namespace

CBrowserProgram CBrowserProgram::Find() {
    if (const char* given = std::getenv("MARKLENS_BROWSER"); given && *given) {
        const std::string path = Locate(given);
        if (!path.empty()) return {path, {}};
        return {{},
                std::string("No browser to start: MARKLENS_BROWSER names ") + given +
                    ", which is not a program that can be run."};
    }
    for (const char* name : kBrowserNames) {
        const std::string path = Locate(name);
        if (!path.empty()) return {path, {}};
    }
    return {{},
            "No browser to start: looked for chromium, chromium-browser and google-chrome on the PATH. "
            "Install Chromium, or set MARKLENS_BROWSER to the browser's program."};
}

}  // namespace marklens

#include "pageaddress.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace marklens {

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool IsUrl(const std::string& text) {
    return text.find("://") != std::string::npos || StartsWith(text, "about:") || StartsWith(text, "data:") ||
           StartsWith(text, "file:");
}

bool LooksLikePath(const std::string& text) {
    return StartsWith(text, "/") || StartsWith(text, "./") || StartsWith(text, "../") || StartsWith(text, "~/") ||
           EndsWith(text, ".html") || EndsWith(text, ".htm");
}

std::string ExpandHome(const std::string& text) {
    const char* home = std::getenv("HOME");
    return StartsWith(text, "~/") && home ? std::string(home) + text.substr(1) : text;
}

// Percent-encodes everything but unreserved characters and the slash.
std::string FileUrl(const std::filesystem::path& file) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : file.string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url.push_back(static_cast<char>(c));
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

}  // namespace

std::optional<std::string> PageAddress(const std::string& typed, std::string& problem) {
    const auto first = typed.find_first_not_of(" \t\r\n");
    const std::string text =
        first == std::string::npos ? "" : typed.substr(first, typed.find_last_not_of(" \t\r\n") - first + 1);
    if (text.empty()) {
        problem = "No page given: type an address or the path of a file.";
        return std::nullopt;
    }
    if (IsUrl(text)) return text;
    const std::filesystem::path file = ExpandHome(text);
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec))
        return FileUrl(std::filesystem::absolute(file, ec).lexically_normal());
    if (LooksLikePath(text)) {
        problem = "No such file: " + text;
        return std::nullopt;
    }
    return "http://" + text;
}

}  // namespace marklens

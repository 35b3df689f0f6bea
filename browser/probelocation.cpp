#include "probelocation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace marklens {

std::string DefaultProbePath() {
    if (const char* given = std::getenv("MARKLENS_PROBE"); given && *given) return given;
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "marklens-probe.js";
    return (program.parent_path() / "marklens-probe.js").string();
}

std::optional<std::string> ReadProbeScript(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) return std::nullopt;
    std::string script = text.str();
    if (script.empty()) return std::nullopt;
    return script;
}

}  // namespace marklens

#include "probelocation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/datafilelookup.h"

namespace marklens {

namespace {

const char* ProbeVariable() {
    const char* given = std::getenv("MARKLENS_PROBE");
    return given && *given ? given : nullptr;
}

}  // namespace

std::string DefaultProbePath() {
    if (const char* given = ProbeVariable()) return given;
    const CDataFileLookup lookup = FindDataFile(kProbeFileName);
    if (lookup.Found()) return lookup.path;
    return (ProgramFolder() / kProbeFileName).string();
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

std::string MissingProbeText(const std::string& configuredPath) {
    if (!configuredPath.empty()) return "cannot read " + configuredPath;
    if (const char* given = ProbeVariable()) return std::string("cannot read ") + given + " (MARKLENS_PROBE)";
    const CDataFileLookup lookup = FindDataFile(kProbeFileName);
    return lookup.Found() ? "cannot read " + lookup.path : lookup.Problem();
}

}  // namespace marklens

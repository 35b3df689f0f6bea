#pragma once
#include <optional>
#include <string>

namespace marklens {

inline constexpr const char* kProbeFileName = "marklens-probe.js";

// MARKLENS_PROBE when set, else the probe file where FindDataFile finds it (beside the program,
// then ../share/marklens), else the place beside the program.
std::string DefaultProbePath();

// The probe script's text; nothing when the file is missing or unreadable.
std::optional<std::string> ReadProbeScript(const std::string& path);

// Why no probe could be read, naming the file and where it was looked for; configuredPath is
// the path the caller was given (empty for the default).
std::string MissingProbeText(const std::string& configuredPath);

}  // namespace marklens

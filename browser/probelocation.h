#pragma once
#include <optional>
#include <string>

namespace marklens {

// MARKLENS_PROBE when set, else marklens-probe.js beside the running program.
std::string DefaultProbePath();

// The probe script's text; nothing when the file is missing or unreadable.
std::optional<std::string> ReadProbeScript(const std::string& path);

}  // namespace marklens

#pragma once
#include <optional>
#include <string>

namespace marklens {

// The address to open for what the user typed: a URL as it is, an existing file as a file:
// URL, other text that looks like a path ("/", "./", "../", "~/", or ending in .html or .htm)
// as a missing file (nothing, with problem set), anything else as a host: http:// before it.
std::optional<std::string> PageAddress(const std::string& text, std::string& problem);

}  // namespace marklens

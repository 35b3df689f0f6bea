#pragma once
#include <string>
#include <vector>

#include "clicommand.h"

namespace marklens {
class CPageMirror;
}

namespace marklens::cli {

// Loads the file as a mirror and runs the outside-children pass; false after the failure.
bool LoadMarkedMirror(const std::string& path, CPageMirror& mirror, const CCliOutput& output);
// The mirror as XML, or under --json as nested objects. Returns 0.
int PrintMirror(const CPageMirror& mirror, const CCliOutput& output);

// mark FILE, hit FILE X Y: the mirror on its own, no browser.
std::vector<CCliCommand> MirrorCommands();

}  // namespace marklens::cli

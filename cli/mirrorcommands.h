#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "clicommand.h"

namespace marklens {
class CPageMirror;
}

namespace marklens::cli {

// Loads the file as a mirror and runs the outside-children pass; false after the error line.
bool LoadMarkedMirror(const std::string& path, CPageMirror& mirror, std::ostream& err);

// mark FILE, hit FILE X Y: the mirror on its own, no browser.
std::vector<CCliCommand> MirrorCommands();

}  // namespace marklens::cli

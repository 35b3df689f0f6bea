#pragma once
#include <vector>

#include "clicommand.h"

namespace marklens::cli {

// mark FILE, hit FILE X Y: the mirror on its own, no browser.
std::vector<CCliCommand> MirrorCommands();

}  // namespace marklens::cli

#pragma once
#include <vector>

#include "clicommand.h"

namespace marklens::cli {

// targets, mirror, style, rules, set-style, capture: the running browsers and their pages.
std::vector<CCliCommand> BrowserCommands();

}  // namespace marklens::cli

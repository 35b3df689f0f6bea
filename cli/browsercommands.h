#pragma once
#include <vector>

#include "clicommand.h"

namespace marklens::cli {

// targets, mirror, style, rules, set-style, capture, watch: the running browsers and their pages.
std::vector<CCliCommand> BrowserCommands();
// From now on Ctrl+C ends the program with status 130; during a page walk it first lets the
// walk stop and the page drop what it kept.
void CatchInterrupts();

}  // namespace marklens::cli

#pragma once
#include <vector>

#include "clicommand.h"

namespace marklens::cli {

// path OLD SELECTION NEW: the selection that Refresh carries from one mirror to the next.
std::vector<CCliCommand> DocumentCommands();

}  // namespace marklens::cli

#pragma once
#include <string>
#include <vector>

namespace marklens {

enum class StartMode { Normal, Register, Unregister, Embedded };

// The switches of the command line, after the program name: /Regserver, /Register,
// /Unregserver, /Unregister, /Embedding, /Automation, with "/" or "-" and in any letter case.
// An embedded or automation start wins over registration; otherwise the last switch wins.
StartMode ParseStartMode(const std::vector<std::string>& args);
// The argument is one of those switches.
bool IsStartSwitch(const std::string& arg);

}  // namespace marklens

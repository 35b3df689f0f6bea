#pragma once
#include <string>
#include <vector>

namespace marklens {

// What the command line asks of a start, besides the registration switches (startmode.h):
//   marklens [URL-OR-FILE] [--endpoint HOST:PORT]... | --version | --help
struct CStartOptions {
    bool help = false;
    bool version = false;
    std::string page;                    // opened in a browser of the program's own
    std::vector<std::string> endpoints;  // asked for pages after the usual places
    std::string error;                   // a command line that cannot be followed

    static CStartOptions Parse(const std::vector<std::string>& args);
};

// The text --help prints.
const char* StartHelpText();

}  // namespace marklens

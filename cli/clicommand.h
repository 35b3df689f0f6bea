#pragma once
#include <string>
#include <vector>

#include "clioutput.h"

namespace marklens::cli {

// One marklens-cli subcommand. Run gets the arguments after the subcommand's name (--json
// taken out) and returns the exit status; on failure it reports through output.Fail.
struct CCliCommand {
    const char* name;
    const char* usage;    // the arguments, for the usage line
    const char* summary;  // what it does and prints, for --help
    const char* json;     // the shape of its --json answer, for --help
    int (*run)(const std::vector<std::string>& args, const CCliOutput& output);
};

}  // namespace marklens::cli

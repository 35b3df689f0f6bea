#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace marklens::cli {

// One marklens-cli subcommand. Run gets the arguments after the subcommand's name and returns
// the exit status; on failure it writes one line to err and returns 1.
struct CCliCommand {
    const char* name;
    const char* usage;  // the arguments, for the usage line
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

// Writes "marklens-cli: TEXT" as the one error line and returns 1.
int Fail(std::ostream& err, const std::string& text);

}  // namespace marklens::cli

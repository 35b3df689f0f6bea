#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "base/largepages.h"
#include "base/mallocarena.h"
#include "browsercommands.h"
#include "clicommand.h"
#include "documentcommands.h"
#include "mirrorcommands.h"

namespace marklens::cli {
namespace {

constexpr const char* kJsonOption = "--json";

constexpr const char* kHelpFooter =
    "Every command takes --json: its answer as one JSON document on stdout, shaped as its\n"
    "--json line says; a failure is {\"error\": \"...\"} on stdout with status 1.\n"
    "Browser commands also take --timeout SECONDS (each browser call's limit, 10 by default).";

std::vector<CCliCommand> AllCommands() {
    std::vector<CCliCommand> all;
    for (auto group : {MirrorCommands, DocumentCommands, BrowserCommands}) {
        for (const CCliCommand& command : group()) all.push_back(command);
    }
    return all;
}

std::string UsageText(const std::vector<CCliCommand>& commands) {
    std::string text = "usage:";
    for (const CCliCommand& command : commands) {
        text += std::string("\n  marklens-cli ") + command.name + " " + command.usage + "\n      " + command.summary +
                "\n      --json: " + command.json;
    }
    return text + "\n  marklens-cli --version\n  marklens-cli --help\n\n" + kHelpFooter;
}

// Removes every --json from the arguments; true when there was one.
bool TakeJsonOption(std::vector<std::string>& args) {
    const auto kept = std::remove(args.begin(), args.end(), kJsonOption);
    const bool found = kept != args.end();
    args.erase(kept, args.end());
    return found;
}

int Run(std::vector<std::string> args, const CCliOutput& output) {
    const std::vector<CCliCommand> commands = AllCommands();
    if (args.empty()) {
        if (output.IsJson()) return output.Fail("no command (try --help)");
        std::cerr << UsageText(commands) << '\n';
        return 1;
    }
    const std::string name = args.front();
    if (name == "--help" || name == "-h") return output.Answer({{"help", UsageText(commands)}}, UsageText(commands));
    if (name == "--version") return output.Answer({{"version", MARKLENS_VERSION}}, "Marklens " MARKLENS_VERSION);
    for (const CCliCommand& command : commands) {
        if (name == command.name) {
            try {
                return command.run(std::vector<std::string>(args.begin() + 1, args.end()), output);
            } catch (const std::exception& error) {
                return output.Fail(error.what());
            }
        }
    }
    return output.Fail("unknown command '" + name + "' (try --help)");
}

}  // namespace
}  // namespace marklens::cli

int main(int argc, char** argv) {
    marklens::UseLargeMemoryPages(argv);
    marklens::ShareOneMallocArena();
    using namespace marklens::cli;
    CatchInterrupts();
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool json = TakeJsonOption(args);
    return Run(std::move(args), CCliOutput(std::cout, std::cerr, json));
}

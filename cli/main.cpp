#include <iostream>
#include <string>
#include <vector>

#include "base/largepages.h"
#include "browsercommands.h"
#include "clicommand.h"
#include "documentcommands.h"
#include "mirrorcommands.h"

namespace marklens::cli {

int Fail(std::ostream& err, const std::string& text) {
    err << "marklens-cli: " << text << '\n';
    return 1;
}

namespace {

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
        text += std::string("\n  marklens-cli ") + command.name + " " + command.usage;
    }
    return text + "\n  marklens-cli --version\n  marklens-cli --help";
}

}  // namespace
}  // namespace marklens::cli

int main(int argc, char** argv) {
    marklens::UseLargeMemoryPages(argv);
    using namespace marklens::cli;
    CatchInterrupts();
    const std::vector<CCliCommand> commands = AllCommands();
    if (argc < 2) {
        std::cerr << UsageText(commands) << '\n';
        return 1;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h") {
        std::cout << UsageText(commands) << '\n';
        return 0;
    }
    if (name == "--version") {
        std::cout << "Marklens " MARKLENS_VERSION "\n";
        return 0;
    }
    for (const CCliCommand& command : commands) {
        if (name == command.name) {
            try {
                return command.run(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
            } catch (const std::exception& error) {
                return Fail(std::cerr, error.what());
            }
        }
    }
    return Fail(std::cerr, "unknown command '" + name + "' (try --help)");
}

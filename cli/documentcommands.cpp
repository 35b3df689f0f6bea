#include "documentcommands.h"

#include <charconv>
#include <ostream>

#include "mirrorcommands.h"
#include "model/document/selectionpath.h"
#include "model/find/findsettings.h"
#include "model/find/mirrorfind.h"
#include "model/mirror/pagemirror.h"

namespace marklens::cli {
namespace {

bool ParseNodeId(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && last == end;
}

int RunPath(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int selection = 0;
    if (args.size() != 3 || !ParseNodeId(args[1], selection)) {
        return Fail(err, "usage: marklens-cli path OLD SELECTION NEW (SELECTION a node identifier)");
    }
    CPageMirror oldMirror;
    CPageMirror newMirror;
    if (!LoadMarkedMirror(args[0], oldMirror, err) || !LoadMarkedMirror(args[2], newMirror, err)) return 1;
    out << CarrySelection(&oldMirror, selection, &newMirror) << '\n';
    return 0;
}

// Find Next as the command would run it, told as one line: what would happen.
int RunFind(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> positional;
    CFindSettings settings;
    for (const std::string& arg : args) {
        if (arg == "--up")
            settings.searchUp = true;
        else if (arg == "--match-case")
            settings.matchCase = true;
        else
            positional.push_back(arg);
    }
    int selection = 0;
    if (positional.size() != 3 || !ParseNodeId(positional[1], selection)) {
        return Fail(err,
                    "usage: marklens-cli find FILE SELECTION TEXT [--up] [--match-case] (SELECTION a node identifier)");
    }
    settings.text = positional[2];
    CPageMirror mirror;
    if (!LoadMarkedMirror(positional[0], mirror, err)) return 1;
    const CFindOutcome outcome = FindNextInMirror(&mirror, selection, settings);
    switch (outcome.kind) {
    case CFindOutcome::Kind::OpenDialog: out << "dialog\n"; break;
    case CFindOutcome::Kind::NoStart: out << "nothing\n"; break;
    case CFindOutcome::Kind::NotFound: out << "not found\n"; break;
    case CFindOutcome::Kind::Found:
        out << "select " << outcome.nodeId << (outcome.wrapped ? " wrapped" : "") << '\n';
        break;
    }
    return 0;
}

}  // namespace

std::vector<CCliCommand> DocumentCommands() {
    return {{"path", "OLD SELECTION NEW", &RunPath}, {"find", "FILE SELECTION TEXT [--up] [--match-case]", &RunFind}};
}

}  // namespace marklens::cli

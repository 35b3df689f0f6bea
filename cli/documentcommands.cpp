#include "documentcommands.h"

#include <charconv>

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

int RunPath(const std::vector<std::string>& args, const CCliOutput& output) {
    int selection = 0;
    if (args.size() != 3 || !ParseNodeId(args[1], selection)) {
        return output.Fail("usage: marklens-cli path OLD SELECTION NEW (SELECTION a node identifier)");
    }
    CPageMirror oldMirror;
    CPageMirror newMirror;
    if (!LoadMarkedMirror(args[0], oldMirror, output) || !LoadMarkedMirror(args[2], newMirror, output)) return 1;
    return output.Record({{"id", CarrySelection(&oldMirror, selection, &newMirror)}});
}

// The outcome in the words the text uses: "select ID" (+ " wrapped") or what happens instead.
int PrintOutcome(const CFindOutcome& outcome, const CCliOutput& output) {
    switch (outcome.kind) {
    case CFindOutcome::Kind::OpenDialog: return output.Answer({{"outcome", "dialog"}}, "dialog");
    case CFindOutcome::Kind::NoStart: return output.Answer({{"outcome", "nothing"}}, "nothing");
    case CFindOutcome::Kind::NotFound: return output.Answer({{"outcome", "not found"}}, "not found");
    case CFindOutcome::Kind::Found: break;
    }
    return output.Answer({{"outcome", "select"}, {"id", outcome.nodeId}, {"wrapped", outcome.wrapped}},
                         "select " + std::to_string(outcome.nodeId) + (outcome.wrapped ? " wrapped" : ""));
}

// Find Next as the command would run it, told as one line: what would happen.
int RunFind(const std::vector<std::string>& args, const CCliOutput& output) {
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
        return output.Fail(
            "usage: marklens-cli find FILE SELECTION TEXT [--up] [--match-case] (SELECTION a node identifier)");
    }
    settings.text = positional[2];
    CPageMirror mirror;
    if (!LoadMarkedMirror(positional[0], mirror, output)) return 1;
    return PrintOutcome(FindNextInMirror(&mirror, selection, settings), output);
}

}  // namespace

std::vector<CCliCommand> DocumentCommands() {
    return {
        {"path", "OLD SELECTION NEW",
         "the node of NEW at the place node SELECTION has in OLD, as Refresh keeps it; 0 if none", "{\"id\"}",
         &RunPath},
        {"find", "FILE SELECTION TEXT [--up] [--match-case]",
         "Find Next from node SELECTION: \"select ID\" (+ \" wrapped\"), \"not found\", \"nothing\" or \"dialog\"",
         "{\"outcome\": \"select\", \"id\", \"wrapped\"}, or {\"outcome\": \"not found\", \"nothing\" or \"dialog\"}",
         &RunFind},
    };
}

}  // namespace marklens::cli

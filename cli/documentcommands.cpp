#include "documentcommands.h"

#include <charconv>
#include <ostream>

#include "mirrorcommands.h"
#include "model/pagemirror.h"
#include "model/selectionpath.h"

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

}  // namespace

std::vector<CCliCommand> DocumentCommands() {
    return {{"path", "OLD SELECTION NEW", &RunPath}};
}

}  // namespace marklens::cli

#include "mirrorcommands.h"

#include <climits>
#include <fstream>
#include <sstream>

#include "mirrorjson.h"
#include "model/mirror/box.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/pagemirror.h"

namespace marklens::cli {

bool LoadMarkedMirror(const std::string& path, CPageMirror& mirror, const CCliOutput& output) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        output.Fail("cannot read " + path);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!mirror.LoadXml(text.str())) {
        output.Fail(path + " is not a page mirror: " + mirror.LoadError());
        return false;
    }
    mirror.MarkOutsideChildren();
    return true;
}

int PrintMirror(const CPageMirror& mirror, const CCliOutput& output) {
    return output.Print(output.IsJson() ? MirrorJson(mirror.DocumentElement()) : mirror.ToXml());
}

namespace {

bool ParseInt(const std::string& text, int& value) {
    std::size_t used = 0;
    try {
        const long parsed = std::stol(text, &used);
        if (used != text.size() || parsed < INT_MIN || parsed > INT_MAX) return false;
        value = static_cast<int>(parsed);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int RunMark(const std::vector<std::string>& args, const CCliOutput& output) {
    if (args.size() != 1) return output.Fail("usage: marklens-cli mark FILE");
    CPageMirror mirror;
    if (!LoadMarkedMirror(args[0], mirror, output)) return 1;
    return PrintMirror(mirror, output);
}

int RunHit(const std::vector<std::string>& args, const CCliOutput& output) {
    int x = 0;
    int y = 0;
    if (args.size() != 3 || !ParseInt(args[1], x) || !ParseInt(args[2], y)) {
        return output.Fail("usage: marklens-cli hit FILE X Y (X and Y integers)");
    }
    CPageMirror mirror;
    if (!LoadMarkedMirror(args[0], mirror, output)) return 1;
    CBox box;
    const int id = mirror.HitTest(x, y, &box);
    if (id == 0) return output.Record({{"id", 0}});
    return output.Record(
        {{"id", id}, {"left", box.left}, {"top", box.top}, {"right", box.right}, {"bottom", box.bottom}});
}

}  // namespace

std::vector<CCliCommand> MirrorCommands() {
    return {
        {"mark", "FILE", "load a page mirror, mark outside-children, print it",
         "the mirror, a node as {\"kind\", its attributes, \"children\": [...]}", RunMark},
        {"hit", "FILE X Y", "the element at (X, Y): \"0\" or \"ID LEFT TOP RIGHT BOTTOM\"",
         "{\"id\", \"left\", \"top\", \"right\", \"bottom\"}, or {\"id\": 0}", RunHit},
    };
}

}  // namespace marklens::cli

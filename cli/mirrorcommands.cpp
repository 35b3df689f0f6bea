#include "mirrorcommands.h"

#include <climits>
#include <fstream>
#include <ostream>
#include <sstream>

#include "model/mirror/box.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/pagemirror.h"

namespace marklens::cli {

bool LoadMarkedMirror(const std::string& path, CPageMirror& mirror, std::ostream& err) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        Fail(err, "cannot read " + path);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!mirror.LoadXml(text.str())) {
        Fail(err, path + " is not a page mirror: " + mirror.LoadError());
        return false;
    }
    mirror.MarkOutsideChildren();
    return true;
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

int RunMark(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) return Fail(err, "usage: marklens-cli mark FILE");
    CPageMirror mirror;
    if (!LoadMarkedMirror(args[0], mirror, err)) return 1;
    out << mirror.ToXml() << '\n';
    return 0;
}

int RunHit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int x = 0;
    int y = 0;
    if (args.size() != 3 || !ParseInt(args[1], x) || !ParseInt(args[2], y)) {
        return Fail(err, "usage: marklens-cli hit FILE X Y (X and Y integers)");
    }
    CPageMirror mirror;
    if (!LoadMarkedMirror(args[0], mirror, err)) return 1;
    CBox box;
    const int id = mirror.HitTest(x, y, &box);
    if (id == 0) out << "0\n";
    else out << id << ' ' << box.left << ' ' << box.top << ' ' << box.right << ' ' << box.bottom << '\n';
    return 0;
}

}  // namespace

std::vector<CCliCommand> MirrorCommands() {
    return {
        {"mark", "FILE", RunMark},
        {"hit", "FILE X Y", RunHit},
    };
}

}  // namespace marklens::cli

// Any text: load it as a mirror, run the pass, then hit-test and look up; the index must
// agree with the literal walks and nothing may crash.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/mirror/pagemirror.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    marklens::CPageMirror mirror;
    if (!mirror.LoadXml(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    mirror.MarkOutsideChildren();
    for (int y = -4; y < 64; y += 7) {
        for (int x = -4; x < 64; x += 7) {
            marklens::CBox indexed, literal;
            const int fast = mirror.HitTest(x, y, &indexed);
            if (fast != marklens::HitTestLiteral(mirror.DocumentElement(), x, y, &literal)) std::abort();
            if (fast != 0 && !(indexed == literal)) std::abort();
        }
    }
    for (int id = -1; id < 8; ++id) {
        if (mirror.FindNodeById(id) != marklens::FindNodeByIdXPath(mirror.Xml(), id)) std::abort();
    }
    (void)mirror.ToXml();
    return 0;
}

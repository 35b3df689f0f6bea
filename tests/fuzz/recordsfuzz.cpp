// Any text as the probe's records: a page controls every character of them. Either the records
// are refused as malformed, or the built mirror hit-tests and looks up exactly as its literal
// walks do and reads back the same from its own XML.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/errors/malformedanswer.h"
#include "model/mirror/pagemirror.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    marklens::CPageMirror mirror;
    try {
        mirror.BuildFromRecords(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const marklens::CMalformedAnswer&) {
        if (mirror.DocumentElement()) std::abort();  // a refused answer leaves no mirror
        return 0;
    }
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
    marklens::CPageMirror reloaded;
    if (!reloaded.LoadXml(mirror.ToXml())) std::abort();
    return 0;
}

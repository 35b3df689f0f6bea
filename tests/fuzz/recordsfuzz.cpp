// Any text as the probe's records: a page controls every character of them. Either the records
// are refused as malformed, or the built mirror hit-tests and looks up exactly as its literal
// walks do and reads back the same from its own XML.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "indexchecks.h"
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
    marklens::fuzz::CheckIndexesAgree(mirror);
    marklens::CPageMirror reloaded;
    if (!reloaded.LoadXml(mirror.ToXml())) std::abort();
    return 0;
}

// Any text: load it as a mirror, run the pass, then hit-test and look up; the index must
// agree with the literal walks and nothing may crash.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "indexchecks.h"
#include "model/mirror/pagemirror.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    marklens::CPageMirror mirror;
    if (!mirror.LoadXml(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    mirror.MarkOutsideChildren();
    marklens::fuzz::CheckIndexesAgree(mirror);
    (void)mirror.ToXml();
    return 0;
}

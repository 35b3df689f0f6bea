#include "stringtable.h"

#include <array>

namespace marklens::resources {
namespace {

struct CStringEntry {
    int id;
    const char* text;
};

constexpr std::array kStrings{
    CStringEntry{kIdrMainFrame, "Marklens"},
    CStringEntry{kIdsProgramTitle, "Marklens"},
    CStringEntry{kIdsIdleText, "Ready"},
    CStringEntry{kIdsStartupFailed, "Marklens could not start its user interface."},
};

}  // namespace

const char* LoadString(int id) {
    for (const CStringEntry& entry : kStrings) {
        if (entry.id == id) return entry.text;
    }
    return "";
}

}  // namespace marklens::resources

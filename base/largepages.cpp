#include "largepages.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace marklens {

namespace {

constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kHugePages = "glibc.malloc.hugetlb=1";
// Set only for the re-run: the tunables the program was started with.
constexpr const char* kStartedWith = "MARKLENS_STARTED_WITH_TUNABLES";

bool SystemOffersHugePages() {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(setting, modes);
    return !modes.empty() && modes.find("[never]") == std::string::npos;
}

void SetOrUnset(const char* name, const std::string& value) {
    if (value.empty())
        unsetenv(name);
    else
        setenv(name, value.c_str(), 1);
}

}  // namespace

void UseLargeMemoryPages(char** argv) {
    if (const char* startedWith = std::getenv(kStartedWith)) {
        SetOrUnset(kTunables, startedWith);
        unsetenv(kStartedWith);
        return;
    }
    const char* tunables = std::getenv(kTunables);
    const std::string own = tunables ? tunables : "";
    if (own.find("glibc.malloc.hugetlb") != std::string::npos || !SystemOffersHugePages()) return;
    setenv(kStartedWith, own.c_str(), 1);
    setenv(kTunables, own.empty() ? kHugePages : (own + ":" + kHugePages).c_str(), 1);
    execv("/proc/self/exe", argv);
    // Not run again: go on as started.
    SetOrUnset(kTunables, own);
    unsetenv(kStartedWith);
}

}  // namespace marklens

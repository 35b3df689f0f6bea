#pragma once
#include <vector>

#include "browserwindow.h"

namespace marklens {

// Everything the document needs of the running browsers.
class IBrowserShell {
public:
    virtual ~IBrowserShell() = default;

    // Every reachable browser page, in a stable order; unreachable ones are skipped silently.
    virtual std::vector<BrowserWindowHandle> EnumerateBrowsers() = 0;
    // The probe library check: the probe can be put into pages at all.
    virtual bool IsProbeLibraryRegistered() const = 0;
};

}  // namespace marklens

#pragma once
#include <mutex>

#include "browseroptions.h"
#include "model/page/browsershell.h"

namespace marklens {

// The running browsers: every page target of every DevTools endpoint that answers. Discovery
// may run on another thread than the one that adds endpoints.
class CChromiumShell : public IBrowserShell {
public:
    explicit CChromiumShell(CBrowserOptions options = {});

    std::vector<BrowserWindowHandle> EnumerateBrowsers() override;
    // The probe file is present and readable.
    bool IsProbeLibraryRegistered() const override;

    CBrowserOptions Options() const;
    // One more endpoint to ask after the usual places (a browser the program started).
    void AddEndpoint(const std::string& endpoint);

private:
    mutable std::mutex mutex_;
    CBrowserOptions options_;
};

}  // namespace marklens

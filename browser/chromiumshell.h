#pragma once
#include "browseroptions.h"
#include "model/page/browsershell.h"

namespace marklens {

// The running browsers: every page target of every DevTools endpoint that answers.
class CChromiumShell : public IBrowserShell {
public:
    explicit CChromiumShell(CBrowserOptions options = {});

    std::vector<BrowserWindowHandle> EnumerateBrowsers() override;
    // The probe file is present and readable.
    bool IsProbeLibraryRegistered() const override;

    const CBrowserOptions& Options() const { return options_; }
    // One more endpoint to ask after the usual places (a browser the program started).
    void AddEndpoint(const std::string& endpoint);

private:
    CBrowserOptions options_;
};

}  // namespace marklens

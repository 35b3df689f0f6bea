#pragma once
#include <memory>
#include <string>

#include "livepage.h"

namespace marklens {

// One running browser page that discovery found (a tab).
class IBrowserWindow {
public:
    virtual ~IBrowserWindow() = default;

    // The page's title, at most 511 characters.
    virtual std::string Label() const = 0;
    // The document shown in the tab now; throws CObjectCallError when it cannot be reached.
    virtual LivePageHandle Document() = 0;
};

using BrowserWindowHandle = std::shared_ptr<IBrowserWindow>;

}  // namespace marklens

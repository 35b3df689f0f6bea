#pragma once
#include <optional>

#include "browseroptions.h"
#include "devtoolsendpoint.h"
#include "model/page/livepage.h"
#include "remoteobject.h"

namespace marklens {

// An object of a page's own scripts (its main world), such as a window it opened.
class CChromiumScriptObject : public ILiveObject {
public:
    // Windows are looked for at the endpoint, with these options; without one no window's
    // page can be found.
    CChromiumScriptObject(RemoteObjectHandle object, std::optional<CDevToolsEndpoint> endpoint,
                          CBrowserOptions options);

    // The window's own page target: the window is marked from the opener with a token that
    // only its page then sees, so pop-ups that share an address and a title are told apart.
    LivePageHandle WindowDocument() override;

private:
    RemoteObjectHandle object_;
    std::optional<CDevToolsEndpoint> endpoint_;
    CBrowserOptions options_;
};

}  // namespace marklens

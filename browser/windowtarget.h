#pragma once
#include <string>

#include "browseroptions.h"
#include "devtoolsendpoint.h"
#include "model/page/livepage.h"

namespace marklens {

// The window global that holds a window's token while its page target is looked for.
inline constexpr const char* kWindowTokenName = "__marklensWindowToken";

// The page target of the endpoint whose top window holds the token, opened as a page; the
// targets showing url are asked first. Targets that cannot be asked are passed over; none
// when no target holds the token.
LivePageHandle FindWindowTarget(const CDevToolsEndpoint& endpoint, const CBrowserOptions& options,
                                const std::string& url, const std::string& token);

}  // namespace marklens

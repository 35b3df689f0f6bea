#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "devtoolssession.h"

namespace marklens {

// The DOM domain of one session: its node ids, which the cascade's and the edits' calls take.
// The document is asked for once; asking again would void the ids and the browser's undo
// history, so it is asked again only after the browser itself replaced the document.
class CDomNodes {
public:
    explicit CDomNodes(DevToolsSessionHandle session);

    // objectId: a node as a remote object of the session; or the browser's id of it.
    // Failures throw CObjectCallError.
    int NodeIdOf(const std::string& objectId, std::int64_t backendId = 0);
    // The domain's events and calls; the CSS domain needs it on first.
    void Enable();
    // Takes in the queued DOM events; a replaced document counts one more generation.
    void TakeEvents();
    // How many times the browser replaced the document (and dropped its undo history).
    int Generation() {
        TakeEvents();
        return generation_;
    }
    const DevToolsSessionHandle& Session() const { return session_; }

private:
    int RequestNode(const std::string& objectId, std::int64_t backendId);

    DevToolsSessionHandle session_;
    bool enabled_ = false;
    bool documentRequested_ = false;
    int generation_ = 0;
};

using DomNodesHandle = std::shared_ptr<CDomNodes>;

}  // namespace marklens

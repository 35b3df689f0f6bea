#include "domnodes.h"

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

using Json = nlohmann::json;

CDomNodes::CDomNodes(DevToolsSessionHandle session) : session_(std::move(session)) {}

void CDomNodes::TakeEvents() {
    std::deque<Json>& events = session_->Events();
    for (auto event = events.begin(); event != events.end();) {
        const std::string method = event->value("method", "");
        if (method.rfind("DOM.", 0) != 0) {
            ++event;
            continue;
        }
        if (method == "DOM.documentUpdated") {
            documentRequested_ = false;  // every node id of the old document is void
            ++generation_;
        }
        event = events.erase(event);  // mutation events are of no use here
    }
}

int CDomNodes::RequestNode(const std::string& objectId, std::int64_t backendId) {
    // Generated content has no object of page script's: it is known by the browser's id.
    if (backendId != 0) {
        return session_->Call("DOM.pushNodesByBackendIdsToFrontend", {{"backendNodeIds", {backendId}}})
            .value("nodeIds", Json::array({0}))
            .at(0)
            .get<int>();
    }
    return session_->Call("DOM.requestNode", {{"objectId", objectId}}).value("nodeId", 0);
}

void CDomNodes::Enable() {
    if (enabled_) return;
    session_->Call("DOM.enable");
    enabled_ = true;
}

int CDomNodes::NodeIdOf(const std::string& objectId, std::int64_t backendId) {
    Enable();
    for (int attempt = 0; attempt < 2; ++attempt) {
        TakeEvents();
        if (!documentRequested_) {
            // Nodes are only given out once the document itself was asked for.
            session_->Call("DOM.getDocument", {{"depth", 0}});
            documentRequested_ = true;
        }
        const int generation = generation_;
        const int nodeId = RequestNode(objectId, backendId);
        if (nodeId != 0) return nodeId;
        TakeEvents();
        if (generation_ == generation) break;  // asking for the document again would void the history
    }
    throw CObjectCallError(status::kFail, "The browser gave no node for the element");
}

}  // namespace marklens

#include "documentfakes.h"

#include "model/objectcallerror.h"

namespace marklens::test {

PageProbeHandle CFakePage::CreateProbe() { return std::make_shared<CFakeProbe>(); }

CPicture CFakePage::CapturePicture() {
    ++captures;
    if (captureFailure) throw CObjectCallError(*captureFailure);
    return CPicture{2, 1, {0xFF000000u, 0xFFFFFFFFu}};
}

std::string CFakeProbe::RequestMirror(ILivePage&, int, int) {
    if (mirrorFailure) throw CObjectCallError(*mirrorFailure, "probe failed");
    return mirrorText;
}

std::string CFakeProbe::CurrentStyle(ILiveElement&, const std::string&) { return {}; }

LiveElementHandle CFakeProbe::ElementForId(const std::string& nodeIdText) {
    elementRequests.push_back(nodeIdText);
    if (elementFailure) throw CObjectCallError(*elementFailure);
    return std::make_shared<CFakeElement>(nodeIdText);
}

std::string CFakeProbe::StyleRules(ILiveElement&) { return {}; }

void CLoggingView::OnUpdate(IView* sender, UpdateHint hint) {
    log_.push_back(name_ + ":" + std::to_string(static_cast<int>(hint)));
    if (onUpdate) onUpdate(sender, hint);
}

}  // namespace marklens::test

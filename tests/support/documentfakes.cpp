#include "documentfakes.h"

#include "model/document/pagewrightdoc.h"
#include "model/document/workoutcome.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens::test {

PageProbeHandle CFakePage::CreateProbe() { return probe ? probe : std::make_shared<CFakeProbe>(); }

CPicture CFakePage::CapturePicture() {
    ++captures;
    if (captureFailure) throw CObjectCallError(*captureFailure);
    return CPicture{2, 1, {0xFF000000u, 0xFFFFFFFFu}};
}

std::string CFakeProbe::RequestMirror(ILivePage&, int, int) {
    if (mirrorFailure) throw CObjectCallError(*mirrorFailure, "probe failed");
    return mirrorText;
}

std::string CFakeProbe::CurrentStyle(ILiveElement&, const std::string& catalogXml) {
    catalogs.push_back(catalogXml);
    if (styleFailure) throw CObjectCallError(*styleFailure);
    return currentStyleText;
}

LiveElementHandle CFakeProbe::ElementForId(const std::string& nodeIdText) {
    elementRequests.push_back(nodeIdText);
    if (elementFailure) throw CObjectCallError(*elementFailure);
    if (element) return element;
    return std::make_shared<CFakeElement>(nodeIdText);
}

std::string CFakeProbe::StyleRules(ILiveElement&) {
    if (styleFailure) throw CObjectCallError(*styleFailure);
    return styleRulesText;
}

std::optional<CBoxModel> CFakeProbe::BoxModel(ILiveElement& asked) {
    const auto* fake = dynamic_cast<const CFakeElement*>(&asked);
    const auto found = fake ? boxModels.find(fake->id) : boxModels.end();
    return found != boxModels.end() ? std::optional(found->second) : everyBoxModel;
}

void CFakeElement::SetStyleAttribute(const std::string& name, const std::string& value) {
    if (rejectStyle) throw CObjectCallError(status::kFail, "rejected");
    styleSets.emplace_back(name, value);
}

void CLoggingView::OnUpdate(IView* sender, UpdateHint hint) {
    log_.push_back(name_ + ":" + std::to_string(static_cast<int>(hint)));
    if (onUpdate) onUpdate(sender, hint);
}

std::shared_ptr<CFakeProbe> AttachFakePage(CPagewrightDoc& doc, const char* mirrorText) {
    auto probe = std::make_shared<CFakeProbe>();
    probe->mirrorText = mirrorText;
    auto page = std::make_shared<CFakePage>();
    page->probe = probe;
    doc.AttachPage(page, "fake page", [](const CWorkOutcome&) {});
    return probe;
}

}  // namespace marklens::test

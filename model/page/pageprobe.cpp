#include "pageprobe.h"

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

std::optional<std::string> AnswerOrNone(const std::function<std::string()>& question) {
    try {
        return question();
    } catch (const CObjectCallError& error) {
        if (error.Code() == status::kCancelled) throw;
        return std::nullopt;
    }
}

CMirrorAnswer IPageProbe::RequestMirrorAnswer(ILivePage& page, const CWalkControl& control) {
    if (control.cancellation && control.cancellation->IsCancelled()) {
        throw CObjectCallError(status::kCancelled, "The walk of the page was cancelled");
    }
    return {RequestMirror(page, 0, 0), false, {}};
}

CStyleTexts IPageProbe::StyleTexts(ILiveElement& element, const std::string* catalogXml, bool rules) {
    CStyleTexts texts;
    if (catalogXml) texts.currentStyle = AnswerOrNone([&] { return CurrentStyle(element, *catalogXml); });
    if (rules) texts.rules = AnswerOrNone([&] { return StyleRules(element); });
    return texts;
}

std::vector<std::string> IPageProbe::SelectorPath(ILiveElement&) {
    throw CObjectCallError(status::kFail, "This page probe cannot name selectors");
}

void IPageProbe::Undo() { throw CObjectCallError(status::kFail, "There is nothing to undo"); }

void IPageProbe::Redo() { throw CObjectCallError(status::kFail, "There is nothing to redo"); }

}  // namespace marklens

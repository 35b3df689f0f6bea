#include "pageprobe.h"

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

namespace {

// The answer of a question, or none when the probe could not give one. A cancellation is not
// a missing answer: it ends the whole work.
template <typename Question>
std::optional<std::string> AnswerOf(Question question) {
    try {
        return question();
    } catch (const CObjectCallError& error) {
        if (error.Code() == status::kCancelled) throw;
        return std::nullopt;
    }
}

}  // namespace

CMirrorAnswer IPageProbe::RequestMirrorAnswer(ILivePage& page, const CWalkControl& control) {
    if (control.cancellation && control.cancellation->IsCancelled()) {
        throw CObjectCallError(status::kCancelled, "The walk of the page was cancelled");
    }
    return {RequestMirror(page, 0, 0), false};
}

CStyleTexts IPageProbe::StyleTexts(ILiveElement& element, const std::string* catalogXml, bool rules) {
    CStyleTexts texts;
    if (catalogXml) texts.currentStyle = AnswerOf([&] { return CurrentStyle(element, *catalogXml); });
    if (rules) texts.rules = AnswerOf([&] { return StyleRules(element); });
    return texts;
}

}  // namespace marklens

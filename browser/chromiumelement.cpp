#include "chromiumelement.h"

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

namespace {

using Json = nlohmann::json;

// The probe's own method of that name, on the element and the texts given.
std::string ProbeMethodOnElement(const char* method) {
    return std::string("function(e, ...texts) { return this.") + method + "(e, ...texts); }";
}

}  // namespace

std::string CChromiumElement::CallProbe(const char* method, std::initializer_list<std::string> texts) {
    Json arguments = Json::array({{{"objectId", object_->ObjectId()}}});
    for (const std::string& text : texts)
        arguments.push_back({{"value", text}});
    return probe_->CallForText(ProbeMethodOnElement(method), arguments);
}

std::string CChromiumElement::TagName() { return CallProbe("tagName", {}); }
std::string CChromiumElement::OuterHtml() { return CallProbe("outerHtml", {}); }
std::string CChromiumElement::InnerHtml() { return CallProbe("innerHtml", {}); }
std::string CChromiumElement::Text() { return CallProbe("text", {}); }
void CChromiumElement::SetOuterHtml(const std::string& html) { CallProbe("setOuterHtml", {html}); }
void CChromiumElement::SetInnerHtml(const std::string& html) { CallProbe("setInnerHtml", {html}); }
void CChromiumElement::SetText(const std::string& text) { CallProbe("setText", {text}); }

void CChromiumElement::SetStyleAttribute(const std::string& name, const std::string& value) {
    const std::string refusal = CallProbe("setStyle", {name, value});
    if (!refusal.empty()) throw CObjectCallError(status::kFail, refusal);
}

}  // namespace marklens

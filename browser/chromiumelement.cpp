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
RemoteObjectHandle CChromiumElement::ProbeNode(const char* method, bool flag) const {
    const Json found = probe_->Call(std::string("function(e, f) { return this.") + method + "(e, f); }",
                                    Json::array({{{"objectId", object_->ObjectId()}}, {{"value", flag}}}), false);
    const auto objectId = found.find("objectId");
    if (objectId == found.end()) throw CObjectCallError(status::kInvalidPointer, "The node is no longer in the page");
    return std::make_shared<CRemoteObject>(object_->Session(), objectId->get<std::string>());
}

bool CChromiumElement::IsComment() { return TagName() == "COMMENT"; }

void CChromiumElement::Edit(const char* label, bool replaces, const std::function<void(int nodeId)>& write) {
    const RemoteObjectHandle target = ProbeNode("editTarget", false);
    const RemoteObjectHandle witness = ProbeNode("editWitness", replaces);
    CEditHistory::CStep step{label, dom_, dom_->Generation(), probe_, witness, {}, {}};
    step.before = CEditHistory::WitnessHtml(*probe_, *witness);
    write(dom_->NodeIdOf(target->ObjectId()));
    // One step of the browser's history per edit.
    object_->Session()->Call("DOM.markUndoableState");
    try {
        step.after = CEditHistory::WitnessHtml(*probe_, *witness);
    } catch (const CObjectCallError& error) {
        if (error.Code() == status::kCancelled) throw;  // an unread step refuses its undo
    }
    history_->Push(std::move(step));
}

void CChromiumElement::SetOuterHtml(const std::string& html) {
    Edit(kEditHtml, true, [&](int nodeId) {
        object_->Session()->Call("DOM.setOuterHTML", {{"nodeId", nodeId}, {"outerHTML", html}});
    });
}

// There is no call for an element's content: the element is given again with the new content
// (the browser keeps the element itself).
void CChromiumElement::SetContent(const std::string& content, bool asText) {
    if (IsComment()) {
        // The browser sets no comment's value: the comment is given again, as markup.
        if (content.find("-->") != std::string::npos || content.find("--!>") != std::string::npos) {
            throw CObjectCallError(status::kFail, "A comment's text cannot hold \"-->\"");
        }
        SetOuterHtml("<!--" + content + "-->");
        return;
    }
    const std::string outer = probe_->CallForText(
        "function(e, c, t) { return this.withContent(e, c, t); }",
        Json::array({{{"objectId", object_->ObjectId()}}, {{"value", content}}, {{"value", asText}}}));
    Edit(kEditHtml, false, [&](int nodeId) {
        object_->Session()->Call("DOM.setOuterHTML", {{"nodeId", nodeId}, {"outerHTML", outer}});
    });
}

void CChromiumElement::SetInnerHtml(const std::string& html) { SetContent(html, false); }
void CChromiumElement::SetText(const std::string& text) { SetContent(text, true); }

void CChromiumElement::SetStyleAttribute(const std::string& name, const std::string& value) {
    const Json answer =
        probe_->Call("function(e, n, v) { return this.styleWith(e, n, v); }",
                     Json::array({{{"objectId", object_->ObjectId()}}, {{"value", name}}, {{"value", value}}}));
    const Json style = answer.value("value", Json::object());
    if (!style.is_object()) throw CObjectCallError(status::kFail, "The probe's style answer was not understood");
    if (const auto refusal = style.find("refusal"); refusal != style.end() && refusal->is_string()) {
        throw CObjectCallError(status::kFail, refusal->get<std::string>());
    }
    const std::string text = style.value("text", std::string());
    Edit(kSetStyle, false, [&](int nodeId) {
        object_->Session()->Call("DOM.setAttributeValue", {{"nodeId", nodeId}, {"name", "style"}, {"value", text}});
    });
}

}  // namespace marklens

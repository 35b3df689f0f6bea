#include "chromiumelement.h"

#include "model/objectcallerror.h"
#include "model/statuscodes.h"

namespace marklens {

namespace {

// Page-side functions, run with the element as `this`. Prototype getters are used directly
// so that named form controls or page expandos cannot stand in for them.
constexpr const char* kTagName = R"(function() {
  if (this.nodeType === 8) return 'COMMENT';
  if (this.nodeType === 9) return '#document';
  return Object.getOwnPropertyDescriptor(Element.prototype, 'tagName').get.call(this);
})";
constexpr const char* kOuterHtml = R"(function() {
  if (this.nodeType === 8) return '<!--' + this.data + '-->';
  if (this.nodeType === 9) return Object.getOwnPropertyDescriptor(Element.prototype, 'outerHTML').get.call(this.documentElement);
  return Object.getOwnPropertyDescriptor(Element.prototype, 'outerHTML').get.call(this);
})";
constexpr const char* kInnerHtml = R"(function() {
  if (this.nodeType === 8) return this.data;
  if (this.nodeType === 9) return Object.getOwnPropertyDescriptor(Element.prototype, 'innerHTML').get.call(this.documentElement);
  return Object.getOwnPropertyDescriptor(Element.prototype, 'innerHTML').get.call(this);
})";
constexpr const char* kText = R"(function() {
  if (this.nodeType === 8) return Object.getOwnPropertyDescriptor(CharacterData.prototype, 'data').get.call(this);
  const tag = this.nodeType === 1 ? this.localName : '';
  if (tag === 'option' || tag === 'script' || tag === 'title') return this.text;
  return Object.getOwnPropertyDescriptor(Node.prototype, 'textContent').get.call(this) || '';
})";
constexpr const char* kSetOuterHtml = R"(function(html) {
  if (this.nodeType === 8) { this.replaceWith(document.createRange().createContextualFragment(html)); return; }
  Object.getOwnPropertyDescriptor(Element.prototype, 'outerHTML').set.call(this, html);
})";
constexpr const char* kSetInnerHtml = R"(function(html) {
  if (this.nodeType === 8) { this.data = html; return; }
  Object.getOwnPropertyDescriptor(Element.prototype, 'innerHTML').set.call(this, html);
})";
constexpr const char* kSetText = R"(function(text) {
  if (this.nodeType === 8) { this.data = text; return; }
  const tag = this.localName;
  if (tag === 'option' || tag === 'script' || tag === 'title') { this.text = text; return; }
  Object.getOwnPropertyDescriptor(Node.prototype, 'textContent').set.call(this, text);
})";
// The browser drops an invalid name or value without a word, so check what a fresh style keeps
// (the element's own may still hold an older valid value).
constexpr const char* kSetStyle = R"(function(name, value) {
  if (this.nodeType !== 1 || !this.style) return 'This node has no inline style';
  const prop = name.startsWith('--') || name.includes('-') ? name : name.replace(/[A-Z]/g, c => '-' + c.toLowerCase());
  const important = /\s*!\s*important\s*$/i;
  const priority = important.test(value) ? 'important' : '';
  const bare = value.replace(important, '');
  if (bare.trim() === '') { this.style.removeProperty(prop); return ''; }
  const trial = document.createElement('div').style;
  trial.setProperty(prop, bare, priority);
  if (trial.getPropertyValue(prop) === '') return 'The browser rejected the style ' + prop + ': ' + value;
  this.style.setProperty(prop, bare, priority);
  return '';
})";

}  // namespace

std::string CChromiumElement::TagName() { return object_->CallForText(kTagName); }
std::string CChromiumElement::OuterHtml() { return object_->CallForText(kOuterHtml); }
std::string CChromiumElement::InnerHtml() { return object_->CallForText(kInnerHtml); }
std::string CChromiumElement::Text() { return object_->CallForText(kText); }

void CChromiumElement::CallWithText(const char* function, const std::string& text) {
    object_->Call(function, nlohmann::json::array({{{"value", text}}}));
}

void CChromiumElement::SetOuterHtml(const std::string& html) { CallWithText(kSetOuterHtml, html); }
void CChromiumElement::SetInnerHtml(const std::string& html) { CallWithText(kSetInnerHtml, html); }
void CChromiumElement::SetText(const std::string& text) { CallWithText(kSetText, text); }

void CChromiumElement::SetStyleAttribute(const std::string& name, const std::string& value) {
    const std::string refusal =
        object_->CallForText(kSetStyle, nlohmann::json::array({{{"value", name}}, {{"value", value}}}));
    if (!refusal.empty()) throw CObjectCallError(status::kFail, refusal);
}

}  // namespace marklens

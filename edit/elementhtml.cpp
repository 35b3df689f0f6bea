#include "elementhtml.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "model/errors/objectcallerror.h"
#include "model/page/liveelement.h"

namespace marklens {

namespace {

// Elements whose outer HTML would tear their table or document apart.
constexpr std::array<std::string_view, 16> kOuterReadOnly{
    "BODY", "CAPTION", "COL", "COLGROUP", "FRAMESET", "HTML", "HEAD", "META",
    "STYLE", "TBODY", "TD", "TFOOT", "TH", "THEAD", "TITLE", "TR"};
constexpr std::array<std::string_view, 13> kInnerReadOnly{
    "COL", "COLGROUP", "FRAMESET", "HTML", "HEAD", "META", "STYLE",
    "TABLE", "TBODY", "TFOOT", "THEAD", "TITLE", "TR"};
// The elements with a plain text property of their own.
constexpr std::array<std::string_view, 4> kWithText{"OPTION", "SCRIPT", "TITLE", "COMMENT"};

template <std::size_t N>
bool Listed(const std::array<std::string_view, N>& names, const std::string& tagName) {
    return std::find(names.begin(), names.end(), tagName) != names.end();
}

// One mode's text: a failing read leaves the mode read-only and empty.
void ReadMode(std::string (ILiveElement::*read)(), ILiveElement& element, std::string& text, bool& editable) {
    try {
        text = (element.*read)();
    } catch (const CObjectCallError&) {
        text.clear();
        editable = false;
    }
}

}  // namespace

bool CElementHtml::OuterEditable(const std::string& tagName) { return !Listed(kOuterReadOnly, tagName); }

bool CElementHtml::InnerEditable(const std::string& tagName) { return !Listed(kInnerReadOnly, tagName); }

bool CElementHtml::HasTextProperty(const std::string& tagName) { return Listed(kWithText, tagName); }

CElementHtml CElementHtml::Read(ILiveElement& element, std::string tagName) {
    CElementHtml html;
    html.tagName = std::move(tagName);
    html.outerEditable = OuterEditable(html.tagName);
    ReadMode(&ILiveElement::OuterHtml, element, html.outer, html.outerEditable);
    html.innerEditable = InnerEditable(html.tagName);
    ReadMode(&ILiveElement::InnerHtml, element, html.inner, html.innerEditable);
    html.textEditable = HasTextProperty(html.tagName);
    if (html.textEditable) ReadMode(&ILiveElement::Text, element, html.text, html.textEditable);
    return html;
}

void CElementHtml::Write(ILiveElement& element, const std::string& tagName, HtmlMode mode, const std::string& content) {
    switch (mode) {
    case HtmlMode::Outer:
        element.SetOuterHtml(content);
        break;
    case HtmlMode::Inner:
        element.SetInnerHtml(content);
        break;
    case HtmlMode::Text:
        if (HasTextProperty(tagName)) element.SetText(content);
        break;
    }
}

}  // namespace marklens

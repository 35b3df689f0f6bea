#include "cascaderules.h"

#include <array>
#include <sstream>

#include <pugixml.hpp>

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

namespace {

using Json = nlohmann::json;

// The inline style outranks every selector of the page; written as one more place in front.
constexpr const char* kInlineScore = "1,0,0,0";

std::string TextOf(const Json& object, const char* key) {
    const auto value = object.find(key);
    return value != object.end() && value->is_string() ? value->get<std::string>() : std::string();
}

// One line: rule texts keep the page's line breaks and indentation.
std::string OneLine(const std::string& text) {
    std::string out;
    bool blank = false;
    for (const char c : text) {
        const bool space = static_cast<unsigned char>(c) <= ' ';
        if (space) {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

bool HasImportantDeclaration(const Json& style) {
    for (const Json& property : style.value("cssProperties", Json::array())) {
        const bool applies = property.value("parsedOk", true) && !property.value("disabled", false);
        if (applies && property.value("important", false)) return true;
    }
    return false;
}

// The style's own text; built from its declarations when the browser gives none.
std::string StyleText(const Json& style) {
    if (style.contains("cssText")) return OneLine(TextOf(style, "cssText"));
    std::string text;
    for (const Json& property : style.value("cssProperties", Json::array())) {
        if (property.value("implicit", false) || property.value("disabled", false)) continue;
        text += (text.empty() ? "" : " ") + TextOf(property, "name") + ": " + TextOf(property, "value") +
                (property.value("important", false) ? " !important;" : ";");
    }
    return text;
}

// The most specific of the selectors that matched, as "a,b,c".
std::string Specificity(const Json& match) {
    const Json& selectors = match.at("rule").at("selectorList").at("selectors");
    std::array<int, 3> best{-1, -1, -1};
    for (const Json& index : match.value("matchingSelectors", Json::array())) {
        const std::size_t i = index.get<std::size_t>();
        if (i >= selectors.size() || !selectors[i].contains("specificity")) continue;
        const Json& s = selectors[i]["specificity"];
        const std::array<int, 3> score{s.value("a", 0), s.value("b", 0), s.value("c", 0)};
        if (score > best) best = score;
    }
    if (best[0] < 0) return {};
    return std::to_string(best[0]) + "," + std::to_string(best[1]) + "," + std::to_string(best[2]);
}

// "outer.inner", as the layer is named in the page; the browser lists the innermost first.
std::string LayerName(const Json& rule) {
    const Json layers = rule.value("layers", Json::array());
    std::string name;
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        const std::string part = TextOf(*layer, "text");
        name += (name.empty() ? "" : ".") + (part.empty() ? std::string("<anonymous>") : part);
    }
    return name;
}

std::string Score(const Json& match) {
    const Json& rule = match.at("rule");
    std::string score = Specificity(match);
    if (HasImportantDeclaration(rule.at("style"))) score += " !important";
    if (const std::string layer = LayerName(rule); !layer.empty()) score += " @layer " + layer;
    return score;
}

// A nested rule with the rules it sits in, outermost first: "h1 { & ~ p }".
std::string Selector(const Json& rule) {
    const std::string own = OneLine(rule.at("selectorList").value("text", ""));
    const Json nesting = rule.value("nestingSelectors", Json::array());
    if (nesting.empty()) return own;
    std::string text;
    for (auto outer = nesting.rbegin(); outer != nesting.rend(); ++outer)
        text += OneLine(outer->get<std::string>()) + " { ";
    text += own;
    for (std::size_t i = 0; i < nesting.size(); ++i)
        text += " }";
    return text;
}

void AddRule(pugi::xml_node style, const std::string& selector, const std::string& score, const std::string& source,
             const std::string& text) {
    pugi::xml_node rule = style.append_child("rule");
    rule.append_attribute("selector") = selector.c_str();
    rule.append_attribute("score") = score.c_str();
    rule.append_attribute("source") = source.c_str();
    rule.append_attribute("text") = text.c_str();
}

bool IsNotAnElement(const CObjectCallError& error) {
    return error.Message().find("not an Element") != std::string::npos;
}

}  // namespace

CCascadeRules::CCascadeRules(DomNodesHandle dom) : dom_(std::move(dom)), session_(dom_->Session()) {}

void CCascadeRules::Enable() {
    dom_->Enable();
    // The headers of every sheet the page has come as events before this call returns.
    session_->Call("CSS.enable");
    enabled_ = true;
    TakeEvents();
}

void CCascadeRules::TakeEvents() {
    dom_->TakeEvents();
    std::deque<Json>& events = session_->Events();
    for (auto event = events.begin(); event != events.end();) {
        const std::string method = event->value("method", "");
        if (method.rfind("CSS.", 0) != 0) {
            ++event;
            continue;
        }
        const Json params = event->value("params", Json::object());
        if (method == "CSS.styleSheetAdded") {
            const Json& header = params.at("header");
            sheets_[TextOf(header, "styleSheetId")] = header;
        } else if (method == "CSS.styleSheetRemoved") {
            sheets_.erase(TextOf(params, "styleSheetId"));
        }
        event = events.erase(event);
    }
}

CCascadeRules::Json CCascadeRules::MatchedStyles(int nodeId) {
    try {
        return session_->Call("CSS.getMatchedStylesForNode", {{"nodeId", nodeId}});
    } catch (const CObjectCallError& error) {
        if (!IsNotAnElement(error)) throw;
    }
    // A document: the rules of its root element.
    const int root =
        session_->Call("DOM.querySelector", {{"nodeId", nodeId}, {"selector", ":root"}}).value("nodeId", 0);
    if (root == 0) return Json::object();
    return session_->Call("CSS.getMatchedStylesForNode", {{"nodeId", root}});
}

bool CCascadeRules::KnowsSheetsOf(const Json& matched) const {
    for (const Json& match : matched.value("matchedCSSRules", Json::array())) {
        const Json& rule = match.at("rule");
        if (TextOf(rule, "origin") == "user-agent") continue;
        if (!sheets_.count(TextOf(rule, "styleSheetId"))) return false;
    }
    return true;
}

std::string CCascadeRules::SourceOf(const Json& rule) const {
    std::string source;
    const auto header = sheets_.find(TextOf(rule, "styleSheetId"));
    if (header != sheets_.end()) {
        const Json& sheet = header->second;
        if (sheet.value("isConstructed", false))
            source = "constructed sheet";
        else if (sheet.value("isInline", false))
            source = "<style> in " + TextOf(sheet, "sourceURL");
        else
            source = TextOf(sheet, "sourceURL");
    }
    if (TextOf(rule, "origin") == "inspector") source = "inspector";
    // The browser lists the innermost condition first.
    const Json media = rule.value("media", Json::array());
    for (auto condition = media.rbegin(); condition != media.rend(); ++condition) {
        source += (source.empty() ? "@media " : " @media ") + OneLine(TextOf(*condition, "text"));
    }
    return source;
}

std::string CCascadeRules::RulesXml(const std::string& objectId, std::int64_t backendId) {
    try {
        if (!enabled_) Enable();
        TakeEvents();
        Json matched = MatchedStyles(dom_->NodeIdOf(objectId, backendId));
        TakeEvents();
        if (!KnowsSheetsOf(matched)) {
            // A header went missing (the event queue overflowed): have them all sent again.
            session_->Call("CSS.disable");
            Enable();
        }
        pugi::xml_document answer;
        pugi::xml_node style = answer.append_child("style");
        if (const auto inline_ = matched.find("inlineStyle"); inline_ != matched.end()) {
            const std::string text = StyleText(*inline_);
            const std::string score =
                std::string(kInlineScore) + (HasImportantDeclaration(*inline_) ? " !important" : "");
            if (!text.empty()) AddRule(style, "", score, "inline", text);
        }
        // The browser lists the matched rules from the lowest precedence up.
        const Json rules = matched.value("matchedCSSRules", Json::array());
        for (auto match = rules.rbegin(); match != rules.rend(); ++match) {
            const Json& rule = match->at("rule");
            if (TextOf(rule, "origin") == "user-agent") continue;
            AddRule(style, Selector(rule), Score(*match), SourceOf(rule), StyleText(rule.at("style")));
        }
        std::ostringstream text;
        answer.save(text, "", pugi::format_raw | pugi::format_no_declaration);
        return text.str();
    } catch (const Json::exception& error) {
        throw CObjectCallError(status::kFail,
                               std::string("The browser's style answer was not understood: ") + error.what());
    }
}

}  // namespace marklens

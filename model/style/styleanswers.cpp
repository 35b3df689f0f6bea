#include "styleanswers.h"

#include <pugixml.hpp>

#include "model/mirror/mirrorreading.h"
#include "model/page/pageprobe.h"

namespace marklens {

namespace {

// Calls read(entry) for every entry the path selects; false when the text does not parse.
template <typename Read>
bool ReadEntries(const std::string& answer, const char* path, Read read) {
    pugi::xml_document xml;
    if (!xml.load_buffer(answer.data(), answer.size())) return false;
    for (const pugi::xpath_node& hit : xml.select_nodes(path))
        read(hit.node());
    return true;
}

}  // namespace

std::optional<std::vector<CStyleValue>> ParseCurrentStyle(const std::string& answer) {
    std::vector<CStyleValue> values;
    const bool parsed = ReadEntries(answer, "/attribs/attrib", [&](pugi::xml_node entry) {
        values.push_back({StringAttribute(entry, "current"), StringAttribute(entry, "default")});
    });
    if (!parsed) return std::nullopt;
    return values;
}

std::optional<std::vector<CStyleRule>> ParseStyleRules(const std::string& answer) {
    std::vector<CStyleRule> rules;
    const bool parsed = ReadEntries(answer, "/style/rule", [&](pugi::xml_node rule) {
        rules.push_back({StringAttribute(rule, "selector"), StringAttribute(rule, "score"),
                         StringAttribute(rule, "source"), StringAttribute(rule, "text")});
    });
    if (!parsed) return std::nullopt;
    return rules;
}

void CStyleQuestions::Add(const CStyleQuestions& other) {
    if (other.catalogXml) catalogXml = other.catalogXml;
    rules = rules || other.rules;
}

CStyleAnswers AskStyles(IPageProbe& probe, ILiveElement& element, const CStyleQuestions& questions) {
    const CStyleTexts texts =
        probe.StyleTexts(element, questions.catalogXml ? &*questions.catalogXml : nullptr, questions.rules);
    CStyleAnswers answers;
    if (texts.currentStyle) answers.values = ParseCurrentStyle(*texts.currentStyle);
    if (texts.rules) answers.rules = ParseStyleRules(*texts.rules);
    return answers;
}

}  // namespace marklens

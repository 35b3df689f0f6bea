#include "styleanswers.h"

#include <pugixml.hpp>

#include "model/errors/objectcallerror.h"
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

std::optional<std::vector<CStyleValue>> AskCurrentStyle(IPageProbe& probe, ILiveElement& element,
                                                        const std::string& catalogXml) {
    try {
        return ParseCurrentStyle(probe.CurrentStyle(element, catalogXml));
    } catch (const CObjectCallError&) {
        return std::nullopt;
    }
}

std::optional<std::vector<CStyleRule>> AskStyleRules(IPageProbe& probe, ILiveElement& element) {
    try {
        return ParseStyleRules(probe.StyleRules(element));
    } catch (const CObjectCallError&) {
        return std::nullopt;
    }
}

}  // namespace marklens

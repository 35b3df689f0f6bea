#pragma once
#include <optional>
#include <string>
#include <vector>

namespace marklens {

class ILiveElement;
class IPageProbe;

// One entry of the probe's current-style answer, in catalog order. Missing values are empty.
struct CStyleValue {
    std::string current;
    std::string defaultValue;

    // Compared byte for byte: a value that differs only in letter case is not the default.
    bool EqualsDefault() const { return current == defaultValue; }
};

// One entry of the probe's style-rules answer, in display order. Missing values are empty.
struct CStyleRule {
    std::string selector;
    std::string score;
    std::string source;
    std::string text;
};

// The answers as the probe gives them (XML text); nothing when the text does not parse.
std::optional<std::vector<CStyleValue>> ParseCurrentStyle(const std::string& answer);
std::optional<std::vector<CStyleRule>> ParseStyleRules(const std::string& answer);

// The probe's question and the parse in one; a failed call is no answer, and says nothing.
std::optional<std::vector<CStyleValue>> AskCurrentStyle(IPageProbe& probe, ILiveElement& element,
                                                        const std::string& catalogXml);
std::optional<std::vector<CStyleRule>> AskStyleRules(IPageProbe& probe, ILiveElement& element);

}  // namespace marklens

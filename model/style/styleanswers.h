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

// What the panes that follow the selection ask of its element: the current values of a
// catalog (given as the catalog's question text), the rules that apply, or both.
struct CStyleQuestions {
    std::optional<std::string> catalogXml;
    bool rules = false;

    bool Empty() const { return !catalogXml && !rules; }
    // Asks what either asks; of two catalogs the later one.
    void Add(const CStyleQuestions& other);
};

// The answers for one element; a question not asked, or one the probe could not answer (the
// call failed, or its text does not parse), has none.
struct CStyleAnswers {
    std::optional<std::vector<CStyleValue>> values;
    std::optional<std::vector<CStyleRule>> rules;
};

// The probe's questions (at once where it can) and the parse in one; says nothing of failures.
CStyleAnswers AskStyles(IPageProbe& probe, ILiveElement& element, const CStyleQuestions& questions);

}  // namespace marklens

#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace marklens {

// Unicode simple case folding: each character maps to exactly one character, so "É" and "é"
// compare equal while the text keeps its characters one for one.
struct CCaseFoldPair {
    char32_t from;
    char32_t to;
};

// Every character outside ASCII whose simple folding differs from it, sorted by from.
std::span<const CCaseFoldPair> SimpleCaseFolding();

char32_t FoldCharacter(char32_t c);

// Appends the folded form of UTF-8 text to out. Bytes that are not well-formed UTF-8 are
// copied unchanged, so a broken label still matches itself.
void AppendFolded(std::string_view utf8, std::string& out);
std::string FoldCase(std::string_view utf8);

}  // namespace marklens

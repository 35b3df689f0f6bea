#pragma once
#include <string>

namespace marklens {

// A browser's label as the lists hold it: its first 511 characters, cut on a UTF-8 character
// boundary so the cut never splits a character.
std::string CutLabel(const std::string& title);

}  // namespace marklens

#pragma once
#include <string>

namespace marklens {

// What Find in HTML looks for. One set lives for the whole process, shared by the Find dialog
// and Find Next; it is never stored.
struct CFindSettings {
    std::string text;  // as the user typed it, case kept
    bool matchCase = false;
    bool searchUp = false;
};

// The process's find settings.
CFindSettings& FindSettings();

}  // namespace marklens

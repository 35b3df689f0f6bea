#pragma once

#include "dialogtemplate.h"

namespace marklens::resources {

inline constexpr int kIdcSearchUp = 1004;
inline constexpr int kIdcMatchCase = 1005;
inline constexpr int kIdcFindText = 1006;

// "Find in HTML": the text to look for in the tree's labels and the two search flags.
const CDialogTemplate& FindTemplate();

}  // namespace marklens::resources

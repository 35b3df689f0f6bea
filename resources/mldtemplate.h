#pragma once

#include "dialogtemplate.h"

namespace marklens::resources {

inline constexpr int kIdcModelessExpression = 1011;
inline constexpr int kIdcModelessTest = 3;

// Dialog 137, "Find Modeless Dialog": the expression that names a window the page opened.
const CDialogTemplate& MldTemplate();

}  // namespace marklens::resources

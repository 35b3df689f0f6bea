#pragma once

#include "dialogtemplate.h"

namespace marklens::resources {

inline constexpr int kIdcVersionText = 1014;

// Dialog 100, the About box.
const CDialogTemplate& AboutTemplate();

}  // namespace marklens::resources

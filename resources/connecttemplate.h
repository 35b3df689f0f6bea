#pragma once

#include "dialogtemplate.h"

namespace marklens::resources {

inline constexpr int kIdcBrowserList = 1002;
inline constexpr int kIdcConnect = 1;
inline constexpr int kIdcCancel = 2;
inline constexpr int kIdcRefresh = 3;
inline constexpr int kIdcFindModeless = 4;
inline constexpr int kIdcNoneFoundHint = 1003;

// Dialog 131, "Connect": the list of running browser pages and the buttons beside it.
const CDialogTemplate& ConnectTemplate();

}  // namespace marklens::resources

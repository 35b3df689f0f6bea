#pragma once

#include "dialogtemplate.h"

namespace marklens::resources {

inline constexpr int kIdcHtmlText = 1007;
inline constexpr int kIdcOuterHtml = 1008;
inline constexpr int kIdcInnerHtml = 1009;
inline constexpr int kIdcElementText = 1010;

// Dialog 134, "Element HTML": three mode buttons over a multi-line edit box.
const CDialogTemplate& HtmlDialogTemplate();

}  // namespace marklens::resources

#pragma once

#include "dialogtemplate.h"

namespace marklens::resources {

inline constexpr int kIdcAttributeName = 1003;
inline constexpr int kIdcAttributeValue = 1004;
inline constexpr int kIdcAttributeDefault = 1005;

// Dialog 132, "Set Attribute Value": the attribute's name and default, read-only, over the
// value to set.
const CDialogTemplate& AttributeDialogTemplate();

}  // namespace marklens::resources

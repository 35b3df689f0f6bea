#include "attributedialogtemplate.h"

#include <array>

namespace marklens::resources {
namespace {

constexpr std::array kAttributeControls{
    CControlTemplate{1, ControlKind::DefaultPushButton, "OK", 189, 7, 50, 14},
    CControlTemplate{2, ControlKind::PushButton, "Cancel", 189, 24, 50, 14},
    CControlTemplate{-1, ControlKind::Static, "Attribute", 11, 11, 30, 8},
    CControlTemplate{kIdcAttributeName, ControlKind::Edit, nullptr, 49, 7, 127, 14},
    CControlTemplate{-1, ControlKind::Static, "Default", 14, 28, 24, 8},
    CControlTemplate{kIdcAttributeDefault, ControlKind::Edit, nullptr, 49, 26, 127, 14},
    CControlTemplate{-1, ControlKind::Static, "Value", 18, 47, 18, 8},
    CControlTemplate{kIdcAttributeValue, ControlKind::Edit, nullptr, 49, 44, 127, 14},
};

constexpr CDialogTemplate kAttributeDialog{"Set Attribute Value", 246, 70, "Sans Serif", 8, kAttributeControls};

}  // namespace

const CDialogTemplate& AttributeDialogTemplate() { return kAttributeDialog; }

}  // namespace marklens::resources

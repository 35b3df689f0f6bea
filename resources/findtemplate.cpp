#include "findtemplate.h"

#include <array>

namespace marklens::resources {
namespace {

constexpr std::array kFindControls{
    CControlTemplate{1, ControlKind::DefaultPushButton, "OK", 189, 7, 50, 14},
    CControlTemplate{2, ControlKind::PushButton, "Cancel", 189, 23, 50, 14},
    CControlTemplate{-1, ControlKind::Static, "Find what:", 11, 10, 35, 8},
    CControlTemplate{kIdcFindText, ControlKind::Edit, nullptr, 49, 7, 127, 14},
    CControlTemplate{kIdcSearchUp, ControlKind::CheckBox, "Search &up", 82, 27, 48, 10},
    CControlTemplate{kIdcMatchCase, ControlKind::CheckBox, "Match &case", 7, 27, 52, 10},
};

constexpr CDialogTemplate kFind{"Find in HTML", 246, 47, "Sans Serif", 8, kFindControls};

}  // namespace

const CDialogTemplate& FindTemplate() { return kFind; }

}  // namespace marklens::resources

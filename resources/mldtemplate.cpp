#include "mldtemplate.h"

#include <array>

namespace marklens::resources {
namespace {

constexpr std::array kMldControls{
    CControlTemplate{-1, ControlKind::Static, "Enter JavaScript expression resulting in modeless dialog:", 7, 7, 170,
                     8},
    CControlTemplate{kIdcModelessExpression, ControlKind::Edit, nullptr, 7, 19, 248, 13},
    CControlTemplate{-1, ControlKind::Static,
                     "For instance, if page contains: _mld = window.open(...), \nexpression would be: _mld", 7, 36, 248,
                     17},
    CControlTemplate{1, ControlKind::DefaultPushButton, "OK", 262, 7, 50, 14},
    CControlTemplate{kIdcModelessTest, ControlKind::PushButton, "&Test", 262, 24, 50, 14},
    CControlTemplate{2, ControlKind::PushButton, "Cancel", 262, 42, 50, 14},
};

constexpr CDialogTemplate kMld{"Find Modeless Dialog", 319, 63, "Sans Serif", 8, kMldControls};

}  // namespace

const CDialogTemplate& MldTemplate() { return kMld; }

}  // namespace marklens::resources

#include "abouttemplate.h"

#include <array>

namespace marklens::resources {
namespace {

constexpr std::array kAboutControls{
    CControlTemplate{-1, ControlKind::Icon, nullptr, 11, 17, 20, 20},
    CControlTemplate{kIdcVersionText, ControlKind::Static, "Marklens Version $VER$", 40, 10, 129, 8},
    CControlTemplate{-1, ControlKind::Static, "Copyright (C) 2026 Marklens developers", 40, 25, 188, 8},
    CControlTemplate{1, ControlKind::DefaultPushButton, "OK", 178, 7, 50, 16},
};

constexpr CDialogTemplate kAbout{"About Marklens", 235, 55, "Sans Serif", 8, kAboutControls};

}  // namespace

const CDialogTemplate& AboutTemplate() { return kAbout; }

}  // namespace marklens::resources

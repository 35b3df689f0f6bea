#include "connecttemplate.h"

#include <array>

namespace marklens::resources {
namespace {

constexpr std::array kConnectControls{
    CControlTemplate{-1, ControlKind::Static, "Choose a browser page to connect to:", 7, 7, 158, 8},
    CControlTemplate{kIdcBrowserList, ControlKind::ListBox, nullptr, 7, 19, 290, 64},
    CControlTemplate{kIdcConnect, ControlKind::DefaultPushButton, "&Connect", 308, 7, 74, 14},
    CControlTemplate{kIdcFindModeless, ControlKind::PushButton, "Find &Modeless\nDialog", 308, 24, 74, 24},
    CControlTemplate{kIdcRefresh, ControlKind::PushButton, "&Refresh", 308, 52, 74, 14},
    CControlTemplate{kIdcCancel, ControlKind::PushButton, "Cancel", 308, 70, 74, 14},
    // Shown only while nothing is found: how to get a browser into the list.
    CControlTemplate{kIdcNoneFoundHint, ControlKind::Static, nullptr, 7, 87, 375, 16},
};

constexpr CDialogTemplate kConnect{"Connect", 389, 106, "Sans Serif", 8, kConnectControls};

}  // namespace

const CDialogTemplate& ConnectTemplate() { return kConnect; }

}  // namespace marklens::resources

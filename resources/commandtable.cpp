#include "commandtable.h"

#include <array>

#include "model/document/commandids.h"

namespace marklens::resources {
namespace {

using namespace marklens::command;

constexpr CMenuEntry kSeparator{nullptr, 0};

constexpr std::array kFileMenu{
    CMenuEntry{"&Connect to Browser", kConnect},
    CMenuEntry{"&Open Page in New Browser...", kOpenPageInNewBrowser},
    CMenuEntry{"Refresh\tF5", kRefresh},
    CMenuEntry{"Save Picture &As...", kSavePictureAs},
    kSeparator,
    CMenuEntry{"E&xit", kExit},
};

constexpr std::array kEditMenu{
    CMenuEntry{"&Undo\tCtrl+Z", kUndo},
    CMenuEntry{"&Redo\tCtrl+Y", kRedo},
    kSeparator,
    CMenuEntry{"&Copy\tCtrl+C", kCopy},
    kSeparator,
    CMenuEntry{"&Find in HTML\tCtrl+F", kFind},
    CMenuEntry{"Find &Next\tF3", kFindNext},
    kSeparator,
    CMenuEntry{"Edit &HTML", kEditHtml},
    CMenuEntry{"Edit Style &Attribute", kEditStyleAttribute},
};

constexpr std::array kViewMenu{
    CMenuEntry{"&Status Bar", kStatusBar},
    CMenuEntry{"S&plit", kSplit},
    kSeparator,
    CMenuEntry{"&Follow Page Changes", kFollowPageChanges},
};

constexpr std::array kHelpMenu{
    CMenuEntry{"&About Marklens...", kAbout},
};

constexpr std::array kMainMenu{
    CMenu{"&File", kFileMenu},
    CMenu{"&Edit", kEditMenu},
    CMenu{"&View", kViewMenu},
    CMenu{"&Help", kHelpMenu},
};

constexpr std::array kAccelerators{
    CAccelerator{"Ctrl+F", kFind}, CAccelerator{"F3", kFindNext},       CAccelerator{"F5", kRefresh},
    CAccelerator{"Ctrl+C", kCopy}, CAccelerator{"Ctrl+Ins", kCopy},     CAccelerator{"Ctrl+Z", kUndo},
    CAccelerator{"Ctrl+Y", kRedo}, CAccelerator{"Ctrl+Shift+Z", kRedo},
};

constexpr std::array kAttributeContextMenu{CMenuEntry{"Edit Attribute", kEditStyleAttribute}};
constexpr std::array kTreeContextMenu{
    CMenuEntry{"Edit HTML", kEditHtml},
    kSeparator,
    CMenuEntry{"Copy Selector", kCopySelector},
    CMenuEntry{"Copy Outer HTML", kCopyOuterHtml},
};

}  // namespace

std::span<const CMenu> MainMenu() { return kMainMenu; }
std::span<const CAccelerator> Accelerators() { return kAccelerators; }
std::span<const CMenuEntry> AttributeContextMenu() { return kAttributeContextMenu; }
std::span<const CMenuEntry> TreeContextMenu() { return kTreeContextMenu; }

}  // namespace marklens::resources

#pragma once
#include <span>

namespace marklens::resources {

// One entry of a menu pop-up; a null text is a separator.
struct CMenuEntry {
    const char* text;
    int command;
};

struct CMenu {
    const char* text;
    std::span<const CMenuEntry> entries;
};

// A key that sends a command, in QKeySequence's portable text form.
struct CAccelerator {
    const char* key;
    int command;
};

// Main menu 128, the accelerator table 128 and the two context menus.
std::span<const CMenu> MainMenu();
std::span<const CAccelerator> Accelerators();
std::span<const CMenuEntry> AttributeContextMenu();
std::span<const CMenuEntry> TreeContextMenu();

}  // namespace marklens::resources

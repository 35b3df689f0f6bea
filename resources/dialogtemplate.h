#pragma once
#include <span>

namespace marklens::resources {

enum class ControlKind { Static, Icon, DefaultPushButton, PushButton, Edit, ListBox, CheckBox, RadioButton, MultiLineEdit };

// One control of a dialog template; position and size in dialog units.
struct CControlTemplate {
    int id;  // -1 for controls that have none
    ControlKind kind;
    const char* text;
    int x, y, width, height;
};

// A dialog as its resource gives it: caption, size in dialog units, font and controls.
struct CDialogTemplate {
    const char* caption;
    int width, height;
    const char* fontFamily;
    int fontPoints;
    std::span<const CControlTemplate> controls;
};

}  // namespace marklens::resources

#pragma once

namespace marklens {

// The program's one attribute pane, as the Edit Style Attribute command reaches it.
class IAttributePane {
public:
    virtual ~IAttributePane() = default;

    // Opens the set-value dialog for the pane's selected row, or its first row.
    virtual void EditSelectedAttribute() = 0;
};

}  // namespace marklens

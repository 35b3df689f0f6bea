#pragma once

#include "updatehint.h"

namespace marklens {

// A pane that shows the document. The panes are Qt widgets that also implement this.
class IView {
public:
    virtual ~IView() = default;

    // Called synchronously by the broadcast; sender is the view that caused it, or none.
    virtual void OnUpdate(IView* sender, UpdateHint hint) = 0;
};

}  // namespace marklens

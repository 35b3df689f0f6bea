#pragma once

namespace marklens {

// The one value every update broadcast carries; panes react to each in their own way.
enum UpdateHint : int {
    HintPageRebuilt = 0,       // new mirror and picture: rebuild everything
    HintSelectionChanged = 1,  // show the selected element
    HintStyleChanged = 2,      // the selected element's style changed, picture captured anew
    HintPageFollowed = 3,      // the page changed by itself: a later mirror and picture of the same page
};

}  // namespace marklens

#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace marklens {

// One change the page made, as its probe saw it.
struct CPageChange {
    double ms = 0;      // since the probe started watching
    std::string kind;   // "added", "removed", "attribute", "text" or "box"
    int nodeId = 0;     // the node's number: in the last mirror, or a fresh one past it
    std::string label;  // as the tree labels the node
    std::string what;   // the attribute and its new value, the new text, the new box
};

// What the page changed since the last time its probe was asked.
struct CPageChanges {
    std::vector<CPageChange> changes;  // the first ones, at most as many as the probe keeps
    std::int64_t seen = 0;             // every change seen, also those not listed
    bool layout = false;               // boxes may have moved without a change of the tree
    bool hidden = false;               // the tab is hidden: it renders nothing now
    bool lost = false;                 // the probe is new: the page has a document of its own
    // Where the page's changes had got to when this was taken; equal marks tell that nothing
    // changed in between. -1 when the probe cannot tell.
    std::int64_t mark = -1;
    bool Any() const { return seen > 0 || layout || lost; }
};

}  // namespace marklens

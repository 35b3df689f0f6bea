#pragma once
#include <string>

namespace marklens {

class CPageMirror;
struct CFindSettings;

// What one Find Next comes to; the document and the command line act on it.
struct CFindOutcome {
    enum class Kind {
        OpenDialog,  // no find text: the Find dialog opens instead
        NoStart,     // no node to start from: nothing happens
        NotFound,    // no label holds the text: the not-found message
        Found,       // nodeId becomes the selection
    };
    Kind kind = Kind::NoStart;
    int nodeId = 0;
    // The search passed an end of the tree on the way to the match.
    bool wrapped = false;
    // The find text as it was compared: folded when match case is off.
    std::string comparedText;
};

// Searches the labels of the mirror's nodes for the settings' text, from the node after the
// selected one round the whole tree; the selected node is tested last.
CFindOutcome FindNextInMirror(const CPageMirror* mirror, int selection, const CFindSettings& settings);

}  // namespace marklens

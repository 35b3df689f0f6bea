#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "domnodes.h"
#include "model/page/pageprobe.h"
#include "remoteobject.h"

namespace marklens {

// The edits made through the browser's DOM domain, whose own history takes them back. The
// browser checks nothing when it undoes: each step keeps the markup of the node it touched as
// it was before and after, and a step whose node the page changed since is refused.
class CEditHistory {
public:
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr const char* kChangedSinceUndo =
        "The page has changed the element since the edit: nothing was undone.";
    static constexpr const char* kChangedSinceRedo =
        "The page has changed the element since the undo: nothing was redone.";
    static constexpr const char* kNothingToUndo = "There is nothing to undo";
    static constexpr const char* kNothingToRedo = "There is nothing to redo";

    struct CStep {
        std::string label;
        DomNodesHandle dom;  // the session the edit went to
        int generation = 0;  // of its document, when the edit was made
        RemoteObjectHandle probe;
        RemoteObjectHandle witness;  // the node whose markup is kept
        std::string before;
        std::string after;
    };

    void Push(CStep step);
    void Undo();
    void Redo();
    // Forgets steps whose document the browser replaced; lost says so once.
    CEditState State();
    // The witness's markup now, read by the probe that made the step.
    static std::string WitnessHtml(const CRemoteObject& probe, const CRemoteObject& witness);

private:
    // The step's witness must read as expected, else the refusal is thrown.
    static void Check(const CStep& step, const std::string& expected, const char* refusal);
    void DropReplaced();
    void TakeBack(std::vector<CStep>& from, std::vector<CStep>& to, bool undo);

    std::vector<CStep> undo_;
    std::vector<CStep> redo_;
    bool lost_ = false;
};

}  // namespace marklens

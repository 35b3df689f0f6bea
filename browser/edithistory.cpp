#include "edithistory.h"

#include <algorithm>

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

using Json = nlohmann::json;

std::string CEditHistory::WitnessHtml(const CRemoteObject& probe, const CRemoteObject& witness) {
    return probe.CallForText("function(w) { return this.witnessHtml(w); }",
                             Json::array({{{"objectId", witness.ObjectId()}}}));
}

void CEditHistory::Push(CStep step) {
    undo_.push_back(std::move(step));
    redo_.clear();
    if (undo_.size() > kMaxSteps) undo_.erase(undo_.begin());
}

void CEditHistory::Check(const CStep& step, const std::string& expected, const char* refusal) {
    std::string now;
    try {
        now = WitnessHtml(*step.probe, *step.witness);
    } catch (const CObjectCallError& error) {
        if (error.Code() == status::kCancelled || error.Code() == status::kTimeout) throw;
        throw CObjectCallError(status::kFail, refusal);  // the node is gone
    }
    if (now != expected) throw CObjectCallError(status::kFail, refusal);
}

void CEditHistory::Undo() { TakeBack(undo_, redo_, true); }
void CEditHistory::Redo() { TakeBack(redo_, undo_, false); }

// The last step of one list goes to the other once the browser has taken it back (or done it
// again), its node read first as that step left it.
void CEditHistory::TakeBack(std::vector<CStep>& from, std::vector<CStep>& to, bool undo) {
    DropReplaced();
    if (from.empty()) throw CObjectCallError(status::kFail, undo ? kNothingToUndo : kNothingToRedo);
    CStep& step = from.back();
    Check(step, undo ? step.after : step.before, undo ? kChangedSinceUndo : kChangedSinceRedo);
    step.dom->Session()->Call(undo ? "DOM.undo" : "DOM.redo");
    to.push_back(std::move(step));
    from.pop_back();
}

void CEditHistory::DropReplaced() {
    const auto replaced = [](const CStep& step) { return step.dom->Generation() != step.generation; };
    for (std::vector<CStep>* steps : {&undo_, &redo_}) {
        const auto from = std::remove_if(steps->begin(), steps->end(), replaced);
        if (from == steps->end()) continue;
        steps->erase(from, steps->end());
        lost_ = true;
    }
}

CEditState CEditHistory::State() {
    DropReplaced();
    CEditState state;
    if (!undo_.empty()) state.undo = undo_.back().label;
    if (!redo_.empty()) state.redo = redo_.back().label;
    state.lost = std::exchange(lost_, false);
    return state;
}

}  // namespace marklens

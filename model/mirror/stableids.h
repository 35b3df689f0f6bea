#pragma once
#include <cstddef>
#include <unordered_map>
#include <vector>

namespace marklens {

// Node identifiers that stay a node's for its whole life within an attach and are never
// reused: each walk numbers its nodes afresh from 1, and the numbers the nodes had in the
// walk before carry their identifiers over.
class CStableIds {
public:
    // The identifiers of a walk's count nodes, in its order: previous[n - 1] is the number node
    // n had in the walk before (0: new), empty when unknown (all new but for the first walk,
    // which keeps its numbers). This walk becomes the one before.
    std::vector<int> Assign(const std::vector<int>& previous, std::size_t count);
    // The last walk's number of the node with the identifier; 0 when it had none.
    int NumberOf(int id) const;

private:
    std::vector<int> idOfNumber_;       // of the last walk, by number - 1
    std::vector<int> denseNumberOfId_;  // by identifier - 1, 0 for none; else numberOfId_
    std::unordered_map<int, int> numberOfId_;
    bool same_ = true;  // identifiers and numbers are the same
    int next_ = 1;
};

}  // namespace marklens

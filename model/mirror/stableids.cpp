#include "stableids.h"

namespace marklens {

namespace {

// While the identifiers given are few beside the nodes, a node's number is found by indexing;
// a page that made many more nodes than it holds is hashed, so memory stays with the nodes.
constexpr std::size_t kDenseSpread = 4;
constexpr std::size_t kDenseSlack = 4096;

}  // namespace

std::vector<int> CStableIds::Assign(const std::vector<int>& previous, std::size_t count) {
    std::vector<int> ids(count, 0);
    bool same = true;
    for (std::size_t n = 0; n < count; ++n) {
        const int before = n < previous.size() ? previous[n] : 0;
        const bool known = before >= 1 && static_cast<std::size_t>(before) <= idOfNumber_.size();
        ids[n] = known ? idOfNumber_[static_cast<std::size_t>(before) - 1] : next_++;
        same = same && ids[n] == static_cast<int>(n) + 1;
    }
    // A node seen twice keeps its identifier once: the other is new.
    numberOfId_.clear();
    denseNumberOfId_.clear();
    if (!same && static_cast<std::size_t>(next_) <= kDenseSpread * count + kDenseSlack) {
        denseNumberOfId_.assign(static_cast<std::size_t>(next_) - 1 + count, 0);  // room for the repeats' new ones
        for (std::size_t n = 0; n < count; ++n) {
            if (denseNumberOfId_[static_cast<std::size_t>(ids[n]) - 1] != 0) ids[n] = next_++;
            denseNumberOfId_[static_cast<std::size_t>(ids[n]) - 1] = static_cast<int>(n) + 1;
        }
    } else if (!same) {
        numberOfId_.reserve(count);
        for (std::size_t n = 0; n < count; ++n) {
            if (!numberOfId_.try_emplace(ids[n], static_cast<int>(n) + 1).second) {
                ids[n] = next_++;
                numberOfId_.emplace(ids[n], static_cast<int>(n) + 1);
            }
        }
    }
    same_ = same;
    idOfNumber_ = ids;
    return ids;
}

int CStableIds::NumberOf(int id) const {
    if (idOfNumber_.empty()) return id;  // nothing assigned: the mirror keeps the probe's numbers
    if (same_) return id >= 1 && static_cast<std::size_t>(id) <= idOfNumber_.size() ? id : 0;
    if (!denseNumberOfId_.empty()) {
        return id >= 1 && static_cast<std::size_t>(id) <= denseNumberOfId_.size()
                   ? denseNumberOfId_[static_cast<std::size_t>(id) - 1]
                   : 0;
    }
    const auto found = numberOfId_.find(id);
    return found == numberOfId_.end() ? 0 : found->second;
}

}  // namespace marklens

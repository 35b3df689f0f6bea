#include "mirrorpatch.h"

#include <algorithm>
#include <cstring>

#include "mirrorbuilder.h"
#include "model/hit/hitindex.h"

namespace marklens {

namespace {

// A patch pays while few nodes are new or changed: a changed node costs about what a made one
// does, a kept one next to nothing. It is applied where the mirror is shown, so however large
// the page, only so many are written there.
bool PatchPays(std::size_t nodes, std::size_t made, std::size_t changed) {
    return made + changed <= std::min<std::size_t>(nodes / 8, 16384) + 256;
}

// The tree's memory is given back a page at a time, once all on it is freed: a mirror patched
// over and over is made whole now and then, so what changed values leave behind stays bounded.
constexpr int kPatchesBeforeWhole = 64;

}  // namespace

CMirrorPatch::CMirrorPatch(std::string records, const std::vector<int>& ids, const std::vector<int>& previous,
                           MirrorFactsHandle base)
    : base_(std::move(base)) {
    CMirrorBuilder builder(&ids);
    builder.BuildOwn(std::move(records), [&](const CMirrorFacts& facts) { Compare(previous, facts); });
    const std::shared_ptr<CMirrorFacts> facts = builder.TakeFacts();
    facts->patches = pays_ ? base_->patches + 1 : 0;
    facts_ = facts;
    hitIndex_ = builder.TakeHitIndex();
    outline_ = builder.TakeOutline();
}

CMirrorPatch::~CMirrorPatch() = default;

// A node of base is kept by the first node that names it, and only as the same kind of node.
void CMirrorPatch::Compare(const std::vector<int>& previous, const CMirrorFacts& facts) {
    const std::size_t count = facts.nodes.size();
    kept_.assign(count, -1);
    if (!base_) return;
    std::vector<std::int32_t> newOf(base_->nodes.size(), -1);
    std::size_t made = 0;
    for (std::size_t n = 0; n < count; ++n) {
        const int before = n < previous.size() ? previous[n] - 1 : -1;
        const auto at = static_cast<std::size_t>(before);
        if (before < 0 || at >= newOf.size() || newOf[at] >= 0 ||
            std::strcmp(base_->nodes[at].name, facts.nodes[n].name) != 0) {
            ++made;
            continue;
        }
        newOf[at] = static_cast<std::int32_t>(n);
        kept_[n] = before;
        const std::uint8_t changes = facts.ChangesFrom(*base_, at, n);
        if (changes != 0) changed_.push_back({static_cast<std::int32_t>(n), changes});
    }
    FindMovedParents(facts, newOf);
    pays_ = PatchPays(count, made, changed_.size()) && base_->patches < kPatchesBeforeWhole;
}

// A parent's children move when one is new, stood elsewhere or after another sibling, or a
// child of its was dropped; a parent whose kept children only left at the end keeps the rest
// in place.
void CMirrorPatch::FindMovedParents(const CMirrorFacts& facts, const std::vector<std::int32_t>& newOf) {
    const std::size_t count = facts.nodes.size();
    std::vector<bool> moved(count + 1, false);  // by parent index + 1; 0: the document
    const auto keptOf = [this](std::int32_t node) { return node < 0 ? -1 : kept_[static_cast<std::size_t>(node)]; };
    for (std::size_t n = 0; n < count; ++n) {
        const CMirrorFacts::Links& links = facts.links[n];
        const std::int32_t kept = kept_[n];
        const std::int32_t keptParent = keptOf(links.parent);
        if (kept < 0 || (links.parent >= 0 && keptParent < 0)) {
            moved[static_cast<std::size_t>(links.parent + 1)] = true;
            continue;
        }
        const CMirrorFacts::Links& was = base_->links[static_cast<std::size_t>(kept)];
        if (was.parent != keptParent || was.previous != keptOf(links.previous)) {
            moved[static_cast<std::size_t>(links.parent + 1)] = true;
        }
    }
    for (std::size_t k = 0; k < newOf.size(); ++k) {
        if (newOf[k] >= 0) continue;
        const std::int32_t parent = base_->links[k].parent;
        if (parent < 0) {
            moved[0] = true;
        } else if (newOf[static_cast<std::size_t>(parent)] >= 0) {
            moved[static_cast<std::size_t>(newOf[static_cast<std::size_t>(parent)] + 1)] = true;
        }
    }
    if (moved[0]) movedParents_.push_back(-1);
    for (const std::int32_t event : facts.events) {
        if (event >= 0 && moved[static_cast<std::size_t>(event + 1)]) movedParents_.push_back(event);
    }
}

}  // namespace marklens

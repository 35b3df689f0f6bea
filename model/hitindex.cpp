#include "hitindex.h"

#include <algorithm>
#include <numeric>

namespace marklens {
namespace {

constexpr std::uint32_t kWideChildCount = 16;

// Nodes that can never give a candidate, nor anything below them.
bool NeverHit(const CHitFacts& facts) {
    return facts.kind == HitKind::Other || facts.displayNone;
}

}  // namespace

CHitIndex::CHitIndex(pugi::xml_node documentElement) {
    if (!documentElement) return;
    BuildNodes(documentElement);
    BuildReaches();
    for (Node node = 0; node < nodes_.size(); ++node) {
        if (nodes_[node].childCount >= kWideChildCount) BuildWide(node);
    }
}

// Breadth first, so the children of a node are one run of indexes in document order.
void CHitIndex::BuildNodes(pugi::xml_node documentElement) {
    const CXmlHitTree xml;
    std::vector<pugi::xml_node> source{documentElement};
    nodes_.push_back({xml.Facts(documentElement), {}, 0, 0, -1});
    std::vector<pugi::xml_node> children;
    for (Node node = 0; node < source.size(); ++node) {
        if (NeverHit(nodes_[node].facts)) continue;
        children.clear();
        xml.AppendChildren(source[node], 0, 0, children);
        nodes_[node].firstChild = static_cast<Node>(nodes_.size());
        for (const pugi::xml_node child : children) {
            const CHitFacts facts = xml.Facts(child);
            if (NeverHit(facts)) continue;
            nodes_.push_back({facts, {}, 0, 0, -1});
            source.push_back(child);
        }
        nodes_[node].childCount = static_cast<std::uint32_t>(nodes_.size()) - nodes_[node].firstChild;
    }
}

void CHitIndex::BuildReaches() {
    for (Node node = static_cast<Node>(nodes_.size()); node-- > 0;) {
        CompactNode& compact = nodes_[node];
        CBox reach = compact.facts.kind == HitKind::Doc ? CBox{} : compact.facts.box;
        for (std::uint32_t i = 0; i < compact.childCount; ++i) {
            reach = UnionBox(reach, nodes_[compact.firstChild + i].reach);
        }
        compact.reach = reach;
    }
}

void CHitIndex::BuildWide(Node node) {
    CompactNode& compact = nodes_[node];
    WideChildren wide;
    wide.byTop.resize(compact.childCount);
    std::iota(wide.byTop.begin(), wide.byTop.end(), compact.firstChild);
    std::stable_sort(wide.byTop.begin(), wide.byTop.end(),
                     [this](Node a, Node b) { return nodes_[a].reach.top < nodes_[b].reach.top; });
    while (wide.leaves < wide.byTop.size()) wide.leaves *= 2;
    wide.maxBottom.assign(2 * wide.leaves, INT_MIN);
    for (std::size_t i = 0; i < wide.byTop.size(); ++i) {
        const CBox& reach = nodes_[wide.byTop[i]].reach;
        wide.tops.push_back(reach.top);
        // An empty reach holds no point; keep it out of every query.
        wide.maxBottom[wide.leaves + i] = reach.IsEmpty() ? INT_MIN : reach.bottom;
    }
    for (std::size_t i = wide.leaves; i-- > 1;) {
        wide.maxBottom[i] = std::max(wide.maxBottom[2 * i], wide.maxBottom[2 * i + 1]);
    }
    compact.wide = static_cast<std::int32_t>(wide_.size());
    wide_.push_back(std::move(wide));
}

void CHitIndex::StabWide(const WideChildren& wide, int x, int y, std::vector<Node>& out) const {
    const std::size_t start = out.size();
    // Only children whose reach starts at or above y can hold it.
    const std::size_t limit =
        static_cast<std::size_t>(std::upper_bound(wide.tops.begin(), wide.tops.end(), y) - wide.tops.begin());
    struct Span {
        std::size_t tree, low, high;
    };
    Span stack[128];
    std::size_t depth = 0;
    stack[depth++] = {1, 0, wide.leaves};
    while (depth > 0) {
        const Span span = stack[--depth];
        if (span.low >= limit || wide.maxBottom[span.tree] <= y) continue;
        if (span.tree >= wide.leaves) {
            const Node child = wide.byTop[span.low];
            if (nodes_[child].reach.Contains(x, y)) out.push_back(child);
            continue;
        }
        const std::size_t middle = (span.low + span.high) / 2;
        stack[depth++] = {2 * span.tree + 1, middle, span.high};
        stack[depth++] = {2 * span.tree, span.low, middle};
    }
    std::sort(out.begin() + static_cast<std::ptrdiff_t>(start), out.end());
}

void CHitIndex::AppendChildren(Node node, int x, int y, std::vector<Node>& out) const {
    const CompactNode& compact = nodes_[node];
    if (compact.wide >= 0) {
        StabWide(wide_[static_cast<std::size_t>(compact.wide)], x, y, out);
        return;
    }
    for (std::uint32_t i = 0; i < compact.childCount; ++i) {
        const Node child = compact.firstChild + i;
        if (nodes_[child].reach.Contains(x, y)) out.push_back(child);
    }
}

int CHitIndex::HitTest(int x, int y, CBox* box) const {
    if (nodes_.empty()) return 0;
    return CHitWalk<CHitIndex>(*this, x, y).Run(0, box);
}

}  // namespace marklens

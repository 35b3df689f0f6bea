#include "hitindex.h"

#include <algorithm>

namespace marklens {
namespace {

constexpr std::uint32_t kWideChildCount = 16;

// Nodes that can never give a candidate, nor anything below them.
bool NeverHit(const CHitFacts& facts) { return facts.kind == HitKind::Other || facts.displayNone; }

}  // namespace

CHitIndex::CHitIndex(pugi::xml_node documentElement) {
    if (!documentElement) return;
    BuildNodes(documentElement);
}

CHitIndex::CHitIndex(std::vector<CHitFacts> facts, const std::vector<Node>& parents,
                     std::unordered_map<Node, CAreaShape> shapes)
    : shapes_(std::move(shapes)) {
    nodes_.reserve(facts.size());
    for (const CHitFacts& fact : facts)
        nodes_.push_back({fact, {}, 0, 0, -1});
    for (Node node = 1; node < parents.size(); ++node)
        ++nodes_[parents[node]].childCount;
    BuildIndex(parents);
}

void CHitIndex::BuildIndex(const std::vector<Node>& parents) {
    BuildChildren(parents);
    BuildReaches();
    for (Node node = 0; node < nodes_.size(); ++node) {
        if (nodes_[node].childCount >= kWideChildCount) BuildWide(node);
    }
}

// Depth first, in document order, so the XML is read front to back; each node's children
// then get one run in children_.
void CHitIndex::BuildNodes(pugi::xml_node documentElement) {
    const CXmlHitTree xml;
    std::vector<Node> parents;
    struct Visit {
        pugi::xml_node next;  // next child to look at
        Node node;
    };
    std::vector<Visit> stack;
    nodes_.push_back({xml.Facts(documentElement), {}, 0, 0, -1});
    parents.push_back(0);
    if (!NeverHit(nodes_[0].facts)) stack.push_back({documentElement.first_child(), 0});
    while (!stack.empty()) {
        Visit& visit = stack.back();
        const pugi::xml_node child = visit.next;
        if (!child) {
            stack.pop_back();
            continue;
        }
        visit.next = child.next_sibling();
        if (child.type() != pugi::node_element) continue;
        const CHitFacts facts = xml.Facts(child);
        if (NeverHit(facts)) continue;
        const Node index = static_cast<Node>(nodes_.size());
        if (facts.shaped) {
            if (auto shape = CAreaShape::Parse(child.attribute(schema::kShape).value())) shapes_.emplace(index, *shape);
        }
        nodes_.push_back({facts, {}, 0, 0, -1});
        parents.push_back(visit.node);
        ++nodes_[visit.node].childCount;
        stack.push_back({child.first_child(), index});  // invalidates visit
    }
    BuildIndex(parents);
}

// Each node's children as one run of children_, in document order.
void CHitIndex::BuildChildren(const std::vector<Node>& parents) {
    std::uint32_t offset = 0;
    for (CompactNode& node : nodes_) {
        node.childBegin = offset;
        offset += node.childCount;
    }
    children_.resize(offset);
    std::vector<std::uint32_t> filled(nodes_.size(), 0);
    for (Node node = 1; node < nodes_.size(); ++node) {
        const Node parent = parents[node];
        children_[nodes_[parent].childBegin + filled[parent]++] = node;
    }
}

void CHitIndex::BuildReaches() {
    // Children come after their parents in document order.
    for (Node node = static_cast<Node>(nodes_.size()); node-- > 0;) {
        CompactNode& compact = nodes_[node];
        CBox reach = schema::PassesThrough(compact.facts.kind) ? CBox{} : compact.facts.box;
        for (std::uint32_t i = 0; i < compact.childCount; ++i) {
            reach = UnionBox(reach, nodes_[children_[compact.childBegin + i]].reach);
        }
        compact.reach = reach;
    }
}

void CHitIndex::BuildWide(Node node) {
    CompactNode& compact = nodes_[node];
    WideChildren wide;
    const auto first = children_.begin() + compact.childBegin;
    wide.byTop.assign(first, first + compact.childCount);
    std::stable_sort(wide.byTop.begin(), wide.byTop.end(),
                     [this](Node a, Node b) { return nodes_[a].reach.top < nodes_[b].reach.top; });
    while (wide.leaves < wide.byTop.size())
        wide.leaves *= 2;
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
        const Node child = children_[compact.childBegin + i];
        if (nodes_[child].reach.Contains(x, y)) out.push_back(child);
    }
}

bool CHitIndex::ShapeHolds(Node node, int x, int y) const {
    const auto shape = shapes_.find(node);
    return shape != shapes_.end() && shape->second.Holds(x, y);
}

int CHitIndex::HitTest(int x, int y, CBox* box) const {
    if (nodes_.empty()) return 0;
    return CHitWalk<CHitIndex>(*this, x, y).Run(0, box);
}

}  // namespace marklens

#pragma once
#include <cstdint>
#include <vector>

#include <unordered_map>

#include <pugixml.hpp>

#include "areashape.h"
#include "hitwalk.h"

namespace marklens {

// A compact copy of what the hit test reads, built once per mirror after the
// outside-children pass. Each node also knows its reach: the union of every box in its
// subtree that can ever be hit. A child whose reach misses the point is skipped; for nodes
// with many children (the body of a long page) the children are found by a stabbing query
// instead of a scan.
class CHitIndex {
public:
    using Node = std::uint32_t;

    explicit CHitIndex(pugi::xml_node documentElement);
    // From the facts of the nodes that can give a candidate, in document order, each with the
    // position of its parent among them (the first is the root and has none).
    // Shaped nodes come with their shapes.
    CHitIndex(std::vector<CHitFacts> facts, const std::vector<Node>& parents,
              std::unordered_map<Node, CAreaShape> shapes = {});

    int HitTest(int x, int y, CBox* box) const;

    CHitFacts Facts(Node node) const { return nodes_[node].facts; }
    void AppendChildren(Node node, int x, int y, std::vector<Node>& out) const;
    bool ShapeHolds(Node node, int x, int y) const;

private:
    struct CompactNode {
        CHitFacts facts;
        CBox reach;
        std::uint32_t childBegin = 0;  // into children_
        std::uint32_t childCount = 0;
        std::int32_t wide = -1;  // index into wide_, or -1 for a plain scan
    };
    // Children sorted by the top of their reach, with a max-bottom segment tree over them.
    struct WideChildren {
        std::vector<Node> byTop;
        std::vector<int> tops;
        std::vector<int> maxBottom;  // segment tree, leaves at [leaves, 2 * leaves)
        std::size_t leaves = 1;
    };

    void BuildNodes(pugi::xml_node documentElement);
    void BuildChildren(const std::vector<Node>& parents);
    void BuildIndex(const std::vector<Node>& parents);
    void BuildReaches();
    void BuildWide(Node node);
    void StabWide(const WideChildren& wide, int x, int y, std::vector<Node>& out) const;

    std::vector<CompactNode> nodes_;  // in document order
    std::vector<Node> children_;      // each node's children as one run, in document order
    std::vector<WideChildren> wide_;
    std::unordered_map<Node, CAreaShape> shapes_;  // image map areas: only a few nodes
};

}  // namespace marklens

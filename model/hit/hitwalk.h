#pragma once
#include <climits>
#include <cstddef>
#include <optional>
#include <vector>

#include <pugixml.hpp>

#include "model/mirror/box.h"
#include "model/mirror/mirrorschema.h"

namespace marklens {

// What the hit test needs to know of one mirror node.
using HitKind = schema::NodeKind;
enum class HitVisibility : unsigned char { Visible, Inherit, Hidden };

struct CHitFacts {
    HitKind kind = HitKind::Other;
    bool displayNone = false;
    HitVisibility visibility = HitVisibility::Hidden;
    bool transparent = false;
    bool outsideChildren = false;
    bool shaped = false;  // hit only where its area shape holds the point
    CBox box;
    int zIndex = 0;
    int nodeId = 0;
};

inline constexpr int kNoCandidateZ = INT_MIN;

// The hit test as one walk over any tree that can state node facts and list the children
// worth visiting, in document order. The XML tree lists every child; the compact index lists
// only those that can contain the point, which cannot change the result because a child whose
// subtree has no box at the point yields no candidate. The walk keeps its own stack, so the
// depth of the mirror does not matter.
template <class Tree>
class CHitWalk {
public:
    using Node = typename Tree::Node;

    CHitWalk(const Tree& tree, int x, int y) : tree_(tree), x_(x), y_(y) {}

    int Run(Node root, CBox* box) {
        Outcome outcome;
        if (auto leaf = Enter(root, true)) outcome = *leaf;
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            if (frame.next < frame.end) {
                const Node child = pending_[frame.next++];
                const bool visible = frame.childrenVisible;
                if (auto leaf = Enter(child, visible)) Offer(frames_.back(), *leaf);
                continue;
            }
            const Outcome done = Finish(frame, {frame.best, frame.bestZ, frame.bestBox});
            pending_.resize(frame.begin);
            frames_.pop_back();
            if (frames_.empty())
                outcome = done;
            else
                Offer(frames_.back(), done);
        }
        if (box && outcome.result != 0) *box = outcome.box;
        return outcome.result;
    }

private:
    struct Outcome {
        int result = 0;
        int z = kNoCandidateZ;
        CBox box;
    };
    struct Frame {
        bool hit = false;
        bool childrenVisible = false;
        CBox ownBox;
        int ownZ = 0;
        int ownId = 0;
        std::size_t begin = 0, next = 0, end = 0;  // the children to visit, in pending_
        int best = 0;
        int bestZ = kNoCandidateZ;
        CBox bestBox;
    };

    // Among siblings the larger z wins, the later one at equal z.
    static void Offer(Frame& frame, const Outcome& child) {
        if (child.result != 0 && child.z >= frame.bestZ) {
            frame.best = child.result;
            frame.bestZ = child.z;
            frame.bestBox = child.box;
        }
    }

    // A node beats its own subtree's best only with a strictly greater z.
    static Outcome Finish(const Frame& frame, Outcome below) {
        if (frame.hit && frame.ownZ > below.z) return {frame.ownId, frame.ownZ, frame.ownBox};
        return below;
    }

    // Either the node's outcome at once, or a frame pushed to search its children first.
    std::optional<Outcome> Enter(Node node, bool inheritedVisible) {
        const CHitFacts facts = tree_.Facts(node);
        if (schema::PassesThrough(facts.kind)) {
            Push(node, MakeFrame(false, inheritedVisible, {}, 0, 0));
            return std::nullopt;
        }
        if (facts.kind == HitKind::Other || facts.displayNone) return Outcome{};
        const bool visible = facts.visibility == HitVisibility::Visible ||
                             (facts.visibility == HitVisibility::Inherit && inheritedVisible);
        const bool inside = facts.box.Contains(x_, y_) && (!facts.shaped || tree_.ShapeHolds(node, x_, y_));
        const bool hit = inside && visible && !facts.transparent;
        if (facts.kind == HitKind::Frame && !hit) return Outcome{};
        const Frame frame = MakeFrame(hit, visible, facts.box, facts.zIndex, facts.nodeId);
        if (inside || facts.outsideChildren) {
            Push(node, frame);
            return std::nullopt;
        }
        return Finish(frame, {});
    }

    static Frame MakeFrame(bool hit, bool childrenVisible, CBox ownBox, int ownZ, int ownId) {
        Frame frame;
        frame.hit = hit;
        frame.childrenVisible = childrenVisible;
        frame.ownBox = ownBox;
        frame.ownZ = ownZ;
        frame.ownId = ownId;
        return frame;
    }

    void Push(Node node, Frame frame) {
        frame.begin = frame.next = pending_.size();
        tree_.AppendChildren(node, x_, y_, pending_);
        frame.end = pending_.size();
        frames_.push_back(frame);
    }

    const Tree& tree_;
    const int x_;
    const int y_;
    std::vector<Node> pending_;
    std::vector<Frame> frames_;
};

// The XML mirror itself, read attribute by attribute at every node visited.
class CXmlHitTree {
public:
    using Node = pugi::xml_node;

    CHitFacts Facts(pugi::xml_node node) const;
    void AppendChildren(pugi::xml_node node, int x, int y, std::vector<pugi::xml_node>& out) const;
    bool ShapeHolds(pugi::xml_node node, int x, int y) const;
};

// Node name and the keyword attributes as the hit test classifies them.
HitVisibility ClassifyVisibility(const char* value);

}  // namespace marklens

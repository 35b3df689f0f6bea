#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mirrorfacts.h"
#include "mirroroutline.h"

namespace marklens {

class CHitIndex;

// The mirror of a walk as changes to the mirror of the walk before it: the nodes the walk found
// again keep their XML nodes and only what changed of them is written, so a page that changed a
// little is not made again node by node.
class CMirrorPatch {
public:
    // Reads the records (see CMirrorBuilder) against base, the facts of the last walk's mirror:
    // previous[n] is the number node n had in that walk (0: new), ids name the nodes in record
    // order. Throws CMalformedAnswer when the records are malformed.
    CMirrorPatch(std::string records, const std::vector<int>& ids, const std::vector<int>& previous,
                 MirrorFactsHandle base);
    ~CMirrorPatch();
    CMirrorPatch(const CMirrorPatch&) = delete;
    CMirrorPatch& operator=(const CMirrorPatch&) = delete;

    // False when so much is new or changed that making the whole mirror costs less (making
    // nodes where the mirror is shown would hold up the window), or when the mirror has been
    // patched many times since it was made whole.
    bool Pays() const { return pays_; }
    const MirrorFactsHandle& Base() const { return base_; }
    const MirrorFactsHandle& Facts() const { return facts_; }

private:
    friend class CPageMirror;
    void Compare(const std::vector<int>& previous, const CMirrorFacts& facts);
    void FindMovedParents(const CMirrorFacts& facts, const std::vector<std::int32_t>& newOf);

    MirrorFactsHandle base_;
    MirrorFactsHandle facts_;
    std::vector<std::int32_t> kept_;  // by node: its index in base, or -1 for a new node
    // The nodes whose children are not those of base in base's order (-1: the document's), in
    // tree order; only their children are placed again.
    std::vector<std::int32_t> movedParents_;
    struct Changed {
        std::int32_t node;
        std::uint8_t changes;  // CMirrorFacts::Change flags
    };
    std::vector<Changed> changed_;  // kept nodes whose attributes changed
    std::unique_ptr<CHitIndex> hitIndex_;
    OutlineHandle outline_;
    bool pays_ = false;
};

}  // namespace marklens

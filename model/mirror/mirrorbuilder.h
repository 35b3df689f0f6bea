#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mirrorfacts.h"
#include "mirroroutline.h"
#include "model/hit/areashape.h"
#include "model/hit/hitwalk.h"
#include "paintorder.h"

namespace marklens {

class CHitIndex;
class CRecordReader;

// Reads the probe's compact records (see the probe's mirrorStart()) into the facts of each node,
// numbering the nodes 1, 2, 3 ... in record order. The one pass over the records works out
// outside-children, the hit index and the layers of the paint order; z-index then becomes each
// element's paint rank. The XML tree is made from the facts (or an earlier one changed by them)
// while the outline and the hit index are made beside it. Throws CMalformedAnswer when the
// records are malformed.
class CMirrorBuilder {
public:
    // ids, when given, are the nodes' identifiers in record order; else they count from 1.
    explicit CMirrorBuilder(const std::vector<int>* ids = nullptr);
    ~CMirrorBuilder();

    // Reads records that outlive the facts; alongside runs once the facts are complete, while
    // the outline and hit index are made.
    void Build(std::string_view records, const std::function<void(const CMirrorFacts&)>& alongside);
    // As Build, the facts keeping the records.
    void BuildOwn(std::string records, const std::function<void(const CMirrorFacts&)>& alongside);
    std::unique_ptr<CHitIndex> TakeHitIndex();
    OutlineHandle TakeOutline();
    std::shared_ptr<CMirrorFacts> TakeFacts();

private:
    struct OpenNode;
    void AddDocument(bool opens, std::string_view label);
    void AddShadowRoot(bool opens, std::string_view label);
    void AddElement(char kind, CRecordReader& in);
    void AddComment(std::string_view text);
    void AddLook(CRecordReader& in);
    void AddLabel(CRecordReader& in);
    OpenNode& Open(const char* name, const CHitFacts& facts);
    void Reserve(std::string_view records);
    OutlineHandle MakeOutline() const;
    void PlaceInPaintOrder(OpenNode& node, const OpenNode& parent, bool root, int z, int paint);
    void Close();
    void WriteRanks();

    std::shared_ptr<CMirrorFacts> facts_;

    const std::vector<int>* ids_;
    // An element's z-index, known once the paint order is.
    struct PendingRank {
        std::uint32_t node;  // in facts_
        CPaintOrder::Layer layer;
        bool owner;
        std::uint32_t hitNode;  // in hitFacts_, or kNotHit
    };

    // The records' dictionaries, by number.
    struct Look {
        std::string_view display;
        std::string_view visibility;
        bool transparent = false;
        int z = 0;
        int paint = 0;
        bool displayNone = false;
        HitVisibility hitVisibility = HitVisibility::Hidden;
    };
    struct Label {
        std::string_view tag;
        std::string_view elementId;
        std::string_view cls;
    };
    std::vector<Look> looks_;
    long long lastLeft_ = 0;  // the corner of the last box read
    long long lastTop_ = 0;
    std::vector<Label> labels_;
    std::size_t slotBase_ = 0;  // the nodes before the records' own, whose slots count from 1
    // What the records of a frame walked on its own ("[" ... "]") set aside of the page's.
    struct OuterRecords {
        std::vector<Look> looks;
        std::vector<Label> labels;
        long long lastLeft = 0;
        long long lastTop = 0;
        std::size_t slotBase = 0;
        std::size_t open = 0;  // open nodes when they began
    };
    std::vector<OuterRecords> outer_;
    void EnterFrameRecords();
    void LeaveFrameRecords();
    std::vector<OpenNode> open_;
    std::vector<CHitFacts> hitFacts_;  // the nodes that can give a candidate, in document order
    std::vector<std::uint32_t> hitParents_;
    std::vector<PendingRank> pendingRanks_;
    CPaintOrder paintOrder_;
    static constexpr std::uint32_t kNotSlotted = UINT32_MAX;
    std::uint32_t paintUnder_ = kNotSlotted;                   // the slot the next element paints under
    std::string_view pendingShape_;                            // the area shape of the next element
    std::unordered_map<std::uint32_t, CAreaShape> hitShapes_;  // by position in hitFacts_
    bool done_ = false;
    std::unique_ptr<CHitIndex> hitIndex_;
    OutlineHandle outline_;
};

}  // namespace marklens

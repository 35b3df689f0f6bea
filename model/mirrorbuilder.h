#pragma once
#include <memory>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "hitwalk.h"
#include "paintorder.h"

namespace marklens {

class CHitIndex;
class CNodeIdIndex;
class CRecordReader;

// Builds the page mirror straight from the probe's compact records (see the probe's mirror()),
// numbering the nodes 1, 2, 3 ... in record order. The one pass that makes the nodes also
// writes outside-children, gathers both indexes and the layers of the paint order; z-index
// then becomes each element's paint rank. Throws CMalformedAnswer when the records are
// malformed.
class CMirrorBuilder {
public:
    explicit CMirrorBuilder(pugi::xml_document& xml);
    ~CMirrorBuilder();

    void Build(std::string_view records);
    std::unique_ptr<CHitIndex> TakeHitIndex();
    std::unique_ptr<CNodeIdIndex> TakeIdIndex();

private:
    struct OpenNode;
    void AddDocument(bool opens, std::string_view label);
    void AddElement(char kind, CRecordReader& in);
    void AddComment(std::string_view text);
    OpenNode& Open(const char* name, const CHitFacts& facts);
    void PlaceInPaintOrder(OpenNode& node, const OpenNode& parent, bool root, int z, int paint);
    void Close();
    void WriteRanks();

    pugi::xml_document& xml_;
    // An element's z-index, written once the paint order is known.
    struct PendingRank {
        pugi::xml_attribute zIndex;
        CPaintOrder::Layer layer;
        bool owner;
        std::uint32_t hitNode;  // in hitFacts_, or kNotHit
    };

    std::vector<OpenNode> open_;
    std::vector<pugi::xml_node> nodes_;  // by node id - 1
    std::vector<CHitFacts> hitFacts_;    // the nodes that can give a candidate, in document order
    std::vector<std::uint32_t> hitParents_;
    std::vector<PendingRank> pendingRanks_;
    CPaintOrder paintOrder_;
    bool done_ = false;
};

}  // namespace marklens

#pragma once
#include <cstdint>
#include <vector>

namespace marklens {

// The order in which the browser paints a page, worked out from each element's part in its
// stacking context: every layer (a stacking context, a positioned or floating element) gets
// ranks, and an element's z-index in the mirror is the rank of the layer it paints in. Within a
// layer the mirror's tree order settles who is on top, as the browser's does. Layers are added
// in tree order.
class CPaintOrder {
public:
    using Layer = std::uint32_t;
    static constexpr Layer kNoLayer = UINT32_MAX;

    // The root element of a document: of the page (no owner), or of a frame's document,
    // painted with the frame element in the owner layer.
    Layer AddRoot(Layer owner);
    // A positioned element or stacking context, in its stacking context by z; a top-layer one
    // above everything of its document instead, just below the top-layer one given (a backdrop
    // below its element) or above all of them.
    Layer AddLayered(Layer stackingContext, Layer documentRoot, bool context, int z, bool topLayer,
                     Layer below = kNoLayer);
    // A float, painted after the in-flow content of its layer.
    Layer AddFloat(Layer content);

    // Gives every layer its ranks, from 1 upwards.
    void Rank();
    // The rank of the layer's own element (a stacking context's background, below its negative
    // layers) or of the in-flow content painted in it.
    int OwnerRank(Layer layer) const { return layers_[layer].ownerRank; }
    int ContentRank(Layer layer) const { return layers_[layer].contentRank; }

private:
    struct LayerNode {
        bool context = false;
        int z = 0;
        int ownerRank = 0;
        int contentRank = 0;
        std::vector<Layer> negative, zero, positive, floats, frames, top;
    };
    Layer Add(bool context, int z);

    std::vector<LayerNode> layers_;
    std::vector<Layer> pageRoots_;
};

}  // namespace marklens

#include "paintorder.h"

#include <algorithm>

namespace marklens {

CPaintOrder::Layer CPaintOrder::Add(bool context, int z) {
    layers_.push_back({});
    layers_.back().context = context;
    layers_.back().z = z;
    return static_cast<Layer>(layers_.size() - 1);
}

CPaintOrder::Layer CPaintOrder::AddRoot(Layer owner) {
    const Layer layer = Add(true, 0);
    if (owner == kNoLayer)
        pageRoots_.push_back(layer);
    else
        layers_[owner].frames.push_back(layer);
    return layer;
}

CPaintOrder::Layer CPaintOrder::AddLayered(Layer stackingContext, Layer documentRoot, bool context, int z,
                                           bool topLayer, Layer below) {
    const Layer layer = Add(context, z);
    if (topLayer) {
        std::vector<Layer>& top = layers_[documentRoot].top;
        top.insert(std::find(top.begin(), top.end(), below), layer);
        return layer;
    }
    LayerNode& parent = layers_[stackingContext];
    (z < 0 ? parent.negative : z > 0 ? parent.positive : parent.zero).push_back(layer);
    return layer;
}

CPaintOrder::Layer CPaintOrder::AddFloat(Layer content) {
    const Layer layer = Add(false, 0);
    layers_[content].floats.push_back(layer);
    return layer;
}

// Depth first with a stack of its own (layers nest as deep as the page): a stacking context
// paints its background, its negative layers by z, its in-flow content, the frames and floats
// in it, its z 0 layers in tree order, its positive layers by z, and last its top layer.
void CPaintOrder::Rank() {
    const auto byZ = [this](Layer a, Layer b) { return layers_[a].z < layers_[b].z; };
    struct Step {
        Layer layer;
        enum { Paint, Owner, Content } what;
    };
    std::vector<Step> steps;
    for (auto root = pageRoots_.rbegin(); root != pageRoots_.rend(); ++root)
        steps.push_back({*root, Step::Paint});
    int next = 1;
    const auto pushAll = [&steps](const std::vector<Layer>& list) {
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            steps.push_back({*it, Step::Paint});
    };
    while (!steps.empty()) {
        const Step step = steps.back();
        steps.pop_back();
        LayerNode& layer = layers_[step.layer];
        if (step.what == Step::Owner) {
            layer.ownerRank = next++;
            continue;
        }
        if (step.what == Step::Content) {
            layer.contentRank = layer.context ? next++ : layer.ownerRank;
            continue;
        }
        std::stable_sort(layer.negative.begin(), layer.negative.end(), byZ);
        std::stable_sort(layer.positive.begin(), layer.positive.end(), byZ);
        // Pushed in reverse: the stack gives them back in paint order.
        pushAll(layer.top);
        pushAll(layer.positive);
        pushAll(layer.zero);
        pushAll(layer.floats);
        pushAll(layer.frames);
        steps.push_back({step.layer, Step::Content});
        pushAll(layer.negative);
        steps.push_back({step.layer, Step::Owner});
    }
}

}  // namespace marklens

#include "mirroroutline.h"

#include <algorithm>

#include "mirrorreading.h"

namespace marklens {

CMirrorOutline::CMirrorOutline(pugi::xml_node documentElement) {
    // A walk in document order, without recursion: deep pages must not exhaust the stack.
    int parent = -1;
    pugi::xml_node node = documentElement;
    while (node) {
        const int row = parent < 0 ? 0 : items_[static_cast<std::size_t>(parent)].childCount++;
        const int item = Add(parent, row, IntAttribute(node, schema::kNodeId), schema::KindOf(node),
                             node.attribute(schema::kText).value());
        if (const pugi::xml_node child = NextElement(node.first_child())) {
            parent = item;
            node = child;
            continue;
        }
        // Up until a following element sibling, never past the document element.
        for (;;) {
            if (node == documentElement) {
                node = pugi::xml_node();
                break;
            }
            if (const pugi::xml_node sibling = NextElement(node.next_sibling())) {
                node = sibling;
                break;
            }
            node = node.parent();
            parent = items_[static_cast<std::size_t>(parent)].parent;
        }
    }
    LinkChildren();
}

std::shared_ptr<const CMirrorOutline> CMirrorOutline::Placeholder(std::string_view label) {
    std::shared_ptr<CMirrorOutline> outline(new CMirrorOutline());
    outline->Add(-1, 0, 0, schema::NodeKind::Other, label);
    outline->LinkChildren();
    return outline;
}

int CMirrorOutline::Add(int parent, int row, int nodeId, schema::NodeKind kind, std::string_view label) {
    items_.push_back(CItem{parent, row, 0, 0, nodeId, kind, static_cast<std::uint32_t>(labels_.size()),
                           static_cast<std::uint32_t>(label.size())});
    labels_.append(label);
    return Count() - 1;
}

void CMirrorOutline::LinkChildren() {
    int start = 0;
    int largestId = 0;
    for (CItem& item : items_) {
        item.childStart = start;
        start += item.childCount;
        largestId = std::max(largestId, item.nodeId);
    }
    children_.assign(static_cast<std::size_t>(start), 0);
    for (int item = 1; item < Count(); ++item) {
        const CItem& entry = Item(item);
        children_[static_cast<std::size_t>(Item(entry.parent).childStart + entry.row)] = item;
    }
    // Mirrors number their nodes 1, 2, 3 ...: a table finds them at once. From the last item
    // up, so the first in pre-order wins where an identifier repeats.
    const bool dense = largestId <= 2 * Count() + 16;
    if (dense) {
        itemOfId_.assign(static_cast<std::size_t>(largestId) + 1, -1);
    } else {
        sparseItemOfId_.reserve(static_cast<std::size_t>(Count()));
    }
    for (int item = Count() - 1; item >= 0; --item) {
        const int id = Item(item).nodeId;
        int& slot = dense && id >= 0 ? itemOfId_[static_cast<std::size_t>(id)]
                                     : sparseItemOfId_.try_emplace(id, -1).first->second;
        if (slot != -1) uniqueIds_ = false;
        slot = item;
    }
}

int CMirrorOutline::ItemOfNodeId(int nodeId) const {
    if (!itemOfId_.empty() && nodeId >= 0) {
        return static_cast<std::size_t>(nodeId) < itemOfId_.size() ? itemOfId_[static_cast<std::size_t>(nodeId)] : -1;
    }
    const auto found = sparseItemOfId_.find(nodeId);
    return found == sparseItemOfId_.end() ? -1 : found->second;
}

}  // namespace marklens

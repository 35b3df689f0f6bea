#include "pagemirror.h"

#include <cstdio>
#include <sstream>

#include "mirrorbuilder.h"
#include "mirrorpatch.h"
#include "model/hit/hitindex.h"
#include "model/hit/hitwalk.h"
#include "nodeidindex.h"
#include "outsidechildren.h"

namespace marklens {

CPageMirror::CPageMirror() = default;
CPageMirror::~CPageMirror() = default;

bool CPageMirror::LoadXml(std::string_view text) {
    Clear();
    // Declarations, comments and processing instructions are not kept, so the document element
    // is the document's only element child.
    // As a fragment, so that text after the document element stays to be seen and refused.
    const pugi::xml_parse_result result =
        xml_.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_fragment, pugi::encoding_utf8);
    if (!result) {
        loadError_ = std::string(result.description()) + " at offset " + std::to_string(result.offset);
    } else {
        int elements = 0;
        for (const pugi::xml_node child : xml_.children()) {
            if (child.type() == pugi::node_element)
                ++elements;
            else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
                elements += 2;
        }
        if (elements != 1) loadError_ = "the mirror must be exactly one XML element";
    }
    if (loadError_.empty()) return true;
    xml_.reset();
    return false;
}

void CPageMirror::MarkOutsideChildren() {
    marklens::MarkOutsideChildren(DocumentElement());
    hitIndex_ = std::make_unique<CHitIndex>(DocumentElement());
    idIndex_ = std::make_unique<CNodeIdIndex>(xml_);
}

void CPageMirror::Clear() {
    outline_.reset();
    hitIndex_.reset();
    idIndex_.reset();
    facts_.reset();
    nodes_.clear();
    loadError_.clear();
    xml_.reset();
}

void CPageMirror::BuildFromRecords(std::string_view records, const std::vector<int>* ids) {
    Build([&](CMirrorBuilder& builder, const auto& alongside) { builder.Build(records, alongside); }, ids, false);
}

void CPageMirror::BuildKeepingFacts(std::string records, const std::vector<int>* ids) {
    Build([&](CMirrorBuilder& builder, const auto& alongside) { builder.BuildOwn(std::move(records), alongside); }, ids,
          true);
}

template <typename Read>
void CPageMirror::Build(const Read& read, const std::vector<int>* ids, bool keepFacts) {
    Clear();
    try {
        CMirrorBuilder builder(ids);
        read(builder, [this](const CMirrorFacts& facts) { nodes_ = facts.MakeTree(xml_); });
        hitIndex_ = builder.TakeHitIndex();
        outline_ = builder.TakeOutline();
        facts_ = builder.TakeFacts();
        IndexNodes();
        if (!keepFacts) {
            facts_.reset();
            nodes_.clear();
        }
    } catch (...) {
        Clear();
        throw;
    }
}

void CPageMirror::IndexNodes() {
    if (facts_->ids.empty()) {
        idIndex_ = std::make_unique<CNodeIdIndex>(nodes_);
    } else {
        idIndex_ = std::make_unique<CNodeIdIndex>(nodes_, facts_->ids);
    }
}

void CPageMirror::BuildFromPatch(CMirrorPatch& patch) {
    Clear();
    try {
        nodes_ = patch.facts_->MakeTree(xml_);
        Take(patch);
    } catch (...) {
        Clear();
        throw;
    }
}

void CPageMirror::Take(CMirrorPatch& patch) {
    hitIndex_ = std::move(patch.hitIndex_);
    outline_ = std::move(patch.outline_);
    facts_ = patch.facts_;
    IndexNodes();
}

// Kept nodes keep their XML nodes. Where a parent's children moved, each goes right after the
// sibling before it, where most are already, and what is left over behind the last goes to a
// bin, from which kept nodes placed later move out; the bin goes last.
bool CPageMirror::Apply(CMirrorPatch& patch) {
    if (!facts_ || patch.base_ != facts_ || !patch.facts_) return false;
    const CMirrorFacts& facts = *patch.facts_;
    std::vector<pugi::xml_node> placed(facts.nodes.size());
    for (std::size_t n = 0; n < placed.size(); ++n) {
        if (patch.kept_[n] >= 0) placed[n] = nodes_[static_cast<std::size_t>(patch.kept_[n])];
    }
    pugi::xml_node bin = xml_.append_child(pugi::node_element);
    for (const std::int32_t parentIndex : patch.movedParents_) {
        pugi::xml_node parent = parentIndex < 0 ? pugi::xml_node(xml_) : placed[static_cast<std::size_t>(parentIndex)];
        pugi::xml_node last;
        std::int32_t child = parentIndex < 0 ? (facts.events.empty() ? -1 : facts.events.front())
                                             : facts.links[static_cast<std::size_t>(parentIndex)].firstChild;
        for (; child >= 0; child = facts.links[static_cast<std::size_t>(child)].next) {
            const auto index = static_cast<std::size_t>(child);
            pugi::xml_node node = placed[index];
            if (!node) {
                node = last ? parent.insert_child_after(facts.nodes[index].name, last)
                            : parent.prepend_child(facts.nodes[index].name);
                if (node) facts.WriteNode(node, index);
            } else if (node != (last ? last.next_sibling() : parent.first_child())) {
                node = last ? parent.insert_move_after(node, last) : parent.prepend_move(node);
            }
            // Out of memory, or a move the tree refused: the whole mirror is made instead.
            if (!node) {
                BuildFromPatch(patch);
                return true;
            }
            placed[index] = last = node;
        }
        for (pugi::xml_node extra = last ? last.next_sibling() : parent.first_child(); extra && extra != bin;) {
            const pugi::xml_node next = extra.next_sibling();
            bin.append_move(extra);
            extra = next;
        }
    }
    for (const CMirrorPatch::Changed& changed : patch.changed_) {
        facts.WriteChanges(placed[static_cast<std::size_t>(changed.node)], static_cast<std::size_t>(changed.node),
                           changed.changes);
    }
    xml_.remove_child(bin);
    nodes_ = std::move(placed);
    Take(patch);
    return true;
}

pugi::xml_node CPageMirror::FindNodeById(int id) const {
    return idIndex_ ? idIndex_->Find(id) : FindNodeByIdXPath(xml_, id);
}

int CPageMirror::HitTest(int x, int y, CBox* box) const {
    return hitIndex_ ? hitIndex_->HitTest(x, y, box) : HitTestLiteral(DocumentElement(), x, y, box);
}

std::string CPageMirror::ToXml() const {
    std::ostringstream out;
    xml_.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

OutlineHandle CPageMirror::Outline() const {
    if (!outline_) outline_ = std::make_shared<const CMirrorOutline>(DocumentElement());
    return outline_;
}

int HitTestLiteral(pugi::xml_node documentElement, int x, int y, CBox* box) {
    if (!documentElement) return 0;
    const CXmlHitTree tree;
    return CHitWalk<CXmlHitTree>(tree, x, y).Run(documentElement, box);
}

pugi::xml_node FindNodeByIdXPath(const pugi::xml_document& xml, int id) {
    char query[64];
    std::snprintf(query, sizeof query, "//*[@node-id='%d']", id);
    return xml.select_node(query).node();
}

}  // namespace marklens

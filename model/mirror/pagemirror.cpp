#include "pagemirror.h"

#include <cstdio>
#include <sstream>

#include "mirrorbuilder.h"
#include "model/hit/hitindex.h"
#include "model/hit/hitwalk.h"
#include "nodeidindex.h"
#include "outsidechildren.h"

namespace marklens {

CPageMirror::CPageMirror() = default;
CPageMirror::~CPageMirror() = default;

bool CPageMirror::LoadXml(std::string_view text) {
    outline_.reset();
    hitIndex_.reset();
    idIndex_.reset();
    loadError_.clear();
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

void CPageMirror::BuildFromRecords(std::string_view records, const std::vector<int>* ids) {
    outline_.reset();
    hitIndex_.reset();
    idIndex_.reset();
    loadError_.clear();
    xml_.reset();
    try {
        CMirrorBuilder builder(xml_, ids);
        builder.Build(records);
        hitIndex_ = builder.TakeHitIndex();
        idIndex_ = builder.TakeIdIndex();
        outline_ = builder.TakeOutline();
    } catch (...) {
        xml_.reset();
        throw;
    }
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

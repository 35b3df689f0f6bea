#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "box.h"
#include "mirrorfacts.h"
#include "mirroroutline.h"

namespace marklens {

class CHitIndex;
class CMirrorPatch;
class CNodeIdIndex;

// The XML page mirror of one attached page. After MarkOutsideChildren it also holds compact
// indexes for hit testing and look-up by identifier; both give exactly the results of the
// literal walks over the XML (HitTestLiteral, FindNodeByIdXPath).
class CPageMirror {
public:
    CPageMirror();
    ~CPageMirror();
    CPageMirror(const CPageMirror&) = delete;
    CPageMirror& operator=(const CPageMirror&) = delete;

    // Replaces the content with the text; white-space-only text is dropped. False when the
    // text is not one well-formed XML element (the mirror is then empty).
    bool LoadXml(std::string_view text);
    // Text of the last failed load, for messages.
    const std::string& LoadError() const { return loadError_; }

    const pugi::xml_document& Xml() const { return xml_; }
    pugi::xml_node DocumentElement() const { return xml_.document_element(); }

    // Writes outside-children on every node and builds the indexes.
    void MarkOutsideChildren();
    // Replaces the content with the mirror built from the probe's compact records, marked and
    // indexed; ids, when given, name the nodes in record order. Throws CMalformedAnswer for
    // malformed records (the mirror is then empty).
    void BuildFromRecords(std::string_view records, const std::vector<int>* ids = nullptr);
    // As BuildFromRecords, keeping the records and what was found of each node, so that the
    // mirror of the page's next walk can be patched onto this one.
    void BuildKeepingFacts(std::string records, const std::vector<int>* ids = nullptr);
    // Turns this mirror into the patch's, making or writing again only the nodes that changed.
    // False, leaving the mirror as it was, when it is not the mirror the patch was made against.
    bool Apply(CMirrorPatch& patch);
    // Replaces the content with the whole mirror the patch gives.
    void BuildFromPatch(CMirrorPatch& patch);
    // What the last build found of each node; null unless it was kept.
    const MirrorFactsHandle& Facts() const { return facts_; }

    // First node in document order whose node-id text is the "%d" form of id; null if none.
    pugi::xml_node FindNodeById(int id) const;
    // The element at (x, y) by z-index, visibility, display, transparency; 0 when none.
    int HitTest(int x, int y, CBox* box = nullptr) const;

    // The mirror as XML text, without indentation.
    std::string ToXml() const;
    // What the element tree shows of it; made by the first call (make it where the mirror is
    // made: it walks the whole mirror).
    OutlineHandle Outline() const;

private:
    void Clear();
    template <typename Read>
    void Build(const Read& read, const std::vector<int>* ids, bool keepFacts);
    void IndexNodes();
    void Take(CMirrorPatch& patch);

    pugi::xml_document xml_;
    std::string loadError_;
    std::unique_ptr<CHitIndex> hitIndex_;
    std::unique_ptr<CNodeIdIndex> idIndex_;
    mutable OutlineHandle outline_;
    MirrorFactsHandle facts_;
    std::vector<pugi::xml_node> nodes_;  // in record order, while the facts are kept
};

// The literal algorithms the indexes must agree with, kept for tests and benchmarks.
int HitTestLiteral(pugi::xml_node documentElement, int x, int y, CBox* box = nullptr);
pugi::xml_node FindNodeByIdXPath(const pugi::xml_document& xml, int id);

}  // namespace marklens

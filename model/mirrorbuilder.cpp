#include "mirrorbuilder.h"

#include <charconv>
#include <climits>
#include <cstring>

#include "hitindex.h"
#include "malformedanswer.h"
#include "mirrorreading.h"
#include "mirrorschema.h"
#include "nodeidindex.h"

namespace marklens {

namespace {

constexpr std::uint32_t kNotHit = UINT32_MAX;

// The paint flags of an element record.
constexpr int kLayered = 1;
constexpr int kContext = 2;
constexpr int kFloat = 4;
constexpr int kTopLayer = 8;

[[noreturn]] void Malformed(const char* what) { throw CMalformedAnswer(std::string("the mirror: ") + what); }

int ClampToInt(long long value) {
    return value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace

// Reads one record's fields from the front of the text.
class CRecordReader {
public:
    explicit CRecordReader(std::string_view text) : rest_(text) {}

    bool AtEnd() const { return rest_.empty(); }
    char Kind() {
        const char kind = rest_.front();
        rest_.remove_prefix(1);
        return kind;
    }
    // An integer followed by a comma.
    long long Number() {
        long long value = 0;
        const auto [end, ec] = std::from_chars(rest_.data(), rest_.data() + rest_.size(), value);
        if (ec != std::errc() || end == rest_.data() + rest_.size() || *end != ',') Malformed("a number");
        rest_.remove_prefix(static_cast<std::size_t>(end - rest_.data()) + 1);
        return value;
    }
    std::string_view Token() {
        const auto comma = rest_.find(',');
        if (comma == std::string_view::npos) Malformed("a field");
        const std::string_view token = rest_.substr(0, comma);
        rest_.remove_prefix(comma + 1);
        return token;
    }
    // The next count UTF-16 units of text, as the UTF-8 bytes that carry them.
    std::string_view Units(long long count) {
        if (count < 0) Malformed("a length");
        std::size_t bytes = 0;
        while (count > 0) {
            if (bytes >= rest_.size()) Malformed("a text");
            const unsigned char lead = static_cast<unsigned char>(rest_[bytes]);
            const std::size_t size = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            count -= size == 4 ? 2 : 1;
            bytes += size;
        }
        if (count < 0 || bytes > rest_.size()) Malformed("a text");
        const std::string_view text = rest_.substr(0, bytes);
        rest_.remove_prefix(bytes);
        return text;
    }
    void EndOfLine() {
        if (rest_.empty() || rest_.front() != '\n') Malformed("a record's end");
        rest_.remove_prefix(1);
    }

private:
    std::string_view rest_;
};

// What the pass keeps of each open node until it closes.
struct CMirrorBuilder::OpenNode {
    pugi::xml_node node;
    bool hasBox = false;
    CBox ownBox;
    CBox extent;
    std::uint32_t hitNode = kNotHit;                      // in hitFacts_
    CPaintOrder::Layer content = CPaintOrder::kNoLayer;   // where in-flow children paint
    CPaintOrder::Layer stacking = CPaintOrder::kNoLayer;  // the context positioned children join
    CPaintOrder::Layer documentRoot = CPaintOrder::kNoLayer;
};

CMirrorBuilder::CMirrorBuilder(pugi::xml_document& xml) : xml_(xml) {}
CMirrorBuilder::~CMirrorBuilder() = default;

void CMirrorBuilder::Build(std::string_view records) {
    CRecordReader in(records);
    while (!in.AtEnd()) {
        if (done_) Malformed("text after the document");
        const char kind = in.Kind();
        if (open_.empty() && kind != 'D') Malformed("the document record");
        switch (kind) {
        case 'D':
        case 'd': {
            const std::string_view label = in.Units(in.Number());
            in.EndOfLine();
            AddDocument(kind == 'D', label);
            break;
        }
        case 'E':
        case 'e':
        case 'F': AddElement(kind, in); break;
        case 'c': {
            const std::string_view text = in.Units(in.Number());
            in.EndOfLine();
            AddComment(text);
            break;
        }
        case ')':
            in.EndOfLine();
            if (open_.empty()) Malformed("a close without an open record");
            Close();
            break;
        default: Malformed("an unknown record");
        }
    }
    if (!done_) Malformed("an unclosed record");
    WriteRanks();
}

std::unique_ptr<CHitIndex> CMirrorBuilder::TakeHitIndex() {
    return std::make_unique<CHitIndex>(std::move(hitFacts_), hitParents_);
}

std::unique_ptr<CNodeIdIndex> CMirrorBuilder::TakeIdIndex() {
    return std::make_unique<CNodeIdIndex>(std::move(nodes_));
}

// Appends the node under the open one (or as the document element) with its identifier; it
// joins the hit index when everything above it can be hit through.
CMirrorBuilder::OpenNode& CMirrorBuilder::Open(const char* name, const CHitFacts& facts) {
    const bool top = open_.empty();
    pugi::xml_node node = top ? xml_.append_child(name) : open_.back().node.append_child(name);
    nodes_.push_back(node);
    node.append_attribute(schema::kNodeId).set_value(static_cast<int>(nodes_.size()));
    OpenNode opened;
    opened.node = node;
    opened.hasBox = facts.kind != HitKind::Doc;
    opened.ownBox = opened.hasBox ? facts.box : CBox{};
    opened.extent = opened.ownBox;
    const std::uint32_t parentHit = top ? kNotHit : open_.back().hitNode;
    if ((top || parentHit != kNotHit) && !facts.displayNone) {
        opened.hitNode = static_cast<std::uint32_t>(hitFacts_.size());
        hitFacts_.push_back(facts);
        hitFacts_.back().nodeId = static_cast<int>(nodes_.size());
        hitParents_.push_back(top ? 0 : parentHit);
    }
    open_.push_back(opened);
    return open_.back();
}

void CMirrorBuilder::AddDocument(bool opens, std::string_view label) {
    CHitFacts facts;
    facts.kind = HitKind::Doc;
    const OpenNode* parent = open_.empty() ? nullptr : &open_.back();
    const CPaintOrder::Layer content = parent ? parent->content : CPaintOrder::kNoLayer;
    OpenNode& doc = Open(schema::kDoc, facts);
    doc.node.append_attribute(schema::kText).set_value(std::string(label).c_str());
    // A frame's document paints with its frame; the page's is the first stacking context.
    doc.content = content;
    if (!opens) Close();
}

void CMirrorBuilder::AddElement(char kind, CRecordReader& in) {
    long long edges[4];
    for (long long& edge : edges)
        edge = in.Number();
    const int z = ClampToInt(in.Number());
    const int paint = ClampToInt(in.Number());
    const std::string display(in.Token());
    const std::string visibility(in.Token());
    const long long transparent = in.Number();
    const long long tagLength = in.Number();
    const long long idLength = in.Number();
    const long long classLength = in.Number();
    const std::string_view tag = in.Units(tagLength);
    const std::string_view elementId = in.Units(idLength);
    const std::string_view cls = in.Units(classLength);
    in.EndOfLine();

    std::string label = "<";
    label += tag;
    if (!elementId.empty()) ((label += " id=\"") += elementId) += '"';
    if (!cls.empty()) ((label += " class=\"") += cls) += '"';
    label += '>';

    CHitFacts facts;
    facts.kind = kind == 'F' ? HitKind::Frame : HitKind::Element;
    facts.displayNone = display == "none";
    facts.visibility = ClassifyVisibility(visibility.c_str());
    facts.transparent = transparent == 1;
    facts.box = BoxFromEdges(ClampToInt(edges[0]), ClampToInt(edges[1]), ClampToInt(edges[2]), ClampToInt(edges[3]));
    const OpenNode parent = open_.back();
    OpenNode& element = Open(kind == 'F' ? schema::kFrame : schema::kElement, facts);
    pugi::xml_node node = element.node;
    node.append_attribute(schema::kText).set_value(label.c_str());
    static constexpr const char* kEdges[] = {schema::kLeft, schema::kTop, schema::kWidth, schema::kHeight};
    for (int i = 0; i < 4; ++i)
        node.append_attribute(kEdges[i]).set_value(edges[i]);
    pugi::xml_attribute zIndex = node.append_attribute(schema::kZIndex);
    node.append_attribute(schema::kDisplay).set_value(display.c_str());
    node.append_attribute(schema::kVisibility).set_value(visibility.c_str());
    node.append_attribute(schema::kTransparent).set_value(transparent);
    const bool root = schema::KindOf(parent.node) == schema::NodeKind::Doc;
    if (facts.displayNone || (!root && parent.content == CPaintOrder::kNoLayer)) {
        zIndex.set_value(0);
    } else {
        PlaceInPaintOrder(element, parent, root, z, paint);
        pendingRanks_.push_back({zIndex, element.content, element.content != parent.content, element.hitNode});
    }
    if (kind == 'e') Close();
}

// The element's layer: its own when it is a document's root, positioned, a stacking context or
// a float, else the one its parent's in-flow content paints in.
void CMirrorBuilder::PlaceInPaintOrder(OpenNode& node, const OpenNode& parent, bool root, int z, int paint) {
    if (root) {
        node.content = node.stacking = node.documentRoot = paintOrder_.AddRoot(parent.content);
        return;
    }
    node.stacking = parent.stacking;
    node.documentRoot = parent.documentRoot;
    if (paint & (kLayered | kContext | kTopLayer)) {
        const bool context = (paint & (kContext | kTopLayer)) != 0;
        node.content =
            paintOrder_.AddLayered(parent.stacking, parent.documentRoot, context, z, (paint & kTopLayer) != 0);
        if (context) node.stacking = node.content;
    } else if (paint & kFloat) {
        node.content = paintOrder_.AddFloat(parent.content);
    } else {
        node.content = parent.content;
    }
}

void CMirrorBuilder::AddComment(std::string_view text) {
    CHitFacts facts;
    facts.kind = HitKind::Element;
    facts.displayNone = true;
    OpenNode& comment = Open(schema::kElement, facts);
    std::string label = "<COMMENT>";
    if (!text.empty()) (label += ' ') += text;
    pugi::xml_node node = comment.node;
    node.append_attribute(schema::kText).set_value(label.c_str());
    for (const char* name : {schema::kLeft, schema::kTop, schema::kWidth, schema::kHeight, schema::kZIndex})
        node.append_attribute(name).set_value("0");
    node.append_attribute(schema::kDisplay).set_value("none");
    node.append_attribute(schema::kVisibility).set_value("hidden");
    node.append_attribute(schema::kTransparent).set_value("1");
    Close();
}

// outside-children from the extent of the closing node, which then widens its parent's.
void CMirrorBuilder::Close() {
    OpenNode closing = open_.back();
    open_.pop_back();
    const bool outside = !(closing.extent == closing.ownBox);
    closing.node.append_attribute(schema::kOutsideChildren).set_value(outside ? "1" : "0");
    if (closing.hitNode != kNotHit) hitFacts_[closing.hitNode].outsideChildren = outside;
    if (open_.empty()) {
        done_ = true;
        return;
    }
    open_.back().extent = UnionBox(open_.back().extent, closing.extent);
}

void CMirrorBuilder::WriteRanks() {
    paintOrder_.Rank();
    for (PendingRank& pending : pendingRanks_) {
        const int rank = pending.owner ? paintOrder_.OwnerRank(pending.layer) : paintOrder_.ContentRank(pending.layer);
        pending.zIndex.set_value(rank);
        if (pending.hitNode != kNotHit) hitFacts_[pending.hitNode].zIndex = rank;
    }
}

}  // namespace marklens

#include "mirrorbuilder.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <future>
#include <iterator>
#include <new>
#include <utility>

#include "mirrorreading.h"
#include "mirrorschema.h"
#include "model/errors/malformedanswer.h"
#include "model/hit/hitindex.h"
#include "nodeidindex.h"

namespace marklens {

namespace {

constexpr std::uint32_t kNotHit = UINT32_MAX;

// The paint flags of an element record.
constexpr int kLayered = 1;
constexpr int kContext = 2;
constexpr int kFloat = 4;
constexpr int kTopLayer = 8;
constexpr int kBackdrop = 16;  // with kTopLayer: just below its element

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
        RefuseControls(token);
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
        RefuseControls(text);
        rest_.remove_prefix(bytes);
        return text;
    }
    void EndOfLine() {
        if (rest_.empty() || rest_.front() != '\n') Malformed("a record's end");
        rest_.remove_prefix(1);
    }

private:
    // The probe cleans every text; a control character (a NUL cuts the mirror's XML short)
    // means the records are not the probe's.
    static void RefuseControls(std::string_view text) {
        for (const char c : text) {
            if (static_cast<unsigned char>(c) < 0x20) Malformed("a text");
        }
    }

    std::string_view rest_;
};

// What the pass keeps of each open node until it closes.
struct CMirrorBuilder::OpenNode {
    std::uint32_t index = 0;  // in facts_
    bool isDocument = false;
    bool hasBox = false;
    CBox ownBox;
    CBox extent;
    std::uint32_t hitNode = kNotHit;                      // in hitFacts_
    CPaintOrder::Layer content = CPaintOrder::kNoLayer;   // where in-flow children paint
    CPaintOrder::Layer stacking = CPaintOrder::kNoLayer;  // the context positioned children join
    CPaintOrder::Layer documentRoot = CPaintOrder::kNoLayer;
};

namespace {}  // namespace

CMirrorBuilder::CMirrorBuilder(const std::vector<int>* ids) : facts_(std::make_shared<CMirrorFacts>()), ids_(ids) {
    if (ids) facts_->ids = *ids;
}
CMirrorBuilder::~CMirrorBuilder() = default;

void CMirrorBuilder::BuildOwn(std::string records, const std::function<void(const CMirrorFacts&)>& alongside) {
    facts_->records = std::move(records);
    Build(facts_->records, alongside);
}

void CMirrorBuilder::Build(std::string_view records, const std::function<void(const CMirrorFacts&)>& alongside) {
    Reserve(records);
    CRecordReader in(records);
    while (!in.AtEnd()) {
        if (done_) Malformed("text after the document");
        const char kind = in.Kind();
        // Dictionary records and corner moves may come ahead of the document's.
        const bool ahead = kind == 'k' || kind == 'n' || kind == 'o';
        if (open_.empty() && kind != 'D' && !ahead) Malformed("the document record");
        if (!outer_.empty() && open_.size() == outer_.back().open && kind != 'D' && kind != ']' && !ahead) {
            Malformed("a frame's own document record");
        }
        const bool element = kind == 'E' || kind == 'e' || kind == 'F';
        if (paintUnder_ != kNotSlotted && !element) Malformed("a slot without its element");
        if (!pendingShape_.empty() && !element && kind != 'q') Malformed("an area's shape without its element");
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
        case 'S':
        case 's': {
            const std::string_view label = in.Units(in.Number());
            in.EndOfLine();
            AddShadowRoot(kind == 'S', label);
            break;
        }
        case 'q': {
            const long long slot = in.Number();
            in.EndOfLine();
            if (slot < 1 || static_cast<std::size_t>(slot) > facts_->nodes.size() - slotBase_) Malformed("a slot");
            paintUnder_ = static_cast<std::uint32_t>(slotBase_ + static_cast<std::size_t>(slot) - 1);
            break;
        }
        case 'a': {
            pendingShape_ = in.Units(in.Number());
            in.EndOfLine();
            if (!CAreaShape::Parse(pendingShape_)) Malformed("an area's shape");
            break;
        }
        case '[':
            in.EndOfLine();
            EnterFrameRecords();
            break;
        case ']':
            in.EndOfLine();
            LeaveFrameRecords();
            break;
        case 'o':
            // The next box's corner counts from elsewhere: a copied run of records.
            lastLeft_ = ClampToInt(lastLeft_ + ClampToInt(in.Number()));
            lastTop_ = ClampToInt(lastTop_ + ClampToInt(in.Number()));
            in.EndOfLine();
            break;
        case 'k': AddLook(in); break;
        case 'n': AddLabel(in); break;
        case ')':
            in.EndOfLine();
            if (open_.empty()) Malformed("a close without an open record");
            Close();
            break;
        default: Malformed("an unknown record");
        }
    }
    if (!done_ || !outer_.empty()) Malformed("an unclosed record");
    WriteRanks();
    // The outline and the hit index need only the pass's facts, not the links: they are made
    // beside the links and the tree.
    auto outline = std::async(std::launch::async, [this] { outline_ = MakeOutline(); });
    auto hitIndex = std::async(std::launch::async, [this] {
        hitIndex_ = std::make_unique<CHitIndex>(std::move(hitFacts_), hitParents_, std::move(hitShapes_));
    });
    facts_->Link();
    alongside(*facts_);
    outline.get();
    hitIndex.get();
}

// A frame's own records stand for its document: they count looks, labels, box corners and
// slots afresh, and the page's go on after them where they left off.
void CMirrorBuilder::EnterFrameRecords() {
    if (open_.empty() || facts_->nodes[open_.back().index].name != schema::kFrame ||
        open_.back().index + 1 != facts_->nodes.size()) {
        Malformed("a frame's records outside their frame");
    }
    outer_.push_back({std::move(looks_), std::move(labels_), lastLeft_, lastTop_, slotBase_, open_.size()});
    looks_.clear();
    labels_.clear();
    lastLeft_ = 0;
    lastTop_ = 0;
    slotBase_ = facts_->nodes.size();
}

void CMirrorBuilder::LeaveFrameRecords() {
    if (outer_.empty() || open_.size() != outer_.back().open || facts_->nodes.size() == slotBase_) {
        Malformed("a frame's records without their document");
    }
    OuterRecords& outer = outer_.back();
    looks_ = std::move(outer.looks);
    labels_ = std::move(outer.labels);
    lastLeft_ = outer.lastLeft;
    lastTop_ = outer.lastTop;
    slotBase_ = outer.slotBase;
    outer_.pop_back();
}

// Room for a node per record line, so that no list is moved while it grows; pages that are
// reserved but never used cost nothing.
void CMirrorBuilder::Reserve(std::string_view records) {
    const auto lines = static_cast<std::size_t>(std::count(records.begin(), records.end(), '\n'));
    facts_->nodes.reserve(lines);
    facts_->events.reserve(2 * lines);
    hitFacts_.reserve(lines);
    hitParents_.reserve(lines);
    pendingRanks_.reserve(lines);
}

std::unique_ptr<CHitIndex> CMirrorBuilder::TakeHitIndex() { return std::move(hitIndex_); }

OutlineHandle CMirrorBuilder::TakeOutline() { return std::move(outline_); }

std::shared_ptr<CMirrorFacts> CMirrorBuilder::TakeFacts() { return std::move(facts_); }

// Appends the node under the open one (or as the document element) with its identifier; it
// joins the hit index when everything above it can be hit through.
CMirrorBuilder::OpenNode& CMirrorBuilder::Open(const char* name, const CHitFacts& facts) {
    if (facts_->nodes.size() >= static_cast<std::size_t>(INT32_MAX)) Malformed("too many records");
    const bool top = open_.empty();
    OpenNode opened;
    opened.index = static_cast<std::uint32_t>(facts_->nodes.size());
    opened.isDocument = facts.kind == HitKind::Doc;
    facts_->nodes.emplace_back().name = name;
    facts_->events.push_back(static_cast<std::int32_t>(opened.index));
    if (ids_ && facts_->nodes.size() > ids_->size()) Malformed("more nodes than identifiers");
    const int nodeId = facts_->IdOf(opened.index);
    opened.hasBox = !schema::PassesThrough(facts.kind);
    opened.ownBox = opened.hasBox ? facts.box : CBox{};
    opened.extent = opened.ownBox;
    const std::uint32_t parentHit = top ? kNotHit : open_.back().hitNode;
    if ((top || parentHit != kNotHit) && !facts.displayNone) {
        opened.hitNode = static_cast<std::uint32_t>(hitFacts_.size());
        hitFacts_.push_back(facts);
        hitFacts_.back().nodeId = nodeId;
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
    CMirrorFacts::Node& node = facts_->nodes.back();
    node.label = CMirrorFacts::Node::Label::Plain;
    node.text = label;
    // A frame's document paints with its frame; the page's is the first stacking context.
    doc.content = content;
    if (!opens) Close();
}

// A host's shadow tree: no box, its elements paint as the host's children.
void CMirrorBuilder::AddShadowRoot(bool opens, std::string_view label) {
    if (open_.back().isDocument) Malformed("a shadow root of a document");
    const OpenNode host = open_.back();
    CHitFacts facts;
    facts.kind = HitKind::ShadowRoot;
    OpenNode& root = Open(schema::kShadowRoot, facts);
    root.content = host.content;
    root.stacking = host.stacking;
    root.documentRoot = host.documentRoot;
    CMirrorFacts::Node& node = facts_->nodes.back();
    node.label = CMirrorFacts::Node::Label::Plain;
    node.text = label;
    if (!opens) Close();
}

void CMirrorBuilder::AddLook(CRecordReader& in) {
    Look look;
    look.display = in.Token();
    look.visibility = in.Token();
    look.transparent = in.Number() == 1;
    look.z = ClampToInt(in.Number());
    look.paint = ClampToInt(in.Number());
    in.EndOfLine();
    look.displayNone = look.display == "none";
    look.hitVisibility = ClassifyVisibility(std::string(look.visibility).c_str());
    looks_.push_back(look);
}

void CMirrorBuilder::AddLabel(CRecordReader& in) {
    const long long tagLength = in.Number();
    const long long idLength = in.Number();
    const long long classLength = in.Number();
    Label label;
    label.tag = in.Units(tagLength);
    label.elementId = in.Units(idLength);
    label.cls = in.Units(classLength);
    in.EndOfLine();
    labels_.push_back(label);
}

void CMirrorBuilder::AddElement(char kind, CRecordReader& in) {
    const long long lookNumber = in.Number();
    const long long labelNumber = in.Number();
    if (lookNumber < 0 || static_cast<std::size_t>(lookNumber) >= looks_.size()) Malformed("a look");
    if (labelNumber < 0 || static_cast<std::size_t>(labelNumber) >= labels_.size()) Malformed("a label");
    const Look& look = looks_[static_cast<std::size_t>(lookNumber)];
    const Label& label = labels_[static_cast<std::size_t>(labelNumber)];
    const int z = look.z;
    const int paint = look.paint;
    int edges[4] = {0, 0, 0, 0};
    if (!look.displayNone) {
        for (int& edge : edges)
            edge = ClampToInt(in.Number());
        // The corner is counted from the last box's; kept within int like every coordinate.
        edges[0] = ClampToInt(lastLeft_ + edges[0]);
        edges[1] = ClampToInt(lastTop_ + edges[1]);
        lastLeft_ = edges[0];
        lastTop_ = edges[1];
    }
    in.EndOfLine();

    CHitFacts facts;
    facts.kind = kind == 'F' ? HitKind::Frame : HitKind::Element;
    facts.displayNone = look.displayNone;
    facts.visibility = look.hitVisibility;
    facts.transparent = look.transparent;
    facts.box = BoxFromEdges(edges[0], edges[1], edges[2], edges[3]);
    facts.shaped = !pendingShape_.empty();
    // A slotted element paints where its slot is, not under its host.
    OpenNode parent = open_.back();
    if (paintUnder_ != kNotSlotted) {
        const CMirrorFacts::Node& slot = facts_->nodes[paintUnder_];
        parent.content = slot.content;
        parent.stacking = slot.stacking;
        parent.documentRoot = slot.documentRoot;
        paintUnder_ = kNotSlotted;
    }
    OpenNode& element = Open(kind == 'F' ? schema::kFrame : schema::kElement, facts);
    if (facts.shaped) {
        facts_->shapes.emplace(element.index, pendingShape_);
        if (element.hitNode != kNotHit) hitShapes_.emplace(element.hitNode, *CAreaShape::Parse(pendingShape_));
        pendingShape_ = {};
    }
    CMirrorFacts::Node& node = facts_->nodes.back();
    node.text = label.tag;
    node.elementId = label.elementId;
    node.cls = label.cls;
    std::copy(std::begin(edges), std::end(edges), node.edges);
    node.display = look.display;
    node.visibility = look.visibility;
    node.transparent = look.transparent;
    const bool root = parent.isDocument;
    if (!facts.displayNone && (root || parent.content != CPaintOrder::kNoLayer)) {
        PlaceInPaintOrder(element, parent, root, z, paint);
        pendingRanks_.push_back({element.index, element.content, element.content != parent.content, element.hitNode});
        node.content = element.content;
        node.stacking = element.stacking;
        node.documentRoot = element.documentRoot;
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
        const CPaintOrder::Layer below = (paint & kBackdrop) ? parent.content : CPaintOrder::kNoLayer;
        node.content =
            paintOrder_.AddLayered(parent.stacking, parent.documentRoot, context, z, (paint & kTopLayer) != 0, below);
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
    Open(schema::kElement, facts);
    CMirrorFacts::Node& node = facts_->nodes.back();
    node.label = CMirrorFacts::Node::Label::Comment;
    node.text = text;
    node.display = "none";
    node.visibility = "hidden";
    node.transparent = true;
    Close();
}

// outside-children from the extent of the closing node, which then widens its parent's.
void CMirrorBuilder::Close() {
    const OpenNode closing = open_.back();
    open_.pop_back();
    facts_->events.push_back(-1);
    const bool outside = !(closing.extent == closing.ownBox);
    facts_->nodes[closing.index].outside = outside;
    if (closing.hitNode != kNotHit) hitFacts_[closing.hitNode].outsideChildren = outside;
    if (open_.empty()) {
        done_ = true;
        return;
    }
    open_.back().extent = UnionBox(open_.back().extent, closing.extent);
}

void CMirrorBuilder::WriteRanks() {
    paintOrder_.Rank();
    for (const PendingRank& pending : pendingRanks_) {
        const int rank = pending.owner ? paintOrder_.OwnerRank(pending.layer) : paintOrder_.ContentRank(pending.layer);
        facts_->nodes[pending.node].zIndex = rank;
        if (pending.hitNode != kNotHit) hitFacts_[pending.hitNode].zIndex = rank;
    }
}

OutlineHandle CMirrorBuilder::MakeOutline() const {
    std::shared_ptr<CMirrorOutline> outline(new CMirrorOutline());
    outline->items_.reserve(facts_->nodes.size());
    std::vector<int> open;
    std::string label;
    for (const std::int32_t event : facts_->events) {
        if (event < 0) {
            open.pop_back();
            continue;
        }
        const auto index = static_cast<std::size_t>(event);
        const CMirrorFacts::Node& node = facts_->nodes[index];
        const int parent = open.empty() ? -1 : open.back();
        const int row = parent < 0 ? 0 : outline->items_[static_cast<std::size_t>(parent)].childCount++;
        label.clear();
        facts_->AppendLabel(label, index);
        open.push_back(outline->Add(parent, row, facts_->IdOf(index), schema::KindOfName(node.name), label));
    }
    outline->LinkChildren();
    return outline;
}

}  // namespace marklens

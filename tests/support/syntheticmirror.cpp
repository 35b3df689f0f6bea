#include "syntheticmirror.h"

#include <algorithm>
#include <random>
#include <vector>

namespace marklens::testing {
namespace {

struct CBoxSpec {
    int left, top, width, height;
};

void AppendOpen(std::string& out, const char* name, int id, const std::string& label) {
    out += '<';
    out += name;
    out += " node-id=\"" + std::to_string(id) + "\" text=\"" + label + '"';
}

void AppendBox(std::string& out, const CBoxSpec& box, int z, const char* display, const char* visibility) {
    out += " left=\"" + std::to_string(box.left) + "\" top=\"" + std::to_string(box.top) +
           "\" width=\"" + std::to_string(box.width) + "\" height=\"" + std::to_string(box.height) +
           "\" z-index=\"" + std::to_string(z) + "\" display=\"" + display + "\" visibility=\"" +
           visibility + '"';
}

class CPageWriter {
public:
    explicit CPageWriter(const CSyntheticMirrorShape& shape) : shape_(shape), random_(shape.seed) {}

    std::string Write() {
        out_.reserve(static_cast<std::size_t>(shape_.nodes) * 170);
        AppendOpen(out_, "doc", NextId(), "doc - Synthetic page");
        out_ += '>';
        AppendOpen(out_, "element", NextId(), "&lt;HEAD&gt;");
        AppendBox(out_, {0, 0, 0, 0}, 0, "none", "visible");
        out_ += "/>";
        const int sectionHeight = 240;
        const int perSection = std::max(1, (shape_.minDepth + shape_.maxDepth) * 5 / 4);
        const int sections = std::max(1, shape_.nodes / perSection);
        AppendOpen(out_, "element", NextId(), "&lt;BODY&gt;");
        AppendBox(out_, {0, 0, shape_.pageWidth, sections * sectionHeight}, 0, "block", "visible");
        out_ += '>';
        for (int i = 0; i < sections && id_ < shape_.nodes; ++i) {
            WriteNest({8, i * sectionHeight, shape_.pageWidth - 16, sectionHeight - 8});
        }
        out_ += "</element></doc>";
        return std::move(out_);
    }

private:
    int NextId() { return ++id_; }
    int Roll(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }

    // A section: a chain of nested blocks, each level with a sibling or two beside it.
    void WriteNest(CBoxSpec box) {
        const int depth = Roll(shape_.minDepth, shape_.maxDepth);
        outsideLevel_ = Chance(shape_.outsideShare) ? Roll(0, depth - 1) : -1;
        for (int level = 0; level < depth; ++level) {
            const bool hidden = Chance(0.01);
            AppendOpen(out_, "element", NextId(), "&lt;DIV class=&quot;level" + std::to_string(level) + "&quot;&gt;");
            AppendBox(out_, box, Chance(0.03) ? Roll(1, 50) : 0, Chance(0.01) ? "none" : "block",
                      hidden ? "hidden" : (Chance(0.5) ? "inherit" : "visible"));
            if (Chance(0.02)) out_ += " transparent=\"1\"";
            out_ += '>';
            for (int extra = Roll(1, 2); extra > 0; --extra) WriteLeaf(box, level == outsideLevel_ && extra == 1);
            box = {box.left + 2, box.top + 2, std::max(4, box.width - 4), std::max(4, box.height - 4)};
        }
        for (int level = 0; level < depth; ++level) out_ += "</element>";
    }

    void WriteLeaf(const CBoxSpec& parent, bool outside) {
        const int width = Roll(1, std::min(200, parent.width));
        const int height = Roll(1, std::min(30, parent.height));
        CBoxSpec leaf{parent.left + Roll(0, parent.width - width), parent.top + Roll(0, parent.height - height),
                      width, height};
        if (outside) leaf.left += Roll(-400, 1400), leaf.top += Roll(-300, 300);
        AppendOpen(out_, "element", NextId(), "&lt;SPAN&gt;");
        AppendBox(out_, leaf, Chance(0.02) ? Roll(-5, 60) : 0, "inline", "inherit");
        out_ += "/>";
    }

    const CSyntheticMirrorShape shape_;
    std::mt19937 random_;
    std::string out_;
    int id_ = 0;
    int outsideLevel_ = -1;
};

}  // namespace

std::string MakePageMirror(const CSyntheticMirrorShape& shape) { return CPageWriter(shape).Write(); }

std::string MakeRandomMirror(std::uint32_t seed, int nodes, int size) {
    std::mt19937 random(seed);
    auto roll = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto pick = [&](std::initializer_list<const char*> values) {
        return *(values.begin() + roll(0, static_cast<int>(values.size()) - 1));
    };
    std::string out = "<doc node-id=\"1\" text=\"doc - random\">";
    std::vector<const char*> open{"doc"};
    for (int id = 2; id <= nodes; ++id) {
        while (open.size() > 1 && roll(0, 3) == 0) {
            out += std::string("</") + open.back() + '>';
            open.pop_back();
        }
        const char* name = pick({"element", "element", "element", "element", "frame", "doc", "other"});
        out += std::string("<") + name;
        // Duplicate and non-canonical identifiers now and then.
        const int shownId = roll(0, 20) == 0 ? roll(1, id) : id;
        out += " node-id=\"" + std::string(roll(0, 30) == 0 ? "0" : "") + std::to_string(shownId) + '"';
        out += " text=\"n" + std::to_string(id) + '"';
        if (roll(0, 9) != 0) out += " left=\"" + std::to_string(roll(-10, size)) + '"';
        if (roll(0, 9) != 0) out += " top=\"" + std::to_string(roll(-10, size)) + '"';
        if (roll(0, 9) != 0) out += " width=\"" + std::to_string(roll(-5, size / 2)) + (roll(0, 5) ? "" : "px") + '"';
        if (roll(0, 9) != 0) out += " height=\"" + std::to_string(roll(-5, size / 2)) + '"';
        if (roll(0, 2) == 0) out += std::string(" z-index=\"") + pick({"0", "1", "5", "-1", "auto", "-2147483648", "3"}) + '"';
        out += std::string(" display=\"") + pick({"block", "block", "inline", "none"}) + '"';
        if (roll(0, 7) != 0) out += std::string(" visibility=\"") + pick({"visible", "inherit", "inherit", "hidden", "Visible"}) + '"';
        if (roll(0, 6) == 0) out += std::string(" transparent=\"") + pick({"1", "0", "01", "2"}) + '"';
        if (roll(0, 1) == 0) {
            out += "/>";
        } else {
            out += '>';
            open.push_back(name);
        }
    }
    while (!open.empty()) {
        out += std::string("</") + open.back() + '>';
        open.pop_back();
    }
    return out;
}

std::string MakeDeepMirror(int depth) {
    std::string out = "<doc node-id=\"1\" text=\"doc - deep\">";
    out.reserve(static_cast<std::size_t>(depth) * 140);
    for (int level = 0; level < depth; ++level) {
        const int inset = level % 400;
        AppendOpen(out, "element", level + 2, "&lt;DIV&gt;");
        AppendBox(out, {inset, inset, 1000 - 2 * inset + 1, 1000 - 2 * inset + 1}, 0, "block", "inherit");
        out += '>';
    }
    for (int level = 0; level < depth; ++level) out += "</element>";
    return out + "</doc>";
}

}  // namespace marklens::testing

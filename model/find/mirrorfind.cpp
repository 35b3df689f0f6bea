#include "mirrorfind.h"

#include <string_view>

#include "casefold.h"
#include "findsettings.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/mirrorschema.h"
#include "model/mirror/mirrorwalk.h"
#include "model/mirror/pagemirror.h"

namespace marklens {

namespace {

// Tests labels against one find text; the folding buffer is reused from label to label.
class CLabelMatcher {
public:
    CLabelMatcher(std::string text, bool matchCase)
        : text_(matchCase ? std::move(text) : FoldCase(text)), matchCase_(matchCase) {}

    bool Matches(std::string_view label) {
        if (matchCase_) return label.find(text_) != std::string_view::npos;
        folded_.clear();
        AppendFolded(label, folded_);
        return folded_.find(text_) != std::string::npos;
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
    bool matchCase_;
    std::string folded_;
};

}  // namespace

CFindOutcome FindNextInMirror(const CPageMirror* mirror, int selection, const CFindSettings& settings) {
    CFindOutcome outcome;
    if (settings.text.empty()) {
        outcome.kind = CFindOutcome::Kind::OpenDialog;
        return outcome;
    }
    CLabelMatcher matcher(settings.text, settings.matchCase);
    outcome.comparedText = matcher.Text();
    const pugi::xml_node start = mirror ? mirror->FindNodeById(selection) : pugi::xml_node();
    if (!start) return outcome;
    pugi::xml_node node = start;
    do {
        node = NextInWalk(node, settings.searchUp, outcome.wrapped);
        if (matcher.Matches(node.attribute(schema::kText).value())) {
            outcome.kind = CFindOutcome::Kind::Found;
            outcome.nodeId = IntAttribute(node, schema::kNodeId);
            return outcome;
        }
        // Back at the start node: compared by node, since a hostile mirror may repeat its
        // identifier on a node the walk reaches first.
    } while (node != start);
    outcome.kind = CFindOutcome::Kind::NotFound;
    return outcome;
}

}  // namespace marklens

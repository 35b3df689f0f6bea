#include <array>
#include <cmath>

#include <pugixml.hpp>

#include "model/errors/objectcallerror.h"
#include "model/mirror/mirrorreading.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

class Answers : public CBrowserSuite {
protected:
    void SetUp() override {
        page_ = OpenPage("rules.html?other=" + std::to_string(Pages().Port(1)));
        // The other origin's sheet is in the page, but its rules cannot be read.
        Chrome().Evaluate(lastTarget_, "new Promise(r => { const l = document.querySelector('link:last-of-type');"
                                       " if (l.sheet) r(1); else { l.onload = l.onerror = () => r(1); } })");
        probe_ = page_->CreateProbe();
        mirror_ = Mirror(*probe_, *page_);
    }
    LiveElementHandle Element(const std::string& label) {
        return probe_->ElementForId(std::to_string(IntAttribute(NodeWithLabel(*mirror_, label), "node-id")));
    }

    LivePageHandle page_;
    PageProbeHandle probe_;
    std::unique_ptr<CPageMirror> mirror_;
};

struct CRule {
    std::string selector, score, source, text;
};

std::vector<CRule> ReadRules(const std::string& answer) {
    pugi::xml_document xml;
    EXPECT_TRUE(xml.load_string(answer.c_str())) << answer;
    std::vector<CRule> rules;
    for (const pugi::xpath_node& hit : xml.select_nodes("/style/rule")) {
        const pugi::xml_node n = hit.node();
        rules.push_back({StringAttribute(n, "selector"), StringAttribute(n, "score"), StringAttribute(n, "source"),
                         StringAttribute(n, "text")});
    }
    return rules;
}

TEST_F(Answers, ElementWithoutRulesAndDocumentNode) {
    const LiveElementHandle heading = Element("\"heading\"");
    ASSERT_TRUE(heading);
    const std::vector<CRule> rules = ReadRules(probe_->StyleRules(*heading));
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].selector, "h1");
    // The document node answers for its root element, which no rule of this page matches.
    const LiveElementHandle doc = probe_->ElementForId("1");
    ASSERT_TRUE(doc);
    EXPECT_TRUE(ReadRules(probe_->StyleRules(*doc)).empty());
}

TEST_F(Answers, CurrentStyleFollowsTheCatalog) {
    const LiveElementHandle para = Element("\"para\"");
    ASSERT_TRUE(para);
    const std::string catalog =
        "<attribs><attrib name=\"color\" default=\"rgb(0, 0, 0)\"/>"
        "<attrib name=\"paddingLeft\" default=\"0px\" note=\"camel case\"/>"
        "<attrib name=\"font-weight\" default=\"400\"/>"
        "<attrib name=\"display\" default=\"block\"/>"
        "<attrib name=\"no-such-thing\" default=\"x &amp; y\"/></attribs>";
    pugi::xml_document answer;
    ASSERT_TRUE(answer.load_string(probe_->CurrentStyle(*para, catalog).c_str()));
    const pugi::xpath_node_set entries = answer.select_nodes("/attribs/attrib");
    ASSERT_EQ(entries.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"rgb(255, 0, 0)", "rgb(0, 0, 0)"}, {"4px", "0px"}, {"700", "400"}, {"block", "block"}, {"", "x & y"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(StringAttribute(entries[i].node(), "current"), expected[i].first) << i;
        EXPECT_EQ(StringAttribute(entries[i].node(), "default"), expected[i].second) << i;
    }
    EXPECT_THROW(probe_->CurrentStyle(*para, "<not-a-catalog"), CObjectCallError);
    pugi::xml_document empty;
    ASSERT_TRUE(empty.load_string(probe_->CurrentStyle(*para, "<attribs/>").c_str()));
    EXPECT_TRUE(empty.select_nodes("/attribs/attrib").empty());
}

TEST_F(Answers, RulesOfAnElementInsideAFrame) {
    const LivePageHandle page = OpenPage("boxes.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = Mirror(*probe, *page);
    const LiveElementHandle inner =
        probe->ElementForId(std::to_string(IntAttribute(NodeWithLabel(*mirror, "c-00ffff"), "node-id")));
    ASSERT_TRUE(inner);
    const std::vector<CRule> rules = ReadRules(probe->StyleRules(*inner));
    ASSERT_EQ(rules.size(), 2u) << probe->StyleRules(*inner);
    EXPECT_EQ(rules[0].source, "inline");
    EXPECT_EQ(rules[1].selector, ".b");
    EXPECT_EQ(rules[1].source, "<style> in " + Pages().Url(0, "boxesframe.html"));
    pugi::xml_document answer;
    ASSERT_TRUE(answer.load_string(
        probe->CurrentStyle(*inner, "<attribs><attrib name=\"position\" default=\"static\"/></attribs>").c_str()));
    EXPECT_EQ(StringAttribute(answer.select_node("/attribs/attrib").node(), "current"), "absolute");
}

// Elements of open and closed shadow trees, slotted elements and generated content answer with
// the shadow tree's own rules and their computed values, and take inline styles.
TEST_F(Answers, ShadowTreesAndGeneratedContent) {
    const LivePageHandle page = OpenPage("shadow.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = Mirror(*probe, *page);
    const auto element = [&](pugi::xml_node node) {
        const LiveElementHandle found = probe->ElementForId(std::to_string(IntAttribute(node, "node-id")));
        EXPECT_TRUE(found) << StringAttribute(node, "text");
        return found;
    };
    const auto selectors = [&](pugi::xml_node node) {
        std::string all;
        for (const CRule& rule : ReadRules(probe->StyleRules(*element(node))))
            all += rule.selector + ";";
        return all;
    };
    EXPECT_EQ(selectors(NodeWithLabel(*mirror, "\"title\"")), "::slotted(h3);");
    EXPECT_EQ(selectors(NodeWithLabel(*mirror, "\"card-frame\"")), ".frame;");
    const pugi::xml_node note = NodeWithLabel(*mirror, "\"note\"");
    EXPECT_EQ(selectors(note.first_child()), ".note::before;");
    pugi::xml_document answer;
    ASSERT_TRUE(answer.load_string(
        probe->CurrentStyle(*element(note.first_child()), "<attribs><attrib name=\"color\" default=\"\"/></attribs>")
            .c_str()));
    EXPECT_EQ(StringAttribute(answer.select_node("/attribs/attrib").node(), "current"), "rgb(170, 0, 0)");
    // Inside a closed root inside a closed root.
    const LiveElementHandle badge = element(NodeWithLabel(*mirror, "\"badge-text\""));
    ASSERT_TRUE(badge);
    EXPECT_EQ(badge->TagName(), "B");
    badge->SetStyleAttribute("color", "rgb(1, 2, 3)");
    EXPECT_NE(badge->OuterHtml().find("rgb(1, 2, 3)"), std::string::npos);
    EXPECT_EQ(ReadRules(probe->StyleRules(*badge)).at(0).source, "inline");
}

// The browser's box models in the top page's viewport: where the mirror has the border box,
// in frames of both kinds and for generated content, with a transformed element's true corners.
TEST_F(Answers, BoxModelsSitWhereTheMirrorHasTheBoxesAndFollowTransforms) {
    const LivePageHandle page = OpenPage("frames.html?other=" + std::to_string(Pages().Port(1)));
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = Mirror(*probe, *page);
    const auto modelOf = [&](pugi::xml_node node) {
        const LiveElementHandle element = probe->ElementForId(std::to_string(IntAttribute(node, "node-id")));
        EXPECT_TRUE(element) << StringAttribute(node, "text");
        return element ? probe->BoxModel(*element) : std::nullopt;
    };
    const pugi::xml_node words = NodeWithLabel(*mirror, "\"words\"");
    const pugi::xml_node leaf =
        mirror->Xml().select_node("//frame[contains(@text, '\"far\"')]//element[contains(@text, 'leaf-box')]").node();
    for (const pugi::xml_node node : {words, words.first_child(), leaf}) {
        const std::optional<CBoxModel> model = modelOf(node);
        ASSERT_TRUE(model) << StringAttribute(node, "text");
        const CBox box = NodeBox(node);
        EXPECT_NEAR(model->border.Left(), box.left, 1) << StringAttribute(node, "text");
        EXPECT_NEAR(model->border.Top(), box.top, 1) << StringAttribute(node, "text");
        EXPECT_NEAR(model->border.Right(), box.right, 1) << StringAttribute(node, "text");
        EXPECT_NEAR(model->border.Bottom(), box.bottom, 1) << StringAttribute(node, "text");
    }
    const std::optional<CBoxModel> leafModel = modelOf(leaf);
    ASSERT_TRUE(leafModel);
    EXPECT_EQ(CBoxModel::Widths(leafModel->margin, leafModel->border), (std::array<double, 4>{4, 4, 4, 4}));
    EXPECT_NEAR(leafModel->content.Right() - leafModel->content.Left(), 50, 0.01);

    Chrome().Evaluate(lastTarget_, "document.getElementById('far').style.transform = 'rotate(10deg)'");
    const std::optional<CBoxModel> turned = modelOf(NodeWithLabel(*mirror, "\"far\""));
    ASSERT_TRUE(turned);
    EXPECT_GT(std::abs(turned->border.points[1] - turned->border.points[3]), 1) << "the top edge slopes";
}

// Selectors for Copy Selector: one per document or shadow root, outermost first, each matching
// only its element there (checked in the page for the open tree), through closed roots,
// generated content and frames of other origins two deep.
TEST_F(Answers, SelectorPathsReachThroughShadowRootsAndFrames) {
    const auto pathOf = [](IPageProbe& probe, const CPageMirror& mirror, const std::string& xpath) {
        const pugi::xml_node node = mirror.Xml().select_node(xpath.c_str()).node();
        EXPECT_TRUE(node) << xpath;
        const LiveElementHandle element = probe.ElementForId(std::to_string(IntAttribute(node, "node-id")));
        if (!element) return std::vector<std::string>{"(none)"};
        return probe.SelectorPath(*element);
    };
    const auto label = [](const char* text) { return "//element[contains(@text, '" + std::string(text) + "')]"; };
    using Path = std::vector<std::string>;
    const LivePageHandle shadow = OpenPage("shadow.html");
    const PageProbeHandle probe = shadow->CreateProbe();
    const auto mirror = Mirror(*probe, *shadow);
    EXPECT_EQ(pathOf(*probe, *mirror, label("\"card-frame\"")), (Path{"#card", "#card-frame"}));
    EXPECT_EQ(pathOf(*probe, *mirror, label("\"badge-text\"")), (Path{"#secret", "inner-badge", "#badge-text"}));
    EXPECT_EQ(pathOf(*probe, *mirror, label("\"note\"") + "/element"), (Path{"#note::before"}));
    EXPECT_EQ(pathOf(*probe, *mirror, label("class=\"outside\"")), (Path{"ul.outside"}));
    const Path slot = pathOf(*probe, *mirror, "(//element[starts-with(@text, '<SLOT')])[2]");
    ASSERT_EQ(slot.size(), 2u);
    EXPECT_EQ(Chrome().Evaluate(lastTarget_, "document.querySelectorAll('" + slot[0] +
                                                 "').length + ',' + "
                                                 "document.querySelector('" +
                                                 slot[0] + "').shadowRoot.querySelectorAll('" + slot[1] + "').length"),
              "\"1,1\"")
        << slot[1];
    EXPECT_THROW(pathOf(*probe, *mirror, "//shadow-root"), CObjectCallError);

    const LivePageHandle frames = OpenPage("frames.html?other=" + std::to_string(Pages().Port(1)));
    const PageProbeHandle framesProbe = frames->CreateProbe();
    const auto framesMirror = Mirror(*framesProbe, *frames);
    EXPECT_EQ(pathOf(*framesProbe, *framesMirror,
                     "//frame[contains(@text, '\"far\"')]//frame[contains(@text, '\"n2\"')]" + label("leaf-box")),
              (Path{"#far", "#n2", "#leaf-box"}));
    EXPECT_EQ(pathOf(*framesProbe, *framesMirror, "//frame[contains(@text, '\"near\"')]" + label("\"words\"")),
              (Path{"#near", "#words"}));
}

TEST_F(Answers, LookUpByIdentifierText) {
    const int count = static_cast<int>(mirror_->Xml().select_nodes("//*").size());
    for (const std::string& bad : std::vector<std::string>{"", "0", "-1", "abc", "3x", " 3", "99999999999", std::to_string(count + 1)}) {
        EXPECT_FALSE(probe_->ElementForId(bad)) << "'" << bad << "'";
    }
    const LiveElementHandle last = probe_->ElementForId(std::to_string(count));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->TagName(), "SCRIPT");
}

}  // namespace
}  // namespace marklens::testing

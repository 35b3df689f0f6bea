#include <cstdio>
#include <fstream>

#include "browser/devtoolssession.h"
#include "model/mirror/mirrorreading.h"
#include "model/style/attributecatalog.h"
#include "model/style/styleanswers.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

using Json = nlohmann::json;

class Cascade : public CBrowserSuite {
protected:
    void SetUp() override {
        page_ = OpenPage("cascade.html?other=" + std::to_string(Pages().Port(1)));
        Chrome().Evaluate(lastTarget_,
                          "new Promise(r => { const l = document.querySelector('link:last-of-type');"
                          " if (l.sheet) r(1); else { l.onload = l.onerror = () => r(1); } })");
        probe_ = page_->CreateProbe();
        mirror_ = Mirror(*probe_, *page_);
    }
    int IdOf(const std::string& label) const { return IntAttribute(NodeWithLabel(*mirror_, label), "node-id"); }
    std::vector<CStyleRule> Rules(int nodeId) {
        const LiveElementHandle element = probe_->ElementForId(std::to_string(nodeId));
        EXPECT_TRUE(element);
        if (!element) return {};
        const auto rules = ParseStyleRules(probe_->StyleRules(*element));
        EXPECT_TRUE(rules);
        return rules.value_or(std::vector<CStyleRule>{});
    }
    // The browser's matched rules for the element, asked on a session of the test's own.
    Json MatchedByTheBrowser(const std::string& expression) {
        CDevToolsSession session("127.0.0.1", std::to_string(Chrome().Port()), "/devtools/page/" + lastTarget_,
                                 std::chrono::seconds(10));
        session.Call("DOM.enable");
        session.Call("CSS.enable");
        session.Call("DOM.getDocument", {{"depth", 0}});
        const Json found = session.Call("Runtime.evaluate", {{"expression", expression}});
        const Json node = session.Call("DOM.requestNode", {{"objectId", found.at("result").at("objectId")}});
        return session.Call("CSS.getMatchedStylesForNode", {{"nodeId", node.at("nodeId")}});
    }

    LivePageHandle page_;
    PageProbeHandle probe_;
    std::unique_ptr<CPageMirror> mirror_;
};

const CStyleRule* Find(const std::vector<CStyleRule>& rules, const std::string& text) {
    for (const CStyleRule& rule : rules) {
        if (rule.text == text) return &rule;
    }
    return nullptr;
}

TEST_F(Cascade, RulesAreTheBrowsersOwnInItsOrderWithPrecedenceAndSource) {
    const std::vector<CStyleRule> rules = Rules(IdOf("\"target\""));
    // The browser lists the matched rules from the lowest precedence up; the answer turns them
    // round, after the inline style, and leaves the browser's defaults out.
    const Json matched = MatchedByTheBrowser("document.getElementById('target')");
    std::vector<std::string> expected{"padding-left: 4px"};
    const Json& list = matched.at("matchedCSSRules");
    for (auto match = list.rbegin(); match != list.rend(); ++match) {
        const Json& rule = match->at("rule");
        if (rule.at("origin") == "user-agent") continue;
        std::string text = rule.at("style").value("cssText", "");
        text = text.substr(text.find_first_not_of(' '));
        expected.push_back(text.substr(0, text.find_last_not_of(' ') + 1));
    }
    std::vector<std::string> texts;
    for (const CStyleRule& rule : rules)
        texts.push_back(rule.text);
    EXPECT_EQ(texts, expected);

    const std::string page = Pages().Url(0, "cascade.html?other=" + std::to_string(Pages().Port(1)));
    struct CExpected {
        const char* text;
        const char* selector;
        const char* score;
        std::string source;
    };
    const std::vector<CExpected> spotChecks{
        {"padding-left: 4px", "", "1,0,0,0", "inline"},
        {"color: blue;", "#main .note", "1,1,0", Pages().Url(1, "rules.css")},  // another origin's sheet
        {"letter-spacing: 1px;", ":is(#main, .none) p", "1,0,1", "<style> in " + page},
        {"text-decoration: underline;", ":where(#main) p", "0,0,1", "<style> in " + page},
        {"font-weight: bold !important;", "p.note", "0,1,1 !important", "<style> in " + page},
        {"margin-top: 4px;", "p.note", "0,1,1", "<style> in " + page + " @media screen"},
        {"word-spacing: 2px;", "h1 { & ~ p }", "0,0,2", "<style> in " + page},
        {"border-top: 1px solid red;", "p", "0,0,1", "constructed sheet"},
        {"color: teal;", "#target", "1,0,0 @layer theme", "<style> in " + page},
        {"color: navy;", "#main #target.note", "2,1,0 @layer base", "<style> in " + page},
    };
    for (const CExpected& spot : spotChecks) {
        const CStyleRule* rule = Find(rules, spot.text);
        ASSERT_TRUE(rule) << spot.text;
        EXPECT_EQ(rule->selector, spot.selector) << spot.text;
        EXPECT_EQ(rule->score, spot.score) << spot.text;
        EXPECT_EQ(rule->source, spot.source) << spot.text;
    }
    // The later layer wins over the more specific rule of the earlier one; layered rules lose
    // to unlayered ones. An imported sheet's rules come before the importing sheet's own.
    EXPECT_EQ(rules[rules.size() - 2].text, "color: teal;");
    EXPECT_EQ(rules.back().text, "color: navy;");
    const auto own = std::find_if(rules.begin(), rules.end(), [](auto& r) { return r.text == "margin-left: 1px;"; });
    const auto imported =
        std::find_if(rules.begin(), rules.end(), [](auto& r) { return r.text == "margin-left: 2px;"; });
    EXPECT_LT(own, imported);
    EXPECT_EQ(imported->source, Pages().Url(0, "cascade-import.css"));
    // A print sheet and an alternate sheet do not apply.
    EXPECT_FALSE(Find(rules, "margin-bottom: 99px;"));
    EXPECT_FALSE(Find(rules, "margin-top: 99px;"));
}

TEST_F(Cascade, ShadowHostDocumentAndCutTextAnswerAtOnce) {
    const std::vector<CStyleRule> host = Rules(IdOf("\"host\""));
    ASSERT_EQ(host.size(), 1u);
    EXPECT_EQ(host[0].selector, ":host");
    // A document answers with the rules of its root element.
    const std::vector<CStyleRule> document = Rules(IntAttribute(mirror_->DocumentElement(), "node-id"));
    ASSERT_EQ(document.size(), 1u);
    EXPECT_EQ(document[0].selector, ":root");
    // The element's class holds half an emoji; every call on it is still answered, not timed out.
    const LiveElementHandle cut = probe_->ElementForId(std::to_string(IdOf("\"lone\"")));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->TagName(), "SPAN");
    EXPECT_TRUE(ParseStyleRules(probe_->StyleRules(*cut)));
}

TEST_F(Cascade, CatalogDefaultsAreWhatABareElementHas) {
    CAttributeCatalog catalog;
    ASSERT_EQ(catalog.Load(AttributeCatalogPath()), CAttributeCatalog::LoadResult::Loaded) << AttributeCatalogPath();
    EXPECT_GE(catalog.Entries().size(), 50u);
    const LivePageHandle page = OpenPage("bare.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = Mirror(*probe, *page);
    const LiveElementHandle bare =
        probe->ElementForId(std::to_string(IntAttribute(NodeWithLabel(*mirror, "\"bare\""), "node-id")));
    ASSERT_TRUE(bare);
    const auto values = ParseCurrentStyle(probe->CurrentStyle(*bare, catalog.QuestionXml()));
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), catalog.Entries().size());
    for (std::size_t i = 0; i < values->size(); ++i) {
        EXPECT_EQ((*values)[i].current, catalog.Entries()[i].defaultValue) << catalog.Entries()[i].name;
    }
}

// The command line sets a value the way the dialog does and says when the browser refuses it.
TEST_F(Cascade, SetStyleFromTheCommandLine) {
    const std::string cli = MARKLENS_CLI;
    const std::string endpoint = " --endpoint " + Chrome().Endpoint();
    auto run = [&](const std::string& arguments, std::string& output) {
        const std::string command = cli + " " + arguments + endpoint + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[512];
        output.clear();
        while (pipe && fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        return pipe ? WEXITSTATUS(pclose(pipe)) : -1;
    };
    Chrome().Evaluate(lastTarget_, "document.title = 'Cascade set-style'");
    std::string targets;
    ASSERT_EQ(run("targets", targets), 0);
    const std::size_t line = targets.find("\tCascade set-style\n");
    ASSERT_NE(line, std::string::npos) << targets;
    const std::string index = targets.substr(targets.rfind('\n', line) + 1, line - targets.rfind('\n', line) - 1);
    const std::string id = std::to_string(IdOf("\"target\""));
    std::string output;
    EXPECT_EQ(run("set-style " + index + " " + id + " color 'rgb(1, 2, 3)'", output), 0) << output;
    EXPECT_EQ(Chrome().Evaluate(lastTarget_, "getComputedStyle(document.getElementById('target')).color"),
              "\"rgb(1, 2, 3)\"");
    EXPECT_EQ(run("set-style " + index + " " + id + " color nonsense", output), 1);
    EXPECT_EQ(output.rfind("marklens-cli: Value not accepted", 0), 0u) << output;
}

}  // namespace
}  // namespace marklens::testing

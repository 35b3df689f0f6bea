#include <algorithm>
#include <cstdio>
#include <filesystem>
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

    // What marklens-cli printed on stdout and stderr together, and its exit status.
    static int RunCli(const std::string& arguments, std::string& output) {
        const std::string command =
            std::string(MARKLENS_CLI) + " " + arguments + " --endpoint " + Chrome().Endpoint() + " 2>&1";
        return RunCommand(command, output);
    }
    // The command line's index of this test's page, after giving it the title.
    std::string CliIndex(const std::string& title) {
        Chrome().Evaluate(lastTarget_, "document.title = '" + title + "'");
        std::string targets;
        EXPECT_EQ(RunCli("targets", targets), 0) << targets;
        const std::size_t line = targets.find("\t" + title + "\n");
        EXPECT_NE(line, std::string::npos) << targets;
        if (line == std::string::npos) return "none";
        const std::size_t start = targets.rfind('\n', line) + 1;
        return targets.substr(start, line - start);
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
    const std::string index = CliIndex("Cascade set-style");
    const std::string id = std::to_string(IdOf("\"target\""));
    std::string output;
    EXPECT_EQ(RunCli("set-style " + index + " " + id + " color 'rgb(1, 2, 3)'", output), 0) << output;
    EXPECT_EQ(Chrome().Evaluate(lastTarget_, "getComputedStyle(document.getElementById('target')).color"),
              "\"rgb(1, 2, 3)\"");
    EXPECT_EQ(RunCli("set-style " + index + " " + id + " color nonsense", output), 1);
    EXPECT_EQ(output.rfind("marklens-cli: Value not accepted", 0), 0u) << output;
}

// A node of the mirror's JSON by node-id, looked for without recursion.
Json NodeWithId(const Json& mirror, int id) {
    std::vector<const Json*> pending{&mirror};
    while (!pending.empty()) {
        const Json& node = *pending.back();
        pending.pop_back();
        if (node.value("node-id", 0) == id) return node;
        for (const Json& child : node.at("children"))
            pending.push_back(&child);
    }
    return nullptr;
}

// Every browser command answers --json with one document a JSON parser reads, nothing else on
// either stream; a failure is the error alone. Rows keep their empty fields in text too.
TEST_F(Cascade, CommandLineAnswersInJson) {
    const std::string index = CliIndex("Cascade json");
    const int id = IdOf("\"target\"");
    const std::string element = index + " " + std::to_string(id);
    std::string output;
    ASSERT_EQ(RunCli("targets --json", output), 0) << output;
    const Json targets = Json::parse(output);
    EXPECT_TRUE(std::any_of(targets.begin(), targets.end(), [&](const Json& target) {
        return target == Json{{"index", std::stoi(index)}, {"label", "Cascade json"}};
    })) << output;

    // The page's text includes half an emoji: its JSON still parses.
    ASSERT_EQ(RunCli("mirror " + index + " --json", output), 0) << output.substr(0, 300);
    const Json mirror = Json::parse(output);
    EXPECT_EQ(mirror.at("kind"), "doc");
    const Json target = NodeWithId(mirror, id);
    ASSERT_TRUE(target.is_object()) << output.substr(0, 300);
    EXPECT_EQ(target.at("kind"), "element");
    EXPECT_NE(target.at("text").get<std::string>().find("\"target\""), std::string::npos);
    EXPECT_GT(target.at("width").get<int>(), 0);

    // The inline style's row has an empty selector first, and every field in both forms.
    ASSERT_EQ(RunCli("rules " + element + " --json", output), 0) << output;
    const Json rules = Json::parse(output);
    EXPECT_EQ(rules.size(), Rules(id).size());
    EXPECT_EQ(rules.at(0),
              (Json{{"selector", ""}, {"precedence", "1,0,0,0"}, {"source", "inline"}, {"rule", "padding-left: 4px"}}));
    ASSERT_EQ(RunCli("rules " + element, output), 0) << output;
    EXPECT_EQ(output.substr(0, output.find('\n')), "\t1,0,0,0\tinline\tpadding-left: 4px");
    EXPECT_EQ(std::count(output.begin(), output.end(), '\t'), 3 * std::count(output.begin(), output.end(), '\n'));

    ASSERT_EQ(RunCli("style " + element + " --json", output), 0) << output.substr(0, 300);
    const Json style = Json::parse(output);
    const auto padding =
        std::find_if(style.begin(), style.end(), [](auto& row) { return row["name"] == "padding-left"; });
    ASSERT_NE(padding, style.end()) << output.substr(0, 300);
    EXPECT_EQ(*padding, (Json{{"name", "padding-left"}, {"current", "4px"}, {"default", "0px"}, {"changed", true}}));

    ASSERT_EQ(RunCli("set-style " + element + " color 'rgb(1, 2, 3)' --json", output), 0) << output;
    EXPECT_EQ(Json::parse(output), (Json{{"id", id}, {"name", "color"}, {"value", "rgb(1, 2, 3)"}}));
    EXPECT_EQ(RunCli("set-style " + element + " color nonsense --json", output), 1);
    const Json refused = Json::parse(output);
    EXPECT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused.at("error").get<std::string>().rfind("Value not accepted", 0), 0u) << output;
    EXPECT_EQ(RunCli("rules " + index + " 999999 --json", output), 1);
    EXPECT_EQ(Json::parse(output), (Json{{"error", "no element or document with node id 999999"}}));

    const std::string png = ::testing::TempDir() + "cascade-capture.png";
    ASSERT_EQ(RunCli("capture " + index + " " + png + " --json", output), 0) << output;
    const Json capture = Json::parse(output);
    EXPECT_EQ(capture.at("file"), png);
    EXPECT_GT(capture.at("width").get<int>(), 0);
    EXPECT_EQ(capture.at("scale").get<double>(), 1.0);
    EXPECT_EQ(capture.at("bytes").get<std::uintmax_t>(), std::filesystem::file_size(png));
    std::filesystem::remove(png);
}

}  // namespace
}  // namespace marklens::testing

// What the page changed, as its probe tells it and as marklens-cli watch prints it.
#include <chrono>
#include <cstdio>
#include <future>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "model/mirror/mirrorreading.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

class Watch : public CBrowserSuite {};

// The changes come numbered as the mirror's nodes; a node new since gets a number past them,
// the same one each time; the next take starts afresh; a wait that a change ends marks the
// page; a new document makes the probe new.
TEST_F(Watch, ChangesAreNumberedAsTheLastMirror) {
    const LivePageHandle page = OpenPage("changing.html");
    const PageProbeHandle probe = page->CreateProbe();
    const std::unique_ptr<CPageMirror> mirror = Mirror(*probe, *page);
    const int target = IntAttribute(NodeWithLabel(*mirror, "id=\"target\""), "node-id");
    ASSERT_GT(target, 0);
    const int nodes = static_cast<int>(mirror->Xml().select_nodes("//*[@node-id]").size());
    Chrome().Evaluate(lastTarget_,
                      "document.getElementById('target').setAttribute('data-x', 'one');"
                      "document.getElementById('list').appendChild(document.createElement('li')).id = 'new';"
                      "document.getElementById('counter').firstChild.data = 'two'; 0");
    const CPageChanges changes = probe->TakeChanges();
    ASSERT_EQ(changes.changes.size(), 4u);
    EXPECT_EQ(changes.seen, 4);
    EXPECT_FALSE(changes.lost);
    const CPageChange& attribute = changes.changes[0];
    EXPECT_EQ(attribute.kind, "attribute");
    EXPECT_EQ(attribute.nodeId, target);
    EXPECT_EQ(attribute.label, "<DIV id=\"target\" class=\"off\">");
    EXPECT_EQ(attribute.what, "data-x=\"one\"");
    EXPECT_EQ(changes.changes[1].kind, "added");
    // Labelled as the node is once the page's script is done.
    EXPECT_EQ(changes.changes[1].label, "<LI id=\"new\">");
    EXPECT_GT(changes.changes[1].nodeId, nodes);
    EXPECT_EQ(changes.changes[2].what, "id=\"new\"");
    EXPECT_EQ(changes.changes[2].nodeId, changes.changes[1].nodeId);
    EXPECT_EQ(changes.changes[3].kind, "text");
    EXPECT_EQ(changes.changes[3].what, "two");
    EXPECT_EQ(changes.changes[3].nodeId, IntAttribute(NodeWithLabel(*mirror, "id=\"counter\""), "node-id"));
    EXPECT_FALSE(probe->TakeChanges().Any());

    // A wait that a change ends marks the page: takes give that mark until the next change. A
    // wait that ends by its time, or on a scroll, which may move the viewport, gives none.
    CCancellation never;
    const auto awaitWhile = [&](const std::string& statement) {
        auto change = std::async(std::launch::async, [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            Chrome().Evaluate(lastTarget_, statement);
        });
        const std::optional<std::int64_t> mark = probe->AwaitChange(std::chrono::seconds(10), never, false);
        change.get();
        return mark;
    };
    const std::optional<std::int64_t> mark = awaitWhile("document.body.style.height = '5000px'; 0");
    ASSERT_TRUE(mark);
    EXPECT_EQ(probe->TakeChanges().mark, *mark);
    EXPECT_EQ(probe->TakeChanges().mark, *mark);
    EXPECT_FALSE(probe->AwaitChange(std::chrono::milliseconds(100), never, false));
    EXPECT_FALSE(awaitWhile("scrollBy(0, 300); 0"));
    EXPECT_GT(probe->TakeChanges().mark, *mark);

    Chrome().Evaluate(lastTarget_, "location.reload(); 0");
    bool lost = false;
    for (int tries = 0; tries < 100 && !lost; ++tries) {
        lost = probe->TakeChanges().lost;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(lost);
}

// What a shell command printed on stdout, then its exit status as "status N".
std::string Shell(const std::string& command) {
    std::string output;
    RunCommand("bash -c '" + command + " 2>/dev/null; echo status $?'", output);
    return output;
}

// A page that changes itself on a timer: every kind of change shows, each line with its five
// fields (or one JSON object), and the command ends by itself with status 0.
TEST_F(Watch, CommandLinePrintsEveryKindOfChange) {
    lastTarget_ = Chrome().OpenTab(Pages().Url(0, "changing.html?run"));
    const std::string cli = std::string(MARKLENS_CLI) + " ";
    const std::string endpoint = " --endpoint " + Chrome().Endpoint();
    const std::string targets = Shell(cli + "targets" + endpoint);
    const std::size_t line = targets.find("\tChanging\n");
    ASSERT_NE(line, std::string::npos) << targets;
    const std::size_t from = targets.rfind('\n', line) + 1;
    const std::string index = targets.substr(from, line - from);
    const std::set<std::string> all = {"added", "removed", "attribute", "text", "box"};
    for (const bool json : {false, true}) {
        std::istringstream lines(Shell(cli + "watch " + index + " --for 3" + (json ? " --json" : "") + endpoint));
        std::set<std::string> kinds;
        std::string text;
        std::string last;
        while (std::getline(lines, text)) {
            if (text.rfind("status ", 0) == 0) {
                last = text;
                break;
            }
            if (json) {
                const nlohmann::json change = nlohmann::json::parse(text);
                ASSERT_TRUE(change.at("ms").is_number_integer() && change.at("id").is_number_integer() &&
                            change.at("label").is_string() && change.at("what").is_string())
                    << text;
                kinds.insert(change.at("kind").get<std::string>());
                continue;
            }
            std::vector<std::string> fields;
            std::istringstream cells(text);
            for (std::string cell; std::getline(cells, cell, '\t');)
                fields.push_back(cell);
            if (text.back() == '\t') fields.emplace_back();
            ASSERT_EQ(fields.size(), 5u) << text;
            ASSERT_EQ(fields[0].find_first_not_of("0123456789"), std::string::npos) << text;
            ASSERT_EQ(fields[2].find_first_not_of("0123456789"), std::string::npos) << text;
            ASSERT_FALSE(fields[2].empty()) << text;
            kinds.insert(fields[1]);
        }
        EXPECT_EQ(last, "status 0");
        EXPECT_EQ(kinds, all) << (json ? "--json" : "text");
    }
}

}  // namespace
}  // namespace marklens::testing

// A selection change that fills both style panes, on an element that 50 rules match in a
// 10,000-element page of a real headless browser, the answers coming back through the event
// loop from the page connection's thread; beside it, in the same run and on a connection of
// its own, the rules answer alone and one bare protocol round trip.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include <QApplication>
#include <QTest>

#include "bench/panes/qbenchmain.h"
#include "browser/chromiumpage.h"
#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "model/document/pagewrightdoc.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/pagemirror.h"
#include "model/style/styleanswers.h"
#include "panes/attributelist.h"
#include "panes/stylelist.h"
#include "tests/support/documentfakes.h"
#include "tests/support/eventloopposting.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/pageserver.h"

namespace marklens::bench {
namespace {

constexpr int kElements = 10000;

struct CStylePage {
    CStylePage() : server(testing::FixturePagesDir()) {
        const std::string target = chrome.OpenTab(server.Url(0, "manyrules.html?n=" + std::to_string(kElements)));
        CBrowserOptions options;
        options.timeout = std::chrono::seconds(60);
        CChromiumTab tab(*CDevToolsEndpoint::Parse(chrome.Endpoint()), target, "", options);
        test::PostThroughEventLoop(ui);
        bool attached = false;
        doc.AttachPage(tab.Document(), "rules", [&](const CWorkOutcome& outcome) { attached = outcome.IsDone(); });
        if (!QTest::qWaitFor([&] { return attached; }, 60000)) throw std::runtime_error("the page did not attach");
        for (const pugi::xpath_node& hit : doc.Mirror()->Xml().select_nodes("//element")) {
            if (std::string(hit.node().attribute("text").value()).find("\"target\"") != std::string::npos) {
                targetId = IntAttribute(hit.node(), "node-id");
            }
        }
        page = tab.Document();
        probe = page->CreateProbe();
        probe->RequestMirrorAnswer(*page);  // the same walk: the same identifiers
    }
    bool Filled() const { return rules.topLevelItemCount() >= 50 && !attributes.topLevelItem(0)->text(1).isEmpty(); }
    testing::CPageServer server;
    testing::CHeadlessChromium chrome;
    test::CRecordingUi ui;
    CPagewrightDoc doc{ui, nullptr};
    CAttributeList attributes{doc};
    CStyleList rules{doc};
    LivePageHandle page;  // the connection of the bare answers
    PageProbeHandle probe;
    int targetId = 0;
};

CStylePage& Page() { return KeptUntilQuit<CStylePage>(); }

void BM_SelectionFillsBothStylePanes(benchmark::State& state) {
    CStylePage& bench = Page();
    for (auto _ : state) {
        bench.doc.SetSelection(bench.targetId, nullptr);
        if (!QTest::qWaitFor([&] { return bench.Filled(); }, 10000)) state.SkipWithError("the panes are not filled");
    }
    state.counters["rules"] = bench.rules.topLevelItemCount();
    state.counters["attributes"] = bench.attributes.topLevelItemCount();
}

void BM_RulesAnswerAlone(benchmark::State& state) {
    CStylePage& bench = Page();
    const LiveElementHandle element = bench.probe->ElementForId(std::to_string(bench.targetId));
    for (auto _ : state)
        benchmark::DoNotOptimize(AskStyles(*bench.probe, *element, {std::nullopt, true}));
}

void BM_ProtocolRoundTrip(benchmark::State& state) {
    const auto& session = static_cast<CChromiumPage&>(*Page().page).Session();
    for (auto _ : state)
        benchmark::DoNotOptimize(session->Call("Runtime.evaluate", {{"expression", "1"}}));
}

BENCHMARK(BM_SelectionFillsBothStylePanes)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(10);
BENCHMARK(BM_RulesAnswerAlone)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(10);
BENCHMARK(BM_ProtocolRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(50)->Repetitions(10);

}  // namespace
}  // namespace marklens::bench

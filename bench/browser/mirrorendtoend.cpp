// The mirror of a 100,000-element page, end to end (request, transfer, load, outside-children
// pass), against DOMSnapshot.captureSnapshot with the three styles the mirror carries, on the
// same page in the same browser. The ratio ours/theirs is reported as a counter.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "browser/chromiumpage.h"
#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/pageserver.h"
#include "model/mirrorrebuild.h"
#include "model/pagemirror.h"

namespace marklens {
namespace {

constexpr int kElements = 100000;

// One browser with the large page for the whole run.
struct CBenchPage {
    CBenchPage() : server(testing::FixturePagesDir()) {
        const std::string target = chrome.OpenTab(server.Url(0, "wide.html?n=" + std::to_string(kElements)));
        CBrowserOptions options;
        options.timeout = std::chrono::seconds(120);
        CChromiumTab tab(*CDevToolsEndpoint::Parse(chrome.Endpoint()), target, "", options);
        page = tab.Document();
        probe = page->CreateProbe();
    }
    testing::CPageServer server;
    testing::CHeadlessChromium chrome;
    LivePageHandle page;
    PageProbeHandle probe;
    double oursSeconds = 0;
    double theirsSeconds = 0;
};

CBenchPage& Page() {
    static CBenchPage page;
    return page;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_MarklensMirror(benchmark::State& state) {
    CBenchPage& bench = Page();
    std::unique_ptr<CPageMirror> mirror;
    std::size_t nodes = 0;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        RebuildMirror(*bench.probe, *bench.page, mirror);
        total += Seconds(std::chrono::steady_clock::now() - start);
        nodes = mirror->Xml().select_nodes("//element").size();
    }
    bench.oursSeconds = total / static_cast<double>(state.iterations());
    state.counters["elements"] = static_cast<double>(nodes);
}

void BM_BrowserDomSnapshot(benchmark::State& state) {
    CBenchPage& bench = Page();
    const auto& session = static_cast<CChromiumPage&>(*bench.page).Session();
    std::size_t nodes = 0;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const nlohmann::json snapshot = session->Call(
            "DOMSnapshot.captureSnapshot", {{"computedStyles", {"display", "visibility", "z-index"}}});
        total += Seconds(std::chrono::steady_clock::now() - start);
        nodes = snapshot.at("documents").at(0).at("nodes").at("nodeType").size();
    }
    bench.theirsSeconds = total / static_cast<double>(state.iterations());
    state.counters["nodes"] = static_cast<double>(nodes);
    if (bench.theirsSeconds > 0 && bench.oursSeconds > 0) {
        state.counters["ours_over_theirs"] = bench.oursSeconds / bench.theirsSeconds;
    }
}

BENCHMARK(BM_MarklensMirror)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BrowserDomSnapshot)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace marklens

BENCHMARK_MAIN();

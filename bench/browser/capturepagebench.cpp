// Taking the page's picture as the program does (bring the tab to the front, screenshot,
// decode into the picture) against the protocol's screenshot call alone, on the same page in
// the same browser, at two viewport sizes. Both report the ratio ours/bare of their medians.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "browser/chromiumpage.h"
#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/pageserver.h"

namespace marklens {
namespace {

// A small real page, a few thousand lines of text, in a viewport of the size asked.
struct CBenchPage {
    CBenchPage(int width, int height) : server(testing::FixturePagesDir()) {
        const std::string target = chrome.OpenTab(server.Url(0, "wide.html?n=3000"));
        CChromiumTab tab(*CDevToolsEndpoint::Parse(chrome.Endpoint()), target, "", CBrowserOptions{});
        page = tab.Document();
        static_cast<CChromiumPage&>(*page).Session()->Call(
            "Emulation.setDeviceMetricsOverride",
            {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}});
    }
    testing::CPageServer server;
    testing::CHeadlessChromium chrome;
    LivePageHandle page;
};

CBenchPage& Page(int width, int height) {
    static std::map<std::pair<int, int>, std::unique_ptr<CBenchPage>> pages;
    auto& page = pages[{width, height}];
    if (!page) page = std::make_unique<CBenchPage>(width, height);
    return *page;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The browser's own pace varies a lot on a busy machine, so the two ways run in turns, each
// iteration one of each, and each benchmark reports its own half; the ratio of the medians
// comes from the same turns.
template <typename Ours, typename Bare>
void RunInTurns(benchmark::State& state, bool timeOurs, Ours ours, Bare bare) {
    std::vector<double> oursSeconds, bareSeconds;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        ours();
        oursSeconds.push_back(Seconds(std::chrono::steady_clock::now() - start));
        start = std::chrono::steady_clock::now();
        bare();
        bareSeconds.push_back(Seconds(std::chrono::steady_clock::now() - start));
        state.SetIterationTime(timeOurs ? oursSeconds.back() : bareSeconds.back());
    }
    state.counters["median_ms"] = Median(timeOurs ? oursSeconds : bareSeconds) * 1000;
    state.counters["ours_over_bare"] = Median(oursSeconds) / Median(bareSeconds);
}

void Measure(benchmark::State& state, bool timeOurs) {
    CBenchPage& bench = Page(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const auto& session = static_cast<CChromiumPage&>(*bench.page).Session();
    CPicture picture;
    std::size_t bytes = 0;
    RunInTurns(
        state, timeOurs, [&] { picture = bench.page->CapturePicture(); },
        [&] { bytes = session->Call("Page.captureScreenshot").at("data").get_ref<const std::string&>().size(); });
    state.counters["width"] = picture.width;
    state.counters["height"] = picture.height;
    state.counters["scale"] = picture.scale;
    state.counters["bare_base64_bytes"] = static_cast<double>(bytes);
}

void BM_CaptureBrowserPicture(benchmark::State& state) { Measure(state, true); }
void BM_BareScreenshot(benchmark::State& state) { Measure(state, false); }

BENCHMARK(BM_CaptureBrowserPicture)->Args({1280, 757})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_BareScreenshot)->Args({1280, 757})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_CaptureBrowserPicture)->Args({1920, 1080})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_BareScreenshot)->Args({1920, 1080})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
}  // namespace marklens

BENCHMARK_MAIN();

// Attaching to a generated product listing of 10,000, 100,000 and 1,000,000 elements: the
// mirror end to end (probe walk, transfer, mirror built with outside-children and both
// indexes) against DOMSnapshot.captureSnapshot with the three styles the mirror carries, and
// with the browser's paint order as well, on the same page in the same browser. Each side
// runs once untimed first, so both are timed on a page the browser has fully prepared and
// with warm code; that first run is reported as first_ms, and the mirror's resident memory is
// measured on it. The timed runs rebuild the mirror as a Refresh does. The ratio ours/theirs
// is reported as a counter.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "base/largepages.h"
#include "browser/chromiumpage.h"
#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "model/mirror/mirrorrebuild.h"
#include "model/mirror/pagemirror.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/pageserver.h"

namespace marklens {
namespace {

constexpr int kElementsPerCard = 20;

// A shop's listing: header with navigation and search, a filter column, then cards with an
// image, a positioned badge on every third, title, price, tags, a small spec table, a button
// and a folded (display:none) details part. About `elements` elements in all.
std::string ListingPage(int elements) {
    std::string page =
        "<!DOCTYPE html><html><head><title>Listing</title><style>"
        "body{margin:0;font:14px sans-serif}header{position:sticky;top:0;z-index:5;background:#fff;height:60px}"
        "nav a{margin:0 8px}.filters{float:left;width:200px}.grid{margin-left:210px;display:grid;"
        "grid-template-columns:repeat(4,1fr);gap:8px}.card{position:relative;border:1px solid #ddd;padding:6px;"
        "overflow:hidden}.img{height:80px;background:#eee}.badge{position:absolute;top:4px;right:4px;z-index:1;"
        "background:#c00;color:#fff}.tags li{display:inline;margin-right:4px}.more{display:none}"
        "</style></head><body><header><span class=logo>Shop</span><nav><a href=#>Home</a><a href=#>Deals</a>"
        "<a href=#>Help</a></nav><form><input name=q><button>Search</button></form></header>"
        "<aside class=filters><h2>Filters</h2><ul>";
    for (int i = 0; i < 20; ++i)
        page += "<li><label><input type=checkbox> Brand " + std::to_string(i) + "</label></li>";
    page += "</ul></aside><main class=grid>";
    for (int card = 0; card * kElementsPerCard < elements; ++card) {
        const std::string n = std::to_string(card);
        page += "<div class=card id=c" + n + "><div class=img></div>";
        page += card % 3 == 0 ? "<span class=badge>Sale</span>" : "<span class=label>New</span>";
        page += "<h3><a href=#" + n + ">Product " + n + "</a></h3><p class=price>" + n +
                ".99</p><ul class=tags><li>red</li><li>cotton</li><li>M</li></ul>"
                "<table class=specs><tr><td>Weight</td><td>1 kg</td></tr><tr><td>Size</td><td>M</td></tr></table>"
                "<button>Add</button><div class=more><span>Details</span></div></div>";
    }
    return page + "</main></body></html>";
}

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// One browser and page server for the whole run; each size's page opened once.
class CAttachBench {
public:
    CAttachBench() : folder_(std::filesystem::temp_directory_path() / ("marklens-attach-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder_);
        server_ = std::make_unique<testing::CPageServer>(folder_.string());
    }
    ~CAttachBench() {
        pages_.clear();
        chrome_.reset();
        server_.reset();
        std::filesystem::remove_all(folder_);
    }

    struct CPage {
        LivePageHandle page;
        PageProbeHandle probe;
    };

    CPage& Page(int elements) {
        auto found = pages_.find(elements);
        if (found != pages_.end()) return found->second;
        const std::string name = "listing-" + std::to_string(elements) + ".html";
        std::ofstream(folder_ / name) << ListingPage(elements);
        const std::string target = chrome_->OpenTab(server_->Url(0, name), std::chrono::minutes(10));
        CBrowserOptions options;
        options.timeout = std::chrono::seconds(600);
        CChromiumTab tab(*CDevToolsEndpoint::Parse(chrome_->Endpoint()), target, "", options);
        CPage page;
        page.page = tab.Document();
        page.probe = page.page->CreateProbe();
        return pages_.emplace(elements, std::move(page)).first->second;
    }

    std::map<int, double> oursSeconds;

private:
    std::filesystem::path folder_;
    std::unique_ptr<testing::CPageServer> server_;
    std::unique_ptr<testing::CHeadlessChromium> chrome_ = std::make_unique<testing::CHeadlessChromium>();
    std::map<int, CPage> pages_;
};

CAttachBench& Bench() {
    static CAttachBench bench;
    return bench;
}

void BM_MirrorEndToEnd(benchmark::State& state) {
    const int elements = static_cast<int>(state.range(0));
    try {
        CAttachBench::CPage& page = Bench().Page(elements);
        std::unique_ptr<CPageMirror> mirror;
        malloc_trim(0);
        const long before = ResidentBytes();
        const auto first = std::chrono::steady_clock::now();
        RebuildMirror(*page.probe, *page.page, mirror);
        state.counters["first_ms"] = Seconds(std::chrono::steady_clock::now() - first) * 1000;
        state.counters["mirror_rss_MB"] = static_cast<double>(ResidentBytes() - before) / (1 << 20);
        // As a Refresh does: the old mirror goes once the new records are in.
        double total = 0;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            RebuildMirror(*page.probe, *page.page, mirror);
            total += Seconds(std::chrono::steady_clock::now() - start);
        }
        Bench().oursSeconds[elements] = total / static_cast<double>(state.iterations());
        state.counters["mirror_nodes"] = static_cast<double>(mirror->Xml().select_nodes("//*").size());
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

void Snapshot(benchmark::State& state, bool paintOrder) {
    const int elements = static_cast<int>(state.range(0));
    try {
        CAttachBench::CPage& page = Bench().Page(elements);
        const auto& session = static_cast<CChromiumPage&>(*page.page).Session();
        nlohmann::json parameters = {{"computedStyles", {"display", "visibility", "z-index"}}};
        if (paintOrder) parameters["includePaintOrder"] = true;
        std::size_t nodes = 0;
        const auto first = std::chrono::steady_clock::now();
        session->Call("DOMSnapshot.captureSnapshot", parameters);
        state.counters["first_ms"] = Seconds(std::chrono::steady_clock::now() - first) * 1000;
        double total = 0;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            const nlohmann::json snapshot = session->Call("DOMSnapshot.captureSnapshot", parameters);
            total += Seconds(std::chrono::steady_clock::now() - start);
            nodes = snapshot.at("documents").at(0).at("nodes").at("nodeType").size();
        }
        const double theirs = total / static_cast<double>(state.iterations());
        state.counters["snapshot_nodes"] = static_cast<double>(nodes);
        const auto ours = Bench().oursSeconds.find(elements);
        if (ours != Bench().oursSeconds.end() && theirs > 0) state.counters["ours_over_theirs"] = ours->second / theirs;
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

void BM_DomSnapshot(benchmark::State& state) { Snapshot(state, false); }
void BM_DomSnapshotPaintOrder(benchmark::State& state) { Snapshot(state, true); }

BENCHMARK(BM_MirrorEndToEnd)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DomSnapshot)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DomSnapshotPaintOrder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace marklens

// Allocates as marklens-cli does.
int main(int argc, char** argv) {
    marklens::UseLargeMemoryPages(argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

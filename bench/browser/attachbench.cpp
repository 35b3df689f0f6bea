// Attaching to a generated product listing against the browser's own DOM snapshot of the same
// page in the same run. The anchor is DOMSnapshot.captureSnapshot with the three styles the
// mirror carries, timed to the arrival of its whole answer as a client that parses nothing
// would see it (and, beside it, with our own parse). Against it: the attach as a user pays it
// on a tab where Marklens never attached (a new connection and probe, the walk in slices, the
// mirror built, the picture taken), marklens-cli mirror as a process writing to a file, and
// the rebuild that a Refresh does. Each time is the median of three runs after an untimed one
// (fresh tabs have no untimed run: they are fresh); ratios to the anchor are counters.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "base/largepages.h"
#include "base/mallocarena.h"
#include "browser/chromiumpage.h"
#include "browser/chromiumshell.h"
#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "model/mirror/mirrorrebuild.h"
#include "model/mirror/pagemirror.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/listingpage.h"

namespace marklens {
namespace {

using Clock = std::chrono::steady_clock;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Three timed runs of the work after one untimed one; the median in seconds.
template <typename Work>
double MedianOfThree(Work work) {
    work();
    std::vector<double> times;
    for (int run = 0; run < 3; ++run) {
        const auto start = Clock::now();
        work();
        times.push_back(Seconds(Clock::now() - start));
    }
    return Median(times);
}

// One browser and the listing pages for the whole run.
class CAttachBench {
public:
    struct CPage {
        std::string target;
        LivePageHandle page;
        PageProbeHandle probe;
    };

    // A tab of its own with the listing loaded; the time to load it is not measured.
    std::string FreshTab(int elements, bool components = false) {
        return chrome_.OpenTab(pages_.Url(elements, components), std::chrono::minutes(10));
    }
    void CloseTab(const std::string& target) { chrome_.CloseTab(target); }

    // The tab each size keeps for the runs that may repeat on one tab.
    CPage& Page(int elements) {
        auto found = pagesBySize_.find(elements);
        if (found != pagesBySize_.end()) return found->second;
        CPage page;
        page.target = FreshTab(elements);
        // The snapshot of a large page takes longer than a call of ours may.
        CBrowserOptions patient = Options();
        patient.timeout = std::chrono::minutes(10);
        page.page = CChromiumTab(*CDevToolsEndpoint::Parse(chrome_.Endpoint()), page.target, "", patient).Document();
        page.probe = page.page->CreateProbe();
        return pagesBySize_.emplace(elements, std::move(page)).first->second;
    }

    // A tab as the program reaches it, with the default time-out.
    CChromiumTab Tab(const std::string& target) const {
        return CChromiumTab(*CDevToolsEndpoint::Parse(chrome_.Endpoint()), target, "", Options());
    }
    CBrowserOptions Options() const {
        CBrowserOptions options;
        options.endpoints = {chrome_.Endpoint()};
        return options;
    }
    std::string Endpoint() const { return chrome_.Endpoint(); }

    std::map<int, double> anchorSeconds;

private:
    testing::CListingPages pages_;
    testing::CHeadlessChromium chrome_;
    std::map<int, CPage> pagesBySize_;
};

CAttachBench& Bench() {
    static CAttachBench bench;
    return bench;
}

void ReportAgainstAnchor(benchmark::State& state, int elements, double seconds) {
    state.SetIterationTime(seconds);
    state.counters["ms"] = seconds * 1000;
    const auto anchor = Bench().anchorSeconds.find(elements);
    if (anchor != Bench().anchorSeconds.end()) state.counters["over_anchor"] = seconds / anchor->second;
}

void BM_DomSnapshotAnchor(benchmark::State& state) {
    const int elements = static_cast<int>(state.range(0));
    try {
        const auto& session = static_cast<CChromiumPage&>(*Bench().Page(elements).page).Session();
        const nlohmann::json parameters = {{"computedStyles", {"display", "visibility", "z-index"}}};
        for (auto _ : state) {
            std::size_t bytes = 0;
            const double arrived =
                MedianOfThree([&] { bytes = session->CallForRawSize("DOMSnapshot.captureSnapshot", parameters); });
            const double parsed = MedianOfThree([&] { session->Call("DOMSnapshot.captureSnapshot", parameters); });
            Bench().anchorSeconds[elements] = arrived;
            state.SetIterationTime(arrived);
            state.counters["answer_MB"] = static_cast<double>(bytes) / (1 << 20);
            state.counters["parsed_ms"] = parsed * 1000;
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

// What the attach does on the page connection's thread, on tabs where Marklens never attached:
// three of them at 100,000 elements, one at 1,000,000. With components: the listing with 1,000
// shadow hosts and 5,000 generated boxes.
void AttachFreshTabs(benchmark::State& state, bool components) {
    const int elements = static_cast<int>(state.range(0));
    const int tabs = elements >= 1000000 ? 1 : 3;
    try {
        for (auto _ : state) {
            std::vector<double> times;
            double mirrorBytes = 0;
            for (int tab = 0; tab < tabs; ++tab) {
                const std::string target = Bench().FreshTab(elements, components);
                std::unique_ptr<CPageMirror> mirror;
                malloc_trim(0);
                const long before = ResidentBytes();
                const auto start = Clock::now();
                const LivePageHandle page = Bench().Tab(target).Document();
                const PageProbeHandle probe = page->CreateProbe();
                const auto t1 = Clock::now();
                const CMirrorAnswer answer = probe->RequestMirrorAnswer(*page);
                const auto t2 = Clock::now();
                mirror = BuildMirror(answer);
                const auto t3 = Clock::now();
                const CPicture picture = page->CapturePicture();
                state.counters["open_ms"] = Seconds(t1 - start) * 1000;
                state.counters["walk_ms"] = Seconds(t2 - t1) * 1000;
                state.counters["build_ms"] = Seconds(t3 - t2) * 1000;
                state.counters["capture_ms"] = Seconds(Clock::now() - t3) * 1000;
                times.push_back(Seconds(Clock::now() - start));
                mirrorBytes = static_cast<double>(ResidentBytes() - before);
                if (components) {
                    state.counters["shadow_roots"] =
                        static_cast<double>(mirror->Xml().select_nodes("//shadow-root").size());
                    state.counters["generated"] =
                        static_cast<double>(mirror->Xml().select_nodes("//*[@pseudo]").size());
                }
                benchmark::DoNotOptimize(picture.width);
                Bench().CloseTab(target);
            }
            ReportAgainstAnchor(state, elements, Median(times));
            state.counters["mirror_rss_MB"] = mirrorBytes / (1 << 20);
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

void BM_AttachFreshTab(benchmark::State& state) { AttachFreshTabs(state, false); }
void BM_AttachComponents(benchmark::State& state) { AttachFreshTabs(state, true); }

// marklens-cli mirror as a script runs it, its output going to a file.
void BM_CliMirror(benchmark::State& state) {
    const int elements = static_cast<int>(state.range(0));
    try {
        const std::string target = Bench().Page(elements).target;
        CChromiumShell shell(Bench().Options());
        int index = 0;
        for (const BrowserWindowHandle& browser : shell.EnumerateBrowsers()) {
            if (static_cast<const CChromiumTab&>(*browser).TargetId() == target) break;
            ++index;
        }
        const std::string output = "/tmp/marklens-bench-mirror-" + std::to_string(getpid()) + ".xml";
        const std::string command = std::string(MARKLENS_CLI) + " mirror " + std::to_string(index) + " --endpoint " +
                                    Bench().Endpoint() + " > " + output;
        for (auto _ : state) {
            int failed = 0;
            const double seconds = MedianOfThree([&] { failed |= std::system(command.c_str()); });
            if (failed) state.SkipWithError("marklens-cli mirror failed");
            ReportAgainstAnchor(state, elements, seconds);
        }
        std::remove(output.c_str());
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

// The rebuild a Refresh does: the walk again on a tab whose probe is warm.
void BM_RefreshRebuild(benchmark::State& state) {
    const int elements = static_cast<int>(state.range(0));
    try {
        CAttachBench::CPage& page = Bench().Page(elements);
        for (auto _ : state) {
            std::unique_ptr<CPageMirror> mirror;
            const double seconds = MedianOfThree([&] { RebuildMirror(*page.probe, *page.page, mirror); });
            ReportAgainstAnchor(state, elements, seconds);
            state.counters["mirror_nodes"] = static_cast<double>(mirror->Xml().select_nodes("//*").size());
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

BENCHMARK(BM_DomSnapshotAnchor)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_AttachFreshTab)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AttachComponents)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CliMirror)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RefreshRebuild)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace marklens

// Allocates as marklens-cli does.
int main(int argc, char** argv) {
    marklens::UseLargeMemoryPages(argv);
    marklens::ShareOneMallocArena();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

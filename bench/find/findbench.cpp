// Find Next on a 100,000-node page mirror: one full turn of the tree without a match (with
// and without match case, so the cost of folding shows), and a match 10 nodes after the start.
#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "model/find/findsettings.h"
#include "model/find/mirrorfind.h"
#include "model/mirror/pagemirror.h"
#include "tests/support/syntheticmirror.h"

namespace {

using marklens::CFindOutcome;
using marklens::CFindSettings;
using marklens::CPageMirror;

constexpr int kNodes = 100000;
constexpr int kStart = 5000;
constexpr int kNear = kStart + 10;  // identifiers run in document order

// The page mirror with one label, 10 nodes after the start, that holds a word no other has.
const CPageMirror& Mirror() {
    static const std::unique_ptr<CPageMirror> mirror = [] {
        marklens::testing::CSyntheticMirrorShape shape;
        shape.nodes = kNodes;
        std::string text = marklens::testing::MakePageMirror(shape);
        const std::string near = "node-id=\"" + std::to_string(kNear) + "\" text=\"";
        const std::size_t at = text.find(near);
        if (at == std::string::npos) throw std::runtime_error("the mirror is too small");
        text.insert(at + near.size(), "Needle ");
        auto made = std::make_unique<CPageMirror>();
        if (!made->LoadXml(text)) throw std::runtime_error(made->LoadError());
        made->MarkOutsideChildren();
        return made;
    }();
    return *mirror;
}

void Run(benchmark::State& state, const CFindSettings& settings, CFindOutcome::Kind expected, int expectedId) {
    const CPageMirror& mirror = Mirror();
    const CFindOutcome check = FindNextInMirror(&mirror, kStart, settings);
    if (check.kind != expected || check.nodeId != expectedId || check.wrapped) {
        state.SkipWithError("the search did not end where it should");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(FindNextInMirror(&mirror, kStart, settings));
}

void BM_FindNextNoMatch(benchmark::State& state) {
    const CFindSettings settings{"no label holds this", false, false};
    const CPageMirror& mirror = Mirror();
    const CFindOutcome check = FindNextInMirror(&mirror, kStart, settings);
    if (check.kind != CFindOutcome::Kind::NotFound || !check.wrapped) {
        state.SkipWithError("expected one full turn without a match");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(FindNextInMirror(&mirror, kStart, settings));
    state.counters["nodes"] = kNodes;
}

void BM_FindNextNoMatchMatchCase(benchmark::State& state) {
    const CFindSettings settings{"no label holds this", true, false};
    for (auto _ : state)
        benchmark::DoNotOptimize(FindNextInMirror(&Mirror(), kStart, settings));
}

void BM_FindNextNear(benchmark::State& state) {
    Run(state, CFindSettings{"NEEDLE", false, false}, CFindOutcome::Kind::Found, kNear);
}

void BM_FindNextNearMatchCase(benchmark::State& state) {
    Run(state, CFindSettings{"Needle", true, false}, CFindOutcome::Kind::Found, kNear);
}

}  // namespace

BENCHMARK(BM_FindNextNoMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNextNoMatchMatchCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNextNear)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindNextNearMatchCase)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

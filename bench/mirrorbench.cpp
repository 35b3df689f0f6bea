// Mirror loading, hit testing and look-up by identifier on page-shaped mirrors, with the
// literal walks over the XML measured beside the indexed ones in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "model/mirror/outsidechildren.h"
#include "model/mirror/pagemirror.h"
#include "tests/support/syntheticmirror.h"

namespace {

using marklens::CBox;
using marklens::CPageMirror;

const std::string& MirrorText(int nodes) {
    static std::map<int, std::string> texts;
    auto found = texts.find(nodes);
    if (found == texts.end()) {
        marklens::testing::CSyntheticMirrorShape shape;
        shape.nodes = nodes;
        found = texts.emplace(nodes, marklens::testing::MakePageMirror(shape)).first;
    }
    return found->second;
}

const CPageMirror& MarkedMirror(int nodes) {
    static std::map<int, std::unique_ptr<CPageMirror>> mirrors;
    auto& mirror = mirrors[nodes];
    if (!mirror) {
        mirror = std::make_unique<CPageMirror>();
        mirror->LoadXml(MirrorText(nodes));
        mirror->MarkOutsideChildren();
    }
    return *mirror;
}

std::vector<std::pair<int, int>> PicturePoints() {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> x(0, 1279), y(0, 899);
    std::vector<std::pair<int, int>> points(4096);
    for (auto& point : points) point = {x(random), y(random)};
    return points;
}

void BM_LoadAndMark(benchmark::State& state) {
    const std::string& text = MirrorText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CPageMirror mirror;
        benchmark::DoNotOptimize(mirror.LoadXml(text));
        marklens::MarkOutsideChildren(mirror.DocumentElement());
        benchmark::ClobberMemory();
    }
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

void BM_BuildIndexes(benchmark::State& state) {
    const std::string& text = MirrorText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        CPageMirror mirror;
        mirror.LoadXml(text);
        marklens::MarkOutsideChildren(mirror.DocumentElement());
        state.ResumeTiming();
        mirror.MarkOutsideChildren();  // the pass again, then both indexes
        benchmark::ClobberMemory();
    }
}

template <bool Literal>
int HitOnce(const CPageMirror& mirror, int x, int y) {
    CBox box;
    return Literal ? marklens::HitTestLiteral(mirror.DocumentElement(), x, y, &box) : mirror.HitTest(x, y, &box);
}

// The median over single hit tests at the points, timed one by one.
template <bool Literal>
double MedianMicroseconds(const CPageMirror& mirror, const std::vector<std::pair<int, int>>& points) {
    std::vector<double> times;
    for (std::size_t i = 0; i < points.size(); i += Literal ? 16 : 1) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(HitOnce<Literal>(mirror, points[i].first, points[i].second));
        times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

template <bool Literal>
void BM_HitTest(benchmark::State& state) {
    const CPageMirror& mirror = MarkedMirror(static_cast<int>(state.range(0)));
    const auto points = PicturePoints();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto [x, y] = points[i++ % points.size()];
        benchmark::DoNotOptimize(HitOnce<Literal>(mirror, x, y));
    }
    state.counters["median_us"] = MedianMicroseconds<Literal>(mirror, points);
}

template <bool Literal>
void BM_FindNodeById(benchmark::State& state) {
    const int nodes = static_cast<int>(state.range(0));
    const CPageMirror& mirror = MarkedMirror(nodes);
    std::mt19937 random(3);
    std::uniform_int_distribution<int> id(1, nodes);
    for (auto _ : state) {
        const int wanted = id(random);
        benchmark::DoNotOptimize(Literal ? marklens::FindNodeByIdXPath(mirror.Xml(), wanted)
                                         : mirror.FindNodeById(wanted));
    }
}

}  // namespace

BENCHMARK(BM_LoadAndMark)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildIndexes)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HitTest<false>)->Name("BM_HitTest/indexed")->Arg(10000)->Arg(100000)->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HitTest<true>)->Name("BM_HitTest/literal")->Arg(10000)->Arg(100000)->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindNodeById<false>)->Name("BM_FindNodeById/indexed")->Arg(10000)->Arg(100000)->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindNodeById<true>)->Name("BM_FindNodeById/xpath")->Arg(10000)->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

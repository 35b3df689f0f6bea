#include "qbenchmain.h"

#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>

namespace marklens::bench {

namespace {

std::vector<std::function<void()>>& Leftovers() {
    static std::vector<std::function<void()>> work;
    return work;
}

}  // namespace

void BeforeQuit(std::function<void()> work) { Leftovers().push_back(std::move(work)); }

}  // namespace marklens::bench

// Benchmarks of real widgets on the offscreen platform.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& work : marklens::bench::Leftovers())
        work();
    return 0;
}

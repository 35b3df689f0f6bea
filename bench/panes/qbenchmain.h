#pragma once
#include <functional>
#include <memory>

namespace marklens::bench {

// Runs the work once the benchmarks are done, while the QApplication still lives: for what a
// benchmark keeps across its runs (windows, browsers it started).
void BeforeQuit(std::function<void()> work);

// One T made on first use and kept across the benchmarks' runs, gone before the application.
template <class T>
T& KeptUntilQuit() {
    static std::unique_ptr<T> kept;
    if (!kept) {
        kept = std::make_unique<T>();
        BeforeQuit([] { kept.reset(); });
    }
    return *kept;
}

}  // namespace marklens::bench

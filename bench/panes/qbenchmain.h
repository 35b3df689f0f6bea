#pragma once
#include <functional>

namespace marklens::bench {

// Runs the work once the benchmarks are done, while the QApplication still lives: for what a
// benchmark keeps across its runs (windows, browsers it started).
void BeforeQuit(std::function<void()> work);

}  // namespace marklens::bench

// The window stays alive while a large page attaches: the real main window (offscreen) attaches
// the generated listing through the Connect dialog, as a user does, while a 16 ms timer on the
// user interface's thread records the gaps between its ticks. A stall is how much later than
// due a tick came (gap - 16 ms). The page is loaded once, outside the timing; each repetition
// is one attach.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/connectdialog.h"
#include "app/frameui.h"
#include "app/mainframe.h"
#include "bench/panes/qbenchmain.h"
#include "browser/chromiumshell.h"
#include "model/document/pagewrightdoc.h"
#include "model/mirror/pagemirror.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/listingpage.h"

namespace marklens::bench {
namespace {

constexpr int kTickMs = 16;

struct CWindow {
    CWindow() {
        CBrowserOptions options;
        options.endpoints = {chrome.Endpoint()};
        doc = std::make_unique<CPagewrightDoc>(ui, std::make_shared<CChromiumShell>(options));
        frame = std::make_unique<CMainFrame>(*doc);
        ui.SetFrame(frame.get());
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame.get())) throw std::runtime_error("the window was never shown");
    }
    ~CWindow() {
        frame.reset();
        doc.reset();
    }

    testing::CListingPages pages;
    testing::CHeadlessChromium chrome;
    CFrameUi ui;
    std::unique_ptr<CPagewrightDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};

CWindow& Window() { return KeptUntilQuit<CWindow>(); }

// The ordinary Connect path: the dialog lists the pages, the listing is chosen, Connect; the
// dialog stays open until the page is attached.
bool ConnectThroughTheDialog(CWindow& window) {
    CConnectDialog dialog(*window.doc, window.frame.get());
    dialog.show();
    if (!QTest::qWaitFor([&] { return !dialog.IsWaiting(); }, 30000)) return false;
    const QList<QListWidgetItem*> found = dialog.BrowserList()->findItems("Listing", Qt::MatchExactly);
    if (found.isEmpty()) return false;
    dialog.BrowserList()->setCurrentItem(found.front());
    QTest::mouseClick(dialog.ConnectButton(), Qt::LeftButton);
    return QTest::qWaitFor([&] { return !dialog.isVisible(); }, 600000) && dialog.result() == QDialog::Accepted;
}

void BM_UiStallDuringAttach(benchmark::State& state) {
    CWindow& window = Window();
    const int elements = static_cast<int>(state.range(0));
    static int loaded = 0;
    if (loaded != elements) {
        window.chrome.OpenTab(window.pages.Url(elements), std::chrono::minutes(10));
        loaded = elements;
    }
    for (auto _ : state) {
        std::vector<double> stalls;
        QElapsedTimer clock;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        qint64 last = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            if (last != 0) stalls.push_back(std::max(0.0, (now - last) / 1e6 - kTickMs));
            last = now;
        });
        clock.start();
        ticker.start(kTickMs);
        const bool attached = ConnectThroughTheDialog(window);
        const double attachMs = clock.nsecsElapsed() / 1e6;
        ticker.stop();
        if (!attached || !window.doc->Mirror()) {
            state.SkipWithError("the listing did not attach");
            break;
        }
        std::sort(stalls.begin(), stalls.end());
        const std::size_t p99 = std::min(stalls.size() - 1, static_cast<std::size_t>(stalls.size() * 0.99));
        state.SetIterationTime(attachMs / 1000);
        state.counters["attach_ms"] = attachMs;
        state.counters["p99_stall_ms"] = stalls.empty() ? 0 : stalls[p99];
        state.counters["max_stall_ms"] = stalls.empty() ? 0 : stalls.back();
        state.counters["ticks"] = static_cast<double>(stalls.size());
    }
}

BENCHMARK(BM_UiStallDuringAttach)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marklens::bench

// Pointing at the picture of a 100,000-element page: one hover step that moves the light (hit
// test, overlay, tip, repaint of the capture and zoom panes), one that stays on the same
// element, and one repaint of the zoom pane. Median and 99th percentile of the single steps
// are reported as counters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>

#include "model/document/pagewrightdoc.h"
#include "panes/captureview.h"
#include "panes/zoomview.h"
#include "tests/support/documentfakes.h"
#include "tests/support/syntheticmirror.h"

namespace marklens::bench {
namespace {

constexpr int kElements = 100000;
constexpr int kPictureWidth = 1920;
constexpr int kPictureHeight = 1080;

class CScreenPage : public test::CFakePage {
public:
    CPicture CapturePicture() override {
        CPicture picture{kPictureWidth, kPictureHeight, {}};
        picture.pixels.resize(std::size_t(kPictureWidth) * kPictureHeight);
        for (std::size_t i = 0; i < picture.pixels.size(); ++i)
            picture.pixels[i] = 0xFF000000u | (i * 2654435761u >> 8);
        return picture;
    }
};

// The capture and zoom panes of a big window over one attached page.
struct CPointing {
    CPointing() {
        auto probe = std::make_shared<test::CFakeProbe>();
        testing::CSyntheticMirrorShape shape;
        shape.nodes = kElements;
        shape.pageWidth = kPictureWidth;
        probe->mirrorText = testing::MakePageMirror(shape);
        // Every element answers with the same box model, a large one, so its bands cost a
        // full repaint.
        const auto rect = [](double l, double t, double r, double b) { return CQuad{{l, t, r, t, r, b, l, b}}; };
        probe->everyBoxModel = CBoxModel{rect(120, 120, 680, 480), rect(110, 110, 690, 490), rect(100, 100, 700, 500),
                                         rect(80, 80, 720, 520)};
        auto page = std::make_shared<CScreenPage>();
        page->probe = probe;
        zoom = new CZoomView(doc, &window);
        capture = new CCaptureView(doc, &window);
        capture->setGeometry(0, 0, 1500, 800);
        zoom->setGeometry(1510, 0, 220, 300);
        window.resize(1740, 810);
        window.show();
        doc.AttachPage(page, "big page", [](const CWorkOutcome&) {});
        QCoreApplication::processEvents();
        // From here the browser's answers come later, as a real one's do.
        ui.postTo = [this](std::function<void()> task) { answers.push_back(std::move(task)); };
        QCursor::setPos(capture->viewport()->mapToGlobal(QPoint(400, 300)));
    }

    QWidget* Viewport() const { return capture->viewport(); }
    void Move(QPoint client) {
        QMouseEvent move(QEvent::MouseMove, client, Viewport()->mapToGlobal(client), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(Viewport(), &move);
    }
    // Points of the pane where each element differs from the one before.
    std::vector<QPoint> ChangingPoints() const {
        std::vector<QPoint> points;
        int last = 0;
        for (int y = 5; y < Viewport()->height(); y += 23) {
            for (int x = 5; x < Viewport()->width(); x += 37) {
                const int id = doc.HitTest(x, y);
                if (id != 0 && id != last) points.emplace_back(x, y);
                if (id != 0) last = id;
            }
        }
        return points;
    }

    // The answers that have arrived, handed over in order.
    void DeliverAnswers() {
        while (!answers.empty()) {
            for (const std::function<void()>& answer : std::exchange(answers, {}))
                answer();
        }
    }

    test::CRecordingUi ui;
    std::vector<std::function<void()>> answers;
    CPagewrightDoc doc{ui, nullptr, CPagewrightDoc::Jobs::Inline};
    QWidget window;
    CZoomView* zoom;
    CCaptureView* capture;
};

CPointing& Pointing() {
    static CPointing pointing;
    return pointing;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void Percentiles(benchmark::State& state, std::vector<double> ms, const std::string& prefix) {
    std::sort(ms.begin(), ms.end());
    state.counters[prefix + "median_ms"] = ms[ms.size() / 2];
    state.counters[prefix + "p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
}

// Times each step alone, for the median and the tail; the thread's processor time beside the
// wall time shows what a busy machine adds.
template <typename Step, typename Prepare = void (*)()>
void TimeSteps(
    benchmark::State& state, Step step, Prepare prepare = [] {}) {
    std::vector<double> wall, cpu;
    for (auto _ : state) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = ThreadCpuSeconds();
        step();
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu.push_back((ThreadCpuSeconds() - startCpu) * 1000);
        state.SetIterationTime(elapsed);
        wall.push_back(elapsed * 1000);
    }
    Percentiles(state, wall, "");
    Percentiles(state, cpu, "cpu_");
}

void BM_HoverChangesHighlight(benchmark::State& state) {
    CPointing& pointing = Pointing();
    const std::vector<QPoint> points = pointing.ChangingPoints();
    std::size_t next = 0;
    // Answers that come after a step are not its time.
    TimeSteps(
        state, [&] { pointing.Move(points[next++ % points.size()]); }, [&] { pointing.DeliverAnswers(); });
    state.counters["points"] = static_cast<double>(points.size());
}
BENCHMARK(BM_HoverChangesHighlight)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2000);

// The box model's answer arriving for the lit element: the bands drawn, the tip given their sizes.
void BM_BandsArrive(benchmark::State& state) {
    CPointing& pointing = Pointing();
    const std::vector<QPoint> points = pointing.ChangingPoints();
    std::size_t next = 0;
    std::vector<double> wall;
    for (auto _ : state) {
        pointing.DeliverAnswers();
        pointing.Move(points[next++ % points.size()]);
        const auto start = std::chrono::steady_clock::now();
        pointing.DeliverAnswers();
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        wall.push_back(elapsed * 1000);
    }
    if (!pointing.capture->Bands()) state.SkipWithError("no bands were drawn");
    Percentiles(state, wall, "");
}
BENCHMARK(BM_BandsArrive)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1000);

void BM_HoverSameElement(benchmark::State& state) {
    CPointing& pointing = Pointing();
    const QPoint first = pointing.ChangingPoints().front();
    pointing.Move(first);
    int step = 0;
    TimeSteps(
        state, [&] { pointing.Move(first + QPoint(++step % 2, 0)); }, [&] { pointing.DeliverAnswers(); });
}
BENCHMARK(BM_HoverSameElement)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5000);

void BM_ZoomRepaint(benchmark::State& state) {
    CPointing& pointing = Pointing();
    pointing.zoom->SetZoomSource(pointing.capture);
    TimeSteps(state, [&] { pointing.zoom->repaint(); });
}
BENCHMARK(BM_ZoomRepaint)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5000);

}  // namespace
}  // namespace marklens::bench

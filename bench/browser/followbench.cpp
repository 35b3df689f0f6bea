// Following a generated 100,000-element listing as it changes by itself, against a full
// Refresh of the same page in the same run. The document runs as in the program: its browser
// work on the connection's thread, its answers and timers through the Qt event loop, a tree
// model that takes each later mirror row by row. A change is timed from the moment the
// benchmark sends its Runtime.evaluate, on a connection of its own, to the moment the mirror,
// the tree model and the picture are those of the changed page.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QTimer>

#include "base/largepages.h"
#include "base/mallocarena.h"
#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "browser/devtoolssession.h"
#include "model/document/pagewrightdoc.h"
#include "model/document/view.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/pagemirror.h"
#include "panes/mirrortreemodel.h"
#include "tests/support/documentfakes.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/listingpage.h"

namespace marklens {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kQuietSpell = std::chrono::milliseconds(400);

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The CPU time of the browser's renderers: the processes of that profile whose command line
// makes them renderers.
double RendererCpuSeconds(const std::string& profile) {
    const std::string ofProfile = "--user-data-dir=" + profile;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    double total = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string command = FileText(entry.path() / "cmdline");
        std::replace(command.begin(), command.end(), '\0', ' ');
        if (command.find("--type=renderer") == std::string::npos || command.find(ofProfile) == std::string::npos)
            continue;
        const std::string stat = FileText(entry.path() / "stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        // After the name: state, then 10 fields, then user and system time.
        std::istringstream fields(stat.substr(close + 2));
        std::string skip;
        for (int field = 0; field < 11; ++field)
            fields >> skip;
        double user = 0;
        double system = 0;
        fields >> user >> system;
        total += (user + system) / tick;
    }
    return total;
}

// What the views would do: the tree model takes each mirror, the last update's kind and time
// are kept.
class CBenchView : public IView {
public:
    explicit CBenchView(CPagewrightDoc& doc) : doc_(doc) { doc_.AddView(*this); }
    ~CBenchView() override { doc_.RemoveView(*this); }
    void OnUpdate(IView*, UpdateHint hint) override {
        const CPageMirror* mirror = doc_.Mirror();
        if (!mirror || !mirror->DocumentElement()) return;
        if (hint == HintPageRebuilt) model.Rebuild(mirror->Outline());
        if (hint == HintPageFollowed) model.Follow(mirror->Outline());
        if (hint == HintPageRebuilt || hint == HintPageFollowed) {
            lastHint = hint;
            lastUpdate = Clock::now();
            ++updates;
        }
    }

    CMirrorTreeModel model;
    UpdateHint lastHint = HintSelectionChanged;
    Clock::time_point lastUpdate{};
    int updates = 0;

private:
    CPagewrightDoc& doc_;
};

// One browser with the listing, attached once as the program attaches.
class CFollowBench {
public:
    CFollowBench() {
        ui_.postTo = [](std::function<void()> task) {
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task), Qt::QueuedConnection);
        };
        ui_.postAfter = [](int milliseconds, std::function<void()> task) {
            QTimer::singleShot(milliseconds, QCoreApplication::instance(), std::move(task));
        };
    }

    void Attach(int elements) {
        if (attached_ == elements) return;
        target_ = chrome_.OpenTab(pages_.Url(elements), std::chrono::minutes(10));
        CBrowserOptions options;
        options.endpoints = {chrome_.Endpoint()};
        options.timeout = std::chrono::seconds(30);
        bool done = false;
        doc_.AttachPage(CChromiumTab(*CDevToolsEndpoint::Parse(chrome_.Endpoint()), target_, "", options).Document(),
                        "listing", [&](const CWorkOutcome&) { done = true; });
        if (!RunUntil([&] { return done; }, std::chrono::minutes(5)) || !doc_.Mirror()) {
            throw std::runtime_error("the attach did not finish");
        }
        changer_ = std::make_unique<CDevToolsSession>("127.0.0.1", std::to_string(chrome_.Port()),
                                                      "/devtools/page/" + target_, std::chrono::seconds(30));
        attached_ = elements;
    }

    // The event loop runs until the condition holds; false after the limit.
    static bool RunUntil(const std::function<bool()>& seen, Clock::duration limit) {
        const auto end = Clock::now() + limit;
        QTimer wake;  // waits for events without spinning, so the process's CPU time is the document's
        wake.start(2);
        while (!seen()) {
            if (Clock::now() > end) return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    // Sends the page a statement on the benchmark's own connection; the time it was sent.
    Clock::time_point Change(const std::string& statement) {
        const auto sent = Clock::now();
        changer_->Call("Runtime.evaluate", {{"expression", statement}, {"returnByValue", true}});
        return sent;
    }

    // The time from sent until a followed mirror satisfies the check.
    double FollowedAfter(Clock::time_point sent, const std::function<bool(const CPageMirror&)>& check) {
        const bool seen = RunUntil(
            [&] { return view_.lastHint == HintPageFollowed && view_.lastUpdate > sent && check(*doc_.Mirror()); },
            std::chrono::seconds(30));
        if (!seen) throw std::runtime_error("the change was not followed");
        return Seconds(view_.lastUpdate - sent);
    }

    CPagewrightDoc& Doc() { return doc_; }
    CBenchView& View() { return view_; }
    const std::string& Profile() const { return chrome_.Profile(); }

    double refreshSeconds = 0;

private:
    testing::CListingPages pages_;
    testing::CHeadlessChromium chrome_;
    test::CRecordingUi ui_;
    CPagewrightDoc doc_{ui_, nullptr};
    CBenchView view_{doc_};
    std::string target_;
    int attached_ = 0;
    std::unique_ptr<CDevToolsSession> changer_;
};

CFollowBench& Bench() {
    static CFollowBench bench;
    return bench;
}

pugi::xml_node CardNamed(const CPageMirror& mirror, int card) {
    return mirror.Xml().select_node(("//*[contains(@text, 'id=\"c" + std::to_string(card) + "\"')]").c_str()).node();
}

void BM_FullRefresh(benchmark::State& state) {
    try {
        Bench().Attach(static_cast<int>(state.range(0)));
        for (auto _ : state) {
            std::vector<double> times;
            for (int run = 0; run < 3; ++run) {
                const auto start = Clock::now();
                const int before = Bench().View().updates;
                Bench().Doc().Refresh();
                if (!CFollowBench::RunUntil(
                        [&] { return Bench().View().updates > before && Bench().View().lastHint == HintPageRebuilt; },
                        std::chrono::minutes(2))) {
                    throw std::runtime_error("the Refresh did not finish");
                }
                times.push_back(Seconds(Bench().View().lastUpdate - start));
            }
            Bench().refreshSeconds = Median(times);
            state.SetIterationTime(Bench().refreshSeconds);
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

void ReportAgainstRefresh(benchmark::State& state, double seconds) {
    state.SetIterationTime(seconds);
    state.counters["ms"] = seconds * 1000;
    if (Bench().refreshSeconds > 0) state.counters["over_refresh"] = seconds / Bench().refreshSeconds;
}

// One element's text and class.
void BM_FollowOneChange(benchmark::State& state) {
    try {
        Bench().Attach(static_cast<int>(state.range(0)));
        int serial = 0;
        for (auto _ : state) {
            std::vector<double> times;
            for (int run = 0; run < 5; ++run) {
                // Each change comes after a quiet spell, the first too: a Refresh just done
                // still has its own work in the page.
                CFollowBench::RunUntil([] { return false; }, kQuietSpell);
                const std::string mark = "hot" + std::to_string(++serial);
                const auto sent = Bench().Change(
                    "(() => { const card = document.getElementById('c500');"
                    "card.className = 'card " +
                    mark +
                    "';"
                    "card.querySelector('.price').textContent = '" +
                    mark + "'; })()");
                times.push_back(Bench().FollowedAfter(sent, [&](const CPageMirror& mirror) {
                    return StringAttribute(CardNamed(mirror, 500), "text").find(mark) != std::string::npos;
                }));
            }
            ReportAgainstRefresh(state, Median(times));
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

// The whole page scrolls by 400 px, down and up again.
void BM_FollowScroll(benchmark::State& state) {
    try {
        Bench().Attach(static_cast<int>(state.range(0)));
        for (auto _ : state) {
            std::vector<double> times;
            for (int run = 0; run < 6; ++run) {
                CFollowBench::RunUntil([] { return false; }, kQuietSpell);
                const int step = run % 2 == 0 ? 400 : -400;
                const int top = IntAttribute(CardNamed(*Bench().Doc().Mirror(), 0), "top");
                const auto sent = Bench().Change("window.scrollBy(0, " + std::to_string(step) + ")");
                times.push_back(Bench().FollowedAfter(sent, [&](const CPageMirror& mirror) {
                    return IntAttribute(CardNamed(mirror, 0), "top") == top - step;
                }));
            }
            ReportAgainstRefresh(state, Median(times));
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

// 100 boxes animating left and top for 5 s: our process's CPU share, the renderer's share
// beyond the animation's own (the same animation unfollowed), the window's stalls, as the
// lateness of a 5 ms timer, and the updates a second, once following has settled in.
void BM_FollowBusyPage(benchmark::State& state) {
    constexpr auto kSpell = std::chrono::seconds(5);
    try {
        Bench().Attach(static_cast<int>(state.range(0)));
        Bench().Change(
            "(() => { const style = document.createElement('style');"
            "style.textContent = '@keyframes roam { from { left: 0; top: 0 } to { left: 300px; top: 200px } }"
            " .roamer { position: absolute; width: 20px; height: 20px; background: #36c;"
            " animation: roam 1s linear infinite alternate }';"
            "document.head.append(style);"
            "for (let i = 0; i < 100; ++i) { const box = document.createElement('div'); box.className = 'roamer';"
            " box.style.animationDelay = -(i / 100) + 's'; document.body.append(box); } })()");
        for (auto _ : state) {
            const auto spell = [&](bool following) {
                Bench().Doc().SetFollowing(following);
                // The style sheet the boxes came with makes the first walk a full one, and the
                // next waits its turn after it: the spell is what follows, the steady state.
                const int before = Bench().View().updates;
                if (following && !CFollowBench::RunUntil([&] { return Bench().View().updates >= before + 2; },
                                                         std::chrono::minutes(1))) {
                    throw std::runtime_error("the busy page was not followed");
                }
                std::vector<double> stalls;
                const double renderer = RendererCpuSeconds(Bench().Profile());
                const double ours = ProcessCpuSeconds();
                const auto start = Clock::now();
                auto expected = start + std::chrono::milliseconds(5);
                QTimer ticks;
                ticks.setTimerType(Qt::PreciseTimer);
                QObject::connect(&ticks, &QTimer::timeout, [&] {
                    const auto now = Clock::now();
                    stalls.push_back(std::max(0.0, Seconds(now - expected) * 1000));
                    expected = now + std::chrono::milliseconds(5);
                });
                ticks.start(5);
                CFollowBench::RunUntil([] { return false; }, kSpell);
                ticks.stop();
                const double wall = Seconds(Clock::now() - start);
                return std::array<double, 4>{(ProcessCpuSeconds() - ours) / wall,
                                             (RendererCpuSeconds(Bench().Profile()) - renderer) / wall,
                                             Percentile(stalls, 0.99), Percentile(stalls, 1.0)};
            };
            const auto unfollowed = spell(false);
            const int updates = Bench().View().updates;
            const auto followed = spell(true);
            state.SetIterationTime(Seconds(kSpell));
            state.counters["ours_cpu_share"] = followed[0];
            state.counters["renderer_extra_share"] = followed[1] - unfollowed[1];
            state.counters["renderer_alone_share"] = unfollowed[1];
            state.counters["stall_p99_ms"] = followed[2];
            state.counters["stall_max_ms"] = followed[3];
            state.counters["updates_per_s"] = (Bench().View().updates - updates) / Seconds(kSpell);
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

BENCHMARK(BM_FullRefresh)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FollowOneChange)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FollowScroll)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FollowBusyPage)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace marklens

// Allocates as the program does.
int main(int argc, char** argv) {
    marklens::UseLargeMemoryPages(argv);
    marklens::ShareOneMallocArena();
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

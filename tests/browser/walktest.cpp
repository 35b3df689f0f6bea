// The page walk in slices: the same mirror as one walk, walked again when the page spoils it,
// stopped and dropped in the page on cancel.
#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>

#include "browser/chromiumprobe.h"
#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/mirror/mirrorpatch.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/mirrorschema.h"
#include "model/mirror/pagemirror.h"
#include "model/mirror/stableids.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

using std::chrono::milliseconds;

class Walk : public CBrowserSuite {
protected:
    // The page of the last tab, with a probe made from the script file (the real one by default).
    PageProbeHandle ProbeOf(const std::string& path, const std::string& probePath = {}) {
        lastTarget_ = Chrome().OpenTab(Pages().Url(0, path));
        CBrowserOptions options = Options();
        options.probePath = probePath;
        page_ = CChromiumTab(*CDevToolsEndpoint::Parse(Chrome().Endpoint()), lastTarget_, "", options).Document();
        return page_->CreateProbe();
    }

    std::string MirrorText(IPageProbe& probe, std::optional<milliseconds> slice, const CWalkControl& control = {}) {
        dynamic_cast<CChromiumProbe&>(probe).SetWalkSlice(slice);
        CPageMirror mirror;
        mirror.BuildFromRecords(probe.RequestMirrorAnswer(*page_, control).text);
        return mirror.ToXml();
    }

    // The mirror of a walk that tells the numbers of the walk before, with stable identifiers.
    // From the second walk on, the walk's patch of the mirror of the walk before must give
    // that mirror too, and find every node by its identifier.
    std::string FollowedText(IPageProbe& probe, std::optional<milliseconds> slice, bool copy) {
        dynamic_cast<CChromiumProbe&>(probe).SetWalkSlice(slice);
        CWalkControl control;
        control.copyUnchanged = copy;
        control.tellPrevious = true;
        const CMirrorAnswer answer = probe.RequestMirrorAnswer(*page_, control);
        const std::vector<int> ids = ids_.Assign(answer.previous, answer.previous.size());
        CPageMirror whole;
        whole.BuildFromRecords(answer.text, &ids);
        const std::string text = whole.ToXml();
        if (!followed_ || !followed_->Facts()) {
            followed_ = std::make_unique<CPageMirror>();
            followed_->BuildKeepingFacts(answer.text, &ids);
            return text;
        }
        CMirrorPatch patch(answer.text, ids, answer.previous, followed_->Facts());
        EXPECT_TRUE(followed_->Apply(patch));
        EXPECT_EQ(followed_->ToXml(), text);
        for (const int id : ids) {
            EXPECT_EQ(IntAttribute(followed_->FindNodeById(id), schema::kNodeId), id);
        }
        return text;
    }

    LivePageHandle page_;
    CStableIds ids_;
    std::unique_ptr<CPageMirror> followed_;
};

TEST_F(Walk, SlicesGiveTheMirrorOfOneWalkOnEveryPage) {
    int pages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FixturePagesDir())) {
        if (entry.path().extension() != ".html") continue;
        const PageProbeHandle probe = ProbeOf(entry.path().filename().string());
        const std::string whole = MirrorText(*probe, std::nullopt);
        // One node per slice where that takes no long, else slices of a millisecond.
        const bool small =
            std::stoi(Chrome().Evaluate(lastTarget_, "document.getElementsByTagName('*').length")) < 2000;
        EXPECT_EQ(MirrorText(*probe, milliseconds(small ? 0 : 1)), whole) << entry.path();
        EXPECT_EQ(MirrorText(*probe, CChromiumProbe::kWalkSlice), whole) << entry.path();
        Chrome().CloseTab(lastTarget_);
        ++pages;
    }
    EXPECT_GT(pages, 20);
}

// The page adds an element while it is walked, then navigates (its probe's world goes) while it
// is walked again: the answer is the page as it is after both, with progress up to its size.
TEST_F(Walk, APageThatChangesOrNavigatesBetweenSlicesIsWalkedAgain) {
    const CProbeFile spoiler("spoiling-probe.js", CProbeFile::Wrapped(R"(
        const step = probe.mirrorStep;
        probe.mirrorStep = function (budget) {
          const root = document.documentElement;
          if (!root.hasAttribute('data-added')) {
            root.setAttribute('data-added', '');
            document.body.appendChild(document.createElement('ins')).id = 'added';
          } else if (!root.hasAttribute('data-gone')) {
            root.setAttribute('data-gone', '');
            throw new Error('Execution context was destroyed.');
          }
          return step.call(this, budget);
        };)"));
    const PageProbeHandle probe = ProbeOf("states.html", spoiler.Path());
    std::vector<std::pair<std::int64_t, std::int64_t>> reports;
    CWalkControl control;
    control.progress = [&](std::int64_t walked, std::int64_t total) { reports.emplace_back(walked, total); };
    const std::string spoilt = MirrorText(*probe, milliseconds(0), control);
    EXPECT_NE(spoilt.find("id=&quot;added&quot;"), std::string::npos);
    EXPECT_EQ(spoilt, MirrorText(*probe, std::nullopt));
    EXPECT_EQ(Chrome().Evaluate(lastTarget_, "document.documentElement.hasAttribute('data-gone')"), "true");
    ASSERT_FALSE(reports.empty());
    const std::string elements = Chrome().Evaluate(lastTarget_, "document.getElementsByTagName('*').length");
    EXPECT_EQ(std::to_string(reports.back().second), elements);
    EXPECT_LE(reports.back().first, reports.back().second);
}

// Cancelled between slices: the walk stops with the cancelled code and the page is told to
// drop it; the next walk works.
TEST_F(Walk, CancelledWalkStopsAndIsDroppedInThePage) {
    const CProbeFile marking("marking-probe.js", CProbeFile::Wrapped(R"(
        const abandon = probe.mirrorAbandon;
        probe.mirrorAbandon = function () {
          if (this.walk !== null) document.documentElement.setAttribute('data-abandoned', '');
          return abandon.call(this);
        };)"));
    const PageProbeHandle probe = ProbeOf("ordinary.html", marking.Path());
    CWalkControl control;
    control.cancellation = std::make_shared<CCancellation>();
    control.progress = [&](std::int64_t, std::int64_t) { control.cancellation->Cancel(); };
    try {
        MirrorText(*probe, milliseconds(0), control);
        FAIL() << "the walk ran to its end";
    } catch (const CObjectCallError& error) {
        EXPECT_EQ(error.Code(), status::kCancelled);
    }
    // Asked on the same connection, so after the page was told.
    EXPECT_NO_THROW(page_->ExecScript("if (!document.documentElement.hasAttribute('data-abandoned')) throw 0"));
    EXPECT_NE(MirrorText(*probe, CChromiumProbe::kWalkSlice).find("BODY"), std::string::npos);
}

// A walk that copies what did not change from the walk before gives the mirror a full walk
// gives, after changes of every kind.
TEST_F(Walk, ACopyingWalkGivesTheMirrorOfAFullWalkAfterEveryChange) {
    // A seeded series of changes on the page's elements: classes, texts, insertions, removals,
    // margins, display, positioning, clipping, list numbering, grid placement and baselines,
    // the top layer, running animations, and scrolls of the page and of a scroller.
    const std::string changes = R"(
        (() => {
          let seed = window.changeSeed || 7;
          const next = n => { seed = (seed * 1103515245 + 12345) % 2147483648; return seed % n; };
          const all = Array.from(document.body.getElementsByTagName('*')).filter(
            e => !['SCRIPT', 'STYLE', 'IFRAME'].includes(e.tagName));
          const change = [
            e => e.classList.toggle('hot'),
            e => { e.textContent = 'text ' + next(1000) + ' more'.repeat(next(6)); },
            e => e.before(Object.assign(document.createElement(next(2) ? 'div' : 'span'), { textContent: 'new' })),
            e => { if (e.parentNode !== document.body) e.remove(); },
            e => { e.style.marginTop = next(30) + 'px'; },
            e => { e.style.display = next(3) ? 'none' : ''; },
            e => { e.style.position = 'relative'; e.style.top = next(20) + 'px'; e.style.zIndex = next(3); },
            () => window.scrollBy(0, 60 * (next(5) - 2)),
            () => { const s = document.querySelector('[id*=scroll]'); if (s) s.scrollTop = next(80); },
            e => { e.style.overflow = 'hidden'; e.style.height = next(40) + 'px'; },
            // Numbers every later marker again while no item's box moves.
            () => { const item = document.querySelector('ol > li'); if (item) item.style.display = item.style.display ? '' : 'block'; },
            // A grid item that keeps its box while the items after it move on a cell.
            () => { const item = document.querySelector('#grid > :nth-child(2)'); if (item) item.style.gridColumn = item.style.gridColumn ? '' : 'span 2'; },
            // A grid item that aligns itself to the baseline, inline.
            () => { const item = document.querySelector('#grid > :nth-child(4)'); if (item) item.style.alignSelf = item.style.alignSelf ? '' : 'baseline'; },
            // A grid item that keeps its box while the other item of its baseline moves.
            () => { const tall = document.querySelector('.tall'); if (tall) tall.style.paddingTop = tall.style.paddingTop ? '' : '12px'; },
            // The top layer: a popover and a modal dialog shown and hidden.
            () => {
              const pop = document.getElementById('pop') || document.body.appendChild(
                Object.assign(document.createElement('div'), { id: 'pop', popover: 'manual', textContent: 'pop' }));
              if (pop.matches(':popover-open')) pop.hidePopover(); else pop.showPopover();
            },
            () => {
              const dialog = document.getElementById('dialog') || document.body.appendChild(
                Object.assign(document.createElement('dialog'), { id: 'dialog', textContent: 'dialog' }));
              if (dialog.open) dialog.close(); else dialog.showModal();
            },
          ];
          for (let k = 0; k <= next(3) && all.length > 0; ++k) change[next(change.length)](all[next(all.length)]);
          // Running animations move their boxes with no change to the tree and no event.
          for (const a of window.running) a.currentTime = (next(4) + 0.5) * 2.5e6;
          window.scrollBy(0, 40 * next(3) - 40);
          window.changeSeed = seed;
        })())";
    const std::string inPlace = R"(
        (() => {
          const all = document.body.querySelectorAll('li, p, span');
          const e = all[(window.changeSeed || 7) % all.length];
          e.classList.toggle('hot');
          e.append(' more');
        })())";
    for (const char* path : {"follow.html", "stacking.html", "clipping.html", "boxes.html", "states.html"}) {
        const PageProbeHandle probe = ProbeOf(path);
        ids_ = {};
        followed_.reset();
        // A numbered list whose markers grow from "9." to "10.", grids, and tall enough to scroll.
        Chrome().Evaluate(
            lastTarget_,
            "document.body.append(Object.assign(document.createElement('ol'), "
            "{ innerHTML: '<li>item</li>'.repeat(12) }), Object.assign(document.createElement('div'), { innerHTML: "
            "'<style>#grid, #lined { display: grid; grid-template-columns: repeat(3, 60px); justify-items: start }"
            " #grid > div { width: 20px; height: 20px } #lined > div { align-self: baseline }"
            " .tall { height: 40px; box-sizing: border-box }</style>"
            "<div id=grid>' + '<div></div>'.repeat(9) + '</div><div id=lined><div "
            "class=tall>tall</div><div>low</div></div>' }), "
            "Object.assign(document.createElement('p'), { style: 'height: 3000px' })); "
            // Inside a box that stays put; stepped and slow, so that two walks in a row see the
            // same step.
            "const still = document.body.appendChild(Object.assign(document.createElement('div'), "
            "{ style: 'position: relative; height: 150px' })); "
            "window.running = [['div', 'position: absolute; width: 9px; height: 9px', { left: ['0px', '400px'] }],"
            " ['div', 'height: 10px', { height: ['10px', '90px'] }], ['span', '', { transform: ['none', "
            "'translateX(50px)'] }]].map(([tag, style, frames]) => still.appendChild("
            "Object.assign(document.createElement(tag), { style, textContent: 'moving' })).animate(frames, "
            "{ duration: 1e7, easing: 'steps(4)' }))");
        FollowedText(*probe, CChromiumProbe::kWalkSlice, true);
        for (int round = 0; round < 15; ++round) {
            // Every other change is one in place, walked by the page as it changes, in slices;
            // after every fourth the page changes again before that walk is taken up, which
            // drops it.
            if (round % 2 == 0) {
                dynamic_cast<CChromiumProbe&>(*probe).SetWalkSlice(milliseconds(1));
                auto change = std::async(std::launch::async, [&] {
                    std::this_thread::sleep_for(milliseconds(100));
                    Chrome().Evaluate(lastTarget_, inPlace);
                });
                CCancellation never;
                probe->TakeChanges();  // as the program does: it waits once it took what changed
                EXPECT_TRUE(probe->AwaitChange(std::chrono::seconds(10), never, true)) << path << ", round " << round;
                change.get();
                if (round % 4 == 2) Chrome().Evaluate(lastTarget_, changes);
            } else {
                Chrome().Evaluate(lastTarget_, changes);
            }
            // Scroll events come with the next frame.
            std::this_thread::sleep_for(milliseconds(50));
            // Now and then the records copied come as text, from what the page kept of its last walk.
            if (round % 5 == 3) dynamic_cast<CChromiumProbe&>(*probe).ForgetHeldRecords();
            const std::string copied = FollowedText(*probe, milliseconds(1), true);
            // Every third walk reads all, so copies of copies are checked too.
            if (round % 3 == 2) {
                ASSERT_EQ(copied, FollowedText(*probe, std::nullopt, false)) << path << ", round " << round;
            }
        }
        Chrome().CloseTab(lastTarget_);
    }
}

// What a shell command printed on stdout and stderr together.
std::string Shell(const std::string& command) {
    std::string output;
    RunCommand("bash -c '" + command + "' 2>&1", output);
    return output;
}

// The command line walks a large page in slices too: --progress tells how far on stderr, and
// Ctrl+C stops it with the shell's status for an interrupt and one line.
TEST_F(Walk, CommandLineReportsProgressAndStopsOnCtrlC) {
    lastTarget_ = Chrome().OpenTab(Pages().Url(0, "manyrules.html?n=100000&t=cli"), std::chrono::seconds(60));
    const std::string cli = std::string(MARKLENS_CLI) + " ";
    const std::string endpoint = " --endpoint " + Chrome().Endpoint();
    const std::string targets = Shell(cli + "targets" + endpoint);
    const std::size_t line = targets.find("\tMany rules\n");
    ASSERT_NE(line, std::string::npos) << targets;
    const std::string index = targets.substr(targets.rfind('\n', line) + 1, line - targets.rfind('\n', line) - 1);

    const std::string walked = Shell(cli + "mirror " + index + " --progress" + endpoint + " 2>&1 >/dev/null");
    EXPECT_NE(walked.find("marklens-cli: reading page: "), std::string::npos) << walked.substr(0, 300);
    EXPECT_NE(walked.find(" of 100"), std::string::npos) << walked.substr(0, 300);

    // Ctrl+C once the walk is on its way: a background job starts with SIGINT ignored until the
    // program sets its handler, which a slow start (sanitizers, a busy machine) may not have yet.
    const std::string stopped =
        Shell("f=$(mktemp); " + cli + "mirror " + index + " --progress" + endpoint +
              " >/dev/null 2>$f & for i in $(seq 600); do grep -q \"reading page\" $f && break; sleep 0.05; done; "
              "kill -INT $!; wait $!; echo status $?; rm -f $f");
    EXPECT_NE(stopped.find("status 130"), std::string::npos) << stopped;
}

}  // namespace
}  // namespace marklens::testing

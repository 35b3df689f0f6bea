#include <chrono>
#include <thread>

#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "browser/devtoolssession.h"
#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kShortTimeout = std::chrono::milliseconds(2000);

// Each test stops or blocks its browser, so each gets a browser of its own.
class Failure : public CBrowserSuite {
protected:
    static void SetUpTestSuite() {}
    void SetUp() override { StartBrowser({}); }
    void TearDown() override { TearDownTestSuite(); }

    LivePageHandle Attach(const std::string& path) {
        lastTarget_ = Chrome().OpenTab(Pages().Url(0, path));
        CChromiumTab tab(*CDevToolsEndpoint::Parse(Chrome().Endpoint()), lastTarget_, "", Options(kShortTimeout));
        return tab.Document();
    }
};

constexpr std::uint32_t kAnyCode = 0;

// Runs the call and expects an object-call error with the code, well within the time-out.
template <typename Call>
void ExpectPromptError(Call call, std::uint32_t code) {
    const auto start = Clock::now();
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const CObjectCallError& error) {
        if (code != kAnyCode) {
            EXPECT_EQ(error.Code(), code) << error.what();
        }
        EXPECT_FALSE(error.Message().empty());
    }
    EXPECT_LT(Clock::now() - start, kShortTimeout + std::chrono::milliseconds(1500));
}

TEST_F(Failure, KilledBrowserGivesErrorsNotHangs) {
    const LivePageHandle page = Attach("states.html");
    const PageProbeHandle probe = page->CreateProbe();
    (void)probe->RequestMirror(*page, 0, 0);
    const LiveElementHandle element = probe->ElementForId("3");
    ASSERT_TRUE(element);
    CChromiumShell shell(Options(kShortTimeout));
    const std::vector<BrowserWindowHandle> tabs = shell.EnumerateBrowsers();
    ASSERT_FALSE(tabs.empty());

    Chrome().Kill();
    ExpectPromptError([&] { probe->RequestMirror(*page, 0, 0); }, status::kFail);
    ExpectPromptError([&] { element->TagName(); }, status::kFail);
    ExpectPromptError([&] { page->CapturePicture(); }, status::kFail);
    ExpectPromptError([&] { page->CreateProbe(); }, status::kFail);
    ExpectPromptError([&] { tabs.front()->Document(); }, status::kFail);
    EXPECT_TRUE(shell.EnumerateBrowsers().empty());
}

TEST_F(Failure, PageStuckInAlertGivesAnErrorWithinTheTimeout) {
    const LivePageHandle page = Attach("states.html");
    const PageProbeHandle probe = page->CreateProbe();
    const LiveElementHandle doc = probe->ElementForId("1");
    // This call is itself caught in the alert, so the page is surely blocked once it gives up.
    CDevToolsSession blocker("127.0.0.1", std::to_string(Chrome().Port()), "/devtools/page/" + lastTarget_,
                             std::chrono::milliseconds(500));
    try {
        blocker.Call("Runtime.evaluate", {{"expression", "alert('stuck')"}});
        FAIL() << "alert() returned";
    } catch (const CObjectCallError& error) {
        ASSERT_EQ(error.Code(), status::kTimeout);
    }
    ExpectPromptError([&] { probe->RequestMirror(*page, 0, 0); }, status::kTimeout);
    ExpectPromptError([&] { page->CapturePicture(); }, status::kTimeout);
    // A connection made while the dialog is up cannot create its probe either.
    CChromiumTab tab(*CDevToolsEndpoint::Parse(Chrome().Endpoint()), lastTarget_, "", Options(kShortTimeout));
    ExpectPromptError([&] { tab.Document()->CreateProbe(); }, status::kTimeout);
}

TEST_F(Failure, ClosedTabGivesErrors) {
    const LivePageHandle page = Attach("states.html");
    const PageProbeHandle probe = page->CreateProbe();
    Chrome().CloseTab(lastTarget_);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Closed (the connection dropped) or no answer (it is still closing): an error in time.
    ExpectPromptError([&] { probe->RequestMirror(*page, 0, 0); }, kAnyCode);
}

}  // namespace
}  // namespace marklens::testing

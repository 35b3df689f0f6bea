#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "browser/chromiumtab.h"
#include "browser/endpointdiscovery.h"
#include "model/mirror/mirrorreading.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

class Discovery : public CBrowserSuite {
protected:
    // The shell's tabs whose label is the title, in the shell's order.
    static std::vector<BrowserWindowHandle> Titled(CChromiumShell& shell, const std::string& title) {
        std::vector<BrowserWindowHandle> found;
        for (const BrowserWindowHandle& tab : shell.EnumerateBrowsers()) {
            if (tab->Label() == title) found.push_back(tab);
        }
        return found;
    }
};

// Sets an environment variable for one scope.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~CScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(Discovery, TwoTabsWithTheSameTitleAreTwoEntriesEachWithItsOwnPage) {
    Chrome().OpenTab(Pages().Url(0, "titled.html?a"));
    Chrome().OpenTab(Pages().Url(0, "titled.html?b"));
    CChromiumShell shell(Options());
    const std::vector<BrowserWindowHandle> tabs = Titled(shell, "Same title");
    ASSERT_EQ(tabs.size(), 2u);
    std::set<std::string> seen;
    for (const BrowserWindowHandle& tab : tabs) {
        const LivePageHandle page = tab->Document();
        const PageProbeHandle probe = page->CreateProbe();
        const auto mirror = Mirror(*probe, *page);
        for (const char* which : {"tab-a", "tab-b"}) {
            if (NodeWithLabel(*mirror, which)) seen.insert(which);
        }
    }
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(Discovery, EndpointsThatDoNotAnswerAreSkipped) {
    Chrome().OpenTab(Pages().Url(0, "states.html"));
    CBrowserOptions options = Options(std::chrono::milliseconds(1500));
    options.endpoints = {"127.0.0.1:1", "not an endpoint", Chrome().Endpoint(), "127.0.0.1:1"};
    CChromiumShell shell(options);
    EXPECT_EQ(Titled(shell, "States").size(), 1u);
}

TEST_F(Discovery, FindsTheBrowserThroughItsActivePortFileOrTheVariable) {
    Chrome().OpenTab(Pages().Url(0, "edit.html"));
    const std::filesystem::path home = std::filesystem::path(::testing::TempDir()) / "marklens-discovery";
    std::filesystem::create_directories(home / "cache/marklens/browser");
    std::ofstream(home / "cache/marklens/browser/DevToolsActivePort") << Chrome().Port() << "\n/devtools/browser/x\n";
    {
        const CScopedEnv cache("XDG_CACHE_HOME", (home / "cache").string());
        const CScopedEnv config("XDG_CONFIG_HOME", (home / "config").string());
        const CScopedEnv given("MARKLENS_DEVTOOLS", "");
        unsetenv("MARKLENS_DEVTOOLS");
        const std::vector<CDevToolsEndpoint> endpoints = DiscoverEndpoints();
        ASSERT_EQ(endpoints.size(), 2u);
        EXPECT_EQ(endpoints[0].Text(), "127.0.0.1:9222");
        EXPECT_EQ(endpoints[1].Text(), Chrome().Endpoint());
        CBrowserOptions options;
        options.timeout = std::chrono::milliseconds(2000);
        CChromiumShell shell(options);
        EXPECT_EQ(Titled(shell, "Edit").size(), 1u);
    }
    {
        // The variable and the caller's extra endpoints add to the usual places.
        const CScopedEnv cache("XDG_CACHE_HOME", (home / "empty").string());
        const CScopedEnv config("XDG_CONFIG_HOME", (home / "empty").string());
        const CScopedEnv given("MARKLENS_DEVTOOLS", "127.0.0.1:1, " + Chrome().Endpoint());
        const std::vector<CDevToolsEndpoint> endpoints = DiscoverEndpoints({"127.0.0.1:2", "127.0.0.1:1"});
        ASSERT_EQ(endpoints.size(), 4u);
        EXPECT_EQ(endpoints[0].Text(), "127.0.0.1:9222");
        EXPECT_EQ(endpoints[2].Text(), Chrome().Endpoint());
        EXPECT_EQ(endpoints[3].Text(), "127.0.0.1:2");
        CChromiumShell shell;
        EXPECT_EQ(Titled(shell, "Edit").size(), 1u);
    }
    std::filesystem::remove_all(home);
}

TEST_F(Discovery, ProbeLibraryCheckIsTheReadableFile) {
    CBrowserOptions options = Options();
    EXPECT_TRUE(CChromiumShell(options).IsProbeLibraryRegistered());  // beside the test program
    options.probePath = ::testing::TempDir() + "/no-such-probe.js";
    EXPECT_FALSE(CChromiumShell(options).IsProbeLibraryRegistered());
    options.probePath = ::testing::TempDir();
    EXPECT_FALSE(CChromiumShell(options).IsProbeLibraryRegistered());
}

}  // namespace
}  // namespace marklens::testing

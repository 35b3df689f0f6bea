#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/chromiumshell.h"
#include "model/document/documentui.h"
#include "model/mirror/pagemirror.h"
#include "model/page/picture.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/pageserver.h"

namespace marklens::testing {

// A suite's shared headless browser and page server; each test opens its own tabs.
class CBrowserSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // Flags for the suite's browser; suites that need other flags start their own.
    static void StartBrowser(const std::vector<std::string>& flags);

    static CHeadlessChromium& Chrome() { return *chrome_; }
    static CPageServer& Pages() { return *server_; }

    CBrowserOptions Options(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Opens the page (origin 0) in a new tab and returns the attached page of that tab.
    LivePageHandle OpenPage(const std::string& path);
    // The tab's current mirror, loaded and marked.
    static std::unique_ptr<CPageMirror> Mirror(IPageProbe& probe, ILivePage& page);

    std::string lastTarget_;

private:
    static std::unique_ptr<CHeadlessChromium> chrome_;
    static std::unique_ptr<CPageServer> server_;
};

// A probe script of the test's own, gone with the test.
class CProbeFile {
public:
    CProbeFile(const std::string& name, const std::string& script);
    ~CProbeFile();
    CProbeFile(const CProbeFile&) = delete;
    CProbeFile& operator=(const CProbeFile&) = delete;
    const std::string& Path() const { return path_; }

    // The real probe with the statements run on it (as `probe`) before it is handed over.
    static std::string Wrapped(const std::string& statements);

private:
    std::string path_;
};

// Keeps the messages; everything else the document asks of the interface does nothing.
class CMessageUi : public IDocumentUi {
public:
    std::vector<std::string> messages;
    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    void ShowStatusMessage(const std::string& text, bool) override { status = text; }
    std::string status;
    void Post(std::function<void()> task) override { task(); }
    void SetWorking(bool) override {}
    void SetBusy(bool) override {}
    void ShowProgress(const std::string&, std::int64_t, std::int64_t) override {}
    void SetCaption(const std::string&) override {}
    void RunConnectDialog() override {}
    bool RunFindDialog() override { return false; }
    void EditHtml() override {}
    void RunAttributeDialog(const std::string&, const std::string&, const std::string&) override {}
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    std::string clipboard;
};

// What the shell command line printed on stdout, and its exit status (-1: it did not run).
int RunCommand(const std::string& commandLine, std::string& output);

// The first mirror node whose label contains the text; null when none.
pugi::xml_node NodeWithLabel(const CPageMirror& mirror, const std::string& text);

// Every mirror box whose label names a colour ("c-ff0000") has only that colour inside it, on
// the picture pixels its edges map to, and not just outside; the count of boxes checked. The
// pixels within edgeBand of an edge are left out: at a fractional scale the browser may snap
// an edge that falls halfway between device pixels either way.
int CheckColouredBoxes(const CPageMirror& mirror, const CPicture& picture, int edgeBand = 0);

}  // namespace marklens::testing

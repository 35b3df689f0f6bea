#pragma once
#include <memory>
#include <string>
#include <vector>

namespace marklens {

class CFrameUi;
class CMainFrame;
class COwnBrowser;
class CPagewrightDoc;
class CWorkThread;
class IBrowserShell;

// The application object: handles the registration switches, creates the one document and
// its frame, shows the frame, and answers the About command.
class CMarklensApp {
public:
    CMarklensApp();
    ~CMarklensApp();
    CMarklensApp(const CMarklensApp&) = delete;
    CMarklensApp& operator=(const CMarklensApp&) = delete;

    // The whole program; returns the exit status.
    static int Main(int argc, char** argv);
    // Registration and embedded starts, which need no display; -1 for a normal start.
    static int RunSwitches(const std::vector<std::string>& args, const std::string& programPath);

    // With a QApplication running: creates the document and frame once and shows the frame.
    bool InitInstance(std::shared_ptr<IBrowserShell> shell);
    void ShowAbout();

    // Opens a URL or file in the program's own browser (started at the first call, closed
    // when the application object goes) and attaches to it once it has loaded. The browser is
    // started and waited for off the user interface's thread. Failures are message boxes; the
    // program goes on.
    void OpenPageInNewBrowser(const std::string& page);
    // Once the browser that OpenPageInNewBrowser started has answered.
    const COwnBrowser* OwnBrowser() const { return ownBrowser_.get(); }

    CPagewrightDoc* Document() const { return doc_.get(); }
    CMainFrame* Frame() const { return frame_.get(); }
    CFrameUi& Ui() const { return *ui_; }

private:
    bool OnAppCommand(int command);
    void OnOpenPageInNewBrowser();
    void AttachToTab(const std::string& endpoint, const std::string& targetId);

    // Destroyed in reverse: the thread that starts the browser stops first, the frame and its
    // panes go before the document they show, and the browser the program started goes last,
    // once nothing holds a session to it.
    std::unique_ptr<COwnBrowser> ownBrowser_;
    std::unique_ptr<CFrameUi> ui_;
    std::unique_ptr<CPagewrightDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CWorkThread> browserStarter_;
};

}  // namespace marklens

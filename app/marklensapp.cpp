#include "marklensapp.h"

#include <cstdio>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QTimer>

#include "aboutdialog.h"
#include "base/workthread.h"
#include "browser/browserprogram.h"
#include "browser/chromiumshell.h"
#include "browser/chromiumtab.h"
#include "browser/endpointdiscovery.h"
#include "browser/ownbrowser.h"
#include "browser/pageaddress.h"
#include "browser/probelocation.h"
#include "frameui.h"
#include "guardedapplication.h"
#include "mainframe.h"
#include "model/document/commandids.h"
#include "model/document/pagewrightdoc.h"
#include "model/document/workoutcome.h"
#include "model/errors/objectcallerror.h"
#include "registration.h"
#include "resources/stringtable.h"
#include "resources/versionresource.h"
#include "startmode.h"
#include "startoptions.h"
#include "viewsettings.h"

namespace marklens {

namespace {

constexpr const char* kOpenPageCaption = "Open Page in New Browser";
constexpr const char* kOpenPagePrompt = "Address or file:";
constexpr const char* kTabNotListed = "The page opened in the new browser is not among the browser pages.";
constexpr const char* kOpeningPage = "Opening the page in a browser of Marklens's own...";

// Qt aborts when its default platform finds no display; say so in one line instead.
bool DisplayReachable() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;  // the user chose one
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// A windowed browser for the user; headless when asked to (tests) or when it could not show.
bool BrowserHeadless() {
    if (qEnvironmentVariable("MARKLENS_BROWSER_HEADLESS") == QLatin1String("1")) return true;
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

std::string VersionLine() {
    return "Marklens " + resources::QueryVersionValue(QString::fromLatin1(resources::kFileVersionKey)).toStdString();
}

}  // namespace

CMarklensApp::CMarklensApp() : ui_(std::make_unique<CFrameUi>()) {}

CMarklensApp::~CMarklensApp() = default;

int CMarklensApp::RunSwitches(const std::vector<std::string>& args, const std::string& programPath) {
    const StartMode mode = ParseStartMode(args);
    if (mode == StartMode::Normal) return -1;
    if (mode == StartMode::Embedded) return 0;
    const CRegistration registration = CRegistration::ForCurrentUser(programPath);
    std::string error;
    const bool done = mode == StartMode::Register ? registration.Register(error) : registration.Unregister(error);
    if (!done) std::fprintf(stderr, "marklens: %s\n", error.c_str());
    return done ? 0 : 1;
}

bool CMarklensApp::InitInstance(std::shared_ptr<IBrowserShell> shell) {
    if (doc_) return false;  // one document, one frame
    doc_ = std::make_unique<CPagewrightDoc>(*ui_, std::move(shell));
    doc_->SetFollowing(CViewSettings::ForCurrentUser().FollowPageChanges());
    frame_ = std::make_unique<CMainFrame>(*doc_);
    QObject::connect(frame_.get(), &CMainFrame::followingChanged, frame_.get(), [this](bool on) {
        std::string error;
        if (!CViewSettings::ForCurrentUser().SetFollowPageChanges(on, error))
            frame_->ShowStatusMessage(QString::fromStdString(error), true);
    });
    ui_->SetFrame(frame_.get());
    frame_->SetApplicationCommands([this](int command) { return OnAppCommand(command); });
    frame_->show();
    return true;
}

bool CMarklensApp::OnAppCommand(int command) {
    switch (command) {
    case command::kAbout: ShowAbout(); return true;
    case command::kOpenPageInNewBrowser: OnOpenPageInNewBrowser(); return true;
    default: return false;
    }
}

void CMarklensApp::ShowAbout() {
    CAboutDialog about(frame_.get());
    about.exec();
}

void CMarklensApp::OnOpenPageInNewBrowser() {
    bool ok = false;
    const QString page = QInputDialog::getText(frame_.get(), QString::fromLatin1(kOpenPageCaption),
                                               QString::fromLatin1(kOpenPagePrompt), QLineEdit::Normal, {}, &ok);
    if (ok) OpenPageInNewBrowser(page.toStdString());
}

void CMarklensApp::OpenPageInNewBrowser(const std::string& page) {
    std::string problem;
    const std::optional<std::string> url = PageAddress(page, problem);
    if (!url) {
        ui_->ShowMessage(problem, MessageIcon::Warning);
        return;
    }
    const CBrowserProgram program = CBrowserProgram::Find();
    if (!program.Found()) {
        ui_->ShowMessage(program.problem, MessageIcon::Warning);
        return;
    }
    COwnBrowser::CSettings settings;
    settings.program = program.path;
    settings.profile = OwnBrowserProfile();
    settings.headless = BrowserHeadless();
    if (!browserStarter_) browserStarter_ = std::make_unique<CWorkThread>();
    ui_->SetWorking(true);
    ui_->ShowStatusMessage(kOpeningPage, false);
    browserStarter_->Post([this, url = *url, settings] {
        std::string endpoint, target, failure;
        try {
            // A browser the user closed meanwhile is replaced by a new one.
            if (!ownBrowser_ || !ownBrowser_->IsRunning()) {
                ownBrowser_.reset();
                ownBrowser_ = std::make_unique<COwnBrowser>(settings);
            }
            target = ownBrowser_->OpenPage(url);
            endpoint = ownBrowser_->Endpoint().Text();
        } catch (const std::exception& error) {
            failure = error.what();
        }
        ui_->Post([this, endpoint, target, failure] {
            ui_->SetWorking(false);
            if (!failure.empty()) {
                ui_->ShowMessage(failure, MessageIcon::Warning);
                return;
            }
            AttachToTab(endpoint, target);
        });
    });
}

void CMarklensApp::AttachToTab(const std::string& endpoint, const std::string& targetId) {
    if (auto* shell = dynamic_cast<CChromiumShell*>(doc_->Shell())) shell->AddEndpoint(endpoint);
    doc_->EnumerateBrowsers([this, endpoint, targetId] {
        const std::vector<BrowserWindowHandle>& browsers = doc_->Browsers();
        for (std::size_t position = 0; position < browsers.size(); ++position) {
            const auto* tab = dynamic_cast<const CChromiumTab*>(browsers[position].get());
            if (!tab || tab->TargetId() != targetId || tab->Endpoint().Text() != endpoint) continue;
            doc_->ConnectToBrowser(static_cast<int>(position), [this](const CWorkOutcome& outcome) {
                if (outcome.kind == CWorkOutcome::Kind::Failed) doc_->ReportConnectError(*outcome.error);
            });
            return;
        }
        ui_->ShowMessage(kTabNotListed, MessageIcon::Warning);
    });
}

int CMarklensApp::Main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const CStartOptions options = CStartOptions::Parse(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "marklens: %s (try --help)\n", options.error.c_str());
        return 1;
    }
    if (options.help) {
        std::fputs(StartHelpText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s\n", VersionLine().c_str());
        return 0;
    }
    {
        // Registration runs without a display, so it comes before the GUI application object.
        QCoreApplication core(argc, argv);
        const int switchStatus = RunSwitches(args, QCoreApplication::applicationFilePath().toStdString());
        if (switchStatus >= 0) return switchStatus;
    }
    if (!DisplayReachable()) {
        std::fprintf(stderr, "marklens: %s There is no display (DISPLAY is not set).\n",
                     resources::LoadString(resources::kIdsStartupFailed));
        return 1;
    }
    if (!options.page.empty()) {
        // Nothing could show the page: say so before a window appears.
        if (const CBrowserProgram program = CBrowserProgram::Find(); !program.Found()) {
            std::fprintf(stderr, "marklens: %s\n", program.problem.c_str());
            return 1;
        }
    }
    CBrowserOptions browserOptions;
    browserOptions.extraEndpoints = options.endpoints;
    if (!CChromiumShell(browserOptions).IsProbeLibraryRegistered()) {
        std::fprintf(stderr, "marklens: %s\n", MissingProbeText({}).c_str());
    }
    CGuardedApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marklens"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/marklens/marklens.png")));
    CMarklensApp app;
    if (!app.InitInstance(std::make_shared<CChromiumShell>(browserOptions))) return 1;
    if (!options.page.empty()) {
        // Once the window shows, so the user sees what waits for the browser.
        QTimer::singleShot(0, [&app, page = options.page] { app.OpenPageInNewBrowser(page); });
    }
    return QApplication::exec();
}

}  // namespace marklens

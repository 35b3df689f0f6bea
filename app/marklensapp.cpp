#include "marklensapp.h"

#include <cstdio>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>

#include "aboutdialog.h"
#include "frameui.h"
#include "browser/chromiumshell.h"
#include "mainframe.h"
#include "model/commandids.h"
#include "model/pagewrightdoc.h"
#include "registration.h"
#include "resources/stringtable.h"
#include "startmode.h"

namespace marklens {

namespace {

// Qt aborts when its default platform finds no display; say so in one line instead.
bool DisplayReachable() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;  // the user chose one
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
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
    frame_ = std::make_unique<CMainFrame>(*doc_);
    ui_->SetFrame(frame_.get());
    frame_->SetApplicationCommands([this](int command) { return OnAppCommand(command); });
    frame_->show();
    return true;
}

bool CMarklensApp::OnAppCommand(int command) {
    if (command != command::kAbout) return false;
    ShowAbout();
    return true;
}

void CMarklensApp::ShowAbout() {
    CAboutDialog about(frame_.get());
    about.exec();
}

int CMarklensApp::Main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
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
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marklens"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/marklens/marklens.png")));
    CMarklensApp app;
    if (!app.InitInstance(std::make_shared<CChromiumShell>())) return 1;
    return QApplication::exec();
}

}  // namespace marklens

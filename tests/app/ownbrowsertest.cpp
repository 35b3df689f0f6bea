#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QInputDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/mainframe.h"
#include "app/marklensapp.h"
#include "browser/chromiumshell.h"
#include "browser/ownbrowser.h"
#include "model/document/commandids.h"
#include "model/document/pagewrightdoc.h"
#include "model/errors/objectcallerror.h"
#include "panes/probetreeview.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/modaldriver.h"
#include "tests/support/pageserver.h"

namespace marklens::test {
namespace {

// `marklens PAGE`: the program's own browser (headless here), on a profile under a fresh
// $XDG_CACHE_HOME, attached to the page, closed with the program.
class OwnBrowserTest : public ::testing::Test {
protected:
    OwnBrowserTest() {
        setenv("XDG_CACHE_HOME", cache_.path().toLocal8Bit().constData(), 1);
        setenv("MARKLENS_BROWSER_HEADLESS", "1", 1);
        if (const char* chromium = std::getenv("MARKLENS_CHROMIUM")) setenv("MARKLENS_BROWSER", chromium, 1);
        // Any message box would block the test: note its text and close it.
        QObject::connect(&messageCloser_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages_ << box->text();
                box->accept();
            }
        });
        messageCloser_.start(20);
        app_ = std::make_unique<CMarklensApp>();
        CBrowserOptions options;
        options.timeout = std::chrono::seconds(10);
        app_->InitInstance(std::make_shared<CChromiumShell>(options));
    }

    static std::string Page(const char* name) { return testing::FixturePagesDir() + "/" + name; }
    QString Caption() const { return app_->Frame()->windowTitle(); }
    // The browser starts and the page attaches while the window goes on: until the caption
    // names the page, or a message says why not.
    bool WaitForCaption(const QString& caption) {
        return QTest::qWaitFor([&] { return Caption() == caption || !messages_.isEmpty(); }, 60000) &&
               Caption() == caption;
    }

    QTemporaryDir cache_;
    QTimer messageCloser_;
    QStringList messages_;
    std::unique_ptr<CMarklensApp> app_;
};

TEST_F(OwnBrowserTest, APathOpensAttachedAndTheBrowserClosesWithTheProgram) {
    app_->OpenPageInNewBrowser(Page("edit.html"));
    ASSERT_TRUE(WaitForCaption("Marklens - Edit")) << messages_.join('\n').toStdString();
    ASSERT_TRUE(app_->OwnBrowser());
    const pid_t pid = app_->OwnBrowser()->Pid();
    EXPECT_GT(pid, 0);
    EXPECT_EQ(Caption(), "Marklens - Edit");
    // The tree shows the page's elements.
    auto* tree = app_->Frame()->findChild<CProbeTreeView*>();
    ASSERT_TRUE(tree);
    QTest::qWait(50);
    const QModelIndex root = tree->model()->index(0, 0);
    EXPECT_EQ(root.data().toString(), "doc - Edit");
    const QModelIndex html = tree->model()->index(0, 0, root);
    const QModelIndex body = tree->model()->index(1, 0, html);
    EXPECT_TRUE(body.data().toString().startsWith("<BODY")) << body.data().toString().toStdString();
    EXPECT_TRUE(tree->model()->index(0, 0, body).data().toString().contains("id=\"box\""));

    // File > Open Page in New Browser... asks for the page and opens it in the same browser.
    CModalDriver<QInputDialog> typing([](QInputDialog& dialog) {
        dialog.setTextValue(QString::fromStdString(Page("titled.html")));
        dialog.accept();
    });
    app_->Frame()->Action(command::kOpenPageInNewBrowser)->trigger();
    EXPECT_TRUE(typing.seen);
    EXPECT_TRUE(WaitForCaption("Marklens - Same title")) << messages_.join('\n').toStdString();
    EXPECT_EQ(app_->OwnBrowser()->Pid(), pid);

    const CDevToolsEndpoint endpoint = app_->OwnBrowser()->Endpoint();
    app_.reset();
    EXPECT_EQ(kill(pid, 0), -1);  // ended and reaped
    EXPECT_THROW(endpoint.Request("GET", "/json/version", std::chrono::seconds(2)), CObjectCallError);
}

TEST_F(OwnBrowserTest, ABrowserAlreadyOnTheProfileIsUsedAndNeverClosed) {
    testing::CHeadlessChromium running;
    const std::string profile = cache_.path().toStdString() + "/marklens/browser";
    std::filesystem::create_directories(profile);
    std::ofstream(profile + "/DevToolsActivePort") << running.Port() << "\n/devtools/browser/x\n";

    app_->OpenPageInNewBrowser(Page("edit.html"));
    ASSERT_TRUE(WaitForCaption("Marklens - Edit")) << messages_.join('\n').toStdString();
    EXPECT_EQ(app_->OwnBrowser()->Pid(), -1);
    app_.reset();
    EXPECT_NO_THROW(
        CDevToolsEndpoint::Parse(running.Endpoint())->Request("GET", "/json/version", std::chrono::seconds(2)));
}

TEST_F(OwnBrowserTest, AMissingFileIsAMessageAndStartsNothing) {
    app_->OpenPageInNewBrowser("./no-such-page.html");
    EXPECT_EQ(messages_, QStringList{"No such file: ./no-such-page.html"});
    EXPECT_FALSE(app_->OwnBrowser());
}

}  // namespace
}  // namespace marklens::test

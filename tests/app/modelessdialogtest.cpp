#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/connectdialog.h"
#include "app/dialogmld.h"
#include "browser/chromiumshell.h"
#include "browser/devtoolssession.h"
#include "model/document/documentmessages.h"
#include "model/document/pagewrightdoc.h"
#include "model/mirror/pagemirror.h"
#include "resources/connecttemplate.h"
#include "resources/mldtemplate.h"
#include "tests/support/documentfakes.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/modaldriver.h"
#include "tests/support/pageserver.h"

namespace marklens::test {
namespace {

using testing::CHeadlessChromium;
using testing::CPageServer;
using Clock = std::chrono::steady_clock;

// The buttons of opener.html, top to bottom, each opening one pop-up into its variable.
enum PopupButton { kMld, kFirst, kSecond, kOther };

// A page that opens pop-ups, in the suite's browser; each test has its own document.
class ModelessDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        chrome_ = std::make_unique<CHeadlessChromium>();
        server_ = std::make_unique<CPageServer>(testing::FixturePagesDir());
    }
    static void TearDownTestSuite() {
        chrome_.reset();
        server_.reset();
    }

    void SetUp() override {
        opener_ = chrome_->OpenTab(server_->Url(0, "/opener.html?other=" + std::to_string(server_->Port(1))));
        CBrowserOptions options;
        options.timeout = std::chrono::seconds(5);
        options.endpoints = {chrome_->Endpoint()};
        doc_ = std::make_unique<CPagewrightDoc>(ui_, std::make_shared<CChromiumShell>(options),
                                                CPagewrightDoc::Jobs::Inline);
    }

    // Opens a pop-up as a user would, by a click on its button (headless Chromium blocks
    // pop-ups without a gesture), and waits until the browser lists its page.
    void OpenPopup(PopupButton button) { ClickAndWaitForPopup(opener_, 60, 15 + 40 * static_cast<int>(button)); }
    void ClickAndWaitForPopup(const std::string& target, double x, double y) {
        const std::size_t before = Targets();
        CDevToolsSession session("127.0.0.1", std::to_string(chrome_->Port()), "/devtools/page/" + target,
                                 std::chrono::seconds(5));
        for (const char* type : {"mousePressed", "mouseReleased"}) {
            session.Call("Input.dispatchMouseEvent",
                         {{"type", type}, {"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}});
        }
        ASSERT_TRUE(WaitFor([&] { return Targets() > before; })) << "no pop-up opened";
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // its page loads
    }

    // The opener's position in the document's lists, enumerated afresh.
    int OpenerPosition(const char* title = "Opener") {
        doc_->EnumerateBrowsers([] {});
        const auto& labels = doc_->BrowserLabels();
        return static_cast<int>(std::find(labels.begin(), labels.end(), title) - labels.begin());
    }

    std::string PageVariable() { return chrome_->Evaluate(opener_, "window.__wrightRetval"); }
    std::string MirrorText() const { return doc_->Mirror() ? doc_->Mirror()->ToXml() : std::string(); }

    static std::size_t Targets() {
        CChromiumShell shell([] {
            CBrowserOptions options;
            options.endpoints = {chrome_->Endpoint()};
            return options;
        }());
        return shell.EnumerateBrowsers().size();
    }
    static bool WaitFor(const std::function<bool()>& done) {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    static void Click(QWidget& dialog, int id) {
        QTest::mouseClick(qobject_cast<QPushButton*>(qobject_cast<CTemplateDialog*>(&dialog)->Control(id)),
                          Qt::LeftButton);
    }

    static std::unique_ptr<CHeadlessChromium> chrome_;
    static std::unique_ptr<CPageServer> server_;
    std::string opener_;
    CRecordingUi ui_;
    std::unique_ptr<CPagewrightDoc> doc_;
};

std::unique_ptr<CHeadlessChromium> ModelessDialog::chrome_;
std::unique_ptr<CPageServer> ModelessDialog::server_;

TEST_F(ModelessDialog, TestThenOkAttachesToThePopupAndRefreshFollowsItUntilItCloses) {
    OpenPopup(kMld);
    CConnectDialog connect(*doc_, nullptr);
    connect.show();
    const int position = OpenerPosition();
    connect.BrowserList()->setCurrentRow(position);
    CModalDriver<CDialogMld> driver([&](CDialogMld& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Find Modeless Dialog");
        EXPECT_EQ(dialog.Expression()->selectedText(), "_mld");
        Click(dialog, resources::kIdcModelessTest);
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0].text, message::kModelessFound);
        EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Information);
        EXPECT_EQ(PageVariable(), "null");
        EXPECT_FALSE(doc_->IsAttached());
        EXPECT_TRUE(dialog.isVisible());
        ui_.messages.clear();
        Click(dialog, 1);
    });
    Click(connect, resources::kIdcFindModeless);
    ASSERT_TRUE(driver.seen);
    EXPECT_FALSE(connect.isVisible());
    EXPECT_EQ(connect.result(), QDialog::Accepted);
    ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text;
    EXPECT_EQ(ui_.captions.back(), "Marklens - Opener");
    EXPECT_NE(MirrorText().find("window-mld"), std::string::npos) << MirrorText().substr(0, 600);
    EXPECT_EQ(MirrorText().find("id=&quot;second&quot;"), std::string::npos);
    ASSERT_TRUE(doc_->Picture());
    EXPECT_GT(doc_->Picture()->width, 0);

    doc_->Refresh();
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_NE(MirrorText().find("window-mld"), std::string::npos);

    chrome_->Evaluate(opener_, "_mld.close(), true");
    ASSERT_TRUE(WaitFor([&] { return chrome_->Evaluate(opener_, "_mld.closed") == "true"; }));
    const auto started = Clock::now();
    doc_->Refresh();
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, message::kCouldNotConnect);
}

TEST_F(ModelessDialog, ValuesThatAreNoWindowAreNotFoundAndThePageVariableTellsHowFarTheyGot) {
    const int position = OpenerPosition();
    CDialogMld dialog(*doc_, position, nullptr);
    dialog.show();
    // An object is cleared once read; what is no object stays; an empty expression does not
    // compile, so the variable keeps its earlier value.
    const std::vector<std::pair<QString, std::string>> cases{
        {"document.body", "null"}, {"5", "5"}, {"'text'", "\"text\""}, {"", "\"text\""}};
    for (const auto& [expression, variable] : cases) {
        ui_.messages.clear();
        dialog.Expression()->setText(expression);
        Click(dialog, resources::kIdcModelessTest);
        ASSERT_EQ(ui_.messages.size(), 1u) << expression.toStdString();
        EXPECT_EQ(ui_.messages[0].text, message::kModelessNotFound);
        EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Warning);
        EXPECT_EQ(PageVariable(), variable) << expression.toStdString();
    }
    // OK with no window attaches nothing and keeps the dialog open.
    Click(dialog, 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(doc_->IsAttached());
}

TEST_F(ModelessDialog, PopupOfAnotherOriginIsDeniedAndTwinPopupsAreToldApart) {
    OpenPopup(kOther);
    OpenPopup(kFirst);
    OpenPopup(kSecond);
    const int position = OpenerPosition();
    CDialogMld dialog(*doc_, position, nullptr);
    dialog.show();
    dialog.Expression()->setText("_other");
    Click(dialog, resources::kIdcModelessTest);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, message::kModelessAccessDenied);
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Warning);

    // Same address, same title: the expression decides which one.
    ui_.messages.clear();
    dialog.Expression()->setText("_second");
    Click(dialog, 1);
    ASSERT_TRUE(ui_.messages.empty()) << ui_.messages[0].text;
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_NE(MirrorText().find("window-second"), std::string::npos);
    EXPECT_EQ(MirrorText().find("window-first"), std::string::npos);
    doc_->EvaluateModelessExpression(position, "_first", false, [](const CWorkOutcome&) {});
    EXPECT_NE(MirrorText().find("window-first"), std::string::npos);
}

TEST_F(ModelessDialog, DemoPagePopupIsFoundThroughItsDefaultExpression) {
    const std::string demo = chrome_->OpenTab("file://" MARKLENS_SOURCE_DIR "/resources/demo/index.html");
    const std::string center = chrome_->Evaluate(demo,
                                                 "(r => [r.x + r.width / 2, r.y + r.height / "
                                                 "2])(document.getElementById('open-popup').getBoundingClientRect())");
    const nlohmann::json point = nlohmann::json::parse(center);
    ClickAndWaitForPopup(demo, point[0].get<double>(), point[1].get<double>());
    doc_->EvaluateModelessExpression(OpenerPosition("Marklens demo page"), CDialogMld::kDefaultExpression, false,
                                     [](const CWorkOutcome&) {});
    EXPECT_EQ(ui_.captions.back(), "Marklens - Marklens demo page");
    EXPECT_NE(MirrorText().find("Marklens demo pop-up"), std::string::npos) << MirrorText().substr(0, 600);
}

}  // namespace
}  // namespace marklens::test

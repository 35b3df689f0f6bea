#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/connectdialog.h"
#include "browser/chromiumshell.h"
#include "model/document/documentmessages.h"
#include "model/document/pagewrightdoc.h"
#include "model/mirror/pagemirror.h"
#include "panes/probetreeview.h"
#include "tests/support/documentfakes.h"
#include "tests/support/eventloopposting.h"
#include "tests/support/headlesschromium.h"
#include "tests/support/pageserver.h"

namespace marklens::test {
namespace {

using testing::CHeadlessChromium;
using testing::CPageServer;

// One browser and page server for the suite; each test has its own document and dialog.
class ConnectDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        chrome_ = std::make_unique<CHeadlessChromium>();
        server_ = std::make_unique<CPageServer>(testing::FixturePagesDir());
    }
    static void TearDownTestSuite() {
        chrome_.reset();
        server_.reset();
    }

    // A document whose shell asks only the endpoint given (the suite's browser by default).
    void MakeDocument(const std::string& endpoint = {}, const std::string& probePath = {}) {
        CBrowserOptions options;
        options.timeout = std::chrono::seconds(5);
        options.endpoints = {endpoint.empty() ? chrome_->Endpoint() : endpoint};
        options.probePath = probePath;
        PostThroughEventLoop(ui_);
        doc_ = std::make_unique<CPagewrightDoc>(ui_, std::make_shared<CChromiumShell>(options));
        OpenDialog();
    }
    // A dialog of its own, once it has listed the browser pages.
    void OpenDialog() {
        dialog_ = std::make_unique<CConnectDialog>(*doc_, nullptr);
        dialog_->show();
        Settle();
    }
    // Until the dialog has its answer from the browser.
    void Settle() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog_->IsWaiting(); }, 20000));
    }

    QStringList Entries() const {
        QStringList entries;
        for (int row = 0; row < dialog_->BrowserList()->count(); ++row) entries << dialog_->BrowserList()->item(row)->text();
        return entries;
    }
    int RowOf(const QString& text) const { return Entries().indexOf(text); }
    void Click(int buttonId) {
        QTest::mouseClick(qobject_cast<QPushButton*>(dialog_->Control(buttonId)), Qt::LeftButton);
        Settle();
    }

    static std::unique_ptr<CHeadlessChromium> chrome_;
    static std::unique_ptr<CPageServer> server_;
    CRecordingUi ui_;
    std::unique_ptr<CPagewrightDoc> doc_;
    std::unique_ptr<CConnectDialog> dialog_;
};

std::unique_ptr<CHeadlessChromium> ConnectDialog::chrome_;
std::unique_ptr<CPageServer> ConnectDialog::server_;

constexpr int kConnect = 1;
constexpr int kRefresh = 3;

TEST_F(ConnectDialog, ListsTabsWithTheSameTitleAndKeepsThePositionOverARefresh) {
    const std::string first = chrome_->OpenTab(server_->Url(0, "/titled.html?a"));
    const std::string second = chrome_->OpenTab(server_->Url(0, "/titled.html?b"));
    MakeDocument();
    EXPECT_EQ(Entries().count("Same title"), 2);
    EXPECT_TRUE(dialog_->ConnectButton()->isEnabled());
    EXPECT_FALSE(dialog_->NoneFoundHint()->isVisible());
    EXPECT_EQ(dialog_->BrowserList()->currentRow(), 0);

    const int last = dialog_->BrowserList()->count() - 1;
    dialog_->BrowserList()->setCurrentRow(last);
    Click(kRefresh);
    EXPECT_EQ(dialog_->BrowserList()->currentRow(), last);
    // F5 does the same, and a list that shrank below the position selects nothing.
    chrome_->CloseTab(second);
    QApplication::setActiveWindow(dialog_.get());
    for (int tries = 0; tries < 50 && dialog_->BrowserList()->count() != last; ++tries) {
        QTest::keyClick(dialog_->BrowserList(), Qt::Key_F5);
        Settle();
        QTest::qWait(100);  // the browser drops a closed tab from its list a moment later
    }
    EXPECT_EQ(dialog_->BrowserList()->count(), last);
    EXPECT_EQ(dialog_->BrowserList()->currentRow(), -1);
    // Connect with nothing selected names no browser: the dialog stays open.
    Click(kConnect);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_TRUE(ui_.messages.empty());
    chrome_->CloseTab(first);
}

TEST_F(ConnectDialog, ConnectAttachesTheChosenTab) {
    const std::string tab = chrome_->OpenTab(server_->Url(0, "/edit.html"));
    MakeDocument();
    const int row = RowOf("Edit");
    ASSERT_GE(row, 0);
    dialog_->BrowserList()->setCurrentRow(row);
    CProbeTreeView tree(*doc_);
    tree.show();
    Click(kConnect);
    QTest::qWait(50);  // the tree opens its root once the update has returned
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    ASSERT_TRUE(ui_.messages.empty()) << ui_.messages.front().text;
    ASSERT_FALSE(ui_.captions.empty());
    EXPECT_EQ(ui_.captions.back(), "Marklens - Edit");
    ASSERT_TRUE(doc_->Mirror());
    EXPECT_EQ(doc_->GetSelection(), 0);
    const std::string mirror = doc_->Mirror()->ToXml();
    EXPECT_NE(mirror.find("id=&quot;box&quot;"), std::string::npos) << mirror.substr(0, 400);
    ASSERT_TRUE(doc_->Picture());
    EXPECT_GT(doc_->Picture()->width, 0);

    // The tree shows the page: the root open, HEAD folded.
    const QModelIndex root = tree.model()->index(0, 0);
    EXPECT_EQ(root.data().toString(), "doc - Edit");
    EXPECT_TRUE(tree.isExpanded(root));
    const QModelIndex head = tree.model()->index(0, 0, tree.model()->index(0, 0, root));
    EXPECT_TRUE(head.data().toString().startsWith("<HEAD")) << head.data().toString().toStdString();
    EXPECT_FALSE(tree.isExpanded(head));

    // A second attach to the same tab gives a fresh mirror and no selection.
    doc_->SetSelection(3, nullptr);
    bool attached = false;
    doc_->ConnectToBrowser(row, [&](const CWorkOutcome& outcome) { attached = outcome.IsDone(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return attached; }, 20000));
    EXPECT_EQ(doc_->GetSelection(), 0);
    chrome_->CloseTab(tab);
}

TEST_F(ConnectDialog, NoBrowserGivesNoneFoundAndADisabledConnect) {
    MakeDocument("127.0.0.1:1");
    EXPECT_EQ(Entries(), QStringList{QString::fromLatin1(CConnectDialog::kNoneFound)});
    EXPECT_FALSE(dialog_->ConnectButton()->isEnabled());
    // One line tells how to get a browser into the list.
    EXPECT_TRUE(dialog_->NoneFoundHint()->isVisible());
    EXPECT_TRUE(dialog_->NoneFoundHint()->text().contains("--remote-debugging-port=9222"));
    EXPECT_TRUE(dialog_->NoneFoundHint()->text().contains("Open Page in New Browser..."));
    // A double-click on the placeholder entry attaches nothing and keeps the dialog.
    QListWidgetItem* item = dialog_->BrowserList()->item(0);
    emit dialog_->BrowserList()->itemDoubleClicked(item);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_FALSE(doc_->IsAttached());
}

TEST_F(ConnectDialog, MissingProbeLibraryChangesNothing) {
    const std::string tab = chrome_->OpenTab(server_->Url(0, "/edit.html"));
    MakeDocument({}, "/nonexistent/marklens-probe.js");
    dialog_->BrowserList()->setCurrentRow(RowOf("Edit"));
    Click(kConnect);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, message::kLibraryNotRegistered);
    EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(ui_.captions.empty());
    EXPECT_FALSE(doc_->IsAttached());
    EXPECT_FALSE(dialog_->isVisible());
    chrome_->CloseTab(tab);
}

// CTest runs each test in a process of its own, so killing the suite's browser harms no other.
TEST_F(ConnectDialog, KilledBrowserBeforeConnectGivesTheConnectError) {
    chrome_->OpenTab(server_->Url(0, "/edit.html"));
    MakeDocument();
    dialog_->BrowserList()->setCurrentRow(RowOf("Edit"));
    chrome_->Kill();
    Click(kConnect);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, message::kCouldNotConnect);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_FALSE(doc_->Mirror());
}

// Esc while the dialog waits for a large page: the attach stops, the dialog closes, and the
// document still shows the page it had, picture and all.
TEST_F(ConnectDialog, EscDuringALargeAttachKeepsThePreviousPage) {
    const std::string small = chrome_->OpenTab(server_->Url(0, "/edit.html"));
    const std::string large = chrome_->OpenTab(server_->Url(0, "/manyrules.html?n=100000"), std::chrono::seconds(60));
    MakeDocument();
    dialog_->BrowserList()->setCurrentRow(RowOf("Edit"));
    Click(kConnect);
    const CPageMirror* mirror = doc_->Mirror();
    const CPicture* picture = doc_->Picture();
    ASSERT_TRUE(mirror && picture);

    OpenDialog();
    dialog_->BrowserList()->setCurrentRow(RowOf("Many rules"));
    QTest::mouseClick(dialog_->ConnectButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog_->IsWaiting());
    EXPECT_FALSE(dialog_->ConnectButton()->isEnabled());
    const auto reading = [&] { return !ui_.progress.empty() && ui_.progress.back().rfind("Reading page: ", 0) == 0; };
    ASSERT_TRUE(QTest::qWaitFor(reading, 20000));
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_FALSE(doc_->IsBusy());
    EXPECT_TRUE(QTest::qWaitFor([&] { return doc_->IsIdle(); }, 20000));
    EXPECT_EQ(doc_->Mirror(), mirror);
    EXPECT_EQ(doc_->Picture(), picture);
    EXPECT_EQ(ui_.captions, std::vector<std::string>{"Marklens - Edit"});
    EXPECT_TRUE(ui_.messages.empty());
    chrome_->CloseTab(small);
    chrome_->CloseTab(large);
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/keystore.h"
#include "app/registration.h"
#include "app/startmode.h"

namespace marklens::test {
namespace {

constexpr const char* kAppIdKey = "HKEY_CLASSES_ROOT\\AppID\\{8A3F6D21-4C7B-4E19-9D05-71B2C8E6F0A4}";
constexpr const char* kExeKey = "HKEY_CLASSES_ROOT\\AppID\\Pagewright.EXE";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class RegistrationTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }
    CRegistration Registration() const {
        return CRegistration(Path("config/marklens/registry.ini"), Path("data/applications/marklens.desktop"),
                             "/opt/marklens/bin/marklens");
    }

    QTemporaryDir dir_;
};

TEST_F(RegistrationTest, RegisterWritesTheTwoAppIdKeysAndTheDesktopEntry) {
    std::string error;
    ASSERT_TRUE(Registration().Register(error)) << error;
    CKeyStore store;
    ASSERT_TRUE(store.Load(Registration().KeyStorePath(), error)) << error;
    EXPECT_EQ(store.Value(kAppIdKey, "@"), "Pagewright");
    EXPECT_EQ(store.Value(kExeKey, "AppID"), "{8A3F6D21-4C7B-4E19-9D05-71B2C8E6F0A4}");
    const std::string entry = ReadFile(Registration().DesktopEntryPath());
    EXPECT_NE(entry.find("Exec=\"/opt/marklens/bin/marklens\""), std::string::npos);
    EXPECT_NE(entry.find("[Desktop Entry]"), std::string::npos);
}

TEST_F(RegistrationTest, RegisterThenUnregisterLeavesTheStoreAsItWas) {
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/config/marklens"));
    const std::string before =
        "[HKEY_CLASSES_ROOT\\AppID]\n"
        "\n"
        "[HKEY_CLASSES_ROOT\\AppID\\{00000000-1111-2222-3333-444444444444}]\n"
        "@=Other program\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\n"
        "Size=12\n";
    WriteFile(Registration().KeyStorePath(), before);
    std::string error;
    ASSERT_TRUE(Registration().Register(error)) << error;
    EXPECT_NE(ReadFile(Registration().KeyStorePath()), before);
    ASSERT_TRUE(Registration().Register(error)) << error;  // twice is the same as once
    ASSERT_TRUE(Registration().Unregister(error)) << error;
    EXPECT_EQ(ReadFile(Registration().KeyStorePath()), before);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Registration().DesktopEntryPath())));
    ASSERT_TRUE(Registration().Unregister(error)) << error;  // nothing left to remove
    EXPECT_EQ(ReadFile(Registration().KeyStorePath()), before);
}

TEST_F(RegistrationTest, UnregisterKeepsTheSharedAppIdKeyWhileOthersUseIt) {
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/config/marklens"));
    WriteFile(Registration().KeyStorePath(), "[HKEY_CLASSES_ROOT\\AppID]\nVersion=2\n");
    std::string error;
    ASSERT_TRUE(Registration().Register(error));
    ASSERT_TRUE(Registration().Unregister(error));
    CKeyStore store;
    ASSERT_TRUE(store.Load(Registration().KeyStorePath(), error));
    EXPECT_EQ(store.Value("HKEY_CLASSES_ROOT\\AppID", "Version"), "2");
    EXPECT_FALSE(store.HasKey(kAppIdKey));
    EXPECT_FALSE(store.HasKey(kExeKey));
}

TEST_F(RegistrationTest, AStoreWithUnknownLinesIsReportedAndNotOverwritten) {
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/config/marklens"));
    const std::string foreign = "; hand-written\n[HKEY_CLASSES_ROOT\\AppID]\n";
    WriteFile(Registration().KeyStorePath(), foreign);
    std::string error;
    EXPECT_FALSE(Registration().Register(error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    EXPECT_FALSE(Registration().Unregister(error));
    EXPECT_EQ(ReadFile(Registration().KeyStorePath()), foreign);
}

TEST(KeyStore, RemovingAKeyTreeSparesKeysThatOnlyShareAPrefix) {
    CKeyStore store;
    store.SetValue("A\\B", "x", "1");
    store.SetValue("A\\B\\C", "y", "2");
    store.SetValue("A\\BC", "z", "3");
    EXPECT_FALSE(store.IsEmptyKey("A\\B"));
    store.RemoveKeyTree("A\\B");
    EXPECT_FALSE(store.HasKey("A\\B"));
    EXPECT_FALSE(store.HasKey("A\\B\\C"));
    EXPECT_EQ(store.Value("A\\BC", "z"), "3");
}

TEST(KeyStore, AKeyWithKeysBelowIsNotEmptyWhateverSortsBetween) {
    CKeyStore store;
    store.CreateKey("A");
    store.CreateKey("A.x");  // sorts between "A" and "A\\B"
    store.CreateKey("A\\B");
    EXPECT_FALSE(store.IsEmptyKey("A"));
    store.RemoveKeyTree("A\\B");
    EXPECT_TRUE(store.IsEmptyKey("A"));
    EXPECT_FALSE(store.IsEmptyKey("missing"));
}

TEST(StartMode, SwitchesTakeEitherPrefixAndAnyCase) {
    EXPECT_EQ(ParseStartMode({}), StartMode::Normal);
    EXPECT_EQ(ParseStartMode({"/Regserver"}), StartMode::Register);
    EXPECT_EQ(ParseStartMode({"-REGISTER"}), StartMode::Register);
    EXPECT_EQ(ParseStartMode({"/unregserver"}), StartMode::Unregister);
    EXPECT_EQ(ParseStartMode({"-UnRegister"}), StartMode::Unregister);
    EXPECT_EQ(ParseStartMode({"/Embedding"}), StartMode::Embedded);
    EXPECT_EQ(ParseStartMode({"-automation"}), StartMode::Embedded);
    EXPECT_EQ(ParseStartMode({"/Regserver", "/Embedding"}), StartMode::Embedded);
    EXPECT_EQ(ParseStartMode({"/Register", "/Unregister"}), StartMode::Unregister);
    EXPECT_EQ(ParseStartMode({"Regserver", "//Regserver", "/Regserverx", "/", "page.html"}), StartMode::Normal);
}

// The real program: registration needs no display and shows no window.
class ProgramSwitchesTest : public ::testing::Test {
protected:
    int Run(const QStringList& args, const char* platform = "xcb") {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        if (platform) env.insert("QT_QPA_PLATFORM", platform);  // a window would fail: no display
        env.insert("XDG_CONFIG_HOME", dir_.path() + "/config");
        env.insert("XDG_DATA_HOME", dir_.path() + "/data");
        for (auto it = env_.cbegin(); it != env_.cend(); ++it)
            env.insert(it.key(), it.value());
        program.setProcessEnvironment(env);
        program.start(MARKLENS_PROGRAM, args);
        EXPECT_TRUE(program.waitForFinished(10000));
        output_ = program.readAllStandardOutput().toStdString();
        errors_ = program.readAllStandardError().toStdString();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }
    std::string Store() const { return ReadFile((dir_.path() + "/config/marklens/registry.ini").toStdString()); }

    QTemporaryDir dir_;
    QHash<QString, QString> env_;  // set for the program, over the test's own
    std::string output_;
    std::string errors_;
};

TEST_F(ProgramSwitchesTest, RegserverThenUnregserverRunWithoutAWindow) {
    ASSERT_EQ(Run({"/Regserver"}), 0);
    EXPECT_NE(Store().find("@=Pagewright"), std::string::npos);
    EXPECT_TRUE(QFile::exists(dir_.path() + "/data/applications/marklens.desktop"));
    ASSERT_EQ(Run({"-unregserver"}), 0);
    EXPECT_FALSE(QFile::exists(dir_.path() + "/config/marklens/registry.ini"));  // as before
    EXPECT_FALSE(QFile::exists(dir_.path() + "/data/applications/marklens.desktop"));
}

TEST_F(ProgramSwitchesTest, ANormalStartWithoutADisplaySaysSoInOneLine) {
    EXPECT_EQ(Run({}, nullptr), 1);
    EXPECT_NE(errors_.find("no display"), std::string::npos) << errors_;
    EXPECT_EQ(std::count(errors_.begin(), errors_.end(), '\n'), 1) << errors_;
}

TEST_F(ProgramSwitchesTest, EmbeddedStartsSucceedAndTouchNothing) {
    EXPECT_EQ(Run({"/Embedding"}), 0);
    EXPECT_EQ(Run({"-AUTOMATION"}), 0);
    EXPECT_FALSE(QFile::exists(dir_.path() + "/config/marklens/registry.ini"));
}

TEST_F(ProgramSwitchesTest, VersionHelpAndPagesNeedNoDisplay) {
    EXPECT_EQ(Run({"--version"}, nullptr), 0);
    EXPECT_EQ(output_, "Marklens 1.0.1\n");
    EXPECT_EQ(Run({"--help"}, nullptr), 0);
    EXPECT_NE(output_.find("--endpoint HOST:PORT"), std::string::npos) << output_;
    EXPECT_EQ(Run({"--endpoint", "nowhere"}, nullptr), 1);
    EXPECT_NE(errors_.find("--endpoint needs HOST:PORT, not 'nowhere'"), std::string::npos) << errors_;
    EXPECT_EQ(Run({"a.html", "b.html"}, nullptr), 1);
    EXPECT_EQ(Run({"-platform", "offscreen"}, nullptr), 1);  // not a page named -platform
}

TEST_F(ProgramSwitchesTest, APageWithoutABrowserToStartSaysWhatWasLookedFor) {
    env_ = {{"PATH", dir_.path()}, {"MARKLENS_BROWSER", ""}};
    EXPECT_EQ(Run({"page.html"}, "offscreen"), 1);
    for (const char* name : {"chromium,", "chromium-browser", "google-chrome", "MARKLENS_BROWSER"}) {
        EXPECT_NE(errors_.find(name), std::string::npos) << errors_;
    }
    env_ = {{"MARKLENS_BROWSER", dir_.path() + "/no-such-browser"}};
    EXPECT_EQ(Run({"https://example.org/"}, "offscreen"), 1);
    EXPECT_NE(errors_.find("no-such-browser"), std::string::npos) << errors_;
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/aboutdialog.h"
#include "app/frameui.h"
#include "app/mainframe.h"
#include "app/marklensapp.h"
#include "model/document/commandids.h"
#include "resources/versionresource.h"

namespace marklens::test {
namespace {

TEST(AboutBox, ShowsTheCompiledInFileVersion) {
    for (int round = 0; round < 2; ++round) {  // a second box shows the same
        CAboutDialog about(nullptr);
        EXPECT_EQ(about.windowTitle(), "About Marklens");
        EXPECT_EQ(about.VersionLine(), "Marklens Version 1.0.1");
        auto* ok = qobject_cast<QPushButton*>(about.Control(1));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        EXPECT_TRUE(ok->isDefault());
    }
}

TEST(AboutBox, LaysOutInDialogUnits) {
    CAboutDialog about(nullptr);
    const QPoint size = about.DialogUnitsToPixels(235, 55);
    EXPECT_EQ(about.size(), QSize(size.x(), size.y()));
    const QWidget* ok = about.Control(1);
    EXPECT_EQ(ok->pos(), about.DialogUnitsToPixels(178, 7));
    // The dialog font's character cell, not a fixed pixel scale.
    EXPECT_GT(size.x(), 235);
    EXPECT_LT(size.x(), 235 * 4);
}

TEST(AboutBox, OkClosesTheBoxThatTheHelpCommandOpens) {
    CMarklensApp app;
    ASSERT_TRUE(app.InitInstance(nullptr));
    bool sawBox = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        sawBox = about->VersionLine() == "Marklens Version 1.0.1";
        QTest::mouseClick(qobject_cast<QPushButton*>(about->Control(1)), Qt::LeftButton);
    });
    app.Frame()->Action(command::kAbout)->trigger();  // returns once OK closed it
    EXPECT_TRUE(sawBox);
}

TEST(VersionResource, MissingResourceOrKeyGivesEmptyText) {
    EXPECT_EQ(resources::QueryVersionValue(QLatin1String(resources::kFileVersionKey)), "1.0.1");
    EXPECT_EQ(resources::QueryVersionValue("\\StringFileInfo\\040904E4\\ProductVersion"), "1.0.0.3 Beta");
    EXPECT_TRUE(resources::QueryVersionValue("\\StringFileInfo\\040904E4\\NoSuchKey").isEmpty());
    EXPECT_TRUE(resources::QueryVersionValue("\\StringFileInfo\\040904E4\\File").isEmpty());
    EXPECT_TRUE(resources::QueryVersionValue(QLatin1String(resources::kFileVersionKey), ":/nothing/here").isEmpty());
}

}  // namespace
}  // namespace marklens::test

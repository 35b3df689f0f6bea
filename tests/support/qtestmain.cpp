#include <gtest/gtest.h>

#include <QApplication>

// Real widgets on the offscreen platform: no display needed, events delivered as usual.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

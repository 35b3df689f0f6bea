#include <gtest/gtest.h>

#include <QApplication>

// Real widgets on the offscreen platform unless another is asked for: no display needed,
// events delivered as usual.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

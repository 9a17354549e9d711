// main() of the GUI test programs: one QApplication for all tests of the program, on Qt's
// offscreen platform unless QT_QPA_PLATFORM names another (test discovery at build time runs
// without the test environment, so the default is set here too).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

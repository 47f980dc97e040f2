// The main of every window test program: one QApplication for the whole run, on the offscreen
// platform unless the environment names another, so that the tests need no display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime folder for its sockets and warns without one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        static QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

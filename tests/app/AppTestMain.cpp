#include <gtest/gtest.h>

#include "ui/Application.h"

// The application's own QApplication, so keys reach the main window first as in the program.
// Qt's offscreen platform unless the caller chose another (Xvfb for OpenGL); offscreen, the
// screen is a common desktop's, so that a first run has room for every window.
int main(int argc, char** argv) {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" MA_TEST_DATA "/desktop-screen.json");
    CApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

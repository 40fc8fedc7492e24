#include <gtest/gtest.h>

#include "ui/Application.h"

// The application's own QApplication, so keys reach the main window first as in the program.
// Qt's offscreen platform unless the caller chose another (Xvfb for OpenGL).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

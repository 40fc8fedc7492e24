// modal-atlas: the application's entry.
//
// Scripted runs (the screenshot and start-up time scripts, the GUI tests) steer it through the
// environment:
//   MA_SETTINGS_FILE=FILE    the settings store is this file instead of the user's
//   MA_CONTENT_ROOT=DIR      the content folders lie here instead of beside the program
//   MA_LOCK_DIR=DIR          where the single-instance lock lives
//   MA_MESSAGE_BOXES=print   message boxes are written to standard error, not shown
//   MA_LAUNCH_NS=N           wall-clock nanoseconds (date +%s%N) at launch: once the main window
//                            is shown and started, "startup-ms: T" is printed
//   MA_SCREENSHOT=FILE.png   once started, the main window is saved as a picture
//   MA_PICTURE=N             once started, the band view shows picture N (1: the shapes of
//                            the mesh builders) instead of the band
//   MA_COMMAND=N             once started, menu command N runs (before the picture, which then
//                            shows the dialog the command opened, if any)
//   MA_EXIT_AFTER_START=1    once started (and photographed), the window closes as if the
//                            user had closed it
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Center.h"
#include "app/SingleInstance.h"
#include "app/Version.h"
#include "core/Crash.h"
#include "core/Path.h"
#include "core/Report.h"
#include "render/SpacePainter.h"
#include "tools/MainWnd.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

namespace {

void WhenStarted(CCenter& center) {
    CMainWnd* frame = center.GetMainWindow();
    const char* launch = std::getenv("MA_LAUNCH_NS");
    const char* shot = std::getenv("MA_SCREENSHOT");
    const char* exitAfter = std::getenv("MA_EXIT_AFTER_START");
    const char* picture = std::getenv("MA_PICTURE");
    const char* command = std::getenv("MA_COMMAND");
    if (!launch && !shot && !exitAfter && !picture && !command)
        return;
    // Polled: the start message runs inside the event loop, and the window is shown at its end.
    auto* poll = new QTimer(frame);
    poll->setInterval(10);
    QObject::connect(
        poll, &QTimer::timeout, frame,
        [&center, frame, poll, launch, shot, exitAfter, picture, command] {
            if (!frame->AreTimersRunning() || !frame->isVisible())
                return;
            poll->stop();
            if (picture && *picture && center.GetScene())
                center.GetScene()->SetPicture(std::atoi(picture));
            if (launch) {
                long long start = std::atoll(launch);
                long long now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count();
                std::printf("startup-ms: %.1f\n", (now - start) / 1e6);
                std::fflush(stdout);
            }
            auto finish = [frame, shot, exitAfter] {
                // A dialog that a command left open is what the picture shows.
                QWidget* modal = QApplication::activeModalWidget();
                if (shot && *shot) {
                    bool saved = (modal ? modal : frame)->grab().save(QString::fromUtf8(shot));
                    std::fprintf(stderr, saved ? "Saved %s\n" : "Can't save %s\n", shot);
                }
                if (exitAfter && *exitAfter == '1') {
                    if (modal)
                        modal->close();
                    QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
                }
            };
            // A screenshot waits for the first frames of the band view.
            QTimer::singleShot(shot ? 500 : 0, frame, finish);
            // Queued behind the picture's timer: a modal dialog's own loop runs it.
            if (command && *command)
                QTimer::singleShot(0, frame,
                                   [frame, command] { frame->OnCommand(std::atoi(command), 0); });
        });
    poll->start();
}

} // namespace

int main(int argc, char** argv) {
    InstallCrashHandler();
    CApplication app(argc, argv);
    // Desktops match the windows to the desktop entry by this name.
    QGuiApplication::setDesktopFileName(MA_APP_ID);
    if (const char* root = std::getenv("MA_CONTENT_ROOT"); root && *root)
        OverrideExecutableFolder(root);

    CSingleInstance instance;
    switch (instance.Acquire(kInstanceName)) {
    case CSingleInstance::kAcquired:
        break;
    case CSingleInstance::kHeldByOther:
        ShowMessageBox(nullptr, "Another instance of\nthis application is running", kProductTitle,
                       MB_ICON_WARNING);
        RemoveCrashHandler();
        return 0;
    case CSingleInstance::kLockFailed: {
        // Nothing says that another instance runs: the user is told what is wrong, and the
        // program runs. A second instance could at worst save its settings and mix over ours.
        CCharString text;
        text.Format("Can't check for another instance of this application:\n%s\n\nThe "
                    "program starts anyway.",
                    instance.GetError().GetText());
        REPORT_ERROR("%s", instance.GetError().GetText());
        ShowMessageBox(nullptr, text, kProductTitle, MB_ICON_WARNING);
        break;
    }
    }

    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    {
        CCenter center(kAppNumber, commandLine.c_str());
        if (!center.Create()) {
            CCharString text;
            text.Format("Can't initialize %s:\n%s", kProductTitle, center.GetError().GetText());
            ShowMessageBox(nullptr, text, kProductTitle, MB_ICON_STOP);
        } else {
            app.SetKeyFrame(center.GetMainWindow());
            WhenStarted(center);
            app.exec();
            app.SetKeyFrame(nullptr);
        }
    }
    RemoveCrashHandler();
    return 0;
}

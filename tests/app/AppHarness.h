// The real application for a test or a benchmark: a content root and settings file of its own
// in a temporary folder, started on an audio device the caller makes, and closed as the user
// closes it. Tests derive from it beside ::testing::Test; a benchmark owns one.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/Center.h"
#include "app/SettingsStore.h"
#include "core/Path.h"
#include "sound/AudioDevice.h"
#include "sound/VirtualDevice.h"
#include "tools/MainWnd.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

class CAppHarness {
public:
    using DEVICE_FACTORY = std::function<std::unique_ptr<CAudioDevice>()>;

    // Runs the event loop until done() holds or ms have passed.
    static bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
        return true;
    }

    // The folders the application expects, and a one-lesson index whose page is welcomePage.
    bool MakeContentRoot(const QByteArray& welcomePage) {
        if (!m_dir.isValid())
            return false;
        m_root = m_dir.filePath("root");
        m_settingsFile = m_dir.filePath("settings.ini");
        for (const char* folder :
             {"Sound", "Tutorials/Scales", "Data", "Grooves", "Songs", "MIDI", "WAVE", "Temp"})
            QDir().mkpath(m_root + "/" + folder);
        return WriteIndex("Welcome~Welcome.txt\r\n") &&
               WriteFile("Tutorials/Scales/Welcome.txt", welcomePage);
    }
    bool WriteFile(const char* name, const QByteArray& bytes) const {
        QFile file(m_root + "/" + name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    bool WriteIndex(const QByteArray& bytes) const {
        return WriteFile("Tutorials/Scales/Scales Content.txt", bytes);
    }
    // Links what the build made in one of its content folders (the sample sets in "Sound", the
    // groove library in "Grooves") into this root; false when the build made nothing there.
    bool LinkBuildFolder(const char* folder) const {
        QDir made(QString(MA_RUNTIME_DIR) + "/" + folder);
        const QStringList entries = made.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& entry : entries)
            QFile::link(made.filePath(entry), m_root + "/" + folder + "/" + entry);
        return !entries.isEmpty();
    }

    // Points the application at this root and settings file, its message boxes at hook.
    void Install(MessageBoxHook hook) const {
        OverrideExecutableFolder(m_root.toUtf8().constData());
        SetSettingsFile(m_settingsFile.toUtf8().constData());
        SetMessageBoxHook(hook);
    }
    // Closes the application if it still runs and undoes Install.
    void Uninstall() {
        if (m_center)
            Quit();
        SetMessageBoxHook(nullptr);
        OverrideExecutableFolder(nullptr);
        SetSettingsFile(nullptr);
    }

    // Creates the application and lets the start message run, as the entry does: true once its
    // timers run, false when it failed to start (the frame destroys itself then).
    bool Start(DEVICE_FACTORY factory, int ms = 5000) {
        m_center = std::make_unique<CCenter>(kAppNumber, "");
        m_center->SetAudioDeviceFactory(std::move(factory));
        // The sound input is the virtual one unless a test chooses, whatever the machine has.
        m_center->SetCaptureDeviceFactory(m_captureFactory ? m_captureFactory : [] {
            return std::unique_ptr<CAudioDevice>(std::make_unique<CVirtualDevice>());
        });
        if (!m_center->Create())
            return false;
        Frame()->SetQuitOnDestroy(false);
        static_cast<CApplication*>(qApp)->SetKeyFrame(Frame());
        return WaitFor(
                   [this] { return Frame()->AreTimersRunning() || Frame()->IsFrameDestroyed(); },
                   ms) &&
               Frame()->AreTimersRunning();
    }
    // The user closes the main window.
    void Quit() {
        Frame()->close();
        Forget();
    }
    // Lets go of an application whose main window has already gone.
    void Forget() {
        static_cast<CApplication*>(qApp)->SetKeyFrame(nullptr);
        m_center.reset();
    }

    CMainWnd* Frame() const { return m_center->GetMainWindow(); }
    CBaseWindow* Window(int kind) const {
        CBaseWindow* window = nullptr;
        m_center->FindWindow(kind, &window);
        return window;
    }

    // Saves a picture of widget when MA_SCREENSHOT_DIR names a folder; false when that fails.
    static bool Picture(QWidget* widget, const char* name) {
        const QByteArray folder = qgetenv("MA_SCREENSHOT_DIR");
        return folder.isEmpty() || widget->grab().save(folder + "/" + name);
    }

    // Makes the capture's input device at the next Start.
    DEVICE_FACTORY m_captureFactory;
    QTemporaryDir m_dir;
    QString m_root;
    QString m_settingsFile;
    std::unique_ptr<CCenter> m_center;
};

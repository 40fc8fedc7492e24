#pragma once

#include <QTimer>

#include "core/CharString.h"
#include "core/Settings.h"
#include "ui/BaseWindow.h"

class QMdiArea;
class QMenuBar;
class QAction;

// Menu and button commands that the application object handles.
enum COMMAND_ID : int {
    kCmdAbout = 1142,
    kCmdShowTuner = 1198,
    kCmdShowSampler = 1549,
    kCmdAudioSettings = 1203,
    kCmdShowMixer = 1341,
    kCmdShowBand = 1436,
    kCmdArrangeWindows = 1456,
    kCmdShowTutorial = 1575,
    kCmdShowScale = 1577,
    kCmdShowSongEditor = 1580,
    kCmdNoteNamesKey = 1480,
    kCmdNoteNamesSharps = 1481,
    // Show Scale hears the player (a toggle of this application).
    kCmdListen = 1700,
    // Shows the Generator (window kind 16), which has no menu command of its own elsewhere.
    kCmdShowGenerator = 1702,
};

// The main window's timers: 33 ms (frames, capture, end of play), 100 ms, 1000 ms (sound).
enum TIMER_ID : int { kTimerFrame = 1, kTimer100 = 2, kTimerSecond = 3 };

// What the main window asks of the application. The frame owns no music logic: it starts the
// application's second phase, closes it, and hands on every command, key, timer and user
// message. A new route is one more operation here, answered by the application.
class CMainWndHost {
public:
    virtual ~CMainWndHost() = default;
    // The second start phase, run by the start message; false leaves the reason in
    // GetError(), which the frame shows before it closes.
    virtual bool Initialize() = 0;
    virtual const CCharString& GetError() const = 0;
    // Once started: opens the file the command line names.
    virtual void HandleCommandLine() = 0;
    // Run once, when the frame is taken down.
    virtual bool Close() = 0;

    virtual bool OnCommand(int id) = 0;
    virtual bool OnKeyDown(int key, Qt::KeyboardModifiers modifiers) = 0;
    virtual bool OnSysKeyDown(int key, Qt::KeyboardModifiers modifiers) = 0;
    virtual bool OnKeyUp(int key, Qt::KeyboardModifiers modifiers) = 0;
    virtual void OnTimer(int id) = 0;
    // Messages 1026 to 1046 other than the start message.
    virtual bool OnUserMessage(int message, intptr_t wParam, intptr_t lParam) = 0;
    virtual bool OnMouseWheel(int delta) = 0;
};

// The application's frame window (kind 1). It holds no music logic: it starts the application
// object's initialisation once it exists, drives the three timers, forwards commands, keys,
// timers and user messages to the application object, and saves its placement at close.
// Tool windows live in its QMdiArea.
class CMainWnd : public CBaseWindow {
    Q_OBJECT
public:
    CMainWnd(CMainWndHost* host, APP_SETTINGS* settings);
    ~CMainWnd() override;

    // Takes the saved rectangle, or the desktop work area on a first run, builds the menus
    // and posts the start message. Fails with "Can't get desktop size for the main window".
    bool CreateFrame(const char* title);

    QMdiArea* GetMdiArea() const { return m_area; }
    QMenuBar* GetMenuBar() const { return m_menuBar; }
    // The menu item of a command, or null.
    QAction* GetAction(int id) const;
    bool AreTimersRunning() const;
    int GetTimerInterval(int timerId) const;
    // Whether the frame was taken down (its placement stored and the application closed).
    bool IsFrameDestroyed() const { return m_frameDestroyed; }
    // Scripted and test runs that own the event loop themselves keep it running.
    void SetQuitOnDestroy(bool quit) { m_quitOnDestroy = quit; }

    // Runs a command with the wait cursor shown around it.
    bool OnCommand(int id, int code) override;
    bool OnUserMessage(int message, intptr_t wParam, intptr_t lParam) override;
    bool OnKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    bool OnSysKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    bool OnKeyUp(int key, Qt::KeyboardModifiers modifiers) override;
    bool OnMouseWheel(Qt::MouseButtons buttons, int delta, int x, int y) override;
    bool OnCloseRequest() override { return false; }
    // On a first run the frame, decorations included, fills the work area once it is shown.
    bool OnShow(bool show) override;

    // Stores the placement, stops the timers, closes the application object and (unless told
    // otherwise) quits the event loop. Runs once.
    void DestroyFrame();

protected:
    void closeEvent(QCloseEvent* e) override;
    // Keys reach the frame through the application's notify (CApplication); the widget's own
    // key events must not run the handlers a second time.
    void keyPressEvent(QKeyEvent* e) override { QWidget::keyPressEvent(e); }
    void keyReleaseEvent(QKeyEvent* e) override { QWidget::keyReleaseEvent(e); }

private:
    void BuildMenus();
    void OnStart();
    void StartTimers();
    void StopTimers();

    CMainWndHost* m_host;
    APP_SETTINGS* m_settings;
    QMdiArea* m_area = nullptr;
    QMenuBar* m_menuBar = nullptr;
    QTimer m_timers[3];
    QRect m_workArea; // set until the first-run frame has been fitted
    bool m_frameDestroyed = false;
    bool m_quitOnDestroy = true;
};

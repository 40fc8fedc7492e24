#include "tools/MainWnd.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>

#include "core/Report.h"
#include "ui/MessageBox.h"

namespace {
// Shows the wait cursor for as long as it lives.
struct CWaitCursor {
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
};
} // namespace

CMainWnd::CMainWnd(CMainWndHost* host, APP_SETTINGS* settings)
    : CBaseWindow(kKindMain), m_host(host), m_settings(settings) {
    const int intervals[3] = {33, 100, 1000};
    for (int i = 0; i < 3; ++i) {
        // Frames and the end-of-play check want the 1 ms resolution the platform can give.
        m_timers[i].setTimerType(Qt::PreciseTimer);
        m_timers[i].setInterval(intervals[i]);
        const int id = i + 1;
        connect(&m_timers[i], &QTimer::timeout, this, [this, id] {
            if (m_host)
                m_host->OnTimer(id);
        });
    }
}

CMainWnd::~CMainWnd() {
    StopTimers();
}

bool CMainWnd::CreateFrame(const char* title) {
    if (IsCreated()) {
        m_error = "Already created";
        return false;
    }
    setAttribute(Qt::WA_QuitOnClose, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    layout->setMenuBar(m_menuBar);
    m_area = new QMdiArea(this);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(m_area);
    BuildMenus();

    if (!Create(nullptr, nullptr, title))
        return false;
    SetMinTrackSize(300, 300);

    WND_RECT& rect = m_settings->mainRect;
    if (!rect.IsSet()) {
        QScreen* screen = QGuiApplication::primaryScreen();
        QRect work = screen ? screen->availableGeometry() : QRect();
        if (work.isEmpty()) {
            m_error = "Can't get desktop size for the main window";
            ReportError("MainWnd", 57, "%s", m_error.GetText());
            return false;
        }
        rect.Set(work.left(), work.top(), work.left() + work.width(), work.top() + work.height());
        m_workArea = work;
    }
    SetRect(rect.left, rect.top, rect.right, rect.bottom);
    PostUserMessage(kMsgStart);
    return true;
}

void CMainWnd::BuildMenus() {
    struct ITEM {
        const char* text;
        int id;
    };
    auto add = [this](QMenu* menu, const ITEM& item) {
        QAction* action = menu->addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id, 0); });
        return action;
    };
    QMenu* show = m_menuBar->addMenu("&Show");
    add(show, {"&Scales and Chords", kCmdShowScale});
    add(show, {"&Band", kCmdShowBand});
    add(show, {"&Tutorial", kCmdShowTutorial});
    add(show, {"&Mixer", kCmdShowMixer});
    add(show, {"&Listen to my playing\tCtrl+H", kCmdListen});
    GetAction(kCmdListen)->setCheckable(true);
    show->addSeparator();
    add(show, {"&Arrange all windows", kCmdArrangeWindows});
    QMenu* tools = m_menuBar->addMenu("&Tools");
    add(tools, {"T&uner\tF3", kCmdShowTuner});
    add(tools, {"Sample &Recorder", kCmdShowSampler});
    add(tools, {"&Generator", kCmdShowGenerator});
    add(tools, {"&Song Editor", kCmdShowSongEditor});
    QMenu* settings = m_menuBar->addMenu("Settings");
    add(settings, {"Audio", kCmdAudioSettings});
    QMenu* names = settings->addMenu("Note names");
    auto* choice = new QActionGroup(names);
    for (const ITEM& item : {ITEM{"As the key is written", kCmdNoteNamesKey},
                             ITEM{"Sharps only", kCmdNoteNamesSharps}}) {
        QAction* action = add(names, item);
        action->setCheckable(true);
        action->setActionGroup(choice);
        action->setChecked((item.id == kCmdNoteNamesSharps) ==
                           (m_settings && m_settings->showScale.noteNames != 0));
    }
    add(settings, {"About...", kCmdAbout});
}

bool CMainWnd::OnShow(bool show) {
    CBaseWindow::OnShow(show);
    if (show && m_workArea.isValid()) {
        // The window manager's frame is known only now: the client shrinks by it.
        const QRect frame = frameGeometry();
        const QRect client = geometry();
        setGeometry(m_workArea.adjusted(client.left() - frame.left(), client.top() - frame.top(),
                                        client.right() - frame.right(),
                                        client.bottom() - frame.bottom()));
        m_workArea = QRect();
    }
    return true;
}

QAction* CMainWnd::GetAction(int id) const {
    if (!m_menuBar)
        return nullptr;
    // Submenus included.
    for (QAction* action : m_menuBar->findChildren<QAction*>())
        if (action->data().toInt() == id && !action->isSeparator())
            return action;
    return nullptr;
}

bool CMainWnd::AreTimersRunning() const {
    return m_timers[0].isActive() && m_timers[1].isActive() && m_timers[2].isActive();
}

int CMainWnd::GetTimerInterval(int timerId) const {
    if (timerId < 1 || timerId > 3)
        return 0;
    return m_timers[timerId - 1].interval();
}

void CMainWnd::OnStart() {
    bool ok;
    {
        CWaitCursor wait;
        ok = m_host && m_host->Initialize();
        if (ok)
            StartTimers();
    }
    if (ok) {
        m_host->HandleCommandLine();
        return;
    }
    if (m_host && !m_host->GetError().IsEmpty())
        ShowMessageBox(this, m_host->GetError(), "Error", MB_ICON_STOP);
    close();
}

void CMainWnd::StartTimers() {
    for (QTimer& timer : m_timers)
        timer.start();
}

void CMainWnd::StopTimers() {
    for (QTimer& timer : m_timers)
        timer.stop();
}

bool CMainWnd::OnCommand(int id, int) {
    if (!m_host)
        return false;
    CWaitCursor wait;
    return m_host->OnCommand(id);
}

bool CMainWnd::OnUserMessage(int message, intptr_t wParam, intptr_t lParam) {
    if (message == kMsgStart) {
        OnStart();
        return true;
    }
    if (message >= 1026 && message <= 1046 && m_host)
        return m_host->OnUserMessage(message, wParam, lParam);
    return false;
}

bool CMainWnd::OnKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    return m_host && m_host->OnKeyDown(key, modifiers);
}

bool CMainWnd::OnSysKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    return m_host && m_host->OnSysKeyDown(key, modifiers);
}

bool CMainWnd::OnKeyUp(int key, Qt::KeyboardModifiers modifiers) {
    return m_host && m_host->OnKeyUp(key, modifiers);
}

bool CMainWnd::OnMouseWheel(Qt::MouseButtons, int delta, int, int) {
    return m_host && m_host->OnMouseWheel(delta);
}

void CMainWnd::closeEvent(QCloseEvent* e) {
    DestroyFrame();
    e->accept();
}

void CMainWnd::DestroyFrame() {
    if (m_frameDestroyed)
        return;
    m_frameDestroyed = true;
    // A minimised window keeps the rectangle it had. Qt's geometry leaves out the window
    // manager's frame, so a maximised window stores its work area without the border.
    if (!isMinimized()) {
        QRect g = geometry();
        m_settings->mainRect.Set(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
    }
    StopTimers();
    if (m_host)
        m_host->Close();
    Destroy();
    if (m_quitOnDestroy)
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

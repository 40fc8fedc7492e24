#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "core/CharString.h"
#include "core/Settings.h"

class QMdiArea;
class QPainter;

// The integers by which the application object finds its windows.
enum WINDOW_KIND : int {
    kKindNone = 0, // child controls and modal dialogs
    kKindMain = 1,
    kKindShowChord = 6,
    kKindShowScale = 7,
    kKindComposition = 8,
    kKindText = 9,
    kKindMixer = 10,
    kKindSongEditor = 12,
    kKindTuner = 13,
    kKindSampleRecorder = 14,
    kKindSpacePainter = 15,
    kKindGenerator = 16,
    kKindGrooveMaker = 17,
};

// User message numbers. Threads other than the user-interface thread post these to the main
// window instead of touching windows.
constexpr int kUserMessage = 1024;
constexpr int kMsgRunCommand = 1026;  // wParam: command id
constexpr int kMsgStart = 1027;       // the main window's start message
constexpr int kMsgTextCommand = 1029; // Text window: lParam = const char* command string
constexpr int kMsgPendingLines = 1040;
constexpr int kMsgWheelReleased = 1043;
constexpr int kMsgPlayNote = 1045;  // lParam: CNote* made with new; freed after playing
constexpr int kMsgFreeBlock = 1046; // lParam: block made with malloc; freed

// The nearest CBaseWindow among a widget's ancestors (itself excluded), or null; controls
// send their commands and messages there.
class CBaseWindow;
CBaseWindow* OwnerWindow(QWidget* widget);

// A coordinate or dimension of this value is kept by MoveTo and ResizeTo.
constexpr int kKeep = 0x7FFFFFFF;

// Base of every application window. It maps Qt's events onto the named handlers that the tools
// override (each returns true when it handled the call; the default does what is stated and
// returns false otherwise), and keeps what every tool shares: its kind, the visible flag, its
// placement record in the settings, a minimum size and a fixed aspect ratio while sizing.
//
// A tool window is created inside the main window's QMdiArea; the sub-window frame is then the
// widget that is moved, sized, shown and hidden (see Frame()). Closing or hiding the window
// never deletes the object: its owner does.
class CBaseWindow : public QWidget {
    Q_OBJECT
public:
    explicit CBaseWindow(int kind, QWidget* parent = nullptr);
    ~CBaseWindow() override;

    int GetKind() const { return m_kind; }
    const CCharString& GetError() const { return m_error; }
    // The visible flag: what the last OnShow decided, clear at construction.
    bool IsShown() const { return m_visible; }
    bool IsCreated() const { return m_created; }

    // Makes the window: as a sub-window of area when given, else as a child of parent (or a
    // top-level window when parent is null). Sets the title, runs OnCreated and OnInitDialog.
    // Fails with "Already created" the second time, or with OnInitDialog's error text.
    bool Create(QMdiArea* area, QWidget* parent, const char* title);
    // Create for a tool window in the main window's area: then the record's rectangle, or
    // defaultRect when the record's is unset (or the area's own placement when neither), and
    // shown or hidden by the record's show flag (shown when there is no record).
    bool CreateTool(QMdiArea* area, const char* title, const WND_RECT* defaultRect = nullptr);

    // The widget that is placed: the MDI sub-window when hosted in one, else this window.
    QWidget* Frame();
    const QWidget* Frame() const;

    // The record in the settings that this window reads at creation and updates at close.
    void SetPlacement(WND_SETTINGS* record) { m_placement = record; }
    WND_SETTINGS* GetPlacement() const { return m_placement; }
    // Puts the window at the record's rectangle when it is set; returns whether it was.
    bool ApplyPlacementRect();
    // Copies the current rectangle and the visible flag into the record.
    void StorePlacement();

    // Placement helpers; rectangles are in the parent's (the MDI area's) coordinates and
    // include the sub-window frame.
    WND_RECT GetRect() const;
    void SetRect(int left, int top, int right, int bottom, bool redraw = true);
    void MoveTo(int x, int y);
    void ResizeTo(int width, int height);
    int GetWidth() const;
    int GetHeight() const;
    int GetClientWidth() const { return width(); }
    int GetClientHeight() const { return height(); }
    void CenterOver(const QWidget* other);
    // Raises and activates the window; does nothing while it is hidden.
    void BringToTop();
    void SetTitle(const char* title);
    // 0 for either dimension means no minimum.
    void SetMinTrackSize(int width, int height);
    QSize GetMinTrackSize() const { return QSize(m_minWidth, m_minHeight); }
    // Height over width kept while the user sizes the window; 0 lets it take any shape.
    void SetAspect(double heightOverWidth) { m_aspect = heightOverWidth; }
    double GetAspect() const { return m_aspect; }

    // Shows or hides through OnShow; returns whether the window is now as asked.
    bool ShowWnd(bool show);
    // Posts a user message to this window; safe from any thread.
    void PostUserMessage(int message, intptr_t wParam = 0, intptr_t lParam = 0);
    // Delivers a user message at once (user-interface thread only).
    bool SendUserMessage(int message, intptr_t wParam = 0, intptr_t lParam = 0) {
        return OnUserMessage(message, wParam, lParam);
    }

    // Handlers. Keys are Qt key codes; for the letters, digits and punctuation of the
    // keyboard these are the characters' own codes.
    virtual bool OnCreated();
    // Tools make their controls here. Returning false fails Create with m_error.
    virtual bool OnInitDialog() { return true; }
    virtual bool OnUserMessage(int message, intptr_t wParam, intptr_t lParam);
    virtual bool OnSysKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // Default: Enter accepts, Escape cancels.
    virtual bool OnKeyDown(int key, Qt::KeyboardModifiers modifiers);
    virtual bool OnKeyUp(int key, Qt::KeyboardModifiers modifiers);
    // Default: with an aspect factor f, a changed width sets the height to width x f, else a
    // changed height sets the width to height / f. Sizes are the frame's.
    virtual bool OnSizing(const QSize& old, QSize& proposed);
    // The user asked to close the window. Default: hide it (the object lives on).
    virtual bool OnCloseRequest();
    // The window is going away for good: tools store their record here.
    virtual bool OnDestroyed();
    virtual bool OnCommand(int id, int code);
    // Default: minimise.
    virtual bool OnCancel();
    virtual bool OnAccept() { return false; }
    virtual bool OnSizeChanged(int width, int height);
    virtual bool OnRestored(int, int) { return false; }
    virtual bool OnMinimized() { return false; }
    virtual bool OnMaximized() { return false; }
    virtual bool OnMoved(int, int) { return false; }
    virtual bool OnTimer(int) { return false; }
    virtual bool OnPaint(QPainter&) { return false; }
    virtual bool OnMouseMove(Qt::MouseButtons, int, int) { return false; }
    virtual bool OnMouseWheel(Qt::MouseButtons, int, int, int) { return false; }
    virtual bool OnButtonDown(Qt::MouseButton, int, int) { return false; }
    virtual bool OnButtonUp(Qt::MouseButton, int, int) { return false; }
    virtual bool OnDoubleClick(Qt::MouseButton, int, int) { return false; }
    // Default: show or hide the frame, remember the flag, and when shown bring it to the top.
    virtual bool OnShow(bool show);
    virtual bool OnEnable(bool enable);

    // Runs OnDestroyed once, stores the placement in the record when there is one, and hides
    // the window; the owner deletes the object.
    void Destroy();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

    CCharString m_error;

private:
    void ApplySizing(QWidget* frame, const QSize& size);

    int m_kind;
    bool m_visible = false;
    bool m_enabled = true;
    bool m_created = false;
    bool m_destroyed = false;
    bool m_inSizing = false;
    WND_SETTINGS* m_placement = nullptr;
    QPointer<QWidget> m_frame;
    QSize m_lastFrameSize;
    int m_minWidth = 0;
    int m_minHeight = 0;
    double m_aspect = 0.0;
};

#pragma once

#include "render/SceneView.h"
#include "ui/BaseWindow.h"

class CSpacePainter;
class QMenu;

// The surface the band is drawn on.
using CBandView = CSceneView;

// The band view window (kind 15), "Band": hosts the 3D view of the scene, keeps the picture's
// aspect ratio while the user sizes it, and hands the scene its size, its visibility and the
// mouse: left drag orbits (Shift pans, Ctrl zooms), Alt with the right button moves the light,
// the wheel zooms (Shift: field of view), and a plain right click opens the look-at menu.
class CSpacePainterWnd : public CBaseWindow {
    Q_OBJECT
public:
    // Height over width of the picture.
    static constexpr double kAspect = 0.75;

    // painter: the scene it shows (may be null: the view stays black).
    explicit CSpacePainterWnd(WND_SETTINGS* placement, CSpacePainter* painter = nullptr);
    // Hosts the OpenGL view, or, where the platform has no OpenGL (Qt's offscreen platform,
    // a display without GL), a plain black view that says so.
    bool OnInitDialog() override;
    // Draws a frame when the scene changed.
    void DrawFrame();
    // The OpenGL view; null where there is none.
    CBandView* GetView() const { return m_view; }
    CSpacePainter* GetPainter() const { return m_painter; }
    // The look-at menu while it is open, else null.
    QMenu* GetContextMenu() const { return m_menu; }
    // Whether this platform can give an OpenGL context (asked once).
    static bool IsOpenGLAvailable();

    // The default rectangle when none is stored.
    static WND_RECT DefaultRect() {
        WND_RECT r;
        r.Set(100, 100, 300, 300);
        return r;
    }

    bool OnButtonDown(Qt::MouseButton button, int x, int y) override;
    bool OnButtonUp(Qt::MouseButton button, int x, int y) override;
    bool OnMouseMove(Qt::MouseButtons buttons, int x, int y) override;
    bool OnMouseWheel(Qt::MouseButtons buttons, int delta, int x, int y) override;
    bool OnShow(bool show) override;
    bool OnMinimized() override;
    bool OnRestored(int width, int height) override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    // The modifiers come with each mouse event (the handlers above are told only the buttons).
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void UpdateVisible();

    CSpacePainter* m_painter;
    CBandView* m_view = nullptr;
    QWidget* m_fallback = nullptr;
    QMenu* m_menu = nullptr;
    Qt::KeyboardModifiers m_modifiers;
};

#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLWidget>

#include "ui/BaseWindow.h"

// The surface the band is drawn on. Until the 3D scene lands it clears the picture to the
// scene's background (opaque black) and counts the frames it drew.
class CBandView : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT
public:
    explicit CBandView(QWidget* parent = nullptr);
    int GetFrameCount() const { return m_frames; }
    bool IsGlReady() const { return m_glReady; }

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    int m_frames = 0;
    bool m_glReady = false;
};

// The band view window (kind 15), "Band": hosts the 3D view and keeps the aspect ratio of the
// picture while the user sizes it.
class CSpacePainterWnd : public CBaseWindow {
    Q_OBJECT
public:
    // Height over width of the picture.
    static constexpr double kAspect = 0.75;

    explicit CSpacePainterWnd(WND_SETTINGS* placement);
    // Hosts the OpenGL view, or, where the platform has no OpenGL (Qt's offscreen platform,
    // a display without GL), a plain black view that says so.
    bool OnInitDialog() override;
    // Asks for a frame when the scene changed.
    void DrawFrame();
    // The OpenGL view; null where there is none.
    CBandView* GetView() const { return m_view; }
    // Whether this platform can give an OpenGL context (asked once).
    static bool IsOpenGLAvailable();

    // The default rectangle when none is stored.
    static WND_RECT DefaultRect() {
        WND_RECT r;
        r.Set(100, 100, 300, 300);
        return r;
    }

private:
    CBandView* m_view = nullptr;
    QWidget* m_fallback = nullptr;
};

#include "render/SceneView.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include "render/GraphicsDevice.h"

CSceneView::CSceneView(QWidget* parent) : QOpenGLWidget(parent) {
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    setFormat(format);
}

void CSceneView::OnPresent() {
    m_presented = true;
    update();
}

void CSceneView::initializeGL() {
    m_glReady = true;
}

void CSceneView::paintGL() {
    ++m_frames;
    if (m_device) {
        m_device->PaintInto(defaultFramebufferObject(), width() * devicePixelRatio(),
                            height() * devicePixelRatio());
    } else {
        QOpenGLFunctions* gl = context()->functions();
        gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT);
    }
    const bool asked = !m_presented;
    m_presented = false;
    if (asked && m_onPaint)
        m_onPaint();
}

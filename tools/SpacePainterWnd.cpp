#include "tools/SpacePainterWnd.h"

#include <QVBoxLayout>

CBandView::CBandView(QWidget* parent) : QOpenGLWidget(parent) {
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    setFormat(format);
}

void CBandView::initializeGL() {
    initializeOpenGLFunctions();
    m_glReady = true;
}

void CBandView::paintGL() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepthf(1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ++m_frames;
}

CSpacePainterWnd::CSpacePainterWnd(WND_SETTINGS* placement) : CBaseWindow(kKindSpacePainter) {
    SetPlacement(placement);
    SetAspect(kAspect);
}

bool CSpacePainterWnd::OnInitDialog() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new CBandView(this);
    m_view->setObjectName("bandView");
    layout->addWidget(m_view);
    return true;
}

void CSpacePainterWnd::DrawFrame() {
    if (m_view && IsShown())
        m_view->update();
}

#include "tools/SpacePainterWnd.h"

#include <QGuiApplication>
#include <QLabel>
#include <QOpenGLContext>
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

bool CSpacePainterWnd::IsOpenGLAvailable() {
    // Window systems have OpenGL (Mesa's software renderer at the least); only the platforms
    // without a window system are asked, which saves a context at every start.
    static const bool available = [] {
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal")
            return false;
        if (platform == "xcb" || platform == "wayland")
            return true;
        QOpenGLContext context;
        return context.create();
    }();
    return available;
}

bool CSpacePainterWnd::OnInitDialog() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (IsOpenGLAvailable()) {
        m_view = new CBandView(this);
        m_view->setObjectName("bandView");
        layout->addWidget(m_view);
        return true;
    }
    auto* label = new QLabel("The band view needs OpenGL", this);
    label->setObjectName("bandViewWithoutOpenGL");
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    label->setStyleSheet("background: black; color: #c0c0c0;");
    m_fallback = label;
    layout->addWidget(label);
    return true;
}

void CSpacePainterWnd::DrawFrame() {
    if (m_view && IsShown())
        m_view->update();
}

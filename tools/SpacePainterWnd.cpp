#include "tools/SpacePainterWnd.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "render/SpacePainter.h"

namespace {

unsigned ToPainterModifiers(Qt::KeyboardModifiers keys) {
    return (keys & Qt::ShiftModifier ? CSpacePainter::kShift : 0u) |
           (keys & Qt::ControlModifier ? CSpacePainter::kControl : 0u) |
           (keys & Qt::AltModifier ? CSpacePainter::kAlt : 0u);
}

bool ToPainterButton(Qt::MouseButton button, CSpacePainter::MOUSE_BUTTON& out) {
    switch (button) {
    case Qt::LeftButton:
        out = CSpacePainter::MOUSE_LEFT;
        return true;
    case Qt::RightButton:
        out = CSpacePainter::MOUSE_RIGHT;
        return true;
    case Qt::MiddleButton:
        out = CSpacePainter::MOUSE_MIDDLE;
        return true;
    default:
        return false;
    }
}

} // namespace

CSpacePainterWnd::CSpacePainterWnd(WND_SETTINGS* placement, CSpacePainter* painter)
    : CBaseWindow(kKindSpacePainter), m_painter(painter) {
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
        m_view->installEventFilter(this);
        if (m_painter)
            m_view->SetPaintHandler([this] { m_painter->Invalidate(); });
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
    if (m_painter)
        m_painter->RenderFrame(false);
}

void CSpacePainterWnd::UpdateVisible() {
    if (m_painter)
        m_painter->SetVisible(IsShown() && m_view && m_view->isVisible() &&
                              !Frame()->isMinimized());
}

bool CSpacePainterWnd::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_view) {
        switch (e->type()) {
        case QEvent::Show:
        case QEvent::Hide:
            UpdateVisible();
            break;
        case QEvent::Resize:
            if (m_painter)
                m_painter->OnResize(m_view->width(), m_view->height());
            break;
        case QEvent::Wheel: {
            // Taken here: Qt hands a wheel event that it did not get from the system to the
            // view alone, not on to this window.
            auto* wheel = static_cast<QWheelEvent*>(e);
            m_modifiers = wheel->modifiers();
            return OnMouseWheel(wheel->buttons(), wheel->angleDelta().y(), 0, 0);
        }
        default:
            break;
        }
    }
    return CBaseWindow::eventFilter(watched, e);
}

void CSpacePainterWnd::mousePressEvent(QMouseEvent* e) {
    m_modifiers = e->modifiers();
    CBaseWindow::mousePressEvent(e);
}

void CSpacePainterWnd::mouseReleaseEvent(QMouseEvent* e) {
    m_modifiers = e->modifiers();
    CBaseWindow::mouseReleaseEvent(e);
}

void CSpacePainterWnd::mouseMoveEvent(QMouseEvent* e) {
    m_modifiers = e->modifiers();
    CBaseWindow::mouseMoveEvent(e);
}

void CSpacePainterWnd::wheelEvent(QWheelEvent* e) {
    m_modifiers = e->modifiers();
    CBaseWindow::wheelEvent(e);
}

bool CSpacePainterWnd::OnShow(bool show) {
    CBaseWindow::OnShow(show);
    UpdateVisible();
    return true;
}

bool CSpacePainterWnd::OnMinimized() {
    if (m_painter)
        m_painter->SetVisible(false);
    return true;
}

bool CSpacePainterWnd::OnRestored(int, int) {
    UpdateVisible();
    return true;
}

bool CSpacePainterWnd::OnButtonDown(Qt::MouseButton button, int x, int y) {
    CSpacePainter::MOUSE_BUTTON which;
    if (!m_painter || !ToPainterButton(button, which))
        return false;
    if (m_painter->OnButtonDown(which, x, y, ToPainterModifiers(m_modifiers))) {
        // The look-at menu; non-blocking, so the timers (and the band) go on while it is open.
        delete m_menu;
        m_menu = new QMenu(this);
        m_menu->setObjectName("bandContextMenu");
        const struct {
            const char* text;
            int item;
        } items[] = {{"Look at whole band", CSpacePainter::kLookAtBand},
                     {"Look at lead guitar", CSpacePainter::kLookAtLeadGuitar},
                     {"Look at rhythm guitar", CSpacePainter::kLookAtRhythmGuitar},
                     {"Look at bass guitar", CSpacePainter::kLookAtBassGuitar},
                     {"Look at drums", CSpacePainter::kLookAtDrums}};
        for (const auto& entry : items) {
            QAction* action = m_menu->addAction(entry.text);
            const int item = entry.item;
            connect(action, &QAction::triggered, this,
                    [this, item] { m_painter->OnMenuCommand(item); });
        }
        connect(m_menu, &QMenu::aboutToHide, this, [this] {
            m_menu->deleteLater();
            m_menu = nullptr;
        });
        m_menu->popup(mapToGlobal(QPoint(x, y)));
    }
    return true;
}

bool CSpacePainterWnd::OnButtonUp(Qt::MouseButton button, int x, int y) {
    CSpacePainter::MOUSE_BUTTON which;
    if (!m_painter || !ToPainterButton(button, which))
        return false;
    m_painter->OnButtonUp(which, x, y);
    return true;
}

bool CSpacePainterWnd::OnMouseMove(Qt::MouseButtons, int x, int y) {
    if (!m_painter)
        return false;
    m_painter->OnMouseMove(x, y, ToPainterModifiers(m_modifiers));
    return true;
}

bool CSpacePainterWnd::OnMouseWheel(Qt::MouseButtons, int delta, int, int) {
    if (!m_painter)
        return false;
    m_painter->OnWheel(delta, ToPainterModifiers(m_modifiers));
    return true;
}

#include "ui/BaseWindow.h"

#include "ui/AppIcon.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

CBaseWindow::CBaseWindow(int kind, QWidget* parent) : QWidget(parent), m_kind(kind) {}

CBaseWindow::~CBaseWindow() {
    // A sub-window frame outlives nothing it hosts: take it down with the object.
    if (m_frame && m_frame != this) {
        QWidget* frame = m_frame;
        m_frame = nullptr;
        frame->removeEventFilter(this);
        setParent(nullptr);
        delete frame;
    }
}

bool CBaseWindow::Create(QMdiArea* area, QWidget* parent, const char* title) {
    if (m_created) {
        m_error = "Already created";
        return false;
    }
    if (area) {
        QMdiSubWindow* sub = area->addSubWindow(this);
        // Closing the frame hides it; the object and its frame belong to the owner.
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->installEventFilter(this);
        m_frame = sub;
    } else {
        if (parent)
            setParent(parent);
        m_frame = this;
    }
    Frame()->hide();
    setWindowIcon(GetAppIcon());
    Frame()->setWindowIcon(GetAppIcon());
    SetTitle(title);
    m_created = true;
    OnCreated();
    if (!OnInitDialog())
        return false;
    SetMinTrackSize(m_minWidth, m_minHeight);
    m_lastFrameSize = Frame()->size();
    return true;
}

bool CBaseWindow::CreateTool(QMdiArea* area, const char* title, const WND_RECT* defaultRect) {
    if (!Create(area, nullptr, title))
        return false;
    if (!ApplyPlacementRect() && defaultRect && defaultRect->IsSet())
        SetRect(defaultRect->left, defaultRect->top, defaultRect->right, defaultRect->bottom);
    OnShow(!m_placement || m_placement->show != 0);
    return true;
}

QWidget* CBaseWindow::Frame() {
    return m_frame ? m_frame.data() : this;
}
const QWidget* CBaseWindow::Frame() const {
    return m_frame ? m_frame.data() : this;
}

bool CBaseWindow::ApplyPlacementRect() {
    if (!m_placement || !m_placement->rect.IsSet())
        return false;
    const WND_RECT& r = m_placement->rect;
    SetRect(r.left, r.top, r.right, r.bottom);
    return true;
}

void CBaseWindow::StorePlacement() {
    if (!m_placement)
        return;
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(Frame());
    // A minimised sub-window keeps the rectangle it had before.
    if (!(sub && sub->isMinimized()))
        m_placement->rect = GetRect();
    m_placement->show = m_visible ? 1 : 0;
}

WND_RECT CBaseWindow::GetRect() const {
    QRect g = Frame()->geometry();
    WND_RECT r;
    r.Set(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
    return r;
}

void CBaseWindow::SetRect(int left, int top, int right, int bottom, bool redraw) {
    QWidget* frame = Frame();
    m_inSizing = true;
    frame->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
    m_inSizing = false;
    m_lastFrameSize = frame->size();
    if (redraw)
        update();
}

void CBaseWindow::MoveTo(int x, int y) {
    QWidget* frame = Frame();
    QPoint p = frame->pos();
    frame->move(x == kKeep ? p.x() : x, y == kKeep ? p.y() : y);
}

void CBaseWindow::ResizeTo(int width, int height) {
    QWidget* frame = Frame();
    m_inSizing = true;
    frame->resize(width == kKeep ? frame->width() : width,
                  height == kKeep ? frame->height() : height);
    m_inSizing = false;
    m_lastFrameSize = frame->size();
}

int CBaseWindow::GetWidth() const {
    return Frame()->width();
}
int CBaseWindow::GetHeight() const {
    return Frame()->height();
}

void CBaseWindow::CenterOver(const QWidget* other) {
    QWidget* frame = Frame();
    if (!other)
        return;
    // Both rectangles in the frame's parent coordinates (or global ones for a top-level).
    QRect target = other->rect();
    QPoint centre;
    if (QWidget* parent = frame->parentWidget())
        centre = parent->mapFromGlobal(other->mapToGlobal(target.center()));
    else
        centre = other->mapToGlobal(target.center());
    frame->move(centre.x() - frame->width() / 2, centre.y() - frame->height() / 2);
}

void CBaseWindow::BringToTop() {
    if (!m_visible)
        return;
    QWidget* frame = Frame();
    frame->raise();
    if (QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(frame)) {
        if (QMdiArea* area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    } else {
        frame->activateWindow();
    }
}

void CBaseWindow::SetTitle(const char* title) {
    setWindowTitle(QString::fromUtf8(title ? title : ""));
    if (Frame() != this)
        Frame()->setWindowTitle(windowTitle());
}

void CBaseWindow::SetMinTrackSize(int width, int height) {
    m_minWidth = width;
    m_minHeight = height;
    if (width >= 1 && height >= 1)
        Frame()->setMinimumSize(width, height);
}

bool CBaseWindow::ShowWnd(bool show) {
    OnShow(show);
    return m_visible == show;
}

void CBaseWindow::PostUserMessage(int message, intptr_t wParam, intptr_t lParam) {
    QMetaObject::invokeMethod(
        this, [this, message, wParam, lParam] { OnUserMessage(message, wParam, lParam); },
        Qt::QueuedConnection);
}

bool CBaseWindow::OnCreated() {
    if (m_aspect > 0)
        m_lastFrameSize = Frame()->size();
    return false;
}

bool CBaseWindow::OnUserMessage(int, intptr_t, intptr_t) {
    return false;
}
bool CBaseWindow::OnSysKeyDown(int, Qt::KeyboardModifiers) {
    return false;
}

bool CBaseWindow::OnKeyDown(int key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return OnAccept();
    if (key == Qt::Key_Escape)
        return OnCancel();
    return false;
}

bool CBaseWindow::OnKeyUp(int, Qt::KeyboardModifiers) {
    return false;
}

bool CBaseWindow::OnSizing(const QSize& old, QSize& proposed) {
    if (m_aspect <= 0)
        return false;
    if (proposed.width() != old.width())
        proposed.setHeight(static_cast<int>(std::lround(proposed.width() * m_aspect)));
    else if (proposed.height() != old.height())
        proposed.setWidth(static_cast<int>(std::lround(proposed.height() / m_aspect)));
    return true;
}

bool CBaseWindow::OnCloseRequest() {
    OnShow(false);
    return true;
}

bool CBaseWindow::OnDestroyed() {
    return false;
}
bool CBaseWindow::OnCommand(int, int) {
    return false;
}

bool CBaseWindow::OnCancel() {
    Frame()->showMinimized();
    return true;
}

bool CBaseWindow::OnSizeChanged(int width, int height) {
    QWidget* frame = Frame();
    if (frame->isMinimized())
        return OnMinimized();
    if (frame->isMaximized())
        return OnMaximized();
    return OnRestored(width, height);
}

bool CBaseWindow::OnShow(bool show) {
    QWidget* frame = Frame();
    if (show) {
        if (frame->isMinimized())
            frame->showNormal();
        else
            frame->show();
    } else {
        frame->hide();
    }
    m_visible = show;
    if (show)
        BringToTop();
    return true;
}

bool CBaseWindow::OnEnable(bool enable) {
    setEnabled(enable);
    m_enabled = enable;
    return true;
}

void CBaseWindow::Destroy() {
    if (m_destroyed)
        return;
    m_destroyed = true;
    OnDestroyed();
    StorePlacement();
    Frame()->hide();
}

void CBaseWindow::ApplySizing(QWidget* frame, const QSize& size) {
    if (m_inSizing || !frame->isVisible() || frame->isMinimized() || frame->isMaximized()) {
        m_lastFrameSize = size;
        return;
    }
    QSize proposed = size;
    if (OnSizing(m_lastFrameSize, proposed) && proposed != size) {
        m_inSizing = true;
        frame->resize(proposed);
        m_inSizing = false;
    }
    m_lastFrameSize = frame->size();
}

bool CBaseWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_frame && m_frame != this) {
        switch (e->type()) {
        case QEvent::Resize:
            ApplySizing(m_frame, static_cast<QResizeEvent*>(e)->size());
            break;
        case QEvent::Close: {
            // The frame's close button: the tool decides, the object stays.
            if (OnCloseRequest()) {
                e->ignore();
                return true;
            }
            break;
        }
        case QEvent::Move:
            OnMoved(m_frame->x(), m_frame->y());
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void CBaseWindow::paintEvent(QPaintEvent* e) {
    QPainter painter(this);
    if (!OnPaint(painter))
        QWidget::paintEvent(e);
}

void CBaseWindow::closeEvent(QCloseEvent* e) {
    if (Frame() == this && OnCloseRequest()) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

void CBaseWindow::resizeEvent(QResizeEvent* e) {
    if (Frame() == this)
        ApplySizing(this, e->size());
    OnSizeChanged(e->size().width(), e->size().height());
    QWidget::resizeEvent(e);
}

void CBaseWindow::moveEvent(QMoveEvent* e) {
    if (Frame() == this)
        OnMoved(x(), y());
    QWidget::moveEvent(e);
}

void CBaseWindow::mousePressEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    if (!OnButtonDown(e->button(), p.x(), p.y()))
        QWidget::mousePressEvent(e);
}

void CBaseWindow::mouseReleaseEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    if (!OnButtonUp(e->button(), p.x(), p.y()))
        QWidget::mouseReleaseEvent(e);
}

void CBaseWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    if (!OnDoubleClick(e->button(), p.x(), p.y()))
        QWidget::mouseDoubleClickEvent(e);
}

void CBaseWindow::mouseMoveEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    if (!OnMouseMove(e->buttons(), p.x(), p.y()))
        QWidget::mouseMoveEvent(e);
}

void CBaseWindow::wheelEvent(QWheelEvent* e) {
    QPoint p = e->position().toPoint();
    if (!OnMouseWheel(e->buttons(), e->angleDelta().y(), p.x(), p.y()))
        QWidget::wheelEvent(e);
}

void CBaseWindow::keyPressEvent(QKeyEvent* e) {
    bool handled = (e->modifiers() & Qt::AltModifier) ? OnSysKeyDown(e->key(), e->modifiers())
                                                      : OnKeyDown(e->key(), e->modifiers());
    if (!handled)
        QWidget::keyPressEvent(e);
}

void CBaseWindow::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat() || !OnKeyUp(e->key(), e->modifiers()))
        QWidget::keyReleaseEvent(e);
}

CBaseWindow* OwnerWindow(QWidget* widget) {
    for (QWidget* w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget())
        if (auto* owner = qobject_cast<CBaseWindow*>(w))
            return owner;
    return nullptr;
}

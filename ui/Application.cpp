#include "ui/Application.h"

#include <QLineEdit>

#include "ui/AppIcon.h"

namespace {
bool IsTyping(QObject* receiver, const QKeyEvent* key) {
    const auto* edit = qobject_cast<const QLineEdit*>(receiver);
    return edit && !edit->isReadOnly() &&
           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
           key->key() < Qt::Key_Escape; // function and editing keys stay the frame's first
}
} // namespace

CApplication::CApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Message boxes and dialogs carry the icon too.
    setWindowIcon(GetAppIcon());
}

bool CApplication::OfferKeyPress(QKeyEvent* key) {
    return (key->modifiers() & Qt::AltModifier)
               ? m_keyFrame->OnSysKeyDown(key->key(), key->modifiers())
               : m_keyFrame->OnKeyDown(key->key(), key->modifiers());
}

bool CApplication::notify(QObject* receiver, QEvent* e) {
    const QEvent::Type type = e->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease ||
         type == QEvent::ShortcutOverride) &&
        m_keyFrame && receiver->isWidgetType() && !activeModalWidget() &&
        !IsTyping(receiver, static_cast<QKeyEvent*>(e))) {
        auto* key = static_cast<QKeyEvent*>(e);
        bool handled = false;
        if (type == QEvent::ShortcutOverride) {
            m_offered = true;
            m_offeredKey = key->key();
            m_offeredModifiers = key->modifiers();
            m_offeredHandled = OfferKeyPress(key);
            if (m_offeredHandled) {
                // Accepting the override keeps the shortcut from firing; the press follows.
                e->accept();
                return true;
            }
            return QApplication::notify(receiver, e);
        }
        if (type == QEvent::KeyPress) {
            if (m_offered && m_offeredKey == key->key() && m_offeredModifiers == key->modifiers())
                handled = m_offeredHandled;
            else
                handled = OfferKeyPress(key);
            m_offered = false;
        } else if (!key->isAutoRepeat()) {
            handled = m_keyFrame->OnKeyUp(key->key(), key->modifiers());
        }
        if (handled) {
            e->accept();
            return true;
        }
    }
    return QApplication::notify(receiver, e);
}

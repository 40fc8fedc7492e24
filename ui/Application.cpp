#include "ui/Application.h"

#include <QKeyEvent>

#include "ui/BaseWindow.h"

CApplication::CApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool CApplication::notify(QObject* receiver, QEvent* e) {
    QEvent::Type type = e->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && m_keyFrame &&
        receiver->isWidgetType() && !activeModalWidget()) {
        auto* key = static_cast<QKeyEvent*>(e);
        bool handled = false;
        if (type == QEvent::KeyPress) {
            handled = (key->modifiers() & Qt::AltModifier)
                          ? m_keyFrame->OnSysKeyDown(key->key(), key->modifiers())
                          : m_keyFrame->OnKeyDown(key->key(), key->modifiers());
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

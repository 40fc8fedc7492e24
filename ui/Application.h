#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

#include "ui/BaseWindow.h"

// The message loop's one rule beyond Qt's: every key press and release is offered to the main
// window's key handlers first, wherever the focus is, and reaches the focused widget only when
// the main window declines it. Keys typed into a modal dialog are the dialog's alone, and so are
// the plain characters typed into an editable text field (they are text, not notes to play).
class CApplication : public QApplication {
    Q_OBJECT
public:
    CApplication(int& argc, char** argv);

    void SetKeyFrame(CBaseWindow* frame) { m_keyFrame = frame; }
    CBaseWindow* GetKeyFrame() const { return m_keyFrame; }

    bool notify(QObject* receiver, QEvent* e) override;

private:
    bool OfferKeyPress(QKeyEvent* key);

    QPointer<CBaseWindow> m_keyFrame;
    // A press offered at its shortcut-override step (so that the frame's keys win over the
    // widgets' shortcuts, such as Ctrl+W in an MDI area) is not offered again when it arrives.
    bool m_offered = false;
    bool m_offeredHandled = false;
    int m_offeredKey = 0;
    Qt::KeyboardModifiers m_offeredModifiers;
};

#pragma once

#include <QApplication>
#include <QPointer>

class CBaseWindow;

// The message loop's one rule beyond Qt's: every key press and release is offered to the main
// window's key handlers first, wherever the focus is, and reaches the focused widget only when
// the main window declines it. Keys typed into a modal dialog are the dialog's alone.
class CApplication : public QApplication {
    Q_OBJECT
public:
    CApplication(int& argc, char** argv);

    void SetKeyFrame(CBaseWindow* frame) { m_keyFrame = frame; }
    CBaseWindow* GetKeyFrame() const { return m_keyFrame; }

    bool notify(QObject* receiver, QEvent* e) override;

private:
    QPointer<CBaseWindow> m_keyFrame;
};

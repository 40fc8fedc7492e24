#pragma once

#include "ui/BaseWindow.h"

// Stands in for a tool window whose own implementation has not landed yet (the Mixer): it draws its
// title and kind, and is created, listed, shown, hidden, arranged and placed exactly like the real
// window will be.
class CPlaceholderWnd : public CBaseWindow {
    Q_OBJECT
public:
    CPlaceholderWnd(int kind, WND_SETTINGS* placement);
    QSize sizeHint() const override { return QSize(360, 300); }
    bool OnPaint(QPainter& painter) override;
    // Counts the timer ticks it received, so a test can see that the frame's timers reach
    // the tools.
    bool OnTimer(int id) override;
    int GetTimerTicks(int id) const { return id >= 1 && id <= 3 ? m_ticks[id - 1] : 0; }
    // The Show Scale tool is told when playback stops.
    void OnPlayStopped() { ++m_playStopped; }
    int GetPlayStoppedCount() const { return m_playStopped; }

private:
    int m_ticks[3] = {};
    int m_playStopped = 0;
};

#pragma once

#include "ui/BaseWindow.h"

class QComboBox;
class QTextBrowser;

// Stands in for a tool window whose own implementation has not landed yet (the Mixer, the Show
// Scale tool): it draws its title and kind, and is created, listed, shown, hidden, arranged and
// placed exactly like the real window will be.
class CPlaceholderWnd : public CBaseWindow {
    Q_OBJECT
public:
    CPlaceholderWnd(int kind, WND_SETTINGS* placement);
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

// Stands in for the tutorial window (kind 9, "Tutorial") until the lesson window lands: it
// loads the content index into its lesson selector and shows the selected page as plain text.
class CTextPlaceholderWnd : public CBaseWindow {
    Q_OBJECT
public:
    explicit CTextPlaceholderWnd(TEXT_SETTINGS* record);

    bool OnInitDialog() override;
    // Reads the content index: each non-empty line is "title~file", the file lying in the
    // index's own folder. A line without "~" and a file name stops the loading and fails (the
    // lessons read so far stay). Then selects the saved lesson (a negative index gives 0) and
    // restores the saved scroll position.
    bool LoadIndex(const char* path);
    bool OnDestroyed() override;

    QComboBox* GetSelector() const { return m_selector; }
    QTextBrowser* GetPage() const { return m_page; }

private:
    void ShowLesson(int index);

    TEXT_SETTINGS* m_record;
    QComboBox* m_selector = nullptr;
    QTextBrowser* m_page = nullptr;
};

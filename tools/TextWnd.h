#pragma once

#include <memory>

#include "tools/TutorialCommand.h"
#include "ui/BaseWindow.h"

class CTextCtrl;
class QComboBox;

// The lesson window (kind 9, "Tutorial"): a selector of the lessons named in a content index
// above the selected lesson's page. The page's buttons drive the Show Scale tool through the
// host; their commands arrive as user message 1029.
class CTextWnd : public CBaseWindow {
    Q_OBJECT
public:
    static constexpr int kIdSelector = 1314;
    static constexpr int kIdPage = 1118;
    // The distance the page keeps from the right and bottom edges.
    static constexpr int kMargin = 7;

    // The host runs the lesson commands; the record keeps the selected lesson, the scroll
    // position and the placement (may be null).
    CTextWnd(std::unique_ptr<CTutorialHost> host, TEXT_SETTINGS* record, QWidget* parent = nullptr);
    ~CTextWnd() override;

    // Where the window goes when its record has no rectangle.
    static WND_RECT DefaultRect();

    // Reads the content index: each non-empty line is "title~file", the file lying in the
    // index's own folder. A read failure gives "Can't read content file '%s': %s"; a line
    // without "~" and a file name stops the loading and fails (the lessons read so far stay).
    // Then the saved lesson is selected (a negative or unknown index gives the first), shown,
    // and the saved scroll position restored.
    bool LoadIndex(const char* path);
    // Shows a lesson of the selector; a page that cannot be read leaves the error text
    // "Can't read file '%s': %s" and an empty page.
    bool ShowLesson(int index);
    // Parses and runs a command string; failures do nothing and show nothing (the reason is
    // kept for GetCommandError).
    bool RunCommand(const char* command);
    const CCharString& GetCommandError() const { return m_commandError; }

    int GetLessonCount() const;
    int GetSelectedLesson() const;
    CCharString GetLessonTitle(int index) const;
    CCharString GetLessonPath(int index) const;
    QComboBox* GetSelector() const { return m_selector; }
    CTextCtrl* GetPage() const { return m_page; }
    CTutorialHost& GetHost() { return *m_host; }

    bool OnInitDialog() override;
    bool OnUserMessage(int message, intptr_t wParam, intptr_t lParam) override;
    bool OnSizeChanged(int width, int height) override;
    bool OnDestroyed() override;

private:
    void PlaceControls();

    std::unique_ptr<CTutorialHost> m_host;
    TEXT_SETTINGS* m_record;
    QComboBox* m_selector = nullptr;
    CTextCtrl* m_page = nullptr;
    CCharString m_commandError;
    bool m_loading = false;
};

#pragma once

#include <QFont>
#include <QWidget>
#include <string>

#include "core/CharString.h"
#include "core/VarList.h"

class QPainter;
class QPushButton;
class QScrollBar;

// A push button on a lesson page and the command it carries.
struct BUTTON_INFO {
    QPushButton* button = nullptr;
    CCharString command;
};

// Draws a lesson page: headings and word-wrapped paragraphs from the top, push buttons placed
// between them, scrolled by a vertical scroll bar.
//
// Page format, one line at a time: "<tag>content" or an untagged line. Tag "b": "label~command"
// becomes a button; tag "1": centred heading, "2": indented one-line heading, "3": one-line
// heading; no tag: a paragraph; an empty untagged line: one line of space. A tagged line with
// nothing after the ">", or a button line without "~" or command, ends the page there. Any
// other tag draws nothing.
//
// Pressing a button sends the owning window user message 1029 (kMsgTextCommand) with the
// button's command string as lParam.
class CTextCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kButtonWidth = 130;
    static constexpr int kButtonHeight = 22;
    static constexpr int kButtonId = 1024; // every page button shares it
    static constexpr int kTextIndent = 5;
    static constexpr int kHeading2Indent = 10;
    enum FONT { kFontNormal, kFontHeading1, kFontHeading2, kFontHeading3, kFontCount };

    explicit CTextCtrl(QWidget* parent = nullptr);
    ~CTextCtrl() override;

    // Reads a page file (lines ending in CR LF or LF); on failure the page is emptied and the
    // error text is "Can't read file '%s': %s". The scroll position goes back to the top.
    bool LoadFile(const char* path);
    // The page from text in memory.
    void SetText(const char* text);
    const CCharString& GetError() const { return m_error; }

    int GetLineCount() const { return static_cast<int>(m_lines.GetCount()); }
    const CCharString& GetLine(int index) const { return m_lines[static_cast<size_t>(index)]; }
    // The lines the last layout reached: fewer than GetLineCount when a line ended the page.
    int GetLinesDrawn() const { return m_linesDrawn; }
    // Height of the whole page in pixels as last laid out.
    int GetTotalHeight() const { return m_totalHeight; }
    int GetLineSpacing() const { return m_lineSpacing; }
    int GetScrollStep() const { return m_lineSpacing; }
    // The width text is wrapped into: the control less its scroll bar.
    int GetPageWidth() const;
    const QFont& GetFont(FONT font) const { return m_fonts[font]; }

    // Scroll position in scroll steps, 0 at the top; kept within the page's range.
    int GetScrollPos() const { return m_scrollPos; }
    void SetScrollPos(int position);
    int GetScrollMax() const;
    QScrollBar* GetScrollBar() const { return m_scrollBar; }

    int GetButtonCount() const { return static_cast<int>(m_buttons.GetCount()); }
    const BUTTON_INFO& GetButton(int index) const { return m_buttons[static_cast<size_t>(index)]; }
    // The entry of a button window, or null when it is not one of this page's buttons.
    const BUTTON_INFO* FindButton(const QWidget* window) const;

    // Lays the page out again: places the buttons, measures the page, sets the scroll range.
    void Layout();

    // Reads a whole text file; on failure reason holds the system's words for it ("No such file
    // or directory").
    static bool ReadTextFile(const char* path, std::string& text, CCharString& reason);

    // Splits a page line into its tag and content: a line that starts with "<" has the tag up
    // to the first ">" and the rest as content; any other line has no tag.
    static void SplitLine(const char* line, CCharString& tag, CCharString& content);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Walks the page from the current offset: draws when a painter is given, places (and on
    // the first walk creates) the buttons when asked. Returns the page's total height.
    int Walk(QPainter* painter, bool placeButtons);
    void ClearButtons();
    void OnButtonClicked();
    void OnScrolled(int position);

    CVarList<CCharString> m_lines;
    CVarList<BUTTON_INFO> m_buttons;
    QFont m_fonts[kFontCount];
    QScrollBar* m_scrollBar = nullptr;
    CCharString m_error;
    int m_lineSpacing = 16;
    int m_scrollPos = 0;
    int m_totalHeight = 0;
    int m_linesDrawn = 0;
    bool m_settingScroll = false;
};

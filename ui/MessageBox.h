#pragma once

class QWidget;

enum MB_ICON : int {
    MB_ICON_NONE = 0,
    MB_ICON_INFORMATION = 1,
    MB_ICON_WARNING = 2,
    MB_ICON_STOP = 3,
    MB_ICON_QUESTION = 4,
};

// Answers a message box instead of showing it: tests capture what the user would have seen.
// Returns the answer (true for OK or Yes).
using MessageBoxHook = bool (*)(const char* text, const char* caption, int icon, bool yesNo);
void SetMessageBoxHook(MessageBoxHook hook);

// A modal message box with an OK button (or Yes and No when yesNo is set), owned by owner.
// Returns true for OK or Yes. With the hook set, or with MA_MESSAGE_BOXES=print in the
// environment (scripted runs with nobody to click), the box is not shown: the hook answers, or
// the text is written to standard error as "[caption] text" and the answer is OK / No.
bool ShowMessageBox(QWidget* owner, const char* text, const char* caption, int icon,
                    bool yesNo = false);

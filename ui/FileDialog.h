#pragma once

#include <functional>

#include "core/CharString.h"

class QWidget;

// Answers a file dialog instead of showing it: tests choose what the user would have chosen.
// Given the dialog's caption, the proposed path and the filter; returns false for Cancel.
using FileDialogHook = std::function<bool(const char* caption, const char* proposed,
                                          const char* filter, bool save, CCharString& path)>;
void SetFileDialogHook(FileDialogHook hook);

// Qt's file dialog for opening (save false) or saving a file, starting at proposed (a folder or
// a file path) and showing the files of filter ("*.Song"). True with the chosen path; false when
// the user cancels. With MA_MESSAGE_BOXES=print (nobody to click) it answers Cancel.
bool AskFileName(QWidget* owner, const char* caption, const char* proposed, const char* filter,
                 bool save, CCharString& path);

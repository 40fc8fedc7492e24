#include "ui/FileDialog.h"

#include <QFileDialog>
#include <cstdlib>
#include <cstring>

namespace {
FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}
} // namespace

void SetFileDialogHook(FileDialogHook hook) {
    Hook() = std::move(hook);
}

bool AskFileName(QWidget* owner, const char* caption, const char* proposed, const char* filter,
                 bool save, CCharString& path) {
    if (Hook())
        return Hook()(caption, proposed, filter, save, path);
    if (const char* mode = std::getenv("MA_MESSAGE_BOXES"); mode && std::strcmp(mode, "print") == 0)
        return false;
    const QString start = QString::fromUtf8(proposed);
    const QString chosen = save ? QFileDialog::getSaveFileName(owner, QString::fromUtf8(caption),
                                                               start, QString::fromUtf8(filter))
                                : QFileDialog::getOpenFileName(owner, QString::fromUtf8(caption),
                                                               start, QString::fromUtf8(filter));
    if (chosen.isEmpty())
        return false;
    path = chosen.toUtf8().constData();
    return true;
}

#include "ui/MessageBox.h"

#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
MessageBoxHook g_hook = nullptr;
}

void SetMessageBoxHook(MessageBoxHook hook) {
    g_hook = hook;
}

bool ShowMessageBox(QWidget* owner, const char* text, const char* caption, int icon, bool yesNo) {
    if (g_hook)
        return g_hook(text, caption, icon, yesNo);
    if (const char* mode = std::getenv("MA_MESSAGE_BOXES");
        mode && std::strcmp(mode, "print") == 0) {
        std::fprintf(stderr, "[%s] %s\n", caption, text);
        std::fflush(stderr);
        return !yesNo;
    }
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case MB_ICON_INFORMATION:
        qicon = QMessageBox::Information;
        break;
    case MB_ICON_WARNING:
        qicon = QMessageBox::Warning;
        break;
    case MB_ICON_STOP:
        qicon = QMessageBox::Critical;
        break;
    case MB_ICON_QUESTION:
        qicon = QMessageBox::Question;
        break;
    default:
        break;
    }
    QMessageBox box(qicon, QString::fromUtf8(caption), QString::fromUtf8(text),
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
    int answer = box.exec();
    return answer == QMessageBox::Ok || answer == QMessageBox::Yes;
}

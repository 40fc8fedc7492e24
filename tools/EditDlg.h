#pragma once

#include <QDialog>

#include "core/CharString.h"

class QDialogButtonBox;
class QLineEdit;

// The one-line text dialog: a caption given by the caller ("Song's name", "New groove's name"),
// one edit field, OK and Cancel. OK with nothing but blanks in the field is refused.
class CEditDlg : public QDialog {
    Q_OBJECT
public:
    enum CONTROL : int { kIdText = 1349 };

    CEditDlg(const char* caption, const char* text, QWidget* owner = nullptr);

    // The text without leading and trailing blanks.
    CCharString GetText() const;
    QLineEdit* GetEdit() const { return m_edit; }
    QDialogButtonBox* GetButtons() const { return m_buttons; }

    void accept() override;

    // Runs the dialog over owner with text proposed; true and the text on OK.
    static bool Ask(QWidget* owner, const char* caption, CCharString& text);

private:
    CCharString m_caption;
    QLineEdit* m_edit = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

#pragma once

#include <QDialog>

#include "ui/Controls.h"

class CSongPart;
class QDialogButtonBox;
class QLineEdit;

// "Song Part": the part's name, description, scale and root with its repeat count, or (the
// second form) the repeat count alone. OK checks the fields and writes them to the part;
// Cancel writes nothing.
class CSongPartDlg : public QDialog {
    Q_OBJECT
public:
    enum MODE { kInfo, kRepeat };
    enum CONTROL : int {
        kIdName = 1349,
        kIdDescription = 1363,
        kIdScale = 1584,
        kIdRoot = 1361,
        kIdRepeat = 1383,
    };

    // original: the song's part when part is a working copy of it (its name is no clash).
    CSongPartDlg(CSongPart& part, MODE mode, QWidget* owner = nullptr,
                 const CSongPart* original = nullptr);

    QLineEdit* Edit(CONTROL id) const;
    CListWrapper& Scale() { return m_scale; }
    CListWrapper& Root() { return m_root; }
    QDialogButtonBox* GetButtons() const { return m_buttons; }

    void accept() override;

private:
    CSongPart& m_part;
    const CSongPart* m_original;
    MODE m_mode;
    CListWrapper m_scale, m_root;
    QDialogButtonBox* m_buttons = nullptr;
};

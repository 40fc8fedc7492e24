#include "tools/EditDlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/MessageBox.h"

CEditDlg::CEditDlg(const char* caption, const char* text, QWidget* owner)
    : QDialog(owner), m_caption(caption) {
    setWindowTitle(QString::fromUtf8(caption));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_edit = new QLineEdit(QString::fromUtf8(text), this);
    m_edit->setObjectName(QString::number(kIdText));
    m_edit->setMinimumWidth(260);
    m_edit->selectAll();
    layout->addWidget(m_edit);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CEditDlg::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CEditDlg::reject);
}

CCharString CEditDlg::GetText() const {
    return CCharString(m_edit->text().trimmed().toUtf8().constData());
}

void CEditDlg::accept() {
    if (GetText().IsEmpty()) {
        ShowMessageBox(this, "Please enter some text\nor press 'Cancel' to exit.", m_caption,
                       MB_ICON_INFORMATION);
        return;
    }
    QDialog::accept();
}

bool CEditDlg::Ask(QWidget* owner, const char* caption, CCharString& text) {
    CEditDlg dialog(caption, text, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = dialog.GetText();
    return true;
}

#include "tools/SongPartDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cstring>

#include "core/KeyValue.h"
#include "song/Composition.h"
#include "song/SongPart.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"
#include "ui/MessageBox.h"

namespace {
constexpr const char* kCaption = "Song Part";
}

CSongPartDlg::CSongPartDlg(CSongPart& part, MODE mode, QWidget* owner, const CSongPart* original)
    : QDialog(owner), m_part(part), m_original(original), m_mode(mode) {
    setWindowTitle(kCaption);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto addEdit = [&](const char* label, int id, const QString& text) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(QString::number(id));
        form->addRow(label, edit);
    };
    if (mode == kInfo) {
        addEdit("Part's name:", kIdName, QString::fromUtf8(part.m_name.GetText()));
        addEdit("Description:", kIdDescription, QString::fromUtf8(part.m_description.GetText()));
        auto* scale = new QComboBox(this);
        scale->setObjectName(QString::number(kIdScale));
        auto* root = new QComboBox(this);
        root->setObjectName(QString::number(kIdRoot));
        m_scale.Bind(scale);
        m_root.Bind(root);
        CCharString name;
        for (int type = 1; type <= SCALE_TYPE_COUNT; ++type)
            if (GetScaleTypeName(type, name))
                m_scale.AddItem(name, type);
        for (int i = 0; i < 12; ++i)
            m_root.AddItem(GetRootListName(i), ROOT_LIST_FIRST + i);
        m_scale.SelectValue(part.m_scale);
        // A root stored in another octave shows as its note name.
        m_root.SelectValue(ROOT_LIST_FIRST + part.m_scaleRoot % 12);
        form->addRow("Scale:", scale);
        form->addRow("Root:", root);
    }
    addEdit("Repeat:", kIdRepeat, QString::number(part.m_repeat));
    layout->addLayout(form);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CSongPartDlg::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CSongPartDlg::reject);
    setMinimumWidth(300);
}

QLineEdit* CSongPartDlg::Edit(CONTROL id) const {
    return findChild<QLineEdit*>(QString::number(id));
}

void CSongPartDlg::accept() {
    auto refuse = [this](const char* text) {
        ShowMessageBox(this, text, kCaption, MB_ICON_INFORMATION);
    };
    const int repeat = KeyValueInt(Edit(kIdRepeat)->text().toUtf8().constData());
    if (repeat < 1 || repeat > 99)
        return refuse("Repeat must be a number from 1 to 99.");
    if (m_mode == kInfo) {
        CCharString name(Edit(kIdName)->text().trimmed().toUtf8().constData());
        if (name.IsEmpty())
            return refuse("Part's name is required.");
        // These characters separate the entries of the play order in the song file.
        if (std::strpbrk(name, "~^"))
            return refuse("Part's name can't hold '~' or '^'.");
        const CComposition* song = m_part.GetOwner();
        const CSongPart* other = song ? song->FindPart(name) : nullptr;
        if (other != nullptr && other != &m_part && other != m_original) {
            CCharString text;
            text.Format("The song already has a part named \"%s\".", name.GetText());
            return refuse(text);
        }
        if (m_scale.GetSelectedValue() == 0 || m_root.GetSelectedValue() == 0)
            return refuse("Choose the part's scale and root.");
        m_part.m_name = name;
        m_part.m_description = Edit(kIdDescription)->text().trimmed().toUtf8().constData();
        m_part.m_scale = m_scale.GetSelectedValue();
        m_part.m_scaleRoot = static_cast<uint8_t>(m_root.GetSelectedValue());
    }
    m_part.m_repeat = repeat;
    QDialog::accept();
}

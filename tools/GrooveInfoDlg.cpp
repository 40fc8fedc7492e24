#include "tools/GrooveInfoDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cstring>

#include "core/KeyValue.h"
#include "song/NoteGrid.h"
#include "ui/MessageBox.h"

namespace {

QLineEdit* MakeEdit(QWidget* parent, int id, const QString& text, int width) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::number(id));
    if (width > 0)
        edit->setMaximumWidth(width);
    return edit;
}

CCharString Text(const QLineEdit* edit) {
    return CCharString(edit->text().trimmed().toUtf8().constData());
}

int Number(const QLineEdit* edit) {
    return KeyValueInt(edit->text().toUtf8().constData());
}

} // namespace

CGrooveInfoDlg::CGrooveInfoDlg(SONG_HEADER& header, const std::vector<CCharString>& styles,
                               QWidget* owner)
    : QDialog(owner), m_header(header) {
    setWindowTitle("Groove Info");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_style = new QComboBox(this);
    m_style->setObjectName(QString::number(kIdStyle));
    m_style->setEditable(true);
    for (const CCharString& style : styles)
        m_style->addItem(QString::fromUtf8(style.GetText()));
    m_style->setCurrentText(QString::fromUtf8(header.style.GetText()));
    form->addRow("Style:", m_style);
    form->addRow("Name:", MakeEdit(this, kIdName, QString::fromUtf8(header.name.GetText()), 0));
    auto* time = new QHBoxLayout;
    time->addWidget(MakeEdit(this, kIdNumerator, QString::number(header.beatsPerMeasure), 40));
    time->addWidget(new QLabel("/", this));
    time->addWidget(MakeEdit(this, kIdDenominator, QString::number(header.beatUnit), 40));
    time->addStretch(1);
    form->addRow("Time sign.:", time);
    form->addRow("Bars:", MakeEdit(this, kIdBars, QString::number(header.measureCount), 40));
    form->addRow("Description:",
                 MakeEdit(this, kIdDescription, QString::fromUtf8(header.text.GetText()), 0));
    form->addRow("Copyright:",
                 MakeEdit(this, kIdCopyright, QString::fromUtf8(header.copyright.GetText()), 0));
    layout->addLayout(form);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CGrooveInfoDlg::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CGrooveInfoDlg::reject);
    setMinimumWidth(300);
}

QLineEdit* CGrooveInfoDlg::Edit(CONTROL id) const {
    return findChild<QLineEdit*>(QString::number(id));
}

void CGrooveInfoDlg::accept() {
    // The fields go to a copy first: a refused or cancelled dialog leaves the header alone.
    SONG_HEADER read = m_header;
    read.style = m_style->currentText().trimmed().toUtf8().constData();
    read.name = Text(Edit(kIdName));
    read.text = Text(Edit(kIdDescription));
    read.copyright = Text(Edit(kIdCopyright));
    read.beatsPerMeasure = Number(Edit(kIdNumerator));
    read.beatUnit = Number(Edit(kIdDenominator));
    read.measureCount = Number(Edit(kIdBars));

    auto refuse = [this](const char* text, const char* caption) {
        ShowMessageBox(this, text, caption, MB_ICON_INFORMATION);
    };
    if (read.measureCount > kMaxMeasures)
        return refuse("The maximum number of measures is 4", "Required Field");
    // A groove of no measures or no beats has nothing to play or to draw.
    if (read.measureCount < 1)
        return refuse("A groove needs at least one measure", "Required Field");
    if (read.beatUnit != 4 && read.beatUnit != 8)
        return refuse("Denominator in the time signature\ncan be only 4 or 8:\n4/4, 3/4, 7/8, etc.",
                      "Required Field");
    if (read.beatsPerMeasure < 1)
        return refuse("The time signature needs at least one beat", "Required Field");
    if (!CNoteGrid::Fits(read, read.measureCount))
        return refuse("Too many notes.\nPlease choose fewer number of measures.", "Too many notes");
    if (read.style.IsEmpty())
        return refuse("Groove style is required.", "Required Field");
    if (read.name.IsEmpty())
        return refuse("Groove name is required.", "Required Field");
    // Style and name become a folder and a file name.
    if (std::strchr(read.style, '/') || std::strchr(read.name, '/'))
        return refuse("Groove style and name can't hold '/'.", "Required Field");
    m_header = read;
    QDialog::accept();
}

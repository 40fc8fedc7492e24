#include "tools/PartChordDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/KeyValue.h"
#include "song/SongPart.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"
#include "ui/MessageBox.h"

namespace {

constexpr const char* kCaption = "Song Part's Chord";

// The natural roots of a specific chord, in the octave a bass plays them.
struct ROOT_ENTRY {
    const char* name;
    int midi;
};
constexpr ROOT_ENTRY kRoots[] = {{"C", 36}, {"D", 38}, {"E", 28}, {"F", 29},
                                 {"G", 31}, {"A", 33}, {"B", 35}};

QComboBox* MakeCombo(QWidget* parent, int id, CListWrapper& list) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::number(id));
    list.Bind(combo);
    return combo;
}

} // namespace

CPartChordDlg::CPartChordDlg(CChord& chord, const CSongPart& part, CNoteManager& manager,
                             QWidget* owner)
    : QDialog(owner), m_chord(chord), m_part(part), m_manager(manager) {
    setWindowTitle("Part Chords");
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    // Scale chord.
    m_scaleMode = new QRadioButton("Scale Chord", this);
    m_scaleMode->setObjectName(QString::number(kIdScaleMode));
    layout->addWidget(m_scaleMode);
    auto* scaleBox = new QGroupBox(this);
    auto* sg = new QGridLayout(scaleBox);
    m_partScale = new QLabel(scaleBox);
    m_partScale->setObjectName(QString::number(kIdPartScale));
    CCharString text;
    manager.GetScaleName(part.m_scale, part.m_scaleRoot, text);
    m_partScale->setText(QString::fromUtf8(text.GetText()));
    sg->addWidget(new QLabel("Part's scale:", scaleBox), 0, 0);
    sg->addWidget(m_partScale, 0, 1);
    sg->addWidget(new QLabel("Chord:", scaleBox), 1, 0);
    sg->addWidget(MakeCombo(scaleBox, kIdDegree, m_degree), 1, 1);
    sg->addWidget(new QLabel("Type:", scaleBox), 2, 0);
    sg->addWidget(MakeCombo(scaleBox, kIdGroup, m_group), 2, 1);
    m_chordLabel = new QLabel(scaleBox);
    m_chordLabel->setObjectName(QString::number(kIdChordLabel));
    QFont bold = m_chordLabel->font();
    bold.setBold(true);
    m_chordLabel->setFont(bold);
    sg->addWidget(m_chordLabel, 3, 0, 1, 2);
    layout->addWidget(scaleBox);

    // Specific chord.
    m_specificMode = new QRadioButton("Specific Chord", this);
    m_specificMode->setObjectName(QString::number(kIdSpecificMode));
    layout->addWidget(m_specificMode);
    auto* specificBox = new QGroupBox(this);
    auto* pg = new QGridLayout(specificBox);
    pg->addWidget(new QLabel("Root:", specificBox), 0, 0);
    pg->addWidget(MakeCombo(specificBox, kIdRoot, m_root), 0, 1);
    pg->addWidget(new QLabel("b / #:", specificBox), 0, 2);
    pg->addWidget(MakeCombo(specificBox, kIdAccidental, m_accidental), 0, 3);
    pg->addWidget(new QLabel("Chord:", specificBox), 1, 0);
    pg->addWidget(MakeCombo(specificBox, kIdType, m_type), 1, 1, 1, 3);
    layout->addWidget(specificBox);

    auto* repeatRow = new QHBoxLayout;
    repeatRow->addWidget(new QLabel("Repeat:", this));
    m_repeat = new QLineEdit(QString::number(chord.m_repeat), this);
    m_repeat->setObjectName(QString::number(kIdRepeat));
    m_repeat->setMaximumWidth(50);
    repeatRow->addWidget(m_repeat);
    repeatRow->addWidget(new QLabel("times", this));
    repeatRow->addStretch(1);
    layout->addLayout(repeatRow);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CPartChordDlg::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CPartChordDlg::reject);

    // The lists.
    CNoteList octave;
    if (manager.GetScaleNotesInRange(part.m_scaleRoot, part.m_scale, part.m_scaleRoot,
                                     part.m_scaleRoot + 11, THING_LEAD_GUITAR, octave)) {
        int degree = 1;
        for (const CNote& note : octave) {
            text.Format("%d - %s", degree, note.m_sharpName.GetText());
            m_degree.AddItem(text, degree++);
        }
    }
    for (int group = 1; group <= CHORD_GROUP_COUNT; ++group)
        if (GetChordGroupName(group, text))
            m_group.AddItem(text, group);
    for (const ROOT_ENTRY& root : kRoots)
        m_root.AddItem(root.name, root.midi);
    m_accidental.AddItem("#", ACCIDENTAL_SHARP);
    m_accidental.AddItem("b", ACCIDENTAL_FLAT);
    m_accidental.AddItem("None", ACCIDENTAL_NONE);
    for (int type = 1; type <= CHORD_TYPE_COUNT; ++type) {
        const CHORD_TYPE* record = GetChordTypeRecord(type);
        if (record == nullptr)
            continue;
        text.Format("%s (%s)", record->name, record->symbol);
        m_type.AddItem(text, type);
    }

    // The chord as it stands.
    const bool specific = chord.m_degree == 0 && chord.m_chordType != 0;
    m_degree.SelectValue(chord.m_degree != 0 ? chord.m_degree : 1);
    m_group.SelectValue(chord.m_chordGroup != 0 ? chord.m_chordGroup : CHORD_GROUP_TRIAD);
    if (!m_root.SelectValue(chord.m_root.m_midi))
        m_root.SelectIndex(0);
    if (!m_accidental.SelectValue(chord.m_root.m_accidental))
        m_accidental.SelectValue(ACCIDENTAL_NONE);
    if (!m_type.SelectValue(chord.m_chordType))
        m_type.SelectIndex(0);
    (specific ? m_specificMode : m_scaleMode)->setChecked(true);

    for (CListWrapper* list : {&m_degree, &m_group})
        connect(static_cast<QComboBox*>(list->Control()),
                qOverload<int>(&QComboBox::currentIndexChanged), this,
                &CPartChordDlg::UpdateChordLabel);
    connect(m_scaleMode, &QRadioButton::toggled, this, &CPartChordDlg::UpdateEnabled);
    UpdateChordLabel();
    UpdateEnabled();
}

CPartChordDlg::MODE CPartChordDlg::GetMode() const {
    return m_specificMode->isChecked() ? kSpecificChord : kScaleChord;
}

QRadioButton* CPartChordDlg::ModeButton(MODE mode) const {
    return mode == kScaleChord ? m_scaleMode : m_specificMode;
}

CListWrapper& CPartChordDlg::List(CONTROL id) {
    switch (id) {
    case kIdDegree:
        return m_degree;
    case kIdGroup:
        return m_group;
    case kIdRoot:
        return m_root;
    case kIdAccidental:
        return m_accidental;
    default:
        return m_type;
    }
}

QString CPartChordDlg::GetLabel(CONTROL id) const {
    return id == kIdPartScale ? m_partScale->text() : m_chordLabel->text();
}

bool CPartChordDlg::BuildScaleChord(CChord& chord) {
    return m_manager.GetScaleChord(m_part.m_scale, m_part.m_scaleRoot, m_group.GetSelectedValue(),
                                   m_degree.GetSelectedValue(), chord) &&
           chord.m_chordType != 0;
}

void CPartChordDlg::UpdateChordLabel() {
    CChord chord;
    CCharString text("Not in scale");
    if (BuildScaleChord(chord))
        text.Format("%s%s - %s", chord.m_root.m_sharpName.GetText(), chord.m_shortName.GetText(),
                    chord.m_longName.GetText());
    m_chordLabel->setText(QString::fromUtf8(text.GetText()));
}

void CPartChordDlg::UpdateEnabled() {
    const bool scale = GetMode() == kScaleChord;
    m_degree.Enable(scale);
    m_group.Enable(scale);
    m_root.Enable(!scale);
    m_accidental.Enable(!scale);
    m_type.Enable(!scale);
}

void CPartChordDlg::accept() {
    const int repeat = KeyValueInt(m_repeat->text().toUtf8().constData());
    if (repeat < 1 || repeat > 99) {
        ShowMessageBox(this, "Repeat must be a number from 1 to 99.", kCaption,
                       MB_ICON_INFORMATION);
        return;
    }
    CChord chord;
    if (GetMode() == kScaleChord) {
        if (!BuildScaleChord(chord)) {
            ShowMessageBox(this, "This chord is not in the part's scale.\nChoose another type.",
                           kCaption, MB_ICON_INFORMATION);
            return;
        }
    } else {
        const int accidental = m_accidental.GetSelectedValue();
        m_manager.GetMidiNote(m_root.GetSelectedValue(), chord.m_root);
        chord.m_root.m_accidental = accidental;
        m_manager.GetChordType(m_type.GetSelectedValue(), chord, true);
        chord.m_degree = 0;
        chord.m_chordGroup = 0;
    }
    chord.m_repeat = repeat;
    m_chord = chord;
    QDialog::accept();
}

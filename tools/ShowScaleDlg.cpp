#include "tools/ShowScaleDlg.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/Report.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"
#include "tools/FretboardView.h"
#include "ui/NoteWheel.h"

namespace {
constexpr THING kLead = THING_LEAD_GUITAR;

QComboBox* MakeCombo(const char* tip) {
    auto* combo = new QComboBox;
    combo->setToolTip(QObject::tr(tip));
    // Long names (scales, grooves) show in full in the drop-down, not in the closed box, so the
    // tool stays narrow enough to sit beside the lessons.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(11);
    combo->view()->setTextElideMode(Qt::ElideNone);
    return combo;
}

QLabel* MakeLabel(const char* text) {
    auto* label = new QLabel(QObject::tr(text));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}
} // namespace

CShowScaleDlg::CShowScaleDlg(CShowScaleHost& host, SHOW_SCALE_SETTINGS* record, QWidget* parent)
    : CBaseWindow(kKindShowScale, parent), m_host(host), m_record(record) {
    if (m_record) {
        SetPlacement(&m_record->wnd);
        m_muted = m_record->mute != 0;
        m_countIn = m_record->countIn != 0;
        m_noteNames = m_record->noteNames == NOTE_NAMES_SHARPS ? NOTE_NAMES_SHARPS : NOTE_NAMES_KEY;
    }
}

CShowScaleDlg::~CShowScaleDlg() = default;

PRACTICE_REQUEST CShowScaleDlg::EmptyRequest() {
    PRACTICE_REQUEST request;
    request.scale = 0;
    request.root = 0;
    request.position = -1;
    request.style.Empty();
    request.groove.Empty();
    request.tempo = 0;
    request.noteLength = 0;
    request.pattern = 0;
    request.progression = 0;
    return request;
}

int CShowScaleDlg::WheelOffset(int scale) {
    switch (scale) {
    case 3:
        return 2;
    case 4:
        return 4;
    case 5:
        return 5;
    case 6:
        return 7;
    case 7:
    case 9:
    case 10:
    case 11:
    case 12:
    case 14:
        return 9;
    case 8:
        return 11;
    default:
        return 0;
    }
}

bool CShowScaleDlg::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

// ---------------------------------------------------------------- building

void CShowScaleDlg::BuildControls() {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setHorizontalSpacing(10);

    // Top row: the wheel beside the flat neck.
    m_wheel = new CNoteWheel(this);
    m_wheel->setMinimumSize(190, 190);
    layout->addWidget(m_wheel, 0, 0);

    auto* neck = new QWidget(this);
    auto* neckLayout = new QVBoxLayout(neck);
    neckLayout->setContentsMargins(0, 0, 0, 0);
    m_fretboard = new CFretboardView(neck);
    auto* labelRow = new QHBoxLayout;
    labelRow->addWidget(new QLabel(tr("Labels:")));
    auto* labels = new QButtonGroup(neck);
    const char* names[3] = {"Note names", "Degrees", "Intervals"};
    const char* tips[3] = {"Name every mark by its note", "Number every mark by its scale degree",
                           "Name every mark by its interval above the root"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QToolButton(neck);
        button->setText(tr(names[i]));
        button->setToolTip(tr(tips[i]));
        button->setCheckable(true);
        button->setChecked(i == 0);
        labels->addButton(button, i);
        labelRow->addWidget(button);
    }
    labelRow->addStretch(1);
    connect(labels, &QButtonGroup::idClicked, this,
            [this](int id) { m_fretboard->SetLabels(static_cast<CFretboardView::LABELS>(id)); });
    neckLayout->addLayout(labelRow);
    neckLayout->addWidget(m_fretboard, 1);
    layout->addWidget(neck, 0, 1, 1, 2);

    // Scales.
    auto* scales = new QGroupBox(tr("Scales"), this);
    auto* sg = new QGridLayout(scales);
    auto* scaleCombo = MakeCombo("The scale to show and play");
    auto* rootCombo = MakeCombo("The root: the note the scale starts from");
    auto* positionCombo = MakeCombo("The fret where the left hand sits");
    sg->addWidget(MakeLabel("Scale"), 0, 0);
    sg->addWidget(scaleCombo, 0, 1, 1, 2);
    sg->addWidget(MakeLabel("Root"), 1, 0);
    sg->addWidget(rootCombo, 1, 1, 1, 2);
    sg->addWidget(MakeLabel("Position"), 2, 0);
    sg->addWidget(positionCombo, 2, 1);
    auto* commandsPlace = new QWidget(scales);
    commandsPlace->setFixedSize(26, 24);
    sg->addWidget(commandsPlace, 2, 2, Qt::AlignRight);
    m_showScaleButton = new QPushButton(tr("Show Scale"), scales);
    m_showScaleButton->setToolTip(tr("Show the scale in the chosen position"));
    sg->addWidget(m_showScaleButton, 3, 0, 1, 3);
    sg->setRowStretch(4, 1);
    layout->addWidget(scales, 1, 0);

    // Practice.
    auto* practice = new QGroupBox(tr("Practice"), this);
    auto* pg = new QGridLayout(practice);
    auto* styleCombo = MakeCombo("The style of the groove the band plays");
    auto* grooveCombo = MakeCombo("The groove the band plays");
    auto* tempoCombo = MakeCombo("Tempo in beats per minute");
    auto* lengthCombo = MakeCombo("How long each scale note lasts");
    auto* patternCombo = MakeCombo("The order in which the scale's notes are played");
    auto* progressionCombo = MakeCombo("The chords the band plays under the scale");
    auto* progressionText = new QLabel(practice);
    progressionText->setToolTip(tr("The chords of the progression in this scale and root"));
    progressionText->setMinimumWidth(120);
    // One column of labelled lists keeps the tool narrow enough to sit beside the lessons.
    QWidget* practiceRows[6][2] = {
        {MakeLabel("Style"), styleCombo},     {MakeLabel("Groove"), grooveCombo},
        {MakeLabel("Tempo"), tempoCombo},     {MakeLabel("Note length"), lengthCombo},
        {MakeLabel("Pattern"), patternCombo}, {MakeLabel("Progression"), progressionCombo}};
    for (int row = 0; row < 6; ++row) {
        pg->addWidget(practiceRows[row][0], row, 0);
        pg->addWidget(practiceRows[row][1], row, 1);
    }
    progressionText->setAlignment(Qt::AlignCenter);
    pg->addWidget(progressionText, 6, 0, 1, 2);
    m_playScaleButton = new QPushButton(tr("Play Scale"), practice);
    m_playScaleButton->setToolTip(tr("Play the scale over the groove; press again to stop"));
    pg->addWidget(m_playScaleButton, 7, 0, 1, 2);
    layout->addWidget(practice, 1, 1);

    // Chords.
    auto* chords = new QGroupBox(tr("Chords"), this);
    auto* cg = new QGridLayout(chords);
    auto* chordCombo = MakeCombo("The degree of the scale the chord stands on");
    auto* typeCombo = MakeCombo("The kind of chord built on that degree");
    auto* chordName = new QLabel(chords);
    chordName->setToolTip(tr("The chord's name"));
    QFont bold = chordName->font();
    bold.setBold(true);
    chordName->setFont(bold);
    auto* formula = new QLabel(chords);
    formula->setToolTip(tr("The chord's notes"));
    cg->addWidget(chordName, 0, 0, 1, 2);
    cg->addWidget(formula, 1, 0, 1, 2);
    cg->addWidget(MakeLabel("Chord"), 2, 0);
    cg->addWidget(chordCombo, 2, 1);
    cg->addWidget(MakeLabel("Type"), 3, 0);
    cg->addWidget(typeCombo, 3, 1);
    m_showChordButton = new QPushButton(tr("Show Chord"), chords);
    m_showChordButton->setToolTip(tr("Show the chord's fingering"));
    m_playChordButton = new QPushButton(tr("Play Chord"), chords);
    m_playChordButton->setToolTip(tr("Strum the chord"));
    cg->addWidget(m_showChordButton, 4, 0);
    cg->addWidget(m_playChordButton, 4, 1);
    layout->addWidget(chords, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(0, 1);

    m_scale.Bind(scaleCombo);
    m_root.Bind(rootCombo);
    m_position.Bind(positionCombo);
    m_style.Bind(styleCombo);
    m_groove.Bind(grooveCombo);
    m_tempo.Bind(tempoCombo);
    m_noteLength.Bind(lengthCombo);
    m_pattern.Bind(patternCombo);
    m_progression.Bind(progressionCombo);
    m_chordList.Bind(chordCombo);
    m_type.Bind(typeCombo);
    m_progressionText.Bind(progressionText);
    m_chordName.Bind(chordName);
    m_formula.Bind(formula);

    // The commands button needs its placeholder laid out first.
    m_commands = new CCmdButton(scales);
    m_commands->Create(scales, commandsPlace, kIdCommands, "Scale commands");
    // The button takes the placeholder's cell, so the layout keeps placing it.
    m_commands->setFixedSize(commandsPlace->minimumSize());
    delete sg->replaceWidget(commandsPlace, m_commands);
    delete commandsPlace;
    m_menu = new QMenu(this);
    QMenu* show = m_menu->addMenu(tr("Show"));
    auto addItem = [&](QMenu* menu, const char* text, int id) {
        QAction* action = menu->addAction(tr(text));
        action->setCheckable(true);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id, 0); });
    };
    addItem(show, "Leave the view", kIdViewNone);
    addItem(show, "Position", kIdViewPosition);
    addItem(show, "Neck", kIdViewNeck);
    addItem(m_menu, "Mute the guitar", kIdMute);
    addItem(m_menu, "Count in", kIdCountIn);

    auto onList = [this](QComboBox* combo, int id) {
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this, [this, id] {
            if (!m_filling)
                OnCommand(id, 0);
        });
    };
    onList(scaleCombo, kIdScale);
    onList(rootCombo, kIdRoot);
    onList(positionCombo, kIdPosition);
    onList(styleCombo, kIdStyle);
    onList(patternCombo, kIdPattern);
    onList(progressionCombo, kIdProgression);
    onList(chordCombo, kIdChord);
    onList(typeCombo, kIdType);
    auto onButton = [this](QPushButton* button, int id) {
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id, 0); });
    };
    onButton(m_showScaleButton, kIdShowScale);
    onButton(m_playScaleButton, kIdPlayScale);
    onButton(m_showChordButton, kIdShowChord);
    onButton(m_playChordButton, kIdPlayChord);

    m_highlightTimer = new QTimer(this);
    m_highlightTimer->setInterval(33);
    connect(m_highlightTimer, &QTimer::timeout, this, &CShowScaleDlg::UpdatePlayHighlight);
}

QStringList CShowScaleDlg::ListGrooveRoots(const QString& sub, const QStringList& patterns,
                                           QDir::Filters filters) const {
    QStringList names;
    for (const CCharString& root : {m_host.GetGrooveRoot(), m_host.GetUserGrooveRoot()})
        if (!root.IsEmpty())
            names += QDir(QString::fromUtf8(root.GetText()) + sub).entryList(patterns, filters);
    names.sort();
    names.removeDuplicates();
    return names;
}

void CShowScaleDlg::FillGrooves() {
    m_filling = true;
    m_groove.Reset();
    const QString style = "/" + QString::fromUtf8(m_style.GetSelectedText().GetText());
    int index = 0;
    for (const QString& file : ListGrooveRoots(style, {"*.mid"}, QDir::Files))
        m_groove.AddItem(file.chopped(4).toUtf8().constData(), index++);
    m_groove.SelectIndex(m_groove.GetCount() > 0 ? 0 : -1);
    m_filling = false;
}

void CShowScaleDlg::FillLists() {
    m_filling = true;
    CCharString name;
    for (int scale = 1; scale <= SCALE_TYPE_COUNT; ++scale)
        if (GetScaleTypeName(scale, name))
            m_scale.AddItem(name, scale);
    m_scale.SelectIndex(0);
    for (int i = 0; i < 12; ++i)
        m_root.AddItem(GetRootListName(i), ROOT_LIST_FIRST + i);
    m_root.SelectIndex(0);
    for (int fret = 0; fret <= 12; ++fret) {
        name.Format("%d", fret);
        m_position.AddItem(name, fret);
    }
    m_position.SelectIndex(0);

    int index = 0;
    for (const QString& style : ListGrooveRoots("", {}, QDir::Dirs | QDir::NoDotAndDotDot))
        m_style.AddItem(style.toUtf8().constData(), index++);
    m_style.SelectIndex(m_style.GetCount() > 0 ? 0 : -1);

    for (int tempo = 40; tempo <= 240; tempo += 10) {
        name.Format("%d", tempo);
        m_tempo.AddItem(name, tempo);
    }
    m_tempo.SelectText("120");
    m_noteLength.AddItem("4-th", 4);
    m_noteLength.AddItem("8-th", 8);
    m_noteLength.AddItem("16-th", 16);
    m_noteLength.SelectIndex(0);
    for (int progression = 0; progression <= PROGRESSION_COUNT; ++progression)
        if (GetProgressionName(progression, name))
            m_progression.AddItem(name, progression);
    m_progression.SelectIndex(0);
    for (int group : OFFERED_CHORD_GROUPS)
        if (GetChordGroupName(group, name))
            m_type.AddItem(name, group);
    m_type.SelectIndex(0);

    for (CListWrapper* list : {&m_scale, &m_style, &m_progression, &m_type}) {
        auto* combo = static_cast<QComboBox*>(list->Control());
        combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 24);
    }

    // Defaults.
    m_position.SelectValue(7);
    m_style.SelectText("Rock");
    m_filling = false;
    FillGrooves();
    m_groove.SelectText("2 Rock");
}

bool CShowScaleDlg::OnInitDialog() {
    BuildControls();
    if (!m_wheel)
        return Fail("Can't create Note Wheel: %s", "no window");
    FillLists();
    UpdateMenuChecks();
    // The neck's tuning never changes; the marks are redrawn on every show.
    CNoteList tuning;
    if (m_host.GetNoteManager().GetTuning(INSTRUMENT_GUITAR, tuning))
        m_fretboard->SetTuning(tuning);
    ScaleOrRootChanged();
    return true;
}

// ---------------------------------------------------------------- reacting to the controls

bool CShowScaleDlg::OnCommand(int id, int code) {
    switch (id) {
    case kIdScale:
    case kIdRoot:
        ScaleOrRootChanged();
        return true;
    case kIdPosition:
        ShowScale();
        return true;
    case kIdPattern:
        PatternChanged();
        return true;
    case kIdChord:
    case kIdType:
        ShowChord();
        return true;
    case kIdStyle:
        FillGrooves();
        return true;
    case kIdProgression:
        UpdateProgressionText();
        return true;
    case kIdShowScale:
        m_mode = kScaleMode;
        ShowScale();
        return true;
    case kIdShowChord:
        m_mode = kChordMode;
        ShowChord();
        return true;
    case kIdPlayScale:
        if (m_playing) {
            m_host.Stop();
            PlaybackStopped();
        } else {
            PlayScale();
        }
        return true;
    case kIdPlayChord:
        PlayChord();
        return true;
    case kIdCommands:
        UpdateMenuChecks();
        m_menu->popup(m_commands->mapToGlobal(QPoint(0, m_commands->height())));
        return true;
    case kIdViewNone:
        m_viewPosition = m_viewNeck = false;
        UpdateMenuChecks();
        return true;
    case kIdViewPosition:
        m_viewPosition = true;
        m_viewNeck = false;
        UpdateMenuChecks();
        return true;
    case kIdViewNeck:
        m_viewPosition = false;
        m_viewNeck = true;
        UpdateMenuChecks();
        return true;
    case kIdMute:
        m_muted = !m_muted;
        UpdateMenuChecks();
        return true;
    case kIdCountIn:
        m_countIn = !m_countIn;
        UpdateMenuChecks();
        return true;
    default:
        return CBaseWindow::OnCommand(id, code);
    }
}

void CShowScaleDlg::UpdateMenuChecks() {
    if (!m_menu)
        return;
    const auto actions = m_menu->findChildren<QAction*>();
    for (QAction* action : actions) {
        switch (action->data().toInt()) {
        case kIdViewNone:
            action->setChecked(!m_viewPosition && !m_viewNeck);
            break;
        case kIdViewPosition:
            action->setChecked(m_viewPosition);
            break;
        case kIdViewNeck:
            action->setChecked(m_viewNeck);
            break;
        case kIdMute:
            action->setChecked(m_muted);
            break;
        case kIdCountIn:
            action->setChecked(m_countIn);
            break;
        default:
            break;
        }
    }
    if (m_record) {
        m_record->mute = m_muted ? 1 : 0;
        m_record->countIn = m_countIn ? 1 : 0;
    }
}

void CShowScaleDlg::ScaleOrRootChanged() {
    CNoteManager& manager = m_host.GetNoteManager();
    const int scale = m_scale.GetSelectedValue();
    const int root = m_root.GetSelectedValue();
    CNoteList octave;
    if (manager.GetScaleNotesInRange(root, scale, root, root + 11, kLead, octave))
        m_wheel->SetScale(octave, WheelOffset(scale));

    m_spelling = CSpelling(scale, root, m_noteNames);

    m_filling = true;
    m_chordList.Reset();
    CCharString item;
    int degree = 1;
    for (const CNote& note : octave) {
        item.Format("%d - %s", degree, m_spelling.Name(note.m_midi));
        m_chordList.AddItem(item, degree++);
    }
    m_chordList.SelectIndex(m_chordList.GetCount() > 0 ? 0 : -1);

    const int previousPattern = m_pattern.GetSelectedValue();
    m_pattern.Reset();
    const int patterns = scale >= 15 ? 4 : PATTERN_COUNT;
    for (int pattern = 1; pattern <= patterns; ++pattern)
        if (GetPatternName(pattern, item))
            m_pattern.AddItem(item, pattern);
    if (!m_pattern.SelectValue(previousPattern))
        m_pattern.SelectIndex(0);
    m_filling = false;
    PatternChanged(); // also updates the progression text for the new scale and root

    ShowScale();
    ShowChord();
}

void CShowScaleDlg::SetNoteNames(NOTE_NAMES names) {
    m_noteNames = names;
    if (m_record)
        m_record->noteNames = static_cast<uint8_t>(names);
    const int degree = m_chordList.GetSelectedValue();
    ScaleOrRootChanged();
    m_filling = true;
    m_chordList.SelectValue(degree);
    m_filling = false;
    ShowChord();
}

void CShowScaleDlg::PatternChanged() {
    const int scale = m_scale.GetSelectedValue();
    m_filling = true;
    // Refilled each time so that "Not for Up pattern" never stays behind as a choice.
    const int progression = m_progression.GetSelectedValue();
    m_progression.Reset();
    CCharString name;
    if (m_pattern.GetSelectedValue() == 1) {
        m_progression.AddItem("Not for Up pattern", 0);
        m_progression.SelectIndex(0);
        m_progression.Enable(false);
    } else {
        for (int number = 0; number <= PROGRESSION_COUNT; ++number)
            if (GetProgressionName(number, name))
                m_progression.AddItem(name, number);
        if (!m_progression.SelectValue(progression))
            m_progression.SelectIndex(0);
        m_progression.Enable(scale < 15);
    }
    m_filling = false;
    UpdateProgressionText();
}

void CShowScaleDlg::UpdateProgressionText() {
    CCharString text;
    const int progression = m_progression.IsEnabled() ? m_progression.GetSelectedValue() : 0;
    if (progression > 0)
        m_host.GetNoteManager().GetProgressionText(
            m_scale.GetSelectedValue(), m_root.GetSelectedValue(), progression, text, m_noteNames);
    m_progressionText.SetText(text);
}

PRACTICE_REQUEST CShowScaleDlg::AssembleRequest() const {
    PRACTICE_REQUEST request;
    request.scale = m_scale.GetSelectedValue();
    request.root = m_root.GetSelectedValue();
    request.SetPosition(m_position.GetSelectedValue());
    request.style = m_style.GetSelectedText();
    request.groove = m_groove.GetSelectedText();
    request.SetTempo(m_tempo.GetSelectedValue());
    request.beatsPerMeasure = 4;
    request.noteLength = m_noteLength.GetSelectedValue();
    request.pattern = m_pattern.GetSelectedValue();
    request.progression = m_progression.IsEnabled() ? m_progression.GetSelectedValue() : 0;
    request.viewPosition = m_viewPosition;
    request.viewNeck = m_viewNeck;
    request.guitarVolume = m_muted ? kMutedVolume : kGuitarVolume;
    return request;
}

// ---------------------------------------------------------------- showing

void CShowScaleDlg::FrameNotes(const CNoteList& notes, THING guitar) {
    if (m_viewNeck) {
        m_host.FrameFrets(guitar, 0, 18);
        return;
    }
    if (!m_viewPosition)
        return;
    int lowest = INT_NOT_SET, highest = -1;
    for (const CNote& note : notes) {
        const FRET_SLOT& slot = note.Position();
        if (slot.fret == INT_NOT_SET)
            continue;
        lowest = std::min(lowest, slot.fret);
        highest = std::max(highest, slot.fret);
    }
    if (highest >= 0)
        m_host.FrameFrets(guitar, ClampFret(lowest), ClampFret(highest));
}

bool CShowScaleDlg::ShowScale() {
    if (m_mode != kScaleMode)
        return true;
    PRACTICE_REQUEST request = AssembleRequest();
    CNoteManager& manager = m_host.GetNoteManager();
    m_host.ShowScaleMarks(request.root, request.scale);

    CNoteList scaleNotes;
    m_fretboard->SetNoteNames(m_spelling);
    if (manager.GetScaleNotes(request.root, request.scale, scaleNotes))
        m_fretboard->ShowPitchMarks(scaleNotes, request.root);
    if (!manager.GetScaleNotesInRange(request.root, request.scale, request.lowest, request.highest,
                                      kLead, m_shownNotes))
        return Fail("%s", manager.GetErrorText().GetText());
    if (m_shownNotes.GetCount() > 0 &&
        !m_shownNotes.PlaceRun(0, m_shownNotes.GetCount() - 1, kLead, request.position,
                               request.handSpanEnd, false, manager))
        return Fail("Can't place the scale on the neck: %s", manager.GetErrorText().GetText());
    if (m_shownNotes.GetCount() > 0)
        m_shownNotes.AssignFingers(0, m_shownNotes.GetCount() - 1);
    m_fretboard->ShowNoteMarks(m_shownNotes);
    m_host.ShowNotesOnGuitars(m_shownNotes);
    m_host.SetHandPosition(kLead, ClampHand(request.position));
    FrameNotes(m_shownNotes, kLead);
    return true;
}

bool CShowScaleDlg::ShowChord() {
    CNoteManager& manager = m_host.GetNoteManager();
    const int scale = m_scale.GetSelectedValue();
    const int root = m_root.GetSelectedValue();
    const int degree = m_chordList.GetSelectedValue();
    const int group = m_type.GetSelectedValue();
    if (m_mode == kChordMode)
        m_host.ShowScaleMarks(root, scale);

    CChord chord;
    chord.m_thing = kLead;
    if (!manager.GetScaleChord(scale, root, group, degree, chord))
        return Fail("%s", manager.GetErrorText().GetText());
    CNoteList chordNotes;
    int type = 0;
    if (!manager.FindChordType(chord.m_notes, type))
        type = 0;
    m_chordType = type;

    if (type == 0) {
        m_chordName.SetText("No chord for these intervals");
        m_formula.SetText("");
        m_chord = chord;
        m_wheel->SetChord(chord.m_notes, chord);
        m_wheel->SetNoteNames(m_spelling, m_spelling);
        if (m_mode == kChordMode) {
            m_fretboard->SetNoteNames(m_spelling);
            m_host.SetHandPosition(kLead, 5);
            m_fretboard->ShowNoteMarks(chord.m_notes);
            m_host.ShowChordOnGuitarist(chord);
            m_host.FrameFrets(kLead, 0, 12);
        }
        return true;
    }

    // Voice the recognised chord on its root for the fretboard.
    CChord voiced;
    voiced.m_thing = kLead;
    const int chordRoot = chord.m_notes.GetCount() > 0 ? chord.m_notes[0].m_midi : root;
    if (!manager.SetChordOnRoot(type, chordRoot, voiced)) {
        REPORT_ERROR("CheckType failed for chord type %d", type);
        return Fail("CheckType failed for chord type %d", type);
    }
    voiced.m_thing = kLead;
    voiced.m_degree = degree;
    voiced.m_chordGroup = group;
    m_chord = voiced;

    // The chord's notes are named from its root's name in the key ("Bbm: Bb Db F").
    const CSpelling chordNames = m_spelling.WithChord(type, chordRoot);
    CCharString name;
    const CHORD_TYPE* record = GetChordTypeRecord(type);
    name.Format("%s%s - %s", chordNames.Name(chordRoot), record ? record->symbol : "",
                record ? record->name : "");
    m_chordName.SetText(name);
    CCharString notes;
    for (const CNote& note : chord.m_notes) {
        if (!notes.IsEmpty())
            notes.Append(" ");
        notes.Append(chordNames.Name(note.m_midi));
    }
    CCharString formula;
    formula.Format("Notes: %s", notes.GetText());
    m_formula.SetText(formula);

    // The wheel's chord: the chord's notes from its root up an octave.
    for (const CNote& note : chord.m_notes) {
        CNote wheelNote = note;
        wheelNote.m_semitones = ((note.m_midi - root) % 12 + 12) % 12;
        chordNotes.Append(wheelNote);
    }
    m_wheel->SetChord(chordNotes, chord);
    m_wheel->SetNoteNames(m_spelling, chordNames);
    m_host.ShowChordNames(m_chord);

    if (m_mode == kChordMode) {
        m_fretboard->SetNoteNames(chordNames);
        m_fretboard->ShowChord(m_chord);
        m_host.ShowChordOnGuitarist(m_chord);
        int lowest = INT_NOT_SET;
        for (const CNote& note : m_chord.m_notes)
            if (note.Position().fret != INT_NOT_SET)
                lowest = std::min(lowest, note.Position().fret);
        m_host.SetHandPosition(kLead, ClampHand(lowest == INT_NOT_SET ? 0 : lowest));
        FrameNotes(m_chord.m_notes, kLead);
    }
    return true;
}

// ---------------------------------------------------------------- playing

void CShowScaleDlg::SetPlayButtonText(bool playing) {
    m_playScaleButton->setText(playing ? tr("Stop") : tr("Play Scale"));
}

bool CShowScaleDlg::PlayScale() {
    m_mode = kScaleMode;
    PRACTICE_REQUEST request = AssembleRequest();
    PRACTICE_NOTES practice;
    if (!MakePracticeNotes(m_host.GetComposer(), request, m_countIn, practice))
        return Fail("%s", m_host.GetComposer().GetErrorText().GetText());
    if (!m_host.PlayNotes(practice.notes, true, request.beatsPerMeasure, request.beatTime, 0.0, 0,
                          0))
        return Fail("%s", m_host.GetHostError().GetText());
    m_lastPlayed = practice.notes;
    m_playedOffset = request.beatTime;
    m_heard.ResetCounts();
    m_fretboard->SetPlayedNotes(m_lastPlayed, kLead);
    ShowScale();
    m_playing = true;
    SetPlayButtonText(true);
    m_highlightTimer->start();
    return true;
}

void CShowScaleDlg::HearInput(const CNote& input) {
    const uint16_t belonging =
        CHeardNotes::PitchClassesOf(m_mode == kChordMode ? m_chord.m_notes : m_wheel->GetScale());
    if (belonging != m_heardBelonging) {
        m_heard.SetBelonging(belonging);
        m_heardBelonging = belonging;
    }
    m_heard.Hear(input);
    const int heard = m_heard.GetCurrent();
    const bool belongs = m_heard.Belongs(heard);
    m_fretboard->SetHeardNote(heard, belongs);
    m_wheel->SetHeardPitch(heard == MIDI_NO_PITCH ? -1 : heard % 12, belongs);
    m_wheel->SetHeardCounts(m_heard.GetInCount(), m_heard.GetOutCount());
}

void CShowScaleDlg::StopHearing() {
    m_fretboard->SetHeardNote(MIDI_NO_PITCH, false);
    m_wheel->SetHeardPitch(-1, false);
    m_wheel->SetHeardCounts(-1, -1);
}

bool CShowScaleDlg::PlayChord() {
    if (m_chordType == 0)
        return true;
    m_mode = kChordMode;
    ShowChord();
    // A strum over the fretted strings, from the last note of the chord back to the first,
    // each string 0.3 s after the one before.
    CNoteList strum;
    double t = 0.0;
    for (int i = m_chord.m_notes.GetCount() - 1; i >= 0; --i) {
        CNote note = m_chord.m_notes[i];
        const int finger = note.Position().finger;
        if (finger == INT_NOT_SET)
            continue;
        note.m_time = t;
        note.m_duration = 3.0 - t;
        note.m_volume = kGuitarVolume;
        note.m_thing = kLead;
        strum.Add(note);
        t += 0.3;
    }
    if (!m_host.PlayNotes(strum, false, 0, 0.0, 0.0, 0, 0))
        return Fail("%s", m_host.GetHostError().GetText());
    m_lastPlayed = strum;
    m_playedOffset = 0.0;
    m_fretboard->SetPlayedNotes(m_lastPlayed, kLead);
    m_highlightTimer->start();
    return true;
}

void CShowScaleDlg::PlaybackStopped() {
    m_playing = false;
    SetPlayButtonText(false);
    m_highlightTimer->stop();
    m_fretboard->SetPlayTime(-1.0);
    ShowScale();
}

void CShowScaleDlg::UpdatePlayHighlight() {
    const double t = m_host.GetPlayTime();
    if (t < 0.0) {
        m_fretboard->SetPlayTime(-1.0);
        if (!m_playing)
            m_highlightTimer->stop();
        return;
    }
    // The list sounds m_playedOffset later than composed.
    m_fretboard->SetPlayTime(t - m_playedOffset);
}

bool CShowScaleDlg::ApplyRequest(const PRACTICE_REQUEST& request,
                                 const SHOW_SCALE_OPTIONS& options) {
    SetPlayButtonText(false);
    m_playing = false;
    ShowScale();
    m_filling = true;
    if (request.scale != 0)
        m_scale.SelectValue(request.scale);
    int rootMidi = 0;
    if (!options.rootName.IsEmpty() && FindRootByName(options.rootName, rootMidi))
        m_root.SelectValue(rootMidi);
    m_filling = false;
    ScaleOrRootChanged();
    m_filling = true;
    if (request.position >= 0)
        m_position.SelectValue(request.position);
    if (!request.style.IsEmpty() && !request.groove.IsEmpty()) {
        m_style.SelectText(request.style);
        m_filling = false;
        FillGrooves();
        m_filling = true;
        m_groove.SelectText(request.groove);
    }
    if (request.tempo > 0)
        m_tempo.SelectValue(static_cast<int>(request.tempo));
    if (request.noteLength != 0)
        m_noteLength.SelectValue(request.noteLength);
    if (request.pattern != 0)
        m_pattern.SelectValue(request.pattern);
    m_filling = false;
    PatternChanged();
    m_filling = true;
    if (m_progression.IsEnabled() && !m_progression.SelectValue(request.progression))
        m_progression.SelectIndex(0);
    m_filling = false;
    UpdateProgressionText();
    m_viewPosition = options.viewPosition;
    m_viewNeck = options.viewNeck;
    UpdateMenuChecks();
    if (options.chordDegree != 0 && options.chordGroup != 0) {
        m_filling = true;
        m_chordList.SelectValue(options.chordDegree);
        m_type.SelectValue(options.chordGroup);
        m_filling = false;
        m_mode = kChordMode;
    } else if (request.scale != 0) {
        m_mode = kScaleMode;
    }
    bool shown = ShowScale();
    return ShowChord() && shown;
}

bool CShowScaleDlg::ApplyRequestPlayChord(const PRACTICE_REQUEST& request,
                                          const SHOW_SCALE_OPTIONS& options) {
    if (!ApplyRequest(request, options))
        return false;
    return options.play ? PlayChord() : true;
}

bool CShowScaleDlg::ApplyRequestPlayScale(const PRACTICE_REQUEST& request,
                                          const SHOW_SCALE_OPTIONS& options) {
    if (!ApplyRequest(request, options))
        return false;
    return options.play ? PlayScale() : true;
}

CListWrapper& CShowScaleDlg::List(CONTROL id) {
    switch (id) {
    case kIdScale:
        return m_scale;
    case kIdRoot:
        return m_root;
    case kIdPosition:
        return m_position;
    case kIdStyle:
        return m_style;
    case kIdGroove:
        return m_groove;
    case kIdTempo:
        return m_tempo;
    case kIdNoteLength:
        return m_noteLength;
    case kIdPattern:
        return m_pattern;
    case kIdProgression:
        return m_progression;
    case kIdChord:
        return m_chordList;
    case kIdType:
    default:
        return m_type;
    }
}

QPushButton* CShowScaleDlg::Button(CONTROL id) const {
    switch (id) {
    case kIdShowScale:
        return m_showScaleButton;
    case kIdPlayScale:
        return m_playScaleButton;
    case kIdShowChord:
        return m_showChordButton;
    case kIdPlayChord:
        return m_playChordButton;
    default:
        return nullptr;
    }
}

CCharString CShowScaleDlg::GetText(CONTROL id) const {
    switch (id) {
    case kIdChordName:
        return m_chordName.GetText();
    case kIdFormula:
        return m_formula.GetText();
    case kIdProgressionText:
        return m_progressionText.GetText();
    default:
        return CCharString();
    }
}

bool CShowScaleDlg::OnDestroyed() {
    StorePlacement();
    if (m_record) {
        m_record->mute = m_muted ? 1 : 0;
        m_record->countIn = m_countIn ? 1 : 0;
    }
    return CBaseWindow::OnDestroyed();
}

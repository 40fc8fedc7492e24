#include "tools/SongEditorDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "core/KeyValue.h"
#include "core/Path.h"
#include "song/Composer.h"
#include "song/MidiFile.h"
#include "song/Mix.h"
#include "song/NoteGrid.h"
#include "song/WaveRenderer.h"
#include "theory/NoteManager.h"
#include "tools/EditDlg.h"
#include "tools/GrooveInfoDlg.h"
#include "tools/NoteGridArea.h"
#include "tools/PartChordDlg.h"
#include "tools/SongPartDlg.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

namespace {

struct HUMAN_LEVEL {
    const char* name;
    int value;
};
constexpr HUMAN_LEVEL kHumanLevels[] = {
    {"Robot", 0}, {"Rock star", 20}, {"School", 50}, {"Beginner", 100}};
// Share of the human factor that becomes the volume spread and the time spread.
constexpr double kSpreadPerFactor = 0.3;
constexpr double kMinTempo = 20.0;
constexpr double kMaxTempo = 300.0;
constexpr int kLevelTimerMs = 100;

// The tracks the play check boxes switch, in the order of m_checks.
constexpr THING kPlayTracks[4] = {THING_LEAD_GUITAR, THING_RHYTHM_GUITAR, THING_BASS_GUITAR,
                                  THING_DRUM_SET};
constexpr const char* kTrackNames[4] = {"Lead guitar", "Rhythm guitar", "Bass guitar", "Drum set"};

QString Qs(const char* text) {
    return QString::fromUtf8(text ? text : "");
}

void Name(QWidget* widget, int id) {
    widget->setObjectName(QString::number(id));
}

// A file name stem from the song's or groove's name: no folder separators.
CCharString FileStem(const CCharString& name, const char* fallback) {
    CCharString stem(name.IsEmpty() ? fallback : name.GetText());
    stem.Replace('/', '-');
    return stem;
}

// The folder of a settings path without its trailing separator.
CCharString Folder(const CCharString& path) {
    CCharString folder(path);
    while (folder.GetLength() > 1 && folder.At(folder.GetLength() - 1) == '/')
        folder.Cut(folder.GetLength() - 1);
    return folder;
}

bool EndsWith(const char* text, const char* end) {
    const size_t a = std::strlen(text), b = std::strlen(end);
    return a >= b && std::strcmp(text + a - b, end) == 0;
}

// An empty groove of the header's length: the four tracks of the band, no notes.
void MakeEmptyGroove(const SONG_HEADER& header, CSong& groove) {
    groove.Reset();
    groove.m_header = header;
    for (int i = 3; i >= 0; --i) {
        CTrack track;
        track.m_instrument = kPlayTracks[i];
        track.m_name = kTrackNames[i];
        track.m_header = header;
        groove.AddTrack(track);
    }
}

} // namespace

CSongEditorDlg::CSongEditorDlg(CSongEditorHost& host, APP_SETTINGS* settings, QWidget* parent)
    : CBaseWindow(kKindSongEditor, parent), m_host(host), m_settings(settings),
      m_record(settings ? &settings->musicEditor : nullptr),
      m_composition(std::make_unique<CComposition>()) {
    if (m_record)
        SetPlacement(&m_record->wnd);
    if (m_settings)
        m_library.SetFolders(m_settings->grooveRootPath, m_settings->userGrooveRootPath);
    m_composition->m_header.tempo = kDefaultTempo;
    m_composition->m_header.SetBeatTime(60.0 / kDefaultTempo);
}

CSongEditorDlg::~CSongEditorDlg() = default;

WND_RECT CSongEditorDlg::DefaultRect() {
    WND_RECT rect;
    rect.Set(400, 0, 400 + 960, 720);
    return rect;
}

bool CSongEditorDlg::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

void CSongEditorDlg::ShowError(const char* caption, const char* format, ...) {
    va_list args;
    va_start(args, format);
    CCharString text;
    text.FormatV(format, args);
    va_end(args);
    ShowMessageBox(this, text, caption, MB_ICON_STOP);
}

// ---------------------------------------------------------------- building

void CSongEditorDlg::AddMenu(CONTROL button, const char* title,
                             std::initializer_list<std::pair<int, const char*>> items) {
    const int index = button == kIdGrooveCommands  ? 0
                      : button == kIdPartCommands  ? 1
                      : button == kIdChordCommands ? 2
                                                   : 3;
    QMenu* menu = new QMenu(Qs(title), this);
    for (const auto& [id, text] : items) {
        if (id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Qs(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id = id] { OnCommand(id, 0); });
    }
    m_menus[index] = menu;
}

QWidget* CSongEditorDlg::BuildLeftColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto makeCommand = [this](QWidget* parent, CONTROL id, const char* name, int slot) {
        auto* button = new CCmdButton(parent);
        button->Create(parent, nullptr, id, name, QRect(0, 0, 26, 22));
        button->setFixedSize(26, 22);
        button->setToolTip(tr(name));
        m_commandButtons[slot] = button;
        return button;
    };
    auto makePlay = [this](QWidget* parent, CONTROL id, const char* text, int slot) {
        auto* button = new QPushButton(tr(text), parent);
        Name(button, id);
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id, 0); });
        m_playButtons[slot] = button;
        return button;
    };
    auto makeList = [this](QWidget* parent, CONTROL id, CListWrapper& wrapper, const char* tip) {
        auto* list = new QListWidget(parent);
        Name(list, id);
        list->setToolTip(tr(tip));
        wrapper.Bind(list);
        connect(list, &QListWidget::currentRowChanged, this, [this, id] {
            if (!m_filling)
                OnCommand(id, 0);
        });
        return list;
    };

    // Grooves.
    auto* grooves = new QGroupBox(tr("Grooves"), column);
    auto* gl = new QGridLayout(grooves);
    auto* style = new QComboBox(grooves);
    Name(style, kIdStyle);
    style->setToolTip(tr("The groove styles"));
    m_style.Bind(style);
    connect(style, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
        if (!m_filling)
            OnCommand(kIdStyle, 0);
    });
    gl->addWidget(style, 0, 0);
    gl->addWidget(makeCommand(grooves, kIdGrooveCommands, "Groove commands", 0), 0, 1);
    gl->addWidget(makePlay(grooves, kIdPlayGroove, "Play groove", 0), 1, 0, 1, 2);
    auto* grooveList = makeList(grooves, kIdGrooves, m_grooves, "The grooves of the style");
    grooveList->setMinimumHeight(60);
    gl->addWidget(grooveList, 2, 0, 1, 2);
    layout->addWidget(grooves, 3);

    // Song parts.
    auto* parts = new QGroupBox(tr("Song Parts"), column);
    auto* pl = new QGridLayout(parts);
    pl->addWidget(makeCommand(parts, kIdPartCommands, "Song part commands", 1), 0, 0);
    pl->addWidget(makePlay(parts, kIdPlayPart, "Play song part", 1), 0, 1);
    pl->addWidget(makeCommand(parts, kIdChordCommands, "Part chords commands", 2), 0, 2);
    auto* partList = makeList(parts, kIdParts, m_parts, "The song's parts");
    partList->setMinimumHeight(36);
    connect(partList, &QListWidget::itemDoubleClicked, this,
            [this] { OnCommand(kCmdPartInfo, 0); });
    pl->addWidget(partList, 1, 0, 1, 3);
    m_chords = new QTreeWidget(parts);
    Name(m_chords, kIdChords);
    m_chords->setToolTip(tr("The chords of the selected part, in playing order"));
    m_chords->setHeaderLabels({tr("Chord"), tr("Repeat")});
    m_chords->setRootIsDecorated(false);
    m_chords->header()->setStretchLastSection(false);
    m_chords->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_chords->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_chords->setMinimumHeight(80);
    connect(m_chords, &QTreeWidget::itemDoubleClicked, this,
            [this] { OnCommand(kCmdChangeChord, 0); });
    pl->addWidget(m_chords, 2, 0, 1, 3);
    layout->addWidget(parts, 4);

    // Song.
    auto* song = new QGroupBox(tr("Song"), column);
    auto* sl = new QGridLayout(song);
    sl->addWidget(makeCommand(song, kIdSongCommands, "Song commands", 3), 0, 0);
    sl->addWidget(makePlay(song, kIdPlaySong, "Play song", 2), 0, 1, 1, 2);
    auto* order = makeList(song, kIdOrder, m_order, "The parts in playing order");
    order->setMinimumHeight(50);
    connect(order, &QListWidget::itemDoubleClicked, this, [this] {
        int index = -1;
        if (m_order.GetSelectedIndex(index))
            if (CSongPart* part = m_composition->GetOrderEntry(index))
                PartInfo(*part, CSongPartDlg::kRepeat);
    });
    sl->addWidget(order, 1, 0, 1, 3);
    sl->addWidget(new QLabel(tr("Repeat"), song), 2, 0, 1, 2);
    m_repeat = new QLineEdit(song);
    Name(m_repeat, kIdRepeat);
    m_repeat->setToolTip(tr("Times the whole play order is played"));
    m_repeat->setMaximumWidth(50);
    connect(m_repeat, &QLineEdit::editingFinished, this, &CSongEditorDlg::RepeatEdited);
    sl->addWidget(m_repeat, 2, 2);
    auto* volume = new QSlider(Qt::Horizontal, song);
    Name(volume, kIdVolume);
    volume->setToolTip(tr("Volume of the band while you play along"));
    m_volume.Bind(volume);
    m_volume.SetRange(0, 100, 10, 0.0, 1.0);
    m_volume.SetValue(m_settings ? m_settings->audio.masterVolume : 1.0);
    connect(volume, &QSlider::valueChanged, this, [this] {
        if (m_settings)
            m_settings->audio.masterVolume = static_cast<float>(m_volume.GetValue());
    });
    sl->addWidget(new QLabel(tr("Volume"), song), 3, 0);
    sl->addWidget(volume, 3, 1, 1, 2);
    auto* input = new QProgressBar(song);
    Name(input, kIdInput);
    input->setToolTip(tr("The level of the sound input while recording"));
    input->setTextVisible(false);
    input->setMaximumHeight(10);
    m_input.Bind(input);
    m_input.SetRange(0, 100, 1, 0.0, 1.0);
    m_input.SetColors(Qt::green, Qt::red, 0.95);
    sl->addWidget(new QLabel(tr("Input"), song), 4, 0);
    sl->addWidget(input, 4, 1);
    m_recordButton = new CRecordButton(song);
    m_recordButton->Create(song, nullptr, kIdRecord, "Record song", QRect(0, 0, 26, 22));
    m_recordButton->setFixedSize(26, 22);
    m_recordButton->setToolTip(tr("Record song: play the song and record the sound input"));
    sl->addWidget(m_recordButton, 4, 2);
    layout->addWidget(song, 3);

    // Play.
    auto* play = new QGroupBox(tr("Play"), column);
    auto* yl = new QGridLayout(play);
    const CONTROL checks[4] = {kIdLead, kIdRhythm, kIdBass, kIdDrums};
    const char* names[4] = {"Lead", "Rhythm", "Bass", "Drums"};
    for (int i = 0; i < 4; ++i) {
        m_checks[i] = new QCheckBox(tr(names[i]), play);
        Name(m_checks[i], checks[i]);
        m_checks[i]->setChecked(true);
        yl->addWidget(m_checks[i], i / 2, i % 2);
    }
    auto* human = new QComboBox(play);
    Name(human, kIdHuman);
    human->setToolTip(tr("How freely the band plays: timing and loudness vary"));
    m_human.Bind(human);
    auto* humanRow = new QHBoxLayout;
    humanRow->addWidget(new QLabel(tr("Human"), play));
    humanRow->addWidget(human, 1);
    m_tempo = new QLineEdit(play);
    Name(m_tempo, kIdTempo);
    m_tempo->setToolTip(tr("Tempo in beats per minute"));
    connect(m_tempo, &QLineEdit::editingFinished, this, &CSongEditorDlg::TempoEdited);
    m_tempo->setMaximumWidth(44);
    humanRow->addWidget(new QLabel(tr("Tempo"), play));
    humanRow->addWidget(m_tempo);
    yl->addLayout(humanRow, 2, 0, 1, 2);
    m_checks[4] = new QCheckBox(tr("Show notes"), play);
    Name(m_checks[4], kIdShowNotes);
    connect(m_checks[4], &QCheckBox::toggled, this, [this] { OnCommand(kIdShowNotes, 0); });
    yl->addWidget(m_checks[4], 3, 0, 1, 2);
    layout->addWidget(play, 0);
    // Compact groups: the whole column fits a small screen's height.
    for (QGroupBox* group : {grooves, parts, song, play}) {
        group->layout()->setContentsMargins(6, 4, 6, 4);
        group->layout()->setSpacing(3);
    }

    column->setMinimumWidth(kLeftWidth);
    column->setMaximumWidth(std::max(kLeftWidth, column->sizeHint().width()));
    return column;
}

void CSongEditorDlg::BuildControls() {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_left = BuildLeftColumn();
    layout->addWidget(m_left, 0);
    m_noteArea = new CNoteGridArea(this);
    Name(m_noteArea, kIdNoteArea);
    connect(m_noteArea, &CNoteArea::Command, this, [this](int id) { OnCommand(id, 0); });
    layout->addWidget(m_noteArea, 1);

    AddMenu(kIdGrooveCommands, "All Grooves",
            {{kCmdNewGroove, "New groove"},
             {kCmdOpenGroove, "Open groove..."},
             {kCmdSaveGroove, "Save groove"},
             {kCmdSaveGrooveAs, "Save groove as..."},
             {kCmdDeleteGroove, "Delete groove"},
             {0, nullptr},
             {kCmdPlayWhenSelected, "Play when selected"}});
    AddMenu(kIdPartCommands, "Song Parts",
            {{kCmdNewPart, "New part"},
             {kCmdAddPartToSong, "Add this part to the song"},
             {kCmdPartInfo, "Part info..."},
             {kCmdDeletePart, "Delete part"}});
    AddMenu(kIdChordCommands, "Song part chords",
            {{kCmdAddChord, "Add chord to the end"},
             {kCmdInsertChord, "Insert chord before this"},
             {0, nullptr},
             {kCmdChangeChord, "Change chord"},
             {kCmdChordUp, "Move chord up"},
             {kCmdChordDown, "Move chord down"},
             {kCmdDeleteChord, "Delete chord"}});
    AddMenu(kIdSongCommands, "Song",
            {{kCmdNewSong, "New song"},
             {kCmdOpenSong, "Open song..."},
             {kCmdSaveSong, "Save song"},
             {kCmdSaveSongAs, "Save song as..."},
             {kCmdSaveMidi, "Save song as MIDI"},
             {kCmdSaveWave, "Save song as WAVE"},
             {0, nullptr},
             {kCmdPartUp, "Move part up"},
             {kCmdPartDown, "Move part down"},
             {kCmdRemovePart, "Remove part"}});
    QAction* playSelected = Action(kCmdPlayWhenSelected);
    playSelected->setCheckable(true);
    playSelected->setChecked(m_record == nullptr || m_record->playSelected != 0);

    m_levelTimer = new QTimer(this);
    m_levelTimer->setInterval(kLevelTimerMs);
    connect(m_levelTimer, &QTimer::timeout, this,
            [this] { m_input.SetValue(m_host.GetInputLevel()); });
}

bool CSongEditorDlg::OnInitDialog() {
    BuildControls();
    m_filling = true;
    const double factor = m_record ? m_record->humanization : 0.0;
    for (const HUMAN_LEVEL& level : kHumanLevels)
        m_human.AddItem(level.name, level.value);
    m_human.SelectIndex(0);
    for (int i = 0; i < static_cast<int>(std::size(kHumanLevels)); ++i) {
        if (kHumanLevels[i].value / 100.0 > factor - 0.05) {
            m_human.SelectIndex(i);
            break;
        }
    }
    connect(static_cast<QComboBox*>(m_human.Control()),
            qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
                if (m_record)
                    m_record->humanization = static_cast<float>(m_human.GetSelectedValue() / 100.0);
            });
    m_checks[4]->setChecked(m_record == nullptr || m_record->showNoteGrid != 0);
    m_filling = false;
    FillStyles();
    m_style.SelectText("Rock");
    FillGrooves();
    ShowSong();
    resize(900, 640);
    SetMinTrackSize(kLeftWidth, kLeftHeight);
    if (!m_checks[4]->isChecked())
        ShowNotes(false);
    return true;
}

// ---------------------------------------------------------------- accessors

CListWrapper& CSongEditorDlg::List(CONTROL id) {
    switch (id) {
    case kIdStyle:
        return m_style;
    case kIdGrooves:
        return m_grooves;
    case kIdParts:
        return m_parts;
    case kIdHuman:
        return m_human;
    default:
        return m_order;
    }
}

QCheckBox* CSongEditorDlg::Check(CONTROL id) const {
    const CONTROL ids[5] = {kIdLead, kIdRhythm, kIdBass, kIdDrums, kIdShowNotes};
    for (int i = 0; i < 5; ++i)
        if (ids[i] == id)
            return m_checks[i];
    return nullptr;
}

QLineEdit* CSongEditorDlg::Edit(CONTROL id) const {
    return id == kIdTempo ? m_tempo : m_repeat;
}

QPushButton* CSongEditorDlg::Button(CONTROL id) const {
    return id == kIdPlayGroove ? m_playButtons[0]
           : id == kIdPlayPart ? m_playButtons[1]
                               : m_playButtons[2];
}

QMenu* CSongEditorDlg::Menu(CONTROL commandButton) const {
    switch (commandButton) {
    case kIdGrooveCommands:
        return m_menus[0];
    case kIdPartCommands:
        return m_menus[1];
    case kIdChordCommands:
        return m_menus[2];
    default:
        return m_menus[3];
    }
}

QAction* CSongEditorDlg::Action(int item) const {
    for (QMenu* menu : m_menus)
        if (menu)
            for (QAction* action : menu->actions())
                if (action->data().toInt() == item)
                    return action;
    return nullptr;
}

double CSongEditorDlg::GetVolumeSpread() const {
    return kSpreadPerFactor * m_human.GetSelectedValue() / 100.0;
}

double CSongEditorDlg::GetTimeSpread() const {
    return kSpreadPerFactor * m_human.GetSelectedValue() / 100.0;
}

bool CSongEditorDlg::IsGrooveChanged() const {
    return m_grooveChanged || (m_noteArea && m_noteArea->IsChanged());
}

// ---------------------------------------------------------------- commands

bool CSongEditorDlg::OnCommand(int id, int code) {
    (void)code;
    switch (id) {
    case kIdStyle:
        StyleSelected();
        return true;
    case kIdGrooves:
        GrooveSelected();
        return true;
    case kIdParts:
        PartSelected();
        return true;
    case kIdOrder:
        return true;
    case kIdGrooveCommands:
    case kIdPartCommands:
    case kIdChordCommands:
    case kIdSongCommands:
        for (CCmdButton* button : m_commandButtons)
            if (button && button->GetCommand() == id)
                Menu(static_cast<CONTROL>(id))
                    ->popup(button->mapToGlobal(QPoint(0, button->height())));
        return true;
    case kIdPlayGroove:
        Play(kGroove);
        return true;
    case kIdPlayPart:
        Play(kPart);
        return true;
    case kIdPlaySong:
        Play(kSong);
        return true;
    case kIdRecord:
        Play(kRecord);
        return true;
    case kIdShowNotes:
        if (m_record)
            m_record->showNoteGrid = m_checks[4]->isChecked() ? 1 : 0;
        ShowNotes(m_checks[4]->isChecked());
        return true;
    case kCmdNewGroove:
        NewGroove();
        return true;
    case kCmdOpenGroove:
        OpenGrooveFile();
        return true;
    case kCmdSaveGroove:
        SaveGroove(false);
        return true;
    case kCmdSaveGrooveAs:
        SaveGroove(true);
        return true;
    case kCmdDeleteGroove:
        DeleteGroove();
        return true;
    case kCmdPlayWhenSelected:
        if (m_record)
            m_record->playSelected = Action(kCmdPlayWhenSelected)->isChecked() ? 1 : 0;
        return true;
    case CNoteArea::kCmdAddMeasure:
        AddMeasure();
        return true;
    case CNoteArea::kCmdDeleteLastMeasure:
        DeleteLastMeasure();
        return true;
    case kCmdNewPart:
        NewPart();
        return true;
    case kCmdAddPartToSong:
        AddPartToSong();
        return true;
    case kCmdPartInfo:
        if (CSongPart* part = SelectedPart())
            PartInfo(*part, CSongPartDlg::kInfo);
        else
            ShowMessageBox(this, "Select song part first", "Part info", MB_ICON_INFORMATION);
        return true;
    case kCmdDeletePart:
        DeletePart();
        return true;
    case kCmdAddChord:
    case kCmdInsertChord:
    case kCmdChangeChord:
        EditChord(id);
        return true;
    case kCmdChordUp:
        MoveChord(-1);
        return true;
    case kCmdChordDown:
        MoveChord(1);
        return true;
    case kCmdDeleteChord:
        DeleteChord();
        return true;
    case kCmdNewSong:
        NewSong();
        return true;
    case kCmdOpenSong:
        OpenSongFile();
        return true;
    case kCmdSaveSong:
        SaveSong(false, nullptr);
        return true;
    case kCmdSaveSongAs:
        SaveSong(true, nullptr);
        return true;
    case kCmdSaveMidi:
        SaveSongAs(false);
        return true;
    case kCmdSaveWave:
        SaveSongAs(true);
        return true;
    case kCmdPartUp:
        MoveOrderEntry(-1);
        return true;
    case kCmdPartDown:
        MoveOrderEntry(1);
        return true;
    case kCmdRemovePart:
        RemoveOrderEntry();
        return true;
    default:
        return CBaseWindow::OnCommand(id, code);
    }
}

// ---------------------------------------------------------------- grooves

void CSongEditorDlg::FillStyles() {
    m_filling = true;
    const CCharString selected = m_style.GetSelectedText();
    m_style.Reset();
    int index = 0;
    for (const CCharString& style : m_library.ListStyles())
        m_style.AddItem(style, index++);
    if (selected.IsEmpty() || !m_style.SelectText(selected))
        m_style.SelectIndex(m_style.GetCount() > 0 ? 0 : -1);
    m_filling = false;
}

void CSongEditorDlg::FillGrooves() {
    m_filling = true;
    m_grooves.Reset();
    int index = 0;
    for (const CCharString& groove : m_library.ListGrooves(m_style.GetSelectedText()))
        m_grooves.AddItem(groove, index++);
    // The current groove stays selected when it belongs to the style shown.
    if (m_grooveStyle == m_style.GetSelectedText())
        m_grooves.SelectText(m_grooveName);
    m_filling = false;
}

void CSongEditorDlg::StyleSelected() {
    FillGrooves();
}

bool CSongEditorDlg::SelectGroove(const char* style, const char* name) {
    if (!m_style.SelectText(style))
        return false;
    FillGrooves();
    if (m_grooveStyle == style && m_grooveName == name)
        return true;
    m_filling = true;
    const bool found = m_grooves.SelectText(name);
    m_filling = false;
    if (!found)
        return false;
    GrooveSelected();
    return m_grooveStyle == style && m_grooveName == name;
}

void CSongEditorDlg::GrooveSelected() {
    const CCharString style = m_style.GetSelectedText();
    const CCharString name = m_grooves.GetSelectedText();
    if (name.IsEmpty() || (style == m_grooveStyle && name == m_grooveName))
        return;
    if (!OfferToSaveGroove()) {
        // The edits stay: so does the groove they belong to.
        m_filling = true;
        m_style.SelectText(m_grooveStyle);
        m_filling = false;
        FillGrooves();
        return;
    }
    if (!LoadGroove(m_library.FindGroove(style, name), style, name))
        return;
    if (!m_quietSelect && m_record && m_record->playSelected != 0)
        Play(kGroove);
}

bool CSongEditorDlg::LoadGroove(const char* path, const char* style, const char* name) {
    CMidiFile file;
    file.SetTraceEnabled(false);
    CSong groove;
    if (!file.Load(path, groove)) {
        ShowError("Open groove", "Can't load groove from (%s): %s", path,
                  file.GetError().GetText());
        FillGrooves();
        return false;
    }
    if (m_playing == kGroove)
        Stop();
    m_groove = groove;
    m_groove.m_header.style = style;
    m_groove.m_header.name = name;
    m_grooveStyle = style;
    m_grooveName = name;
    m_grooveFile = path;
    m_grooveChanged = false;
    m_noteArea->SetGroove(m_groove);
    return true;
}

bool CSongEditorDlg::OfferToSaveGroove() {
    if (!IsGrooveChanged())
        return true;
    if (!ShowMessageBox(this, "The groove was changed.\nDo you want to save the changes?",
                        m_grooveName.IsEmpty() ? "Groove" : m_grooveName.GetText(),
                        MB_ICON_QUESTION, true)) {
        m_grooveChanged = false;
        m_noteArea->ClearChanged();
        return true;
    }
    return SaveGroove(false);
}

bool CSongEditorDlg::SaveGroove(bool askName) {
    if (m_groove.GetTrackCount() == 0) {
        ShowMessageBox(this, "No groove is selected", "Save groove", MB_ICON_INFORMATION);
        return false;
    }
    CSong groove;
    m_noteArea->GetGroove(groove);
    CCharString style = m_grooveStyle, name = m_grooveName;
    if (style.IsEmpty() && !CEditDlg::Ask(this, "Changed groove's style", style))
        return false;
    if (askName && !CEditDlg::Ask(this, "Groove's new name", name))
        return false;
    if (name.IsEmpty() && !CEditDlg::Ask(this, "Changed groove's name", name))
        return false;
    if (std::strchr(style, '/') || std::strchr(name, '/')) {
        ShowError("Save groove", "Can't save groove: a style or name can't hold '/'");
        return false;
    }
    const CCharString path = m_library.GetSavePath(style, name);
    groove.m_header.style = style;
    groove.m_header.name = name;
    CMidiFile file;
    file.SetTraceEnabled(false);
    if (path.IsEmpty() || !file.Save(path, groove)) {
        ShowError("Save groove", "Can't save groove: %s",
                  path.IsEmpty() ? "there is no groove folder to write to"
                                 : file.GetError().GetText());
        return false;
    }
    m_groove = groove;
    m_grooveStyle = style;
    m_grooveName = name;
    m_grooveFile = path;
    m_grooveChanged = false;
    m_noteArea->ClearChanged();
    FillStyles();
    m_filling = true;
    m_style.SelectText(style);
    m_filling = false;
    FillGrooves();
    return true;
}

void CSongEditorDlg::NewGroove() {
    if (!OfferToSaveGroove())
        return;
    CCharString name;
    if (!CEditDlg::Ask(this, "New groove's name", name))
        return;
    SONG_HEADER header;
    header.style = m_style.GetSelectedText();
    header.name = name;
    header.measureCount = 1;
    header.SetBeatTime(m_composition->m_header.beatTime > 0.0 ? m_composition->m_header.beatTime
                                                              : 60.0 / kDefaultTempo);
    CGrooveInfoDlg info(header, m_library.ListStyles(), this);
    if (info.exec() != QDialog::Accepted)
        return;
    if (m_playing == kGroove)
        Stop();
    MakeEmptyGroove(header, m_groove);
    m_grooveStyle = header.style;
    m_grooveName = header.name;
    m_grooveFile.Empty();
    m_noteArea->SetGroove(m_groove);
    // Not on disk yet: leaving it asks first.
    m_grooveChanged = true;
    m_filling = true;
    m_grooves.SelectIndex(-1);
    m_filling = false;
}

void CSongEditorDlg::OpenGrooveFile() {
    CCharString path;
    CCharString start = m_library.GetShippedRoot();
    if (AskFileName(this, "Open groove", start, "*.mid", false, path))
        OpenGroove(path);
}

bool CSongEditorDlg::OpenGroove(const char* path) {
    if (!OfferToSaveGroove())
        return false;
    PATH_PARTS parts;
    if (!SplitPath(path, parts))
        return Fail("Can't split path '%s'", path);
    // A groove's style is the folder it lies in.
    CCharString folder = Folder(parts.folder);
    const char* slash = std::strrchr(folder, '/');
    CCharString style(slash ? slash + 1 : folder.GetText());
    if (!LoadGroove(path, style, parts.name))
        return Fail("Can't load groove from (%s)", path);
    m_filling = true;
    if (m_style.SelectText(style)) {
        m_filling = false;
        FillGrooves();
    } else {
        m_grooves.SelectIndex(-1);
    }
    m_filling = false;
    return true;
}

void CSongEditorDlg::DeleteGroove() {
    const CCharString style = m_style.GetSelectedText();
    const CCharString name = m_grooves.GetSelectedText();
    if (name.IsEmpty()) {
        ShowMessageBox(this, "No groove is selected", "Delete groove", MB_ICON_INFORMATION);
        return;
    }
    CCharString shippedPath;
    shippedPath.Format("%s/%s/%s.mid", m_library.GetShippedRoot().GetText(), style.GetText(),
                       name.GetText());
    if (m_library.IsShipped(style, name) && m_library.FindGroove(style, name) == shippedPath) {
        ShowMessageBox(this, "This groove comes with the program and can't be deleted.",
                       "Delete groove", MB_ICON_INFORMATION);
        return;
    }
    if (!ShowMessageBox(this, "This groove will be permanently deleted.\nDo you want to delete it?",
                        name, MB_ICON_QUESTION, true))
        return;
    if (!m_library.Delete(style, name)) {
        ShowError("Delete groove", "Can't delete groove: %s", m_library.GetError().GetText());
        return;
    }
    if (style == m_grooveStyle && name == m_grooveName) {
        if (m_playing == kGroove)
            Stop();
        m_groove.Reset();
        m_grooveStyle.Empty();
        m_grooveName.Empty();
        m_grooveFile.Empty();
        m_grooveChanged = false;
        m_noteArea->SetGroove(m_groove);
    }
    FillStyles();
    FillGrooves();
}

void CSongEditorDlg::AddMeasure() {
    SONG_HEADER& h = m_groove.m_header;
    if (m_groove.GetTrackCount() == 0 || h.beatUnit <= 0)
        return;
    if (!CNoteGrid::Fits(h, h.measureCount + 1)) {
        ShowMessageBox(this, "Too many notes.\nCan not add another measure.", "Too many notes",
                       MB_ICON_INFORMATION);
        return;
    }
    m_noteArea->GetGroove(m_groove);
    ++m_groove.m_header.measureCount;
    m_groove.CopyHeaderToTracks();
    m_noteArea->SetGroove(m_groove);
    m_grooveChanged = true;
}

void CSongEditorDlg::DeleteLastMeasure() {
    if (m_groove.GetTrackCount() == 0)
        return;
    if (m_groove.m_header.measureCount <= 1) {
        ShowMessageBox(this, "Can't delete the only measure", "Delete Last Measure",
                       MB_ICON_INFORMATION);
        return;
    }
    if (!ShowMessageBox(this, "The last measure will be deleted.\nDo you want to delete it?",
                        "Delete Last Measure", MB_ICON_QUESTION, true))
        return;
    m_noteArea->GetGroove(m_groove);
    SONG_HEADER& h = m_groove.m_header;
    --h.measureCount;
    // Notes of the last measure go; notes that ring into it stop at its start.
    const double end = h.measureCount * h.GetMeasureTime();
    for (int t = 0; t < m_groove.GetTrackCount(); ++t) {
        CNoteList kept;
        for (CNote note : m_groove[t].m_notes) {
            if (note.m_time >= end - 1e-9)
                continue;
            if (note.m_time + note.m_duration > end)
                note.m_duration = end - note.m_time;
            kept.Append(note);
        }
        m_groove[t].m_notes = kept;
    }
    m_groove.CopyHeaderToTracks();
    m_noteArea->SetGroove(m_groove);
    m_grooveChanged = true;
}

// ---------------------------------------------------------------- parts and chords

CSongPart* CSongEditorDlg::SelectedPart() const {
    int index = -1;
    return m_parts.GetSelectedIndex(index) ? m_composition->GetPart(index) : nullptr;
}

int CSongEditorDlg::SelectedChord() const {
    QTreeWidgetItem* item = m_chords->currentItem();
    return item ? m_chords->indexOfTopLevelItem(item) : -1;
}

void CSongEditorDlg::FillNames(CListWrapper& list, int count,
                               const std::function<CSongPart*(int)>& part) {
    // The selection stays on its row, or the last row when the list got shorter.
    m_filling = true;
    int index = -1;
    list.GetSelectedIndex(index);
    list.Reset();
    for (int i = 0; i < count; ++i)
        list.AddItem(part(i)->m_name, i);
    list.SelectIndex(std::min(index, list.GetCount() - 1));
    m_filling = false;
}

void CSongEditorDlg::FillParts() {
    FillNames(m_parts, m_composition->GetPartCount(),
              [this](int i) { return m_composition->GetPart(i); });
    FillChords();
}

void CSongEditorDlg::FillChords() {
    const int selected = SelectedChord();
    m_chords->clear();
    CSongPart* part = SelectedPart();
    if (!part)
        return;
    for (int i = 0; i < static_cast<int>(part->m_chords.GetCount()); ++i) {
        const QString row = Qs(part->GetChordRow(m_host.GetNoteManager(), i));
        const int tab = row.indexOf('\t');
        auto* item = new QTreeWidgetItem(m_chords);
        item->setText(0, tab < 0 ? row : row.left(tab));
        item->setText(1, tab < 0 ? QString() : row.mid(tab + 1));
    }
    if (selected >= 0 && selected < m_chords->topLevelItemCount())
        m_chords->setCurrentItem(m_chords->topLevelItem(selected));
}

void CSongEditorDlg::FillOrder() {
    FillNames(m_order, m_composition->GetOrderCount(),
              [this](int i) { return m_composition->GetOrderEntry(i); });
}

void CSongEditorDlg::ShowSong() {
    FillParts();
    FillOrder();
    CCharString text;
    text.Format("%0.0f", m_composition->m_header.tempo);
    m_tempo->setText(Qs(text));
    m_repeat->setText(QString::number(m_composition->m_repeat));
    CCharString title("Song Editor");
    if (!m_composition->m_name.IsEmpty())
        title.Format("Song Editor - %s", m_composition->m_name.GetText());
    SetTitle(title);
}

void CSongEditorDlg::PartSelected() {
    FillChords();
    CSongPart* part = SelectedPart();
    if (!part || part->m_grooveFile.IsEmpty())
        return;
    // The groove lists follow the part, so that what plays is what is shown.
    m_quietSelect = true;
    if (!SelectGroove(part->m_grooveStyle, part->m_grooveName) &&
        part->m_grooveFile != m_grooveFile && FileExists(part->m_grooveFile))
        OpenGroove(part->m_grooveFile);
    m_quietSelect = false;
}

void CSongEditorDlg::NewPart() {
    auto part = std::make_unique<CSongPart>();
    part->SetOwner(m_composition.get());
    CSongPartDlg dialog(*part, CSongPartDlg::kInfo, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The part's groove is the one shown: a changed one is saved first.
    if (!OfferToSaveGroove())
        return;
    if (m_grooveFile.IsEmpty()) {
        ShowMessageBox(this, "No groove is selected", "Set Part's Groove", MB_ICON_INFORMATION);
        return;
    }
    part->m_grooveStyle = m_grooveStyle;
    part->m_grooveName = m_grooveName;
    part->m_grooveFile = m_grooveFile;
    const CCharString name = part->m_name;
    if (!m_composition->AddPart(part.release())) {
        ShowError("New part", "%s", m_composition->GetError().GetText());
        return;
    }
    FillParts();
    m_filling = true;
    m_parts.SelectText(name);
    m_filling = false;
    FillChords();
}

void CSongEditorDlg::AddPartToSong() {
    CSongPart* part = SelectedPart();
    if (!part) {
        ShowMessageBox(this, "Select song part first", "Add part to song", MB_ICON_INFORMATION);
        return;
    }
    m_composition->AppendToOrder(part);
    FillOrder();
    m_order.SelectIndex(m_order.GetCount() - 1);
}

void CSongEditorDlg::PartInfo(CSongPart& part, int mode) {
    // A copy is edited, so that Cancel leaves the part as it was.
    CSongPart edited(part);
    edited.SetOwner(m_composition.get());
    CSongPartDlg dialog(edited, static_cast<CSongPartDlg::MODE>(mode), this, &part);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool changed = edited.m_name != part.m_name ||
                         edited.m_description != part.m_description ||
                         edited.m_scale != part.m_scale || edited.m_scaleRoot != part.m_scaleRoot ||
                         edited.m_repeat != part.m_repeat;
    if (!changed)
        return;
    part.m_name = edited.m_name;
    part.m_description = edited.m_description;
    part.m_scale = edited.m_scale;
    part.m_scaleRoot = edited.m_scaleRoot;
    part.m_repeat = edited.m_repeat;
    m_composition->SetModified();
    FillParts();
    FillOrder();
}

void CSongEditorDlg::DeletePart() {
    CSongPart* part = SelectedPart();
    if (!part) {
        ShowMessageBox(this, "Select song part first", "Delete song part", MB_ICON_INFORMATION);
        return;
    }
    if (!ShowMessageBox(this, "This part will be permanently deleted.\nDo you want to delete it?",
                        "Delete song part", MB_ICON_QUESTION, true))
        return;
    if (m_playing == kPart || m_playing == kSong || m_playing == kRecord)
        Stop();
    m_composition->DeletePart(CCharString(part->m_name));
    FillParts();
    FillOrder();
}

void CSongEditorDlg::EditChord(int item) {
    CSongPart* part = SelectedPart();
    if (!part) {
        ShowMessageBox(this, "Select song part first", "Adding chord", MB_ICON_INFORMATION);
        return;
    }
    const int index = SelectedChord();
    if (item != kCmdAddChord && index < 0) {
        ShowMessageBox(this,
                       item == kCmdChangeChord ? "Select the chord to change"
                                               : "Select the chord to insert before",
                       "Adding chord", MB_ICON_INFORMATION);
        return;
    }
    CChord chord;
    if (item == kCmdChangeChord)
        chord = part->m_chords[static_cast<size_t>(index)];
    CPartChordDlg dialog(chord, *part, m_host.GetNoteManager(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (item == kCmdChangeChord)
        part->m_chords[static_cast<size_t>(index)] = chord;
    else
        part->AddChord(chord, item == kCmdAddChord ? -1 : index);
    m_composition->SetModified();
    FillChords();
    const int select = item == kCmdAddChord ? m_chords->topLevelItemCount() - 1 : index;
    m_chords->setCurrentItem(m_chords->topLevelItem(select));
}

void CSongEditorDlg::MoveChord(int delta) {
    CSongPart* part = SelectedPart();
    const int index = SelectedChord();
    const int target = index + delta;
    if (!part || index < 0 || target < 0 || target >= static_cast<int>(part->m_chords.GetCount()))
        return;
    std::swap(part->m_chords[static_cast<size_t>(index)],
              part->m_chords[static_cast<size_t>(target)]);
    m_composition->SetModified();
    FillChords();
    m_chords->setCurrentItem(m_chords->topLevelItem(target));
}

void CSongEditorDlg::DeleteChord() {
    CSongPart* part = SelectedPart();
    if (!part) {
        ShowMessageBox(this, "Select song part first", "Adding chord", MB_ICON_INFORMATION);
        return;
    }
    const int index = SelectedChord();
    if (index < 0) {
        ShowMessageBox(this, "Select the chord to delete", "Deleting chord", MB_ICON_INFORMATION);
        return;
    }
    part->m_chords.RemoveAt(static_cast<size_t>(index));
    m_composition->SetModified();
    FillChords();
}

// ---------------------------------------------------------------- the song

bool CSongEditorDlg::OfferToSaveSong() {
    if (!m_composition->IsModified())
        return true;
    if (!ShowMessageBox(this, "The song has been changed.\rSave the changes?",
                        m_composition->m_name.IsEmpty() ? "Song" : m_composition->m_name.GetText(),
                        MB_ICON_QUESTION, true))
        return true;
    return SaveSong(false, "Changed song's name");
}

bool CSongEditorDlg::OfferToSaveAll() {
    return OfferToSaveGroove() && OfferToSaveSong();
}

bool CSongEditorDlg::SaveSong(bool saveAs, const char* question) {
    CCharString path = m_composition->GetFile();
    if (saveAs || path.IsEmpty()) {
        CCharString name = m_composition->m_name;
        if ((saveAs || name.IsEmpty()) &&
            !CEditDlg::Ask(this, question ? question : "Song's name", name))
            return false;
        CCharString proposed;
        proposed.Format("%s/%s.Song",
                        Folder(m_settings ? m_settings->songPath : CCharString(".")).GetText(),
                        FileStem(name, "Song").GetText());
        if (!AskFileName(this, "Save song", proposed, "*.Song", true, path))
            return false;
        PATH_PARTS parts;
        if (!SplitPath(path, parts) || parts.name.IsEmpty()) {
            ShowError("Save song", "Can't split path '%s'", path.GetText());
            return false;
        }
        if (parts.extension.IsEmpty())
            path.Append(".Song");
        m_composition->m_name = name;
    }
    if (!m_composition->Save(path)) {
        ShowError("Save song", "Can't save song: %s", m_composition->GetError().GetText());
        return false;
    }
    ShowSong();
    return true;
}

void CSongEditorDlg::NewSong() {
    if (!OfferToSaveSong())
        return;
    CCharString name;
    if (!CEditDlg::Ask(this, "New song's name", name))
        return;
    if (m_playing == kPart || m_playing == kSong || m_playing == kRecord)
        Stop();
    auto song = std::make_unique<CComposition>();
    song->m_name = name;
    song->m_header.tempo = m_composition->m_header.tempo;
    song->m_header.SetBeatTime(m_composition->m_header.beatTime);
    m_composition = std::move(song);
    ShowSong();
}

void CSongEditorDlg::OpenSongFile() {
    if (!OfferToSaveSong())
        return;
    CCharString path;
    if (AskFileName(this, "Open song", Folder(m_settings ? m_settings->songPath : CCharString(".")),
                    "*.Song", false, path))
        OpenSong(path);
}

bool CSongEditorDlg::OpenSong(const char* path) {
    auto song = std::make_unique<CComposition>();
    // The song that is open stays open until the new one has been read whole.
    if (!song->Load(path) || !song->CheckGrooves()) {
        ShowError("Open song", "Can't open song:\n%s", song->DescribeError(path).GetText());
        return Fail("Can't open song: %s", song->DescribeError(path).GetText());
    }
    if (!(song->m_header.tempo >= kMinTempo && song->m_header.tempo <= kMaxTempo)) {
        ShowError("Open song",
                  "Can't open song:\n%s: the tempo %0.2f is not %0.0f to %0.0f "
                  "beats per minute",
                  path, song->m_header.tempo, kMinTempo, kMaxTempo);
        return Fail("Can't open song (%s): bad tempo", path);
    }
    if (m_playing == kPart || m_playing == kSong || m_playing == kRecord)
        Stop();
    m_composition = std::move(song);
    ShowSong();
    if (m_composition->GetPartCount() > 0) {
        m_parts.SelectIndex(0);
    }
    return true;
}

bool CSongEditorDlg::OpenFile(const char* path) {
    if (EndsWith(path, ".Song"))
        return OfferToSaveSong() && OpenSong(path);
    if (EndsWith(path, ".mid"))
        return OpenGroove(path);
    return Fail("Can't open file '%s': not a \".mid\" or \".Song\" file", path);
}

void CSongEditorDlg::SaveSongAs(bool wave) {
    CCharString name = m_composition->m_name;
    if (!CEditDlg::Ask(this, "Song's name", name))
        return;
    const CCharString folder = Folder(
        m_settings ? (wave ? m_settings->wavePath : m_settings->midiPath) : CCharString("."));
    CCharString proposed;
    proposed.Format(wave ? "%s/%s.wav" : "%s/%s.mid", folder.GetText(),
                    FileStem(name, "Song").GetText());
    CCharString path;
    if (!AskFileName(this, wave ? "Save song as WAVE" : "Save song as MIDI", proposed,
                     wave ? "*.wav" : "*.mid", true, path))
        return;
    PATH_PARTS parts;
    if (!SplitPath(path, parts) || parts.name.IsEmpty()) {
        ShowError("Save song", "Can't split path '%s'", path.GetText());
        return;
    }
    if (wave) {
        CWaveRenderer* renderer = m_host.GetRenderer();
        if (renderer == nullptr) {
            ShowError("Save song", "Can't save song as WAVE: %s",
                      "the sound engine is not open (see Settings > Audio)");
            return;
        }
        // The engine renders with the stream's own state: playback stops first.
        Stop();
        if (!m_composition->SaveWave(m_host.GetComposer(), *renderer, path))
            ShowError("Save song", "Can't save song as WAVE: %s",
                      m_composition->GetError().GetText());
    } else if (!m_composition->SaveMidi(m_host.GetComposer(), path)) {
        ShowError("Save song", "Can't save song as MIDI: %s", m_composition->GetError().GetText());
    }
}

void CSongEditorDlg::MoveOrderEntry(int delta) {
    int index = -1;
    if (!m_order.GetSelectedIndex(index) || !m_composition->MoveOrderEntry(index, delta))
        return;
    FillOrder();
    m_order.SelectIndex(index + delta);
}

void CSongEditorDlg::RemoveOrderEntry() {
    int index = -1;
    if (!m_order.GetSelectedIndex(index) || !m_composition->RemoveOrderEntry(index))
        return;
    FillOrder();
}

void CSongEditorDlg::TempoEdited() {
    const double tempo = KeyValueReal(m_tempo->text().toUtf8().constData());
    if (!(tempo >= kMinTempo && tempo <= kMaxTempo)) {
        CCharString text;
        text.Format("Tempo must be %0.0f to %0.0f beats per minute.", kMinTempo, kMaxTempo);
        ShowMessageBox(this, text, "Tempo", MB_ICON_INFORMATION);
        text.Format("%0.0f", m_composition->m_header.tempo);
        m_tempo->setText(Qs(text));
        return;
    }
    if (tempo == m_composition->m_header.tempo)
        return;
    m_composition->m_header.tempo = tempo;
    m_composition->m_header.SetBeatTime(60.0 / tempo);
    m_composition->SetModified();
}

void CSongEditorDlg::RepeatEdited() {
    const int repeat = KeyValueInt(m_repeat->text().toUtf8().constData());
    if (repeat < 1 || repeat > 99) {
        ShowMessageBox(this, "Repeat must be a number from 1 to 99.", "Repeat",
                       MB_ICON_INFORMATION);
        m_repeat->setText(QString::number(m_composition->m_repeat));
        return;
    }
    if (repeat == m_composition->m_repeat)
        return;
    m_composition->m_repeat = repeat;
    m_composition->SetModified();
}

// ---------------------------------------------------------------- playing and recording

void CSongEditorDlg::SetPlaying(PLAYING playing) {
    m_playing = playing;
    const char* texts[3] = {"Play groove", "Play song part", "Play song"};
    const PLAYING kinds[3] = {kGroove, kPart, kSong};
    for (int i = 0; i < 3; ++i)
        m_playButtons[i]->setText(tr(playing == kinds[i] ? "Stop" : texts[i]));
    m_recordButton->SetRecording(playing == kRecord);
    if (playing == kRecord) {
        m_levelTimer->start();
    } else {
        m_levelTimer->stop();
        m_input.SetValue(0.0);
    }
}

bool CSongEditorDlg::PrepareNotes(CSong& song, CNoteList& notes) {
    CComposer& composer = m_host.GetComposer();
    if (!song.SetWholeMeasureDurations(true) ||
        !song.Humanize(GetVolumeSpread(), GetTimeSpread()) ||
        (composer.GetMix() && !song.ApplyMix(*composer.GetMix())))
        return Fail("%s", song.GetError().GetText());
    // Fingering only poses the band: a run it can't place still sounds.
    composer.PrepareFingering(song, INT_NOT_SET, 12);
    for (int i = 0; i < 4; ++i)
        song.SetTrackEnabled(kPlayTracks[i], m_checks[i]->isChecked());
    notes.RemoveAll();
    if (!song.MergeTracks(notes, false))
        return Fail("%s", song.GetError().GetText());
    return true;
}

bool CSongEditorDlg::Play(PLAYING what) {
    if (m_playing == what || (what == kRecord && m_playing != kNone)) {
        Stop();
        return true;
    }
    CSong song;
    CComposer& composer = m_host.GetComposer();
    if (what == kGroove) {
        if (m_groove.GetTrackCount() == 0) {
            ShowMessageBox(this, "No groove is selected", "Play groove", MB_ICON_INFORMATION);
            return false;
        }
        m_noteArea->GetGroove(song);
        const double beat = m_composition->m_header.beatTime;
        if (song.m_header.beatTime > 0.0 && beat > 0.0 && !song.ScaleTempo(beat)) {
            ShowError("Play groove", "Can't play groove: %s", song.GetError().GetText());
            return false;
        }
    } else if (what == kPart) {
        CSongPart* part = SelectedPart();
        if (!part) {
            ShowMessageBox(this, "Please select the part to play", "No part is selected",
                           MB_ICON_WARNING);
            return false;
        }
        if (part->m_chords.IsEmpty()) {
            ShowMessageBox(this, "Song part must have at least one chord", "No chords",
                           MB_ICON_WARNING);
            return false;
        }
        if (m_grooveFile.IsEmpty() || IsGrooveChanged()) {
            ShowMessageBox(this,
                           m_grooveFile.IsEmpty() ? "No groove is selected"
                                                  : "Save the changed groove first",
                           "Set Part's Groove", MB_ICON_WARNING);
            return false;
        }
        if (part->m_grooveFile != m_grooveFile || part->m_grooveStyle != m_grooveStyle ||
            part->m_grooveName != m_grooveName) {
            part->m_grooveStyle = m_grooveStyle;
            part->m_grooveName = m_grooveName;
            part->m_grooveFile = m_grooveFile;
            m_composition->SetModified();
        }
        if (!part->MakeSong(composer, song)) {
            ShowError("Play song part", "Can't play song part: %s", part->GetError().GetText());
            return false;
        }
    } else {
        if (!m_composition->Compose(composer, song)) {
            ShowError("Play song", "Can't play song: %s", m_composition->GetError().GetText());
            return false;
        }
    }
    CNoteList notes;
    if (!PrepareNotes(song, notes)) {
        ShowError("Play", "Can't play: %s", m_error.GetText());
        return false;
    }
    // What plays stops: the editor's own playing and anything else (a practice of Show Scale).
    Stop();
    m_host.Stop();
    if (notes.IsEmpty())
        return true; // nothing to hear
    const double offset = m_composition->m_header.beatTime;
    if (what == kRecord) {
        CCharString stamp;
        stamp.FormatTime("%b-%d-%y %H-%M-%S");
        const CCharString folder = Folder(m_settings ? m_settings->wavePath : CCharString("."));
        const CCharString stem = FileStem(m_composition->m_name, "Song");
        m_inputPath.Format("%s/%s (%s) Input.wav", folder.GetText(), stem.GetText(),
                           stamp.GetText());
        m_playbackPath.Format("%s/%s (%s) Playback.wav", folder.GetText(), stem.GetText(),
                              stamp.GetText());
        MakePath(folder);
        CCharString error;
        if (!m_host.StartInputRecording(m_inputPath, error)) {
            ShowError("Record song", "Can't start sound capture: %s", error.GetText());
            return false;
        }
    }
    if (!m_host.PlayNotes(notes, offset, what == kRecord ? m_playbackPath.GetText() : nullptr)) {
        if (what == kRecord) {
            CCharString ignored;
            m_host.StopInputRecording(ignored);
        }
        return false; // the application has shown why
    }
    m_lastPlayed = notes;
    SetPlaying(what);
    return true;
}

void CSongEditorDlg::Stop() {
    const PLAYING was = m_playing;
    if (was == kNone)
        return;
    // Cleared first: the application's stop comes back here through PlaybackStopped.
    m_playing = kNone;
    m_host.Stop();
    if (was == kRecord)
        FinishRecording();
    SetPlaying(kNone);
}

void CSongEditorDlg::PlaybackStopped() {
    const PLAYING was = m_playing;
    if (was == kNone)
        return;
    m_playing = kNone;
    if (was == kRecord)
        FinishRecording();
    SetPlaying(kNone);
}

void CSongEditorDlg::FinishRecording() {
    CCharString error;
    if (!m_host.StopInputRecording(error)) {
        ShowError("Record song", "Can't stop sound capture: %s", error.GetText());
        return;
    }
    // Both recordings stay whatever happens next: the mix can always be made again.
    PATH_PARTS parts;
    SplitPath(m_inputPath, parts);
    CCharString mixed;
    mixed.Format("%sMixed.wav", parts.folder.GetText());
    if (!m_host.MixRecordings(m_inputPath, m_host.GetInputMixStart(), m_playbackPath, mixed,
                              error)) {
        ShowError("Record song", "Can't mix sound files: %s", error.GetText());
        return;
    }
    CCharString proposed(m_inputPath);
    proposed.Cut(proposed.GetLength() - std::strlen(" Input.wav"));
    proposed.Append(".wav");
    CCharString chosen;
    if (!AskFileName(this, "Save the recording", proposed, "*.wav", true, chosen)) {
        std::remove(mixed.GetText());
        return;
    }
    // One rename: a file of the chosen name is replaced whole or not at all.
    if (chosen != mixed && std::rename(mixed.GetText(), chosen.GetText()) != 0)
        ShowError("Record song", "Can't save the recording as %s; it stays in %s", chosen.GetText(),
                  mixed.GetText());
}

// ---------------------------------------------------------------- showing the notes

void CSongEditorDlg::SetShowNotes(bool show) {
    m_checks[4]->setChecked(show);
}

void CSongEditorDlg::ShowNotes(bool show) {
    const QSize frameExtra = Frame()->size() - size();
    if (!show) {
        if (m_noteArea->isVisible())
            m_fullSize = Frame()->size();
        m_noteArea->hide();
        const QSize left = m_left->sizeHint();
        const int margins = 12;
        ResizeTo(std::max(kLeftWidth, left.width() + margins) + frameExtra.width(),
                 std::max(kLeftHeight, left.height() + margins) + frameExtra.height());
        return;
    }
    m_noteArea->show();
    if (m_fullSize.isValid())
        ResizeTo(m_fullSize.width(), m_fullSize.height());
    else if (m_record && m_record->wnd.rect.IsSet() &&
             m_record->wnd.rect.Width() > kLeftWidth + frameExtra.width())
        ResizeTo(m_record->wnd.rect.Width(), m_record->wnd.rect.Height());
    else
        ResizeTo(900 + frameExtra.width(), 640 + frameExtra.height());
}

bool CSongEditorDlg::OnDestroyed() {
    Stop();
    // The program is closing: changes not saved now would be lost.
    OfferToSaveAll();
    return CBaseWindow::OnDestroyed();
}

#include "tools/MixerDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "song/Mix.h"
#include "ui/MessageBox.h"

namespace {

// Top to bottom. The first four rows carry fixed labels; the drum rows are labelled with the
// short drum names when the window is made.
constexpr MIXER_ROW kRows[] = {
    {THING_LEAD_GUITAR, "Lead guitar", 1501, 1519, 0},
    {THING_RHYTHM_GUITAR, "Rhythm guitar", 1499, 1503, 0},
    {THING_BASS_GUITAR, "Bass guitar", 1468, 1469, 0},
    {THING_DRUM_SET, "Drum set", 1470, 1471, 0},
    {THING_SPLASH_CYMBAL_1, nullptr, 1472, 1473, 1504},
    {THING_CHINESE_CYMBAL_1, nullptr, 1474, 1475, 1505},
    {THING_CRASH_CYMBAL_2, nullptr, 1476, 1477, 1506},
    {THING_CRASH_CYMBAL_1, nullptr, 1478, 1479, 1507},
    {THING_RIDE_CYMBAL, nullptr, 1480, 1481, 1508},
    {THING_HIHAT_CLOSED, nullptr, 1482, 1483, 1509},
    {THING_TOM_5, nullptr, 1484, 1485, 1510},
    {THING_SNARE_DRUM, nullptr, 1486, 1487, 1511},
    {THING_TOM_4, nullptr, 1488, 1489, 1512},
    {THING_TOM_3, nullptr, 1490, 1491, 1513},
    {THING_TOM_2, nullptr, 1492, 1493, 1514},
    {THING_BASS_DRUM_1, nullptr, 1494, 1495, 1515},
    {THING_TOM_1, nullptr, 1496, 1497, 1516},
    {THING_NONE, nullptr, 0, 0, 0},
};
constexpr int kFixedRows = 4;

int RowCount() {
    int count = 0;
    while (count < CMixerDlg::kMaxRows && kRows[count].thing != THING_NONE)
        ++count;
    return count;
}

QSlider* MakeSlider(int id, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::number(id));
    slider->setMinimumWidth(130);
    return slider;
}

} // namespace

CMixerDlg::CMixerDlg(CMix* mix, WND_SETTINGS* record, QWidget* parent)
    : CBaseWindow(kKindMixer, parent), m_mix(mix) {
    SetPlacement(record);
    m_confirm = [this](const char* text, const char* caption, int icon) {
        return ShowMessageBox(this, text, caption, icon, true);
    };
}

CMixerDlg::~CMixerDlg() = default;

const MIXER_ROW* CMixerDlg::GetRowTable() {
    return kRows;
}

CCharString CMixerDlg::ShortDrumName(THING thing) {
    switch (thing) {
    case THING_BASS_DRUM_1:
    case THING_BASS_DRUM_2:
        return "Bass";
    case THING_HIHAT_OPEN:
    case THING_HIHAT_CLOSED:
    case THING_HIHAT_BOTTOM:
        return "Hi-hat";
    case THING_HIHAT_FOOT:
        return "Foot Hat";
    case THING_SNARE_DRUM:
        return "Snare";
    case THING_RIDE_CYMBAL:
        return "Ride";
    case THING_RIDE_CYMBAL_BELL:
        return "Ride (bell)";
    case THING_SPLASH_CYMBAL_1:
        return "Splash 1";
    case THING_SPLASH_CYMBAL_2:
        return "Splash 2";
    case THING_CHINESE_CYMBAL_1:
        return "Chinese 1";
    case THING_CHINESE_CYMBAL_2:
        return "Chinese 2";
    default:
        break;
    }
    CCharString name;
    if (thing >= THING_TOM_1 && thing <= THING_TOM_6)
        name.Format("Tom %d", thing - THING_TOM_1 + 1);
    else if (thing >= THING_OCTOBAN_1 && thing <= THING_OCTOBAN_6)
        name.Format("Octoban %d", thing - THING_OCTOBAN_1 + 1);
    else if (thing >= THING_CRASH_CYMBAL_1 && thing <= THING_CRASH_CYMBAL_4)
        name.Format("Crash %d", thing - THING_CRASH_CYMBAL_1 + 1);
    else
        name.Format("Drum %d", static_cast<int>(thing));
    return name;
}

bool CMixerDlg::OnInitDialog() {
    m_rowCount = RowCount();
    m_rows.resize(m_rowCount);
    BuildControls();
    for (int row = 0; row < m_rowCount; ++row) {
        ROW_CONTROLS& controls = m_rows[row];
        controls.volume.SetRange(kVolumeMin, kVolumeMax, kPageSize, 0.0, 1.0);
        controls.pan.SetRange(kPanMin, kPanMax, kPageSize, -1.0, 1.0);
        controls.pan.AddTick(0);
        m_loading = true;
        controls.volume.SetValue(1.0);
        controls.pan.SetValue(0.0);
        m_loading = false;
    }
    if (m_mix)
        LoadSliders();
    // No saved rectangle: the top left corner, at the size the controls need (a 100 by 100
    // frame would show a corner of one slider).
    if (!GetPlacement() || !GetPlacement()->rect.IsSet()) {
        const QSize size = NaturalFrameSize();
        SetRect(0, 0, size.width(), size.height());
        // The controls know their true size once styled, at the first show; unless the
        // window was sized otherwise by then.
        m_fitPending = true;
        m_fitSize = Frame()->size();
    }
    return true;
}

bool CMixerDlg::OnShow(bool show) {
    CBaseWindow::OnShow(show);
    if (show && m_fitPending) {
        m_fitPending = false;
        if (Frame()->size() == m_fitSize)
            Frame()->resize(NaturalFrameSize());
    }
    return true;
}

void CMixerDlg::BuildControls() {
    // A saved rectangle smaller than the controls scrolls them rather than cutting them off.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    outer->addWidget(m_scroll);
    m_panel = new QWidget;
    m_panel->setObjectName("MixerPanel");
    auto* root = new QVBoxLayout(m_panel);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(6);

    // One grid for the band and one inside the "Drums" box; the first column has one width in
    // both, so the sliders line up.
    auto addRow = [this](QGridLayout* grid, int gridRow, int row) {
        const MIXER_ROW& info = kRows[row];
        ROW_CONTROLS& controls = m_rows[row];
        CCharString text = info.label ? CCharString(info.label) : ShortDrumName(info.thing);
        controls.label = new QLabel(QString::fromUtf8(text.GetText()), m_panel);
        controls.label->setMinimumWidth(90);
        if (info.labelId)
            controls.label->setObjectName(QString::number(info.labelId));
        QSlider* volume = MakeSlider(info.volumeId, m_panel);
        QSlider* pan = MakeSlider(info.panId, m_panel);
        volume->setToolTip(QStringLiteral("Volume of %1").arg(controls.label->text()));
        pan->setToolTip(QStringLiteral("Pan of %1: left to right").arg(controls.label->text()));
        controls.volume.Bind(volume);
        controls.pan.Bind(pan);
        connect(volume, &QSlider::valueChanged, this, [this] { OnSliderMoved(); });
        connect(pan, &QSlider::valueChanged, this, [this] { OnSliderMoved(); });
        grid->addWidget(controls.label, gridRow, 0);
        grid->addWidget(volume, gridRow, 1);
        grid->addWidget(pan, gridRow, 2);
    };
    auto makeGrid = [] {
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(2);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(2, 1);
        return grid;
    };

    auto* band = makeGrid();
    band->setContentsMargins(12, 0, 12, 0); // the group box's frame and margins, for alignment
    band->addWidget(new QLabel("Volume", m_panel), 0, 1, Qt::AlignHCenter);
    auto* panHeader = new QWidget(m_panel);
    auto* panLayout = new QHBoxLayout(panHeader);
    panLayout->setContentsMargins(0, 0, 0, 0);
    panLayout->addWidget(new QLabel("L", panHeader));
    panLayout->addStretch(1);
    panLayout->addWidget(new QLabel("Pan", panHeader));
    panLayout->addStretch(1);
    panLayout->addWidget(new QLabel("R", panHeader));
    band->addWidget(panHeader, 0, 2);
    for (int row = 0; row < std::min(kFixedRows, m_rowCount); ++row)
        addRow(band, row + 1, row);
    root->addLayout(band);

    auto* drums = new QGroupBox("Drums", m_panel);
    auto* drumGrid = makeGrid();
    for (int row = kFixedRows; row < m_rowCount; ++row)
        addRow(drumGrid, row - kFixedRows, row);
    drums->setLayout(drumGrid);
    root->addWidget(drums);

    auto* buttons = new QHBoxLayout;
    m_reset = new QPushButton("Reset", m_panel);
    m_reset->setToolTip("Set every volume and pan to the default mix");
    m_ok = new QPushButton("OK", m_panel);
    m_ok->setToolTip("Apply the sliders to the mix");
    m_cancel = new QPushButton("Cancel", m_panel);
    m_cancel->setToolTip("Hide the mixer");
    for (QPushButton* button : {m_reset, m_ok, m_cancel})
        button->setAutoDefault(false);
    buttons->addWidget(m_reset);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    root->addLayout(buttons);
    connect(m_reset, &QPushButton::clicked, this, [this] { OnCommand(kIdReset, 0); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OnCommand(kIdOk, 0); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCommand(kIdCancel, 0); });

    m_scroll->setWidget(m_panel);
}

QSize CMixerDlg::NaturalFrameSize() {
    // Size hints before the first show are those of unstyled controls.
    Frame()->ensurePolished();
    m_panel->ensurePolished();
    m_panel->layout()->activate();
    // The frame's decoration (title bar, borders) is what its size hint adds to the window's.
    const QSize decoration = Frame() == this ? QSize() : Frame()->sizeHint() - sizeHint();
    return m_panel->sizeHint() + decoration.expandedTo(QSize(0, 0));
}

void CMixerDlg::SetNearest(QSlider* slider, double value, int a, int b, double f0, double f1) {
    if (!slider || f1 == f0)
        return;
    // The track bar's own mapping truncates, which turns 0.29 (a float just below it) into
    // position 28 and would write 0.28 back at the next movement.
    long position = std::lround(value / (f1 - f0) * (b - a));
    slider->setValue(static_cast<int>(std::clamp<long>(position, a, b)));
}

bool CMixerDlg::LoadSliders() {
    if (!m_mix)
        return false;
    m_loading = true;
    for (const auto& [key, entry] : m_mix->GetEntries()) {
        // An entry without a row (a drum this Mixer does not show) is passed over: stopping
        // there would leave the later rows at 1.0 / 0.0, and the next slider move would write
        // those over the user's mix.
        int row = FindRow(entry.instrument);
        if (row < 0)
            continue;
        SetNearest(VolumeSlider(row), entry.volume, kVolumeMin, kVolumeMax, 0.0, 1.0);
        SetNearest(PanSlider(row), entry.pan, kPanMin, kPanMax, -1.0, 1.0);
    }
    m_loading = false;
    return true;
}

bool CMixerDlg::ApplySliders() {
    if (!m_mix)
        return false;
    for (int row = 0; row < m_rowCount; ++row) {
        float volume = static_cast<float>(m_rows[row].volume.GetValue());
        float pan = static_cast<float>(m_rows[row].pan.GetValue());
        if (!m_mix->SetEntry(kRows[row].thing, volume, pan)) {
            m_error = m_mix->GetError();
            return false;
        }
    }
    return true;
}

bool CMixerDlg::ResetMix() {
    if (m_confirm && !m_confirm(kResetText, kResetCaption, MB_ICON_WARNING))
        return false;
    if (!m_mix)
        return false;
    if (!m_mix->SetDefaults()) {
        m_error = m_mix->GetError();
        return false;
    }
    return LoadSliders();
}

void CMixerDlg::OnSliderMoved() {
    if (!m_loading)
        ApplySliders();
}

int CMixerDlg::FindRow(THING thing) const {
    for (int row = 0; row < m_rowCount; ++row)
        if (kRows[row].thing == thing)
            return row;
    return -1;
}

THING CMixerDlg::GetRowThing(int row) const {
    return row >= 0 && row < m_rowCount ? kRows[row].thing : THING_NONE;
}

CTrackBar& CMixerDlg::Volume(int row) {
    return m_rows.at(row).volume;
}

CTrackBar& CMixerDlg::Pan(int row) {
    return m_rows.at(row).pan;
}

QSlider* CMixerDlg::VolumeSlider(int row) const {
    return row >= 0 && row < m_rowCount ? m_rows[row].volume.Control() : nullptr;
}

QSlider* CMixerDlg::PanSlider(int row) const {
    return row >= 0 && row < m_rowCount ? m_rows[row].pan.Control() : nullptr;
}

QLabel* CMixerDlg::Label(int row) const {
    return row >= 0 && row < m_rowCount ? m_rows[row].label : nullptr;
}

QPushButton* CMixerDlg::Button(CONTROL id) const {
    switch (id) {
    case kIdOk:
        return m_ok;
    case kIdCancel:
        return m_cancel;
    case kIdReset:
        return m_reset;
    }
    return nullptr;
}

bool CMixerDlg::OnCommand(int id, int) {
    switch (id) {
    case kIdOk:
        return OnAccept();
    case kIdCancel:
        return OnCancel();
    case kIdReset:
        ResetMix();
        return true;
    default:
        return false;
    }
}

bool CMixerDlg::OnAccept() {
    ApplySliders();
    return true;
}

bool CMixerDlg::OnCancel() {
    ShowWnd(false);
    return true;
}

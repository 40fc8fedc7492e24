#include "tools/GeneratorDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QVBoxLayout>
#include <cmath>
#include <cstdlib>

#include "sound/Sound.h"
#include "ui/MessageBox.h"

namespace {

// What each field accepts: a number above low (or from low when lowIncluded) up to high.
struct FIELD_RULE {
    const char* name;
    double low;
    bool lowIncluded;
    double high;
};

// Indexed by control id. Times are kept to a minute so that a slip of the finger does not ask
// for hundreds of megabytes; a volume of 2 puts a harmonic at full scale.
constexpr FIELD_RULE kRules[CGeneratorDlg::kIdFieldCount] = {
    {},
    {"Frequency", 0.0, false, 20000.0},
    {"Attack", 0.0, true, 60.0},
    {"Decay", 0.0, true, 60.0},
    {"Sustain", 0.0, true, 60.0},
    {"Release", 0.0, true, 60.0},
    {"Sustain volume (from)", 0.0, true, 1.0},
    {"Sustain volume (to)", 0.0, true, 1.0},
    {"Octaves", 0.0, false, 100.0},
    {"Volume", 0.0, false, 2.0},
    {"Pan", -1.0, true, 1.0},
};

// Pixels of a tab stop in dialog units for the widget's font: a unit is a quarter of the mean
// width of the 52 letters.
qreal TabStop(const QWidget* widget, int units) {
    const int letters = widget->fontMetrics().horizontalAdvance(
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return letters / 52.0 * units / 4.0;
}

// Draws an item's text with the list's tab stops, which the item views do not know.
class CTabStopDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget* view = item.widget;
        QStyle* style = view ? view->style() : nullptr;
        if (!style || !view)
            return QStyledItemDelegate::paint(painter, option, index);
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view);
        QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
        layout.setTabArray({TabStop(view, CGeneratorDlg::kTabStops[0]),
                            TabStop(view, CGeneratorDlg::kTabStops[1])});
        painter->save();
        painter->setPen(item.palette.color(
            (item.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(style->subElementRect(QStyle::SE_ItemViewItemText, &item, view), text,
                          layout);
        painter->restore();
    }
};

} // namespace

CGeneratorDlg::CGeneratorDlg(CGeneratorHost& host, WND_SETTINGS* record, QWidget* parent)
    : CBaseWindow(kKindGenerator, parent), m_host(host) {
    SetPlacement(record);
}

WND_RECT CGeneratorDlg::DefaultRect() {
    WND_RECT rect;
    rect.Set(420, 40, 420 + 380, 40 + 470);
    return rect;
}

CCharString CGeneratorDlg::FormatRow(const GEN_HARMONIC& row) {
    CCharString text;
    // The pan is left-aligned; a zero flag beside '-' would be ignored, so it is left out.
    text.Format("%0.2f\t%0.2f\t%-.2f", row.multiplier, row.volume, row.pan);
    return text;
}

bool CGeneratorDlg::OnInitDialog() {
    auto* layout = new QVBoxLayout(this);
    auto field = [this](CONTROL id) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(id));
        edit->setMaximumWidth(80);
        m_fields[id] = edit;
        return edit;
    };
    auto button = [this](CONTROL id, const char* text) {
        auto* push = new QPushButton(text, this);
        push->setObjectName(QString::number(id));
        push->setAutoDefault(false);
        m_buttons[id - kIdAdd] = push;
        connect(push, &QPushButton::clicked, this, [this, id] { OnCommand(id, 0); });
        return push;
    };

    auto* base = new QGroupBox("Base tone", this);
    auto* grid = new QGridLayout(base);
    struct PLACE {
        CONTROL id;
        const char* label;
        const char* unit;
        int row, column;
    };
    for (const PLACE& place :
         {PLACE{kIdFrequency, "Frequency", "Hz", 0, 0}, PLACE{kIdAttack, "Attack", "s", 1, 0},
          PLACE{kIdDecay, "Decay", "s", 1, 3}, PLACE{kIdSustain, "Sustain", "s", 2, 0},
          PLACE{kIdRelease, "Release", "s", 2, 3},
          PLACE{kIdSustainFrom, "Sustain volume", "from", 3, 0},
          PLACE{kIdSustainTo, "to", "", 3, 3}}) {
        grid->addWidget(new QLabel(place.label, base), place.row, place.column);
        grid->addWidget(field(place.id), place.row, place.column + 1);
        if (*place.unit && place.id != kIdSustainFrom)
            grid->addWidget(new QLabel(place.unit, base), place.row, place.column + 2);
    }
    layout->addWidget(base);

    auto* harmonics = new QGroupBox("Harmonics", this);
    auto* rows = new QVBoxLayout(harmonics);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 0, 0, 0);
    header->setSpacing(0);
    const char* columns[3] = {"Octaves", "Volume", "Pan"};
    const int widths[3] = {kTabStops[0], kTabStops[1] - kTabStops[0], 0};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(columns[i], harmonics);
        if (widths[i] > 0)
            label->setFixedWidth(static_cast<int>(TabStop(this, widths[i])));
        header->addWidget(label);
    }
    header->addStretch();
    rows->addLayout(header);
    m_list = new QListWidget(harmonics);
    m_list->setObjectName(QString::number(kIdList));
    m_list->setItemDelegate(new CTabStopDelegate(m_list));
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { RowSelected(); });
    rows->addWidget(m_list);
    auto* edit = new QHBoxLayout;
    for (CONTROL id : {kIdOctaves, kIdVolume, kIdPan}) {
        edit->addWidget(new QLabel(kRules[id].name, harmonics));
        edit->addWidget(field(id));
    }
    rows->addLayout(edit);
    auto* edits = new QHBoxLayout;
    edits->addWidget(button(kIdAdd, "Add"));
    edits->addWidget(button(kIdChange, "Change"));
    edits->addWidget(button(kIdDelete, "Delete"));
    rows->addLayout(edits);
    layout->addWidget(harmonics);

    auto* play = new QHBoxLayout;
    play->addStretch();
    play->addWidget(button(kIdPlay, "Play"));
    layout->addLayout(play);

    const GEN_BASE_TONE defaults;
    const double values[] = {defaults.frequency, defaults.attack,  defaults.decay,
                             defaults.sustain,   defaults.release, defaults.sustainFrom,
                             defaults.sustainTo};
    for (int id = kIdFrequency; id <= kIdSustainTo; ++id)
        m_fields[id]->setText(QString::asprintf("%0.2f", values[id - kIdFrequency]));
    m_rows = GetDefaultHarmonics();
    FillList(0);
    RowSelected();
    return true;
}

QLineEdit* CGeneratorDlg::Field(CONTROL id) const {
    return id > 0 && id < kIdFieldCount ? m_fields[id] : nullptr;
}

QPushButton* CGeneratorDlg::Button(CONTROL id) const {
    return id >= kIdAdd && id <= kIdPlay ? m_buttons[id - kIdAdd] : nullptr;
}

bool CGeneratorDlg::OnCommand(int id, int) {
    switch (id) {
    case kIdAdd:
        AddRow();
        return true;
    case kIdChange:
        ChangeRow();
        return true;
    case kIdDelete:
        DeleteRow();
        return true;
    case kIdPlay:
        Play();
        return true;
    default:
        return false;
    }
}

bool CGeneratorDlg::Say(const char* text) {
    ShowMessageBox(this, text, kTitle, MB_ICON_WARNING);
    return false;
}

bool CGeneratorDlg::ReadField(CONTROL id, double& value) {
    const FIELD_RULE& rule = kRules[id];
    const QByteArray text = m_fields[id]->text().trimmed().toUtf8();
    char* end = nullptr;
    value = std::strtod(text.constData(), &end);
    const bool number = !text.isEmpty() && end && *end == '\0' && std::isfinite(value);
    if (number && (rule.lowIncluded ? value >= rule.low : value > rule.low) && value <= rule.high)
        return true;
    CCharString message;
    message.Format("\"%s\" must be a number %s %g and at most %g.", rule.name,
                   rule.lowIncluded ? "from" : "above", rule.low, rule.high);
    m_fields[id]->setFocus();
    m_fields[id]->selectAll();
    return Say(message);
}

bool CGeneratorDlg::ReadBase(GEN_BASE_TONE& base) {
    return ReadField(kIdFrequency, base.frequency) && ReadField(kIdAttack, base.attack) &&
           ReadField(kIdDecay, base.decay) && ReadField(kIdSustain, base.sustain) &&
           ReadField(kIdRelease, base.release) && ReadField(kIdSustainFrom, base.sustainFrom) &&
           ReadField(kIdSustainTo, base.sustainTo);
}

bool CGeneratorDlg::ReadRow(GEN_HARMONIC& row) {
    return ReadField(kIdOctaves, row.multiplier) && ReadField(kIdVolume, row.volume) &&
           ReadField(kIdPan, row.pan);
}

int CGeneratorDlg::GetSelectedRow() const {
    return m_list ? m_list->currentRow() : -1;
}

void CGeneratorDlg::SelectRow(int row) {
    m_list->setCurrentRow(row);
}

void CGeneratorDlg::FillList(int select) {
    m_list->blockSignals(true);
    m_list->clear();
    for (const GEN_HARMONIC& row : m_rows)
        m_list->addItem(QString::fromUtf8(FormatRow(row).GetText()));
    // The selection stays where it was while that row still exists; the row fields keep what
    // the user typed.
    m_list->setCurrentRow(select < m_list->count() ? select : -1);
    m_list->blockSignals(false);
}

void CGeneratorDlg::RowSelected() {
    const int row = GetSelectedRow();
    if (row < 0 || row >= static_cast<int>(m_rows.GetCount()))
        return;
    const GEN_HARMONIC& values = m_rows[row];
    m_fields[kIdOctaves]->setText(QString::asprintf("%0.2f", values.multiplier));
    m_fields[kIdVolume]->setText(QString::asprintf("%0.2f", values.volume));
    m_fields[kIdPan]->setText(QString::asprintf("%0.2f", values.pan));
}

bool CGeneratorDlg::AddRow() {
    GEN_HARMONIC row;
    if (!ReadRow(row))
        return false;
    m_rows.Add(row);
    FillList(GetSelectedRow());
    return true;
}

bool CGeneratorDlg::ChangeRow() {
    GEN_HARMONIC row;
    const int selected = GetSelectedRow();
    if (selected < 0)
        return Say("Select the harmonic to change.");
    if (!ReadRow(row))
        return false;
    m_rows[selected] = row;
    FillList(selected);
    return true;
}

bool CGeneratorDlg::DeleteRow() {
    const int selected = GetSelectedRow();
    if (selected < 0)
        return Say("Select the harmonic to delete.");
    m_rows.RemoveAt(selected);
    FillList(selected);
    return true;
}

bool CGeneratorDlg::Play() {
    GEN_BASE_TONE base;
    if (!ReadBase(base))
        return false;
    CVarList<GEN_SOUND_INFO> tones = MakeTones(base, m_rows);
    CSoundInfo sample;
    sample.format = GetStreamFormat().format;
    // A tone at or above half the rate cannot be told from a lower one.
    const double limit = sample.format.samplesPerSec / 2.0;
    CCharString message;
    for (const GEN_SOUND_INFO& tone : tones) {
        if (tone.frequency >= limit) {
            message.Format("A harmonic at %0.2f Hz is too high: the sound holds frequencies "
                           "below %0.0f Hz.",
                           tone.frequency, limit);
            return Say(message);
        }
    }
    CGenerator& generator = m_host.GetGenerator();
    if (!generator.Generate(tones, sample)) {
        message.Format("Can't generate the sound: %s", generator.GetErrorText().GetText());
        return Say(message);
    }
    m_lastSample = sample;
    CCharString error;
    if (!m_host.PlaySample(sample, error)) {
        message.Format("Can't play the sound: %s", error.GetText());
        return Say(message);
    }
    return true;
}

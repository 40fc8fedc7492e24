#include "tools/TunerDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <cmath>

#include "sound/PitchDetector.h"
#include "sound/SoundCapture.h"
#include "theory/NoteManager.h"

namespace {
constexpr QRgb kStripBack = 0xFFF4F4F4;
constexpr QRgb kInTuneBand = 0xFF60C060;
constexpr QRgb kNeedle = 0xFFC00000;

// The distance in cents of frequency from the open string nearest to it, and that string.
int NearestString(const CNoteList& strings, double frequency, double& cents) {
    int best = -1;
    for (int i = 0; i < strings.GetCount(); ++i) {
        const double distance = CPitchDetector::CentsFrom(frequency, strings[i].m_midi);
        if (best < 0 || std::fabs(distance) < std::fabs(cents)) {
            best = i;
            cents = distance;
        }
    }
    return best;
}

// Rounded to the tenth shown, so that a reading a hair flat reads +0.0 rather than -0.0.
double ShownCents(double cents) {
    return std::round(cents * 10.0) / 10.0 + 0.0;
}
} // namespace

void INPUT_FIELDS::Build(QWidget* owner, QGridLayout* layout) {
    auto field = [owner, layout](int row, const char* label, const char* unit, CTextWrapper& text) {
        layout->addWidget(new QLabel(QObject::tr(label), owner), row, 0);
        auto* edit = new QLineEdit(owner);
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setAlignment(Qt::AlignRight);
        QFont fixed("DejaVu Sans Mono");
        fixed.setStyleHint(QFont::Monospace);
        edit->setFont(fixed);
        edit->setMaximumWidth(110);
        layout->addWidget(edit, row, 1);
        if (unit)
            layout->addWidget(new QLabel(QObject::tr(unit), owner), row, 2);
        text.Bind(edit);
    };
    field(0, "Note", nullptr, note);
    field(1, "Frequency", "Hz", frequency);
    field(2, "Diff.", "Hz", diff);
    field(3, "Volume", "%", volume);

    barControl = new QProgressBar(owner);
    barControl->setOrientation(Qt::Vertical);
    barControl->setTextVisible(false);
    barControl->setMinimumHeight(90);
    bar.Bind(barControl);
    layout->addWidget(barControl, 0, 3, 4, 1, Qt::AlignHCenter);
    layout->addWidget(new QLabel(QObject::tr("Input"), owner), 4, 3, Qt::AlignHCenter);
}

void INPUT_FIELDS::ResetBar() {
    bar.SetRange(0, 20, 1, 0.0, 1.0);
    bar.SetColors(QColor::fromRgba(CTunerDlg::kBarColour), QColor::fromRgba(CTunerDlg::kLoudColour),
                  0.9);
    bar.SetValue(0.0);
}

bool INPUT_FIELDS::StartHearing(CTunerHost& host, QTimer* timer, CCharString& error) {
    if (hearing)
        return true;
    CCharString why;
    if (!host.StartCapture(why)) {
        error.Format("Can't start pitch detection: %s", why.GetText());
        return false;
    }
    hearing = true;
    ResetBar();
    timer->start();
    return true;
}

bool INPUT_FIELDS::StopHearing(CTunerHost& host, QTimer* timer) {
    if (!hearing)
        return false;
    hearing = false;
    if (timer)
        timer->stop();
    host.StopCapture();
    return true;
}

void INPUT_FIELDS::Show(const CNote& heardNote) {
    const double heard = GetHeardFrequency(heardNote);
    CCharString text;
    text.Format("%6.2f", heardNote.m_volume);
    volume.SetText(text);
    bar.SetValue(heardNote.m_volume);
    text.Empty();
    if (heard != 0.0)
        text.Format("%8.2f", heard);
    frequency.SetText(text);
    text.Empty();
    if (heardNote.m_midi != MIDI_NO_PITCH)
        text.Format("%s %d", heardNote.m_sharpName.GetText(), heardNote.m_octave);
    note.SetText(text);
    text.Empty();
    if (heard > 0.0)
        text.Format("%6.2f", heard - heardNote.m_frequency);
    diff.SetText(text);
}

CCentsStrip::CCentsStrip(QWidget* parent) : QWidget(parent), m_cents(NAN) {
    setMinimumSize(200, 40);
}

void CCentsStrip::SetCents(double cents) {
    if (std::isnan(cents) && std::isnan(m_cents))
        return;
    m_cents = cents;
    update();
}

void CCentsStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int w = width(), h = height();
    const double left = 8.0, right = w - 8.0;
    auto x = [&](double cents) { return left + (cents + 50.0) / 100.0 * (right - left); };
    painter.fillRect(rect(), QColor::fromRgba(kStripBack));
    const bool inTune = !std::isnan(m_cents) && std::fabs(m_cents) <= CTunerDlg::kInTuneCents;
    const double band = CTunerDlg::kInTuneCents;
    painter.fillRect(QRectF(x(-band), 0, x(band) - x(-band), h - 14),
                     QColor::fromRgba(inTune ? kInTuneBand : 0xFFC8E6C8));
    painter.setPen(Qt::gray);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    painter.setFont(small);
    for (int cents = -50; cents <= 50; cents += 10) {
        const double at = x(cents);
        painter.drawLine(QPointF(at, h - 18), QPointF(at, h - 14 - (cents % 50 ? 4 : 10)));
        if (cents % 50 == 0) {
            // The end labels stay inside the strip.
            const double left = std::clamp(at - 20, 0.0, w - 40.0);
            painter.drawText(QRectF(left, h - 14, 40, 14),
                             cents < 0   ? Qt::AlignLeft
                             : cents > 0 ? Qt::AlignRight
                                         : Qt::AlignCenter,
                             cents > 0 ? QString("+%1").arg(cents) : QString::number(cents));
        }
    }
    if (std::isnan(m_cents))
        return;
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, 0, x(-band) - 6, h - 18), Qt::AlignRight | Qt::AlignVCenter,
                     QString::asprintf("%+.1f cents", ShownCents(m_cents)));
    const double at = x(std::clamp(m_cents, -50.0, 50.0));
    painter.setPen(QPen(QColor::fromRgba(inTune ? 0xFF007000 : kNeedle), 3));
    painter.drawLine(QPointF(at, 2), QPointF(at, h - 18));
}

CTunerDlg::CTunerDlg(CTunerHost& host, QWidget* parent)
    : CBaseWindow(kKindTuner, parent), m_host(host) {
    m_record.rect = WND_RECT();
    m_record.show = 1;
    SetPlacement(&m_record);
}

CTunerDlg::~CTunerDlg() {
    Close();
}

WND_RECT CTunerDlg::DefaultRect() {
    WND_RECT rect;
    rect.Set(40, 40, 380, 340);
    return rect;
}

bool CTunerDlg::OnInitDialog() {
    auto* layout = new QGridLayout(this);
    m_fields.Build(this, layout);

    m_strip = new CCentsStrip(this);
    m_strip->setToolTip(tr("Cents from the nearest note; green within 3 cents"));
    layout->addWidget(m_strip, 5, 0, 1, 4);
    auto* string = new QLabel(this);
    string->setToolTip(tr("The open string nearest to what is heard"));
    layout->addWidget(string, 6, 0, 1, 4);
    m_string.Bind(string);

    m_guitar.RemoveAll();
    m_bass.RemoveAll();
    m_host.GetNoteManager().GetTuning(INSTRUMENT_GUITAR, m_guitar);
    m_host.GetNoteManager().GetTuning(INSTRUMENT_BASS, m_bass);
    m_timer = new QTimer(this);
    m_timer->setInterval(kTimerMs);
    connect(m_timer, &QTimer::timeout, this, &CTunerDlg::Refresh);
    return true;
}

bool CTunerDlg::OnShow(bool show) {
    if (show && !m_fields.StartHearing(m_host, m_timer, m_error))
        return false;
    if (!show)
        Close();
    return CBaseWindow::OnShow(show);
}

bool CTunerDlg::OnDestroyed() {
    Close();
    return false;
}

void CTunerDlg::Close() {
    if (m_fields.StopHearing(m_host, m_timer))
        StorePlacement();
}

void CTunerDlg::Refresh() {
    const CCharString lost = m_host.GetCaptureError();
    // A device that went away leaves its last reading behind: show why instead.
    CNote note = m_host.GetLatestInputNote();
    if (!lost.IsEmpty()) {
        note.Reset();
        note.m_volume = 0.0f;
    }
    m_fields.Show(note);
    const double heard = GetHeardFrequency(note);
    CCharString text;
    double cents = NAN;
    if (heard > 0.0 && note.HasPitch()) {
        cents = CPitchDetector::CentsFrom(heard, note.m_midi);
        double fromString = 0.0;
        // Below the guitar's lowest string by more than a tone, the bass's strings.
        const bool bass =
            !m_guitar.IsEmpty() && note.m_midi < m_guitar[m_guitar.GetCount() - 1].m_midi - 2;
        const CNoteList& strings = bass ? m_bass : m_guitar;
        const int string = NearestString(strings, heard, fromString);
        // Only a note near an open string is that string being tuned.
        if (string >= 0 && std::fabs(fromString) < 100.0)
            text.Format("%s string %d (%s): %+.1f cents", bass ? "Bass" : "Guitar", string + 1,
                        GetSharpName(strings[string].m_midi), ShownCents(fromString));
    }
    if (!lost.IsEmpty())
        text.Format("%s\nChoose the device again in Settings > Audio.", lost.GetText());
    m_string.SetText(text);
    m_inTune = !std::isnan(cents) && std::fabs(cents) <= kInTuneCents;
    m_strip->SetCents(cents);
}

CCharString CTunerDlg::GetText(FIELD id) const {
    switch (id) {
    case kIdNote:
        return m_fields.note.GetText();
    case kIdFrequency:
        return m_fields.frequency.GetText();
    case kIdDiff:
        return m_fields.diff.GetText();
    case kIdVolume:
        return m_fields.volume.GetText();
    case kIdString:
        return m_string.GetText();
    }
    return CCharString();
}

int CTunerDlg::GetBarPosition() const {
    return m_fields.barControl ? m_fields.barControl->value() : 0;
}

#include "tools/SamplerDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include "sound/Render.h"
#include "sound/SampleStore.h"
#include "ui/MessageBox.h"

namespace {
constexpr int kStrings = 6;
constexpr int kHighestFret = 24;
} // namespace

CSamplerDlg::CSamplerDlg(CSamplerHost& host, WND_SETTINGS* record, QWidget* parent)
    : CBaseWindow(kKindSampleRecorder, parent), m_host(host) {
    SetPlacement(record);
}

CSamplerDlg::~CSamplerDlg() {
    Close();
}

WND_RECT CSamplerDlg::DefaultRect() {
    WND_RECT rect;
    rect.Set(80, 80, 440, 400);
    return rect;
}

bool CSamplerDlg::OnInitDialog() {
    // A window of its own over the main window, which it blocks while open.
    setWindowFlag(Qt::Dialog);
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QGridLayout(this);
    m_fields.Build(this, layout);

    layout->addWidget(new QLabel(tr("Sample"), this), 5, 0);
    m_sample = new QLineEdit(this);
    m_sample->setToolTip(tr("The sample set this recording belongs to"));
    layout->addWidget(m_sample, 5, 1, 1, 3);
    auto list = [this, layout](int row, const char* label, int first, int last, QComboBox*& combo,
                               CListWrapper& wrapper) {
        layout->addWidget(new QLabel(tr(label), this), row, 0);
        combo = new QComboBox(this);
        wrapper.Bind(combo);
        for (int value = first; value <= last; ++value)
            wrapper.AddItem(QByteArray::number(value).constData(), value);
        wrapper.SelectIndex(0);
        layout->addWidget(combo, row, 1);
    };
    list(6, "String", 1, kStrings, m_stringCombo, m_string);
    list(7, "Fret", 0, kHighestFret, m_fretCombo, m_fret);

    auto* status = new QLabel(this);
    status->setMinimumWidth(120);
    m_status.Bind(status);
    layout->addWidget(status, 8, 0, 1, 3);
    m_record = new QPushButton(tr("Record"), this);
    m_record->setCheckable(true);
    connect(m_record, &QPushButton::clicked, this, [this] { OnCommand(kIdRecord, 0); });
    layout->addWidget(m_record, 8, 3);

    m_timer = new QTimer(this);
    m_timer->setInterval(kTimerMs);
    connect(m_timer, &QTimer::timeout, this, &CSamplerDlg::Refresh);
    return true;
}

bool CSamplerDlg::OnShow(bool show) {
    if (show && !m_fields.StartHearing(m_host, m_timer, m_error))
        return false;
    if (!show)
        Close();
    return CBaseWindow::OnShow(show);
}

bool CSamplerDlg::OnDestroyed() {
    Close();
    return false;
}

bool CSamplerDlg::OnCommand(int id, int code) {
    if (id == kIdRecord) {
        ToggleRecording();
        // The button shows the state, whatever the click asked for.
        m_record->setChecked(m_recording);
        m_record->setText(m_recording ? tr("Stop") : tr("Record"));
        return true;
    }
    return CBaseWindow::OnCommand(id, code);
}

bool CSamplerDlg::OnCancel() {
    Frame()->close();
    return true;
}

void CSamplerDlg::Close() {
    if (!m_fields.hearing)
        return;
    // A recording in progress is kept, as if the user had stopped it.
    if (m_recording)
        StopRecording();
    m_fields.StopHearing(m_host, m_timer);
    StorePlacement();
}

void CSamplerDlg::Refresh() {
    CNote note = m_host.GetLatestInputNote();
    const CCharString lost = m_host.GetCaptureError();
    if (!lost.IsEmpty()) {
        note.Reset();
        note.m_volume = 0.0f;
        m_status.SetText(lost);
    }
    m_fields.Show(note);
    if (m_recording && note.m_volume >= kTooLoud)
        m_status.SetText("Too loud");
}

CCharString CSamplerDlg::GetSamplePath() const {
    const QString name = m_sample ? m_sample->text().trimmed() : QString();
    // The name becomes a folder under the samples folder, and nothing else.
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/') || name.contains('\\'))
        return CCharString();
    return MakeStringedSampleName(m_host.GetSamplesFolder(), name.toUtf8().constData(),
                                  m_string.GetSelectedValue(), m_fret.GetSelectedValue());
}

bool CSamplerDlg::ToggleRecording() {
    return m_recording ? StopRecording() : StartRecording();
}

bool CSamplerDlg::StartRecording() {
    const CCharString path = GetSamplePath();
    if (path.IsEmpty())
        return Say("Type the name of the sample set first: a name without \"/\" or \"\\\".");
    std::error_code error;
    const std::filesystem::path file(path.GetText());
    if (std::filesystem::exists(file, error)) {
        CCharString question;
        question.Format("%s already exists.\nDo you want to record it again?", path.GetText());
        if (!ShowMessageBox(this, question, kTitle, MB_ICON_QUESTION, true))
            return false;
    }
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) {
        CCharString text;
        text.Format("Can't make the folder %s: %s", file.parent_path().c_str(),
                    error.message().c_str());
        return Say(text);
    }
    CCharString why;
    if (!m_host.StartRecording(path, why))
        return Say(why);
    m_path = path;
    m_recording = true;
    m_status.SetText("Recording");
    return true;
}

bool CSamplerDlg::StopRecording() {
    m_recording = false;
    m_status.SetText("Stopped");
    CCharString why;
    if (!m_host.StopRecording(why))
        return Say(why), true;
    if (!NormalizeFile(m_path, kPeakLevel, why) ||
        !TrimFile(m_path, kTrimThreshold, kLongestSeconds, nullptr, why))
        Say(why);
    return true;
}

bool CSamplerDlg::Say(const char* text) {
    m_status.SetText(text);
    ShowMessageBox(this, text, kTitle, MB_ICON_STOP);
    return false;
}

CCharString CSamplerDlg::GetText(CONTROL id) const {
    switch (id) {
    case kIdNote:
        return m_fields.note.GetText();
    case kIdFrequency:
        return m_fields.frequency.GetText();
    case kIdDiff:
        return m_fields.diff.GetText();
    case kIdVolume:
        return m_fields.volume.GetText();
    case kIdStatus:
        return m_status.GetText();
    default:
        return CCharString();
    }
}

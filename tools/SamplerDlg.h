#pragma once

#include "core/CharString.h"
#include "core/Settings.h"
#include "tools/TunerDlg.h"
#include "ui/BaseWindow.h"
#include "ui/Controls.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

// What the Sample Recorder asks of the application beyond what the Tuner does.
class CSamplerHost : public CTunerHost {
public:
    // Records the sound input into path at 44,100 Hz, 16 bits, one channel; false with the
    // reason in error.
    virtual bool StartRecording(const char* path, CCharString& error) = 0;
    // Ends the recording and closes its file; the input goes on being heard.
    virtual bool StopRecording(CCharString& error) = 0;
    // The folder that holds one folder per sample set.
    virtual CCharString GetSamplesFolder() const = 0;
};

// The Sample Recorder (kind 14, modal): records one sample of a stringed instrument's set, the
// file named by the set ("Sample"), the string and the fret so that the set loads as the
// instruments' own do. While open it shows what the input hears as the Tuner does; a stopped
// recording is normalised and trimmed in place. An existing sample is only recorded again
// when the user says so.
class CSamplerDlg : public CBaseWindow {
    Q_OBJECT
public:
    enum CONTROL : int {
        kIdNote = 1,
        kIdFrequency,
        kIdDiff,
        kIdVolume,
        kIdStatus,
        kIdSample = 10,
        kIdString,
        kIdFret,
        kIdRecord,
    };
    static constexpr const char* kTitle = "Sample Recorder";
    static constexpr int kTimerMs = 100;
    // The level is a float: 0.95 as a double lies above the float nearest to it.
    static constexpr float kTooLoud = 0.95f;
    static constexpr float kPeakLevel = 0.7f;
    static constexpr float kTrimThreshold = 0.05f;
    static constexpr float kLongestSeconds = 5.0f;

    CSamplerDlg(CSamplerHost& host, WND_SETTINGS* record, QWidget* parent = nullptr);
    ~CSamplerDlg() override;
    static WND_RECT DefaultRect();

    // Starts or stops recording; returns whether it changed state. Stopping cleans the file up.
    bool ToggleRecording();
    // Shows what the latest input note says (the 100 ms tick).
    void Refresh();
    // The file the chosen set, string and fret record into; empty when the name cannot be one.
    CCharString GetSamplePath() const;

    bool IsRecording() const { return m_recording; }
    CCharString GetText(CONTROL id) const;
    QLineEdit* SampleField() const { return m_sample; }
    QComboBox* StringList() const { return m_stringCombo; }
    QComboBox* FretList() const { return m_fretCombo; }
    QPushButton* RecordButton() const { return m_record; }

    bool OnInitDialog() override;
    bool OnShow(bool show) override;
    bool OnDestroyed() override;
    bool OnCommand(int id, int code) override;
    // Escape closes the dialog rather than minimising it.
    bool OnCancel() override;

private:
    bool Say(const char* text);
    bool StartRecording();
    bool StopRecording();
    void Close();

    CSamplerHost& m_host;
    INPUT_FIELDS m_fields;
    CTextWrapper m_status;
    CListWrapper m_string, m_fret;
    QLineEdit* m_sample = nullptr;
    QComboBox* m_stringCombo = nullptr;
    QComboBox* m_fretCombo = nullptr;
    QPushButton* m_record = nullptr;
    QTimer* m_timer = nullptr;
    CCharString m_path;
    bool m_recording = false;
};

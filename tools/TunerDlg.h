#pragma once

#include "core/Settings.h"
#include "theory/Note.h"
#include "theory/NoteList.h"
#include "ui/BaseWindow.h"
#include "ui/Controls.h"

class CNoteManager;
class QGridLayout;
class QProgressBar;
class QTimer;
class CTunerHost;

// What the sound input hears, as the Tuner and the Sample Recorder show it: four read-only
// fields and a vertical level bar.
struct INPUT_FIELDS {
    CTextWrapper note, frequency, diff, volume;
    CProgressBar bar;
    QProgressBar* barControl = nullptr;

    // "Note", "Frequency" (Hz), "Diff." (Hz) and "Volume" (%) in rows 0 to 3 of columns 0 to 2,
    // and the bar labelled "Input" in column 3.
    void Build(QWidget* owner, QGridLayout* layout);
    // Positions 0 to 20 for 0.0 to 1.0, the loud colour above 0.9; at 0.
    void ResetBar();
    // The level, the measured frequency, the nearest note and the distance from it.
    void Show(const CNote& note);

    // Whether the window hears the input now.
    bool hearing = false;
    // Starts capture through host, the bar at 0 and the refresh timer running; false with the
    // message for the user in error.
    bool StartHearing(CTunerHost& host, QTimer* timer, CCharString& error);
    // Stops the timer and capture; false when nothing was being heard.
    bool StopHearing(CTunerHost& host, QTimer* timer);
};

// What the Tuner asks of the application.
class CTunerHost {
public:
    virtual ~CTunerHost() = default;
    // Starts capture, readying it first when nothing did; false with the reason in error.
    virtual bool StartCapture(CCharString& error) = 0;
    virtual void StopCapture() = 0;
    // A copy of the latest input note, its names, octave and exact frequency filled.
    virtual CNote GetLatestInputNote() const = 0;
    // Empty while capture works, else what went wrong (the device went away).
    virtual CCharString GetCaptureError() const = 0;
    virtual CNoteManager& GetNoteManager() = 0;
};

// A strip of cents from -50 to +50 with a needle at the deviation, green within the in-tune
// band; empty while no pitch is heard.
class CCentsStrip : public QWidget {
    Q_OBJECT
public:
    explicit CCentsStrip(QWidget* parent = nullptr);
    // NAN: no pitch.
    void SetCents(double cents);
    double GetCents() const { return m_cents; }
    QSize sizeHint() const override { return QSize(260, 46); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    double m_cents;
};

// The Tuner (kind 13): what the sound input hears, every 100 ms: the level as a number and a
// bar, the measured frequency, the nearest note and the measured frequency's distance from it
// in Hz; beside them the distance in cents on a strip, the nearest string of the guitar (or,
// below it, of the bass) and whether the note is in tune. Showing the window starts capture
// (the window stays closed when that fails); hiding or closing it stops capture.
class CTunerDlg : public CBaseWindow {
    Q_OBJECT
public:
    enum FIELD : int { kIdNote = 1, kIdFrequency, kIdDiff, kIdVolume, kIdString };
    static constexpr int kTimerMs = 100;
    // Within this many cents a note is in tune.
    static constexpr double kInTuneCents = 3.0;
    static constexpr QRgb kBarColour = 0xFF0000C0;
    static constexpr QRgb kLoudColour = 0xFFC00000;

    explicit CTunerDlg(CTunerHost& host, QWidget* parent = nullptr);
    ~CTunerDlg() override;
    // Where the window opens first, in the main window's area.
    static WND_RECT DefaultRect();

    // Shows what the latest input note says (the 100 ms tick).
    void Refresh();
    CCharString GetText(FIELD id) const;
    QColor GetBarColour() const { return m_fields.bar.GetBarColor(); }
    int GetBarPosition() const;
    // NAN while no pitch is heard.
    double GetCents() const { return m_strip ? m_strip->GetCents() : 0.0; }
    bool IsInTune() const { return m_inTune; }
    WND_SETTINGS& GetPlacementRecord() { return m_record; }

    bool OnInitDialog() override;
    bool OnShow(bool show) override;
    bool OnDestroyed() override;

private:
    void Close();

    CTunerHost& m_host;
    WND_SETTINGS m_record;
    CNoteList m_guitar;
    CNoteList m_bass;
    INPUT_FIELDS m_fields;
    CTextWrapper m_string;
    CCentsStrip* m_strip = nullptr;
    QTimer* m_timer = nullptr;
    bool m_inTune = false;
};

#pragma once

#include <functional>
#include <vector>

#include "core/CharString.h"
#include "core/Settings.h"
#include "theory/Thing.h"
#include "ui/BaseWindow.h"
#include "ui/Controls.h"

class CMix;
class QLabel;
class QPushButton;
class QScrollArea;
class QSlider;

// One row of the Mixer: a band thing with its label, volume slider and pan slider, and the
// dialog identifiers of the three controls.
struct MIXER_ROW {
    THING thing;
    const char* label; // null: the short drum name of the thing
    int volumeId;
    int panId;
    int labelId; // 0: a fixed label
};

// The Mixer (kind 10): a volume and a pan slider for each instrument of the band and each drum
// of the kit, backed by the application's mix. Every slider movement and OK write the sliders
// into the mix, so the next composed song plays with them; "Reset" puts the default mix back
// after asking. Cancel and the close box hide the window.
class CMixerDlg : public CBaseWindow {
    Q_OBJECT
public:
    enum CONTROL : int {
        kIdOk = 1,
        kIdCancel = 2,
        kIdReset = 1135,
    };
    // The row list holds at most this many rows and ends at the first row whose thing is 0.
    static constexpr int kMaxRows = 100;
    static constexpr int kVolumeMin = 0, kVolumeMax = 100;
    static constexpr int kPanMin = -50, kPanMax = 50;
    static constexpr int kPageSize = 10;
    static constexpr const char* kResetText =
        "This will set the mix to default.\nDo you want to continue?";
    static constexpr const char* kResetCaption = "Reset the mix";

    // Asks the user a Yes/No question; true for Yes. The Mixer asks through ShowMessageBox
    // unless another answerer is given.
    using CONFIRM = std::function<bool(const char* text, const char* caption, int icon)>;

    // mix: the mix the sliders edit (may be null: the sliders then only move). record: the
    // window's placement in the settings.
    CMixerDlg(CMix* mix, WND_SETTINGS* record, QWidget* parent = nullptr);
    ~CMixerDlg() override;

    // The frame's size that shows every control without scrolling: the window's place when
    // no rectangle was saved is 0, 0 at this size.
    QSize NaturalFrameSize();
    // The Mixer's label for a drum piece: "Bass", "Hi-hat", "Tom 3", ..., "Drum %d" for any
    // other thing.
    static CCharString ShortDrumName(THING thing);
    // The rows, top to bottom, up to the terminating row with thing 0.
    static const MIXER_ROW* GetRowTable();

    void SetConfirm(CONFIRM confirm) { m_confirm = std::move(confirm); }

    // For each mix entry in the mix's order, moves the sliders of the row with the entry's
    // thing to the entry's volume and pan; entries without a row are skipped.
    bool LoadSliders();
    // Writes every row's volume and pan into the mix.
    bool ApplySliders();
    // Asks first; on Yes resets the mix to its defaults and loads the sliders again. Returns
    // whether the mix was reset.
    bool ResetMix();

    int GetRowCount() const { return m_rowCount; }
    // The row of a thing, or -1.
    int FindRow(THING thing) const;
    THING GetRowThing(int row) const;
    CTrackBar& Volume(int row);
    CTrackBar& Pan(int row);
    QSlider* VolumeSlider(int row) const;
    QSlider* PanSlider(int row) const;
    QLabel* Label(int row) const;
    QPushButton* Button(CONTROL id) const;
    CMix* GetMix() const { return m_mix; }

    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnAccept() override;
    bool OnCancel() override;
    bool OnShow(bool show) override;

private:
    struct ROW_CONTROLS {
        CTrackBar volume;
        CTrackBar pan;
        QLabel* label = nullptr;
    };
    void BuildControls();
    void OnSliderMoved();
    // Moves a slider to the position nearest the value, so that a mix read from a file and
    // written back unchanged keeps its two decimals.
    static void SetNearest(QSlider* slider, double value, int a, int b, double f0, double f1);

    CMix* m_mix;
    CONFIRM m_confirm;
    int m_rowCount = 0;
    std::vector<ROW_CONTROLS> m_rows;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_panel = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_reset = nullptr;
    // Set while the sliders are moved from the mix: those moves are not the user's.
    bool m_loading = false;
    // No rectangle was saved: the first show sizes the window to its controls.
    bool m_fitPending = false;
    QSize m_fitSize;
};

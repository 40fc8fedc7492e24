#pragma once

#include "core/CharString.h"
#include "core/VarList.h"
#include "sound/Render.h"
#include "sound/SoundInfo.h"
#include "ui/BaseWindow.h"
#include "ui/Controls.h"

class QLineEdit;
class QListWidget;
class QPushButton;

// What the Generator asks of the application.
class CGeneratorHost {
public:
    virtual ~CGeneratorHost() = default;
    virtual CGenerator& GetGenerator() = 0;
    // Plays the sample once through the sound engine; false with the reason in error.
    virtual bool PlaySample(const CSoundInfo& sample, CCharString& error) = 0;
};

// The Generator (kind 16): builds a tone from a base tone (frequency, envelope, sustain levels)
// and a list of harmonics (frequency multiplier, volume multiplier, pan), saves it as
// "Generated.wav" in the WAVE folder and plays it. A field that does not hold a fitting number
// is named in a message and nothing changes.
class CGeneratorDlg : public CBaseWindow {
    Q_OBJECT
public:
    enum CONTROL : int {
        kIdFrequency = 1,
        kIdAttack,
        kIdDecay,
        kIdSustain,
        kIdRelease,
        kIdSustainFrom,
        kIdSustainTo,
        kIdOctaves,
        kIdVolume,
        kIdPan,
        kIdFieldCount, // the fields come before this
        kIdList = 20,
        kIdAdd,
        kIdChange,
        kIdDelete,
        kIdPlay,
    };
    static constexpr const char* kTitle = "Generator";
    // The list's tab stops in dialog units.
    static constexpr int kTabStops[2] = {30, 58};

    CGeneratorDlg(CGeneratorHost& host, WND_SETTINGS* record, QWidget* parent = nullptr);
    // Where the window opens when no rectangle was saved, in the main window's area.
    static WND_RECT DefaultRect();

    // "%0.2f\t%0.2f\t%-0.2f" of a harmonics row.
    static CCharString FormatRow(const GEN_HARMONIC& row);

    // The buttons' actions; each returns whether it changed anything (Play: whether it played).
    bool AddRow();
    bool ChangeRow();
    bool DeleteRow();
    bool Play();

    const CVarList<GEN_HARMONIC>& GetRows() const { return m_rows; }
    // -1 when no row is selected.
    int GetSelectedRow() const;
    void SelectRow(int row);
    QLineEdit* Field(CONTROL id) const;
    QListWidget* List() const { return m_list; }
    QPushButton* Button(CONTROL id) const;
    // The tone the last Play generated.
    const CSoundInfo& GetLastSample() const { return m_lastSample; }

    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    // Reads a field as a number within its range; otherwise says which field is wrong.
    bool ReadField(CONTROL id, double& value);
    bool ReadBase(GEN_BASE_TONE& base);
    bool ReadRow(GEN_HARMONIC& row);
    void FillList(int select);
    void RowSelected();
    bool Say(const char* text);

    CGeneratorHost& m_host;
    CVarList<GEN_HARMONIC> m_rows;
    QLineEdit* m_fields[kIdFieldCount] = {};
    QListWidget* m_list = nullptr;
    QPushButton* m_buttons[4] = {};
    CSoundInfo m_lastSample;
};

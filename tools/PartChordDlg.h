#pragma once

#include <QDialog>

#include "theory/Chord.h"
#include "ui/Controls.h"

class CNoteManager;
class CSongPart;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// "Song Part's Chord": a chord of a part, either on a degree of the part's scale ("Scale Chord":
// degree and chord group) or given outright ("Specific Chord": root, accidental, chord type),
// held for a number of groove repeats. OK writes the chord; Cancel writes nothing.
class CPartChordDlg : public QDialog {
    Q_OBJECT
public:
    enum CONTROL : int {
        kIdScaleMode = 1669,
        kIdSpecificMode = 1606,
        kIdPartScale = 1660,
        kIdDegree = 1594,
        kIdGroup = 1604,
        kIdChordLabel = 1653,
        kIdRoot = 1361,
        kIdAccidental = 1342,
        kIdType = 1353,
        kIdRepeat = 1383,
    };
    enum MODE { kScaleChord, kSpecificChord };

    // A chord with a degree opens in the scale mode, one with a chord type in the specific
    // mode; a new chord (neither) opens on the triad of degree 1.
    CPartChordDlg(CChord& chord, const CSongPart& part, CNoteManager& manager,
                  QWidget* owner = nullptr);

    MODE GetMode() const;
    QRadioButton* ModeButton(MODE mode) const;
    CListWrapper& List(CONTROL id);
    QString GetLabel(CONTROL id) const;
    QLineEdit* GetRepeatEdit() const { return m_repeat; }
    QDialogButtonBox* GetButtons() const { return m_buttons; }

    void accept() override;

private:
    void UpdateChordLabel();
    void UpdateEnabled();
    bool BuildScaleChord(CChord& chord);

    CChord& m_chord;
    const CSongPart& m_part;
    CNoteManager& m_manager;
    QRadioButton* m_scaleMode = nullptr;
    QRadioButton* m_specificMode = nullptr;
    QLabel* m_partScale = nullptr;
    QLabel* m_chordLabel = nullptr;
    QLineEdit* m_repeat = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    CListWrapper m_degree, m_group, m_root, m_accidental, m_type;
};

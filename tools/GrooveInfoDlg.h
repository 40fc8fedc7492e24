#pragma once

#include <QDialog>
#include <vector>

#include "core/CharString.h"
#include "song/Song.h"

class QComboBox;
class QDialogButtonBox;
class QLineEdit;

// "Groove Info": a groove's style, name, time signature, length in measures, description and
// copyright. OK checks the fields and writes them to the header; a refusal keeps the dialog open
// and Cancel writes nothing.
class CGrooveInfoDlg : public QDialog {
    Q_OBJECT
public:
    enum CONTROL : int {
        kIdStyle = 1596,
        kIdName = 1349,
        kIdNumerator = 1398,
        kIdDenominator = 1404,
        kIdBars = 1414,
        kIdDescription = 1363,
        kIdCopyright = 1388,
    };
    static constexpr int kMaxMeasures = 4;

    // styles: offered in the Style list, which also takes a new name.
    CGrooveInfoDlg(SONG_HEADER& header, const std::vector<CCharString>& styles,
                   QWidget* owner = nullptr);

    QLineEdit* Edit(CONTROL id) const;
    QComboBox* GetStyleCombo() const { return m_style; }
    QDialogButtonBox* GetButtons() const { return m_buttons; }

    void accept() override;

private:
    SONG_HEADER& m_header;
    QComboBox* m_style = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

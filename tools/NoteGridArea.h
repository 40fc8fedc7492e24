#pragma once

#include "tools/NoteArea.h"

class CNoteGridWnd;
class QCheckBox;
class QStackedWidget;

// The Song Editor's note area: the groove's drums, bass, rhythm and lead, each as a note grid or,
// with its "Staff" box checked, as a staff. Every edit in a view marks the groove changed; the
// views' "Add measure to the end" and "Delete last measure" go to the editor, which owns the
// groove's length.
class CNoteGridArea : public CNoteArea {
    Q_OBJECT
public:
    enum VIEW : int { kDrums = 0, kBass = 1, kRhythm = 2, kLead = 3, kViews = 4 };

    explicit CNoteGridArea(QWidget* parent = nullptr);

    void SetGroove(const CSong& groove) override;
    bool GetGroove(CSong& groove) const override;
    bool IsChanged() const override;
    void ClearChanged() override;

    // The view now shown for an instrument: its grid or its staff.
    CNoteGridWnd* GetView(VIEW view) const;
    QCheckBox* GetStaffBox(VIEW view) const { return m_parts[view].staffBox; }
    // Shows an instrument as a staff or as a grid; the notes and their changes go along.
    void SetStaff(VIEW view, bool staff);

private:
    struct PART {
        CNoteGridWnd* grid = nullptr;
        CNoteGridWnd* staff = nullptr;
        QStackedWidget* stack = nullptr;
        QCheckBox* staffBox = nullptr;
        int track = -1; // the groove's track shown, -1 when it has none
    };
    // Lays a track's notes into both forms of a view.
    void ShowTrack(VIEW view);

    CSong m_groove;
    PART m_parts[kViews];
};

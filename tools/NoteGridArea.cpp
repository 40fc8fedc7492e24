#include "tools/NoteGridArea.h"

#include "tools/StaffWnd.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* kTitles[CNoteGridArea::kViews] = {"Drums", "Bass", "Rhythm", "Lead"};
constexpr THING kInstruments[CNoteGridArea::kViews] = {THING_DRUM_SET, THING_BASS_GUITAR,
                                                       THING_RHYTHM_GUITAR, THING_LEAD_GUITAR};

} // namespace

CNoteGridArea::CNoteGridArea(QWidget* parent) : CNoteArea(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int v = 0; v < kViews; ++v) {
        PART& part = m_parts[v];
        switch (v) {
        case kDrums:
            part.grid = new CDrumGridWnd(this);
            part.staff = new CDrumStaffWnd(this);
            break;
        case kBass:
            part.grid = new CBassGridWnd(this);
            part.staff = new CBassStaffWnd(this);
            break;
        case kRhythm:
            part.grid = new CRhythmGridWnd(this);
            part.staff = new CRhythmStaffWnd(this);
            break;
        default:
            part.grid = new CLeadGridWnd(this);
            part.staff = new CLeadStaffWnd(this);
            break;
        }
        auto* title = new QLabel(kTitles[v], this);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        part.staffBox = new QCheckBox(tr("Staff"), this);
        part.staffBox->setToolTip(tr("Shows the notes on a staff instead of the grid"));
        auto* bar = new QHBoxLayout;
        bar->addWidget(title);
        bar->addWidget(part.staffBox);
        bar->addStretch(1);
        layout->addLayout(bar);

        part.stack = new QStackedWidget(this);
        for (CNoteGridWnd* wnd : {part.grid, part.staff}) {
            part.stack->addWidget(wnd);
            connect(wnd, &CNoteGridWnd::MeasureCommand, this, &CNoteArea::Command);
        }
        // The drum grid has the most rows; each view gets room by its rows.
        layout->addWidget(part.stack, part.grid->GetGrid().GetRowCount() + 4);
        connect(part.staffBox, &QCheckBox::toggled, this,
                [this, v](bool staff) { SetStaff(static_cast<VIEW>(v), staff); });
    }
}

CNoteGridWnd* CNoteGridArea::GetView(VIEW view) const {
    const PART& part = m_parts[view];
    return part.staffBox->isChecked() ? part.staff : part.grid;
}

void CNoteGridArea::SetGroove(const CSong& groove) {
    m_groove = groove;
    for (int v = 0; v < kViews; ++v) {
        m_parts[v].track = -1;
        for (int t = 0; t < groove.GetTrackCount() && m_parts[v].track < 0; ++t)
            if (groove[t].m_instrument == kInstruments[v])
                m_parts[v].track = t;
        ShowTrack(static_cast<VIEW>(v));
    }
    ClearChanged();
}

void CNoteGridArea::ShowTrack(VIEW view) {
    const PART& part = m_parts[view];
    const CNoteList none;
    const CNoteList& notes = part.track >= 0 ? m_groove[part.track].m_notes : none;
    CNoteGridWnd* shown = GetView(view);
    // A note the view has no row for stays in the groove all the same; the user is told.
    if (!shown->SetNotes(m_groove.m_header, notes, kInstruments[view]))
        ShowMessageBox(this, shown->GetGrid().GetError(), kTitles[view], MB_ICON_WARNING);
}

void CNoteGridArea::SetStaff(VIEW view, bool staff) {
    PART& part = m_parts[view];
    if (part.staffBox->isChecked() != staff) {
        part.staffBox->setChecked(staff); // comes back here through the box's signal
        return;
    }
    CNoteGridWnd* from = staff ? part.grid : part.staff;
    CNoteGridWnd* to = staff ? part.staff : part.grid;
    CNoteList notes;
    from->GetNotes(notes);
    to->SetNotes(m_groove.m_header, notes, kInstruments[view]);
    to->GetGrid().SetChanged(from->IsChanged());
    from->ClearChanged();
    part.stack->setCurrentWidget(to);
}

bool CNoteGridArea::GetGroove(CSong& groove) const {
    groove = m_groove;
    for (int v = 0; v < kViews; ++v) {
        CNoteList notes;
        GetView(static_cast<VIEW>(v))->GetNotes(notes);
        int track = m_parts[v].track;
        if (track < 0) {
            if (notes.IsEmpty())
                continue;
            CTrack added;
            added.m_instrument = kInstruments[v];
            added.m_name = kTitles[v];
            added.m_header = groove.m_header;
            groove.AddTrack(added);
            track = groove.GetTrackCount() - 1;
        }
        groove[track].m_notes = notes;
    }
    return true;
}

bool CNoteGridArea::IsChanged() const {
    for (const PART& part : m_parts)
        if (part.grid->IsChanged() || part.staff->IsChanged())
            return true;
    return false;
}

void CNoteGridArea::ClearChanged() {
    for (PART& part : m_parts) {
        part.grid->ClearChanged();
        part.staff->ClearChanged();
    }
}

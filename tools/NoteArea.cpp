#include "tools/NoteArea.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>

#include "theory/NoteManager.h"
#include "theory/Thing.h"

namespace {

constexpr THING kInstruments[4] = {THING_DRUM_SET, THING_BASS_GUITAR, THING_RHYTHM_GUITAR,
                                   THING_LEAD_GUITAR};
constexpr const char* kTitles[4] = {"Drums", "Bass", "Rhythm", "Lead"};

bool IsDrum(THING thing) {
    return thing != THING_NONE && thing <= THING_CHINESE_CYMBAL_2;
}

// A drum hit is named by its piece, a pitched note by its name and octave.
QString NoteName(const CNote& note) {
    QString what;
    if (IsDrum(note.m_thing))
        what = GetThingName(note.m_thing);
    else if (note.m_midi == 254)
        what = "strum";
    else if (note.HasPitch())
        what = QString("%1%2 (%3)")
                   .arg(GetSharpName(note.m_midi))
                   .arg(note.m_midi / 12 - 1)
                   .arg(note.m_midi);
    else
        what = "-";
    return what;
}

} // namespace

CNoteListArea::CNoteListArea(QWidget* parent) : CNoteArea(parent) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        auto* title = new QLabel(kTitles[i], this);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        layout->addWidget(title, 2 * (i / 2), i % 2);
        m_views[i] = new QTreeWidget(this);
        m_views[i]->setHeaderLabels({tr("Time"), tr("Note"), tr("Length"), tr("Volume")});
        m_views[i]->setRootIsDecorated(false);
        m_views[i]->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        m_views[i]->setToolTip(tr("The groove's notes: time and length in seconds"));
        m_views[i]->setContextMenuPolicy(Qt::CustomContextMenu);
        layout->addWidget(m_views[i], 2 * (i / 2) + 1, i % 2);
        connect(m_views[i], &QTreeWidget::customContextMenuRequested, this,
                [this, i](const QPoint& at) {
                    QMenu menu(this);
                    menu.setTitle("Note Grid");
                    connect(menu.addAction("Add measure to the end"), &QAction::triggered, this,
                            [this] { emit Command(kCmdAddMeasure); });
                    connect(menu.addAction("Delete last measure"), &QAction::triggered, this,
                            [this] { emit Command(kCmdDeleteLastMeasure); });
                    menu.exec(m_views[i]->viewport()->mapToGlobal(at));
                });
    }
}

QTreeWidget* CNoteListArea::GetView(THING instrument) const {
    for (int i = 0; i < 4; ++i)
        if (kInstruments[i] == instrument)
            return m_views[i];
    return nullptr;
}

void CNoteListArea::SetGroove(const CSong& groove) {
    m_groove = groove;
    for (int i = 0; i < 4; ++i) {
        m_views[i]->clear();
        for (int t = 0; t < groove.GetTrackCount(); ++t) {
            if (groove[t].m_instrument != kInstruments[i])
                continue;
            for (const CNote& note : groove[t].m_notes) {
                auto* row = new QTreeWidgetItem(m_views[i]);
                row->setText(0, QString::number(note.m_time, 'f', 3));
                row->setText(1, NoteName(note));
                row->setText(2, QString::number(note.m_duration, 'f', 3));
                row->setText(3, QString::number(note.m_volume, 'f', 2));
            }
        }
    }
}

bool CNoteListArea::GetGroove(CSong& groove) const {
    groove = m_groove;
    return true;
}

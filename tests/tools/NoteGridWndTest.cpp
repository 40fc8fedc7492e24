#include "tools/NoteGridWnd.h"
#include "song/MidiFile.h"
#include "tools/StaffWnd.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <functional>

namespace {

SONG_HEADER Header() {
    SONG_HEADER header;
    header.SetBeatTime(0.5);
    header.measureCount = 1;
    return header;
}

QPoint Centre(const CNoteGridWnd& grid, const CELL_REF& at) {
    return grid.CellRect(at).center();
}

// Right-clicks at a point, checks the menu that opens and picks the item with that id.
QStringList PickFromMenu(CNoteGridWnd& window, QPoint at, int id) {
    QStringList items;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        items << menu->title();
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) {
                items << QString("%1 [%2]").arg(action->text()).arg(action->data().toInt());
                if (action->data().toInt() == id)
                    chosen = action;
            }
        if (chosen != nullptr)
            chosen->trigger();
        menu->close();
    });
    QTest::mouseClick(&window, Qt::RightButton, {}, at);
    return items;
}

bool LoadGroove(const char* name, CSong& song) {
    CMidiFile file;
    file.SetTraceEnabled(false);
    return file.Load((std::string(MA_RUNTIME_DIR) + "/Grooves/" + name).c_str(), song);
}

} // namespace

TEST(NoteGridWnd, ClickDragAndWheelEditTheNotes) {
    CDrumGridWnd grid;
    grid.resize(640, 300);
    grid.SetNotes(Header(), CNoteList(), THING_DRUM_SET);
    grid.show();
    const int snare = grid.GetGrid().FindRowOfNote(38);
    int changes = 0;
    QObject::connect(&grid, &CNoteGridWnd::Changed, [&] { ++changes; });

    QTest::mouseClick(&grid, Qt::LeftButton, {}, Centre(grid, {snare, 1, 0}));
    QTest::mousePress(&grid, Qt::LeftButton, {}, Centre(grid, {snare, 2, 0}));
    QTest::mouseMove(&grid, Centre(grid, {snare, 2, 3}));
    QTest::mouseRelease(&grid, Qt::LeftButton, {}, Centre(grid, {snare, 2, 3}));
    QWheelEvent wheel(Centre(grid, {snare, 2, 1}), grid.mapToGlobal(Centre(grid, {snare, 2, 1})),
                      QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&grid, &wheel);

    CNoteList notes;
    grid.GetNotes(notes);
    ASSERT_EQ(notes.GetCount(), 2);
    EXPECT_DOUBLE_EQ(notes[0].m_time, 0.5);
    EXPECT_DOUBLE_EQ(notes[0].m_duration, 0.125);
    EXPECT_EQ(notes[0].m_thing, THING_SNARE_DRUM);
    EXPECT_DOUBLE_EQ(notes[1].m_time, 1.0);
    EXPECT_DOUBLE_EQ(notes[1].m_duration, 0.5) << "dragged over the whole beat";
    EXPECT_NEAR(notes[1].m_volume, 0.85, 1e-6);
    EXPECT_TRUE(grid.IsChanged());
    EXPECT_GE(changes, 3);

    QTest::mouseClick(&grid, Qt::LeftButton, {}, Centre(grid, {snare, 1, 0}));
    grid.GetNotes(notes);
    EXPECT_EQ(notes.GetCount(), 1) << "a second click takes the note out";
}

TEST(NoteGridWnd, RepeatThenClearABeatThroughTheMenu) {
    CDrumGridWnd grid;
    grid.resize(640, 300);
    CNoteList notes;
    for (auto [time, key] : {std::pair{0.0, 36}, {0.0, 42}, {0.25, 42}, {0.5, 38}}) {
        CNote note;
        note.m_time = time;
        note.m_duration = 0.125;
        note.m_midi = key;
        notes.Add(note);
    }
    ASSERT_TRUE(grid.SetNotes(Header(), notes, THING_DRUM_SET));
    grid.show();
    const CNoteGrid& cells = grid.GetGrid();
    const int hihat = cells.FindRowOfNote(42), kick = cells.FindRowOfNote(36);

    const QStringList menu =
        PickFromMenu(grid, Centre(grid, {hihat, 0, 1}), CNoteGridWnd::kCmdRepeatBeatAll);
    EXPECT_EQ(menu, QStringList({"Note Grid", "Set triplets [1442]", "Remove triplets [1444]",
                                 "Add measure to the end [1461]", "Delete last measure [1460]",
                                 "Repeat beat to the end (this row only) [1533]",
                                 "Repeat beat to the end (all rows) [1534]",
                                 "Clear this row (all beats) [1536]",
                                 "Clear this beat (all rows) [1538]"}));
    PickFromMenu(grid, Centre(grid, {kick, 2, 3}), CNoteGridWnd::kCmdClearBeat);

    // Every beat but the cleared third now holds the first beat: kick and hi-hat on the beat,
    // hi-hat on its "and"; the snare of the second beat was written over.
    for (int r = 0; r < cells.GetRowCount(); ++r)
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < 4; ++c) {
                const bool hit =
                    b != 2 && ((r == kick && c == 0) || (r == hihat && (c == 0 || c == 2)));
                EXPECT_EQ(cells.GetCell({r, b, c}).m_state, hit ? CELL_SINGLE : CELL_EMPTY)
                    << cells.GetRow(r).m_name.GetText() << " beat " << b << " cell " << c;
            }
}

TEST(StaffWnd, NoteStaffMenuMarksTheNote) {
    CLeadStaffWnd staff;
    staff.resize(640, 200);
    CNoteList notes;
    CNote note;
    note.m_time = 0.0;
    note.m_duration = 0.5;
    note.m_midi = 60;
    notes.Add(note);
    ASSERT_TRUE(staff.SetNotes(Header(), notes, THING_LEAD_GUITAR));
    staff.show();
    const int c4 = staff.GetGrid().FindRowOfNote(60);
    const QPoint head(staff.HeadX({c4, 0, 0}), staff.StepY(staff.RowStep(c4)));
    const QStringList menu = PickFromMenu(staff, head, CNoteGridWnd::kCmdSharp);
    EXPECT_EQ(menu,
              QStringList({"Note Staff", "Sharp [1232]", "Flat [1234]", "Natural [1235]",
                           "None [1258]", "Accented [1247]", "Ghost note [1249]", "Muted [1250]",
                           "Normal [1252]", "Staccato [1253]", "Legato [1254]"}));
    PickFromMenu(staff, head, CNoteGridWnd::kCmdAccented);
    staff.GetNotes(notes);
    ASSERT_EQ(notes.GetCount(), 1);
    EXPECT_EQ(notes[0].m_midi, 61);
    EXPECT_FLOAT_EQ(notes[0].m_volume, 1.0f);
    EXPECT_TRUE(staff.IsChanged());
}

// Every note of a groove gets a head where its row's line or space meets its start. With
// MA_SCREENSHOTS set, the four grids and four staffs are written there as pictures.
TEST(StaffWnd, HeadsStandWhereTheNotesAre) {
    const QString folder = qEnvironmentVariable("MA_SCREENSHOTS");
    for (const char* name : {"Rock/3 Rock.mid", "Blues/1 Shuffle.mid", "Folk/1 Jig.mid"}) {
        CSong song;
        ASSERT_TRUE(LoadGroove(name, song)) << name;
        QImage sheet(900, 4 * 260, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter sheetPainter(&sheet);
        for (int t = 0; t < song.GetTrackCount(); ++t) {
            const CTrack& track = song[t];
            const GRID_KIND kind = track.IsDrumSet()                           ? GRID_DRUMS
                                   : track.m_instrument == THING_BASS_GUITAR   ? GRID_BASS
                                   : track.m_instrument == THING_RHYTHM_GUITAR ? GRID_RHYTHM
                                                                               : GRID_LEAD;
            CNoteGridWnd grid(kind, false);
            CStaffWnd staff(kind);
            grid.resize(450, kind == GRID_DRUMS ? 260 : 120);
            staff.resize(450, 200);
            ASSERT_TRUE(grid.SetNotes(song.m_header, track.m_notes, track.m_instrument));
            ASSERT_TRUE(staff.SetNotes(song.m_header, track.m_notes, track.m_instrument));
            QImage picture(staff.size(), QImage::Format_RGB32);
            QPainter painter(&picture);
            staff.Render(painter);
            painter.end();
            const CNoteGrid& cells = staff.GetGrid();
            for (int r = 0; r < cells.GetRowCount(); ++r)
                for (const CELL_REF& at : cells.RowCells(r)) {
                    if (!cells.GetCell(at).IsStart())
                        continue;
                    const int x = staff.HeadX(at), y = staff.StepY(staff.RowStep(r));
                    bool dark = false;
                    for (int dx = -3; dx <= 3; ++dx)
                        for (int dy = -2; dy <= 2; ++dy)
                            dark |= qGray(picture.pixel(x + dx, y + dy)) < 100;
                    EXPECT_TRUE(dark) << name << " " << cells.GetRow(r).m_name.GetText() << " beat "
                                      << at.beat << " cell " << at.cell;
                }
            QImage gridPicture(grid.size(), QImage::Format_RGB32);
            QPainter gridPainter(&gridPicture);
            grid.Render(gridPainter);
            gridPainter.end();
            sheetPainter.drawImage(0, t * 260, gridPicture);
            sheetPainter.drawImage(450, t * 260, picture);
        }
        sheetPainter.end();
        if (!folder.isEmpty())
            sheet.save(folder + "/" + QString(name).replace('/', ' ') + ".png");
    }
}

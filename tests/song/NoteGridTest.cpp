#include "song/NoteGrid.h"
#include "song/MidiFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

SONG_HEADER Header(int measures = 1) {
    SONG_HEADER header;
    header.SetBeatTime(0.5);
    header.measureCount = measures;
    return header;
}

CNote Note(double time, double duration, int midi, float volume = 0.8f) {
    CNote note;
    note.m_time = time;
    note.m_duration = duration;
    note.m_midi = midi;
    note.m_volume = volume;
    return note;
}

CNoteList List(std::initializer_list<CNote> notes) {
    CNoteList list;
    for (const CNote& note : notes)
        list.Add(note);
    return list;
}

int State(const CNoteGrid& grid, int row, int beat, int cell) {
    return grid.GetCell({row, beat, cell}).m_state;
}

} // namespace

TEST(NoteGrid, NotesLandInTheBeatTheToleranceGives) {
    CNoteGrid grid;
    grid.Init(GRID_DRUMS, false, Header());
    const int snare = grid.FindRowOfNote(38);
    ASSERT_TRUE(grid.SetNotes(List({Note(0.49, 0.125, 38), Note(0.46, 0.03, 38)})));
    EXPECT_EQ(State(grid, snare, 1, 0), CELL_SINGLE); // 0.5 - 0.03125 <= 0.49
    EXPECT_EQ(State(grid, snare, 0, 3), CELL_SINGLE);
    EXPECT_EQ(State(grid, snare, 0, 2), CELL_EMPTY);
}

TEST(NoteGrid, TripletsKeepTheLeadingCells) {
    struct CASE {
        double time, duration;
        int thirdCell;
    } cases[] = {{0.0, 0.5, CELL_END}, {0.25, 0.5, CELL_SINGLE}};
    for (const CASE& c : cases) {
        CNoteGrid grid;
        grid.Init(GRID_BASS, false, Header());
        ASSERT_TRUE(grid.SetNotes(List({Note(c.time, c.duration, 36)})));
        const int row = grid.FindRowOfNote(33); // the A string holds C2
        grid.SetTriplets({row, 0, 0}, true);
        ASSERT_EQ(grid.GetRow(row).m_beats[0].GetCount(), 3);
        EXPECT_EQ(State(grid, row, 0, 2), c.thirdCell) << c.time;
        EXPECT_EQ(State(grid, row, 1, 0), CELL_EMPTY) << "the cut note does not go on";
        grid.SetTriplets({row, 0, 0}, false);
        EXPECT_EQ(grid.GetRow(row).m_beats[0].GetCount(), 4);
        EXPECT_EQ(State(grid, row, 0, 3), CELL_EMPTY);
    }
}

TEST(NoteGrid, NotesWithoutARowAreReportedAndKept) {
    CNoteGrid grid;
    grid.Init(GRID_DRUMS, false, Header());
    EXPECT_FALSE(grid.SetNotes(List({Note(0.0, 0.1, 39), Note(0.5, 0.125, 36)})));
    EXPECT_STREQ(grid.GetError(), "Can't find a row for note 39");
    CNoteList back;
    grid.GetNotes(back);
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_EQ(back[0].m_midi, 39);
    EXPECT_DOUBLE_EQ(back[0].m_duration, 0.1);
    EXPECT_EQ(back[1].m_thing, THING_BASS_DRUM_1);
}

TEST(NoteGrid, PitchesFindTheirStringOrStaffStep) {
    CNoteGrid bass;
    bass.Init(GRID_BASS, false, Header());
    CNote tab = Note(0.5, 0.25, 33);
    tab.Position().string = 4;
    tab.Position().fret = 5;
    ASSERT_TRUE(bass.SetNotes(List({Note(0.0, 0.25, 36), tab})));
    EXPECT_EQ(bass.GetCell({2, 0, 0}).m_slot.fret, 3); // C2 on the A string
    EXPECT_EQ(bass.GetCell({3, 1, 0}).m_slot.fret, 5); // kept on the E string
    CNoteList back;
    bass.GetNotes(back);
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_EQ(back[0].m_midi, 36);
    EXPECT_EQ(back[0].Position().string, INT_NOT_SET) << "the grid's choice is not written";
    EXPECT_EQ(back[1].m_midi, 33);
    EXPECT_EQ(back[1].Position().string, 4);

    CNoteGrid staff;
    staff.Init(GRID_LEAD, true, Header());
    ASSERT_TRUE(staff.SetNotes(List({Note(0.0, 0.5, 61)})));
    const int c4 = staff.FindRowOfNote(60);
    EXPECT_EQ(staff.GetCell({c4, 0, 0}).m_accidental, MARK_SHARP);
    staff.SetStaffMark({c4, 0, 2}, STAFF_ACCIDENTAL, MARK_FLAT);
    staff.GetNotes(back);
    EXPECT_EQ(back[0].m_midi, 59);
}

// Every shipped groove, in every grid and staff, comes back note for note.
TEST(NoteGrid, ShippedGroovesSurviveTheRoundTrip) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(MA_RUNTIME_DIR) / "Grooves";
    int grooves = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".mid")
            continue;
        ++grooves;
        CSong song;
        CMidiFile file;
        file.SetTraceEnabled(false);
        ASSERT_TRUE(file.Load(entry.path().c_str(), song)) << file.GetError().GetText();
        for (int t = 0; t < song.GetTrackCount(); ++t) {
            const CTrack& track = song[t];
            const GRID_KIND kind = track.IsDrumSet()                           ? GRID_DRUMS
                                   : track.m_instrument == THING_BASS_GUITAR   ? GRID_BASS
                                   : track.m_instrument == THING_RHYTHM_GUITAR ? GRID_RHYTHM
                                                                               : GRID_LEAD;
            for (bool staff : {false, true}) {
                CNoteGrid grid;
                grid.Init(kind, staff, song.m_header, track.m_instrument);
                const std::string where = entry.path().filename().string() + " " +
                                          track.m_name.GetText() + (staff ? " staff" : " grid");
                ASSERT_TRUE(grid.SetNotes(track.m_notes)) << where << grid.GetError().GetText();
                EXPECT_EQ(grid.GetUnplaced().GetCount(), 0) << where;
                CNoteList back;
                grid.GetNotes(back);
                ASSERT_EQ(back.GetCount(), track.m_notes.GetCount()) << where;
                const double cell = song.m_header.beatTime / (16 / song.m_header.beatUnit);
                // A note written with no length takes one (possibly triplet) cell.
                const double triplet = song.m_header.beatTime / 3 + 1e-9;
                for (const CNote& original : track.m_notes) {
                    bool found = false;
                    for (const CNote& note : back)
                        found |= std::fabs(note.m_time - original.m_time) < cell / 4 &&
                                 std::fabs(note.m_duration - original.m_duration) < triplet &&
                                 note.m_midi == original.m_midi &&
                                 note.m_thing == original.m_thing &&
                                 note.m_volume == original.m_volume &&
                                 note.Position() == original.Position();
                    EXPECT_TRUE(found)
                        << where << " note " << original.m_midi << " at " << original.m_time;
                }
            }
        }
    }
    EXPECT_EQ(grooves, 33);
}

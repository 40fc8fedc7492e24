#include "theory/NoteList.h"

#include "core/Report.h"
#include "theory/NoteManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

CNote MakeNote(double time, int midi = 60, int id = 0) {
    CNote note;
    note.m_time = time;
    note.m_duration = 0.25;
    note.m_midi = midi;
    note.m_spare = id; // arrival number, to see the order of equal keys
    return note;
}

std::vector<int> Ids(const CNoteList& list) {
    std::vector<int> ids;
    for (const CNote& note : list)
        ids.push_back(note.m_spare);
    return ids;
}

std::vector<double> Times(const CNoteList& list) {
    std::vector<double> times;
    for (const CNote& note : list)
        times.push_back(note.m_time);
    return times;
}

// ---------------------------------------------------------------------------------------------
// Order

TEST(NoteListOrder, AddKeepsTimeOrderWithEqualTimesInArrivalOrderWhateverIsReadBetween) {
    std::mt19937 random(12345);
    std::vector<std::pair<double, int>> expected;
    CNoteList list;
    for (int i = 0; i < 3000; ++i) {
        const double time = static_cast<double>(random() % 64) * 0.25; // many equal times
        expected.emplace_back(time, i);
        ASSERT_TRUE(list.Add(MakeNote(time, 60, i)));
        if (i % 97 == 0) { // a read merges the notes that arrived out of order so far
            ASSERT_LE(list[0].m_time, time);
        }
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    ASSERT_EQ(list.GetCount(), 3000);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(list[i].m_time, expected[i].first) << i;
        ASSERT_EQ(list[i].m_spare, expected[i].second) << i;
    }
    EXPECT_TRUE(list.CheckTimes());
}

TEST(NoteListOrder, AddIntoAListPutOutOfOrderGoesBeforeTheFirstLaterNote) {
    CNoteList list;
    list.Append(MakeNote(1.0, 60, 1));
    list.Append(MakeNote(5.0, 60, 2));
    list.Append(MakeNote(3.0, 60, 3));
    list.Add(MakeNote(4.0, 60, 4));
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 4, 2, 3}));
    CNoteList edited;
    for (int i = 0; i < 4; ++i)
        edited.Add(MakeNote(i, 60, i));
    edited[1].m_time = 10.0; // by hand: now 0, 10, 2, 3
    edited.Add(MakeNote(2.5, 60, 9));
    EXPECT_EQ(Ids(edited), (std::vector<int>{0, 9, 1, 2, 3}));
}

TEST(NoteListOrder, AddingANoteOfTheListItselfWhileTheListGrows) {
    CNoteList list;
    for (int i = 0; i < 100; ++i) // full: the next add grows the storage
        list.Add(MakeNote(i, 60, i));
    ASSERT_EQ(list.GetCapacity(), 100u);
    list.Add(list[50]);
    list.Append(list[0]);
    list.InsertAt(0, list[99]);
    EXPECT_EQ(list[0].m_spare, 98); // the note at 99 after the insertion at 51
    EXPECT_EQ(list[52].m_spare, 50);
    EXPECT_EQ(list[list.GetCount() - 1].m_spare, 0);
}

TEST(NoteListOrder, SortByMidiAndBackByTimeIsStableAndSetsTheKeyOfAdd) {
    CNoteList list;
    list.Add(MakeNote(0.0, 64, 1));
    list.Add(MakeNote(1.0, 60, 2));
    list.Add(MakeNote(2.0, 64, 3));
    list.Add(MakeNote(3.0, 55, 4));
    ASSERT_TRUE(list.Sort(false));
    EXPECT_FALSE(list.IsSortedByTime());
    EXPECT_EQ(Ids(list), (std::vector<int>{4, 2, 1, 3}));
    list.Add(MakeNote(9.0, 60, 5));
    EXPECT_EQ(Ids(list), (std::vector<int>{4, 2, 5, 1, 3}));
    EXPECT_EQ(list.Compare(MakeNote(1.0, 70), MakeNote(1.0, 50)), 1);
    ASSERT_TRUE(list.Sort(true));
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(list.Compare(MakeNote(1.0), MakeNote(2.0)), -1);
    EXPECT_EQ(list.Compare(MakeNote(1.0, 70), MakeNote(1.0, 50)), 0);
    EXPECT_EQ(list.Compare(CNote(), MakeNote(1e9)), 1) << "no time sorts after every time";
}

TEST(NoteListOrder, InsertAndRemoveAtCheckTheIndex) {
    CNoteList list;
    list.Append(MakeNote(0.0, 60, 1));
    list.Append(MakeNote(1.0, 60, 2));
    EXPECT_TRUE(list.InsertAt(1, MakeNote(5.0, 60, 3)));
    EXPECT_TRUE(list.InsertAt(3, MakeNote(6.0, 60, 4)));
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 3, 2, 4}));
    EXPECT_FALSE(list.InsertAt(5, MakeNote(0.0)));
    EXPECT_FALSE(list.InsertAt(-1, MakeNote(0.0)));
    EXPECT_TRUE(list.RemoveAt(1));
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 2, 4}));
    EXPECT_FALSE(list.RemoveAt(3));
    EXPECT_FALSE(list.RemoveAt(-1));
}

TEST(NoteListMemory, GrowsInStepsOfOneHundredKeepsItWhenEmptiedAndCopiesAreDeep) {
    CNoteList list;
    for (int i = 0; i <= 100; ++i)
        list.Add(MakeNote(100 - i, 60, i)); // backwards: the copy below copies unmerged notes
    EXPECT_EQ(list.GetCapacity(), 200u);
    CNoteList copy(list);
    EXPECT_EQ(Ids(copy), Ids(list));
    copy[0].m_midi = 70;
    EXPECT_EQ(list[0].m_midi, 60);
    CNoteList assigned;
    assigned.Add(MakeNote(7.0));
    assigned = copy;
    EXPECT_EQ(Ids(assigned), Ids(copy));
    assigned.Add(MakeNote(0.5, 60, 200));
    EXPECT_EQ(assigned[1].m_spare, 200) << "the copy keeps the list's order for adding";

    list.GetSpare().m_midi = 40;
    EXPECT_TRUE(list.RemoveAll());
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCapacity(), 200u);
    EXPECT_FALSE(list.GetSpare().HasPitch());
    EXPECT_EQ(list.GetEndTime(true), 0.0);
}

// ---------------------------------------------------------------------------------------------
// Timing

TEST(NoteListTiming, ShiftScaleAndCutTimesLeavingUnsetTimesAlone) {
    CNoteList list;
    for (double time : {0.0, 1.0, 1.75, 2.5})
        list.Add(MakeNote(time));
    ASSERT_TRUE(list.SetDurations(0.5, 2.0));
    EXPECT_EQ(list[1].m_duration, 0.5);  // ends before the limit
    EXPECT_EQ(list[2].m_duration, 0.25); // cut at the limit
    EXPECT_EQ(list[3].m_duration, 0.0);  // starts after it
    list.Append(CNote());
    ASSERT_TRUE(list.ShiftTimes(0.5));
    ASSERT_TRUE(list.ScaleTimes(2.0));
    EXPECT_EQ(Times(list), (std::vector<double>{1.0, 3.0, 4.5, 6.0, TIME_NOT_SET}));
    EXPECT_EQ(list[1].m_duration, 1.0);
    EXPECT_EQ(list[4].m_duration, TIME_NOT_SET);
    EXPECT_EQ(list.GetEndTime(false), TIME_NOT_SET);
    list.RemoveAt(4);
    EXPECT_EQ(list.GetEndTime(false), 6.0);
    EXPECT_EQ(list.GetEndTime(true), 6.0);
    ASSERT_TRUE(list.SetDurations(0.75));
    EXPECT_EQ(list.GetEndTime(true), 6.75);
}

TEST(NoteListTiming, LegatoLengthensNotesThatLeaveLessThanTheGap) {
    CNoteList list;
    const double starts[] = {0.0, 0.5, 1.0, 2.0, 2.1};
    const double durations[] = {0.6, 0.48, 0.3, 0.12, 0.1};
    for (int i = 0; i < 5; ++i) {
        CNote note = MakeNote(starts[i]);
        note.m_duration = durations[i];
        list.Add(note);
    }
    ASSERT_TRUE(list.Legato(0.05));
    EXPECT_DOUBLE_EQ(list[0].m_duration, 0.65); // overlapped: + min(0.6 / 6, 0.05)
    EXPECT_DOUBLE_EQ(list[1].m_duration, 0.53); // a gap of 0.02
    EXPECT_DOUBLE_EQ(list[2].m_duration, 0.3);  // a gap of 0.7
    EXPECT_DOUBLE_EQ(list[3].m_duration, 0.14); // a sixth of its length is less than the gap
    EXPECT_DOUBLE_EQ(list[4].m_duration, 0.1);  // nothing follows
}

TEST(NoteListTiming, RepeatAppendsShiftedCopies) {
    CNoteList list;
    list.Add(MakeNote(0.0, 60, 1));
    list.Add(MakeNote(3.0, 62, 2));
    ASSERT_TRUE(list.Repeat(1, 5.0));
    EXPECT_EQ(list.GetCount(), 2);
    ASSERT_TRUE(list.Repeat(3, 1.0));
    EXPECT_EQ(Times(list), (std::vector<double>{0.0, 3.0, 1.0, 4.0, 2.0, 5.0}));
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 2, 1, 2, 1, 2}));
    EXPECT_FALSE(list.CheckTimes()) << "copies are appended, not sorted in";
    EXPECT_FALSE(list.Repeat(-1, 5.0));
    ASSERT_TRUE(list.Repeat(0, 5.0));
    EXPECT_TRUE(list.IsEmpty());
}

class NoteListHumanize : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 64; ++i) {
            CNote note = MakeNote(1.0 + i * 0.5, 60, i);
            note.m_duration = 0.5;
            note.m_volume = (i % 3 == 0) ? 1.0f : (i % 3 == 1 ? 0.05f : 0.6f);
            list.Add(note);
        }
    }
    CNoteList list;
};

TEST_F(NoteListHumanize, VolumesAndTimesStayInTheirRangesAndOverlapsAreCutUnlessKept) {
    const CNoteList original(list);
    CNoteList again(list);
    CRandom random(7), same(7);
    ASSERT_TRUE(list.Humanize(0.2, 0.1, true, random));
    ASSERT_TRUE(again.Humanize(0.2, 0.1, true, same));
    double moved = 0.0;
    for (int i = 0; i < list.GetCount(); ++i) {
        const CNote& before = original[i];
        const CNote& after = list[i];
        EXPECT_EQ(after.m_time, again[i].m_time) << "the seed repeats the result";
        EXPECT_NEAR(after.m_time, before.m_time, 0.05);
        moved += std::abs(after.m_time - before.m_time);
        EXPECT_EQ(after.m_duration, 0.5); // overlaps kept
        const double low = before.m_volume == 1.0f ? 0.8 : before.m_volume < 0.1f ? 0.2 : 0.5;
        EXPECT_GE(after.m_volume, low - 1e-6) << i; // quiet notes are lifted to be heard
        EXPECT_LE(after.m_volume, low + 0.2 + 1e-6) << i;
    }
    EXPECT_GT(moved / list.GetCount(), 0.01) << "the times spread over the whole range";
    CNoteList cut(original);
    ASSERT_TRUE(cut.Humanize(0.0, 0.4, false, random));
    for (int i = 1; i < cut.GetCount(); ++i) {
        EXPECT_LE(cut[i - 1].m_time + cut[i - 1].m_duration, cut[i].m_time + 1e-12) << i;
        EXPECT_GE(cut[i - 1].m_duration, 0.0);
    }
    // A note near the start is never moved before 0.
    CNoteList early;
    early.Add(MakeNote(0.01));
    for (int round = 0; round < 50; ++round) {
        early[0].m_time = 0.01;
        early.Humanize(0.0, 0.2, true, random);
        EXPECT_GE(early[0].m_time, 0.0);
        EXPECT_LE(early[0].m_time, 0.2);
    }
}

// ---------------------------------------------------------------------------------------------
// Log output

std::vector<std::string> g_lines;
void CaptureLine(const char* line) {
    g_lines.push_back(line);
}

TEST(NoteListLog, CheckTimesLogsTheListWhenATimeDecreasesAndDumpWritesOneLinePerNote) {
    CNoteList list;
    list.Add(MakeNote(0.0, 60));
    list.Add(MakeNote(1.0, 64));
    CCharString text;
    ASSERT_TRUE(list.Dump(&text));
    EXPECT_EQ(text.Str().rfind("===== Note list, 2 notes =====\ntime=0.0000 ", 0), 0u);
    EXPECT_EQ(std::count(text.Str().begin(), text.Str().end(), '\n'), 3);
    g_lines.clear();
    SetReportHook(CaptureLine);
    EXPECT_TRUE(list.CheckTimes());
    EXPECT_TRUE(g_lines.empty());
    list.Append(MakeNote(0.5));
    EXPECT_FALSE(list.CheckTimes());
    SetReportHook(nullptr);
    ASSERT_EQ(g_lines.size(), 5u);
    EXPECT_NE(g_lines[0].find("######### CNoteList::CheckTimes()"), std::string::npos);
    EXPECT_NE(g_lines[1].find("===== Note list, 3 notes ====="), std::string::npos);
    EXPECT_EQ(list[2].m_time, 0.5); // left as it was
}

// ---------------------------------------------------------------------------------------------
// Pitch and degrees

class NoteListPitch : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(manager.Initialize()); }
    CNote Named(double time, int midi, int accidental = ACCIDENTAL_NONE) {
        CNote note = MakeNote(time);
        manager.GetMidiNote(midi, note);
        note.m_accidental = accidental;
        return note;
    }
    CNoteManager manager;
};

TEST_F(NoteListPitch, AnAccidentalHoldsFromItsNoteToTheEndOfItsMeasure) {
    // 4/4 at 120: a measure is 2 s.
    CNoteList list;
    list.Add(Named(0.0, 71));                   // B before the accidental
    list.Add(Named(0.5, 65, ACCIDENTAL_SHARP)); // F written with a sharp
    list.Add(Named(1.5, 67));                   // G in the same measure: raised too
    list.Add(Named(2.0, 65));                   // next measure: natural again
    list.Add(Named(2.5, 71, ACCIDENTAL_FLAT));  // B flat
    list.Add(Named(3.0, 64));                   // E flat
    list.Add(CNote());                          // a rest stays a rest
    ASSERT_TRUE(list.ApplyAccidentals(4, 0.5, manager));
    std::vector<int> midis;
    for (int i = 0; i < 6; ++i)
        midis.push_back(list[i].m_midi);
    EXPECT_EQ(midis, (std::vector<int>{71, 66, 68, 65, 70, 63}));
    EXPECT_EQ(list[2].m_flatName, "Ab");
    EXPECT_EQ(list[2].m_sharpName, "G#");
    EXPECT_EQ(list[2].m_frequency, manager.GetNoteTable()[68].m_frequency);
    EXPECT_EQ(list[3].m_sharpName, "F");
    EXPECT_EQ(list[5].m_octave, 4);
    EXPECT_FALSE(list[6].HasPitch());

    CNoteList top;
    top.Add(Named(0.0, 131, ACCIDENTAL_SHARP));
    EXPECT_FALSE(top.ApplyAccidentals(4, 0.5, manager)); // beyond the table
    EXPECT_EQ(top[0].m_midi, 131);
    EXPECT_FALSE(list.ApplyAccidentals(0, 0.5, manager)); // no measure to count in
}

TEST(NoteListDegrees, SpreadDegreesCountsOnThroughOctavesAndFindersLookThemUp) {
    CNoteList list;
    auto add = [&](int midi, int degree) {
        CNote note = MakeNote(list.GetCount(), midi, list.GetCount());
        note.m_degree = degree;
        list.Add(note);
    };
    add(48, 1); // C at the base
    add(60, 1); // C above: 8
    add(64, 3); // E above: 10
    add(36, 1); // C below: -6
    add(47, 7); // B just below the base: truncation toward zero leaves it 7
    add(72, 1); // two octaves: 15
    add(MIDI_NO_PITCH, 2);
    ASSERT_TRUE(list.SpreadDegrees(48));
    std::vector<int> degrees;
    for (const CNote& note : list)
        degrees.push_back(note.m_degree);
    EXPECT_EQ(degrees, (std::vector<int>{1, 8, 10, -6, 7, 15, 2}));
    EXPECT_EQ(list.MaxDegree(), 15);
    EXPECT_EQ(CNoteList().MaxDegree(), 0);

    CNote found;
    ASSERT_TRUE(list.FindDegree(3, found)); // 15 is 3 in its octave: the first such note
    EXPECT_EQ(found.m_spare, 5);
    ASSERT_TRUE(list.FindDegree(6, found)); // -6 counts as 6
    EXPECT_EQ(found.m_spare, 3);
    EXPECT_FALSE(list.FindDegree(4, found));
    ASSERT_TRUE(list.FindNote(64, found));
    EXPECT_EQ(found.m_spare, 2);
    int index = 7;
    EXPECT_FALSE(list.IndexOfNote(61, index));
    EXPECT_EQ(index, -1);
    CNote probe;
    probe.m_midi = 76; // E two octaves up
    EXPECT_TRUE(list.HasPitchClass(probe));
    probe.m_midi = 62;
    EXPECT_FALSE(list.HasPitchClass(probe));
    probe.m_midi = MIDI_NO_PITCH;
    EXPECT_FALSE(list.HasPitchClass(probe));
}

// ---------------------------------------------------------------------------------------------
// Fretboard ranges and fingering

CNote Placed(int string, int fret, int finger = INT_NOT_SET) {
    CNote note = MakeNote(0.0);
    note.Position().string = string;
    note.Position().fret = fret;
    note.Position().finger = finger;
    return note;
}

TEST(NoteListFrets, StringAndFretRangesOverAnIndexRange) {
    CNoteList list;
    list.Append(Placed(3, 5));
    list.Append(CNote());
    list.Append(Placed(1, 8));
    list.Append(Placed(3, 7));
    list.Append(Placed(6, 2));
    int low = 0, high = 0;
    ASSERT_TRUE(list.GetStringRange(low, high));
    EXPECT_EQ(std::make_pair(low, high), std::make_pair(1, 6));
    ASSERT_TRUE(list.GetFretRange(INT_NOT_SET, INT_NOT_SET, INT_NOT_SET, low, high));
    EXPECT_EQ(std::make_pair(low, high), std::make_pair(2, 8));
    ASSERT_TRUE(list.GetFretRange(0, 3, 3, low, high));
    EXPECT_EQ(std::make_pair(low, high), std::make_pair(5, 7));
    EXPECT_FALSE(list.GetFretRange(0, 5, INT_NOT_SET, low, high)); // past the end
    EXPECT_FALSE(list.GetFretRange(2, 1, INT_NOT_SET, low, high));
    EXPECT_FALSE(list.GetFretRange(0, 4, 2, low, high)); // nothing on string 2
    EXPECT_FALSE(CNoteList().GetStringRange(low, high));

    ASSERT_TRUE(list.ClearPositions(2, 3));
    EXPECT_EQ(list[2].Position(), FRET_SLOT());
    EXPECT_EQ(list[3].Position(), FRET_SLOT());
    EXPECT_EQ(list[4].Position().fret, 2);
    EXPECT_FALSE(list.ClearPositions(-1, 1));
}

TEST(NoteListFingers, FingersCountFromTheLowestFretOrFromTheHand) {
    CNoteList list;
    for (int fret : {5, 6, 7, 8, 10})
        list.Append(Placed(2, fret));
    list.Append(Placed(3, 6, 3)); // already fingered
    list.Append(Placed(4, 0));    // an open string takes no finger
    ASSERT_TRUE(list.AssignFingers(0, 5));
    ASSERT_TRUE(list.AssignFingers(6, 6));
    std::vector<int> fingers;
    for (const CNote& note : list)
        fingers.push_back(note.Position().finger);
    EXPECT_EQ(fingers, (std::vector<int>{1, 2, 3, 4, 4, 3, INT_NOT_SET}));
    EXPECT_FALSE(list.AssignFingers(3, 9));
    CNoteList nut; // near the nut the index finger stays on the first fret
    for (int fret : {0, 1, 3})
        nut.Append(Placed(1, fret));
    ASSERT_TRUE(nut.AssignFingers(INT_NOT_SET, INT_NOT_SET));
    EXPECT_EQ(nut[1].Position().finger, 1);
    EXPECT_EQ(nut[2].Position().finger, 3);

    CNoteList string;
    for (int fret : {5, 7, 9, 0})
        string.Append(Placed(3, fret, 2));
    string.Append(Placed(2, 7));
    // A wide range (high - low >= 3) counts from its lowest fret, capped at the little finger.
    ASSERT_TRUE(string.AssignFingersOnString(3, 2, 5, 8));
    fingers.clear();
    for (const CNote& note : string)
        fingers.push_back(note.Position().finger);
    EXPECT_EQ(fingers, (std::vector<int>{1, 3, 4, INT_NOT_SET, INT_NOT_SET}));
    // A narrow range counts from the hand when the hand is lower, never below the index.
    ASSERT_TRUE(string.AssignFingersOnString(3, 4, 5, 7));
    EXPECT_EQ(string[0].Position().finger, 2);
    EXPECT_EQ(string[1].Position().finger, 4);
    ASSERT_TRUE(string.AssignFingersOnString(3, 6, 5, 7));
    EXPECT_EQ(string[0].Position().finger, 1);
    ASSERT_TRUE(string.AssignFingersOnString(3, 7, 7, 9));
    EXPECT_EQ(string[0].Position().finger, 1);
}

} // namespace

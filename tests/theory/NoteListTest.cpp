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

TEST(NoteListOrder, NewListSortsByTime) {
    CNoteList list;
    EXPECT_TRUE(list.IsSortedByTime());
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetEndTime(true), 0.0);
    EXPECT_EQ(list.GetEndTime(false), 0.0);
}

TEST(NoteListOrder, AddInsertsByTime) {
    CNoteList list;
    for (double time : {2.0, 0.5, 3.0, 1.0, 0.0})
        ASSERT_TRUE(list.Add(MakeNote(time)));
    EXPECT_EQ(Times(list), (std::vector<double>{0.0, 0.5, 1.0, 2.0, 3.0}));
}

TEST(NoteListOrder, EqualTimesKeepArrivalOrder) {
    CNoteList list;
    list.Add(MakeNote(1.0, 60, 1));
    list.Add(MakeNote(2.0, 60, 2));
    list.Add(MakeNote(1.0, 60, 3)); // after every note of time 1.0
    list.Add(MakeNote(0.0, 60, 4));
    list.Add(MakeNote(1.0, 60, 5));
    list.Add(MakeNote(2.0, 60, 6));
    EXPECT_EQ(Ids(list), (std::vector<int>{4, 1, 3, 5, 2, 6}));
}

TEST(NoteListOrder, ReadingBetweenAddsGivesTheSameOrder) {
    // Merging late must not differ from inserting at once.
    CNoteList list;
    std::vector<int> seen;
    for (int i = 0; i < 40; ++i) {
        list.Add(MakeNote((i * 7) % 5, 60, i));
        if (i % 3 == 0)
            seen.push_back(list[0].m_spare);
    }
    CNoteList reference;
    for (int i = 0; i < 40; ++i)
        reference.Add(MakeNote((i * 7) % 5, 60, i));
    EXPECT_EQ(Ids(list), Ids(reference));
    EXPECT_EQ(seen.front(), 0);
}

TEST(NoteListOrder, ManyRandomAddsMatchAStableSort) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> beat(0, 63);
    std::vector<std::pair<double, int>> expected;
    CNoteList list;
    for (int i = 0; i < 3000; ++i) {
        double time = beat(random) * 0.25; // many equal times
        expected.emplace_back(time, i);
        ASSERT_TRUE(list.Add(MakeNote(time, 60, i)));
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

TEST(NoteListOrder, AddIntoAnUnorderedListGoesBeforeTheFirstLaterNote) {
    CNoteList list;
    list.Append(MakeNote(1.0, 60, 1));
    list.Append(MakeNote(5.0, 60, 2));
    list.Append(MakeNote(3.0, 60, 3));
    list.Add(MakeNote(4.0, 60, 4));
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 4, 2, 3}));
}

TEST(NoteListOrder, AddAfterEditingATimeByHand) {
    CNoteList list;
    for (int i = 0; i < 4; ++i)
        list.Add(MakeNote(i, 60, i));
    list[1].m_time = 10.0; // now 0, 10, 2, 3
    list.Add(MakeNote(2.5, 60, 9));
    EXPECT_EQ(Ids(list), (std::vector<int>{0, 9, 1, 2, 3}));
}

TEST(NoteListOrder, AddingANoteOfTheListItself) {
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

TEST(NoteListOrder, SortByMidiThenBackByTimeIsStable) {
    CNoteList list;
    list.Add(MakeNote(0.0, 64, 1));
    list.Add(MakeNote(1.0, 60, 2));
    list.Add(MakeNote(2.0, 64, 3));
    list.Add(MakeNote(3.0, 55, 4));
    ASSERT_TRUE(list.Sort(false));
    EXPECT_FALSE(list.IsSortedByTime());
    EXPECT_EQ(Ids(list), (std::vector<int>{4, 2, 1, 3}));
    // Add now follows the MIDI key.
    list.Add(MakeNote(9.0, 60, 5));
    EXPECT_EQ(Ids(list), (std::vector<int>{4, 2, 5, 1, 3}));
    ASSERT_TRUE(list.Sort(true));
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(NoteListOrder, CompareIsTheSignOfTheKeyDifference) {
    CNoteList list;
    EXPECT_EQ(list.Compare(MakeNote(1.0), MakeNote(2.0)), -1);
    EXPECT_EQ(list.Compare(MakeNote(2.0), MakeNote(1.0)), 1);
    EXPECT_EQ(list.Compare(MakeNote(1.0, 70), MakeNote(1.0, 50)), 0);
    // A note without a time sorts after every timed note.
    EXPECT_EQ(list.Compare(CNote(), MakeNote(1e9)), 1);
    list.Sort(false);
    EXPECT_EQ(list.Compare(MakeNote(1.0, 70), MakeNote(1.0, 50)), 1);
}

TEST(NoteListOrder, InsertAtShiftsTheTailAndChecksTheIndex) {
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
}

TEST(NoteListMemory, GrowsInStepsOfOneHundredAndKeepsNotesWhenEmptied) {
    CNoteList list;
    list.Add(MakeNote(0.0));
    EXPECT_EQ(list.GetCapacity(), 100u);
    for (int i = 1; i <= 100; ++i)
        list.Add(MakeNote(i));
    EXPECT_EQ(list.GetCapacity(), 200u);
    list.GetSpare().m_midi = 40;
    EXPECT_TRUE(list.RemoveAll());
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCapacity(), 200u);
    EXPECT_EQ(list.GetSpare().m_midi, 255);
}

TEST(NoteListMemory, CopiesAreIndependent) {
    CNoteList list;
    list.Add(MakeNote(1.0, 60, 1));
    list.Add(MakeNote(0.0, 62, 2));
    CNoteList copy(list);
    copy[0].m_midi = 70;
    copy.Add(MakeNote(0.5, 60, 3));
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list[0].m_midi, 62);
    EXPECT_EQ(Ids(copy), (std::vector<int>{2, 3, 1}));
    CNoteList assigned;
    assigned.Add(MakeNote(7.0));
    assigned = copy;
    EXPECT_EQ(Ids(assigned), Ids(copy));
}

// ---------------------------------------------------------------------------------------------
// Timing

TEST(NoteListTiming, ShiftTimesLeavesUnsetTimesAlone) {
    CNoteList list;
    list.Append(MakeNote(1.0));
    list.Append(CNote());
    ASSERT_TRUE(list.ShiftTimes(0.5));
    EXPECT_EQ(list[0].m_time, 1.5);
    EXPECT_EQ(list[1].m_time, TIME_NOT_SET);
}

TEST(NoteListTiming, SetDurationsWithAnEndLimit) {
    CNoteList list;
    for (double time : {0.0, 1.0, 1.8, 2.5})
        list.Add(MakeNote(time));
    ASSERT_TRUE(list.SetDurations(0.5, 2.0));
    EXPECT_EQ(list[0].m_duration, 0.5);
    EXPECT_EQ(list[1].m_duration, 0.5);              // ends before the limit
    EXPECT_DOUBLE_EQ(list[2].m_duration, 2.0 - 1.8); // cut at the limit
    EXPECT_EQ(list[3].m_duration, 0.0);              // starts after the limit
    ASSERT_TRUE(list.SetDurations(0.75));
    for (const CNote& note : list)
        EXPECT_EQ(note.m_duration, 0.75);
}

TEST(NoteListTiming, LegatoLengthensShortGapsAndOverlaps) {
    CNoteList list;
    auto add = [&](double time, double duration) {
        CNote note = MakeNote(time);
        note.m_duration = duration;
        list.Add(note);
    };
    add(0.0, 0.6);  // overlaps the next note by 0.1
    add(0.5, 0.48); // leaves a gap of 0.02
    add(1.0, 0.3);  // leaves a gap of 0.7
    add(2.0, 0.12); // last note: nothing follows
    ASSERT_TRUE(list.Legato(0.05));
    EXPECT_DOUBLE_EQ(list[0].m_duration, 0.65); // + min(0.6 / 6, 0.05)
    EXPECT_DOUBLE_EQ(list[1].m_duration, 0.53); // + min(0.08, 0.05)
    EXPECT_DOUBLE_EQ(list[2].m_duration, 0.3);
    EXPECT_DOUBLE_EQ(list[3].m_duration, 0.12);

    CNoteList shortNotes;
    CNote a = MakeNote(0.0);
    a.m_duration = 0.12;
    shortNotes.Add(a);
    shortNotes.Add(MakeNote(0.1));
    shortNotes.Legato(0.05);
    EXPECT_DOUBLE_EQ(shortNotes[0].m_duration, 0.14); // a sixth of its length is less than the gap
}

TEST(NoteListTiming, ScaleTimesStretchesTimesAndDurations) {
    CNoteList list;
    list.Add(MakeNote(1.0));
    list.Add(MakeNote(2.0));
    list.Append(CNote());
    ASSERT_TRUE(list.ScaleTimes(0.5));
    EXPECT_EQ(list[0].m_time, 0.5);
    EXPECT_EQ(list[1].m_time, 1.0);
    EXPECT_EQ(list[1].m_duration, 0.125);
    EXPECT_EQ(list[2].m_time, TIME_NOT_SET);
    EXPECT_EQ(list[2].m_duration, TIME_NOT_SET);
}

TEST(NoteListTiming, RepeatAppendsShiftedCopies) {
    CNoteList list;
    list.Add(MakeNote(0.0, 60, 1));
    list.Add(MakeNote(1.5, 62, 2));
    ASSERT_TRUE(list.Repeat(3, 2.0));
    EXPECT_EQ(Times(list), (std::vector<double>{0.0, 1.5, 2.0, 3.5, 4.0, 5.5}));
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 2, 1, 2, 1, 2}));

    // Copies are appended, not sorted in.
    CNoteList tight;
    tight.Add(MakeNote(0.0, 60, 1));
    tight.Add(MakeNote(3.0, 60, 2));
    tight.Repeat(2, 1.0);
    EXPECT_EQ(Times(tight), (std::vector<double>{0.0, 3.0, 1.0, 4.0}));
    EXPECT_FALSE(tight.CheckTimes());
}

TEST(NoteListTiming, RepeatZeroEmptiesAndOneKeeps) {
    CNoteList list;
    list.Add(MakeNote(0.0));
    list.Add(MakeNote(1.0));
    ASSERT_TRUE(list.Repeat(1, 5.0));
    EXPECT_EQ(list.GetCount(), 2);
    ASSERT_TRUE(list.Repeat(0, 5.0));
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_FALSE(list.Repeat(-1, 5.0));
}

TEST(NoteListTiming, GetEndTimeOfTheLastNote) {
    CNoteList list;
    list.Add(MakeNote(2.0));
    list.Add(MakeNote(1.0));
    EXPECT_EQ(list.GetEndTime(false), 2.0);
    EXPECT_EQ(list.GetEndTime(true), 2.25);
}

// ---------------------------------------------------------------------------------------------
// Humanize

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

TEST_F(NoteListHumanize, SameSeedSameResult) {
    CNoteList other(list);
    CRandom a(42), b(42), c(43);
    list.Humanize(0.2, 0.1, false, a);
    other.Humanize(0.2, 0.1, false, b);
    for (int i = 0; i < list.GetCount(); ++i) {
        EXPECT_EQ(list[i].m_time, other[i].m_time);
        EXPECT_EQ(list[i].m_volume, other[i].m_volume);
    }
    CNoteList third(other);
    third.Humanize(0.2, 0.1, false, c);
    EXPECT_NE(Times(third), Times(other));
}

TEST_F(NoteListHumanize, VolumesAndTimesStayInTheirRanges) {
    const CNoteList original(list);
    CRandom random(7);
    ASSERT_TRUE(list.Humanize(0.2, 0.1, true, random));
    for (int i = 0; i < list.GetCount(); ++i) {
        const CNote& before = original[i];
        const CNote& after = list[i];
        EXPECT_GE(after.m_time, before.m_time - 0.05);
        EXPECT_LE(after.m_time, before.m_time + 0.05);
        EXPECT_EQ(after.m_duration, 0.5); // overlaps kept
        if (before.m_volume == 1.0f) {    // loud notes stay near the top
            EXPECT_GE(after.m_volume, 0.8f - 1e-6f);
            EXPECT_LE(after.m_volume, 1.0f);
        } else if (before.m_volume < 0.1f) { // quiet notes are lifted to be heard
            EXPECT_GE(after.m_volume, 0.2f - 1e-6f);
            EXPECT_LE(after.m_volume, 0.4f + 1e-6f);
        } else {
            EXPECT_GE(after.m_volume, 0.5f - 1e-6f);
            EXPECT_LE(after.m_volume, 0.7f + 1e-6f);
        }
    }
}

TEST_F(NoteListHumanize, OverlapsAreCutUnlessKept) {
    CRandom random(99);
    ASSERT_TRUE(list.Humanize(0.0, 0.4, false, random));
    for (int i = 1; i < list.GetCount(); ++i) {
        EXPECT_LE(list[i - 1].m_time + list[i - 1].m_duration, list[i].m_time + 1e-12) << i;
        EXPECT_GE(list[i - 1].m_duration, 0.0);
    }
}

TEST(NoteListHumanizeStart, NotesNearZeroNeverGoNegative) {
    CNoteList list;
    list.Add(MakeNote(0.0));
    list.Add(MakeNote(0.01));
    CRandom random(1);
    for (int round = 0; round < 50; ++round) {
        list.Humanize(0.0, 0.2, true, random);
        EXPECT_GE(list[0].m_time, 0.0);
        EXPECT_LE(list[0].m_time, 0.2);
        list[0].m_time = 0.0;
        list[1].m_time = 0.01;
    }
}

// ---------------------------------------------------------------------------------------------
// Log output

std::vector<std::string>* g_lines = nullptr;
void CaptureLine(const char* line) {
    if (g_lines != nullptr)
        g_lines->push_back(line);
}

class NoteListLog : public ::testing::Test {
protected:
    void SetUp() override {
        g_lines = &lines;
        SetReportHook(CaptureLine);
    }
    void TearDown() override {
        SetReportHook(nullptr);
        g_lines = nullptr;
    }
    std::vector<std::string> lines;
};

TEST_F(NoteListLog, CheckTimesReportsADecreasingTime) {
    CNoteList list;
    list.Add(MakeNote(0.0));
    list.Add(MakeNote(1.0));
    EXPECT_TRUE(list.CheckTimes());
    EXPECT_TRUE(lines.empty());
    list.Append(MakeNote(0.5));
    EXPECT_FALSE(list.CheckTimes());
    ASSERT_GE(lines.size(), 5u);
    EXPECT_NE(lines[0].find("######### CNoteList::CheckTimes()"), std::string::npos);
    EXPECT_NE(lines[1].find("===== Note list, 3 notes ====="), std::string::npos);
    EXPECT_EQ(list[2].m_time, 0.5); // left as it was
}

TEST_F(NoteListLog, DumpWritesAHeaderAndOneLinePerNote) {
    CNoteList list;
    list.Add(MakeNote(0.0, 60));
    list.Add(MakeNote(1.0, 64));
    CCharString text;
    ASSERT_TRUE(list.Dump(&text));
    std::string dump = text.Str();
    EXPECT_EQ(dump.rfind("===== Note list, 2 notes =====\n", 0), 0u);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 3);
    EXPECT_TRUE(lines.empty()); // a target keeps it out of the log
}

// ---------------------------------------------------------------------------------------------
// Pitch

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

TEST_F(NoteListPitch, ASharpHoldsToTheEndOfItsMeasureOnly) {
    // 4/4 at 120: a measure is 2 s.
    CNoteList list;
    list.Add(Named(0.0, 65, ACCIDENTAL_SHARP)); // F written with a sharp
    list.Add(Named(0.5, 65));                   // F again: still sharp
    list.Add(Named(1.5, 67));                   // G in the same measure: raised too
    list.Add(Named(2.0, 65));                   // next measure: natural again
    list.Add(Named(3.5, 67));
    ASSERT_TRUE(list.ApplyAccidentals(4, 0.5, manager));
    EXPECT_EQ(list[0].m_midi, 66);
    EXPECT_STREQ(list[0].m_sharpName.GetText(), "F#");
    EXPECT_EQ(list[1].m_midi, 66);
    EXPECT_EQ(list[2].m_midi, 68);
    EXPECT_STREQ(list[2].m_flatName.GetText(), "Ab");
    EXPECT_EQ(list[2].m_frequency, manager.GetNoteTable()[68].m_frequency);
    EXPECT_EQ(list[3].m_midi, 65);
    EXPECT_STREQ(list[3].m_sharpName.GetText(), "F");
    EXPECT_EQ(list[4].m_midi, 67);
}

TEST_F(NoteListPitch, AFlatLowersFromItsNoteOnAndKeepsDegrees) {
    CNoteList list;
    CNote before = Named(0.0, 71);
    before.m_degree = 7;
    list.Add(before);
    list.Add(Named(0.5, 71, ACCIDENTAL_FLAT)); // B flat
    list.Add(Named(1.0, 64));                  // E flat
    ASSERT_TRUE(list.ApplyAccidentals(3, 1.0, manager));
    EXPECT_EQ(list[0].m_midi, 71); // before the accidental
    EXPECT_EQ(list[0].m_degree, 7);
    EXPECT_EQ(list[1].m_midi, 70);
    EXPECT_STREQ(list[1].m_flatName.GetText(), "Bb");
    EXPECT_EQ(list[2].m_midi, 63);
    EXPECT_EQ(list[2].m_octave, 4);
}

TEST_F(NoteListPitch, AccidentalBeyondTheTableStops) {
    CNoteList list;
    list.Add(Named(0.0, 131, ACCIDENTAL_SHARP));
    EXPECT_FALSE(list.ApplyAccidentals(4, 0.5, manager));
    EXPECT_EQ(list[0].m_midi, 131);
    EXPECT_FALSE(list.ApplyAccidentals(0, 0.5, manager)); // no measure to count in
}

TEST(NoteListDegrees, SpreadDegreesCountsOnThroughTheOctaves) {
    CNoteList list;
    auto add = [&](int midi, int degree) {
        CNote note = MakeNote(list.GetCount());
        note.m_midi = midi;
        note.m_degree = degree;
        list.Add(note);
    };
    add(48, 1); // C at the base
    add(60, 1); // C above: 8
    add(64, 3); // E above: 10
    add(36, 1); // C below: -6
    add(47, 7); // B just below the base: truncation toward zero leaves it 7
    add(35, 7); // B thirteen semitones down: one octave, 0
    add(72, 1); // two octaves: 15
    ASSERT_TRUE(list.SpreadDegrees(48));
    std::vector<int> degrees;
    for (const CNote& note : list)
        degrees.push_back(note.m_degree);
    EXPECT_EQ(degrees, (std::vector<int>{1, 8, 10, -6, 7, 0, 15}));
    EXPECT_EQ(list.MaxDegree(), 15);
}

TEST(NoteListFinders, FindByMidiPitchClassAndDegree) {
    CNoteList list;
    for (int midi : {60, 64, 67, 64}) {
        CNote note = MakeNote(list.GetCount(), midi, list.GetCount());
        note.m_degree = midi - 59; // 1, 5, 8, 5
        list.Add(note);
    }
    CNote found;
    ASSERT_TRUE(list.FindNote(64, found));
    EXPECT_EQ(found.m_spare, 1);
    int index = 7;
    EXPECT_TRUE(list.IndexOfNote(67, index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.IndexOfNote(61, index));
    EXPECT_EQ(index, -1);
    EXPECT_FALSE(list.FindNote(61, found));

    CNote probe;
    probe.m_midi = 76; // E two octaves up
    EXPECT_TRUE(list.HasPitchClass(probe));
    probe.m_midi = 62;
    EXPECT_FALSE(list.HasPitchClass(probe));
    probe.m_midi = 255;
    EXPECT_FALSE(list.HasPitchClass(probe));

    ASSERT_TRUE(list.FindDegree(5, found));
    EXPECT_EQ(found.m_spare, 1);
    EXPECT_FALSE(list.FindDegree(3, found));
    EXPECT_EQ(list.MaxDegree(), 8);
    EXPECT_EQ(CNoteList().MaxDegree(), 0);
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

TEST(NoteListFrets, StringAndFretRanges) {
    CNoteList list;
    list.Append(Placed(3, 5));
    list.Append(CNote());
    list.Append(Placed(1, 8));
    list.Append(Placed(3, 7));
    list.Append(Placed(6, 2));
    int low = 0, high = 0;
    ASSERT_TRUE(list.GetStringRange(low, high));
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 6);
    ASSERT_TRUE(list.GetFretRange(INT_NOT_SET, INT_NOT_SET, INT_NOT_SET, low, high));
    EXPECT_EQ(low, 2);
    EXPECT_EQ(high, 8);
    ASSERT_TRUE(list.GetFretRange(0, 3, 3, low, high));
    EXPECT_EQ(low, 5);
    EXPECT_EQ(high, 7);
    ASSERT_TRUE(list.GetFretRange(1, 2, INT_NOT_SET, low, high));
    EXPECT_EQ(low, 8);
    EXPECT_FALSE(list.GetFretRange(0, 5, INT_NOT_SET, low, high)); // past the end
    EXPECT_FALSE(list.GetFretRange(0, 4, 2, low, high));           // nothing on string 2
    EXPECT_FALSE(CNoteList().GetStringRange(low, high));
}

TEST(NoteListFrets, ClearPositionsUnplacesTheRange) {
    CNoteList list;
    for (int i = 0; i < 3; ++i) {
        CNote note = Placed(2, i + 1, 1);
        note.Position().mode = FRET_MODE_BARRE;
        note.Position().value = 1.5f;
        note.Position().aux = 1;
        note.m_slots[1].string = 4;
        list.Append(note);
    }
    ASSERT_TRUE(list.ClearPositions(1, 2));
    EXPECT_EQ(list[0].Position().fret, 1);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(list[i].Position(), FRET_SLOT());
        EXPECT_EQ(list[i].m_slots[1].string, 4);
    }
    EXPECT_FALSE(list.ClearPositions(2, 3));
    EXPECT_FALSE(list.ClearPositions(-1, 1));
}

TEST(NoteListFingers, AssignFingersFromTheLowestFret) {
    CNoteList list;
    for (int fret : {5, 6, 7, 8, 10})
        list.Append(Placed(2, fret));
    list.Append(Placed(3, 6, 3)); // already fingered
    list.Append(Placed(4, 0));    // open string
    ASSERT_TRUE(list.AssignFingers(0, 5));
    std::vector<int> fingers;
    for (int i = 0; i < 6; ++i)
        fingers.push_back(list[i].Position().finger);
    EXPECT_EQ(fingers, (std::vector<int>{1, 2, 3, 4, 4, 3}));
    EXPECT_EQ(list[6].Position().finger, INT_NOT_SET); // outside the range

    ASSERT_TRUE(list.AssignFingers(6, 6));
    EXPECT_EQ(list[6].Position().finger, INT_NOT_SET); // an open string takes no finger
    EXPECT_FALSE(list.AssignFingers(3, 9));
}

TEST(NoteListFingers, AssignFingersNearTheNut) {
    CNoteList list;
    list.Append(Placed(1, 0));
    list.Append(Placed(1, 1));
    list.Append(Placed(1, 3));
    ASSERT_TRUE(list.AssignFingers(INT_NOT_SET, INT_NOT_SET));
    EXPECT_EQ(list[1].Position().finger, 1);
    EXPECT_EQ(list[2].Position().finger, 3);
}

TEST(NoteListFingers, AssignFingersOnOneString) {
    CNoteList list;
    for (int fret : {5, 7, 9, 0})
        list.Append(Placed(3, fret, 2));
    list.Append(Placed(2, 7));
    // A wide range (high - low >= 3) counts from its lowest fret.
    ASSERT_TRUE(list.AssignFingersOnString(3, 2, 5, 9));
    EXPECT_EQ(list[0].Position().finger, 1);
    EXPECT_EQ(list[1].Position().finger, 3);
    EXPECT_EQ(list[2].Position().finger, 4); // 5 capped at the little finger
    EXPECT_EQ(list[3].Position().finger, INT_NOT_SET);
    EXPECT_EQ(list[4].Position().finger, INT_NOT_SET); // other string

    // A narrow range counts from the hand when the hand is lower.
    ASSERT_TRUE(list.AssignFingersOnString(3, 4, 5, 7));
    EXPECT_EQ(list[0].Position().finger, 2);
    EXPECT_EQ(list[1].Position().finger, 4);
    ASSERT_TRUE(list.AssignFingersOnString(3, 6, 5, 7));
    EXPECT_EQ(list[0].Position().finger, 1);
}

} // namespace

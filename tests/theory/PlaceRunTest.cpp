#include "theory/NoteList.h"
#include "theory/NoteManager.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Finds strings and frets by the guitar and bass tunings, string 1 being the highest, exactly
// as the note manager's finder is bound to.
class CTuningFinder : public IFretFinder {
public:
    bool FindStringAndFret(THING thing, int lowestFret, int highestFret, CNote& note,
                           bool fromHighestString) override {
        ++calls;
        if (lowestFret > 22 || highestFret > 22)
            return false;
        static const int guitar[] = {64, 59, 55, 50, 45, 40};
        static const int bass[] = {43, 38, 33, 28};
        const int* open = nullptr;
        int strings = 0;
        if (thing == THING_RHYTHM_GUITAR || thing == THING_LEAD_GUITAR) {
            open = guitar;
            strings = 6;
        } else if (thing == THING_BASS_GUITAR) {
            open = bass;
            strings = 4;
        } else {
            return false;
        }
        for (int k = 0; k < strings; ++k) {
            int s = fromHighestString ? k : strings - 1 - k;
            if (open[s] + lowestFret <= note.m_midi && note.m_midi <= open[s] + highestFret) {
                note.Position().string = s + 1;
                note.Position().fret = note.m_midi - open[s];
                return true;
            }
        }
        return false;
    }
    int calls = 0;
};

TEST(TuningFinder, MatchesTheStatedExamples) {
    // E4 from the top string within frets 0 to 4 is the open first string; from the bottom
    // with frets 0 to 5 it is the fifth fret of the B string.
    CTuningFinder finder;
    CNote note;
    note.m_midi = 64;
    ASSERT_TRUE(finder.FindStringAndFret(THING_RHYTHM_GUITAR, 0, 4, note, true));
    EXPECT_EQ(note.Position().string, 1);
    EXPECT_EQ(note.Position().fret, 0);
    ASSERT_TRUE(finder.FindStringAndFret(THING_RHYTHM_GUITAR, 0, 5, note, false));
    EXPECT_EQ(note.Position().string, 2);
    EXPECT_EQ(note.Position().fret, 5);
    EXPECT_FALSE(finder.FindStringAndFret(THING_RHYTHM_GUITAR, 0, 23, note, true));
}

class PlaceRunTest : public ::testing::Test {
protected:
    void AddRun(std::initializer_list<int> midis) {
        for (int midi : midis) {
            CNote note;
            note.m_time = list.GetCount() * 0.25;
            note.m_midi = midi;
            list.Add(note);
        }
    }
    std::pair<int, int> At(int index) const {
        return {list[index].Position().string, list[index].Position().fret};
    }
    CNoteList list;
    CTuningFinder finder;
};

TEST_F(PlaceRunTest, HighestNoteSetsTheHandFourFretsBelow) {
    // B4 lands on string 1 fret 7, so the hand starts at fret 3.
    AddRun({71, 67, 60});
    ASSERT_TRUE(list.PlaceRun(0, 2, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, true, finder));
    EXPECT_EQ(At(0), std::make_pair(1, 7));
    EXPECT_EQ(At(1), std::make_pair(1, 3)); // G4 on the top string at the hand
    EXPECT_EQ(At(2), std::make_pair(3, 5)); // C4 on the G string
}

TEST_F(PlaceRunTest, StretchedRunIsPlacedAgainOneFretLower) {
    // First pass from fret 3: B2 only fits string 6 at fret 7, C3 string 5 at 3: a span of 4.
    AddRun({71, 47, 48});
    CNoteList single(list);
    ASSERT_TRUE(single.PlaceRun(0, 2, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, true, finder));
    EXPECT_EQ(single[1].Position().string, 6);
    EXPECT_EQ(single[1].Position().fret, 7);

    // The second pass from fret 2 reaches B2 on string 5.
    ASSERT_TRUE(list.PlaceRun(0, 2, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, false, finder));
    EXPECT_EQ(At(0), std::make_pair(1, 7));
    EXPECT_EQ(At(1), std::make_pair(5, 2));
    EXPECT_EQ(At(2), std::make_pair(5, 3));
}

TEST_F(PlaceRunTest, CompactRunIsPlacedOnce) {
    AddRun({71, 69, 68}); // frets 7, 5 and 4: a span of 3
    ASSERT_TRUE(list.PlaceRun(0, 2, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, false, finder));
    // One probe for the highest note and one search per note: no second pass.
    EXPECT_EQ(finder.calls, 4);
    EXPECT_EQ(At(1), std::make_pair(1, 5));
}

TEST_F(PlaceRunTest, SecondPassNeverGoesBelowFretOne) {
    // The hand at fret 1: one fret lower would be the nut.
    AddRun({45, 53, 60});
    ASSERT_TRUE(list.PlaceRun(0, 2, THING_RHYTHM_GUITAR, 1, 12, false, finder));
    int low = 0, high = 0;
    ASSERT_TRUE(list.GetFretRange(0, 2, INT_NOT_SET, low, high));
    EXPECT_GE(low, 1);
    EXPECT_EQ(At(0), std::make_pair(6, 5)); // A2 is not played open: the window starts at 1
}

TEST_F(PlaceRunTest, GivenHandFretAndHighestFretBoundTheSearch) {
    AddRun({64, 62});
    ASSERT_TRUE(list.PlaceRun(0, 1, THING_RHYTHM_GUITAR, 5, 8, true, finder));
    EXPECT_EQ(At(0), std::make_pair(2, 5));
    EXPECT_EQ(At(1), std::make_pair(3, 7));
}

TEST_F(PlaceRunTest, PlacedNotesKeepTheirStringInTheFirstPass) {
    AddRun({64, 60});
    list[1].Position().string = 2;
    list[1].Position().fret = 1;
    ASSERT_TRUE(list.PlaceRun(0, 1, THING_RHYTHM_GUITAR, 0, 4, true, finder));
    EXPECT_EQ(At(1), std::make_pair(2, 1));
}

TEST_F(PlaceRunTest, UnplayableNotesFailTheRun) {
    AddRun({70, 30}); // below the low E
    EXPECT_FALSE(list.PlaceRun(0, 1, THING_RHYTHM_GUITAR, INT_NOT_SET, INT_NOT_SET, true, finder));

    CNoteList high;
    CNote note;
    note.m_time = 0.0;
    note.m_midi = 100; // beyond fret 12 on every string: no hand position
    high.Add(note);
    EXPECT_FALSE(high.PlaceRun(0, 0, THING_RHYTHM_GUITAR, INT_NOT_SET, INT_NOT_SET, true, finder));
    EXPECT_EQ(high[0].Position().string, INT_NOT_SET);
}

TEST_F(PlaceRunTest, BassRunsUseTheBassStrings) {
    AddRun({43, 40, 36});
    ASSERT_TRUE(list.PlaceRun(0, 2, THING_BASS_GUITAR, 3, 7, true, finder));
    EXPECT_EQ(At(0), std::make_pair(2, 5));
    EXPECT_EQ(At(1), std::make_pair(3, 7));
    EXPECT_EQ(At(2), std::make_pair(3, 3));
}

TEST_F(PlaceRunTest, RangeOutsideTheListFails) {
    AddRun({64});
    EXPECT_FALSE(list.PlaceRun(0, 1, THING_RHYTHM_GUITAR, 0, 4, true, finder));
    EXPECT_FALSE(list.PlaceRun(1, 0, THING_RHYTHM_GUITAR, 0, 4, true, finder));
    EXPECT_EQ(finder.calls, 0);
}

TEST_F(PlaceRunTest, NoteManagerPlacesRunsLikeTheTunings) {
    // The note manager is the finder the application uses; it must agree with the tunings.
    CNoteManager manager;
    ASSERT_TRUE(manager.Initialize());
    AddRun({71, 47, 48, 60, 64, 55});
    CNoteList expected(list);
    ASSERT_TRUE(
        expected.PlaceRun(0, 5, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, false, finder));
    ASSERT_TRUE(list.PlaceRun(0, 5, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, false, manager));
    for (int i = 0; i < list.GetCount(); ++i)
        EXPECT_EQ(At(i), std::make_pair(expected[i].Position().string, expected[i].Position().fret))
            << i;
    EXPECT_EQ(At(1), std::make_pair(5, 2));
}

} // namespace

#include "song/MidiKeyboard.h"

#include <gtest/gtest.h>

namespace {

struct KEY_CASE {
    char key;
    int midi;
    int string; // keyboard row, the bass string
    int fret;   // column
};

class MidiKeyboardKeys : public ::testing::TestWithParam<KEY_CASE> {};

TEST_P(MidiKeyboardKeys, KeyPlaysItsStringAndFret) {
    const KEY_CASE& expected = GetParam();
    CMidiKeyboard keyboard;
    CNote note;
    ASSERT_TRUE(keyboard.NoteFromKey(expected.key, note)) << expected.key;
    EXPECT_EQ(note.m_midi, expected.midi) << expected.key;
    EXPECT_EQ(note.m_slots[1].string, expected.string) << expected.key;
    EXPECT_EQ(note.m_slots[1].fret, expected.fret) << expected.key;
    EXPECT_EQ(note.m_slots[0].string, INT_NOT_SET); // the note's own placement is untouched
}

// The ends of every row: open strings G2, D2, A1, E1 and their highest frets.
INSTANTIATE_TEST_SUITE_P(RowEnds, MidiKeyboardKeys,
                         ::testing::Values(KEY_CASE{'1', 43, 1, 0}, KEY_CASE{'=', 54, 1, 11},
                                           KEY_CASE{'Q', 38, 2, 0}, KEY_CASE{']', 49, 2, 11},
                                           KEY_CASE{'A', 33, 3, 0}, KEY_CASE{'\'', 43, 3, 10},
                                           KEY_CASE{'Z', 28, 4, 0}, KEY_CASE{'/', 37, 4, 9},
                                           KEY_CASE{'q', 38, 2, 0}, KEY_CASE{'0', 52, 1, 9},
                                           KEY_CASE{'T', 42, 2, 4}, KEY_CASE{'G', 37, 3, 4}));

TEST(MidiKeyboard, NeighbouringStringsMeetAtTheFifthFret) {
    // As on a bass: the fifth fret of a string sounds the next higher open string.
    CMidiKeyboard keyboard;
    CNote fifth, open;
    const char* rows[] = {"1234567890-=", "QWERTYUIOP[]", "ASDFGHJKL;'", "ZXCVBNM,./"};
    for (int r = 1; r < 4; ++r) {
        ASSERT_TRUE(keyboard.NoteFromKey(rows[r][5], fifth));
        ASSERT_TRUE(keyboard.NoteFromKey(rows[r - 1][0], open));
        EXPECT_EQ(fifth.m_midi, open.m_midi) << rows[r][5];
    }
}

TEST(MidiKeyboard, KeysOutsideTheLayoutGiveNoPitch) {
    CMidiKeyboard keyboard;
    for (int key : {int('`'), int(' '), int('\\'), 0, -5, 200, 0x1000}) {
        CNote note;
        note.m_midi = 60;
        EXPECT_FALSE(keyboard.NoteFromKey(key, note)) << key;
        EXPECT_EQ(note.m_midi, 255) << key;
    }
}

TEST(MidiKeyboard, PlayKeyLastsAsLongAsTheKeyWasHeld) {
    CMidiKeyboard keyboard;
    CNote note;
    ASSERT_TRUE(keyboard.PressKey('W', 10.0));
    ASSERT_TRUE(keyboard.PressKey('W', 10.2)); // auto-repeat: the first press counts
    ASSERT_TRUE(keyboard.PlayKey('w', note, 10.75));
    EXPECT_EQ(note.m_midi, 39);
    EXPECT_EQ(note.m_time, 0.0);
    EXPECT_DOUBLE_EQ(note.m_duration, 0.75);

    // The press was used up: releasing again gets the default length.
    ASSERT_TRUE(keyboard.PlayKey('W', note, 11.0));
    EXPECT_EQ(note.m_duration, CMidiKeyboard::DEFAULT_DURATION);
}

TEST(MidiKeyboard, KeysOfTheSamePitchShareAPress) {
    // "'" (A string, fret 10) and "1" (open G) are both G2.
    CMidiKeyboard keyboard;
    CNote note;
    ASSERT_TRUE(keyboard.PressKey('1', 1.0));
    ASSERT_TRUE(keyboard.PlayKey('\'', note, 1.5));
    EXPECT_DOUBLE_EQ(note.m_duration, 0.5);
}

TEST(MidiKeyboard, PlayKeyWithoutPressOrWithABackwardClock) {
    CMidiKeyboard keyboard;
    CNote note;
    EXPECT_FALSE(keyboard.PressKey('`', 1.0));
    EXPECT_FALSE(keyboard.PlayKey('`', note, 2.0));
    EXPECT_EQ(note.m_midi, 255);
    ASSERT_TRUE(keyboard.PressKey('Z', 5.0));
    ASSERT_TRUE(keyboard.PlayKey('Z', note, 4.0));
    EXPECT_EQ(note.m_duration, CMidiKeyboard::DEFAULT_DURATION);
}

} // namespace

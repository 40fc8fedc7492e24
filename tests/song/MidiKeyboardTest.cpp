#include "song/MidiKeyboard.h"

#include <gtest/gtest.h>

namespace {

// The four rows of the computer keyboard are the strings of a bass, G2 D2 A1 E1 from the top
// row, the columns its frets; each string at the fifth fret sounds the next higher open string.
TEST(MidiKeyboard, KeysPlayTheirStringAndFretLikeABass) {
    const struct {
        char key;
        int midi, string, fret;
    } keys[] = {{'1', 43, 1, 0}, {'=', 54, 1, 11},  {'q', 38, 2, 0}, {']', 49, 2, 11},
                {'A', 33, 3, 0}, {'\'', 43, 3, 10}, {'Z', 28, 4, 0}, {'/', 37, 4, 9},
                {'B', 32, 4, 4}, {'6', 48, 1, 5}};
    CMidiKeyboard keyboard;
    for (const auto& expected : keys) {
        CNote note;
        ASSERT_TRUE(keyboard.NoteFromKey(expected.key, note)) << expected.key;
        EXPECT_EQ(note.m_midi, expected.midi) << expected.key;
        EXPECT_EQ(note.m_slots[1].string, expected.string) << expected.key;
        EXPECT_EQ(note.m_slots[1].fret, expected.fret) << expected.key;
        EXPECT_EQ(note.m_slots[0].string, INT_NOT_SET) << "the note's own place is untouched";
    }
    for (int key : {int('`'), int(' '), int('\\'), 0, -5, 128, 0x1000}) {
        CNote note;
        note.m_midi = 60;
        EXPECT_FALSE(keyboard.NoteFromKey(key, note)) << key;
        EXPECT_EQ(note.m_midi, 255) << key;
    }
}

TEST(MidiKeyboard, APlayedKeyLastsAsLongAsItsPitchWasHeld) {
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
    // "'" (A string, fret 10) and "1" (open G) are both G2 and share a press.
    ASSERT_TRUE(keyboard.PressKey('1', 1.0));
    ASSERT_TRUE(keyboard.PlayKey('\'', note, 1.5));
    EXPECT_DOUBLE_EQ(note.m_duration, 0.5);
    // A clock that went backwards gets the default length too; unknown keys do nothing.
    ASSERT_TRUE(keyboard.PressKey('Z', 5.0));
    ASSERT_TRUE(keyboard.PlayKey('Z', note, 4.0));
    EXPECT_EQ(note.m_duration, CMidiKeyboard::DEFAULT_DURATION);
    ASSERT_TRUE(keyboard.PressKey('Z', 5.0));
    ASSERT_TRUE(keyboard.PlayKey('Z', note, 5.0));
    EXPECT_EQ(note.m_duration, 0.0);
    EXPECT_FALSE(keyboard.PressKey('`', 1.0));
    EXPECT_FALSE(keyboard.PlayKey('`', note, 2.0));
}

} // namespace

#include "theory/Spelling.h"
#include "theory/Chord.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using NAMES = std::vector<std::string>;
const std::string kLetters = "CDEFGAB";

// A key as a teacher writes it out from its signature: n sharps (F C G D A E B) or -n flats
// (B E A D G C F), the tonic that many fifths from C, or from A for a minor key.
struct KEY {
    int pitchClass;
    NAMES notes; // one octave up from the tonic
};

KEY KeyWithSignature(int accidentals, bool minor) {
    const bool flats = accidentals < 0;
    const int n = flats ? -accidentals : accidentals;
    const std::string altered = std::string(flats ? "BEADGCF" : "FCGDAEB").substr(0, n);
    const int letter = ((flats ? 3 * n : 4 * n) + (minor ? 5 : 0)) % 7;
    KEY key{((flats ? 5 * n : 7 * n) + (minor ? 9 : 0)) % 12, {}};
    for (int i = 0; i < 7; ++i) {
        std::string name(1, kLetters[(letter + i) % 7]);
        if (altered.find(name[0]) != std::string::npos)
            name += flats ? "b" : "#";
        key.notes.push_back(name);
    }
    return key;
}

class Spelling : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(manager.Initialize()); }

    NAMES Written(int scaleType, int root) {
        CNoteList notes;
        EXPECT_TRUE(manager.GetScaleNotesInRange(root, scaleType, root, root + 11,
                                                 THING_LEAD_GUITAR, notes));
        const CSpelling spelling(scaleType, root, NOTE_NAMES_KEY);
        NAMES names;
        for (const CNote& note : notes)
            names.push_back(spelling.Name(note.m_midi));
        return names;
    }
    CNoteManager manager;
};

TEST_F(Spelling, EveryMajorAndMinorKeyHasItsKeySignature) {
    EXPECT_EQ(Written(1, 63), (NAMES{"Eb", "F", "G", "Ab", "Bb", "C", "D"}));
    // The harmonic minor keeps the minor's signature and raises the seventh.
    EXPECT_EQ(Written(10, 56), (NAMES{"G#", "A#", "B", "C#", "D#", "E", "F##"}));
    // A note outside the key leans its way.
    EXPECT_STREQ(CSpelling(1, 53, NOTE_NAMES_KEY).Name(63), "Eb");
    EXPECT_STREQ(CSpelling(1, 52, NOTE_NAMES_KEY).Name(63), "D#");
    // C G D A E B F# major and F Bb Eb Ab Db; A E B F# C# G# minor and D G C F Bb Eb: all twelve
    // roots of each, with fewer accidentals than the enharmonic other.
    for (bool minor : {false, true}) {
        for (int n = minor ? -6 : -5; n <= (minor ? 5 : 6); ++n) {
            const KEY key = KeyWithSignature(n, minor);
            EXPECT_EQ(Written(minor ? 9 : 1, 48 + key.pitchClass), key.notes) << key.notes[0];
        }
    }
}

TEST_F(Spelling, EveryModeOfEveryRootCarriesItsParentsAccidentals) {
    for (int scale : {2, 3, 4, 5, 6, 7, 8}) {
        int position = 0, offset = 0;
        ASSERT_TRUE(manager.GetModePosition(scale, position, offset));
        for (int root = 48; root < 60; ++root) {
            NAMES mode = Written(scale, root);
            const char parentLetter = kLetters[(kLetters.find(mode[0][0]) + 8 - position) % 7];
            NAMES parent;
            for (int n = -6; n <= 6; ++n) { // a parent of seven sharps or flats is never chosen
                const KEY key = KeyWithSignature(n, false);
                if (key.pitchClass == (root - offset + 12) % 12 && key.notes[0][0] == parentLetter)
                    parent = key.notes;
            }
            std::rotate(mode.begin(), mode.end() - (position - 1), mode.end());
            EXPECT_EQ(mode, parent) << scale << " on " << root;
        }
    }
}

TEST_F(Spelling, ChordsAreNamedFromTheirRootsSpellingInTheKey) {
    const CSpelling abMajor(1, 56, NOTE_NAMES_KEY);
    NAMES triads;
    for (int degree = 1; degree <= 7; ++degree) {
        CChord chord;
        ASSERT_TRUE(manager.GetScaleChord(1, 56, CHORD_GROUP_TRIAD, degree, chord));
        triads.push_back(abMajor.ChordName(chord.m_root.m_midi, chord.m_chordType).Str());
    }
    EXPECT_EQ(triads, (NAMES{"Ab", "Bbm", "Cm", "Db", "Eb", "Fm", "Go"}));
    EXPECT_EQ(CSpelling(1, 49, NOTE_NAMES_KEY).ChordName(51, 4), "Ebm7");
    // A chord's notes by their intervals: the diminished seventh on C has Bbb, not A.
    const CSpelling dim7 = CSpelling::ForChord(7, 60, NOTE_NAMES_KEY);
    EXPECT_EQ(std::string(dim7.Name(63)) + dim7.Name(66) + dim7.Name(69), "EbGbBbb");
}

} // namespace

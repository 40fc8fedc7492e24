#include "theory/Spelling.h"
#include "theory/Chord.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kLetters = "CDEFGAB";

// A key signature as a teacher writes it out: n sharps (F C G D A E B) or n flats (B E A D G C F)
// and the tonic that many fifths away from C, or from A for a minor key.
struct KEY {
    std::string tonic;
    int pitchClass;
    std::string notes; // one octave up from the tonic
};

KEY KeyWithSignature(int accidentals, bool minor) {
    const bool flats = accidentals < 0;
    const int n = flats ? -accidentals : accidentals;
    const std::string order = flats ? "BEADGCF" : "FCGDAEB";
    const std::set<char> altered(order.begin(), order.begin() + n);
    const int letter = ((flats ? 3 * n : 4 * n) + (minor ? 5 : 0)) % 7;
    KEY key{"", ((flats ? 5 * n : 7 * n) + (minor ? 9 : 0)) % 12, ""};
    for (int i = 0; i < 7; ++i) {
        std::string name(1, kLetters[(letter + i) % 7]);
        if (altered.count(name[0]))
            name += flats ? "b" : "#";
        key.notes += (i ? " " : "") + name;
        if (i == 0)
            key.tonic = name;
    }
    return key;
}

std::vector<std::string> Split(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// The pitch class a written name stands for.
int PitchOf(const std::string& name) {
    static const int natural[7] = {0, 2, 4, 5, 7, 9, 11};
    int pitch = natural[kLetters.find(name[0])];
    for (char c : name.substr(1))
        pitch += c == '#' ? 1 : -1;
    return (pitch + 24) % 12;
}

class Spelling : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(manager.Initialize()); }

    std::string Written(int scaleType, int root, NOTE_NAMES names = NOTE_NAMES_KEY) {
        CNoteList notes;
        EXPECT_TRUE(manager.GetScaleNotesInRange(root, scaleType, root, root + 11,
                                                 THING_LEAD_GUITAR, notes));
        const CSpelling spelling(scaleType, root, names);
        std::string text;
        for (const CNote& note : notes)
            text += (text.empty() ? "" : " ") + std::string(spelling.Name(note.m_midi));
        return text;
    }
    CNoteManager manager;
};

TEST_F(Spelling, EveryMajorAndMinorKeyHasItsKeySignature) {
    EXPECT_EQ(Written(1, 63), "Eb F G Ab Bb C D");
    // A note outside the key leans its way.
    EXPECT_STREQ(CSpelling(1, 53, NOTE_NAMES_KEY).Name(63), "Eb");
    EXPECT_STREQ(CSpelling(1, 52, NOTE_NAMES_KEY).Name(63), "D#");
    // C G D A E B F# major and F Bb Eb Ab Db; A E B F# C# G# minor and D G C F Bb Eb: all twelve
    // roots of each, with fewer accidentals than the enharmonic other.
    for (bool minor : {false, true}) {
        for (int n = minor ? -6 : -5; n <= (minor ? 5 : 6); ++n) {
            const KEY key = KeyWithSignature(n, minor);
            EXPECT_EQ(Written(minor ? 9 : 1, 48 + key.pitchClass), key.notes) << key.tonic;
        }
    }
}

TEST_F(Spelling, EveryModeOfEveryRootCarriesItsParentsAccidentals) {
    for (int scale : {1, 2, 3, 4, 5, 6, 7, 8, 9, 12}) {
        int position = 0, offset = 0;
        ASSERT_TRUE(manager.GetModePosition(scale, position, offset));
        for (int root = 48; root < 60; ++root) {
            const std::string written = Written(scale, root);
            const int parentLetter = (kLetters.find(written[0]) + 8 - position) % 7;
            bool found = false;
            for (int n = -6; n <= 6; ++n) { // a parent of seven sharps or flats is never chosen
                const KEY parent = KeyWithSignature(n, false);
                if (parent.pitchClass != (root - offset + 12) % 12 ||
                    parent.tonic[0] != kLetters[parentLetter])
                    continue;
                found = true;
                const std::vector<std::string> notes = Split(parent.notes), mode = Split(written);
                EXPECT_EQ(std::set(mode.begin(), mode.end()), std::set(notes.begin(), notes.end()))
                    << scale << " on " << written;
            }
            EXPECT_TRUE(found) << scale << " on " << written;
        }
    }
}

TEST_F(Spelling, HarmonicAndMelodicMinorRaiseTheNaturalMinorsNotes) {
    EXPECT_EQ(Written(10, 56), "G# A# B C# D# E F##");
    for (int root = 48; root < 60; ++root) {
        const std::vector<std::string> natural = Split(Written(9, root));
        for (auto [scale, raisedFrom] : {std::pair{10, 6}, std::pair{11, 5}}) {
            std::string expected;
            for (size_t i = 0; i < natural.size(); ++i) {
                std::string name = natural[i];
                if (static_cast<int>(i) >= raisedFrom)
                    name = name.back() == 'b' ? name.substr(0, name.size() - 1) : name + "#";
                expected += (i ? " " : "") + name;
            }
            EXPECT_EQ(Written(scale, root), expected) << natural[0];
        }
    }
}

TEST_F(Spelling, ChordsAreNamedFromTheirRootsSpellingInTheKey) {
    for (auto [root, group, expected] :
         {std::tuple{56, 4, "Ab Bbm Cm Db Eb Fm Go"},
          std::tuple{49, 7, "Dbmaj7 Ebm7 Fm7 Gbmaj7 Ab7 Bbm7 Cm7-5"}}) {
        const CSpelling key(1, root, NOTE_NAMES_KEY);
        std::string names;
        for (int degree = 1; degree <= 7; ++degree) {
            CChord chord;
            ASSERT_TRUE(manager.GetScaleChord(1, root, group, degree, chord));
            names += (names.empty() ? "" : " ") +
                     key.ChordName(chord.m_root.m_midi, chord.m_chordType).Str();
        }
        EXPECT_EQ(names, expected);
    }
    // A chord's notes by their intervals: the diminished seventh on C has Bbb, not A.
    const CSpelling dim7 = CSpelling::ForChord(7, 60, NOTE_NAMES_KEY);
    EXPECT_EQ(std::string(dim7.Name(63)) + dim7.Name(66) + dim7.Name(69), "EbGbBbb");
    EXPECT_EQ(CSpelling::ForChord(1, 58, NOTE_NAMES_KEY).ChordName(58, 1), "Bb");
}

TEST_F(Spelling, SharpsOnlyGivesTheNoteTablesNamesAndTheKeyTheSamePitches) {
    for (int scale = 1; scale <= SCALE_TYPE_COUNT; ++scale) {
        for (int root = 48; root < 60; ++root) {
            const CSpelling sharps(scale, root, NOTE_NAMES_SHARPS);
            const CSpelling key(scale, root, NOTE_NAMES_KEY);
            for (int midi = 0; midi < 12; ++midi) {
                EXPECT_STREQ(sharps.Name(midi), GetSharpName(midi));
                EXPECT_EQ(PitchOf(key.Name(midi)), midi) << scale << " " << root;
                CCharString today;
                manager.GetChordName(midi, 4, today);
                EXPECT_EQ(sharps.WithChord(4, midi).ChordName(midi, 4), today);
            }
            std::set<char> letters;
            for (const std::string& name : Split(Written(scale, root)))
                letters.insert(name[0]);
            if (GetScaleTypeRecord(scale)->stepCount == 6) { // seven notes: each letter once
                EXPECT_EQ(letters.size(), 7u) << Written(scale, root);
            }
        }
    }
}

} // namespace

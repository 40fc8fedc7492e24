#include "theory/Spelling.h"

#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr char kLetters[] = "CDEFGAB";
constexpr int kNatural[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int kMaxNotes = 8;
constexpr int kUnwritable = 100; // the cost of a note that would need a triple accidental

constexpr int kMajor = 1;
constexpr int kMixolydian = 6;
constexpr int kNaturalMinor = 9;

// How the scales are written.
//
// Each note takes the letter of its degree counted from the tonic's letter, with whatever
// accidental makes it sound: a seven-note scale uses every letter once, so a mode carries its
// parent major's key signature (D Dorian: D E F G A B C) and the harmonic and melodic minors
// the relative minor's, with the raised notes (G# harmonic minor: G# A# B C# D# E F##).
//
// The tonic: a white-key root keeps its letter (F Locrian has Cb, B Lydian has E#). A black-key
// root takes whichever of its two names writes the scale's key with fewer accidentals, a double
// one counting two: Db major rather than C#, C# minor rather than Db. On a tie, which only the
// keys of six sharps or six flats meet, it keeps the name of its major key (Db Eb F# Ab Bb):
// F# major, and from six flats Eb minor, Ab Dorian, Bb Phrygian, Db Mixolydian. The key is the
// scale itself for the modes, the diminished and the enigmatic scales; the natural minor for
// the harmonic and melodic minors, the minor pentatonic, the blues and the Neapolitan and
// Hungarian scales (they keep the minor's tonic: G# Neapolitan minor, not Ab); the major for
// the major pentatonic; the Mixolydian for the bebop scale.
//
// The scales that do not have seven notes, by their usual formulas:
//   pentatonic major 1 2 3 5 6 (C D E G A); pentatonic minor 1 b3 4 5 b7 (A C D E G);
//   blues 1 b3 4 b5 5 b7, the blue note written #4 where that takes fewer accidentals
//     (A C D Eb E G, but F Ab Bb B C Eb);
//   diminished 1 2 b3 4 b5 b6 6 7, the b5 and b6 written #4 and #5 where that takes fewer
//     accidentals (C D Eb F Gb Ab A B, but Eb F Gb Ab A B C D);
//   bebop 1 2 3 4 5 6 b7 7, the Mixolydian with the major seventh (C D E F G A Bb B).
// The exotic seven-note scales follow their formulas like the rest: enigmatic 1 b2 3 #4 #5 #6 7
// (C Db E F# G# A# B), Neapolitan 1 b2 b3 4 5 6 7 (C Db Eb F G A B), Neapolitan minor
// 1 b2 b3 4 5 b6 7, Hungarian minor 1 2 b3 #4 5 b6 7 (A B C D# E F G#).
struct SCALE_SPELLING {
    int keyScale; // 0: the scale itself
    // The degree of each note; none listed: one letter per note.
    int degrees[kMaxNotes];
    // Another degree a note may be written as when that takes fewer accidentals; 0: none.
    int alternatives[kMaxNotes];
};

const SCALE_SPELLING kRules[SCALE_TYPE_COUNT + 1] = {
    {},
    {},                                                // Major
    {},                                                // Ionian
    {},                                                // Dorian
    {},                                                // Phrygian
    {},                                                // Lydian
    {},                                                // Mixolydian
    {},                                                // Aeolian
    {},                                                // Locrian
    {},                                                // Natural minor
    {kNaturalMinor, {}, {}},                           // Harmonic minor
    {kNaturalMinor, {}, {}},                           // Melodic minor
    {},                                                // Melodic minor (descending)
    {kMajor, {1, 2, 3, 5, 6}, {}},                     // Pentatonic major
    {kNaturalMinor, {1, 3, 4, 5, 7}, {}},              // Pentatonic minor
    {kNaturalMinor, {1, 3, 4, 5, 5, 7}, {0, 0, 0, 4}}, // Blues
    {0, {1, 2, 3, 4, 5, 6, 6, 7}, {0, 0, 0, 0, 4, 5}}, // Diminished
    {kMixolydian, {1, 2, 3, 4, 5, 6, 7, 7}, {}},       // Bebop
    {},                                                // Enigmatic
    {kNaturalMinor, {}, {}},                           // Neapolitanian
    {kNaturalMinor, {}, {}},                           // Neapolitanian minor
    {kNaturalMinor, {}, {}},                           // Hungarian minor
};

int PitchClass(int midi) {
    int k = midi % 12;
    return k < 0 ? k + 12 : k;
}

// The accidental (-6 to 5 semitones) that makes letter sound as pitchClass.
int AccidentalFor(int pitchClass, int letter) {
    return (pitchClass - kNatural[letter] + 18) % 12 - 6;
}

int LetterOf(const char* name) {
    return static_cast<int>(std::strchr(kLetters, name[0]) - kLetters);
}

struct SPELLED {
    int count = 0;
    int letter[kMaxNotes] = {};
    int accidental[kMaxNotes] = {};
    int cost = 0; // accidentals written, a double one counting two
    int flats = 0, sharps = 0;
};

SPELLED SpellOnLetter(const SCALE_TYPE& scale, int root, int tonicLetter) {
    const SCALE_SPELLING& rule = kRules[scale.number];
    SPELLED spelled;
    spelled.count = scale.stepCount + 1;
    int semitones = 0;
    for (int i = 0; i < spelled.count; ++i) {
        if (i > 0)
            semitones += scale.steps[i - 1];
        const int pitchClass = PitchClass(root + semitones);
        const int degree = rule.degrees[0] != 0 ? rule.degrees[i] : i + 1;
        int letter = (tonicLetter + degree - 1) % 7;
        int accidental = AccidentalFor(pitchClass, letter);
        if (rule.alternatives[i] != 0) {
            const int other = (tonicLetter + rule.alternatives[i] - 1) % 7;
            if (std::abs(AccidentalFor(pitchClass, other)) < std::abs(accidental)) {
                letter = other;
                accidental = AccidentalFor(pitchClass, other);
            }
        }
        spelled.letter[i] = letter;
        spelled.accidental[i] = accidental;
        spelled.cost += std::abs(accidental) <= 2 ? std::abs(accidental) : kUnwritable;
        (accidental < 0 ? spelled.flats : spelled.sharps) += std::abs(accidental);
    }
    return spelled;
}

// The tonic's letter: its own for a white key; for a black key the one of its two names that
// writes the key with fewer accidentals, on a tie the name of its major key.
int TonicLetter(int keyScale, int root) {
    const int pitchClass = PitchClass(root);
    const char* sharp = GetSharpName(pitchClass);
    const char* flat = GetFlatName(pitchClass);
    if (std::strcmp(sharp, flat) == 0)
        return LetterOf(sharp);
    const SCALE_TYPE& key = *GetScaleTypeRecord(keyScale);
    const int sharpCost = SpellOnLetter(key, root, LetterOf(sharp)).cost;
    const int flatCost = SpellOnLetter(key, root, LetterOf(flat)).cost;
    if (sharpCost != flatCost)
        return LetterOf(sharpCost < flatCost ? sharp : flat);
    return LetterOf(pitchClass == 6 ? sharp : flat);
}

} // namespace

CSpelling::CSpelling() {
    for (int k = 0; k < 12; ++k) {
        const char* name = GetSharpName(k);
        SetName(k, LetterOf(name), name[1] == '#' ? 1 : 0);
    }
}

CSpelling::CSpelling(int scaleType, int root, NOTE_NAMES names) : CSpelling() {
    const SCALE_TYPE* scale = GetScaleTypeRecord(scaleType);
    if (names == NOTE_NAMES_SHARPS || !scale)
        return;
    m_sharps = false;
    const int keyScale = kRules[scaleType].keyScale != 0 ? kRules[scaleType].keyScale : scaleType;
    const int tonic = TonicLetter(keyScale, root);

    // Notes outside the scale lean the way its key does.
    const SPELLED key = SpellOnLetter(*GetScaleTypeRecord(keyScale), root, tonic);
    if (key.flats > key.sharps) {
        for (int k = 0; k < 12; ++k) {
            const char* name = GetFlatName(k);
            SetName(k, LetterOf(name), name[1] == 'b' ? -1 : 0);
        }
    }
    const SPELLED spelled = SpellOnLetter(*scale, root, tonic);
    for (int i = 0; i < spelled.count; ++i) {
        if (std::abs(spelled.accidental[i]) > 2)
            continue; // never chosen while a better name exists; the plain name stands
        const int pitchClass = PitchClass(kNatural[spelled.letter[i]] + spelled.accidental[i]);
        SetName(pitchClass, spelled.letter[i], spelled.accidental[i]);
    }
}

CSpelling CSpelling::ForChord(int chordType, int root, NOTE_NAMES names) {
    const CHORD_TYPE* type = GetChordTypeRecord(chordType);
    bool minor = false;
    for (int i = 0; type && i < type->noteCount; ++i)
        minor |= type->notes[i].degree == 3 && type->notes[i].accidental == ACCIDENTAL_FLAT;
    return CSpelling(minor ? kNaturalMinor : kMajor, root, names).WithChord(chordType, root);
}

CSpelling CSpelling::WithChord(int chordType, int chordRoot) const {
    CSpelling spelling(*this);
    const CHORD_TYPE* type = chordType > 0 ? GetChordTypeRecord(chordType) : nullptr;
    if (m_sharps || !type)
        return spelling;
    const int root = PitchClass(chordRoot);
    for (int i = 0; i < type->noteCount; ++i) {
        const int pitchClass = PitchClass(root + type->notes[i].semitones);
        const int letter = (m_letter[root] + type->notes[i].degree - 1) % 7;
        const int accidental = AccidentalFor(pitchClass, letter);
        if (std::abs(accidental) <= 2)
            spelling.SetName(pitchClass, letter, accidental);
    }
    return spelling;
}

const char* CSpelling::Name(int midi) const {
    return m_names[PitchClass(midi)];
}

CCharString CSpelling::ChordName(int chordRoot, int chordType) const {
    CCharString name;
    const CHORD_TYPE* type = chordType > 0 ? GetChordTypeRecord(chordType) : nullptr;
    if (type && chordRoot >= 0 && chordRoot != MIDI_NO_PITCH)
        name.Format("%s%s", Name(chordRoot), type->symbol);
    return name;
}

void CSpelling::SetName(int pitchClass, int letter, int accidental) {
    m_letter[pitchClass] = letter;
    char* name = m_names[pitchClass];
    int length = 0;
    name[length++] = kLetters[letter];
    for (int i = 0; i < std::abs(accidental); ++i)
        name[length++] = accidental < 0 ? 'b' : '#';
    name[length] = '\0';
}

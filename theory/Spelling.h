#pragma once

#include "core/CharString.h"

// How note names are shown: as the key is written (Eb major: "Eb F G Ab Bb C D") or with the
// note table's sharp names everywhere ("D# F G G# A# C D"). The numbers are what the settings
// store.
enum NOTE_NAMES : int { NOTE_NAMES_KEY = 0, NOTE_NAMES_SHARPS = 1 };

// The names of the twelve pitch classes as one scale, or one chord within it, is written.
// Pitch classes outside the scale take the key's side: flat names in a key written with flats,
// sharp names otherwise. With NOTE_NAMES_SHARPS every name is the note table's sharp name.
// Names only: files keep MIDI numbers and accidentals, so nothing saved depends on this.
class CSpelling {
public:
    // Sharp names everywhere.
    CSpelling();
    // The scale on root (any MIDI note of the tonic's pitch class). An unknown scale type
    // gives the sharp names.
    CSpelling(int scaleType, int root, NOTE_NAMES names);
    // A chord on its own, in the key of its root: major, or natural minor for a chord with a
    // minor third ("Bb", "Ebm7", "C#m").
    static CSpelling ForChord(int chordType, int root, NOTE_NAMES names);

    // This spelling with the notes of chordType on chordRoot named from the root's name here,
    // by their intervals (the Bbm of Ab major: Bb Db F). Sharp names stay as they are.
    CSpelling WithChord(int chordType, int chordRoot) const;

    // The name of a MIDI note's pitch class ("Eb", "F##"); negative notes fold into 0 to 11.
    const char* Name(int midi) const;
    // The root's name followed by the chord symbol ("Bb", "Ebm7"); empty for an unknown type.
    CCharString ChordName(int chordRoot, int chordType) const;
    bool IsSharps() const { return m_sharps; }

private:
    void SetName(int pitchClass, int letter, int accidental);

    // Letter (0 = C to 6 = B) and name of each pitch class.
    int m_letter[12];
    char m_names[12][4];
    bool m_sharps = true;
};

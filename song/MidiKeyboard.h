#pragma once

#include "theory/Note.h"

// Plays notes from the computer keyboard as on a four-string bass fretboard: one keyboard row
// per string, one column per fret.
//
//   row 1 "1234567890-="  column 0 is MIDI 43 (open G)
//   row 2 "QWERTYUIOP[]"  MIDI 38 (D)
//   row 3 "ASDFGHJKL;'"   MIDI 33 (A)
//   row 4 "ZXCVBNM,./"    MIDI 28 (E)
//
// Keys are characters; letters match in either case.
class CMidiKeyboard {
public:
    static constexpr int ROW_COUNT = 4;
    // Duration of a played key whose press was never recorded.
    static constexpr double DEFAULT_DURATION = 0.25;

    CMidiKeyboard();
    virtual ~CMidiKeyboard() = default;

    // On a hit the note's MIDI note is the row's base + column and its second fretboard slot
    // records the row (1 to 4) as string and the column as fret. On a miss the MIDI note is 255
    // and the result false.
    bool NoteFromKey(int key, CNote& note) const;
    // Records when a key went down (seconds on the caller's clock). False for a key outside
    // the layout.
    bool PressKey(int key, double time);
    // NoteFromKey, then time 0 and the duration from the recorded press to releaseTime
    // (DEFAULT_DURATION when no press was recorded, or the clock went backwards). The press is
    // forgotten.
    bool PlayKey(int key, CNote& note, double releaseTime);

private:
    // Press time per MIDI note of the layout; TIME_NOT_SET when not held.
    double m_pressTimes[128];
};

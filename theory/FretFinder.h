#pragma once

#include "theory/Thing.h"

class CNote;

// Finds a string and fret for a pitch on a band guitar. The note manager is the real finder;
// the note list only needs this one operation, so it depends on nothing more.
class IFretFinder {
public:
    virtual ~IFretFinder() = default;

    // Places note (by its MIDI note) on the fretboard of thing's instrument kind within frets
    // lowestFret to highestFret (both at most 22, else false). Strings are visited from string 1
    // (the highest) upward when fromHighestString, else from the last string downward; the first
    // string whose open note + lowestFret <= MIDI note <= open note + highestFret gets it, and
    // the note's first slot receives that string and fret = MIDI note - open note. When no string
    // qualifies, string and fret stay unset and the result is false.
    virtual bool FindStringAndFret(THING thing, int lowestFret, int highestFret, CNote& note,
                                   bool fromHighestString) = 0;
};

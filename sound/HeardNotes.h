#pragma once

#include "theory/Note.h"
#include "theory/NoteList.h"

#include <cstdint>

// Turns the input notes of sound capture (one per drained block) into the notes a player plays,
// and counts those that belong to a set of pitch classes (a scale or a chord) and those that do
// not. A note counts once, when its pitch has been heard in two blocks in a row, so a reading
// that only passes by at an onset never counts; the same pitch counts again after another
// pitch or a block without one.
class CHeardNotes {
public:
    // The pitch classes of notes (MIDI modulo 12) as bits, C the lowest.
    static uint16_t PitchClassesOf(const CNoteList& notes);

    // The pitch classes that belong from now on; the counts start again.
    void SetBelonging(uint16_t pitchClasses);
    void ResetCounts();
    // Takes the next input note; true when it completed a newly played note.
    bool Hear(const CNote& input);

    // The played note still heard, or 255 when none.
    int GetCurrent() const { return m_current; }
    bool Belongs(int midi) const;
    int GetInCount() const { return m_in; }
    int GetOutCount() const { return m_out; }

private:
    uint16_t m_belonging = 0;
    int m_candidate = MIDI_NO_PITCH;
    int m_current = MIDI_NO_PITCH;
    int m_in = 0;
    int m_out = 0;
};

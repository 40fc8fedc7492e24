#include "sound/HeardNotes.h"

uint16_t CHeardNotes::PitchClassesOf(const CNoteList& notes) {
    uint16_t classes = 0;
    for (const CNote& note : notes)
        if (note.HasPitch())
            classes |= static_cast<uint16_t>(1u << (note.m_midi % 12));
    return classes;
}

void CHeardNotes::SetBelonging(uint16_t pitchClasses) {
    m_belonging = pitchClasses;
    ResetCounts();
}

void CHeardNotes::ResetCounts() {
    m_in = 0;
    m_out = 0;
}

bool CHeardNotes::Belongs(int midi) const {
    return midi >= 0 && midi < MIDI_NO_PITCH && (m_belonging >> (midi % 12) & 1) != 0;
}

bool CHeardNotes::Hear(const CNote& input) {
    const int midi = input.HasPitch() ? input.m_midi : MIDI_NO_PITCH;
    if (midi == MIDI_NO_PITCH || midi != m_candidate) {
        // A gap ends the played note; one passing reading of another pitch does not.
        if (midi == MIDI_NO_PITCH)
            m_current = MIDI_NO_PITCH;
        m_candidate = midi;
        return false;
    }
    if (midi == m_current)
        return false;
    m_current = midi;
    if (Belongs(midi))
        ++m_in;
    else
        ++m_out;
    return true;
}

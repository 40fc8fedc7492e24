#include "theory/Note.h"

#include "theory/NoteManager.h"

void CNote::Reset() {
    // Everything but the error text, which callers read after a failed reuse.
    CopyFields(CNote());
}

void CNote::CopyFields(const CNote& other) {
    m_thing = other.m_thing;
    m_spare = other.m_spare;
    m_hand = other.m_hand;
    m_time = other.m_time;
    m_duration = other.m_duration;
    m_pan = other.m_pan;
    m_volume = other.m_volume;
    m_frequency = other.m_frequency;
    m_spareDouble = other.m_spareDouble;
    m_sharpName.Set(other.m_sharpName);
    m_flatName.Set(other.m_flatName);
    m_octave = other.m_octave;
    m_midi = other.m_midi;
    for (int i = 0; i < NOTE_WORK_COUNT; ++i)
        m_work[i] = other.m_work[i];
    m_degree = other.m_degree;
    m_semitones = other.m_semitones;
    m_accidental = other.m_accidental;
    m_spareInt[0] = other.m_spareInt[0];
    m_spareInt[1] = other.m_spareInt[1];
    m_positionFlag = other.m_positionFlag;
    for (int i = 0; i < FRET_SLOT_COUNT; ++i)
        m_slots[i] = other.m_slots[i];
    m_chordType = other.m_chordType;
    m_chordRoot = other.m_chordRoot;
    m_length = other.m_length;
}

int32_t CNote::GetSoundingMidi() const {
    if (m_midi >= MIDI_NO_PITCH)
        return m_midi;
    if (m_accidental == ACCIDENTAL_SHARP)
        return m_midi + 1;
    if (m_accidental == ACCIDENTAL_FLAT)
        return m_midi - 1;
    return m_midi;
}

namespace {

void AppendInt(CCharString& line, const char* label, int32_t value) {
    if (value == INT_NOT_SET)
        line.AppendFormat(" %s=-", label);
    else
        line.AppendFormat(" %s=%d", label, value);
}

void AppendTime(CCharString& line, const char* label, double value) {
    if (value == TIME_NOT_SET)
        line.AppendFormat(" %s=-", label);
    else
        line.AppendFormat(" %s=%0.4f", label, value);
}

} // namespace

void CNote::Dump(CCharString& line) const {
    line.Empty();
    AppendTime(line, "time", m_time);
    AppendTime(line, "dur", m_duration);
    line.AppendFormat(" midi=%d", m_midi);
    // A note read from a file has no names yet: the table's naming stands in for them.
    if (HasPitch() && m_octave != INT_NOT_SET)
        line.AppendFormat(" %s%d", m_sharpName.GetText(), m_octave);
    else if (HasPitch() && m_midi < NOTE_TABLE_SIZE)
        line.AppendFormat(" %s%d", GetSharpName(m_midi), m_midi / 12 - 1);
    line.AppendFormat(" vol=%0.2f pan=%0.2f thing=%d hand=%d deg=%d semi=%d acc=%d len=%d",
                      m_volume, m_pan, m_thing, m_hand, m_degree, m_semitones, m_accidental,
                      m_length);
    const FRET_SLOT& slot = m_slots[0];
    AppendInt(line, "string", slot.string);
    AppendInt(line, "fret", slot.fret);
    AppendInt(line, "finger", slot.finger);
    line.AppendFormat(" mode=%d", slot.mode);
    if (m_chordType != 0)
        line.AppendFormat(" chord=%d root=%d", m_chordType, m_chordRoot);
    line.Trim(' ');
}

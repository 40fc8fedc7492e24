#pragma once

#include "core/CharString.h"
#include "theory/Thing.h"

#include <cstdint>
#include <limits>

// Not-set values. Every operation tests for them exactly, never by range.
constexpr int32_t INT_NOT_SET = 2147483647;
constexpr double TIME_NOT_SET = std::numeric_limits<double>::max(); // 1.7976931348623157e308
constexpr int32_t MIDI_NO_PITCH = 255;

// Accidentals of a note. A chord root may also carry ACCIDENTAL_NATURAL_SIGN (an explicit
// natural), which plain notes never use.
constexpr int32_t ACCIDENTAL_NONE = 0;
constexpr int32_t ACCIDENTAL_SHARP = 1;
constexpr int32_t ACCIDENTAL_NATURAL_SIGN = 2;
constexpr int32_t ACCIDENTAL_FLAT = 3;
constexpr int32_t ACCIDENTAL_DOUBLE_FLAT = 4;

// Mode flags of a fretboard slot.
constexpr int32_t FRET_MODE_BARRE = 1;
constexpr int32_t FRET_MODE_ROOT = 2;
constexpr int32_t FRET_MODE_START = 4;
constexpr int32_t FRET_MODE_END = 8;
constexpr int32_t FRET_MODE_UP = 16;

constexpr int FRET_SLOT_COUNT = 8;
constexpr int NOTE_WORK_COUNT = 6;

// One placement of a note on a fretboard. Strings are 1-based, string 1 the highest.
struct FRET_SLOT {
    int32_t string = INT_NOT_SET;
    int32_t fret = INT_NOT_SET;
    float value = 0.0f;
    int32_t aux = INT_NOT_SET; // auxiliary number for the hand animation
    int32_t finger = INT_NOT_SET;
    int32_t mode = 0;

    // Back to "not placed".
    void Clear() { *this = FRET_SLOT(); }
    bool operator==(const FRET_SLOT&) const = default;
};

// The universal note record: timing, loudness, pitch names, scale or chord role and
// fretboard placement. Reset before every reuse; copies never carry the error text.
class CNote {
public:
    CNote() = default;
    CNote(const CNote& other) { CopyFields(other); }
    CNote& operator=(const CNote& other) {
        if (this != &other)
            CopyFields(other);
        return *this;
    }
    virtual ~CNote() = default;

    // Every field back to its default, except the error text.
    void Reset();

    bool HasPitch() const { return m_midi >= 0 && m_midi < MIDI_NO_PITCH; }
    bool HasTime() const { return m_time != TIME_NOT_SET; }
    bool HasDuration() const { return m_duration != TIME_NOT_SET; }
    // Time plus duration; the start alone when the duration is not set.
    double GetEndTime() const { return HasDuration() ? m_time + m_duration : m_time; }

    // The pitch a root entered as a letter with an accidental sounds at: the stored (natural
    // letter's) MIDI note raised by a sharp, lowered by a flat. No pitch stays no pitch.
    int32_t GetSoundingMidi() const;

    // The first fretboard slot, the note's own placement.
    FRET_SLOT& Position() { return m_slots[0]; }
    const FRET_SLOT& Position() const { return m_slots[0]; }

    // One line describing the note, for dumps and logs.
    void Dump(CCharString& line) const;

    const CCharString& GetErrorText() const { return m_error; }
    void SetErrorText(const char* text) { m_error.Set(text); }

    // Fields in their fixed order.
    CCharString m_error;
    THING m_thing = THING_NONE;
    int32_t m_spare = 0;
    THING m_hand = THING_NONE;
    double m_time = TIME_NOT_SET;
    double m_duration = TIME_NOT_SET;
    float m_pan = 0.0f;
    float m_volume = 1.0f;
    double m_frequency = 0.0;
    double m_spareDouble = 0.0;
    CCharString m_sharpName;
    CCharString m_flatName;
    int32_t m_octave = INT_NOT_SET;
    int32_t m_midi = MIDI_NO_PITCH;
    int32_t m_work[NOTE_WORK_COUNT] = {};
    int32_t m_degree = 0;
    int32_t m_semitones = 0;
    int32_t m_accidental = ACCIDENTAL_NONE;
    int32_t m_spareInt[2] = {};
    int32_t m_positionFlag = 1;
    FRET_SLOT m_slots[FRET_SLOT_COUNT];
    int32_t m_chordType = 0;
    int32_t m_chordRoot = MIDI_NO_PITCH;
    int32_t m_length = 0;

private:
    void CopyFields(const CNote& other);
};

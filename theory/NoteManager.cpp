#include "theory/NoteManager.h"

#include <cstring>

#include <cmath>
#include <cstdarg>

namespace {

const char* const kSharpNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                     "F#", "G",  "G#", "A",  "A#", "B"};
const char* const kFlatNames[12] = {"C",  "Db", "D",  "Eb", "E",  "F",
                                    "Gb", "G",  "Ab", "A",  "Bb", "B"};
// Letter number of each pitch class: a black key takes the natural note below it.
const int kLetterNumbers[12] = {1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6, 7};
const int kAccidentals[12] = {0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};

int PitchClass(int midi) {
    int k = midi % 12;
    return k < 0 ? k + 12 : k;
}

} // namespace

const char* GetSharpName(int midi) {
    return kSharpNames[PitchClass(midi)];
}

const char* GetFlatName(int midi) {
    return kFlatNames[PitchClass(midi)];
}

CCharString GetRootListName(int index) {
    CCharString name(GetSharpName(index));
    if (std::strcmp(GetSharpName(index), GetFlatName(index)) != 0)
        name.AppendFormat("/%s", GetFlatName(index));
    return name;
}

bool FindRootByName(const char* name, int& midi) {
    if (!name)
        return false;
    for (int i = 0; i < 12; ++i) {
        if (std::strcmp(name, GetSharpName(i)) == 0 || std::strcmp(name, GetFlatName(i)) == 0 ||
            GetRootListName(i) == name) {
            midi = ROOT_LIST_FIRST + i;
            return true;
        }
    }
    return false;
}

CNoteManager::CNoteManager(CCenter* center) : m_center(center) {}

CNoteManager::~CNoteManager() = default;

bool CNoteManager::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

bool CNoteManager::Initialize() {
    m_notes.RemoveAll();
    CNote note;
    for (int octave = -1; octave < m_octaves - 1; ++octave) {
        for (int k = 0; k < 12; ++k) {
            int n = 12 * (octave + 1) + k;
            note.Reset();
            // Computed in double, kept at single precision: the table's published values.
            double frequency = 440.0 * std::pow(2.0, (n - 69) / 12.0);
            note.m_frequency = static_cast<double>(static_cast<float>(frequency));
            if (!std::isfinite(note.m_frequency) || note.m_frequency <= 0.0)
                return Fail("Can't get frequencies for all notes");
            note.m_sharpName.Set(kSharpNames[k]);
            note.m_flatName.Set(kFlatNames[k]);
            note.m_octave = octave;
            note.m_midi = n;
            note.m_degree = kLetterNumbers[k];
            note.m_accidental = kAccidentals[k];
            if (!m_notes.Append(note))
                return Fail("Can't get frequencies for all notes");
        }
    }
    if (m_notes.GetCount() != NOTE_TABLE_SIZE)
        return Fail("Can't get frequencies for all notes");
    return true;
}

bool CNoteManager::GetMidiNote(int midi, CNote& note) {
    if (midi == MIDI_NO_PITCH) {
        note.Reset();
        return true;
    }
    if (midi < 0 || midi >= m_notes.GetCount())
        return Fail("MIDI note %d is not in the list", midi);
    const CNote& entry = m_notes[midi];
    if (entry.m_midi != midi)
        return Fail("Can't get MIDI note %d from the list", midi);
    note.m_sharpName.Set(entry.m_sharpName);
    note.m_flatName.Set(entry.m_flatName);
    note.m_octave = entry.m_octave;
    note.m_midi = entry.m_midi;
    note.m_frequency = entry.m_frequency;
    note.m_spareDouble = entry.m_spareDouble;
    note.m_degree = entry.m_degree;
    note.m_accidental = entry.m_accidental;
    return true;
}

bool CNoteManager::CompleteNote(CNote& note) {
    if (note.m_midi >= MIDI_NO_PITCH) {
        note.m_sharpName.Empty();
        note.m_flatName.Empty();
        return true;
    }
    int midi = note.m_midi;
    if (midi < 0 || midi >= m_notes.GetCount())
        return Fail("MIDI note %d is not in the list", midi);
    const CNote& entry = m_notes[midi];
    if (entry.m_midi != midi)
        return Fail("Can't get MIDI note %d from the list", midi);
    note.m_sharpName.Set(entry.m_sharpName);
    note.m_flatName.Set(entry.m_flatName);
    return true;
}

int CNoteManager::GetIntervalUp(int from, int to) const {
    // Whole-octave steps in one go: the loops of the plain rule would run for ages on wild input.
    long long up = static_cast<long long>(to) - from;
    if (up < 0)
        up += (-up + 11) / 12 * 12;
    if (up > 12)
        up -= (up - 1) / 12 * 12;
    return static_cast<int>(up);
}

int CNoteManager::GetInstrumentKind(THING thing) {
    switch (thing) {
    case THING_RHYTHM_GUITAR:
    case THING_LEAD_GUITAR:
        return INSTRUMENT_GUITAR;
    case THING_BASS_GUITAR:
        return INSTRUMENT_BASS;
    default:
        Fail("No fretboard for %s (%d)", GetThingName(thing), static_cast<int>(thing));
        return INSTRUMENT_NONE;
    }
}

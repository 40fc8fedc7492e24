#include "core/Report.h"
#include "theory/Chord.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

namespace {

constexpr int HIGHEST_FRET = 22;
constexpr int GUITAR_STRINGS = 6;
constexpr int BASS_STRINGS = 4;
// Stored as the chord's position when no shape puts the root under a usable barre.
constexpr int NO_BARRE = 30;

const int kGuitarTuning[GUITAR_STRINGS] = {64, 59, 55, 50, 45, 40};
const int kBassTuning[BASS_STRINGS] = {43, 38, 33, 28};

bool GetOpenStrings(int kind, const int*& open, int& count) {
    switch (kind) {
    case INSTRUMENT_GUITAR:
        open = kGuitarTuning;
        count = GUITAR_STRINGS;
        return true;
    case INSTRUMENT_BASS:
        open = kBassTuning;
        count = BASS_STRINGS;
        return true;
    default:
        open = nullptr;
        count = 0;
        return false;
    }
}

// A barre-chord shape: per string (1 to 6) the fret relative to the barre, the finger (0: not
// played), whether the barre holds the string, and the number the hand animation reads.
struct CHORD_SHAPE {
    int chordType;
    int shape;
    int rootString;
    int frets[GUITAR_STRINGS];
    int fingers[GUITAR_STRINGS];
    int barreStrings[GUITAR_STRINGS]; // string numbers, 0-terminated
    int aux[GUITAR_STRINGS];
};

// Shape 1 mostly carries its root on the A string (the open A chord forms), shape 2 on the low E
// string (the open E forms); the diminished, augmented and sus2 forms use the inner strings.
const CHORD_SHAPE kShapes[] = {
    {1, 1, 5, {0, 2, 2, 2, 0, 0}, {1, 4, 3, 2, 1, 0}, {1, 5}, {0, 0, 1, 2, 0, 0}},
    {1, 2, 6, {0, 0, 1, 2, 2, 0}, {1, 1, 2, 4, 3, 1}, {1, 2, 6}, {0, 0, 0, 0, 1, 0}},
    {2, 1, 5, {0, 1, 2, 2, 0, 0}, {1, 2, 4, 3, 1, 0}, {1, 5}, {0, 0, 0, 1, 0, 0}},
    {2, 2, 6, {0, 0, 0, 2, 2, 0}, {1, 1, 1, 4, 3, 1}, {1, 2, 3, 6}, {0, 0, 0, 0, 1, 0}},
    {3, 1, 5, {0, 2, 0, 2, 0, 0}, {1, 4, 1, 3, 1, 0}, {1, 3, 5}, {0, 0, 0, 2, 0, 0}},
    {3, 2, 6, {0, 0, 1, 0, 2, 0}, {1, 1, 2, 1, 3, 1}, {1, 2, 4, 6}, {0, 0, 0, 0, 0, 0}},
    {4, 1, 5, {0, 1, 0, 2, 0, 0}, {1, 2, 1, 3, 1, 0}, {1, 3, 5}, {0, 0, 0, 0, 0, 0}},
    {4, 2, 6, {0, 3, 0, 0, 2, 0}, {1, 4, 1, 1, 3, 1}, {1, 3, 4, 6}, {0, 0, 0, 0, 0, 0}},
    {5, 1, 5, {0, 2, 1, 2, 0, 0}, {1, 4, 2, 3, 1, 0}, {1, 5}, {0, 0, 0, 1, 0, 0}},
    {5, 2, 6, {0, 0, 1, 1, 2, 0}, {1, 1, 3, 2, 4, 1}, {1, 2, 6}, {0, 0, 0, 2, 0, 0}},
    {7, 1, 2, {1, 0, 1, 0, 0, 0}, {4, 2, 3, 1, 0, 0}, {}, {0, 0, 2, 2, 0, 0}},
    {7, 2, 4, {0, 2, 0, 2, 1, 0}, {0, 4, 1, 3, 2, 0}, {}, {0, 0, 0, 2, 0, 0}},
    {8, 1, 5, {0, 1, 1, 2, 0, 0}, {1, 3, 2, 4, 1, 0}, {1, 5}, {0, 0, 1, 0, 0, 0}},
    {8, 2, 6, {0, 0, 0, 1, 2, 0}, {1, 1, 1, 2, 3, 1}, {1, 2, 3, 6}, {0, 0, 0, 0, 0, 0}},
    {12, 1, 2, {1, 0, 2, 0, 0, 0}, {2, 1, 3, 1, 1, 0}, {2, 4, 5}, {0, 0, 0, 0, 0, 0}},
    {12, 2, 5, {0, 1, 0, 1, 0, 0}, {0, 4, 2, 3, 1, 0}, {}, {0, 0, 0, 2, 2, 0}},
    {13, 1, 5, {0, 0, 0, 1, 2, 0}, {0, 1, 2, 3, 4, 0}, {}, {0, 1, 0, 0, 0, 0}},
    {13, 2, 3, {0, 1, 1, 2, 0, 0}, {1, 2, 3, 4, 0, 0}, {}, {0, 1, 0, 0, 0, 0}},
    {14, 1, 5, {0, 1, 2, 1, 0, 0}, {0, 3, 4, 2, 1, 0}, {5}, {0, 0, 0, 2, 0, 0}},
    {14, 2, 4, {1, 3, 1, 0, 0, 0}, {3, 4, 2, 1, 0, 0}, {4}, {0, 0, 2, 0, 0, 0}},
    {15, 1, 5, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 2, 1}, {}, {0, 0, 0, 0, 0, 2}},
    {15, 2, 6, {0, 0, 0, 0, 2, 0}, {0, 0, 0, 0, 3, 1}, {}, {0, 0, 0, 0, 0, 0}},
    {16, 1, 5, {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 2, 1}, {}, {0, 0, 0, 0, 0, 0}},
    {16, 2, 6, {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 2, 1}, {}, {0, 0, 0, 0, 0, 0}},
    {17, 1, 5, {0, 3, 2, 2, 0, 0}, {1, 4, 3, 2, 1, 0}, {1, 5}, {0, 0, 0, 1, 0, 0}},
    {17, 2, 6, {0, 0, 2, 2, 0, 0}, {1, 1, 4, 3, 1, 1}, {1, 2, 5, 6}, {0, 0, 0, 1, 0, 0}},
    {18, 1, 5, {0, 0, 2, 2, 0, 0}, {1, 1, 4, 3, 1, 0}, {1, 2, 5}, {0, 0, 0, 1, 0, 0}},
    {18, 2, 4, {0, 3, 2, 0, 0, 0}, {1, 4, 3, 1, 0, 0}, {1, 4}, {0, 0, 0, 0, 0, 0}},
};

bool HasShapes(int chordType) {
    for (const CHORD_SHAPE& shape : kShapes)
        if (shape.chordType == chordType)
            return true;
    return false;
}

const CHORD_SHAPE* FindShape(int chordType, int shape) {
    for (const CHORD_SHAPE& entry : kShapes)
        if (entry.chordType == chordType && entry.shape == shape)
            return &entry;
    return nullptr;
}

bool InBarre(const CHORD_SHAPE& shape, int string) {
    for (int s : shape.barreStrings)
        if (s == string)
            return true;
    return false;
}

// The chord type's note (root included) of the given pitch class, for naming a voiced note.
bool FindChordTone(int chordType, int semitones, CHORD_NOTE& tone) {
    const int pitchClass = ((semitones % 12) + 12) % 12;
    if (pitchClass == 0) {
        tone = {0, 1, ACCIDENTAL_NONE};
        return true;
    }
    const CHORD_TYPE* type = GetChordTypeRecord(chordType);
    for (int i = 0; type && i < type->noteCount; ++i) {
        if (type->notes[i].semitones % 12 == pitchClass) {
            tone = type->notes[i];
            return true;
        }
    }
    return false;
}

} // namespace

bool CNoteManager::GetTuning(int kind, CNoteList& strings) {
    strings.RemoveAll();
    const int* open = nullptr;
    int count = 0;
    if (!GetOpenStrings(kind, open, count))
        return Fail("No tuning for instrument kind %d", kind);
    CNote note;
    for (int i = 0; i < count; ++i) {
        note.Reset();
        note.m_midi = open[i];
        strings.Append(note);
    }
    return true;
}

bool CNoteManager::FindStringAndFret(THING thing, int lowestFret, int highestFret, CNote& note,
                                     bool fromHighestString) {
    if (lowestFret > HIGHEST_FRET || highestFret > HIGHEST_FRET)
        return Fail("Frets %d to %d are beyond fret %d", lowestFret, highestFret, HIGHEST_FRET);
    const int* open = nullptr;
    int count = 0;
    if (!GetOpenStrings(GetInstrumentKind(thing), open, count))
        return false;
    const int midi = note.m_midi;
    for (int i = 0; i < count; ++i) {
        const int index = fromHighestString ? i : count - 1 - i;
        if (open[index] + lowestFret <= midi && open[index] + highestFret >= midi) {
            note.Position().string = index + 1;
            note.Position().fret = midi - open[index];
            return true;
        }
    }
    return Fail("MIDI note %d has no string within frets %d to %d", midi, lowestFret, highestFret);
}

bool CNoteManager::PlaceOnString(int kind, int string, int fret, CNote& note) {
    const int* open = nullptr;
    int count = 0;
    if (!GetOpenStrings(kind, open, count))
        return Fail("No tuning for instrument kind %d", kind);
    if (string < 1 || string > count)
        return Fail("No string %d on instrument kind %d", string, kind);
    if (fret < 0 || fret > HIGHEST_FRET)
        return Fail("No fret %d", fret);
    if (!GetMidiNote(open[string - 1] + fret, note))
        return false;
    note.Position().string = string;
    note.Position().fret = fret;
    return true;
}

bool CNoteManager::GetStringNotes(THING thing, int string, int count, CNoteList& notes) {
    const int* open = nullptr;
    int strings = 0;
    if (!GetOpenStrings(GetInstrumentKind(thing), open, strings))
        return false;
    if (string < 1 || string > strings)
        return Fail("No string %d on %s", string, GetThingName(thing));
    CNote note;
    for (int fret = 0; fret <= count; ++fret) {
        note.Reset();
        if (!GetMidiNote(open[string - 1] + fret, note))
            return false;
        notes.Append(note);
    }
    return true;
}

bool CNoteManager::GetChordShape(int shapeNumber, int chordType, CChord& chord) {
    chord.m_notes.RemoveAll();
    if (!HasShapes(chordType)) {
        REPORT_ERROR("Unknown chord type: %d", chordType);
        return Fail("Unknown chord type: %d", chordType);
    }
    const CHORD_SHAPE* shape = FindShape(chordType, shapeNumber);
    if (!shape) {
        REPORT_ERROR("Unknown shape for type %d: shape %d", chordType, shapeNumber);
        return Fail("Unknown shape for type %d: shape %d", chordType, shapeNumber);
    }
    CNote note;
    for (int i = 0; i < GUITAR_STRINGS; ++i) {
        const int string = i + 1;
        note.Reset();
        FRET_SLOT& slot = note.Position();
        slot.string = string;
        slot.fret = shape->frets[i];
        slot.aux = shape->aux[i];
        slot.finger = shape->fingers[i] != 0 ? shape->fingers[i] : INT_NOT_SET;
        slot.mode = (InBarre(*shape, string) ? FRET_MODE_BARRE : 0) |
                    (string == shape->rootString ? FRET_MODE_ROOT : 0);
        if (shape->fingers[i] == 0)
            note.m_volume = 0.0f;
        note.m_chordType = chordType;
        note.m_chordRoot = chord.GetSoundingRoot();
        note.m_thing = chord.m_thing;
        chord.m_notes.Append(note);
    }
    if (chord.m_notes.IsEmpty()) {
        REPORT_ERROR("No notes in chord for type %d, shape %d", chordType, shapeNumber);
        return Fail("No notes in chord for type %d, shape %d", chordType, shapeNumber);
    }
    return true;
}

bool CNoteManager::VoiceChord(CChord& chord) {
    // A root entered as a letter and an accidental is looked up at the pitch it sounds.
    if (chord.m_root.m_sharpName.IsEmpty() && chord.m_root.HasPitch() &&
        !SetChordRootNote(chord.GetSoundingRoot(), chord))
        return false;
    if (!chord.m_root.HasPitch())
        return Fail("Chord has no root");
    const int root = chord.GetSoundingRoot();
    const int chordType = chord.m_chordType;

    int bestBarre = NO_BARRE;
    int bestShape = 0;
    for (int shapeNumber = 1; shapeNumber <= 2; ++shapeNumber) {
        if (!GetChordShape(shapeNumber, chordType, chord))
            return false;
        const CHORD_SHAPE* shape = FindShape(chordType, shapeNumber);
        const int rootFret = shape->frets[shape->rootString - 1];
        const int barre = GetIntervalUp(kGuitarTuning[shape->rootString - 1], root) - rootFret;
        // Open-position forms (barre 0) are not barre chords; the higher octave is out of reach.
        if (barre >= 1 && barre <= 11 && barre < bestBarre) {
            bestBarre = barre;
            bestShape = shapeNumber;
        }
    }
    chord.m_position = bestBarre;
    if (bestBarre < 1 || bestBarre > 8) {
        chord.m_notes.RemoveAll();
        return false;
    }

    if (!GetChordShape(bestShape, chordType, chord))
        return false;
    for (CNote& note : chord.m_notes) {
        FRET_SLOT& slot = note.Position();
        slot.fret += bestBarre;
        if (note.m_volume == 0.0f) {
            note.m_midi = MIDI_NO_PITCH;
            continue;
        }
        if (!PlaceOnString(INSTRUMENT_GUITAR, slot.string, slot.fret, note))
            return false;
        CHORD_NOTE tone;
        if (FindChordTone(chordType, note.m_midi - root, tone)) {
            note.m_degree = tone.degree;
            note.m_semitones = tone.semitones;
            note.m_accidental = tone.accidental;
        }
    }
    return true;
}

bool CNoteManager::PlaceChordNotes(CChord& chord) {
    const THING thing = chord.m_thing;
    if (thing != THING_BASS_GUITAR && thing != THING_RHYTHM_GUITAR && thing != THING_LEAD_GUITAR)
        return Fail("Can't place a chord on %s", GetThingName(thing));

    CNote root(chord.m_root);
    if (!root.HasPitch())
        return Fail("Chord has no root");
    root.m_midi = chord.GetSoundingRoot();
    root.m_accidental = ACCIDENTAL_NONE;
    if (root.m_midi <= 41)
        root.m_midi += 12;

    int window = 0;
    int rootString = INT_NOT_SET;
    if (chord.m_position != 0) {
        root.Position().Clear();
        const int position = chord.m_position;
        const int highest = position == INT_NOT_SET ? INT_NOT_SET : position + 4;
        if (!FindStringAndFret(thing, position, highest, root, false))
            return Fail("Can't place chord root %d at position %d", root.m_midi, position);
        window = root.Position().fret;
        rootString = root.Position().string;
    }

    bool used[GUITAR_STRINGS + 1] = {};
    CNoteList placed;
    CNote candidate;
    for (int pass = 0; pass < 2; ++pass) {
        for (const CNote& chordNote : chord.m_notes) {
            for (int k = -3; k <= 2; ++k) {
                candidate.Reset();
                candidate.m_midi = root.m_midi + chordNote.m_semitones + 12 * k;
                if (!FindStringAndFret(thing, window, window + 4, candidate, false))
                    continue;
                const int string = candidate.Position().string;
                if (used[string] || (rootString != INT_NOT_SET && string > rootString))
                    continue;
                if (!GetMidiNote(candidate.m_midi, candidate))
                    return false;
                candidate.m_degree = chordNote.m_degree;
                candidate.m_semitones = chordNote.m_semitones;
                candidate.m_accidental = chordNote.m_accidental;
                candidate.m_thing = thing;
                candidate.m_chordType = chord.m_chordType;
                candidate.m_chordRoot = root.m_midi;
                placed.Append(candidate);
                if (chordNote.m_semitones == 0)
                    rootString = string;
                used[string] = true;
                break;
            }
        }
    }
    chord.m_notes = placed;
    chord.m_position = window;
    return true;
}

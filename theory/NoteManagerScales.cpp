#include "theory/Chord.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

namespace {

// Semitones of a degree of the major scale, counting on through the octaves (9 = 14).
int MajorDegreeSemitones(int degree) {
    static const int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
    if (degree < 1)
        return 0;
    return kMajor[(degree - 1) % 7] + 12 * ((degree - 1) / 7);
}

// The accidental that spells a chord note built from scale degrees (B D F A over B: 1 b3 b5 b7).
int AccidentalOf(int degree, int semitones) {
    switch (semitones - MajorDegreeSemitones(degree)) {
    case 1:
        return ACCIDENTAL_SHARP;
    case -1:
        return ACCIDENTAL_FLAT;
    case -2:
        return ACCIDENTAL_DOUBLE_FLAT;
    default:
        return ACCIDENTAL_NONE;
    }
}

bool FillDegrees(const DEGREE_LIST* entry, CVarList<int>& degrees) {
    degrees.RemoveAll();
    if (!entry)
        return false;
    for (int i = 0; i < entry->count; ++i)
        degrees.Add(entry->degrees[i]);
    return true;
}

bool HasDegree(const CVarList<int>& degrees, int degree) {
    for (int d : degrees)
        if (d == degree)
            return true;
    return false;
}

} // namespace

bool CNoteManager::GetChordType(int chordType, CChord& chord, bool withNotes) {
    const CHORD_TYPE* type = chordType > 0 ? GetChordTypeRecord(chordType) : nullptr;
    if (!type) {
        chord.m_names[CHORD_FORMULA_NAME].Empty();
        chord.m_longName.Empty();
        chord.m_shortName.Empty();
        if (withNotes)
            chord.m_notes.RemoveAll();
        return false;
    }
    chord.m_chordType = chordType;
    chord.m_names[CHORD_FORMULA_NAME].Set(type->formula);
    chord.m_longName.Set(type->name);
    chord.m_shortName.Set(type->symbol);
    if (!withNotes)
        return true;

    chord.m_notes.RemoveAll();
    const int root = chord.GetSoundingRoot();
    CNote note;
    for (int i = -1; i < type->noteCount; ++i) {
        const CHORD_NOTE tone = i < 0 ? CHORD_NOTE{0, 1, ACCIDENTAL_NONE} : type->notes[i];
        note.Reset();
        if (chord.m_root.HasPitch()) {
            // The table lookup writes the letter number and key colour; the chord's own degree
            // and accidental are what the note means here.
            if (!GetMidiNote(root + tone.semitones, note))
                return false;
            note.m_chordRoot = root;
        }
        note.m_degree = tone.degree;
        note.m_semitones = tone.semitones;
        note.m_accidental = tone.accidental;
        note.m_chordType = chordType;
        note.m_thing = chord.m_thing;
        chord.m_notes.Append(note);
    }
    return true;
}

bool CNoteManager::GetScaleSteps(int scaleType, CNoteList& notes) {
    notes.RemoveAll();
    const SCALE_TYPE* scale = GetScaleTypeRecord(scaleType);
    if (!scale)
        return false;
    CNote note;
    note.m_degree = 1;
    note.m_semitones = 0;
    notes.Append(note);
    for (int i = 0; i < scale->stepCount; ++i) {
        note.m_degree++;
        note.m_semitones += scale->steps[i];
        notes.Append(note);
    }
    return true;
}

bool CNoteManager::GetChordGroupDegrees(int group, CVarList<int>& degrees) {
    return FillDegrees(GetChordGroupRecord(group), degrees);
}

bool CNoteManager::GetPatternDegrees(int pattern, CVarList<int>& degrees, int& advance) {
    const DEGREE_LIST* entry = GetPatternRecord(pattern);
    advance = entry ? entry->advance : 0;
    return FillDegrees(entry, degrees);
}

bool CNoteManager::GetProgressionDegrees(int progression, CVarList<int>& degrees) {
    return FillDegrees(GetProgressionRecord(progression), degrees);
}

int CNoteManager::GetParentScale(int scaleType) {
    const SCALE_TYPE* scale = GetScaleTypeRecord(scaleType);
    return scale ? scale->parent : 0;
}

bool CNoteManager::GetModePosition(int scaleType, int& position, int& offset) {
    const SCALE_TYPE* scale = GetScaleTypeRecord(scaleType);
    position = scale ? scale->modePosition : 0;
    offset = scale ? scale->modeOffset : 0;
    return scale != nullptr;
}

bool CNoteManager::GetChordName(int root, int chordType, CCharString& name) {
    name.Empty();
    const CHORD_TYPE* type = chordType > 0 ? GetChordTypeRecord(chordType) : nullptr;
    if (!type || root == MIDI_NO_PITCH)
        return false;
    CNote note;
    if (!GetMidiNote(root, note))
        return false;
    name.Format("%s%s", note.m_sharpName.GetText(), type->symbol);
    return true;
}

bool CNoteManager::GetScaleName(int scaleType, int root, CCharString& name) {
    name.Empty();
    const SCALE_TYPE* scale = GetScaleTypeRecord(scaleType);
    if (!scale || root == MIDI_NO_PITCH)
        return false;
    CNote note;
    if (!GetMidiNote(root, note))
        return false;
    name.Format("%s %s", note.m_sharpName.GetText(), scale->name);
    return true;
}

bool CNoteManager::FindChordType(const CNoteList& notes, int& chordType) {
    chordType = 0;
    const int count = notes.GetCount();
    if (count == 0)
        return false;
    const int root = notes[0].m_midi;
    for (int number = 1; number <= CHORD_TYPE_COUNT; ++number) {
        const CHORD_TYPE* type = GetChordTypeRecord(number);
        if (type->noteCount + 1 != count)
            continue;
        bool same = true;
        for (int i = 1; i < count && same; ++i)
            same = notes[i].m_midi - root == type->notes[i - 1].semitones;
        if (same) {
            chordType = number;
            return true;
        }
    }
    return true;
}

bool CNoteManager::BuildScaleChord(const CNoteList& scaleNotes, const CVarList<int>& degrees,
                                   CChord& chord) {
    const int chordRoot = chord.GetSoundingRoot();
    int first = 0;
    const int count = scaleNotes.GetCount();
    while (first < count && scaleNotes[first].m_midi < chordRoot)
        ++first;
    if (first == count)
        return Fail("No scale note at or above MIDI note %d", chordRoot);

    const int rootMidi = scaleNotes[first].m_midi;
    chord.m_notes.RemoveAll();
    for (int i = first, degree = 1; i < count && degree <= 13; ++i, ++degree) {
        if (degree != 1 && !HasDegree(degrees, degree))
            continue;
        CNote note(scaleNotes[i]);
        note.m_degree = degree;
        note.m_semitones = note.m_midi - rootMidi;
        note.m_accidental = AccidentalOf(degree, note.m_semitones);
        chord.m_notes.Append(note);
    }

    int type = 0;
    if (!FindChordType(chord.m_notes, type))
        return false;
    chord.m_chordType = type;
    GetChordType(type, chord, false); // type 0 (intervals that make no chord) clears the texts
    for (CNote& note : chord.m_notes) {
        note.m_chordType = type;
        note.m_chordRoot = rootMidi;
    }
    // The chord root is kept low, where the bass and rhythm guitars look for it.
    int low = rootMidi;
    while (low >= 40)
        low -= 12;
    return SetChordRootNote(low, chord);
}

bool CNoteManager::GetScaleNotes(int root, int scaleType, CNoteList& notes) {
    notes.RemoveAll();
    CNoteList steps;
    if (!GetScaleSteps(scaleType, steps))
        return false;
    if (root < 0 || root >= NOTE_TABLE_SIZE)
        return Fail("MIDI note %d is not in the list", root);
    const int last = NOTE_TABLE_SIZE - 1;
    // Octaves below the root go down while root + 12k is at least -12; the notes come out
    // ascending, as the whole range sorted by pitch.
    int k = 0;
    while (root + 12 * (k - 1) >= -12)
        --k;
    CNote note;
    for (;; ++k) {
        for (const CNote& step : steps) {
            const int midi = root + 12 * k + step.m_semitones;
            if (midi < 0)
                continue;
            if (midi > last) {
                notes.Sort(false);
                return true;
            }
            note.Reset();
            if (!GetMidiNote(midi, note))
                return false;
            note.m_degree = step.m_degree;
            note.m_semitones = step.m_semitones;
            note.m_accidental = step.m_accidental;
            notes.Append(note);
        }
    }
}

bool CNoteManager::GetScaleNotesInRange(int root, int scaleType, int lowest, int highest,
                                        THING thing, CNoteList& notes) {
    notes.RemoveAll();
    CNoteList all;
    if (!GetScaleNotes(root, scaleType, all))
        return false;
    for (const CNote& note : all) {
        if (note.m_midi < lowest || note.m_midi > highest)
            continue;
        CNote marked(note);
        marked.m_thing = thing;
        notes.Append(marked);
    }
    notes.Sort(false);
    return true;
}

bool CNoteManager::GetScaleChord(int scaleType, int root, int chordGroup, int chordNumber,
                                 CChord& chord) {
    if (chordNumber < 1 || chordNumber > 11)
        return Fail("Chord number %d is not 1 to 11", chordNumber);
    CVarList<int> degrees;
    if (!GetChordGroupDegrees(chordGroup, degrees))
        return Fail("Unknown chord group %d", chordGroup);
    CNoteList range;
    if (!GetScaleNotesInRange(root, scaleType, root, root + 24, THING_LEAD_GUITAR, range))
        return false;
    if (chordNumber > range.GetCount())
        return Fail("Scale has no chord number %d", chordNumber);
    // The chord is built over the scale's whole range so that ninths to thirteenths on the
    // upper degrees are not cut off two octaves above the scale root.
    CNoteList scale;
    if (!GetScaleNotes(root, scaleType, scale))
        return false;
    chord.m_root.Reset();
    chord.m_root.m_midi = range[chordNumber - 1].m_midi;
    if (!BuildScaleChord(scale, degrees, chord))
        return false;
    for (CNote& note : chord.m_notes)
        note.m_thing = THING_LEAD_GUITAR;
    chord.m_degree = chordNumber;
    chord.m_chordGroup = chordGroup;
    chord.m_builtScale = scaleType;
    chord.m_builtScaleRoot = root;
    return true;
}

bool CNoteManager::GetProgressionText(int scaleType, int root, int progression, CCharString& text,
                                      NOTE_NAMES names) {
    text.Empty();
    CVarList<int> degrees;
    if (!GetProgressionDegrees(progression, degrees))
        return false;
    const int chordScale = GetParentScale(scaleType);
    if (chordScale == 0)
        return false;
    const CSpelling spelling(chordScale, root, names);
    CChord chord;
    for (int degree : degrees) {
        if (!GetScaleChord(chordScale, root, CHORD_GROUP_TRIAD, degree, chord))
            return false;
        if (!text.IsEmpty())
            text.Append("-");
        text.AppendFormat("%s%s", spelling.Name(chord.m_root.m_midi), chord.m_shortName.GetText());
    }
    return true;
}

bool CNoteManager::SetChordRootNote(int midi, CChord& chord) {
    chord.m_root.Reset();
    if (!GetMidiNote(midi, chord.m_root))
        return false;
    chord.m_root.m_accidental = ACCIDENTAL_NONE;
    return true;
}

bool CNoteManager::SetChordOnRoot(int chordType, int root, CChord& chord) {
    if (!SetChordRootNote(root, chord))
        return false;
    if (!chord.m_root.HasPitch())
        return Fail("Chord has no root");
    chord.m_chordType = chordType;
    if (!GetChordType(chordType, chord, false))
        return Fail("Unknown chord type: %d", chordType);
    if (VoiceChord(chord))
        return true;
    if (!GetChordType(chordType, chord, true))
        return false;
    return PlaceChordNotes(chord);
}

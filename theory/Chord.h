#pragma once

#include "core/CharString.h"
#include "theory/Note.h"
#include "theory/NoteList.h"
#include "theory/Thing.h"

// One chord as the system passes it around: a chord type on a root, or a chord group on a
// degree of a scale; its texts; its notes as built or as placed on a fretboard; the guitar it is
// voiced for; and how often the groove repeats on it in a song part.
class CChord {
public:
    CChord() = default;
    CChord(const CChord&) = default;
    CChord& operator=(const CChord&) = default;
    virtual ~CChord() = default;

    // Back to a new chord.
    void Reset();

    // Root name followed directly by the type's short name ("C#m7"). A root entered as a natural
    // letter with an accidental is named by the letter and "#" or "b".
    CCharString Name() const;
    // The root's MIDI note raised by a sharp and lowered by a flat accidental.
    int GetSoundingRoot() const { return m_root.GetSoundingMidi(); }
    bool HasPosition() const { return m_position != INT_NOT_SET; }

    CCharString m_names[3];  // used by the chord shape operations
    int32_t m_chordType = 0; // 0 = no type
    int32_t m_degree = 0;    // 0 = chord given by root and type
    int32_t m_chordGroup = 0;
    CCharString m_longName;
    CCharString m_shortName;
    CNoteList m_notes;
    CNote m_root;                     // accidental: 0 none, 1 sharp, 2 natural, 3 flat
    int32_t m_position = INT_NOT_SET; // barre fret of the voicing
    int32_t m_repeat = 1;
    THING m_thing = THING_NONE;
    int32_t m_builtScale = 0;
    int32_t m_builtScaleRoot = -1;
};

#include "theory/Chord.h"

void CChord::Reset() {
    for (CCharString& name : m_names)
        name.Empty();
    m_chordType = 0;
    m_degree = 0;
    m_chordGroup = 0;
    m_longName.Empty();
    m_shortName.Empty();
    m_notes.RemoveAll();
    m_root.Reset();
    m_position = INT_NOT_SET;
    m_repeat = 1;
    m_thing = THING_NONE;
    m_builtScale = 0;
    m_builtScaleRoot = -1;
}

CCharString CChord::Name() const {
    CCharString root;
    const CCharString& letter = m_root.m_sharpName;
    if (letter.GetLength() == 1 && m_root.m_accidental == ACCIDENTAL_SHARP) {
        root.Format("%s#", letter.GetText());
    } else if (letter.GetLength() == 1 && m_root.m_accidental == ACCIDENTAL_FLAT) {
        root.Format("%sb", letter.GetText());
    } else {
        root.Set(letter);
    }
    CCharString name;
    name.Format("%s%s", root.GetText(), m_shortName.GetText());
    return name;
}

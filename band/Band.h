#pragma once

#include "band/Drums.h"
#include "band/Guitars.h"
#include "band/Human.h"
#include "band/Parts.h"

class CNoteManager;

// A human with a guitar: the guitar hangs in front of him, his feet stand apart on the floor,
// his right hand holds a pick.
class CGuitarist : public CPrimitive {
public:
    CGuitarist(CRenderDevice* device, CVertexBuffer* buffer, const char* name, CNoteManager* notes);
    // kind: bass (36), rhythm (38) or lead (39) guitar. texts: shared 3D texts or none.
    bool Build(THING kind, CTextShapes* texts = nullptr);

    CHuman* GetHuman() const { return m_human; }
    CGuitars* GetGuitar() const { return m_guitar; }

private:
    CNoteManager* m_notes;
    CHuman* m_human = nullptr;
    CGuitars* m_guitar = nullptr;
};

// The whole band on its stage inside a dome: lead guitarist in front, rhythm and bass
// guitarists to either side turned toward the middle, the drummer at the back. Built a tenth
// of its size, so that the view's cameras (which frame tens of units) show it whole.
class CBand : public CPrimitive {
public:
    static constexpr float kSceneScale = 0.1f;

    CBand(CRenderDevice* device, CVertexBuffer* buffer, const char* name, CNoteManager* notes);
    bool Build();
    // Every player at rest, every mark back to its colour; the rest pose produces no keys.
    bool Reset();
    bool ShowNotes(const CNoteList& notes, bool onlySounding);
    bool ShowPitches(const CNoteList& notes);
    bool ShowNoteNames(const CNoteList& notes);
    // Poses the player of the note's band thing (drum pieces: the drummer; 36, 38 and 39 the
    // guitarists) and records keys of what moved (none without a list). Any other thing fails;
    // a stroke that a player can't make is skipped.
    bool PlayNote(const CNote& note, CVarList<ANIMATION_POINT>* keys);

    CGuitarist* GetGuitarist(THING kind) const;
    CGuitars* GetGuitar(THING kind) const {
        CGuitarist* player = GetGuitarist(kind);
        return player ? player->GetGuitar() : nullptr;
    }
    CDrummer* GetDrummer() const { return m_drummer; }

private:
    CNoteManager* m_notes;
    CTextShapes m_texts;
    CGuitarist* m_lead = nullptr;
    CGuitarist* m_rhythm = nullptr;
    CGuitarist* m_bass = nullptr;
    CDrummer* m_drummer = nullptr;
};

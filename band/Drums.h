#pragma once

#include <vector>

#include "band/Human.h"
#include "core/VarList.h"
#include "theory/Note.h"

// One piece of the drum kit (a drum, a cymbal, the hi-hat's top or bottom), built upright along
// +y in inches around the point the sticks strike, then scaled to centimetres. It publishes
// where the hands go to play it: for each hand a base point (the wrist), the strike point (the
// stick's tip on the head) and the raise point above it. For the pedal pieces (bass drum,
// hi-hat bottom) the right-hand tables hold the foot's points instead.
class CInstruments : public CPrimitive {
public:
    static constexpr float kInch = 2.54f;
    enum TABLE { LEFT_BASE, RIGHT_BASE, LEFT_STRIKE, RIGHT_STRIKE, LEFT_RAISE, RIGHT_RAISE };
    static constexpr int kTables = 6;
    static constexpr int kPoints = 10;

    CInstruments(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    // Builds the piece for thing (drums, cymbals, hi-hat top 5 and bottom 7) with the colours
    // set; any other thing fails. Colours: 0 head, 1 hardware, 2 shell, 3 rim, 4 cymbal metal.
    bool Build(THING thing);
    // The drummer's throne instead: a seat on a stick, the seat's top `height` above the floor.
    // Colours 0 and 1.
    bool BuildThrone(float height);

    THING GetThing() const { return m_thing; }
    float GetDiameter() const { return m_diameter; }
    // First point of a table, as now placed.
    const VEC3& GetPoint(TABLE table) const { return m_points[table][0]; }
    const VEC3& GetPoint(TABLE table, int index) const { return m_points[table][index]; }
    // The hand's base, strike and raise points.
    const VEC3& GetBase(THING hand) const {
        return GetPoint(hand == THING_LEFT_HAND ? LEFT_BASE : RIGHT_BASE);
    }
    const VEC3& GetStrike(THING hand) const {
        return GetPoint(hand == THING_LEFT_HAND ? LEFT_STRIKE : RIGHT_STRIKE);
    }
    const VEC3& GetRaise(THING hand) const {
        return GetPoint(hand == THING_LEFT_HAND ? LEFT_RAISE : RIGHT_RAISE);
    }

private:
    bool BuildDrum(float diameter, float depth);
    bool BuildCymbal(float diameter, float bow, bool turned);

    THING m_thing = THING_NONE;
    float m_diameter = 0.0f;
    VEC3 m_points[kTables][kPoints] = {};
};

// The drum kit: its pieces placed around the drummer, the bass drum's beater and the hi-hat.
class CDrumSet : public CPrimitive {
public:
    CDrumSet(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    // Builds and places every piece, then moves the whole set by (-30, 30.48, 100).
    bool Build();
    // The piece built for thing; an open hi-hat is played on the hi-hat's top and the ride's
    // bell on the ride. Null (with the error set) when the set has no such piece.
    CInstruments* Find(THING thing);
    // Points the beater at the head for a strike (volume 0), tilted back otherwise; records a
    // key of the beater (none without a list).
    bool MoveBeater(const CNote& note, CVarList<ANIMATION_POINT>* keys);
    // Closes the hi-hat for a strike, opens it by the gap otherwise; records a key.
    bool MoveHiHat(const CNote& note, CVarList<ANIMATION_POINT>* keys);

    CInstruments* GetBassDrum() const { return m_bassDrum; }
    CInstruments* GetHiHatTop() const { return m_hiHatTop; }
    CInstruments* GetHiHatBottom() const { return m_hiHatBottom; }
    CPrimitive* GetBeater() const { return m_beater; }
    const VEC3& GetBeaterTip() const { return m_beaterTip; }
    float GetHiHatGap() const { return m_hiHatGap; }
    const std::vector<CInstruments*>& GetPieces() const { return m_pieces; }

private:
    bool AddPiece(THING thing, const VEC3* firstFrom, const VEC3* firstTo, const VEC3& secondTo,
                  const VEC3& position);

    std::vector<CInstruments*> m_pieces;
    CInstruments* m_bassDrum = nullptr;
    CInstruments* m_hiHatTop = nullptr;
    CInstruments* m_hiHatBottom = nullptr;
    CPrimitive* m_beater = nullptr;
    VEC3 m_beaterTip{0.0f};
    VEC3 m_up[2] = {};
    VEC3 m_hiHatPosition{-17.0f, 40.0f, -54.0f};
    float m_hiHatGap = 2.0f;
};

// The drummer: a figure on a throne behind the kit, a stick in each hand.
class CDrummer : public CPrimitive {
public:
    static constexpr float kStickLength = 41.0f;

    CDrummer(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    bool Build();
    // Poses the drummer for a drum note: bass drum 1 with the right foot and the beater, the
    // hi-hat foot with the left foot and the hi-hat, anything else with the note's hand (the
    // right when none is set): a strike for volume 0, else the stick raised. Records keys of
    // the parts that moved (none without a list). Fails for a piece the kit lacks or a reach
    // out of range; the pose is then left as it was.
    bool PlayNote(const CNote& note, CVarList<ANIMATION_POINT>* keys);
    // The "Look at drums" camera, following the drummer.
    void GetCamera(VEC3& eye, VEC3& lookAt, VEC3& up) const;

    CHuman* GetHuman() const { return m_human; }
    CDrumSet* GetDrumSet() const { return m_drums; }
    // The tip of the stick in that hand.
    const VEC3& GetStickTip(THING hand) const;

private:
    bool HandStroke(const CNote& note, CVarList<ANIMATION_POINT>* keys);
    bool FootStroke(const CNote& note, CVarList<ANIMATION_POINT>* keys);
    // The hand direction that makes the held stick run along `along` with the given twist.
    VEC3 StickDirection(THING hand, const VEC3& along, float twist) const;

    CHuman* m_human = nullptr;
    CDrumSet* m_drums = nullptr;
    CInstruments* m_throne = nullptr;
    CInstruments* m_bassDrum = nullptr;
    CInstruments* m_hiHatBottom = nullptr;
    VEC3 m_cameraPoints[5] = {};
};

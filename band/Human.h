#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "render/Primitive.h"
#include "theory/Thing.h"

// The articulated figures of the band. A figure is posed only by reaching: a limb is given a
// target (usually a tracked point of an instrument) and turns its joints so that its end lands
// on it. Every part is built along +y (its rest direction) with its root at its position, and a
// part hangs from the previous one as its child, so pointing one part carries the rest of the
// chain. Solvers that find a target out of reach return false and leave the limb as it was.

// One finger: a root knuckle and three phalanges "Phalange 1" to "Phalange 3" of equal length,
// the radius tapering from the base to the tip.
class CFinger : public CPrimitive {
public:
    CFinger(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    // Colour 0 is used; fails with "Not enough colors" without one.
    bool Build(float length, float baseRadius, float tipRadius);
    // Bends the finger so that its tip lands on target: the middle phalange runs along the line
    // from the root to the target, the outer two make the same angle with it, bent about
    // `bendAxis` starting from `direction` (the straight finger's direction).
    bool Reach(const VEC3& target, const VEC3& direction, const VEC3& bendAxis);
    // Straightens the finger and points it at target.
    bool PointAt(const VEC3& target);
    // Phalange length in the scene (the built length times the scale factor).
    float GetPhalangeLength() const { return m_phalange * GetScaleFactor(); }
    const VEC3& GetTip() const { return m_tip; }
    CPrimitive* GetPhalange(int index) const { return m_phalanges[index]; }

private:
    // Points the phalanges along the three directions, root first.
    bool PointPhalanges(const VEC3 (&directions)[3]);
    bool IsPointed(const VEC3 (&directions)[3]) const;

    float m_phalange = 0.0f;
    CPrimitive* m_phalanges[3] = {};
    VEC3 m_tip{0.0f};
};

// A hand: palm and five fingers, thumb first, the fingers along +y from the wrist at the origin
// and the palm facing -z. A left hand is the right hand mirrored. Tracked: the wrist, the palm
// normal's tip and the side direction's tip (across the knuckles, the axis the fingers curl
// about toward the palm).
class CHand : public CPrimitive {
public:
    static constexpr int kFingers = 5;
    static constexpr float kPalmThickness = 2.0f;
    static constexpr float kPalmWidth = 8.0f;
    static constexpr float kPalmLength = 8.0f;
    static constexpr float kFingerLength = 9.0f;

    CHand(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    // thing: THING_LEFT_HAND or THING_RIGHT_HAND. Colour 0 is the skin, colour 1 (when set)
    // the nails and knuckles.
    bool Build(THING thing);
    // Finger 0 (thumb) to 4 bends to put its tip on target, from the hand's direction, curling
    // toward the palm (the thumb across it); with pointOnly it only points straight at it.
    bool ReachFinger(int finger, const VEC3& target, bool pointOnly);
    // Bends fingers first..4 toward the palm, their tips `reach` phalanges from their roots
    // (3: straight; less is a tighter curl).
    bool Curl(int first, float reach);
    // Gives the hand an item to hold (owned as its child); its tip is tracked at `tip` (model
    // space of the item as it is now placed in the hand).
    void Hold(CPrimitive* item, const VEC3& tip);

    THING GetThing() const { return m_thing; }
    CFinger* GetFinger(int number) const { return m_fingers[number]; }
    const VEC3& GetWrist() const { return m_points[0]; }
    VEC3 GetPalmNormal() const { return m_points[1] - m_points[0]; }
    VEC3 GetSide() const { return m_points[2] - m_points[0]; }
    CPrimitive* GetItem() const { return m_item; }
    // The tip of the held item; the wrist when it holds none.
    const VEC3& GetItemTip() const { return m_item ? m_itemTip : m_points[0]; }

private:
    THING m_thing = THING_NONE;
    CFinger* m_fingers[kFingers] = {};
    VEC3 m_points[3] = {};
    CPrimitive* m_item = nullptr;
    VEC3 m_itemTip{0.0f};
};

// A two-segment limb with an end part, reached by the two-segment solver. Arm and leg differ in
// their parts, their sizes and how the end part meets the target.
class CLimb : public CPrimitive {
public:
    CLimb(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    // Scales the segment length with the geometry, so reaching stays right on a scaled figure.
    bool ScaleGeometry(float factor, bool keepPosition, const VEC3* centre = nullptr) override;

    // Points the two segments so that the end of the second lands on target, bending toward
    // the hint point when there is one. False when the target lies beyond twice the segment.
    bool Reach(const VEC3& root, const VEC3& target);
    // The bend hint (tracked by the figure; it must stay where it is), or none.
    void SetHint(const VEC3* hint) { m_hint = hint; }
    float GetSegmentLength() const { return m_segment; }
    float GetMaxReach() const { return m_maxReach; }
    CPrimitive* GetUpper() const { return m_upper; }
    CPrimitive* GetLower() const { return m_lower; }
    THING GetThing() const { return m_thing; }

protected:
    // Places the end part (hand or foot) at point, turned along direction with twist, then
    // reaches the joint point it reports, the end part held out of the segments' moves.
    bool ReachEnd(CPrimitive& end, const VEC3& point, const VEC3& direction, float twist,
                  const VEC3& joint);
    // Root sphere, the two segments and their colours; the end part is added by the caller.
    bool BuildSegments(float rootRadius, float upperRadius, float lowerRadius, int upperColor,
                       int lowerColor, int jointColor);

    THING m_thing = THING_NONE;
    float m_segment = 0.0f;
    float m_maxReach = 0.0f;
    const VEC3* m_hint = nullptr;
    // The last reach: a request for the same place again moves nothing.
    VEC3 m_reachedFrom{NAN};
    VEC3 m_reachedTo{NAN};
    CPrimitive* m_upper = nullptr;
    CPrimitive* m_lower = nullptr;
};

class CArm : public CLimb {
public:
    CArm(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    // thing: THING_LEFT_ARM or THING_RIGHT_ARM (its hand is the left or right hand). Colours:
    // 0 sleeve, 1 skin, 2 shoulder.
    bool Build(THING thing, float radius, float length, const VEC3* hint);
    // Places and turns the hand, then reaches its wrist. The hand's placement becomes the pose
    // its fingers start from.
    bool ReachHand(const VEC3& point, const VEC3& direction, float twist);
    CHand* GetHand() const { return m_hand; }

private:
    CHand* m_hand = nullptr;
};

// A foot: the sole on y = 0 with the toes toward -z (its rest direction), the ankle above the
// heel. Pointing it turns it about the ankle's foot point.
class CFoot : public CPrimitive {
public:
    CFoot(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    bool Build(float height, float length);
    const VEC3& GetAnkle() const { return m_ankle; }

private:
    VEC3 m_ankle{0.0f};
};

class CLeg : public CLimb {
public:
    CLeg(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    // thing: THING_LEFT_LEG or THING_RIGHT_LEG; size: the hip offset (the foot is 0.8 x size
    // high). Needs 2 colours: 0 trousers, 1 shoes ("Not enough colors").
    bool Build(THING thing, float size, float length, const VEC3* hint);
    // Places and turns the foot (sole point at point, toes along direction), then reaches its
    // ankle.
    bool ReachFoot(const VEC3& point, const VEC3& direction, float twist);
    CFoot* GetFoot() const { return m_foot; }
    float GetFootHeight() const { return m_footHeight; }

private:
    CFoot* m_foot = nullptr;
    float m_footHeight = 0.0f;
};

// The body parts that only stand and move with the figure.
class CPelvis : public CPrimitive {
public:
    CPelvis(CRenderDevice* device, CVertexBuffer* buffer);
    bool Build(float width, float height, float depth);
};

class CTorso : public CPrimitive {
public:
    CTorso(CRenderDevice* device, CVertexBuffer* buffer);
    bool Build(float width, float height, float depth);
};

class CHead : public CPrimitive {
public:
    CHead(CRenderDevice* device, CVertexBuffer* buffer);
    // A head of radius `size` stretched 1.3, with hat and nose, on a neck of radius `neck`.
    bool Build(float size, float neck);
};

// A whole figure: pelvis, torso, head, two arms and two legs, built standing with its hips at
// the origin, facing -z (its left at +x).
class CHuman : public CPrimitive {
public:
    static constexpr float kLegLength = 83.0f;
    static constexpr float kArmLength = 55.0f;
    static constexpr float kPelvisWidth = 34.0f, kPelvisHeight = 20.0f, kPelvisDepth = 17.0f;
    static constexpr float kTorsoWidth = 40.0f, kTorsoHeight = 38.0f, kTorsoDepth = 20.0f;
    static constexpr float kPelvisLift = 10.0f;

    CHuman(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    // kind: what the figure plays (THING_DRUM_SET for the drummer, a guitar for a guitarist);
    // it chooses the elbow hints.
    bool Build(THING kind);

    // THING_RIGHT_HAND (42) the right hand, anything else the left.
    bool ReachHand(THING hand, const VEC3& point, const VEC3& direction, float twist);
    // THING_RIGHT_LEG (56) the right leg, anything else the left.
    bool ReachFoot(THING leg, const VEC3& point, const VEC3& direction, float twist);
    // Finger 0 (thumb) to 4 of the hand; with pointOnly the straight finger only points at the
    // target.
    bool ReachFinger(THING hand, int finger, const VEC3& target, bool pointOnly);
    bool GetHandPoint(THING hand, VEC3& point) const;

    THING GetKind() const { return m_kind; }
    CArm* GetArm(THING hand) const { return hand == THING_RIGHT_HAND ? m_rightArm : m_leftArm; }
    CHand* GetHand(THING hand) const { return GetArm(hand)->GetHand(); }
    CLeg* GetLeg(THING leg) const { return leg == THING_RIGHT_LEG ? m_rightLeg : m_leftLeg; }
    CHead* GetHead() const { return m_head; }
    CTorso* GetTorso() const { return m_torso; }
    CPelvis* GetPelvis() const { return m_pelvis; }

private:
    THING m_kind = THING_NONE;
    CArm* m_leftArm = nullptr;
    CArm* m_rightArm = nullptr;
    CLeg* m_leftLeg = nullptr;
    CLeg* m_rightLeg = nullptr;
    CHead* m_head = nullptr;
    CPelvis* m_pelvis = nullptr;
    CTorso* m_torso = nullptr;
    // Elbow hints (left, right) and knee hints (left, right), tracked so they follow the figure.
    VEC3 m_hints[4] = {};
};

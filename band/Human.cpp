#include "band/Human.h"

#include "band/Parts.h"

#include <cmath>

namespace {

constexpr float kDegrees = 1.0f / kRadiansPerDegree;

// v turned by `degrees` about axis.
VEC3 Turn(const VEC3& v, const VEC3& axis, float degrees) {
    return Vec3TransformNormal(v, MatrixRotationAxis(axis, degrees * kRadiansPerDegree));
}

// Fails unless the part has at least `count` colours.
bool HasColors(const CPrimitive& part, size_t count) {
    return part.GetColors().size() >= count;
}

} // namespace

// ---------------------------------------------------------------------------------- finger

CFinger::CFinger(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CPrimitive(device, buffer, name) {}

bool CFinger::Build(float length, float baseRadius, float tipRadius) {
    if (!HasColors(*this, 1))
        return Fail("Not enough colors");
    m_phalange = length / 3.0f;
    if (!Sphere(baseRadius, 8))
        return false;
    CPrimitive* parent = this;
    for (int k = 0; k < 3; ++k) {
        // Each phalange a little thinner than the one before, rounded at its far end.
        const float r = baseRadius + (tipRadius - baseRadius) * (k + 1) / 3.0f;
        CCharString name;
        name.Format("Phalange %d", k + 1);
        auto* phalange = new CPrimitive(GetDevice(), GetVertexBuffer(), name.GetText());
        parent->AddChild(phalange);
        phalange->SetColor(0, GetColors()[0]);
        if (!phalange->Sphere(r * 1.05f, 8) || !phalange->Cylinder(m_phalange, r, 8, r * 0.5f) ||
            !phalange->MoveBy(0, m_phalange * k, 0))
            return FailFrom(*phalange);
        m_phalanges[k] = phalange;
        parent = phalange;
    }
    // The tip point: the far end of the last phalange.
    m_tip = VEC3(0, m_phalange, 0);
    m_phalanges[2]->TrackPoint(&m_tip);
    return true;
}

bool CFinger::PointPhalanges(const VEC3 (&directions)[3]) {
    // Fingers are asked again and again for the pose they have (a hand that stays put): the
    // pose is kept as it is, as if it had been taken again.
    if (IsPointed(directions)) {
        MarkChanged(*m_phalanges[0]);
        return true;
    }
    for (int k = 0; k < 3; ++k) {
        const VEC3& d = directions[k];
        if (!m_phalanges[k]->Rotate(d, 0.0f, false))
            return FailFrom(*m_phalanges[k]);
    }
    return true;
}

bool CFinger::Reach(const VEC3& target, const VEC3& direction, const VEC3& bendAxis) {
    const VEC3 root = GetPosition();
    const VEC3 d = target - root;
    const float distance = glm::length(d);
    const float p = GetPhalangeLength();
    if (distance > 3.0f * p)
        return Fail("The finger can't reach that far: %.2f > %.2f", distance, 3.0f * p);
    const VEC3 first = Vec3Normalize(direction);
    // The bend runs about the part of the axis across the finger.
    VEC3 axis = Vec3Normalize(bendAxis - glm::dot(bendAxis, first) * first);
    if (axis == VEC3(0.0f))
        axis = Vec3Perpendicular(first);
    const float alpha = std::acos(glm::clamp((distance - p) / (2.0f * p), -1.0f, 1.0f)) * kDegrees;
    // The bent chain spans p (1 + 2 cos alpha) along the first direction; turning that
    // direction onto the target's puts the tip on the target.
    const MATRIX onto = distance > 0.0f ? MatrixTurn(first, d) : MatrixRotationAxis(first, 0.0f);
    const VEC3 directions[3] = {Vec3TransformNormal(Turn(first, axis, -alpha), onto),
                                Vec3TransformNormal(first, onto),
                                Vec3TransformNormal(Turn(first, axis, alpha), onto)};
    return PointPhalanges(directions);
}

bool CFinger::IsPointed(const VEC3 (&directions)[3]) const {
    for (int k = 0; k < 3; ++k)
        if (m_phalanges[k]->GetDirection() != directions[k] || m_phalanges[k]->GetTwist() != 0.0f)
            return false;
    return true;
}

bool CFinger::PointAt(const VEC3& target) {
    VEC3 d = Vec3Normalize(target - GetPosition());
    if (d == VEC3(0.0f))
        d = m_phalanges[0]->GetDirection();
    const VEC3 directions[3] = {d, d, d};
    return PointPhalanges(directions);
}

// ---------------------------------------------------------------------------------- hand

CHand::CHand(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CPrimitive(device, buffer, name) {}

bool CHand::Build(THING thing) {
    if (thing != THING_LEFT_HAND && thing != THING_RIGHT_HAND)
        return Fail("Not a hand: %d", thing);
    if (!HasColors(*this, 1))
        return Fail("Not enough colors");
    m_thing = thing;
    // The left hand is the right one mirrored front to back: its palm faces +z, so its palm
    // normal and its side direction (the axis the fingers curl about) are the right hand's
    // negated, and the thumb stays on the +x side.
    const float sz = thing == THING_RIGHT_HAND ? 1.0f : -1.0f;
    // The palm: a flattened ellipsoid from the wrist to the knuckles.
    if (!Sphere(kPalmWidth / 2.0f, 14, kPalmLength * 0.6f / (kPalmWidth / 2.0f),
                kPalmThickness * 0.6f / (kPalmWidth / 2.0f)) ||
        !Translate(0, kPalmLength * 0.55f, 0))
        return false;
    static const char* const kNames[kFingers] = {"Thumb", "Index finger", "Middle finger",
                                                 "Ring finger", "Small finger"};
    static const float kLengths[kFingers] = {1.0f, 0.8f, 1.0f, 0.85f, 0.75f};
    // Knuckles along the top of the palm, the thumb low on its side and splayed out.
    const VEC3 roots[kFingers] = {{kPalmWidth / 2.0f, 2.5f, -0.3f * sz},
                                  {3.0f, kPalmLength, 0.0f},
                                  {1.0f, kPalmLength + 0.3f, 0.0f},
                                  {-1.0f, kPalmLength, 0.0f},
                                  {-3.0f, kPalmLength - 0.6f, 0.0f}};
    for (int k = 0; k < kFingers; ++k) {
        auto* finger = new CFinger(GetDevice(), GetVertexBuffer(), kNames[k]);
        AddChild(finger);
        finger->SetColor(0, GetColors()[0]);
        const float base = k == 0 ? 1.1f : k == 4 ? 0.8f : 0.9f;
        if (!finger->Build(kLengths[k] * kFingerLength * (k == 0 ? 0.7f : 1.0f), base, base * 0.8f))
            return FailFrom(*finger);
        if (k == 0 && !finger->RotateXYZ(0.6f, 1.0f, -0.2f * sz, 0.0f, false))
            return FailFrom(*finger);
        if (!finger->MoveBy(roots[k].x, roots[k].y, roots[k].z))
            return FailFrom(*finger);
        m_fingers[k] = finger;
    }
    m_points[0] = VEC3(0.0f);
    m_points[1] = VEC3(0, 0, -sz);
    m_points[2] = VEC3(-sz, 0, 0);
    TrackPoints(m_points, 3);
    return true;
}

bool CHand::ReachFinger(int finger, const VEC3& target, bool pointOnly) {
    if (finger < 0 || finger >= kFingers)
        return Fail("No finger %d on the hand", finger);
    CFinger* f = m_fingers[finger];
    const bool ok =
        pointOnly ? f->PointAt(target)
                  : f->Reach(target, GetDirection(), finger == 0 ? GetPalmNormal() : GetSide());
    return ok ? true : FailFrom(*f);
}

bool CHand::Curl(int first, float reach) {
    for (int k = first; k < kFingers; ++k) {
        CFinger* finger = m_fingers[k];
        const VEC3 bend = k == 0 ? VEC3(-0.5f, 1, 0) : VEC3(0, 1, 0);
        const VEC3 toward = Vec3TransformNormal(bend, GetWorld()) + 0.4f * GetPalmNormal();
        if (!ReachFinger(k,
                         finger->GetPosition() +
                             reach * finger->GetPhalangeLength() * Vec3Normalize(toward),
                         false))
            return false;
    }
    return true;
}

void CHand::Hold(CPrimitive* item, const VEC3& tip) {
    AddChild(item);
    m_item = item;
    m_itemTip = tip;
    item->TrackPoint(&m_itemTip);
}

// ---------------------------------------------------------------------------------- limbs

CLimb::CLimb(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CPrimitive(device, buffer, name) {}

bool CLimb::ScaleGeometry(float factor, bool keepPosition, const VEC3* centre) {
    if (!CPrimitive::ScaleGeometry(factor, keepPosition, centre))
        return false;
    m_segment *= factor;
    m_maxReach *= factor;
    return true;
}

bool CLimb::BuildSegments(float rootRadius, float upperRadius, float lowerRadius, int upperColor,
                          int lowerColor, int jointColor) {
    if (!Sphere(rootRadius, 10, 1.0f, 1.0f, false, false, jointColor))
        return false;
    const float l = m_segment;
    if (!AddPart(*this, "Upper", m_upper, [&](CPrimitive& p) {
            return p.Cylinder(l, upperRadius, 10, upperRadius * 0.3f, upperColor);
        }))
        return FailFrom(*m_upper);
    m_lower = new CPrimitive(GetDevice(), GetVertexBuffer(), "Lower");
    m_upper->AddChild(m_lower);
    for (size_t i = 0; i < GetColors().size(); ++i)
        m_lower->SetColor(static_cast<int>(i), GetColors()[i]);
    if (!m_lower->Sphere(upperRadius * 0.95f, 10, 1.0f, 1.0f, false, false, upperColor) ||
        !m_lower->Cylinder(l, lowerRadius, 10, lowerRadius * 0.3f, lowerColor) ||
        !m_lower->MoveBy(0, l, 0))
        return FailFrom(*m_lower);
    return true;
}

bool CLimb::Reach(const VEC3& root, const VEC3& target) {
    VEC3 d = target - root;
    const float distance = glm::length(d);
    if (distance > m_maxReach)
        return Fail("Out of reach: %.2f > %.2f", distance, m_maxReach);
    if (distance == 0.0f)
        d = m_upper->GetDirection();
    // The plane of the bend: through the hint when there is one, else the vertical plane
    // through the limb turned 45 degrees outward.
    VEC3 axis;
    if (m_hint)
        axis = glm::cross(d, target - *m_hint);
    else
        axis = Turn(glm::cross(d, VEC3(0, 1, 0)), d,
                    m_thing == THING_RIGHT_ARM || m_thing == THING_RIGHT_LEG ? 45.0f : -45.0f);
    if (glm::length(axis) < 1e-6f * glm::length(d))
        axis = Vec3Perpendicular(d);
    const float alpha =
        std::acos(glm::clamp(distance / (2.0f * m_segment), -1.0f, 1.0f)) * kDegrees;
    const VEC3 upper = Turn(d, axis, -alpha), lower = Turn(d, axis, alpha);
    if (!m_upper->Rotate(upper, 0.0f, false))
        return FailFrom(*m_upper);
    if (!m_lower->Rotate(lower, 0.0f, false))
        return FailFrom(*m_lower);
    m_reachedFrom = root;
    m_reachedTo = target;
    return true;
}

bool CLimb::ReachEnd(CPrimitive& end, const VEC3& point, const VEC3& direction, float twist,
                     const VEC3& joint) {
    // A hand or foot asked for the place it has keeps it, as if it had been placed again.
    const TRANSFORM& now = end.GetTransform();
    if (now.position == point && now.direction == direction && now.twist == twist &&
        m_upper->GetPosition() == m_reachedFrom && joint == m_reachedTo) {
        MarkChanged(*m_upper);
        return true;
    }
    // The end part is placed on its own; if the limb can't follow, the part and everything it
    // holds go back exactly where they were.
    end.SaveTransform();
    end.SetEnabled(false);
    bool ok = end.MoveTo(point, false) && end.Rotate(direction, twist, false);
    if (ok) {
        ok = Reach(m_upper->GetPosition(), joint);
    } else {
        FailFrom(end);
    }
    if (!ok) {
        end.RestoreTransform();
        end.MoveBy(0, 0, 0);
    }
    end.SetEnabled(true);
    return ok;
}

CArm::CArm(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CLimb(device, buffer, name) {}

bool CArm::Build(THING thing, float radius, float length, const VEC3* hint) {
    if (thing != THING_LEFT_ARM && thing != THING_RIGHT_ARM)
        return Fail("Not an arm: %d", thing);
    if (!HasColors(*this, 3))
        return Fail("Not enough colors");
    m_thing = thing;
    m_hint = hint;
    m_segment = length / 2.0f;
    m_maxReach = length;
    if (!BuildSegments(radius, radius * 0.75f, radius * 0.55f, 0, 1, 2))
        return false;
    m_hand = new CHand(GetDevice(), GetVertexBuffer(),
                       thing == THING_LEFT_ARM ? "Left hand" : "Right hand");
    m_lower->AddChild(m_hand);
    m_hand->SetColor(0, GetColors()[1]);
    if (!m_hand->Build(thing == THING_LEFT_ARM ? THING_LEFT_HAND : THING_RIGHT_HAND) ||
        !m_hand->MoveBy(0, 2.0f * m_segment, 0))
        return FailFrom(*m_hand);
    return true;
}

bool CArm::ReachHand(const VEC3& point, const VEC3& direction, float twist) {
    // The wrist is the hand's origin.
    return ReachEnd(*m_hand, point, direction, twist, m_hand->GetWrist());
}

CFoot::CFoot(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CPrimitive(device, buffer, name) {}

bool CFoot::Build(float height, float length) {
    // Shoe: half an ellipsoid reaching forward from under the ankle; ankle: a short cylinder.
    const float width = length * 0.4f;
    if (!Sphere(width / 2.0f, 10, height / width, length / width * 0.55f, false, false, 1) ||
        !Translate(0, 0, -length * 0.3f) || !Cylinder(height, width * 0.4f, 8, 0.5f, 1))
        return false;
    m_ankle = VEC3(0, height, 0);
    TrackPoint(&m_ankle);
    // Built with the toes toward -z: that is the direction it is pointed along.
    SetRestDirection(VEC3(0, 0, -1));
    return RotateXYZ(0, 0, -1, 0, false);
}

CLeg::CLeg(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CLimb(device, buffer, name) {}

bool CLeg::Build(THING thing, float size, float length, const VEC3* hint) {
    if (thing != THING_LEFT_LEG && thing != THING_RIGHT_LEG)
        return Fail("Not a leg: %d", thing);
    if (!HasColors(*this, 2))
        return Fail("Not enough colors");
    m_thing = thing;
    m_hint = hint;
    m_footHeight = 0.8f * size;
    m_segment = (length - m_footHeight) / 2.0f;
    m_maxReach = 2.0f * m_segment;
    if (!BuildSegments(size, size * 0.85f, size * 0.65f, 0, 0, 0))
        return false;
    m_foot = new CFoot(GetDevice(), GetVertexBuffer(),
                       thing == THING_LEFT_LEG ? "Left foot" : "Right foot");
    m_lower->AddChild(m_foot);
    m_foot->SetColor(0, GetColors()[0]);
    m_foot->SetColor(1, GetColors()[1]);
    if (!m_foot->Build(m_footHeight, 2.2f * size) || !m_foot->MoveBy(0, 2.0f * m_segment, 0))
        return FailFrom(*m_foot);
    return true;
}

bool CLeg::ReachFoot(const VEC3& point, const VEC3& direction, float twist) {
    return ReachEnd(*m_foot, point, direction, twist, m_foot->GetAnkle());
}

// ---------------------------------------------------------------------------------- body

CPelvis::CPelvis(CRenderDevice* device, CVertexBuffer* buffer)
    : CPrimitive(device, buffer, "Pelvis") {}

bool CPelvis::Build(float width, float height, float depth) {
    // Hips from the lift up: a rounded bottom, the block, and a top hidden under the torso.
    const float lift = CHuman::kPelvisLift, middle = height * 0.8f;
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Pelvis bottom", part,
                 [&](CPrimitive& p) {
                     return p.BodyCap(width, depth * 0.7f, 1) && p.RotateGeometryXYZ(180, 0, 0) &&
                            p.Translate(0, lift, 0);
                 }) ||
        !AddPart(*this, "Pelvis middle", part,
                 [&](CPrimitive& p) {
                     return p.BodyBlock(width, middle, depth, 8, 0) && p.Translate(0, lift, 0);
                 }) ||
        !AddPart(*this, "Pelvis top", part, [&](CPrimitive& p) {
            return p.BodyCap(width, depth, 0) && p.Translate(0, lift + middle, 0);
        }))
        return FailFrom(*part);
    return true;
}

CTorso::CTorso(CRenderDevice* device, CVertexBuffer* buffer)
    : CPrimitive(device, buffer, "Torso") {}

bool CTorso::Build(float width, float height, float depth) {
    const float chest = height - depth / 2.0f;
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Torso bottom", part,
                 [&](CPrimitive& p) {
                     return p.BodyCap(width * 0.9f, depth, 0) && p.RotateGeometryXYZ(180, 0, 0) &&
                            p.Translate(0, depth / 2.0f, 0);
                 }) ||
        !AddPart(*this, "Chest", part,
                 [&](CPrimitive& p) {
                     return p.BodyBlock(width, chest - depth / 2.0f, depth, 8, 0) &&
                            p.Translate(0, depth / 2.0f, 0);
                 }) ||
        !AddPart(*this, "Shoulders", part, [&](CPrimitive& p) {
            return p.BodyCap(width, depth, 0) && p.Translate(0, chest, 0);
        }))
        return FailFrom(*part);
    return true;
}

CHead::CHead(CRenderDevice* device, CVertexBuffer* buffer) : CPrimitive(device, buffer, "Head") {}

bool CHead::Build(float size, float neck) {
    const float neckLength = 1.5f * neck, centre = neckLength + size * 1.3f * 0.8f;
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Neck", part,
                 [&](CPrimitive& p) { return p.Cylinder(neckLength + 2.0f, neck, 10, 0.0f, 0); }) ||
        !AddPart(
            *this, "Head", part,
            [&](CPrimitive& p) { return p.Sphere(size, 14, 1.3f) && p.Translate(0, centre, 0); }) ||
        !AddPart(*this, "Nose", part,
                 [&](CPrimitive& p) {
                     return p.Sphere(0.2f * size, 8, 1.3f) &&
                            p.Translate(0, centre - 0.1f * size, -0.95f * size);
                 }) ||
        !AddPart(*this, "Eyes", part,
                 [&](CPrimitive& p) {
                     // Two small dark spheres show which way the figure looks.
                     return p.Sphere(0.12f * size, 6, 1.0f, 1.0f, false, false, 1) &&
                            p.Translate(0.35f * size, centre + 0.25f * size, -0.88f * size) &&
                            p.Sphere(0.12f * size, 6, 1.0f, 1.0f, false, false, 1) &&
                            p.Translate(-0.35f * size, 0, 0);
                 }) ||
        !AddPart(*this, "Hat", part, [&](CPrimitive& p) {
            const float top = centre + size * 0.9f;
            return p.Cylinder(0.12f * size, 1.45f * size, 16, 0.0f, 1) &&
                   p.Cylinder(0.6f * size, 0.95f * size, 16, 0.1f * size, 1) &&
                   p.Translate(0, top, 0);
        }))
        return FailFrom(*part);
    return true;
}

CHuman::CHuman(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CPrimitive(device, buffer, name) {}

bool CHuman::Build(THING kind) {
    m_kind = kind;
    // Elbows bend toward these: a drummer's out to the sides, a guitarist's left one back and up
    // under the neck, the right one out behind the guitar's body.
    if (kind == THING_DRUM_SET) {
        m_hints[0] = VEC3(200, 0, 100);
        m_hints[1] = VEC3(-200, 0, 100);
    } else {
        m_hints[0] = VEC3(25, 25, 50);
        m_hints[1] = VEC3(-100, 0, 0);
    }
    // Knees bend forward.
    m_hints[2] = VEC3(30, -40, -200);
    m_hints[3] = VEC3(-30, -40, -200);
    TrackPoints(m_hints, 4);

    m_pelvis = new CPelvis(GetDevice(), GetVertexBuffer());
    AddChild(m_pelvis);
    m_pelvis->SetColor(0, 0xFF8000FF);
    m_pelvis->SetColor(1, 0xFF808080);
    if (!m_pelvis->Build(kPelvisWidth, kPelvisHeight, kPelvisDepth))
        return FailFrom(*m_pelvis);

    m_torso = new CTorso(GetDevice(), GetVertexBuffer());
    m_pelvis->AddChild(m_torso);
    m_torso->SetColor(0, 0xFF8080FF);
    if (!m_torso->Build(kTorsoWidth, kTorsoHeight, kTorsoDepth) ||
        !m_torso->MoveBy(0, kPelvisLift + kPelvisHeight, 0))
        return FailFrom(*m_torso);

    const float hip = kPelvisWidth / 4.0f;
    for (int side = 0; side < 2; ++side) {
        const bool left = side == 0;
        auto* leg = new CLeg(GetDevice(), GetVertexBuffer(), left ? "Left leg" : "Right leg");
        m_pelvis->AddChild(leg);
        leg->SetColor(0, 0xFF8000FF);
        leg->SetColor(1, 0xFF808080);
        if (!leg->Build(left ? THING_LEFT_LEG : THING_RIGHT_LEG, hip, kLegLength,
                        &m_hints[left ? 2 : 3]) ||
            !leg->RotateXYZ(left ? 0.01f : -0.01f, -1, 0, 0, false) ||
            !leg->MoveBy(left ? hip : -hip, 0, 0))
            return FailFrom(*leg);
        (left ? m_leftLeg : m_rightLeg) = leg;
    }

    m_head = new CHead(GetDevice(), GetVertexBuffer());
    m_torso->AddChild(m_head);
    m_head->SetColor(0, 0xFFFF8080);
    m_head->SetColor(1, 0xFF808080);
    if (!m_head->Build(10, 5) ||
        !m_head->MoveBy(0, kPelvisLift + kPelvisHeight + kTorsoHeight - 0.1f * kPelvisHeight, 0))
        return FailFrom(*m_head);

    const float shoulder = kPelvisLift + kPelvisHeight + kTorsoHeight - 6.0f;
    for (int side = 0; side < 2; ++side) {
        const bool left = side == 0;
        auto* arm = new CArm(GetDevice(), GetVertexBuffer(), left ? "Left arm" : "Right arm");
        m_torso->AddChild(arm);
        arm->SetColor(0, 0xFF8080FF);
        arm->SetColor(1, 0xFFFF8080);
        arm->SetColor(2, 0xFF0000FF);
        const float x = left ? kTorsoWidth / 2.0f : -kTorsoWidth / 2.0f;
        if (!arm->Build(left ? THING_LEFT_ARM : THING_RIGHT_ARM, 6.0f, kArmLength,
                        &m_hints[left ? 0 : 1]) ||
            !arm->RotateXYZ(left ? 0.1f : -0.1f, -1, 0, 0, false) || !arm->MoveBy(x, shoulder, 0))
            return FailFrom(*arm);
        (left ? m_leftArm : m_rightArm) = arm;
    }
    // Standing: feet under the hips, toes forward, knees all but straight.
    for (CLeg* leg : {m_leftLeg, m_rightLeg}) {
        const VEC3 hip = leg->GetPosition();
        const VEC3 sole = hip - VEC3(0, 0.995f * leg->GetMaxReach() + leg->GetFootHeight(), 1);
        if (!leg->ReachFoot(sole, VEC3(0, 0, -1), 0.0f))
            return FailFrom(*leg);
    }
    return true;
}

bool CHuman::ReachHand(THING hand, const VEC3& point, const VEC3& direction, float twist) {
    CArm* arm = GetArm(hand);
    if (!arm->ReachHand(point, direction, twist))
        return FailFrom(*arm);
    return true;
}

bool CHuman::ReachFoot(THING leg, const VEC3& point, const VEC3& direction, float twist) {
    CLeg* l = GetLeg(leg);
    if (!l->ReachFoot(point, direction, twist))
        return FailFrom(*l);
    return true;
}

bool CHuman::ReachFinger(THING hand, int finger, const VEC3& target, bool pointOnly) {
    CHand* h = GetHand(hand);
    return h->ReachFinger(finger, target, pointOnly) ? true : FailFrom(*h);
}

bool CHuman::GetHandPoint(THING hand, VEC3& point) const {
    point = GetHand(hand)->GetWrist();
    return true;
}

#include "band/Drums.h"

#include <cmath>
#include <memory>

#include "band/Parts.h"

namespace {

constexpr float kPi = 3.14159265f;

struct PIECE_SIZE {
    THING thing;
    float diameter; // inches
    float depth;    // drums: depth; cymbals: height of the bow
    bool cymbal;
    bool turned; // the bow turned the other way
};

constexpr PIECE_SIZE kSizes[] = {
    {THING_BASS_DRUM_1, 24, 16, false, false},
    {THING_BASS_DRUM_2, 24, 16, false, false},
    {THING_SNARE_DRUM, 14, 5.5f, false, false},
    {THING_TOM_1, 8, 8, false, false},
    {THING_TOM_2, 10, 8, false, false},
    {THING_TOM_3, 12, 9, false, false},
    {THING_TOM_4, 14, 14, false, false},
    {THING_TOM_5, 14, 14, false, false},
    {THING_TOM_6, 20, 14, false, false},
    {THING_OCTOBAN_1, 6, 13.5f, false, false},
    {THING_OCTOBAN_2, 6, 15.05f, false, false},
    {THING_OCTOBAN_3, 6, 17.5f, false, false},
    {THING_OCTOBAN_4, 6, 18.5f, false, false},
    {THING_OCTOBAN_5, 6, 21.0f, false, false},
    {THING_OCTOBAN_6, 6, 23.5f, false, false},
    {THING_HIHAT_CLOSED, 13, 1.625f, true, false},
    {THING_HIHAT_BOTTOM, 13, 1.625f, true, true},
    {THING_RIDE_CYMBAL, 22, 3.142857f, true, false},
    {THING_CRASH_CYMBAL_1, 17, 2.125f, true, false},
    {THING_CRASH_CYMBAL_2, 18, 2.25f, true, false},
    {THING_CRASH_CYMBAL_3, 19, 2.375f, true, false},
    {THING_CRASH_CYMBAL_4, 20, 2.5f, true, false},
    {THING_SPLASH_CYMBAL_1, 8, 1.0f, true, false},
    {THING_SPLASH_CYMBAL_2, 12, 1.5f, true, false},
    {THING_CHINESE_CYMBAL_1, 18, 2.25f, true, true},
    {THING_CHINESE_CYMBAL_2, 20, 2.5f, true, true},
};

// Colours of the kit: heads, grey hardware, shells, rims, cymbals; the hi-hat's cymbals.
constexpr uint32_t kPieceColors[] = {0xFFFFFFFF, 0xFF808080, 0xFF0000FF, 0xFFC0C0FF, 0xFFC0A000};
constexpr uint32_t kHiHatColor = 0xFFC0C000;
constexpr uint32_t kHardware[2] = {0xFFC0C0C0, 0xFF808080};

// Turns the part's geometry so that direction `from` is carried onto `to`.
bool TurnGeometry(CPrimitive& part, const VEC3& from, const VEC3& to) {
    const VEC3 f = Vec3Normalize(from), t = Vec3Normalize(to);
    const float angle = std::acos(glm::clamp(glm::dot(f, t), -1.0f, 1.0f)) / kRadiansPerDegree;
    if (angle < 1e-4f)
        return true;
    ROTATION r;
    r.axis = glm::cross(f, t);
    r.angle = angle;
    r.centre = VEC3(0.0f);
    return part.RotateGeometry(r);
}

// A closed ring of `radius` in the plane y = height.
std::vector<VEC3> Ring(float radius, float height, int segments) {
    std::vector<VEC3> points;
    for (int k = 0; k <= segments; ++k) {
        const float a = 2.0f * kPi * k / segments;
        points.emplace_back(radius * std::cos(a), height, radius * std::sin(a));
    }
    return points;
}

} // namespace

// ---------------------------------------------------------------------------------- pieces

CInstruments::CInstruments(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CPrimitive(device, buffer, name) {}

bool CInstruments::Build(THING thing) {
    const PIECE_SIZE* size = nullptr;
    for (const PIECE_SIZE& s : kSizes)
        if (s.thing == thing)
            size = &s;
    if (!size)
        return Fail("Can't build a drum piece for %d (%s)", thing, GetThingName(thing));
    if (GetColors().size() < 5)
        return Fail("Not enough colors");
    m_thing = thing;
    m_diameter = size->diameter * kInch;
    const float d = size->diameter;
    if (size->cymbal) {
        if (!BuildCymbal(d, size->depth, size->turned))
            return false;
        const float c = -0.4f * d;
        m_points[LEFT_BASE][0] = VEC3(-4, 3.5f, c - 14);
        m_points[RIGHT_BASE][0] = VEC3(4, 3.5f, c - 14);
        m_points[LEFT_STRIKE][0] = VEC3(-1, 0.5f, c);
        m_points[RIGHT_STRIKE][0] = VEC3(1, 0.5f, c);
        m_points[LEFT_RAISE][0] = VEC3(-1, 5.5f, c);
        m_points[RIGHT_RAISE][0] = VEC3(1, 5.5f, c);
    } else {
        if (!BuildDrum(d, size->depth))
            return false;
        const float x = thing == THING_SNARE_DRUM ? 8.0f : 4.0f;
        m_points[LEFT_BASE][0] = VEC3(-x, 4, -14);
        m_points[RIGHT_BASE][0] = VEC3(x, 4, -14);
        m_points[LEFT_STRIKE][0] = VEC3(-1, 0, 0);
        m_points[RIGHT_STRIKE][0] = VEC3(1, 0, 0);
        m_points[LEFT_RAISE][0] = VEC3(-1, 6, 0);
        m_points[RIGHT_RAISE][0] = VEC3(1, 6, 0);
    }
    // Pedal pieces: the foot's heel, toe and raised toe; the second base point is the pivot of
    // the bass drum's beater, a little in front of the head at the floor.
    if (thing == THING_BASS_DRUM_1 || thing == THING_BASS_DRUM_2) {
        m_points[RIGHT_BASE][0] = VEC3(0, 8.661417f, -12);
        m_points[RIGHT_STRIKE][0] = VEC3(0, 0, -12);
        m_points[RIGHT_RAISE][0] = VEC3(0, 0, -9);
        m_points[RIGHT_BASE][1] = VEC3(0, 1.5f, -11.2f);
    } else if (thing == THING_HIHAT_BOTTOM) {
        m_points[RIGHT_BASE][0] = VEC3(0, -27.23f, -8.661417f);
        m_points[RIGHT_STRIKE][0] = VEC3(0, -27.23f, 0);
        m_points[RIGHT_RAISE][0] = VEC3(0, -24.23f, 0);
    }
    for (auto& table : m_points)
        TrackPoints(table, kPoints);
    return ScaleGeometry(kInch, true);
}

bool CInstruments::BuildDrum(float diameter, float depth) {
    // Around the struck head at y = 0: the head, the rims at both ends and the shell below.
    const float r = diameter / 2.0f;
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Drum head", part,
                 [&](CPrimitive& p) {
                     return p.Cylinder(0.1f, r - 0.15f, 32, 0.0f, 0) && p.Translate(0, -0.1f, 0);
                 }) ||
        !AddPart(*this, "Drum rim", part,
                 [&](CPrimitive& p) {
                     return p.Wire(Ring(r, 0.0f, 32), 0.3f, 6, 3) &&
                            p.Wire(Ring(r, -depth, 32), 0.3f, 6, 3);
                 }) ||
        !AddPart(*this, "Drum barrel", part, [&](CPrimitive& p) {
            return p.Cylinder(depth, r, 32, 0.0f, 2) && p.Translate(0, -depth, 0);
        }))
        return FailFrom(*part);
    if (CRenderDevice* device = GetDevice()) {
        part->SetTexture(device->CreateTexture(TEXTURE_DRUM_SHELL, 256, 256, kPieceColors[2]));
        part->SetWrap(true);
    }
    return true;
}

bool CInstruments::BuildCymbal(float diameter, float bow, bool turned) {
    // The profile: a bell in the middle, then a bow falling to the edge at y = 0.
    const float r = diameter / 2.0f, sign = turned ? -1.0f : 1.0f;
    const int rings = 8, segments = 32;
    std::vector<VEC3> grid;
    for (int k = 0; k < rings; ++k) {
        const float t = static_cast<float>(k) / (rings - 1);
        const float radius = r * (0.01f + 0.99f * t);
        const float height = k == 0   ? bow
                             : k == 1 ? bow * 0.75f
                                      : bow * 0.45f * (1 - t) / (1 - 1.0f / 7);
        for (int j = 0; j <= segments; ++j) {
            const float a = -2.0f * kPi * j / segments;
            grid.emplace_back(radius * std::cos(a), sign * height, radius * std::sin(a));
        }
    }
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Cymbal", part,
                 [&](CPrimitive& p) { return p.Surface(grid, rings, segments + 1, 4); }))
        return FailFrom(*part);
    part->SetTwoSided(true);
    if (CRenderDevice* device = GetDevice())
        part->SetTexture(device->CreateTexture(TEXTURE_METAL, 256, 256, GetColors()[4]));
    return true;
}

bool CInstruments::BuildThrone(float height) {
    m_thing = THING_NONE;
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Throne stick", part,
                 [&](CPrimitive& p) { return p.Cylinder(height - 11.0f, 1.5f, 6, 0.0f, 1); }) ||
        !AddPart(*this, "Throne seat", part, [&](CPrimitive& p) {
            return p.Cylinder(11.0f, 18.0f, 10, 2.0f, 0) && p.Translate(0, height - 11.0f, 0);
        }))
        return FailFrom(*part);
    return true;
}

// ---------------------------------------------------------------------------------- kit

CDrumSet::CDrumSet(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CPrimitive(device, buffer, name) {
    for (int i = 0; i < 5; ++i)
        SetColor(i, kPieceColors[i]);
}

bool CDrumSet::AddPiece(THING thing, const VEC3* firstFrom, const VEC3* firstTo,
                        const VEC3& secondTo, const VEC3& position) {
    auto* piece = new CInstruments(GetDevice(), GetVertexBuffer(), GetThingName(thing));
    AddChild(piece);
    for (int i = 0; i < 5; ++i)
        piece->SetColor(i, kPieceColors[i]);
    if (thing == THING_HIHAT_CLOSED || thing == THING_HIHAT_BOTTOM)
        piece->SetColor(4, kHiHatColor);
    if (!piece->Build(thing) || (firstFrom && !TurnGeometry(*piece, *firstFrom, *firstTo)) ||
        !TurnGeometry(*piece, VEC3(0, 0, -1), secondTo) ||
        !piece->MoveBy(position.x, position.y, position.z))
        return FailFrom(*piece);
    m_pieces.push_back(piece);
    return true;
}

bool CDrumSet::Build() {
    const VEC3 up(0, 1, 0), tilted(0, 1, -0.4f), tiltedCymbal(0, 1, -0.3f), facing(0, 0, -1);
    struct PLACE {
        THING thing;
        const VEC3* from;
        const VEC3* to;
        VEC3 second;
        VEC3 position;
    };
    const PLACE places[] = {
        {THING_BASS_DRUM_1, &up, &facing, {-0.5f, 0, -1}, {66, 0, -45}},
        {THING_SNARE_DRUM, nullptr, nullptr, {0.05f, 0, -1}, {25, 30, -62}},
        {THING_TOM_1, &up, &tilted, {0.1f, 0, -0.4f}, {10, 55, -45}},
        {THING_TOM_2, &up, &tilted, {0, 0, -0.4f}, {35, 55, -39}},
        {THING_TOM_3, &up, &tilted, {-0.15f, 0, -0.5f}, {62, 51, -53}},
        {THING_TOM_4, &up, &tilted, {-0.4f, 0, -0.3f}, {85, 48, -78}},
        {THING_HIHAT_CLOSED, nullptr, nullptr, {0.2f, 0, -0.2f}, {-17, 40, -54}},
        {THING_HIHAT_BOTTOM, nullptr, nullptr, {0.8f, 0, -1}, {-17, 38, -54}},
        {THING_CRASH_CYMBAL_1, &up, &tiltedCymbal, {0.1f, 0, -0.3f}, {-13, 68, -25}},
        {THING_SPLASH_CYMBAL_1, &up, &tiltedCymbal, {0.1f, 0, -0.5f}, {20, 63, -30}},
        {THING_CRASH_CYMBAL_2, &up, &tiltedCymbal, {-0.1f, 0, -0.6f}, {40, 73, -14}},
        {THING_RIDE_CYMBAL, &up, &tiltedCymbal, {-0.1f, 0, -0.2f}, {80, 68, -25}},
        {THING_CRASH_CYMBAL_3, &up, &tiltedCymbal, {-0.3f, 0, -0.2f}, {102, 67, -66}},
    };
    for (const PLACE& p : places)
        if (!AddPiece(p.thing, p.from, p.to, p.second, p.position))
            return false;
    m_bassDrum = Find(THING_BASS_DRUM_1);
    m_hiHatTop = Find(THING_HIHAT_CLOSED);
    m_hiHatBottom = Find(THING_HIHAT_BOTTOM);

    // Stands from the toms, the cymbals and the hi-hat down to the floor (30.48 below the set's
    // origin, which the set's last move lifts onto it).
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Stands", part, [&](CPrimitive& s) {
            s.SetColor(0, kHardware[0]);
            for (CInstruments* piece : m_pieces) {
                const THING t = piece->GetThing();
                if (t == THING_BASS_DRUM_1 || t == THING_HIHAT_CLOSED)
                    continue;
                const VEC3 top = piece->GetPosition();
                const VEC3 ends[2] = {top, VEC3(top.x, -30.48f, top.z)};
                if (!s.Wire(ends, t == THING_HIHAT_BOTTOM ? 0.5f : 0.8f, 6, 0))
                    return false;
            }
            return true;
        }))
        return FailFrom(*part);

    // The beater on its pivot in front of the bass drum's head.
    m_beater = new CPrimitive(GetDevice(), GetVertexBuffer(), "Bass beater");
    m_bassDrum->AddChild(m_beater);
    CPrimitive* ball = nullptr;
    m_beater->SetColor(0, kHardware[0]);
    m_beater->SetColor(1, kHardware[1]);
    if (!m_beater->Cylinder(22.0f, 0.5f, 6, 0.0f, 0) ||
        !AddPart(*m_beater, "Beater ball", ball, [](CPrimitive& p) {
            return p.Sphere(3.0f, 8, 1.0f, 1.0f, false, false, 1) && p.Translate(0, 22.0f, 0);
        }))
        return FailFrom(ball ? *ball : *m_beater);
    m_beaterTip = VEC3(0, 22.0f, 0);
    m_beater->TrackPoint(&m_beaterTip);
    const VEC3 pivot = m_bassDrum->GetPoint(CInstruments::RIGHT_BASE, 1);
    if (!m_beater->MoveBy(pivot.x, pivot.y, pivot.z))
        return FailFrom(*m_beater);

    m_up[0] = VEC3(0, 0, 0);
    m_up[1] = VEC3(0, 1, 0);
    TrackPoints(m_up, 2);
    if (!MoveBy(-30.0f, 30.48f, 100.0f))
        return false;
    CNote rest;
    return MoveBeater(rest, nullptr) && MoveHiHat(rest, nullptr);
}

CInstruments* CDrumSet::Find(THING thing) {
    if (thing == THING_HIHAT_OPEN)
        thing = THING_HIHAT_CLOSED;
    else if (thing == THING_RIDE_CYMBAL_BELL)
        thing = THING_RIDE_CYMBAL;
    for (CInstruments* piece : m_pieces)
        if (piece->GetThing() == thing)
            return piece;
    Fail("The drum set has no %s", GetThingName(thing));
    return nullptr;
}

bool CDrumSet::MoveBeater(const CNote& note, CVarList<ANIMATION_POINT>* keys) {
    const VEC3 up = m_up[1] - m_up[0];
    VEC3 direction = up;
    if (note.m_volume != 0.0f) {
        const VEC3 base = m_bassDrum->GetPoint(CInstruments::RIGHT_BASE);
        const VEC3 strike = m_bassDrum->GetPoint(CInstruments::RIGHT_STRIKE) - base;
        const VEC3 raise = m_bassDrum->GetPoint(CInstruments::RIGHT_RAISE) - base;
        direction = Vec3TransformNormal(up, MatrixTurn(strike, raise));
    }
    if (!m_beater->Rotate(direction, 0.0f, false))
        return FailFrom(*m_beater);
    return m_beater->Record(note.m_time, keys, true, false);
}

bool CDrumSet::MoveHiHat(const CNote& note, CVarList<ANIMATION_POINT>* keys) {
    VEC3 at = m_hiHatBottom->GetPosition();
    if (note.m_volume != 0.0f)
        at += m_hiHatGap * GetScaleFactor() * Vec3Normalize(m_up[1] - m_up[0]);
    if (!m_hiHatTop->MoveTo(at, false))
        return FailFrom(*m_hiHatTop);
    return m_hiHatTop->Record(note.m_time, keys, true, false);
}

// ---------------------------------------------------------------------------------- drummer

CDrummer::CDrummer(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CPrimitive(device, buffer, name) {}

bool CDrummer::Build() {
    m_human = new CHuman(GetDevice(), GetVertexBuffer(), "Human");
    AddChild(m_human);
    if (!m_human->Build(THING_DRUM_SET) ||
        !m_human->MoveBy(0, CHuman::kPelvisWidth / 4.0f + 40.0f, -5.0f) ||
        !m_human->RotateXYZ(0, 0, 0, 185.0f, false))
        return FailFrom(*m_human);

    m_drums = new CDrumSet(GetDevice(), GetVertexBuffer(), "Drums");
    AddChild(m_drums);
    if (!m_drums->Build())
        return FailFrom(*m_drums);

    m_throne = new CInstruments(GetDevice(), GetVertexBuffer(), "Throne");
    AddChild(m_throne);
    m_throne->SetColor(0, kHardware[0]);
    m_throne->SetColor(1, kHardware[1]);
    if (!m_throne->BuildThrone(40.0f) || !m_throne->MoveBy(0, 0, -5.0f))
        return FailFrom(*m_throne);
    m_bassDrum = m_drums->Find(THING_BASS_DRUM_1);
    m_hiHatBottom = m_drums->Find(THING_HIHAT_BOTTOM);

    // A stick in each hand, gripped in the curled fingers, its butt behind the hand.
    for (THING h : {THING_LEFT_HAND, THING_RIGHT_HAND}) {
        CHand* hand = m_human->GetHand(h);
        auto stick = std::make_unique<CPrimitive>(GetDevice(), GetVertexBuffer(), "Drum stick");
        stick->SetColor(0, 0xFFE0C080);
        const float behind = 8.0f;
        const MATRIX world = hand->GetWorld();
        const float side = h == THING_RIGHT_HAND ? -1.0f : 1.0f;
        const VEC3 grip = Vec3TransformCoord(VEC3(0, 5.5f, side * 1.8f), world);
        const VEC3 along = Vec3TransformNormal(VEC3(0, 1, side * 0.25f), world);
        if (!stick->Cylinder(kStickLength, 0.7f, 8, 0.3f) || !stick->Sphere(0.55f, 6) ||
            !stick->Translate(0, -behind, 0) || !stick->Rotate(along, 0.0f, false) ||
            !stick->MoveTo(grip, false))
            return Fail("Can't make a drum stick: %s", stick->GetError().GetText());
        hand->Hold(stick.release(), VEC3(0, kStickLength - behind, 0));
        if (!hand->Curl(0, 1.6f))
            return FailFrom(*hand);
    }

    m_cameraPoints[0] = VEC3(0, 0, 0);
    m_cameraPoints[1] = VEC3(20, 0, 70);
    m_cameraPoints[2] = VEC3(-50, 310, -50);
    m_cameraPoints[3] = VEC3(0, 100, 0);
    m_cameraPoints[4] = VEC3(-1, 0, 0);
    TrackPoints(m_cameraPoints, 5);

    // At rest: feet on the pedals, sticks raised over the snare.
    CNote rest;
    rest.m_volume = 1.0f;
    for (THING t : {THING_BASS_DRUM_1, THING_HIHAT_FOOT}) {
        rest.m_thing = t;
        if (!PlayNote(rest, nullptr))
            return false;
    }
    rest.m_thing = THING_SNARE_DRUM;
    for (THING h : {THING_LEFT_HAND, THING_RIGHT_HAND}) {
        rest.m_hand = h;
        if (!PlayNote(rest, nullptr))
            return false;
    }
    ClearChanged(*this);
    return true;
}

void CDrummer::GetCamera(VEC3& eye, VEC3& lookAt, VEC3& up) const {
    eye = m_cameraPoints[2];
    lookAt = m_cameraPoints[1];
    up = m_cameraPoints[3] - m_cameraPoints[0];
}

const VEC3& CDrummer::GetStickTip(THING hand) const {
    return m_human->GetHand(hand)->GetItemTip();
}

bool CDrummer::PlayNote(const CNote& note, CVarList<ANIMATION_POINT>* keys) {
    if (note.m_thing == THING_BASS_DRUM_1 || note.m_thing == THING_HIHAT_FOOT)
        return FootStroke(note, keys);
    return HandStroke(note, keys);
}

VEC3 CDrummer::StickDirection(THING hand, const VEC3& along, float twist) const {
    // The stick's direction in the hand's model space, from its grip and tip as now held.
    const CHand* h = m_human->GetHand(hand);
    const MATRIX toHand = MatrixInverse(h->GetWorld());
    const VEC3 stick = Vec3Normalize(Vec3TransformCoord(h->GetItemTip(), toHand));
    // The hand's direction D such that twisting by `twist` and turning the rest direction onto
    // D carries the stick onto `along`; a few corrections converge for a stick held near the
    // hand's own direction.
    const VEC3 rest(0, 1, 0), target = Vec3Normalize(along);
    const MATRIX twisted = MatrixRotationAxis(rest, twist * kRadiansPerDegree);
    VEC3 d = target;
    for (int i = 0; i < 6; ++i) {
        const MATRIX orientation = MatrixMultiply(twisted, MatrixTurn(rest, d));
        const VEC3 now = Vec3TransformNormal(stick, orientation);
        d = Vec3Normalize(Vec3TransformNormal(d, MatrixTurn(now, target)));
    }
    return d;
}

bool CDrummer::HandStroke(const CNote& note, CVarList<ANIMATION_POINT>* keys) {
    const THING hand = note.m_hand == THING_LEFT_HAND ? THING_LEFT_HAND : THING_RIGHT_HAND;
    CInstruments* piece = m_drums->Find(note.m_thing);
    if (!piece)
        return FailFrom(*m_drums);
    const bool strike = note.m_volume == 0.0f;
    const bool right = hand == THING_RIGHT_HAND;
    // The stick from the base point (the wrist) toward the strike point, or raised toward the
    // raise point with the tip a little out and the wrist turned 20 degrees further out. The
    // small corrections are inches of the piece's own size.
    const float inch = piece->GetScaleFactor();
    const VEC3 base = piece->GetBase(hand);
    float angle = right ? -20.0f : 200.0f;
    VEC3 d = (strike ? piece->GetStrike(hand) : piece->GetRaise(hand)) - base;
    if (!strike) {
        d += inch * VEC3(right ? -0.1f : 0.1f, 0.2f, 0.0f);
        angle += right ? -20.0f : 20.0f;
    }
    // Over the snare and the hi-hat the stick stays a little lower.
    if (note.m_thing == THING_SNARE_DRUM)
        d.y -= 0.19f * inch;
    else if (note.m_thing == THING_HIHAT_OPEN || note.m_thing == THING_HIHAT_CLOSED)
        d.y -= 0.6f * inch;
    if (!m_human->ReachHand(hand, base, StickDirection(hand, d, angle), angle))
        return FailFrom(*m_human);
    return Record(note.m_time, keys, true, false);
}

bool CDrummer::FootStroke(const CNote& note, CVarList<ANIMATION_POINT>* keys) {
    const bool bass = note.m_thing == THING_BASS_DRUM_1;
    CInstruments* pedal = bass ? m_bassDrum : m_hiHatBottom;
    const VEC3 base = pedal->GetPoint(CInstruments::RIGHT_BASE);
    const VEC3 toward = note.m_volume == 0.0f ? pedal->GetPoint(CInstruments::RIGHT_STRIKE)
                                              : pedal->GetPoint(CInstruments::RIGHT_RAISE);
    if (!m_human->ReachFoot(bass ? THING_RIGHT_LEG : THING_LEFT_LEG, base, toward - base, 0.0f))
        return FailFrom(*m_human);
    if (!Record(note.m_time, keys, true, false))
        return false;
    const bool moved = bass ? m_drums->MoveBeater(note, keys) : m_drums->MoveHiHat(note, keys);
    return moved ? true : FailFrom(*m_drums);
}

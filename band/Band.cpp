#include "band/Band.h"

namespace {

constexpr uint32_t kStageColor = 0xFF604830;
constexpr uint32_t kDomeColor = 0xFF404050;

} // namespace

// ---------------------------------------------------------------------------------- guitarist

CGuitarist::CGuitarist(CRenderDevice* device, CVertexBuffer* buffer, const char* name,
                       CNoteManager* notes)
    : CPrimitive(device, buffer, name), m_notes(notes) {}

bool CGuitarist::Build(THING kind, CTextShapes* texts) {
    m_human = new CHuman(GetDevice(), GetVertexBuffer(), "Human");
    AddChild(m_human);
    if (!m_human->Build(kind))
        return FailFrom(*m_human);
    m_guitar = new CGuitars(GetDevice(), GetVertexBuffer(), "Guitar", m_notes);
    m_human->AddChild(m_guitar);
    m_guitar->SetPlayer(this);
    if (!m_guitar->Build(kind, 0, texts) || !m_guitar->RotateXYZ(1, 0.5f, 0.1f, 0, false) ||
        !m_guitar->MoveBy(10, 27, -14))
        return FailFrom(*m_guitar);

    // A pick between the right thumb and index finger, its tip out of the palm.
    CHand* hand = m_human->GetHand(THING_RIGHT_HAND);
    auto pick = std::make_unique<CPrimitive>(GetDevice(), GetVertexBuffer(), "Pick");
    pick->SetColor(0, 0xFFE02020);
    const CONTOURS outline = {{{-0.9f, 0.0f}, {0.9f, 0.0f}, {0.0f, -1.5f}}};
    const MATRIX world = hand->GetWorld();
    const VEC3 at = Vec3TransformCoord(VEC3(2.2f, 6.5f, -1.6f), world);
    if (!pick->Extrude(outline, 1.0f, 0.1f) || !pick->RotateGeometryXYZ(90, 0, 0) ||
        !pick->Rotate(Vec3TransformNormal(VEC3(0, 1, 0), world), 0.0f, false) ||
        !pick->MoveTo(at, false))
        return Fail("Can't make the pick: %s", pick->GetError().GetText());
    // The tip: the triangle's point, turned from -y onto -z and carried into the hand.
    hand->Hold(pick.release(), VEC3(0.0f, 0.0f, -1.5f));
    if (!hand->Curl(2, 2.2f))
        return FailFrom(*hand);

    // Standing behind the guitar, feet apart.
    if (!m_human->MoveBy(0, CHuman::kLegLength - 0.5f, 0) ||
        !m_human->ReachFoot(THING_RIGHT_LEG, VEC3(-10, 0, -3), VEC3(-0.5f, 0, -1), 0) ||
        !m_human->ReachFoot(THING_LEFT_LEG, VEC3(10, 0, 3), VEC3(0.5f, 0, -1), 0))
        return FailFrom(*m_human);
    return true;
}

// ---------------------------------------------------------------------------------- band

CBand::CBand(CRenderDevice* device, CVertexBuffer* buffer, const char* name, CNoteManager* notes)
    : CPrimitive(device, buffer, name), m_notes(notes) {}

bool CBand::Build() {
    // The band's hundred thousand vertices at once, not in the buffer's small steps.
    if (CVertexBuffer* buffer = GetVertexBuffer())
        buffer->Reserve(buffer->GetVertexCount() + 110000);
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Stage", part, [](CPrimitive& p) {
            p.SetColor(0, kStageColor);
            // Its top is the floor the players stand on.
            return p.Cylinder(50, 500, 30, 0.0f) && p.Translate(0, -50, 0);
        }))
        return FailFrom(*part);
    if (!AddPart(*this, "Sphere", part, [](CPrimitive& p) {
            p.SetColor(0, kDomeColor);
            return p.Sphere(700, 30, 1.0f, 1.0f, true);
        }))
        return FailFrom(*part);
    if (CRenderDevice* device = GetDevice())
        part->SetTexture(device->CreateTexture(TEXTURE_ENVIRONMENT, 256, 256, kDomeColor));

    const struct {
        THING kind;
        const char* name;
        CGuitarist** player;
        VEC3 at;
        float turn;
    } players[] = {{THING_LEAD_GUITAR, "Lead guitarist", &m_lead, {0, 0, 50}, 0.0f},
                   {THING_RHYTHM_GUITAR, "Rhythm guitarist", &m_rhythm, {100, 0, 0}, 40.0f},
                   {THING_BASS_GUITAR, "Bass guitarist", &m_bass, {-100, 0, 0}, -40.0f}};
    for (const auto& p : players) {
        auto* player = new CGuitarist(GetDevice(), GetVertexBuffer(), p.name, m_notes);
        AddChild(player);
        *p.player = player;
        if (!player->Build(p.kind, &m_texts) || !player->RotateXYZ(0, 0, 0, p.turn, false) ||
            !player->MoveBy(p.at.x, p.at.y, p.at.z))
            return FailFrom(*player);
    }
    m_drummer = new CDrummer(GetDevice(), GetVertexBuffer(), "Drummer");
    AddChild(m_drummer);
    if (!m_drummer->Build() || !m_drummer->MoveBy(0, 0, -130))
        return FailFrom(*m_drummer);
    if (!MoveBy(0, -100, 0) || !ScaleGeometry(kSceneScale, false))
        return false;
    return Reset();
}

CGuitarist* CBand::GetGuitarist(THING kind) const {
    switch (kind) {
    case THING_LEAD_GUITAR:
        return m_lead;
    case THING_RHYTHM_GUITAR:
        return m_rhythm;
    case THING_BASS_GUITAR:
        return m_bass;
    default:
        return nullptr;
    }
}

bool CBand::Reset() {
    CNote note;
    note.m_volume = 1.0f;
    for (THING pedal : {THING_BASS_DRUM_1, THING_HIHAT_FOOT}) {
        note.m_thing = pedal;
        if (!m_drummer->PlayNote(note, nullptr))
            return FailFrom(*m_drummer);
    }
    note.m_thing = THING_SNARE_DRUM;
    for (THING hand : {THING_LEFT_HAND, THING_RIGHT_HAND}) {
        note.m_hand = hand;
        if (!m_drummer->PlayNote(note, nullptr))
            return FailFrom(*m_drummer);
    }
    for (CGuitarist* player : {m_bass, m_rhythm, m_lead}) {
        CGuitars* guitar = player->GetGuitar();
        if (!guitar->ResetHand(6) || !guitar->ResetMarks())
            return FailFrom(*guitar);
    }
    ClearChanged(*this);
    return true;
}

bool CBand::ShowNotes(const CNoteList& notes, bool onlySounding) {
    for (CGuitarist* player : {m_lead, m_rhythm, m_bass})
        if (!player->GetGuitar()->ShowNoteMarks(notes, onlySounding))
            return FailFrom(*player->GetGuitar());
    return true;
}

bool CBand::ShowPitches(const CNoteList& notes) {
    for (CGuitarist* player : {m_lead, m_rhythm, m_bass})
        if (!player->GetGuitar()->ShowPitchMarks(notes))
            return FailFrom(*player->GetGuitar());
    return true;
}

bool CBand::ShowNoteNames(const CNoteList& notes) {
    for (CGuitarist* player : {m_lead, m_rhythm, m_bass})
        if (!player->GetGuitar()->ShowNoteNames(notes))
            return FailFrom(*player->GetGuitar());
    return true;
}

bool CBand::PlayNote(const CNote& note, CVarList<ANIMATION_POINT>* keys) {
    if (note.m_thing >= THING_BASS_DRUM_1 && note.m_thing <= THING_CHINESE_CYMBAL_2) {
        // A stroke the kit can't make (a piece it lacks) is skipped.
        m_drummer->PlayNote(note, keys);
        return true;
    }
    CGuitarist* player = GetGuitarist(note.m_thing);
    if (!player)
        return Fail("Can't animate a note of %s (%d)", GetThingName(note.m_thing), note.m_thing);
    if (!player->GetGuitar()->PlayNote(note, keys))
        return FailFrom(*player->GetGuitar());
    return true;
}

#include "band/BandPictureSet.h"

#include "band/Animation.h"
#include "band/Band.h"
#include "band/Drums.h"
#include "band/Guitars.h"
#include "band/Human.h"

CBandPictureSet::CBandPictureSet(CNoteManager* notes) : m_notes(notes) {}

CBandPictureSet::~CBandPictureSet() = default;

void CBandPictureSet::Forget() {
    if (m_animator && m_band)
        m_animator->Forget();
    for (CGuitars*& guitar : m_guitars)
        guitar = nullptr;
    m_band = nullptr;
    m_texts = CTextShapes();
}

bool CBandPictureSet::Build(int kind, CRenderDevice* device, CVertexBuffer* buffer,
                            std::vector<CPrimitive*>& primitives, CCharString& error) {
    Forget();
    switch (kind) {
    case 8: {
        // The kit as the drummer sees it, in the middle of the view.
        auto* drums = new CDrumSet(device, buffer, "Drums");
        primitives.push_back(drums);
        if (!drums->Build() || !drums->ScaleGeometry(kSceneScale, false) ||
            !drums->MoveBy(-1.0f, -5.0f, 0.0f)) {
            error.Format("Can't build the drum set: %s", drums->GetError().GetText());
            return false;
        }
        return true;
    }
    case 9:
    case 11:
        return BuildGuitars(device, buffer, primitives, error);
    case 14: {
        auto* band = new CBand(device, buffer, "Band", m_notes);
        primitives.push_back(band);
        if (!band->Build()) {
            error.Format("Can't build the band: %s", band->GetError().GetText());
            return false;
        }
        m_band = band;
        return true;
    }
    case 13:
    case 16:
        return BuildHand(kind == 16, device, buffer, primitives, error);
    default:
        return true;
    }
}

bool CBandPictureSet::BuildGuitars(CRenderDevice* device, CVertexBuffer* buffer,
                                   std::vector<CPrimitive*>& primitives, CCharString& error) {
    // Lead, rhythm and bass from left to right, faces toward the camera, necks up.
    const THING kinds[3] = {THING_LEAD_GUITAR, THING_RHYTHM_GUITAR, THING_BASS_GUITAR};
    const char* const names[3] = {"Lead guitar", "Rhythm guitar", "Bass guitar"};
    for (int k = 0; k < 3; ++k) {
        auto* guitar = new CGuitars(device, buffer, names[k], m_notes);
        primitives.push_back(guitar);
        if (!guitar->Build(kinds[k], 0, &m_texts) || !guitar->ScaleGeometry(kSceneScale, false) ||
            !guitar->MoveBy(-6.0f + 6.0f * k, kinds[k] == THING_BASS_GUITAR ? -1.5f : -0.8f, 0)) {
            error.Format("Can't build the %s: %s", names[k], guitar->GetError().GetText());
            return false;
        }
        m_guitars[k] = guitar;
    }
    return true;
}

bool CBandPictureSet::BuildHand(bool reaching, CRenderDevice* device, CVertexBuffer* buffer,
                                std::vector<CPrimitive*>& primitives, CCharString& error) {
    auto* hand = new CHand(device, buffer, "Hand");
    primitives.push_back(hand);
    hand->SetColor(0, 0xFFC0C0C0);
    if (!hand->Build(THING_RIGHT_HAND)) {
        error.Format("Can't build the hand: %s", hand->GetError().GetText());
        return false;
    }
    if (!reaching) {
        // Upright in the middle of the view, turned a little to show the fingers' bend.
        if (!hand->RotateXYZ(0, 0, 0, 35, false) || !hand->MoveBy(0, -8, 0) ||
            !hand->Curl(0, 2.6f)) {
            error.Format("Can't pose the hand: %s", hand->GetError().GetText());
            return false;
        }
        return true;
    }
    // Thumb and index finger take hold of a red and a green marker.
    const VEC3 red(0.6f, 2.1f, 1.6f), green(0.8f, 2.0f, 1.7f);
    const uint32_t colors[2] = {0xFFFF0000, 0xFF00FF00};
    const VEC3 at[2] = {red, green};
    for (int k = 0; k < 2; ++k) {
        auto* marker = new CPrimitive(device, buffer, k == 0 ? "Red marker" : "Green marker");
        primitives.push_back(marker);
        marker->SetColor(0, colors[k]);
        if (!marker->Sphere(0.06f, 10) || !marker->MoveBy(at[k].x, at[k].y, at[k].z)) {
            error.Format("Can't build a marker: %s", marker->GetError().GetText());
            return false;
        }
    }
    // A quarter-size hand, fingers up and palm toward the markers, which lie in front of the
    // palm between the thumb and the index finger.
    constexpr float kSize = 0.25f;
    const VEC3 between = VEC3(2.4f, 6.0f, -3.6f) * kSize;
    const VEC3 wrist = (red + green) / 2.0f - between;
    if (!hand->ScaleGeometry(kSize, false) || !hand->MoveTo(wrist, false) ||
        !hand->ReachFinger(0, red, false) || !hand->ReachFinger(1, green, false) ||
        !hand->Curl(2, 2.6f)) {
        error.Format("Can't reach the markers: %s", hand->GetError().GetText());
        return false;
    }
    return true;
}

CGuitars* CBandPictureSet::GetGuitar(int thing) const {
    if (m_band)
        return m_band->GetGuitar(static_cast<THING>(thing));
    for (CGuitars* guitar : m_guitars)
        if (guitar && guitar->GetKind() == thing)
            return guitar;
    return nullptr;
}

bool CBandPictureSet::GetCamera(int thing, int firstFret, int lastFret, VEC3& eye, VEC3& lookAt,
                                VEC3& up) {
    if (thing == THING_DRUM_SET && m_band) {
        m_band->GetDrummer()->GetCamera(eye, lookAt, up);
        return true;
    }
    CGuitars* guitar = GetGuitar(thing);
    if (!guitar)
        return false;
    guitar->GetFretFrame(firstFret, lastFret, eye, lookAt, up);
    return true;
}

bool CBandPictureSet::PoseNote(const CNote& note, CCharString& error) {
    if (!m_band || m_band->PlayNote(note, nullptr))
        return true;
    error = m_band->GetError();
    return false;
}

// The drum kit and the drummer's strokes, without a window.
#include <cmath>
#include <gtest/gtest.h>

#include "band/Drums.h"

namespace {

struct DRUMMER {
    CVertexBuffer buffer{nullptr, 5000};
    CDrummer drummer{nullptr, &buffer, "Drummer"};
    DRUMMER() { EXPECT_TRUE(drummer.Build()) << drummer.GetError().GetText(); }
    CInstruments* Piece(THING thing) { return drummer.GetDrumSet()->Find(thing); }
    bool Play(THING thing, THING hand, float volume) {
        CNote note;
        note.m_thing = thing;
        note.m_hand = hand;
        note.m_volume = volume;
        note.m_time = 1.0;
        return drummer.PlayNote(note, nullptr);
    }
};

TEST(Drums, PiecesAreSizedInInches) {
    DRUMMER d;
    CInstruments* snare = d.Piece(THING_SNARE_DRUM);
    ASSERT_NE(snare, nullptr);
    // The widest two points of the snare's shell.
    const CPrimitive* barrel = snare->Find("Drum barrel");
    const VERTEX* v = d.buffer.GetVertices() + barrel->GetFirstVertex();
    float widest = 0;
    for (int i = 0; i < barrel->GetVertexCount(); ++i)
        for (int j = i + 1; j < barrel->GetVertexCount(); ++j)
            widest = std::max(widest, glm::distance(VEC3(v[i].position.x, 0, v[i].position.z),
                                                    VEC3(v[j].position.x, 0, v[j].position.z)));
    EXPECT_NEAR(widest, 35.56f, 0.01f);
    for (THING thing : {THING_NONE, THING_HIHAT_FOOT, THING_SOLO_GUITAR, static_cast<THING>(61)}) {
        CInstruments piece(nullptr, &d.buffer, "Piece");
        for (int i = 0; i < 5; ++i)
            piece.SetColor(i, 0xFFFFFFFF);
        EXPECT_FALSE(piece.Build(thing)) << thing;
    }
}

TEST(Drums, StrikesPutTheStickOnTheHeadAndRaisesLiftIt) {
    DRUMMER d;
    for (THING piece : {THING_SNARE_DRUM, THING_TOM_2, THING_HIHAT_CLOSED, THING_RIDE_CYMBAL,
                        THING_CRASH_CYMBAL_1}) {
        for (THING hand : {THING_LEFT_HAND, THING_RIGHT_HAND}) {
            SCOPED_TRACE(GetThingName(piece));
            ASSERT_TRUE(d.Play(piece, hand, 0.0f)) << d.drummer.GetError().GetText();
            // The stick runs from the wrist at the base point through the strike point.
            const VEC3 strike = d.drummer.GetStickTip(hand), base = d.Piece(piece)->GetBase(hand);
            const VEC3 target = d.Piece(piece)->GetStrike(hand);
            EXPECT_LT(glm::distance(strike, target), 3.0f);
            EXPECT_GT(glm::dot(Vec3Normalize(strike - base), Vec3Normalize(target - base)),
                      std::cos(3.0f * kRadiansPerDegree));
            ASSERT_TRUE(d.Play(piece, hand, 0.8f));
            const VEC3 raised = d.drummer.GetStickTip(hand);
            EXPECT_GT(raised.y - strike.y, 5.0f);
        }
    }
}

TEST(Drums, NotesGoToTheirHandOrFoot) {
    DRUMMER d;
    CHuman* human = d.drummer.GetHuman();
    const MATRIX left = human->GetHand(THING_LEFT_HAND)->GetWorld();
    const MATRIX feet[2] = {human->GetLeg(THING_LEFT_LEG)->GetFoot()->GetWorld(),
                            human->GetLeg(THING_RIGHT_LEG)->GetFoot()->GetWorld()};
    const VEC3 right = d.drummer.GetStickTip(THING_RIGHT_HAND);
    // A snare note with no hand set: the right hand plays it.
    ASSERT_TRUE(d.Play(THING_SNARE_DRUM, THING_NONE, 0.0f));
    EXPECT_GT(glm::distance(d.drummer.GetStickTip(THING_RIGHT_HAND), right), 1.0f);
    EXPECT_EQ(human->GetHand(THING_LEFT_HAND)->GetWorld(), left);
    // Bass drum 2 is a hand's (and the kit has none); an unknown piece fails: nothing moves.
    const MATRIX hand = human->GetHand(THING_RIGHT_HAND)->GetWorld();
    for (THING thing : {THING_BASS_DRUM_2, THING_TOM_6, THING_NONE}) {
        EXPECT_FALSE(d.Play(thing, THING_RIGHT_HAND, 0.0f));
        EXPECT_EQ(human->GetHand(THING_RIGHT_HAND)->GetWorld(), hand);
        EXPECT_EQ(human->GetLeg(THING_LEFT_LEG)->GetFoot()->GetWorld(), feet[0]);
        EXPECT_EQ(human->GetLeg(THING_RIGHT_LEG)->GetFoot()->GetWorld(), feet[1]);
    }
    EXPECT_STREQ(d.drummer.GetError().GetText(), "The drum set has no Thing is not set");
}

TEST(Drums, PedalsMoveTheBeaterAndTheHiHat) {
    DRUMMER d;
    CDrumSet* set = d.drummer.GetDrumSet();
    CInstruments* bass = set->GetBassDrum();
    CLeg* right = d.drummer.GetHuman()->GetLeg(THING_RIGHT_LEG);
    ASSERT_TRUE(d.Play(THING_BASS_DRUM_1, THING_NONE, 0.0f));
    EXPECT_LT(
        glm::distance(right->GetFoot()->GetPosition(), bass->GetPoint(CInstruments::RIGHT_BASE)),
        0.01f);
    EXPECT_LT(glm::distance(Vec3Normalize(set->GetBeater()->GetDirection()), VEC3(0, 1, 0)), 1e-4f);
    const VEC3 hit = set->GetBeaterTip();
    ASSERT_TRUE(d.Play(THING_BASS_DRUM_1, THING_NONE, 1.0f));
    // Raised, the beater leans back from the head toward the drummer (-z).
    EXPECT_LT(set->GetBeaterTip().z, hit.z - 3.0f);

    ASSERT_TRUE(d.Play(THING_HIHAT_FOOT, THING_NONE, 0.0f));
    EXPECT_LT(
        glm::distance(set->GetHiHatTop()->GetPosition(), set->GetHiHatBottom()->GetPosition()),
        1e-4f);
    ASSERT_TRUE(d.Play(THING_HIHAT_FOOT, THING_NONE, 1.0f));
    EXPECT_NEAR(set->GetHiHatTop()->GetPosition().y - set->GetHiHatBottom()->GetPosition().y,
                set->GetHiHatGap(), 1e-4f);
}

TEST(Drums, StrokesRecordKeysOfTheMovedPartsOnly) {
    DRUMMER d;
    CVarList<ANIMATION_POINT> keys;
    CNote note;
    note.m_thing = THING_BASS_DRUM_1;
    note.m_volume = 0.0f;
    note.m_time = 2.5;
    ASSERT_TRUE(d.drummer.PlayNote(note, &keys));
    ASSERT_GT(keys.GetCount(), 0u);
    bool beater = false;
    for (const ANIMATION_POINT& key : keys) {
        EXPECT_EQ(key.time, 2.5);
        EXPECT_NE(key.part->GetParent(), d.drummer.GetHuman()->GetArm(THING_LEFT_HAND));
        beater = beater || key.part == d.drummer.GetDrumSet()->GetBeater();
    }
    EXPECT_TRUE(beater);
}

} // namespace

// Figures reaching for points: the two-segment arm and leg solvers and the three-segment finger.
#include <cmath>
#include <gtest/gtest.h>

#include "band/Human.h"

namespace {

constexpr float kTolerance = 0.01f;

float Angle(const VEC3& a, const VEC3& b) {
    return std::acos(glm::clamp(glm::dot(Vec3Normalize(a), Vec3Normalize(b)), -1.0f, 1.0f)) /
           kRadiansPerDegree;
}

struct FIGURE {
    CVertexBuffer buffer{nullptr, 5000};
    CHuman human{nullptr, &buffer, "Human"};
    explicit FIGURE(THING kind = THING_LEAD_GUITAR) {
        EXPECT_TRUE(human.Build(kind)) << human.GetError().GetText();
    }
    VEC3 Shoulder(THING hand) { return human.GetArm(hand)->GetPosition(); }
};

TEST(Reach, HandsAndFeetLandOnReachableTargets) {
    for (THING kind : {THING_LEAD_GUITAR, THING_DRUM_SET}) {
        FIGURE f(kind);
        for (THING hand : {THING_LEFT_HAND, THING_RIGHT_HAND}) {
            const VEC3 s = f.Shoulder(hand);
            for (const VEC3& offset : {VEC3(10, -30, -20), VEC3(-20, 5, -30), VEC3(0, -54.9f, 0)}) {
                ASSERT_TRUE(f.human.ReachHand(hand, s + offset, VEC3(0, 0, -1), -25.0f));
                CArm* arm = f.human.GetArm(hand);
                const VEC3 tip =
                    arm->GetLower()->GetPosition() +
                    arm->GetSegmentLength() * Vec3Normalize(arm->GetLower()->GetDirection());
                EXPECT_LT(glm::distance(tip, s + offset), kTolerance);
                VEC3 wrist;
                f.human.GetHandPoint(hand, wrist);
                EXPECT_LT(glm::distance(wrist, s + offset), kTolerance);
            }
        }
        for (THING leg : {THING_LEFT_LEG, THING_RIGHT_LEG}) {
            const VEC3 sole(leg == THING_LEFT_LEG ? 15 : -15, -75, -10);
            ASSERT_TRUE(f.human.ReachFoot(leg, sole, VEC3(0.3f, -0.2f, -1), 0.0f));
            CLeg* l = f.human.GetLeg(leg);
            const VEC3 knee = l->GetLower()->GetPosition();
            EXPECT_LT(glm::distance(knee + l->GetSegmentLength() *
                                               Vec3Normalize(l->GetLower()->GetDirection()),
                                    l->GetFoot()->GetAnkle()),
                      kTolerance);
            EXPECT_LT(glm::distance(l->GetFoot()->GetPosition(), sole), kTolerance);
            // Knees bend forward, toward -z.
            EXPECT_LT(knee.z, l->GetPosition().z);
        }
    }
}

TEST(Reach, ArmIsStraightAtFullLengthAndFoldsAtTheShoulder) {
    FIGURE f;
    CArm* arm = f.human.GetArm(THING_RIGHT_HAND);
    const VEC3 s = f.Shoulder(THING_RIGHT_HAND);
    const VEC3 d(0.6f, -0.8f, 0.0f);
    ASSERT_TRUE(arm->Reach(s, s + CHuman::kArmLength * d));
    EXPECT_LT(Angle(arm->GetUpper()->GetDirection(), d), 0.1f);
    EXPECT_LT(Angle(arm->GetLower()->GetDirection(), d), 0.1f);
    ASSERT_TRUE(arm->Reach(s, s));
    EXPECT_NEAR(Angle(arm->GetUpper()->GetDirection(), arm->GetLower()->GetDirection()), 180.0f,
                0.1f);
}

TEST(Reach, TargetsOutOfReachLeaveTheLimbAsItWas) {
    FIGURE f;
    CArm* arm = f.human.GetArm(THING_LEFT_HAND);
    CLeg* leg = f.human.GetLeg(THING_RIGHT_LEG);
    CFinger* finger = f.human.GetHand(THING_LEFT_HAND)->GetFinger(2);
    const MATRIX hand = arm->GetHand()->GetWorld(), lower = arm->GetLower()->GetWorld();
    const MATRIX foot = leg->GetFoot()->GetWorld(), shin = leg->GetLower()->GetWorld();
    const MATRIX tip = finger->GetPhalange(2)->GetWorld();
    EXPECT_FALSE(f.human.ReachHand(
        THING_LEFT_HAND, f.Shoulder(THING_LEFT_HAND) + VEC3(0, -55.1f, 0), VEC3(1, 0, 0), 0));
    EXPECT_FALSE(
        f.human.ReachFoot(THING_RIGHT_LEG, leg->GetPosition() - VEC3(0, 90, 0), VEC3(0, 0, -1), 0));
    EXPECT_FALSE(
        f.human.ReachFinger(THING_LEFT_HAND, 2, finger->GetPosition() + VEC3(0, 9.1f, 0), false));
    EXPECT_EQ(arm->GetHand()->GetWorld(), hand);
    EXPECT_EQ(arm->GetLower()->GetWorld(), lower);
    EXPECT_EQ(leg->GetFoot()->GetWorld(), foot);
    EXPECT_EQ(leg->GetLower()->GetWorld(), shin);
    EXPECT_EQ(finger->GetPhalange(2)->GetWorld(), tip);
    EXPECT_FALSE(f.human.ReachFinger(THING_LEFT_HAND, 5, VEC3(0), false));
}

TEST(Reach, FingertipsLandOnTheirTargets) {
    FIGURE f;
    for (THING h : {THING_LEFT_HAND, THING_RIGHT_HAND}) {
        ASSERT_TRUE(f.human.ReachHand(h, f.Shoulder(h) + VEC3(0, -20, -30), VEC3(0, 0.2f, -1), 30));
        CHand* hand = f.human.GetHand(h);
        for (int k = 0; k < CHand::kFingers; ++k) {
            CFinger* finger = hand->GetFinger(k);
            const float p = finger->GetPhalangeLength();
            for (float reach : {0.3f, 1.0f, 2.0f, 2.99f}) {
                const VEC3 target = finger->GetPosition() +
                                    reach * p * Vec3Normalize(VEC3(0.2f * k - 0.4f, -0.3f, -1));
                ASSERT_TRUE(f.human.ReachFinger(h, k, target, false));
                EXPECT_LT(glm::distance(finger->GetTip(), target), kTolerance) << k << " " << reach;
            }
        }
    }
}

TEST(Reach, FingerAtOnePhalangeBendsNinetyDegreesTowardThePalm) {
    FIGURE f;
    CHand* hand = f.human.GetHand(THING_RIGHT_HAND);
    CFinger* finger = hand->GetFinger(1);
    const VEC3 target =
        finger->GetPosition() + finger->GetPhalangeLength() * Vec3Normalize(hand->GetDirection());
    ASSERT_TRUE(f.human.ReachFinger(THING_RIGHT_HAND, 1, target, false));
    const VEC3 a = finger->GetPhalange(0)->GetDirection(),
               b = finger->GetPhalange(1)->GetDirection(),
               c = finger->GetPhalange(2)->GetDirection();
    EXPECT_NEAR(Angle(a, b), 90.0f, 0.1f);
    EXPECT_NEAR(Angle(b, c), 90.0f, 0.1f);
    // The tip's phalange points toward the palm side.
    EXPECT_GT(glm::dot(c, hand->GetPalmNormal()), 0.9f);
}

TEST(Reach, LeftHandIsTheRightHandMirrored) {
    FIGURE f;
    CHand* left = f.human.GetHand(THING_LEFT_HAND);
    CHand* right = f.human.GetHand(THING_RIGHT_HAND);
    for (CHand* hand : {left, right})
        ASSERT_TRUE(hand->GetParent() &&
                    f.human.ReachHand(hand->GetThing(),
                                      f.Shoulder(hand->GetThing()) + VEC3(0, -30, -20),
                                      VEC3(0, 1, 0), 0));
    EXPECT_LT(glm::distance(left->GetPalmNormal(), -right->GetPalmNormal()), 1e-4f);
    EXPECT_LT(glm::distance(left->GetSide(), -right->GetSide()), 1e-4f);
    // Mirror images, not turned copies: the thumb, the fingers and the palm make frames of
    // opposite hands.
    const auto handedness = [](CHand* hand) {
        const VEC3 thumb = hand->GetFinger(0)->GetPosition() - hand->GetPosition();
        return glm::dot(glm::cross(thumb, hand->GetDirection()), hand->GetPalmNormal());
    };
    EXPECT_LT(handedness(right) * handedness(left), 0.0f);
}

TEST(Reach, ScaledFigureStillReaches) {
    FIGURE f;
    ASSERT_TRUE(f.human.ScaleGeometry(0.1f, false));
    const VEC3 target = f.Shoulder(THING_RIGHT_HAND) + VEC3(1, -3, -2);
    ASSERT_TRUE(f.human.ReachHand(THING_RIGHT_HAND, target, VEC3(0, 0, -1), 0));
    VEC3 wrist;
    f.human.GetHandPoint(THING_RIGHT_HAND, wrist);
    EXPECT_LT(glm::distance(wrist, target), 1e-3f);
    CArm* arm = f.human.GetArm(THING_RIGHT_HAND);
    EXPECT_LT(glm::distance(arm->GetLower()->GetPosition(), f.Shoulder(THING_RIGHT_HAND)), 2.76f);
    EXPECT_FALSE(f.human.ReachHand(
        THING_RIGHT_HAND, f.Shoulder(THING_RIGHT_HAND) + VEC3(0, -5.6f, 0), VEC3(0, 0, -1), 0));
}

TEST(Reach, PartsWithTooFewColorsFail) {
    CVertexBuffer buffer(nullptr, 100);
    CHand hand(nullptr, &buffer, "Hand");
    EXPECT_FALSE(hand.Build(THING_RIGHT_HAND));
    EXPECT_STREQ(hand.GetError().GetText(), "Not enough colors");
    CLeg leg(nullptr, &buffer, "Leg");
    leg.SetColor(0, 0xFF000000);
    EXPECT_FALSE(leg.Build(THING_LEFT_LEG, 8.5f, 83, nullptr));
    EXPECT_STREQ(leg.GetError().GetText(), "Not enough colors");
}

} // namespace

// The scene's matrix functions against values worked out by hand from their formulas.
#include <gtest/gtest.h>

#include "render/Math3D.h"

namespace {

constexpr float kRight = 90.0f * kRadiansPerDegree;

void ExpectNear(const VEC3& actual, const VEC3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
    EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

TEST(Math3D, RotationsTurnRowVectorsTheLeftHandedWay) {
    // About y, +x goes to -z; about x, +y goes to +z; about z, +x goes to +y.
    ExpectNear(Vec3TransformCoord({1, 0, 0}, MatrixRotationAxis({0, 2, 0}, kRight)), {0, 0, -1});
    ExpectNear(Vec3TransformCoord({0, 1, 0}, MatrixRotationAxis({1, 0, 0}, kRight)), {0, 0, 1});
    ExpectNear(Vec3TransformCoord({1, 0, 0}, MatrixRotationAxis({0, 0, 1}, kRight)), {0, 1, 0});
    EXPECT_FLOAT_EQ(MatrixAt(MatrixRotationAxis({0, 1, 0}, kRight), 1, 3), -1.0f);
    // The quaternion path gives the same matrix as the axis path.
    const VEC3 axis(1, 2, 3);
    const MATRIX q = MatrixRotationQuaternion(QuaternionRotationAxis(axis, 0.7f));
    const MATRIX a = MatrixRotationAxis(axis, 0.7f);
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c)
            EXPECT_NEAR(MatrixAt(q, r, c), MatrixAt(a, r, c), 1e-6f);
}

TEST(Math3D, YawPitchRollRollsFirstThenPitchesThenYaws) {
    // Roll 90 takes +x to +y, pitch 90 takes +y to +z, yaw 90 takes +z to +x.
    ExpectNear(Vec3TransformCoord({1, 0, 0}, MatrixRotationYawPitchRoll(kRight, kRight, kRight)),
               {1, 0, 0});
    ExpectNear(Vec3TransformCoord({1, 0, 0}, MatrixRotationYawPitchRoll(0, kRight, kRight)),
               {0, 0, 1});
}

TEST(Math3D, MultiplyAppliesTheFirstMatrixFirst) {
    const MATRIX m = MatrixMultiply(MatrixScaling(2, 2, 2), MatrixTranslation(1, 0, 0));
    ExpectNear(Vec3TransformCoord({1, 1, 1}, m), {3, 2, 2});
    EXPECT_FLOAT_EQ(MatrixAt(MatrixTranslation(4, 5, 6), 4, 3), 6.0f);
}

TEST(Math3D, LookAtAndPerspectiveMapTheViewVolume) {
    // Eye at (0, 0, -30) looking at the origin: the origin is 30 ahead.
    ExpectNear(Vec3TransformCoord({0, 0, 0}, MatrixLookAtLH({0, 0, -30}, {0, 0, 0}, {0, 1, 0})),
               {0, 0, 30});
    ExpectNear(Vec3TransformCoord({1, 0, 0}, MatrixLookAtLH({0, 0, 0}, {-1, 0, 0}, {0, 1, 0})),
               {0, 0, -1});
    // 90 degrees, aspect 2, planes 1 and 3: yScale 1, xScale 0.5, depth 0 at 1 and 1 at 3.
    const MATRIX p = MatrixPerspectiveFovLH(kRight, 2.0f, 1.0f, 3.0f);
    ExpectNear(Vec3TransformCoord({2, 1, 1}, p), {1, 1, 0});
    ExpectNear(Vec3TransformCoord({0, 0, 3}, p), {0, 0, 1});
    // GL's depth runs from -1 to 1 over the same planes; x and y are untouched.
    const MATRIX gl = DepthRangeToGl(p);
    ExpectNear(Vec3TransformCoord({2, 1, 1}, gl), {1, 1, -1});
    ExpectNear(Vec3TransformCoord({0, 0, 3}, gl), {0, 0, 1});
    ExpectNear(Vec3TransformCoord({0, 0, 1.5f}, gl), {0, 0, 2.0f * 0.5f - 1.0f});
}

TEST(Math3D, HermiteBlendsEndsAndTangents) {
    // At s = 0.5 the weights are 0.5, 0.125, 0.5 and -0.125.
    ExpectNear(Vec3Hermite({0, 0, 0}, {8, 0, 0}, {2, 0, 0}, {0, 8, 0}, 0.5f), {2, -1, 0});
    ExpectNear(Vec3Hermite({1, 2, 3}, {5, 5, 5}, {4, 5, 6}, {7, 7, 7}, 1.0f), {4, 5, 6});
}

TEST(Math3D, TurnCarriesOneDirectionOntoAnother) {
    for (const VEC3& to : {VEC3(1, 0, 0), VEC3(0, -1, 0), VEC3(0.3f, 0.4f, -2)})
        ExpectNear(Vec3TransformNormal({0, 1, 0}, MatrixTurn({0, 1, 0}, to)), Vec3Normalize(to));
}

TEST(Math3D, ColorPackingClampsEachComponent) {
    EXPECT_EQ(PackColor(1.0f, 0.5f, 0.0f, 1.0f), 0xFFFF8000u);
    EXPECT_EQ(PackColor(2.0f, -1.0f, 0.2f, 0.25f), 0x40FF0033u);
}

} // namespace

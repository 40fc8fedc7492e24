// The scene's camera, lights and pictures without a window (the camera works without a device).
#include <gtest/gtest.h>

#include "render/SpacePainter.h"

namespace {

TEST(Scene, ZoomStopsAtTheLookAtPointAndAtOneHundred) {
    CSpacePainter scene;
    for (int i = 0; i < 100; ++i)
        scene.Zoom(1.0f);
    EXPECT_EQ(scene.GetDistance(), 0.0f);
    EXPECT_TRUE(std::isfinite(scene.GetView()[0][0]));
    scene.Zoom(-1.0f);
    EXPECT_GT(scene.GetDistance(), 0.0f) << "a camera at the look-at point can back out";
    for (int i = 0; i < 100; ++i)
        scene.Zoom(-1.0f);
    EXPECT_EQ(scene.GetDistance(), 100.0f);
}

TEST(Scene, DraggingOverTheTopTurnsTheUpVectorOverWithoutAJump) {
    CSpacePainter scene;
    scene.OnResize(400, 300);
    scene.OnButtonDown(CSpacePainter::MOUSE_LEFT, 200, 100, 0);
    const VEC3 upBefore = scene.GetViewUp();
    MATRIX last = scene.GetView();
    VEC3 lastEye = scene.GetViewEye();
    // Each 2-pixel step down lowers the polar angle by 2.4 degrees: from 90 over the top.
    for (int y = 102; y <= 200; y += 2) {
        scene.OnMouseMove(200, y, 0);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                ASSERT_LT(std::fabs(scene.GetView()[c][r] - last[c][r]), 0.1f) << "at y " << y;
        ASSERT_LT(glm::distance(scene.GetViewEye(), lastEye), 1.5f) << "at y " << y;
        last = scene.GetView();
        lastEye = scene.GetViewEye();
    }
    EXPECT_GT(scene.GetPolarAngle(), 300.0f);
    EXPECT_EQ(scene.GetViewUp(), -upBefore);
}

TEST(Scene, SetCameraRecoversDistanceAndPolarAngle) {
    CSpacePainter scene;
    ASSERT_TRUE(scene.SetCamera({0, 10, -10}, {0, 0, 0}, {0, 1, 0}));
    EXPECT_NEAR(scene.GetDistance(), std::sqrt(200.0f), 1e-4f);
    EXPECT_NEAR(scene.GetPolarAngle(), 45.0f, 1e-3f);
    EXPECT_EQ(scene.GetAzimuth(), 180.0f);
    EXPECT_NEAR(glm::distance(scene.GetViewEye(), VEC3(0, 10, -10)), 0.0f, 1e-4f)
        << "the view is computed back from the angles onto the same eye";
}

TEST(Scene, LightDirectionComesFromAzimuthAndElevation) {
    CSpacePainter scene;
    const float e = -40.0f * kRadiansPerDegree;
    const VEC3 expected(0.0f, std::sin(e), std::cos(e));
    EXPECT_NEAR(glm::distance(scene.GetLightDirection(), expected), 0.0f, 1e-5f);
    scene.ResetLights();
    EXPECT_NEAR(glm::distance(scene.GetLightDirection(), VEC3(1, 0, 0)), 0.0f, 1e-6f);
}

TEST(Scene, UnknownPictureKindFailsKeepsTheKindAndLeavesOnlyTheAxes) {
    CSpacePainter scene;
    ASSERT_TRUE(scene.SetPicture(1)) << scene.GetError().GetText();
    EXPECT_GT(scene.CountTriangles(), 1000);
    EXPECT_FALSE(scene.SetPicture(42));
    EXPECT_STREQ(scene.GetError(), "Unknown picture kind: 42");
    EXPECT_EQ(scene.GetPicture(), 42);
    EXPECT_TRUE(scene.GetPrimitives().empty());
    ASSERT_NE(scene.GetAxes(), nullptr);
    EXPECT_EQ(scene.GetAxes()->GetChildren().size(), 3u);
}

} // namespace

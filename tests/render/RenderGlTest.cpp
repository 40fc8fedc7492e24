// The OpenGL device and the scene on a display (run under Xvfb with Mesa's software renderer).
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "render/GraphicsDevice.h"
#include "render/SceneView.h"
#include "render/SpacePainter.h"
#include "tests/render/PictureCompare.h"

namespace {

// A shown view with the scene initialised on it.
struct VIEW {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    CSceneView* view = new CSceneView(window.get());
    CSpacePainter painter;
    VIEW(int width = 400, int height = 300) {
        window->resize(width, height);
        view->resize(width, height);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->IsGlReady(); }, 5000));
        EXPECT_TRUE(painter.Initialize(view, nullptr)) << painter.GetError().GetText();
        view->SetDevice(painter.GetDevice());
    }
    QImage Frame() {
        EXPECT_TRUE(painter.RenderFrame(true)) << painter.GetError().GetText();
        return painter.GetDevice()->GrabBackBuffer();
    }
};

TEST(RenderGl, TestThingMatchesItsReferenceAtAnyWindowSize) {
    VIEW v;
    ASSERT_TRUE(v.painter.SetPicture(1)) << v.painter.GetError().GetText();
    QImage picture = v.Frame();
    ASSERT_EQ(picture.size(), QSize(1600, 1200));
    EXPECT_EQ(ComparePicture(picture, "testthing"), "");
    v.view->resize(300, 225);
    v.painter.OnResize(300, 225);
    picture = v.Frame();
    int width = 0, height = 0;
    v.painter.GetDevice()->GetBackBufferSize(width, height);
    EXPECT_EQ(QSize(width, height), QSize(1600, 1200));
    EXPECT_EQ(ComparePicture(picture, "testthing"), "");
}

TEST(RenderGl, CullingKeepsOutsideFacesAndWireframeDrawsOnlyEdges) {
    VIEW v;
    CGraphicsDevice& device = *v.painter.GetDevice();
    CVertexBuffer buffer(&device, 100);
    CPrimitive cylinder(&device, &buffer, "Cylinder");
    cylinder.SetColor(0, 0xFFFF0000);
    ASSERT_TRUE(cylinder.Cylinder(10, 5, 32, 0));
    auto frame = [&](const VEC3& eye, const VEC3& at, bool wireframe) {
        bool lost = false;
        EXPECT_TRUE(device.CheckDevice(lost));
        device.SetView(MatrixLookAtLH(eye, at, {0, 1, 0}));
        device.SetProjection(MatrixPerspectiveFovLH(60 * kRadiansPerDegree, 4.0f / 3, 0.5f, 100));
        device.SetAmbient(0xFFFFFFFF);
        device.EnableLight(0, false);
        device.EnableLight(1, false);
        device.SetWireframe(wireframe);
        EXPECT_TRUE(device.Clear(0xFF000000, 1.0f) && device.BeginScene() &&
                    device.SetWorld(MATRIX(1.0f)) && cylinder.Render() && device.EndScene())
            << device.GetError().GetText() << cylinder.GetError().GetText();
        return device.GrabBackBuffer();
    };
    const QColor red(255, 0, 0), black(0, 0, 0);
    // From outside, the front of the tube; between the edges of one of its 32 faces.
    EXPECT_EQ(frame({0, 5, -30}, {0, 5, 0}, false).pixelColor(820, 450), red);
    EXPECT_EQ(frame({0, 5, -30}, {0, 5, 0}, true).pixelColor(820, 450), black);
    // From inside, only the backs of the faces: culled, unless drawn two-sided.
    EXPECT_EQ(frame({0, 5, 0}, {0, 5, 10}, false).pixelColor(800, 600), black);
    cylinder.SetTwoSided(true);
    EXPECT_EQ(frame({0, 5, 0}, {0, 5, 10}, false).pixelColor(800, 600), red);
}

TEST(RenderGl, ContextLossRebuildsThePicture) {
    VIEW v;
    ASSERT_TRUE(v.painter.SetPicture(1));
    ASSERT_EQ(ComparePicture(v.Frame(), "testthing"), "");
    const uint64_t generation = v.painter.GetDevice()->GetContextGeneration();
    // A new top-level window: Qt destroys the view's context and makes another.
    QWidget other;
    other.resize(400, 300);
    v.view->setParent(&other);
    v.view->show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    ASSERT_TRUE(QTest::qWaitFor([&] { return v.view->context() != nullptr; }, 5000));
    v.painter.Invalidate();
    ASSERT_TRUE(v.painter.RenderFrame(false)) << v.painter.GetError().GetText();
    EXPECT_GT(v.painter.GetDevice()->GetContextGeneration(), generation);
    EXPECT_EQ(ComparePicture(v.painter.GetDevice()->GrabBackBuffer(), "testthing"), "");
    v.view->setParent(v.window.get());
}

TEST(RenderGl, ResultsAreNamedByTheirConstants) {
    EXPECT_STREQ(GlResultName(0x0502), "GL_INVALID_OPERATION");
    EXPECT_STREQ(GlResultName(0x8CDD), "GL_FRAMEBUFFER_UNSUPPORTED");
    EXPECT_STREQ(GlResultName(0x1234), "Unknown result 00001234");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The band view window with its scene on a display with OpenGL (run under Xvfb with Mesa's
// software renderer): frames only after changes, nothing while hidden, each picture as its
// reference, and the mouse.
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "render/GraphicsDevice.h"
#include "render/SpacePainter.h"
#include "tests/render/PictureCompare.h"
#include "tools/SpacePainterWnd.h"

namespace {

// The band window in an MDI area, its scene initialised on its view.
struct BAND : testing::Test {
    QMdiArea area;
    WND_SETTINGS record;
    CSpacePainter painter;
    CSpacePainterWnd band{&record, &painter};

    void SetUp() override {
        ASSERT_TRUE(CSpacePainterWnd::IsOpenGLAvailable()) << "this test needs a display";
        area.resize(900, 700);
        area.show();
        WND_RECT rect;
        rect.Set(0, 0, 500, 375);
        ASSERT_TRUE(band.CreateTool(&area, "Band", &rect));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
        ASSERT_TRUE(QTest::qWaitFor([&] { return band.GetView()->IsGlReady(); }, 5000));
        ASSERT_TRUE(painter.Initialize(band.GetView(), nullptr)) << painter.GetError().GetText();
        ASSERT_TRUE(painter.SetPicture(1));
    }
    // Timer ticks as the application gives them.
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) {
            QTest::qWait(33);
            painter.RenderFrame(false);
        }
    }
    void Send(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, QPoint at,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent e(type, at, band.GetView()->mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(band.GetView(), &e);
    }
    void Drag(Qt::MouseButton button, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers) {
        Send(QEvent::MouseButtonPress, button, button, from, modifiers);
        Send(QEvent::MouseMove, Qt::NoButton, button, to, modifiers);
        Send(QEvent::MouseButtonRelease, button, Qt::NoButton, to, modifiers);
    }
    void Wheel(int delta, Qt::KeyboardModifiers modifiers) {
        const QPoint at(10, 10);
        QWheelEvent e(at, band.GetView()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(band.GetView(), &e);
    }
};

TEST_F(BAND, FramesAreDrawnOnlyAfterAChange) {
    Ticks(3);
    const int drawn = painter.GetFrameCount();
    ASSERT_GT(drawn, 0);
    Ticks(10);
    EXPECT_EQ(painter.GetFrameCount(), drawn) << "idle ticks draw nothing";
    painter.OnKey('C');
    Ticks(5);
    EXPECT_EQ(painter.GetFrameCount(), drawn + 1);
    band.GetView()->update(); // the system asks the view to paint: one new frame
    Ticks(5);
    EXPECT_EQ(painter.GetFrameCount(), drawn + 2);
    // Sizing keeps the picture's 4:3 shape, and the new size is drawn.
    band.Frame()->resize(400, band.GetHeight());
    EXPECT_EQ(band.GetHeight(), 300);
    Ticks(3);
    EXPECT_GT(painter.GetFrameCount(), drawn + 2);
}

TEST_F(BAND, HiddenOrMinimisedWindowDrawsNothing) {
    Ticks(3);
    const int drawn = painter.GetFrameCount();
    band.ShowWnd(false);
    painter.Invalidate();
    Ticks(5);
    EXPECT_EQ(painter.GetFrameCount(), drawn);
    band.ShowWnd(true);
    band.Frame()->showMinimized();
    QTest::qWait(50);
    painter.Invalidate();
    Ticks(5);
    EXPECT_EQ(painter.GetFrameCount(), drawn);
    band.Frame()->showNormal();
    Ticks(5);
    EXPECT_GT(painter.GetFrameCount(), drawn);
}

TEST_F(BAND, EachPictureRendersAsItsReference) {
    painter.OnKey('C'); // the axes, so that the pictures of axes alone show something
    // 14 (the band) shows the axes alone until the band's pictures are plugged in.
    for (int kind : {1, 2, 3, 4, 5, 6, 7, 14}) {
        ASSERT_TRUE(painter.SetPicture(kind)) << painter.GetError().GetText();
        ASSERT_TRUE(painter.RenderFrame(true)) << painter.GetError().GetText();
        const std::string name = "picture-" + std::to_string(kind);
        EXPECT_EQ(ComparePicture(painter.GetDevice()->GrabBackBuffer(), name.c_str()), "");
    }
    painter.OnKey('T'); // for looking only: fonts differ between machines
    painter.SetPicture(1);
    painter.RenderFrame(true);
    if (const char* dir = std::getenv("MA_SCREENSHOT_DIR"); dir && *dir)
        painter.GetDevice()->GrabBackBuffer().save(QString(dir) + "/picture-1-overlay.png");
    EXPECT_NE(painter.GetOverlayText().Str().find("Prim: "), std::string::npos);
}

TEST_F(BAND, MouseMovesTheCameraAsTheTableSays) {
    const float width = band.GetView()->width(), height = band.GetView()->height();
    const float azimuth = painter.GetAzimuth(), polar = painter.GetPolarAngle();
    Drag(Qt::LeftButton, {100, 100}, {110, 95}, Qt::NoModifier);
    EXPECT_NEAR(painter.GetAzimuth(), azimuth + 10 / width * 360, 1e-3f);
    EXPECT_NEAR(painter.GetPolarAngle(), polar + 5 / height * 360, 1e-3f);

    const VEC3 eye = painter.GetEye(), lookAt = painter.GetLookAt();
    const float distance = painter.GetDistance();
    Drag(Qt::LeftButton, {100, 100}, {120, 100}, Qt::ShiftModifier);
    EXPECT_NEAR(glm::distance(painter.GetEye() - eye, painter.GetLookAt() - lookAt), 0, 1e-4f);
    EXPECT_NEAR(glm::distance(painter.GetEye(), eye), 20 * distance * 0.001f, 1e-4f);

    Drag(Qt::LeftButton, {100, 100}, {100, 110}, Qt::ControlModifier);
    EXPECT_NEAR(painter.GetDistance(), distance * 1.1f, 1e-3f);
    Wheel(120, Qt::NoModifier);
    EXPECT_NEAR(painter.GetDistance(), distance * 1.1f * 0.9f, 1e-3f);
    const float fov = painter.GetFieldOfView();
    Wheel(240, Qt::ShiftModifier);
    EXPECT_FLOAT_EQ(painter.GetFieldOfView(), fov + 2);

    const float lightAzimuth = painter.GetLightAzimuth();
    Drag(Qt::RightButton, {100, 100}, {130, 100}, Qt::AltModifier);
    EXPECT_NEAR(painter.GetLightAzimuth(), lightAzimuth + 30 / width * 360, 1e-3f);
    EXPECT_EQ(band.GetContextMenu(), nullptr) << "a right drag with Alt opens no menu";

    Send(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, {50, 50});
    QMenu* menu = band.GetContextMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 5);
    EXPECT_EQ(menu->actions()[0]->text(), "Look at whole band");
    menu->actions()[0]->trigger();
    EXPECT_EQ(painter.GetEye(), VEC3(-11, 22, -33));
    menu->close();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The band view on a display with OpenGL (run under Xvfb with Mesa's software renderer).
#include <QApplication>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>

#include "tools/SpacePainterWnd.h"

namespace {

TEST(BandViewGl, ClearsItsPictureToBlackAndCountsFrames) {
    ASSERT_TRUE(CSpacePainterWnd::IsOpenGLAvailable()) << "this test needs a display with OpenGL";
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    WND_SETTINGS record;
    CSpacePainterWnd band(&record);
    WND_RECT rect = CSpacePainterWnd::DefaultRect();
    ASSERT_TRUE(band.CreateTool(&area, "Band", &rect));
    ASSERT_NE(band.GetView(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    ASSERT_TRUE(QTest::qWaitFor([&] { return band.GetView()->GetFrameCount() > 0; }, 5000));
    EXPECT_TRUE(band.GetView()->IsGlReady());
    const int drawn = band.GetView()->GetFrameCount();
    band.DrawFrame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return band.GetView()->GetFrameCount() > drawn; }, 5000))
        << "a changed scene draws another frame";

    QImage picture = band.GetView()->grabFramebuffer();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() / 2), QColor(0, 0, 0));
    EXPECT_EQ(picture.pixelColor(1, 1), QColor(0, 0, 0));
    // The frame keeps the picture's 4:3 shape when the user widens it.
    band.Frame()->resize(400, band.GetHeight());
    EXPECT_EQ(band.GetHeight(), 300);
}

TEST(BandViewGl, HiddenViewDrawsNoFrames) {
    QMdiArea area;
    area.show();
    WND_SETTINGS record;
    record.show = 0;
    CSpacePainterWnd band(&record);
    ASSERT_TRUE(band.CreateTool(&area, "Band"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    band.DrawFrame();
    QTest::qWait(100);
    ASSERT_NE(band.GetView(), nullptr);
    EXPECT_EQ(band.GetView()->GetFrameCount(), 0);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

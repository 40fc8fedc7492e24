// The band's pictures in the real scene (run under Xvfb with Mesa's software renderer); with
// MA_SCREENSHOT_DIR set they are kept there to be looked at.
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "band/BandPictureSet.h"
#include "render/GraphicsDevice.h"
#include "render/SceneView.h"
#include "render/SpacePainter.h"
#include "tests/render/PictureCompare.h"
#include "theory/NoteManager.h"

namespace {

struct VIEW {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    CSceneView* view = new CSceneView(window.get());
    CNoteManager notes;
    CSpacePainter painter;
    CBandPictureSet* pictures = new CBandPictureSet(&notes);
    VIEW() {
        EXPECT_TRUE(notes.Initialize());
        painter.SetBandPictures(std::unique_ptr<CBandPictures>(pictures));
        window->resize(400, 300);
        view->resize(400, 300);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->IsGlReady(); }, 5000));
        EXPECT_TRUE(painter.Initialize(view, nullptr)) << painter.GetError().GetText();
        view->SetDevice(painter.GetDevice());
    }
    QImage Picture(int kind) {
        EXPECT_TRUE(painter.SetPicture(kind)) << painter.GetError().GetText();
        EXPECT_TRUE(painter.RenderFrame(true)) << painter.GetError().GetText();
        return painter.GetDevice()->GrabBackBuffer();
    }
};

TEST(BandPictures, GuitarsAndHandsLookAsTheyDid) {
    VIEW v;
    EXPECT_EQ(ComparePicture(v.Picture(11), "band-guitars"), "");
    EXPECT_EQ(ComparePicture(v.Picture(13), "band-hand"), "");
    v.Picture(16);
    ASSERT_TRUE(v.painter.SetCamera({4.0f, 3.2f, -1.0f}, {0.5f, 1.7f, 1.3f}, {0, 1, 0}));
    ASSERT_TRUE(v.painter.RenderFrame(true));
    EXPECT_EQ(ComparePicture(v.painter.GetDevice()->GrabBackBuffer(), "band-hand-reaching"), "");
    // The lead guitar framed from the nut to the twelfth fret.
    v.Picture(11);
    ASSERT_TRUE(v.painter.LookAt(THING_LEAD_GUITAR, 0, 12));
    ASSERT_TRUE(v.painter.RenderFrame(true));
    EXPECT_EQ(ComparePicture(v.painter.GetDevice()->GrabBackBuffer(), "band-lead-frets"), "");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The band's pictures in the real scene (run under Xvfb with Mesa's software renderer); with
// MA_SCREENSHOT_DIR set they are kept there to be looked at.
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "band/BandPictureSet.h"
#include "band/Drums.h"
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

TEST(BandPictures, DrumSetAndADrummerMidStroke) {
    VIEW v;
    EXPECT_EQ(ComparePicture(v.Picture(8), "band-drums"), "");
    // The drummer on his own, striking the snare with the right hand while the left is raised
    // over the hi-hat and the right foot presses the bass drum's pedal.
    CGraphicsDevice& device = *v.painter.GetDevice();
    CVertexBuffer buffer(&device, 5000);
    CDrummer drummer(&device, &buffer, "Drummer");
    ASSERT_TRUE(drummer.Build()) << drummer.GetError().GetText();
    CNote note;
    const struct {
        THING thing, hand;
        float volume;
    } strokes[] = {{THING_SNARE_DRUM, THING_RIGHT_HAND, 0.0f},
                   {THING_HIHAT_CLOSED, THING_LEFT_HAND, 1.0f},
                   {THING_BASS_DRUM_1, THING_NONE, 0.0f}};
    for (const auto& s : strokes) {
        note.m_thing = s.thing;
        note.m_hand = s.hand;
        note.m_volume = s.volume;
        ASSERT_TRUE(drummer.PlayNote(note, nullptr)) << drummer.GetError().GetText();
    }
    VEC3 eye, at, up;
    drummer.GetCamera(eye, at, up);
    bool lost = false;
    ASSERT_TRUE(device.CheckDevice(lost));
    // The "Look at drums" camera, and a second view from the drummer's right.
    for (int k = 0; k < 2; ++k) {
        const VEC3 from = k == 0 ? eye : VEC3(220, 140, 40);
        device.SetView(
            MatrixLookAtLH(from, k == 0 ? at : VEC3(0, 70, 30), k == 0 ? up : VEC3(0, 1, 0)));
        device.SetProjection(MatrixPerspectiveFovLH(30 * kRadiansPerDegree, 4.0f / 3, 5.0f, 1000));
        ASSERT_TRUE(device.Clear(0xFF000000, 1.0f) && device.BeginScene() &&
                    device.SetWorld(MATRIX(1.0f)) && drummer.Render() && device.EndScene())
            << device.GetError().GetText() << drummer.GetError().GetText();
        EXPECT_EQ(
            ComparePicture(device.GrabBackBuffer(), k == 0 ? "band-drummer" : "band-drummer-side"),
            "");
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

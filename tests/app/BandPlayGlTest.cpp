// The band in the running application (under Xvfb with Mesa's software renderer): Play Scale
// animates it with the sound, and Stop puts it back at rest. With MA_SCREENSHOT_DIR set, the
// band view is also saved every half second while it plays, for a person to look at.
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "band/Animation.h"
#include "band/Band.h"
#include "render/GraphicsDevice.h"
#include "render/SpacePainter.h"
#include "sound/VirtualDevice.h"
#include "tests/app/AppHarness.h"
#include "tools/ShowScaleDlg.h"

namespace {

bool NoBox(const char*, const char*, int, bool) {
    return true;
}

class BandPlayGlTest : public ::testing::Test, public CAppHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeContentRoot("<1>Welcome\r\nFirst page.\r\n"));
        m_ready = LinkBuildFolder("Sound") && LinkBuildFolder("Grooves");
        Install(NoBox);
    }
    void TearDown() override { Uninstall(); }
    bool m_ready = false;
};

TEST_F(BandPlayGlTest, PlayScaleAnimatesTheBandAndStopPutsItBackAtRest) {
    if (!m_ready)
        GTEST_SKIP() << "the sample sets or the groove library were not made in this build";
    ASSERT_TRUE(Start(
        [] { return std::make_unique<CVirtualDevice>(CVirtualDevice::CLOCK_REAL_TIME); }, 10000));
    CSpacePainter* scene = m_center->GetScene();
    CBand* band = m_center->GetBand();
    ASSERT_NE(band, nullptr) << "the band is the picture at start-up";
    EXPECT_EQ(scene->GetPicture(), 14);
    const CPrimitive* hand =
        band->GetGuitarist(THING_LEAD_GUITAR)->GetHuman()->GetHand(THING_LEFT_HAND);
    // The drummer's resting pose: the Show Scale tool poses only the guitarists.
    const CPrimitive* stick = band->GetDrummer()->GetHuman()->GetHand(THING_RIGHT_HAND);
    const MATRIX rest = stick->GetWorld(), handBefore = hand->GetWorld();

    auto* tool = dynamic_cast<CShowScaleDlg*>(Window(kKindShowScale));
    ASSERT_NE(tool, nullptr);
    QPushButton* play = tool->Button(CShowScaleDlg::kIdPlayScale);
    QTest::mouseClick(play, Qt::LeftButton);
    ASSERT_TRUE(m_center->IsPlaying()) << tool->GetError().GetText();
    ASSERT_TRUE(m_center->GetAnimator()->IsPlaying())
        << m_center->GetAnimator()->GetError().GetText();

    const char* dir = std::getenv("MA_SCREENSHOT_DIR");
    const int drawn = scene->GetFrameCount();
    bool moved = false;
    for (int shot = 0; shot < 12; ++shot) {
        QTest::qWait(500);
        moved = moved || hand->GetWorld() != handBefore;
        if (dir && *dir && scene->GetDevice())
            scene->GetDevice()->GrabBackBuffer().save(
                QString("%1/band-play-%2.png").arg(dir).arg(shot, 2, 10, QChar('0')));
    }
    EXPECT_TRUE(moved) << "the lead's left hand never left its resting place";
    EXPECT_GT(scene->GetFrameCount(), drawn + 10) << "the view was not drawn as the band moved";

    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_FALSE(m_center->IsPlaying());
    EXPECT_FALSE(m_center->GetAnimator()->IsPlaying());
    // No replayed matrix is left behind: the lead's hand shows the pose the tool gave it.
    const MATRIX posed = TransformMatrix(hand->GetTransform());
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) {
            ASSERT_NEAR(MatrixAt(stick->GetWorld(), r, c), MatrixAt(rest, r, c), 1e-3f)
                << "Stop leaves the drummer where he was";
            ASSERT_NEAR(MatrixAt(hand->GetWorld(), r, c), MatrixAt(posed, r, c), 1e-3f);
        }
}

} // namespace

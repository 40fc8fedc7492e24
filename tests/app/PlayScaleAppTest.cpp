// Play Scale in the running application: the click, the sound reaching the output device, and
// the button turning back by itself when the practice has played to its end.
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>

#include "sound/VirtualDevice.h"
#include "tests/app/AppHarness.h"
#include "tools/ShowScaleDlg.h"
#include "ui/MessageBox.h"

namespace {

using Clock = std::chrono::steady_clock;

bool NoBox(const char*, const char*, int, bool) {
    return true;
}

class PlayScaleAppTest : public ::testing::Test, public CAppHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeContentRoot("<1>Welcome\r\nFirst page.\r\n"));
        // The build's sample sets and groove library: Play Scale needs both.
        const bool samples = LinkBuildFolder("Sound");
        LinkBuildFolder("Grooves");
        m_ready = samples && QFile::exists(m_root + "/Grooves/Rock/2 Rock.mid");
        Install(NoBox);
    }
    void TearDown() override { Uninstall(); }

    // The application on a virtual output device whose clock runs in real time, so that the
    // engine schedules the practice exactly as it does on a sound card.
    void Start() {
        ASSERT_TRUE(CAppHarness::Start(
            [this]() -> std::unique_ptr<CAudioDevice> {
                auto device = std::make_unique<CVirtualDevice>(CVirtualDevice::CLOCK_REAL_TIME);
                m_device = device.get();
                return device;
            },
            10000));
        ASSERT_NE(m_device, nullptr);
        ASSERT_TRUE(m_device->IsOpen());
        m_tool = dynamic_cast<CShowScaleDlg*>(Window(kKindShowScale));
        ASSERT_NE(m_tool, nullptr);
        m_playButton = m_tool->Button(CShowScaleDlg::kIdPlayScale);
        ASSERT_NE(m_playButton, nullptr);
    }

    // Picks an item through the combo box, as the user does, so the tool's handlers run.
    void Pick(CShowScaleDlg::CONTROL id, const char* text) {
        auto* combo = static_cast<QComboBox*>(m_tool->List(id).Control());
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text;
        combo->setCurrentIndex(index);
    }
    // The shortest practice: sixteenth notes at the fastest tempo.
    void ChooseShortPractice() {
        Pick(CShowScaleDlg::kIdTempo, "240");
        Pick(CShowScaleDlg::kIdNoteLength, "16-th");
    }
    void ClickPlay() { QTest::mouseClick(m_playButton, Qt::LeftButton); }

    // Lets the device hand on a few blocks more, so that no block begun before now is still
    // on its way when the first sound is forgotten.
    void ForgetSoundSoFar() {
        const uint64_t played = m_device->GetFramesPlayed();
        ASSERT_TRUE(WaitFor([&] { return m_device->GetFramesPlayed() >= played + 1024; }, 5000));
        m_device->ResetFirstSound();
    }

    bool m_ready = false;
    CVirtualDevice* m_device = nullptr;
    CShowScaleDlg* m_tool = nullptr;
    QPushButton* m_playButton = nullptr;
};

TEST_F(PlayScaleAppTest, PlaysToTheEndAndTheButtonTurnsBackByItself) {
    if (!m_ready)
        GTEST_SKIP() << "the sample sets or the groove library were not made in this build";
    ASSERT_NO_FATAL_FAILURE(Start());
    ChooseShortPractice();
    EXPECT_EQ(m_playButton->text(), "Play Scale");
    ASSERT_NO_FATAL_FAILURE(ForgetSoundSoFar());
    Clock::time_point seen;
    EXPECT_FALSE(m_device->GetFirstSoundTime(&seen)) << "nothing sounds before the click";

    const Clock::time_point clicked = Clock::now();
    ClickPlay();
    EXPECT_EQ(m_playButton->text(), "Stop");
    EXPECT_TRUE(m_tool->IsPlaying());
    ASSERT_TRUE(m_center->IsPlaying()) << m_tool->GetError().GetText();

    // The practice at 240 beats per minute: a quarter of a second per beat, sounding one beat
    // later than composed and ending one beat after its last note.
    const CNoteList& practice = m_tool->GetLastPlayed();
    ASSERT_FALSE(practice.IsEmpty());
    const double beat = 0.25;
    EXPECT_DOUBLE_EQ(m_center->GetPlayEndTime(), practice.GetEndTime(true) + beat);
    EXPECT_LT(m_center->GetPlayEndTime(), 10.0) << "a short practice";

    ASSERT_TRUE(WaitFor([&] { return m_device->GetFirstSoundTime(&seen); }, 5000))
        << "the device never received a frame that is not silent";
    // A sound card cannot play a frame before its time, so this holds however loaded the
    // machine is (less one block that the device takes at once).
    const double heardAfter = std::chrono::duration<double>(seen - clicked).count();
    EXPECT_GE(heardAfter, beat + practice[0].m_time - 0.01)
        << "the first note sounds a beat after the click";

    // While the end time has not passed, the button keeps reading "Stop"; once it has, the
    // application's frame tick stops playback and the tool's button turns back by itself.
    bool stillStop = true;
    ASSERT_TRUE(WaitFor(
        [&] {
            const QString text = m_playButton->text();
            const double t = m_center->GetPlayTime();
            if (t >= 0.0 && t < m_center->GetPlayEndTime() && text != "Stop")
                stillStop = false;
            return text == "Play Scale";
        },
        20000))
        << "the end-of-play check never stopped the practice";
    EXPECT_TRUE(stillStop) << "the button turned back before the practice's end";
    EXPECT_FALSE(m_center->IsPlaying());
    EXPECT_FALSE(m_tool->IsPlaying());
    EXPECT_EQ(m_tool->GetMode(), CShowScaleDlg::kScaleMode);

    // Stopped means silent: the device hears nothing more.
    ASSERT_NO_FATAL_FAILURE(ForgetSoundSoFar());
    QTest::qWait(300);
    EXPECT_FALSE(m_device->GetFirstSoundTime(&seen)) << "sound after the end of play";

    // And the button plays again.
    ClickPlay();
    EXPECT_EQ(m_playButton->text(), "Stop");
    EXPECT_TRUE(m_center->IsPlaying());
    ClickPlay();
}

TEST_F(PlayScaleAppTest, StopSilencesTheDeviceAtOnce) {
    if (!m_ready)
        GTEST_SKIP() << "the sample sets or the groove library were not made in this build";
    ASSERT_NO_FATAL_FAILURE(Start());
    ChooseShortPractice();
    ASSERT_NO_FATAL_FAILURE(ForgetSoundSoFar());
    ClickPlay();
    ASSERT_TRUE(m_center->IsPlaying());
    Clock::time_point seen;
    ASSERT_TRUE(WaitFor([&] { return m_device->GetFirstSoundTime(&seen); }, 5000));

    ClickPlay();
    EXPECT_EQ(m_playButton->text(), "Play Scale");
    EXPECT_FALSE(m_center->IsPlaying());
    EXPECT_FALSE(m_tool->IsPlaying());
    ASSERT_NO_FATAL_FAILURE(ForgetSoundSoFar());
    QTest::qWait(300);
    EXPECT_FALSE(m_device->GetFirstSoundTime(&seen)) << "the practice went on after Stop";
}

} // namespace

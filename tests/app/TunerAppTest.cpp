// Sound input in the running application: the Tuner hearing a tone, the Show Scale tool hearing
// the player, and an input device that goes away and is chosen again.
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

#include "sound/SoundCapture.h"
#include "sound/VirtualDevice.h"
#include "tests/app/AppHarness.h"
#include "tests/sound/CaptureSupport.h"
#include "tools/AudioSettingsDlg.h"
#include "tools/FretboardView.h"
#include "tools/ShowScaleDlg.h"
#include "tools/TunerDlg.h"
#include "ui/MessageBox.h"
#include "ui/NoteWheel.h"

namespace {

bool NoBox(const char*, const char*, int, bool) {
    return true;
}

class TunerAppTest : public ::testing::Test, public CAppHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeContentRoot("<1>Welcome\r\nFirst page.\r\n"));
        m_hasSamples = LinkBuildFolder("Sound");
        Install(NoBox);
        // The input hears in real time, as from a sound card.
        m_captureFactory = [this] {
            auto device = std::make_unique<CVirtualDevice>(CVirtualDevice::CLOCK_REAL_TIME);
            m_input = device.get();
            return std::unique_ptr<CAudioDevice>(std::move(device));
        };
        ASSERT_TRUE(Start([] { return std::make_unique<CVirtualDevice>(); }));
        ASSERT_NE(m_input, nullptr);
    }
    void TearDown() override { Uninstall(); }

    void Command(int id) {
        QAction* action = Frame()->GetAction(id);
        ASSERT_NE(action, nullptr) << id;
        action->trigger();
    }
    CTunerDlg* OpenTuner() {
        Command(kCmdShowTuner);
        return dynamic_cast<CTunerDlg*>(Window(kKindTuner));
    }
    CVirtualDevice* m_input = nullptr;
    bool m_hasSamples = false;
};

TEST_F(TunerAppTest, TheTunerShowsATone7CentsSharpOfA4) {
    m_input->SetInputTone(440.0 * std::pow(2.0, 7.0 / 1200.0), 0.5, 0.3);
    CTunerDlg* tuner = OpenTuner();
    ASSERT_NE(tuner, nullptr) << m_center->GetError();
    EXPECT_TRUE(tuner->IsShown());
    ASSERT_TRUE(WaitFor([tuner] { return std::fabs(tuner->GetCents() - 7.0) < 1.0; }))
        << tuner->GetCents();
    EXPECT_STREQ(tuner->GetText(CTunerDlg::kIdNote), "A 4");
    tuner->Frame()->close();
    EXPECT_FALSE(m_center->GetCapture()->IsCapturing()) << "closing the Tuner stops capture";
}

TEST_F(TunerAppTest, ShowScaleCountsAPlayedCMajorScaleInScaleAndFSharpOutside) {
    auto* tool = dynamic_cast<CShowScaleDlg*>(Window(kKindShowScale));
    ASSERT_NE(tool, nullptr);
    // Each note 0.4 s, then 0.1 s of silence: C major up an octave from C3, then F#3.
    std::vector<int16_t> played;
    uint32_t seed = 1;
    for (int midi : {48, 50, 52, 53, 55, 57, 59, 60, 54}) {
        const std::vector<int16_t> note = MakeHarmonicTone(MidiHz(midi), 0.4, seed++, 30.0);
        played.insert(played.end(), note.begin(), note.end());
        played.insert(played.end(), 4410, 0);
    }
    QTest::keyClick(tool, Qt::Key_H, Qt::ControlModifier);
    ASSERT_TRUE(m_center->IsListening());
    EXPECT_TRUE(Frame()->GetAction(kCmdListen)->isChecked());
    m_input->SetInputFrames(played, 1, false);
    ASSERT_TRUE(WaitFor([tool] { return tool->GetHeard().GetOutCount() > 0; }, 10000));
    EXPECT_EQ(tool->GetHeard().GetInCount(), 8);
    EXPECT_EQ(tool->GetHeard().GetOutCount(), 1);
    EXPECT_EQ(tool->GetFretboard()->GetHeardNote(), 54) << "F# lit while it sounds";
    EXPECT_EQ(tool->GetWheel()->GetHeardPitch(), 6);
    QTest::keyClick(tool, Qt::Key_H, Qt::ControlModifier);
    EXPECT_FALSE(m_center->GetCapture()->IsCapturing());
    EXPECT_EQ(tool->GetFretboard()->GetHeardNote(), MIDI_NO_PITCH);
}

TEST_F(TunerAppTest, AnInputThatGoesAwayIsShownAndChoosingItAgainRecovers) {
    m_input->SetInputTone(220.0, 0.5, 0.3);
    CTunerDlg* tuner = OpenTuner();
    ASSERT_NE(tuner, nullptr);
    ASSERT_TRUE(WaitFor([tuner] { return tuner->GetText(CTunerDlg::kIdNote) == "A 3"; }));
    m_input->SetInputPresent(false);
    ASSERT_TRUE(WaitFor([tuner] {
        return std::strstr(tuner->GetText(CTunerDlg::kIdString),
                           "Can't get the capture buffer position: Device unavailable");
    }));
    EXPECT_STREQ(tuner->GetText(CTunerDlg::kIdNote), "");
    EXPECT_TRUE(Frame()->AreTimersRunning()) << "the application keeps running";

    // The user plugs it in again and chooses it in Audio Settings.
    m_input->SetInputPresent(true);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CAudioSettingsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->GetButtons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    Command(kCmdAudioSettings);
    EXPECT_TRUE(WaitFor([tuner] { return tuner->GetText(CTunerDlg::kIdNote) == "A 3"; }));
}

// Pictures for people to look at: the Tuner hearing a guitar's low E string, and the neck
// lighting a played G in C major (green) and an F# (red).
TEST_F(TunerAppTest, PicturesOfTheTunerAndOfAHeardNote) {
    const QString lowE = m_root + "/Sound/Clean Guitar/Clean Guitar_6- 0.wav";
    if (!m_hasSamples || !m_input->SetInputFile(lowE.toUtf8().constData(), true))
        m_input->SetInputTone(MidiHz(40), 0.5, 0.5);
    CTunerDlg* tuner = OpenTuner();
    ASSERT_NE(tuner, nullptr);
    ASSERT_TRUE(WaitFor([tuner] { return tuner->GetText(CTunerDlg::kIdNote) == "E 2"; }));
    QTest::qWait(300);
    EXPECT_TRUE(Picture(tuner->Frame(), "tuner-low-e.png"));
    tuner->Frame()->close();

    auto* tool = dynamic_cast<CShowScaleDlg*>(Window(kKindShowScale));
    ASSERT_NE(tool, nullptr);
    Command(kCmdListen);
    for (int midi : {55, 54}) {
        m_input->SetInputTone(MidiHz(midi), 0.5, 0.4);
        ASSERT_TRUE(WaitFor([tool, midi] { return tool->GetFretboard()->GetHeardNote() == midi; }));
        QTest::qWait(100);
        EXPECT_TRUE(Picture(tool->Frame(), midi == 55 ? "show-scale-heard-g.png"
                                                      : "show-scale-heard-f-sharp.png"));
    }
}

} // namespace

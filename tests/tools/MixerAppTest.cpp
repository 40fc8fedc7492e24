// The Mixer and Audio Settings inside the running application: reached from the menus, the mix
// kept in "Default.mix" at close, the chosen devices kept in the settings and opened again.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "song/Mix.h"
#include "sound/Sound.h"
#include "sound/VirtualDevice.h"
#include "tests/app/AppHarness.h"
#include "tools/AudioSettingsDlg.h"
#include "tools/MixerDlg.h"
#include "ui/MessageBox.h"

namespace {

std::vector<std::string> g_captions;

bool RecordBox(const char*, const char* caption, int, bool) {
    g_captions.push_back(caption);
    return true;
}

// The virtual output, counting how often the application opens it.
std::atomic<int> g_opens{0};
class CCountingDevice : public CVirtualDevice {
public:
    AUDIO_RESULT Open(const uint8_t id[16], uint32_t rate, uint32_t channels) override {
        ++g_opens;
        return CVirtualDevice::Open(id, rate, channels);
    }
};

class MixerAppTest : public ::testing::Test, public CAppHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeContentRoot("<1>Welcome\r\n"));
        // The instrument samples of the build, so that the output opens whole.
        m_hasSamples = LinkBuildFolder("Sound");
        g_captions.clear();
        g_opens = 0;
        Install(RecordBox);
    }
    void TearDown() override { Uninstall(); }

    bool Start() {
        return CAppHarness::Start(
            []() -> std::unique_ptr<CAudioDevice> { return std::make_unique<CCountingDevice>(); });
    }
    CMixerDlg* Mixer() const { return dynamic_cast<CMixerDlg*>(Window(kKindMixer)); }
    // Answers Audio Settings once it runs, as the user would.
    void AnswerWith(std::function<void(CAudioSettingsDlg&)> answer) {
        QTimer::singleShot(0, [this, answer] {
            auto* dialog = qobject_cast<CAudioSettingsDlg*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no modal Audio Settings dialog";
                return;
            }
            m_dialogShown = true;
            answer(*dialog);
        });
    }
    static int Find(CAudioSettingsDlg& dialog, CAudioSettingsDlg::CONTROL id, const char* word) {
        CListWrapper& list = dialog.List(id);
        for (int i = 0; i < list.GetCount(); ++i)
            if (std::strstr(list.GetItemText(i), word))
                return i;
        return -1;
    }

    bool m_dialogShown = false;
    bool m_hasSamples = false;
};

TEST_F(MixerAppTest, TheShowMenuOpensTheMixerAndItsChangesAreKeptInDefaultMix) {
    ASSERT_TRUE(Start());
    CMixerDlg* mixer = Mixer();
    ASSERT_NE(mixer, nullptr) << "the Mixer window is the real one";
    EXPECT_FALSE(mixer->IsShown()) << "the Mixer starts hidden";
    Frame()->GetAction(kCmdShowMixer)->trigger();
    EXPECT_TRUE(mixer->IsShown());
    // It edits the application's mix, which the composer applies to the next practice.
    EXPECT_EQ(mixer->GetMix(), m_center->GetMix());
    mixer->VolumeSlider(mixer->FindRow(THING_BASS_GUITAR))->setValue(45);
    mixer->PanSlider(mixer->FindRow(THING_RIDE_CYMBAL))->setValue(-35);
    float volume = 0, pan = 0;
    ASSERT_TRUE(m_center->GetMix()->GetEntry(THING_BASS_GUITAR, volume, pan));
    EXPECT_FLOAT_EQ(volume, 0.45f);
    Quit();

    CMix saved;
    ASSERT_TRUE(saved.Load((m_root + "/Sound/Default.mix").toUtf8().constData()))
        << saved.GetError().GetText();
    ASSERT_TRUE(saved.GetEntry(THING_BASS_GUITAR, volume, pan));
    EXPECT_FLOAT_EQ(volume, 0.45f);
    ASSERT_TRUE(saved.GetEntry(THING_RIDE_CYMBAL_BELL, volume, pan));
    EXPECT_FLOAT_EQ(pan, -0.7f);

    // The next start reads the mix back into the sliders, and the Mixer is where it was.
    ASSERT_TRUE(Start());
    mixer = Mixer();
    ASSERT_NE(mixer, nullptr);
    EXPECT_TRUE(mixer->IsShown());
    EXPECT_EQ(mixer->VolumeSlider(mixer->FindRow(THING_BASS_GUITAR))->value(), 45);
    EXPECT_EQ(mixer->PanSlider(mixer->FindRow(THING_RIDE_CYMBAL))->value(), -35);
}

TEST_F(MixerAppTest, AudioSettingsKeepsTheChosenDeviceAndOpensTheDevicesAgain) {
    if (!m_hasSamples)
        GTEST_SKIP() << "the instrument samples were not made in this build";
    ASSERT_TRUE(Start());
    ASSERT_TRUE(g_captions.empty()) << g_captions.front();
    const int opensAtStart = g_opens;
    ASSERT_GE(opensAtStart, 1);
    AnswerWith([](CAudioSettingsDlg& dialog) {
        const int input = Find(dialog, CAudioSettingsDlg::kIdInput, "Virtual");
        const int output = Find(dialog, CAudioSettingsDlg::kIdOutput, "Virtual");
        ASSERT_GE(input, 0);
        ASSERT_GE(output, 0);
        dialog.Combo(CAudioSettingsDlg::kIdInput)->setCurrentIndex(input);
        dialog.Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(output);
        QTest::mouseClick(dialog.GetButtons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QAction* audio = Frame()->GetAction(kCmdAudioSettings);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->text(), "Audio");
    audio->trigger();
    EXPECT_TRUE(m_dialogShown);
    EXPECT_EQ(g_opens, opensAtStart + 1) << "the output was opened again";
    EXPECT_TRUE(m_center->GetSound()->IsInitialized());
    EXPECT_STREQ(m_center->GetSettings()->audio.outputName, CVirtualDevice::kOutputName);
    EXPECT_STREQ(m_center->GetSettings()->audio.inputName, CVirtualDevice::kInputName);
    EXPECT_TRUE(g_captions.empty()) << g_captions.front();

    // Cancel keeps the choice and still opens the devices again.
    m_dialogShown = false;
    AnswerWith([](CAudioSettingsDlg& dialog) {
        dialog.Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(0);
        QTest::mouseClick(dialog.GetButtons()->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    audio->trigger();
    EXPECT_TRUE(m_dialogShown);
    EXPECT_EQ(g_opens, opensAtStart + 2);
    EXPECT_STREQ(m_center->GetSettings()->audio.outputName, CVirtualDevice::kOutputName);
    Quit();

    QSettings raw(m_settingsFile, QSettings::IniFormat);
    raw.beginGroup("Audio");
    EXPECT_EQ(raw.value("Audio output name").toByteArray().left(21),
              QByteArray(CVirtualDevice::kOutputName));
}

} // namespace

// The fuller sound tools inside the running application: reached from the Tools menu, their
// places kept, and what they write.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "sound/PitchDetector.h"
#include "sound/SampleStore.h"
#include "sound/Sound.h"
#include "sound/SoundFile.h"
#include "sound/VirtualDevice.h"
#include "tests/app/AppHarness.h"
#include "tests/sound/CaptureSupport.h"
#include "theory/NoteManager.h"
#include "tools/GeneratorDlg.h"
#include "tools/MainWnd.h"
#include "tools/SamplerDlg.h"

namespace {

bool AnswerOk(const char*, const char*, int, bool) {
    return true;
}

class ToolsAppTest : public ::testing::Test, public CAppHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeContentRoot("<1>Welcome\r\n"));
        LinkBuildFolder("Sound");
        Install(AnswerOk);
    }
    void TearDown() override { Uninstall(); }

    bool Start() {
        return CAppHarness::Start(
            []() -> std::unique_ptr<CAudioDevice> { return std::make_unique<CVirtualDevice>(); });
    }
    CGeneratorDlg* Generator() const {
        return dynamic_cast<CGeneratorDlg*>(Window(kKindGenerator));
    }
};

TEST_F(ToolsAppTest, GeneratorOpensFromTheToolsMenuPlaysAndIsThereAgainNextRun) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Generator(), nullptr) << "not made at start";
    Frame()->GetAction(kCmdShowGenerator)->trigger();
    ASSERT_NE(Generator(), nullptr);
    EXPECT_TRUE(Generator()->IsShown());

    // Digits typed into a field are text: the computer keyboard's notes stay silent.
    QLineEdit* frequency = Generator()->Field(CGeneratorDlg::kIdFrequency);
    frequency->clear();
    frequency->setFocus();
    QTest::keyClicks(frequency, "220");
    EXPECT_EQ(frequency->text(), "220");
    EXPECT_EQ(m_center->GetCurrentNotes().GetCount(), 0);

    QTest::mouseClick(Generator()->Button(CGeneratorDlg::kIdPlay), Qt::LeftButton);
    EXPECT_TRUE(m_center->GetSound()->GetOneShot()->IsPlaying());
    EXPECT_TRUE(std::filesystem::exists(
        (QString(m_center->GetSettings()->wavePath.GetText()) + "Generated.wav").toStdString()));
    EXPECT_TRUE(Picture(Generator()->Frame(), "generator.png"));
    Generator()->SetRect(30, 40, 430, 540);
    Quit();

    ASSERT_TRUE(Start());
    ASSERT_NE(Generator(), nullptr) << "left open, so opened again";
    WND_RECT place;
    place.Set(30, 40, 430, 540);
    EXPECT_EQ(Generator()->GetRect(), place);
    Generator()->ShowWnd(false);
    Quit();

    ASSERT_TRUE(Start());
    EXPECT_EQ(Generator(), nullptr) << "closed, so left closed";
}

// The pitch of a sample's first half second: the last reading of the detector fed it block by
// block.
double PitchOf(const CSoundInfo& sample) {
    CPitchDetector detector;
    double frequency = 0.0;
    int midi = MIDI_NO_PITCH;
    if (!detector.SetFormat(sample.format))
        return 0.0;
    const uint32_t block = 1470 * sample.format.blockAlign;
    const auto* bytes = reinterpret_cast<const uint8_t*>(sample.data.get());
    double last = 0.0;
    for (uint32_t at = 0; at + block <= sample.size && at < 44100; at += block)
        if (detector.Process(bytes + at, block, frequency, midi))
            last = frequency;
    return last;
}

TEST_F(ToolsAppTest, ARecordedPluckIsCleanedUpAndPlaysInTuneAsASet) {
    CVirtualDevice* input = nullptr;
    m_captureFactory = [&input] {
        auto device = std::make_unique<CVirtualDevice>(CVirtualDevice::CLOCK_REAL_TIME);
        input = device.get();
        return std::unique_ptr<CAudioDevice>(std::move(device));
    };
    ASSERT_TRUE(Start());
    Frame()->GetAction(kCmdShowSampler)->trigger();
    auto* sampler = dynamic_cast<CSamplerDlg*>(Window(kKindSampleRecorder));
    ASSERT_NE(sampler, nullptr) << m_center->GetError();
    ASSERT_TRUE(sampler->IsShown());
    EXPECT_TRUE(sampler->isModal());

    // The open A string (string 5): 0.3 s of silence, then a pluck dying away over 1.2 s.
    std::vector<int16_t> pluck(13230, 0);
    std::vector<int16_t> tone = MakeHarmonicTone(110.0, 1.2, 7, 40.0, 0.4);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<int16_t>(tone[i] * std::exp(-3.0 * i / 44100.0));
    pluck.insert(pluck.end(), tone.begin(), tone.end());
    sampler->SampleField()->setText("My Set");
    sampler->StringList()->setCurrentIndex(4);
    QTest::mouseClick(sampler->RecordButton(), Qt::LeftButton);
    ASSERT_TRUE(sampler->IsRecording()) << sampler->GetText(CSamplerDlg::kIdStatus);
    input->SetInputFrames(pluck, 1, false);
    ASSERT_TRUE(WaitFor([sampler] { return sampler->GetText(CSamplerDlg::kIdNote) == "A 2"; }));
    EXPECT_TRUE(Picture(sampler, "sample-recorder.png"));
    QTest::qWait(1600);
    QTest::mouseClick(sampler->RecordButton(), Qt::LeftButton);
    EXPECT_STREQ(sampler->GetText(CSamplerDlg::kIdStatus), "Stopped");

    const CCharString sets = m_center->GetSettings()->folders.GetUser(FOLDER_SOUND);
    const CCharString path = MakeStringedSampleName(sets, "My Set", 5, 0);
    CSoundInfo recorded;
    CSoundFile file;
    ASSERT_TRUE(file.Read(path, recorded)) << file.GetErrorText().GetText();
    EXPECT_EQ(recorded.format.samplesPerSec, 44100u);
    EXPECT_EQ(recorded.format.channels, 1);
    EXPECT_EQ(recorded.format.bitsPerSample, 16);
    const int16_t* values = recorded.data.get();
    const uint32_t frames = recorded.size / 2;
    int peak = 0;
    uint32_t firstLoud = frames;
    for (uint32_t i = 0; i < frames; ++i) {
        peak = std::max(peak, std::abs(int(values[i])));
        if (firstLoud == frames && std::abs(int(values[i])) >= 0.05 * 32768)
            firstLoud = i;
    }
    EXPECT_NEAR(peak / 32768.0, 0.7, 0.007);
    EXPECT_LT(firstLoud, 401u) << "the silence before the pluck is gone (a period is 401 frames)";
    EXPECT_GT(frames, 44100u) << "the pluck is kept";
    EXPECT_LE(frames, 5u * 44100u);
    sampler->Frame()->close();
    EXPECT_FALSE(m_center->GetCapture()->IsCapturing());

    // A set needs every string: the others borrow the recording.
    for (int string : {1, 2, 3, 4, 6})
        ASSERT_TRUE(file.Save(MakeStringedSampleName(sets, "My Set", string, 0), recorded));
    CNoteManager notes;
    ASSERT_TRUE(notes.Initialize());
    CSampleStore store(notes);
    ASSERT_TRUE(store.LoadStringedSet(sets, "My Set", THING_LEAD_GUITAR));
    // On the recorded string: the recording, and the notes one and two frets up made from it.
    int checked = 0;
    for (const CSoundInfo& sample : *store.GetSamples(THING_LEAD_GUITAR))
        if (sample.note.Position().string == 5 && sample.note.Position().fret <= 2) {
            EXPECT_NEAR(PitchOf(sample), sample.note.m_frequency, sample.note.m_frequency * 0.01)
                << sample.note.Position().fret;
            ++checked;
        }
    EXPECT_EQ(checked, 3);
}

} // namespace

// Sound capture on a stepped virtual input: notes per block, recording across the buffer's end,
// the order of its operations, rate correction and a device that goes away.
#include "tests/sound/CaptureSupport.h"
#include "tests/sound/EngineSupport.h"

#include "sound/SoundFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

TEST(CaptureTest, EachBlockWithDataPostsOneNoteWithItsLevelAndTime) {
    CAPTURE_RIG rig;
    ASSERT_TRUE(rig.Open()) << rig.capture->GetErrorText();
    rig.device->SetInputTone(440.0, 0.5);
    ASSERT_TRUE(rig.capture->GetReady(nullptr, 0.0)) << rig.capture->GetErrorText();
    ASSERT_TRUE(rig.capture->Start(true));
    rig.Tick();
    EXPECT_TRUE(rig.TakeNotes().empty()) << "a tick with no new data posts nothing";
    for (int tick = 0; tick < 6; ++tick) {
        rig.Step(1470);
        rig.Tick();
    }
    const std::vector<CNote> notes = rig.TakeNotes();
    ASSERT_EQ(notes.size(), 6u);
    EXPECT_NEAR(notes.back().m_time, 6 * 1470 / 44100.0, 1e-9);
    EXPECT_NEAR(notes.back().m_volume, 0.5, 0.001);
    EXPECT_EQ(notes.back().m_midi, 69);
    EXPECT_NEAR(GetHeardFrequency(notes.back()), 440.0, 0.05);
    EXPECT_FALSE(rig.capture->IsRecording()) << "no path, no recording";
}

TEST(CaptureTest, RecordingKeepsEveryFrameInOrderAcrossTheBuffersEnd) {
    const std::string folder = MakeTempFolder("capture");
    const std::string path = folder + "take.wav";
    CAPTURE_RIG rig;
    ASSERT_TRUE(rig.Open(1));
    std::vector<int16_t> ramp(3 * 44100);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i * 7);
    rig.device->SetInputFrames(ramp, 1, false);
    ASSERT_TRUE(rig.capture->GetReady(path.c_str(), 1.5));
    ASSERT_TRUE(rig.capture->Start(false));
    // 1.5 s, then 1.5 s more: the second drain wraps past the two-second buffer's end.
    for (int step = 0; step < 2; ++step) {
        rig.Step(66150);
        rig.Tick();
    }
    EXPECT_EQ(rig.capture->GetMeasuredRate(), 44100u) << "an exact clock needs no correction";
    ASSERT_TRUE(rig.capture->Stop()) << rig.capture->GetErrorText();
    EXPECT_DOUBLE_EQ(rig.capture->GetMixStart(), 1.5);
    CSoundInfo sample;
    CSoundFile file;
    ASSERT_TRUE(file.Read(path.c_str(), sample)) << file.GetErrorText();
    ASSERT_EQ(sample.GetValueCount(), ramp.size());
    EXPECT_EQ(std::memcmp(sample.GetValues(), ramp.data(), ramp.size() * 2), 0);
    std::filesystem::remove_all(folder);
}

TEST(CaptureTest, OperationsOutOfOrderFailWithTheirWords) {
    CAPTURE_RIG rig;
    ASSERT_TRUE(rig.Open());
    EXPECT_FALSE(rig.capture->Start(true));
    EXPECT_STREQ(rig.capture->GetErrorText(), "Not ready, call GetReady");
    ASSERT_TRUE(rig.capture->GetReady(nullptr, 0.0));
    EXPECT_TRUE(rig.capture->Stop()) << "Stop while not capturing changes nothing";
    EXPECT_TRUE(rig.capture->IsReady());
    EXPECT_FALSE(rig.capture->GetReady(nullptr, 0.0)) << "its thread still runs";
    EXPECT_STREQ(rig.capture->GetErrorText(), "Can't start SoundCaptureThread");
    ASSERT_TRUE(rig.capture->Start(true));
    ASSERT_TRUE(rig.capture->Stop());
    EXPECT_FALSE(rig.capture->IsReady());
    EXPECT_TRUE(rig.capture->GetReady(nullptr, 0.0)) << "after Stop the thread can start again";
}

TEST(CaptureTest, AnInputThatGoesAwayClosesCaptureUntilItIsOpenedAgain) {
    CAPTURE_RIG rig;
    ASSERT_TRUE(rig.Open());
    rig.device->SetInputTone(220.0, 0.5);
    ASSERT_TRUE(rig.capture->GetReady(nullptr, 0.0));
    ASSERT_TRUE(rig.capture->Start(false));
    rig.device->SetInputPresent(false);
    rig.Step(1470);
    EXPECT_FALSE(rig.capture->CheckBuffer());
    EXPECT_STREQ(rig.capture->GetErrorText(),
                 "Can't get the capture buffer position: Device unavailable");
    EXPECT_FALSE(rig.capture->IsInitialized());
    rig.Tick(); // the thread's next tick finds nothing to do
    EXPECT_FALSE(rig.capture->SetFormat(44100, 16, 2)) << "still unplugged";
    rig.device->SetInputPresent(true);
    ASSERT_TRUE(rig.capture->SetFormat(44100, 16, 2)) << rig.capture->GetErrorText();
    ASSERT_TRUE(rig.capture->GetReady(nullptr, 0.0));
    ASSERT_TRUE(rig.capture->Start(false));
    rig.TakeNotes();
    rig.Step(1470);
    rig.Tick();
    EXPECT_EQ(rig.TakeNotes().size(), 1u);
}

TEST(CaptureTest, RateCorrectionAveragesFastBlocksAndLeavesSlowOnesAlone) {
    WAVE_FORMAT format = MonoFormat();
    int16_t values[] = {10, 20, 30, -41, 50, 60, 70, 80};
    uint32_t size = sizeof values;
    // Twice the nominal rate: pairs of frames become their averages, truncated toward zero.
    CSoundCapture::ShrinkToRate(reinterpret_cast<uint8_t*>(values), size, format, 88200, 44100);
    ASSERT_EQ(size, 8u);
    EXPECT_EQ(values[0], 15);
    EXPECT_EQ(values[1], -5);
    EXPECT_EQ(values[2], 55);
    EXPECT_EQ(values[3], 75);
    EXPECT_EQ(values[4], 0) << "the rest is zeroed";
    int16_t slow[] = {1, 2, 3, 4};
    uint32_t slowSize = sizeof slow;
    EXPECT_TRUE(CSoundCapture::StretchToRate(reinterpret_cast<uint8_t*>(slow), slowSize, format,
                                             44000, 44100));
    EXPECT_FALSE(CSoundCapture::StretchToRate(reinterpret_cast<uint8_t*>(slow), slowSize, format,
                                              20000, 44100))
        << "a clock at under half the rate is not believed";
    EXPECT_EQ(slowSize, sizeof slow);
    EXPECT_EQ(slow[3], 4);
}

} // namespace

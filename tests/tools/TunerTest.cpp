// The Tuner over a host whose latest input note the test sets: the four fields, the level bar's
// two colours, cents and strings, and opening and closing capture.
#include "tools/TunerDlg.h"

#include "sound/SoundCapture.h"
#include "theory/NoteManager.h"

#include <gtest/gtest.h>

namespace {

class CTestTunerHost : public CTunerHost {
public:
    bool StartCapture(CCharString& error) override {
        error = refusal;
        starts += refusal.IsEmpty();
        return refusal.IsEmpty();
    }
    void StopCapture() override { ++stops; }
    CNote GetLatestInputNote() const override { return latest; }
    CCharString GetCaptureError() const override { return CCharString(); }
    CNoteManager& GetNoteManager() override { return manager; }

    // The note capture would post: a level and, when heard, a frequency and its nearest note.
    void Hear(float volume, double frequency = 0.0, int midi = MIDI_NO_PITCH) {
        latest.Reset();
        latest.m_volume = volume;
        latest.m_midi = midi;
        SetHeardFrequency(latest, frequency);
        CompleteInputNote(manager, latest);
    }

    CNoteManager manager;
    CNote latest;
    CCharString refusal;
    int starts = 0;
    int stops = 0;
};

class TunerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.manager.Initialize());
        ASSERT_TRUE(tuner.Create(nullptr, nullptr, "Tuner"));
        ASSERT_TRUE(tuner.ShowWnd(true));
    }
    CTestTunerHost host;
    CTunerDlg tuner{host};
};

TEST_F(TunerTest, FieldsShowTheLatestInputNoteInTheirFormats) {
    host.Hear(0.0f);
    tuner.Refresh();
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdVolume), "  0.00");
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdFrequency), "");
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdNote), "");
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdDiff), "");
    EXPECT_TRUE(std::isnan(tuner.GetCents()));

    host.Hear(0.5f, 441.0, 69);
    tuner.Refresh();
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdFrequency), "  441.00");
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdNote), "A 4");
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdDiff), "  1.00");
    EXPECT_NEAR(tuner.GetCents(), 3.93, 0.01);
    EXPECT_FALSE(tuner.IsInTune()) << "3.9 cents is out of tune";
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdString), "") << "no open string near A4";

    host.Hear(0.5f, 110.5, 45);
    tuner.Refresh();
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdString), "Guitar string 5 (A): +7.9 cents");
    host.Hear(0.5f, 41.25, 28); // a bass's low E, 2 cents sharp
    tuner.Refresh();
    EXPECT_TRUE(tuner.IsInTune());
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdString), "Bass string 4 (E): +2.0 cents");
    host.Hear(0.5f, 82.406, 40); // a hair flat of E2
    tuner.Refresh();
    EXPECT_STREQ(tuner.GetText(CTunerDlg::kIdString), "Guitar string 6 (E): +0.0 cents");
}

TEST_F(TunerTest, TheLevelBarTurnsRedAboveNineTenths) {
    const struct {
        float level;
        int position;
        QRgb colour;
    } cases[] = {{0.9f, 17, CTunerDlg::kBarColour}, // 0.9f lies a little below 0.9
                 {0.91f, 18, CTunerDlg::kLoudColour},
                 {1.0f, 20, CTunerDlg::kLoudColour}};
    for (const auto& c : cases) {
        host.Hear(c.level);
        tuner.Refresh();
        EXPECT_EQ(tuner.GetBarPosition(), c.position) << c.level;
        EXPECT_EQ(tuner.GetBarColour().rgba(), c.colour) << c.level;
    }
}

TEST_F(TunerTest, ClosingStopsCaptureAndAFailedStartKeepsTheWindowClosed) {
    EXPECT_EQ(host.starts, 1);
    tuner.ShowWnd(false);
    EXPECT_EQ(host.stops, 1);
    host.refusal = "Not ready, call GetReady";
    EXPECT_FALSE(tuner.ShowWnd(true));
    EXPECT_STREQ(tuner.GetError(), "Can't start pitch detection: Not ready, call GetReady");
    EXPECT_FALSE(tuner.IsShown());
    EXPECT_EQ(host.stops, 1) << "nothing started, nothing to stop";
}

} // namespace

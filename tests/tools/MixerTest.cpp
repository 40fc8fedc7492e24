// The Mixer as a user meets it: the rows, the sliders and what they write into the mix, Reset,
// the window's place, and what a moved slider does to the sound of the next practice.
#include "tools/MixerDlg.h"

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "song/Composer.h"
#include "song/Mix.h"
#include "sound/Sound.h"
#include "sound/SoundFile.h"
#include "sound/VirtualDevice.h"
#include "theory/NoteManager.h"
#include "ui/MessageBox.h"

namespace {

struct EXPECTED_ROW {
    THING thing;
    const char* label;
};

// Top to bottom, as the user reads them.
const EXPECTED_ROW kExpectedRows[] = {
    {THING_LEAD_GUITAR, "Lead guitar"},
    {THING_RHYTHM_GUITAR, "Rhythm guitar"},
    {THING_BASS_GUITAR, "Bass guitar"},
    {THING_DRUM_SET, "Drum set"},
    {THING_SPLASH_CYMBAL_1, "Splash 1"},
    {THING_CHINESE_CYMBAL_1, "Chinese 1"},
    {THING_CRASH_CYMBAL_2, "Crash 2"},
    {THING_CRASH_CYMBAL_1, "Crash 1"},
    {THING_RIDE_CYMBAL, "Ride"},
    {THING_HIHAT_CLOSED, "Hi-hat"},
    {THING_TOM_5, "Tom 5"},
    {THING_SNARE_DRUM, "Snare"},
    {THING_TOM_4, "Tom 4"},
    {THING_TOM_3, "Tom 3"},
    {THING_TOM_2, "Tom 2"},
    {THING_BASS_DRUM_1, "Bass"},
    {THING_TOM_1, "Tom 1"},
};

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mix.SetDefaults());
        record.SetDefaults(false);
        MakeMixer();
    }
    void MakeMixer() {
        mixer = std::make_unique<CMixerDlg>(&mix, &record);
        ASSERT_TRUE(mixer->Create(nullptr, nullptr, "Mixer")) << mixer->GetError().GetText();
    }
    QSlider* VolumeOf(THING thing) { return mixer->VolumeSlider(mixer->FindRow(thing)); }
    QSlider* PanOf(THING thing) { return mixer->PanSlider(mixer->FindRow(thing)); }
    float MixVolume(THING thing) {
        float volume = -1, pan = -9;
        EXPECT_TRUE(mix.GetEntry(thing, volume, pan));
        return volume;
    }
    float MixPan(THING thing) {
        float volume = -1, pan = -9;
        EXPECT_TRUE(mix.GetEntry(thing, volume, pan));
        return pan;
    }

    CMix mix;
    WND_SETTINGS record;
    std::unique_ptr<CMixerDlg> mixer;
};

TEST_F(MixerTest, SeventeenRowsInTheirOrderWithTheirLabels) {
    mixer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mixer.get()));
    ASSERT_EQ(mixer->GetRowCount(), 17);
    EXPECT_EQ(mixer->GetRowThing(17), THING_NONE);
    EXPECT_EQ(std::string(mixer->windowTitle().toStdString()), "Mixer");
    for (int row = 0; row < 17; ++row) {
        SCOPED_TRACE(kExpectedRows[row].label);
        EXPECT_EQ(mixer->GetRowThing(row), kExpectedRows[row].thing);
        EXPECT_EQ(mixer->Label(row)->text().toStdString(), kExpectedRows[row].label);
        // The first four rows are the band; the rest sit in the "Drums" box.
        QGroupBox* box = nullptr;
        for (QWidget* w = mixer->VolumeSlider(row)->parentWidget(); w && !box;
             w = w->parentWidget())
            box = qobject_cast<QGroupBox*>(w);
        if (row < 4) {
            EXPECT_EQ(box, nullptr);
        } else {
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->title().toStdString(), "Drums");
        }
        // Rows are laid out top to bottom in table order.
        if (row > 0) {
            EXPECT_GT(mixer->VolumeSlider(row)->mapTo(mixer.get(), QPoint(0, 0)).y(),
                      mixer->VolumeSlider(row - 1)->mapTo(mixer.get(), QPoint(0, 0)).y());
        }
    }
    // Each drum row's label keeps its dialog identifier, 1504 to 1516.
    for (int row = 4; row < 17; ++row)
        EXPECT_EQ(mixer->Label(row)->objectName().toInt(), 1500 + row);
    EXPECT_EQ(VolumeOf(THING_LEAD_GUITAR)->objectName(), "1501");
    EXPECT_EQ(PanOf(THING_LEAD_GUITAR)->objectName(), "1519");
    EXPECT_EQ(VolumeOf(THING_TOM_1)->objectName(), "1496");
}

struct DRUM_NAME {
    int thing;
    const char* name;
};

class ShortDrumNameTest : public ::testing::TestWithParam<DRUM_NAME> {};

TEST_P(ShortDrumNameTest, NamesTheDrum) {
    EXPECT_STREQ(CMixerDlg::ShortDrumName(static_cast<THING>(GetParam().thing)), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Kit, ShortDrumNameTest,
    ::testing::Values(DRUM_NAME{2, "Bass"}, DRUM_NAME{3, "Bass"}, DRUM_NAME{4, "Hi-hat"},
                      DRUM_NAME{5, "Hi-hat"}, DRUM_NAME{7, "Hi-hat"}, DRUM_NAME{6, "Foot Hat"},
                      DRUM_NAME{9, "Snare"}, DRUM_NAME{10, "Tom 1"}, DRUM_NAME{15, "Tom 6"},
                      DRUM_NAME{16, "Octoban 1"}, DRUM_NAME{21, "Octoban 6"}, DRUM_NAME{24, "Ride"},
                      DRUM_NAME{25, "Ride (bell)"}, DRUM_NAME{26, "Crash 1"},
                      DRUM_NAME{29, "Crash 4"}, DRUM_NAME{30, "Splash 1"},
                      DRUM_NAME{31, "Splash 2"}, DRUM_NAME{32, "Chinese 1"},
                      DRUM_NAME{33, "Chinese 2"}, DRUM_NAME{8, "Drum 8"}, DRUM_NAME{22, "Drum 22"},
                      DRUM_NAME{34, "Drum 34"}, DRUM_NAME{1, "Drum 1"}));

TEST_F(MixerTest, SlidersHaveTheirRangesPagesAndTicks) {
    for (int row = 0; row < mixer->GetRowCount(); ++row) {
        QSlider* volume = mixer->VolumeSlider(row);
        EXPECT_EQ(volume->minimum(), 0);
        EXPECT_EQ(volume->maximum(), 100);
        EXPECT_EQ(volume->pageStep(), 10);
        EXPECT_EQ(volume->tickPosition(), QSlider::NoTicks);
        QSlider* pan = mixer->PanSlider(row);
        EXPECT_EQ(pan->minimum(), -50);
        EXPECT_EQ(pan->maximum(), 50);
        EXPECT_EQ(pan->pageStep(), 10);
        // Ticks drawn from the left end at this interval land on the middle.
        ASSERT_NE(pan->tickPosition(), QSlider::NoTicks);
        ASSERT_GT(pan->tickInterval(), 0);
        EXPECT_EQ(50 % pan->tickInterval(), 0);
    }
}

TEST_F(MixerTest, SliderPositionsBecomeMixValues) {
    VolumeOf(THING_RHYTHM_GUITAR)->setValue(37);
    EXPECT_FLOAT_EQ(MixVolume(THING_RHYTHM_GUITAR), 0.37f);
    PanOf(THING_RHYTHM_GUITAR)->setValue(-25);
    EXPECT_FLOAT_EQ(MixPan(THING_RHYTHM_GUITAR), -0.5f);
    PanOf(THING_SNARE_DRUM)->setValue(50);
    EXPECT_FLOAT_EQ(MixPan(THING_SNARE_DRUM), 1.0f);
    VolumeOf(THING_TOM_2)->setValue(0);
    EXPECT_FLOAT_EQ(MixVolume(THING_TOM_2), 0.0f);
    // The hi-hat row serves all three hi-hat sounds.
    VolumeOf(THING_HIHAT_CLOSED)->setValue(45);
    EXPECT_FLOAT_EQ(MixVolume(THING_HIHAT_OPEN), 0.45f);
    EXPECT_FLOAT_EQ(MixVolume(THING_HIHAT_FOOT), 0.45f);
}

TEST_F(MixerTest, KeysMoveASliderByItsPage) {
    mixer->show();
    QSlider* volume = VolumeOf(THING_LEAD_GUITAR);
    volume->setFocus();
    QTest::keyClick(volume, Qt::Key_PageDown);
    EXPECT_FLOAT_EQ(MixVolume(THING_LEAD_GUITAR), 0.9f);
    QSlider* pan = PanOf(THING_BASS_GUITAR);
    pan->setFocus();
    QTest::keyClick(pan, Qt::Key_PageUp);
    QTest::keyClick(pan, Qt::Key_PageUp);
    EXPECT_FLOAT_EQ(MixPan(THING_BASS_GUITAR), 0.4f);
    QTest::keyClick(pan, Qt::Key_Home);
    EXPECT_FLOAT_EQ(MixPan(THING_BASS_GUITAR), -1.0f);
}

TEST_F(MixerTest, OpensWithTheDefaultMix) {
    EXPECT_EQ(PanOf(THING_LEAD_GUITAR)->value(), -10);
    EXPECT_EQ(PanOf(THING_RHYTHM_GUITAR)->value(), 10);
    EXPECT_EQ(VolumeOf(THING_HIHAT_CLOSED)->value(), 60);
    EXPECT_EQ(PanOf(THING_HIHAT_CLOSED)->value(), -40);
    EXPECT_EQ(VolumeOf(THING_SNARE_DRUM)->value(), 70);
    EXPECT_EQ(PanOf(THING_RIDE_CYMBAL)->value(), 25);
    EXPECT_EQ(PanOf(THING_CRASH_CYMBAL_1)->value(), -30);
    EXPECT_EQ(PanOf(THING_SPLASH_CYMBAL_1)->value(), -15);
    EXPECT_EQ(PanOf(THING_TOM_5)->value(), 30);
    EXPECT_EQ(VolumeOf(THING_BASS_GUITAR)->value(), 100);
    // Opening the Mixer changes nothing in the mix.
    EXPECT_FLOAT_EQ(MixVolume(THING_SNARE_DRUM), 0.7f);
    EXPECT_FLOAT_EQ(MixPan(THING_LEAD_GUITAR), -0.2f);
}

// A mix may name drums the Mixer has no row for (Tom 6 here); the rows after such an entry
// still show the user's values, and moving a slider writes none of the untouched rows back.
TEST_F(MixerTest, EntriesWithoutARowAreSkippedAndTheMixIsKept) {
    mix.RemoveAll();
    ASSERT_TRUE(mix.SetEntry(THING_BASS_DRUM_1, 0.4f, 0.2f));
    ASSERT_TRUE(mix.SetEntry(THING_TOM_6, 0.3f, 0.8f));
    ASSERT_TRUE(mix.SetEntry(THING_LEAD_GUITAR, 0.2f, -1.0f));
    MakeMixer();
    EXPECT_EQ(VolumeOf(THING_BASS_DRUM_1)->value(), 40);
    EXPECT_EQ(VolumeOf(THING_LEAD_GUITAR)->value(), 20);
    EXPECT_EQ(PanOf(THING_LEAD_GUITAR)->value(), -50);
    VolumeOf(THING_BASS_DRUM_1)->setValue(50);
    EXPECT_FLOAT_EQ(MixVolume(THING_LEAD_GUITAR), 0.2f);
    EXPECT_FLOAT_EQ(MixPan(THING_LEAD_GUITAR), -1.0f);
    EXPECT_FLOAT_EQ(MixVolume(THING_TOM_6), 0.3f);
}

// A mix read from "Default.mix" holds two decimals; moving one slider writes every row, and
// the rows not touched must keep theirs (0.29 is stored as a float just below 0.29).
TEST_F(MixerTest, UntouchedRowsKeepTheirTwoDecimals) {
    ASSERT_TRUE(mix.SetEntry(THING_RHYTHM_GUITAR, 0.29f, 0.58f));
    ASSERT_TRUE(mix.SetEntry(THING_TOM_3, 0.57f, -0.14f));
    MakeMixer();
    VolumeOf(THING_LEAD_GUITAR)->setValue(80);
    EXPECT_FLOAT_EQ(MixVolume(THING_RHYTHM_GUITAR), 0.29f);
    EXPECT_FLOAT_EQ(MixPan(THING_RHYTHM_GUITAR), 0.58f);
    EXPECT_FLOAT_EQ(MixVolume(THING_TOM_3), 0.57f);
    EXPECT_FLOAT_EQ(MixPan(THING_TOM_3), -0.14f);
}

TEST_F(MixerTest, OkAndEnterWriteTheSlidersIntoTheMix) {
    mixer->show();
    // Something else changed the mix since the sliders moved; OK puts the sliders' values back.
    ASSERT_TRUE(mix.SetEntry(THING_BASS_GUITAR, 0.1f, 0.9f));
    QTest::mouseClick(mixer->Button(CMixerDlg::kIdOk), Qt::LeftButton);
    EXPECT_FLOAT_EQ(MixVolume(THING_BASS_GUITAR), 1.0f);
    EXPECT_FLOAT_EQ(MixPan(THING_BASS_GUITAR), 0.0f);
    EXPECT_TRUE(mixer->isVisible()) << "OK applies; it does not close the Mixer";

    ASSERT_TRUE(mix.SetEntry(THING_SNARE_DRUM, 0.2f, 0.2f));
    QTest::keyClick(mixer.get(), Qt::Key_Return);
    EXPECT_FLOAT_EQ(MixVolume(THING_SNARE_DRUM), 0.7f);
    EXPECT_FLOAT_EQ(MixPan(THING_SNARE_DRUM), -0.2f);
}

TEST_F(MixerTest, CancelAndEscapeHideTheMixer) {
    ASSERT_TRUE(mixer->ShowWnd(true));
    QTest::mouseClick(mixer->Button(CMixerDlg::kIdCancel), Qt::LeftButton);
    EXPECT_FALSE(mixer->IsShown());
    EXPECT_FALSE(mixer->isVisible());
    ASSERT_TRUE(mixer->ShowWnd(true));
    QTest::keyClick(mixer.get(), Qt::Key_Escape);
    EXPECT_FALSE(mixer->IsShown());
}

class MixerResetTest : public MixerTest {
protected:
    void SetUp() override {
        MixerTest::SetUp();
        mixer->SetConfirm([this](const char* text, const char* caption, int icon) {
            asked.push_back({text, caption, icon});
            return answer;
        });
        VolumeOf(THING_LEAD_GUITAR)->setValue(20);
        PanOf(THING_SNARE_DRUM)->setValue(40);
        VolumeOf(THING_HIHAT_CLOSED)->setValue(100);
    }
    struct QUESTION {
        std::string text, caption;
        int icon;
    };
    std::vector<QUESTION> asked;
    bool answer = false;
};

TEST_F(MixerResetTest, NoKeepsTheMixAndTheSliders) {
    answer = false;
    QTest::mouseClick(mixer->Button(CMixerDlg::kIdReset), Qt::LeftButton);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "This will set the mix to default.\nDo you want to continue?");
    EXPECT_EQ(asked[0].caption, "Reset the mix");
    EXPECT_EQ(asked[0].icon, MB_ICON_WARNING);
    EXPECT_EQ(VolumeOf(THING_LEAD_GUITAR)->value(), 20);
    EXPECT_EQ(PanOf(THING_SNARE_DRUM)->value(), 40);
    EXPECT_FLOAT_EQ(MixVolume(THING_LEAD_GUITAR), 0.2f);
    EXPECT_FLOAT_EQ(MixPan(THING_SNARE_DRUM), 0.8f);
    EXPECT_FLOAT_EQ(MixVolume(THING_HIHAT_CLOSED), 1.0f);
}

TEST_F(MixerResetTest, YesRestoresTheDefaultMixAndTheSliders) {
    answer = true;
    QTest::mouseClick(mixer->Button(CMixerDlg::kIdReset), Qt::LeftButton);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_FLOAT_EQ(MixVolume(THING_LEAD_GUITAR), 1.0f);
    EXPECT_FLOAT_EQ(MixPan(THING_LEAD_GUITAR), -0.2f);
    EXPECT_FLOAT_EQ(MixVolume(THING_SNARE_DRUM), 0.7f);
    EXPECT_FLOAT_EQ(MixPan(THING_SNARE_DRUM), -0.2f);
    EXPECT_FLOAT_EQ(MixVolume(THING_HIHAT_CLOSED), 0.6f);
    EXPECT_EQ(VolumeOf(THING_LEAD_GUITAR)->value(), 100);
    EXPECT_EQ(PanOf(THING_LEAD_GUITAR)->value(), -10);
    EXPECT_EQ(PanOf(THING_SNARE_DRUM)->value(), -10);
    EXPECT_EQ(VolumeOf(THING_HIHAT_CLOSED)->value(), 60);
}

TEST(MixerResetQuestion, GoesThroughTheMessageBox) {
    static std::vector<std::string> captions;
    captions.clear();
    SetMessageBoxHook([](const char*, const char* caption, int, bool yesNo) {
        captions.push_back(caption);
        EXPECT_TRUE(yesNo);
        return false;
    });
    CMix mix;
    ASSERT_TRUE(mix.SetDefaults());
    CMixerDlg mixer(&mix, nullptr);
    ASSERT_TRUE(mixer.Create(nullptr, nullptr, "Mixer"));
    EXPECT_FALSE(mixer.ResetMix());
    SetMessageBoxHook(nullptr);
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(captions[0], "Reset the mix");
}

class MixerPlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        area.resize(1200, 900);
        area.show();
        ASSERT_TRUE(mix.SetDefaults());
        record.SetDefaults(false);
    }
    QMdiArea area;
    CMix mix;
    WND_SETTINGS record;
};

TEST_F(MixerPlacementTest, SavedRectangleAndVisibilityAreRestoredAndStored) {
    record.rect.Set(30, 40, 530, 640);
    record.show = 1;
    CMixerDlg mixer(&mix, &record);
    ASSERT_TRUE(mixer.CreateTool(&area, "Mixer"));
    EXPECT_EQ(mixer.GetKind(), kKindMixer);
    EXPECT_EQ(mixer.GetRect(), record.rect);
    EXPECT_TRUE(mixer.IsShown());
    mixer.SetRect(10, 20, 410, 320);
    mixer.ShowWnd(false);
    mixer.Destroy();
    WND_RECT expected;
    expected.Set(10, 20, 410, 320);
    EXPECT_EQ(record.rect, expected);
    EXPECT_EQ(record.show, 0);
}

TEST_F(MixerPlacementTest, WithoutASavedRectangleItSitsTopLeftShowingEverySlider) {
    CMixerDlg mixer(&mix, &record);
    ASSERT_TRUE(mixer.CreateTool(&area, "Mixer"));
    EXPECT_FALSE(mixer.IsShown()) << "the record says hidden";
    mixer.ShowWnd(true);
    QTest::qWait(20);
    const WND_RECT rect = mixer.GetRect();
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    // Nothing needs scrolling: the last row and the buttons lie inside the window.
    QScrollArea* scroll = mixer.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    QPushButton* reset = mixer.Button(CMixerDlg::kIdReset);
    const QPoint bottom = reset->mapTo(&mixer, QPoint(0, reset->height()));
    EXPECT_LE(bottom.y(), mixer.height());
}

// Sized by someone else before it is first shown (restored, arranged by hand in a test), it
// keeps that size.
TEST_F(MixerPlacementTest, ARectangleSetBeforeTheFirstShowIsKept) {
    CMixerDlg mixer(&mix, &record);
    ASSERT_TRUE(mixer.CreateTool(&area, "Mixer"));
    mixer.SetRect(5, 420, 605, 640);
    mixer.ShowWnd(true);
    WND_RECT expected;
    expected.Set(5, 420, 605, 640);
    EXPECT_EQ(mixer.GetRect(), expected);
}

TEST_F(MixerPlacementTest, ASmallSavedRectangleScrollsInsteadOfCutting) {
    record.rect.Set(5, 420, 605, 640);
    record.show = 1;
    CMixerDlg mixer(&mix, &record);
    ASSERT_TRUE(mixer.CreateTool(&area, "Mixer"));
    QTest::qWait(20);
    EXPECT_EQ(mixer.GetRect(), record.rect);
    QScrollArea* scroll = mixer.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
}

// ------------------------------------------------------------------ what the user hears

struct LEVEL {
    double left = 0, right = 0;
    double Both() const { return std::sqrt((left * left + right * right) / 2); }
};

// Root mean square of each channel of a rendered 16-bit stereo file.
bool MeasureLevel(const std::string& path, LEVEL& level) {
    CSoundInfo sample;
    CSoundFile file;
    if (!file.Read(path.c_str(), sample) || sample.format.channels != 2 ||
        sample.format.bitsPerSample != 16)
        return false;
    const int16_t* values = sample.GetValues();
    const size_t frames = sample.GetValueCount() / 2;
    if (frames == 0)
        return false;
    double left = 0, right = 0;
    for (size_t i = 0; i < frames; ++i) {
        left += double(values[2 * i]) * values[2 * i];
        right += double(values[2 * i + 1]) * values[2 * i + 1];
    }
    level.left = std::sqrt(left / frames);
    level.right = std::sqrt(right / frames);
    return true;
}

class MixerSoundTest : public MixerTest {
protected:
    void SetUp() override {
        const std::string samples = std::string(MA_RUNTIME_DIR) + "/Sound/";
        if (!std::filesystem::exists(samples + "Finger Bass") ||
            !std::filesystem::exists(samples + "Drums") ||
            !std::filesystem::exists(std::string(MA_RUNTIME_DIR) + "/Grooves/Rock"))
            GTEST_SKIP() << "the build made no sample sets or grooves";
        MixerTest::SetUp();
        ASSERT_TRUE(manager.Initialize());
        composer = std::make_unique<CComposer>(manager);
        composer->SetGrooveRoot(MA_RUNTIME_DIR "/Grooves");
        composer->SetMix(&mix);
        settings.soundPath = samples.c_str();
        sound = std::make_unique<CSound>(settings, manager);
        sound->SetDevice(std::make_unique<CVirtualDevice>(CVirtualDevice::CLOCK_STEPPED));
        ASSERT_TRUE(sound->OpenDevice()) << sound->GetErrorText().GetText();
        ASSERT_TRUE(out.isValid());
    }
    void TearDown() override {
        if (sound)
            sound->Close();
    }

    // Composes the practice Play Scale plays (two measures of C major over "2 Rock") with the
    // mix as it is now, and renders the notes of the given instruments (all when none given).
    LEVEL Render(const char* name, std::vector<THING> things = {}) {
        PRACTICE_REQUEST request;
        request.progression = 0;
        PRACTICE_NOTES practice;
        EXPECT_TRUE(MakePracticeNotes(*composer, request, false, practice))
            << practice.error.GetText();
        CNoteList sounding, chosen;
        EXPECT_TRUE(SoundingNotes(practice, sounding));
        for (const CNote& note : sounding) {
            // Only the first eight seconds: enough of every part, and quick to render.
            if (note.m_time > 8.0)
                continue;
            bool wanted = things.empty();
            for (THING thing : things)
                wanted = wanted || note.m_thing == thing ||
                         (thing == THING_DRUM_SET && note.m_thing <= THING_CHINESE_CYMBAL_2);
            if (wanted)
                chosen.Add(note);
        }
        EXPECT_FALSE(chosen.IsEmpty()) << name;
        const std::string path = out.filePath(name).toStdString();
        EXPECT_TRUE(sound->RenderToWave(chosen, path.c_str())) << sound->GetErrorText().GetText();
        LEVEL level;
        EXPECT_TRUE(MeasureLevel(path, level)) << path;
        return level;
    }

    CNoteManager manager;
    std::unique_ptr<CComposer> composer;
    APP_SETTINGS settings;
    std::unique_ptr<CSound> sound;
    QTemporaryDir out;
};

TEST_F(MixerSoundTest, AVolumeSliderSetsThatInstrumentsLevelInTheNextPractice) {
    const LEVEL bassBefore = Render("bass-before.wav", {THING_BASS_GUITAR});
    const LEVEL leadBefore = Render("lead-before.wav", {THING_LEAD_GUITAR});
    const LEVEL allBefore = Render("all-before.wav");
    ASSERT_GT(bassBefore.Both(), 100.0) << "the bass is heard";

    // The user halves the bass guitar.
    VolumeOf(THING_BASS_GUITAR)->setValue(50);
    const LEVEL bassAfter = Render("bass-after.wav", {THING_BASS_GUITAR});
    const LEVEL leadAfter = Render("lead-after.wav", {THING_LEAD_GUITAR});
    const LEVEL allAfter = Render("all-after.wav");

    EXPECT_NEAR(bassAfter.Both() / bassBefore.Both(), 0.5, 0.03)
        << "half the volume, half the level (" << bassBefore.Both() << " -> " << bassAfter.Both()
        << ")";
    EXPECT_NEAR(leadAfter.Both() / leadBefore.Both(), 1.0, 1e-9) << "the lead is not touched";
    EXPECT_LT(allAfter.Both(), allBefore.Both() * 0.99) << "the whole band is quieter";
}

TEST_F(MixerSoundTest, APanSliderMovesThatInstrumentToOneSide) {
    const LEVEL before = Render("snare-before.wav", {THING_SNARE_DRUM});
    ASSERT_GT(before.Both(), 100.0) << "the snare is heard";
    // The default snare sits a little left of the middle.
    EXPECT_GT(before.left, before.right);
    EXPECT_GT(before.right, before.left * 0.5);

    // Hard right: the left channel falls silent, the right one carries the snare.
    PanOf(THING_SNARE_DRUM)->setValue(50);
    const LEVEL after = Render("snare-after.wav", {THING_SNARE_DRUM});
    EXPECT_LT(after.left, after.right * 0.05) << after.left << " / " << after.right;
    EXPECT_GT(after.right, before.right);
}

TEST_F(MixerSoundTest, AZeroVolumeSilencesTheDrums) {
    const LEVEL before = Render("drums-before.wav", {THING_DRUM_SET});
    ASSERT_GT(before.Both(), 100.0);
    VolumeOf(THING_DRUM_SET)->setValue(0);
    const LEVEL after = Render("drums-after.wav", {THING_DRUM_SET});
    EXPECT_LT(after.Both(), 1.0) << "a drum set at volume 0 is silent";
}

} // namespace

// The picture a user sees: every row drawn (the sliders' grooves make many distinct rows of
// pixels). With MA_SCREENSHOT_DIR set the picture is kept there for a person to look at.
TEST_F(MixerPlacementTest, ThePictureShowsTheWholeMixer) {
    CMixerDlg mixer(&mix, &record);
    ASSERT_TRUE(mixer.CreateTool(&area, "Mixer"));
    mixer.ShowWnd(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    QTest::qWait(50);
    const QImage picture = mixer.Frame()->grab().toImage();
    ASSERT_FALSE(picture.isNull());
    const QRect last = mixer.VolumeSlider(mixer.GetRowCount() - 1)->geometry();
    const QPoint lastInFrame = mixer.VolumeSlider(mixer.GetRowCount() - 1)
                                   ->parentWidget()
                                   ->mapTo(mixer.Frame(), last.bottomRight());
    EXPECT_TRUE(picture.rect().contains(lastInFrame)) << "the last row is inside the picture";
    int changes = 0;
    for (int y = 1; y < picture.height(); ++y)
        if (picture.pixel(picture.width() / 2, y) != picture.pixel(picture.width() / 2, y - 1))
            ++changes;
    EXPECT_GT(changes, 2 * mixer.GetRowCount()) << "a drawn slider or label on every row";
    if (const char* folder = std::getenv("MA_SCREENSHOT_DIR")) {
        EXPECT_TRUE(picture.save(QString(folder) + "/mixer.png"));
    }
}

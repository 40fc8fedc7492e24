// The Generator as a user meets it: its rows, the edits of the harmonics list, what Play makes
// and plays, and fields that do not hold a fitting number.
#include "tools/GeneratorDlg.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "sound/Sound.h"
#include "tests/core/TempFolder.h"
#include "ui/MessageBox.h"

namespace {

std::vector<std::string> g_messages;

bool KeepMessage(const char* text, const char*, int, bool) {
    g_messages.push_back(text);
    return true;
}

class CFakeHost : public CGeneratorHost {
public:
    explicit CFakeHost(const APP_SETTINGS& settings) : m_generator(settings) {}
    CGenerator& GetGenerator() override { return m_generator; }
    bool PlaySample(const CSoundInfo& sample, CCharString&) override {
        m_played.push_back(sample);
        return true;
    }
    CGenerator m_generator;
    std::vector<CSoundInfo> m_played;
};

class GeneratorDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_settings.wavePath = (m_folder.Path() + "/").c_str();
        g_messages.clear();
        SetMessageBoxHook(KeepMessage);
        ASSERT_TRUE(m_dialog.Create(nullptr, nullptr, CGeneratorDlg::kTitle));
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }

    void Type(CGeneratorDlg::CONTROL id, const char* text) { m_dialog.Field(id)->setText(text); }
    void Click(CGeneratorDlg::CONTROL id) {
        QTest::mouseClick(m_dialog.Button(id), Qt::LeftButton);
    }
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (int i = 0; i < m_dialog.List()->count(); ++i)
            rows.push_back(m_dialog.List()->item(i)->text().toStdString());
        return rows;
    }

    CTempFolder m_folder;
    APP_SETTINGS m_settings;
    CFakeHost m_host{m_settings};
    CGeneratorDlg m_dialog{m_host, nullptr};
};

TEST_F(GeneratorDlgTest, PlayMakesTheToneOfTheFieldsInTheStreamFormatAndSavesIt) {
    Type(CGeneratorDlg::kIdFrequency, "220");
    Type(CGeneratorDlg::kIdAttack, "0.05");
    Type(CGeneratorDlg::kIdSustain, "0.5");
    Type(CGeneratorDlg::kIdSustainFrom, "0.8");
    Type(CGeneratorDlg::kIdSustainTo, "0.2");
    for (int i = 0; i < 4; ++i) {
        m_dialog.SelectRow(0);
        Click(CGeneratorDlg::kIdDelete);
    }
    m_dialog.SelectRow(0);
    Type(CGeneratorDlg::kIdOctaves, "3");
    Type(CGeneratorDlg::kIdVolume, "0.5");
    Type(CGeneratorDlg::kIdPan, "-0.5");
    Click(CGeneratorDlg::kIdChange);
    Click(CGeneratorDlg::kIdPlay);
    ASSERT_EQ(m_host.m_played.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(m_folder.File("Generated.wav")));

    // The base tone peaks at 0.5; the harmonic scales its levels by its volume.
    GEN_SOUND_INFO base;
    base.frequency = 220.0;
    base.peak = 0.5;
    base.attack = 0.05;
    base.decay = 0.2;
    base.sustain = 0.5;
    base.release = 0.2;
    base.sustainStart = 0.4;
    base.sustainEnd = 0.1;
    GEN_SOUND_INFO harmonic = base;
    harmonic.frequency = 660.0;
    harmonic.peak = 0.25;
    harmonic.sustainStart = 0.2;
    harmonic.sustainEnd = 0.05;
    harmonic.pan = -0.5;
    CVarList<GEN_SOUND_INFO> tones;
    tones.Add(base);
    tones.Add(harmonic);
    CSoundInfo expected;
    expected.format = GetStreamFormat().format;
    ASSERT_TRUE(m_host.m_generator.Generate(tones, expected));

    const CSoundInfo& played = m_host.m_played[0];
    EXPECT_EQ(played.format.channels, 2);
    EXPECT_EQ(played.format.samplesPerSec, 44100u);
    ASSERT_EQ(played.size, expected.size);
    EXPECT_EQ(std::memcmp(played.GetBytes(), expected.GetBytes(), expected.size), 0);
}

TEST_F(GeneratorDlgTest, RowsAreAddedChangedAndDeletedKeepingTheSelection) {
    EXPECT_EQ(Rows(),
              (std::vector<std::string>{"0.25\t0.60\t-0.60", "0.50\t0.60\t0.60", "2.00\t0.60\t0.30",
                                        "3.00\t0.60\t-0.90", "4.00\t0.60\t0.90"}));
    m_dialog.SelectRow(1);
    Type(CGeneratorDlg::kIdOctaves, "5");
    Type(CGeneratorDlg::kIdVolume, "0.25");
    Type(CGeneratorDlg::kIdPan, "-1");
    Click(CGeneratorDlg::kIdAdd);
    ASSERT_EQ(Rows().size(), 6u);
    EXPECT_EQ(Rows()[5], "5.00\t0.25\t-1.00");
    EXPECT_EQ(m_dialog.GetSelectedRow(), 1);

    Type(CGeneratorDlg::kIdPan, "0.1");
    Click(CGeneratorDlg::kIdChange);
    EXPECT_EQ(Rows()[1], "5.00\t0.25\t0.10");
    EXPECT_EQ(m_dialog.GetSelectedRow(), 1);

    Click(CGeneratorDlg::kIdDelete);
    EXPECT_EQ(Rows()[1], "2.00\t0.60\t0.30");
    EXPECT_EQ(m_dialog.GetSelectedRow(), 1);
    m_dialog.SelectRow(4);
    Click(CGeneratorDlg::kIdDelete);
    EXPECT_EQ(Rows().size(), 4u);
    EXPECT_EQ(m_dialog.GetSelectedRow(), -1);
    EXPECT_TRUE(g_messages.empty());
}

struct BAD_FIELD {
    CGeneratorDlg::CONTROL field;
    const char* text;
    CGeneratorDlg::CONTROL button;
    const char* named; // in the message
};

TEST_F(GeneratorDlgTest, AFieldWithoutAFittingNumberChangesNothing) {
    const BAD_FIELD cases[] = {
        {CGeneratorDlg::kIdOctaves, "0", CGeneratorDlg::kIdAdd, "Octaves"},
        {CGeneratorDlg::kIdVolume, "0", CGeneratorDlg::kIdAdd, "Volume"},
        {CGeneratorDlg::kIdOctaves, "2x", CGeneratorDlg::kIdChange, "Octaves"},
        {CGeneratorDlg::kIdPan, "1.5", CGeneratorDlg::kIdAdd, "Pan"},
        {CGeneratorDlg::kIdPan, "", CGeneratorDlg::kIdAdd, "Pan"},
        {CGeneratorDlg::kIdFrequency, "44o", CGeneratorDlg::kIdPlay, "Frequency"},
        {CGeneratorDlg::kIdRelease, "-0.1", CGeneratorDlg::kIdPlay, "Release"},
        {CGeneratorDlg::kIdSustainTo, "nan", CGeneratorDlg::kIdPlay, "Sustain volume (to)"},
        // The 4.00 row would lie above half the rate.
        {CGeneratorDlg::kIdFrequency, "6000", CGeneratorDlg::kIdPlay, "24000.00 Hz"},
    };
    m_dialog.SelectRow(2);
    const std::vector<std::string> rows = Rows();
    for (const BAD_FIELD& bad : cases) {
        SCOPED_TRACE(bad.text);
        Type(CGeneratorDlg::kIdOctaves, "1");
        Type(CGeneratorDlg::kIdVolume, "1");
        Type(CGeneratorDlg::kIdPan, "0");
        Type(CGeneratorDlg::kIdFrequency, "440");
        Type(CGeneratorDlg::kIdRelease, "0.2");
        Type(CGeneratorDlg::kIdSustainTo, "0.4");
        Type(bad.field, bad.text);
        g_messages.clear();
        Click(bad.button);
        EXPECT_EQ(Rows(), rows);
        EXPECT_TRUE(m_host.m_played.empty());
        ASSERT_EQ(g_messages.size(), 1u);
        EXPECT_NE(g_messages[0].find(bad.named), std::string::npos) << g_messages[0];
    }
}

} // namespace

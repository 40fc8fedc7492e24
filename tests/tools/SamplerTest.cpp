// The Sample Recorder over a host that records nothing: the file a set, string and fret name,
// asking before an existing sample is recorded again, and "Too loud" while recording.
#include "tools/SamplerDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/core/TempFolder.h"
#include "theory/NoteManager.h"
#include "ui/MessageBox.h"

namespace {

int g_boxes = 0;
bool g_answer = false;

bool Answer(const char*, const char*, int, bool) {
    ++g_boxes;
    return g_answer;
}

class CTestSamplerHost : public CSamplerHost {
public:
    bool StartCapture(CCharString&) override { return true; }
    void StopCapture() override {}
    CNote GetLatestInputNote() const override { return latest; }
    CCharString GetCaptureError() const override { return CCharString(); }
    CNoteManager& GetNoteManager() override { return manager; }
    bool StartRecording(const char* path, CCharString&) override {
        recorded.push_back(path);
        return true;
    }
    bool StopRecording(CCharString&) override { return true; }
    CCharString GetSamplesFolder() const override { return folder.Path().c_str(); }

    CTempFolder folder;
    CNoteManager manager;
    CNote latest;
    std::vector<std::string> recorded;
};

class SamplerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_boxes = 0;
        SetMessageBoxHook(Answer);
        ASSERT_TRUE(sampler.Create(nullptr, nullptr, CSamplerDlg::kTitle));
        ASSERT_TRUE(sampler.ShowWnd(true));
    }
    void TearDown() override {
        // Stopping cleans up a file this host never wrote, and says so in a box.
        if (sampler.IsRecording())
            sampler.ToggleRecording();
        SetMessageBoxHook(nullptr);
    }
    void Choose(const char* name, int string, int fret) {
        sampler.SampleField()->setText(name);
        sampler.StringList()->setCurrentIndex(string - 1);
        sampler.FretList()->setCurrentIndex(fret);
    }
    void ClickRecord() { QTest::mouseClick(sampler.RecordButton(), Qt::LeftButton); }

    CTestSamplerHost host;
    CSamplerDlg sampler{host, nullptr};
};

TEST_F(SamplerTest, TheSetStringAndFretNameTheFileInTheSetsFolder) {
    const struct {
        const char* name;
        int string, fret;
        const char* file; // under the samples folder; empty: not a name
    } cases[] = {
        {"My Set", 2, 3, "My Set/My Set_2- 3.wav"},
        {" Nylon ", 6, 24, "Nylon/Nylon_6-24.wav"},
        {"", 1, 0, ""},
        {"..", 1, 0, ""},
        {"up/out", 1, 0, ""},
    };
    for (const auto& c : cases) {
        host.recorded.clear();
        Choose(c.name, c.string, c.fret);
        ClickRecord();
        const bool good = *c.file != 0;
        EXPECT_EQ(host.recorded, good ? std::vector<std::string>{host.folder.File(c.file)}
                                      : std::vector<std::string>{})
            << c.name;
        EXPECT_EQ(sampler.RecordButton()->isChecked(), good) << c.name;
        const std::string status = sampler.GetText(CSamplerDlg::kIdStatus).GetText();
        EXPECT_EQ(status.rfind(good ? "Recording" : "Type the name", 0), 0u) << status;
        if (good) {
            EXPECT_TRUE(std::filesystem::is_directory(
                std::filesystem::path(host.folder.File(c.file)).parent_path()))
                << "the set's folder is made";
            ClickRecord();
        }
    }
}

TEST_F(SamplerTest, AnExistingSampleIsRecordedAgainOnlyWhenTheUserSaysSo) {
    Choose("My Set", 1, 0);
    std::filesystem::create_directories(host.folder.File("My Set"));
    const std::string file = host.folder.Write("My Set/My Set_1- 0.wav", "kept");
    for (bool yes : {false, true}) {
        g_answer = yes;
        ClickRecord();
        EXPECT_EQ(g_boxes, yes ? 2 : 1);
        EXPECT_EQ(sampler.IsRecording(), yes);
        EXPECT_EQ(host.recorded.size(), yes ? 1u : 0u);
    }
    EXPECT_EQ(CTempFolder::Slurp(file), "kept") << "nothing written before the recording";
}

TEST_F(SamplerTest, TooLoudShowsWhileRecordingFromALevelOf095) {
    Choose("My Set", 1, 0);
    host.latest.m_volume = 0.95f;
    sampler.Refresh();
    EXPECT_STREQ(sampler.GetText(CSamplerDlg::kIdStatus), "") << "not recording";
    ClickRecord();
    host.latest.m_volume = 0.94f;
    sampler.Refresh();
    EXPECT_STREQ(sampler.GetText(CSamplerDlg::kIdStatus), "Recording");
    EXPECT_STREQ(sampler.GetText(CSamplerDlg::kIdVolume), "  0.94");
    host.latest.m_volume = 0.95f;
    sampler.Refresh();
    EXPECT_STREQ(sampler.GetText(CSamplerDlg::kIdStatus), "Too loud");
}

} // namespace

// The application as a user meets it: start, the windows, the menus and keys, close, and the
// next start. Each test runs in its own content root and settings file.
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "app/ServiceStubs.h"
#include "app/SettingsStore.h"
#include "render/SpacePainter.h"
#include "song/Mix.h"
#include "sound/VirtualDevice.h"
#include "tests/app/AppHarness.h"
#include "tools/MainWnd.h"
#include "tools/ShowScaleDlg.h"
#include "tools/SongEditorDlg.h"
#include "tools/SpacePainterWnd.h"
#include "tools/TextWnd.h"
#include "ui/AppIcon.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

namespace {

struct BOX {
    std::string text;
    std::string caption;
    int icon;
};
std::vector<BOX> g_boxes;

bool RecordBox(const char* text, const char* caption, int icon, bool) {
    g_boxes.push_back({text, caption, icon});
    return true;
}

// An output device that is not there.
class CGoneDevice : public CVirtualDevice {
public:
    AUDIO_RESULT Open(const uint8_t*, uint32_t, uint32_t) override { return -9996; }
};

class AppTest : public ::testing::Test, public CAppHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeContentRoot("<1>Welcome\r\nFirst page.\r\n"));
        ASSERT_TRUE(WriteIndex("Welcome~Welcome.txt\r\nModes~Modes.txt\r\n"));
        ASSERT_TRUE(WriteFile("Tutorials/Scales/Modes.txt", "<1>Modes\r\nSecond page.\r\n"));
        // The instrument samples of the build, when they were made, so that playback works.
        m_hasSamples = LinkBuildFolder("Sound");
        g_boxes.clear();
        Install(RecordBox);
    }
    void TearDown() override { Uninstall(); }

    bool Start(bool goneDevice = false) {
        return CAppHarness::Start([goneDevice]() -> std::unique_ptr<CAudioDevice> {
            if (goneDevice)
                return std::make_unique<CGoneDevice>();
            return std::make_unique<CVirtualDevice>();
        });
    }

    QRect ViewRect() const { return Frame()->GetMdiArea()->viewport()->rect(); }
    std::vector<BOX> BoxesOtherThanAudio() const {
        std::vector<BOX> boxes;
        for (const BOX& box : g_boxes)
            if (box.caption != "Audio Device Error")
                boxes.push_back(box);
        return boxes;
    }

    bool m_hasSamples = false;
};

TEST_F(AppTest, FirstRunTakesTheWorkAreaAndArrangesTheTools) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(m_center->IsFirstRun());
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(Frame()->frameGeometry(), QGuiApplication::primaryScreen()->availableGeometry());
    EXPECT_EQ(Frame()->GetTimerInterval(kTimerFrame), 33);
    EXPECT_EQ(Frame()->GetTimerInterval(kTimer100), 100);
    EXPECT_EQ(Frame()->GetTimerInterval(kTimerSecond), 1000);

    // Created in this order, and no other.
    const CVarList<CBaseWindow*>& windows = m_center->GetWindows();
    ASSERT_EQ(windows.GetCount(), 4u);
    EXPECT_EQ(windows[0]->GetKind(), kKindMixer);
    EXPECT_EQ(windows[1]->GetKind(), kKindText);
    EXPECT_EQ(windows[2]->GetKind(), kKindSpacePainter);
    EXPECT_EQ(windows[3]->GetKind(), kKindShowScale);

    const int W = ViewRect().width(), H = ViewRect().height();
    CBaseWindow* text = Window(kKindText);
    WND_RECT textRect;
    textRect.Set(0, 0, 400, 500);
    EXPECT_EQ(text->GetRect(), textRect);
    CBaseWindow* scale = Window(kKindShowScale);
    EXPECT_EQ(scale->GetRect().left, std::min(W - 100, 400));
    EXPECT_EQ(scale->GetRect().top, 0);
    CBaseWindow* band = Window(kKindSpacePainter);
    WND_RECT bandRect = band->GetRect();
    EXPECT_EQ(bandRect.left, std::min(scale->GetWidth() + 400, W - 100));
    EXPECT_EQ(bandRect.top, 0);
    EXPECT_EQ(bandRect.right, std::min(bandRect.left + static_cast<int>(1.5 * H), W));
    EXPECT_EQ(bandRect.Height(), static_cast<int>(bandRect.Width() * 0.75));
    CBaseWindow* mixer = Window(kKindMixer);
    EXPECT_EQ(mixer->GetRect().left, 0);
    EXPECT_EQ(mixer->GetRect().top, std::min(H - 100, 500));

    // Arranged over the client area the shown frame has left, not over the work area.
    for (CBaseWindow* window : windows)
        EXPECT_TRUE(ViewRect().contains(window->Frame()->geometry()))
            << window->GetKind() << " lies outside the area";

    EXPECT_FALSE(mixer->IsShown()) << "the Mixer starts hidden";
    EXPECT_TRUE(text->IsShown());
    EXPECT_TRUE(band->IsShown());
    EXPECT_TRUE(scale->IsShown());
    // The lesson index is in the Tutorial window's selector.
    auto* tutorial = dynamic_cast<CTextWnd*>(text);
    ASSERT_NE(tutorial, nullptr);
    ASSERT_EQ(tutorial->GetLessonCount(), 2);
    EXPECT_STREQ(tutorial->GetLessonTitle(1), "Modes");
    EXPECT_EQ(QString(tutorial->GetLessonPath(1)), m_root + "/Tutorials//Scales/Modes.txt");
    EXPECT_TRUE(BoxesOtherThanAudio().empty());
}

TEST_F(AppTest, EveryWindowShowsTheApplicationIcon) {
    ASSERT_TRUE(Start());
    const QIcon& icon = GetAppIcon();
    ASSERT_TRUE(icon.availableSizes().contains(QSize(16, 16)) &&
                icon.availableSizes().contains(QSize(256, 256)));
    EXPECT_EQ(Frame()->windowIcon().cacheKey(), icon.cacheKey());
    for (CBaseWindow* window : m_center->GetWindows())
        EXPECT_EQ(window->Frame()->windowIcon().cacheKey(), icon.cacheKey()) << window->GetKind();
}

TEST_F(AppTest, CloseWritesTheSettingsAndTheDefaultMix) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(QFile::exists(m_root + "/Sound/Default.mix")) << "a missing mix is not an error";
    Quit();
    QSettings raw(m_settingsFile, QSettings::IniFormat);
    for (const char* name : {"Data path", "MIDI path", "Wave path", "Temp path", "Sound path",
                             "Tutorial path", "Song path", "Groove root path", "Groove path"})
        EXPECT_TRUE(raw.contains(name)) << name;
    EXPECT_EQ(raw.childGroups().size(), 11);
    EXPECT_EQ(raw.value("Main Window/Window rectangle").toByteArray().size(), 16);
    EXPECT_EQ(raw.value("Mixer/Show window").toByteArray(), QByteArray("\x00", 1));
    // The mix written is the built-in one: the lead guitar a little left, the snare at 0.7.
    CMix mix;
    ASSERT_TRUE(mix.Load((m_root + "/Sound/Default.mix").toUtf8().constData()))
        << mix.GetError().GetText();
    float volume = 0, pan = 0;
    ASSERT_TRUE(mix.GetEntry(THING_LEAD_GUITAR, volume, pan));
    EXPECT_FLOAT_EQ(volume, 1.0f);
    EXPECT_FLOAT_EQ(pan, -0.2f);
    ASSERT_TRUE(mix.GetEntry(THING_SNARE_DRUM, volume, pan));
    EXPECT_FLOAT_EQ(volume, 0.7f);
}

// Installed: the program in usr/bin, its content in usr/share/modal-atlas. The user's own mix
// is read before the shipped one, and saved in the data home.
TEST_F(AppTest, InstalledProgramReadsAndSavesTheUsersMixInTheDataHome) {
    const QString bin = m_dir.filePath("usr/bin"), data = m_dir.filePath("data");
    const QString shipped = m_root + "/Sound/Default.mix";
    const QString mine = data + "/modal-atlas/Sound/Default.mix";
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(m_dir.filePath("usr/share")) &&
                QDir().mkpath(data + "/modal-atlas/Sound"));
    ASSERT_TRUE(QFile::link(m_root, m_dir.filePath("usr/share/modal-atlas")));
    OverrideExecutableFolder(bin.toUtf8().constData());
    const bool hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    auto restore = qScopeGuard(
        [&] { hadData ? qputenv("XDG_DATA_HOME", oldData) : qunsetenv("XDG_DATA_HOME"); });
    auto save = [](const QString& path, float volume) {
        CMix mix;
        return mix.SetDefaults() && mix.SetEntry(THING_LEAD_GUITAR, volume, 0.0f) &&
               mix.Save(path.toUtf8().constData());
    };
    auto lead = [](const QString& path) {
        CMix mix;
        float volume = -1.0f, pan = 0.0f;
        mix.Load(path.toUtf8().constData()) && mix.GetEntry(THING_LEAD_GUITAR, volume, pan);
        return volume;
    };
    ASSERT_TRUE(save(shipped, 0.5f) && save(mine, 0.3f));

    ASSERT_TRUE(Start());
    float volume = 0.0f, pan = 0.0f;
    ASSERT_TRUE(m_center->GetMix()->GetEntry(THING_LEAD_GUITAR, volume, pan));
    EXPECT_FLOAT_EQ(volume, 0.3f);
    ASSERT_TRUE(m_center->GetMix()->SetEntry(THING_LEAD_GUITAR, 0.2f, 0.0f));
    Quit();
    EXPECT_FLOAT_EQ(lead(mine), 0.2f);
    EXPECT_FLOAT_EQ(lead(shipped), 0.5f) << "shipped content is never written";
}

TEST_F(AppTest, SecondRunRestoresEveryPlacement) {
    ASSERT_TRUE(Start());
    Frame()->setGeometry(40, 30, 1000, 700);
    Window(kKindText)->SetRect(10, 10, 310, 410);
    Window(kKindShowScale)->SetRect(320, 0, 720, 380);
    Window(kKindSpacePainter)->SetRect(330, 20, 730, 320);
    Window(kKindMixer)->SetRect(5, 420, 605, 640);
    Window(kKindMixer)->ShowWnd(true);
    Window(kKindSpacePainter)->ShowWnd(false);
    Quit();

    ASSERT_TRUE(Start());
    EXPECT_FALSE(m_center->IsFirstRun());
    EXPECT_EQ(Frame()->geometry(), QRect(40, 30, 1000, 700));
    WND_RECT r;
    r.Set(10, 10, 310, 410);
    EXPECT_EQ(Window(kKindText)->GetRect(), r) << "not arranged again";
    r.Set(320, 0, 720, 380);
    EXPECT_EQ(Window(kKindShowScale)->GetRect(), r);
    r.Set(330, 20, 730, 320);
    EXPECT_EQ(Window(kKindSpacePainter)->GetRect(), r);
    r.Set(5, 420, 605, 640);
    EXPECT_EQ(Window(kKindMixer)->GetRect(), r);
    EXPECT_TRUE(Window(kKindMixer)->IsShown());
    EXPECT_FALSE(Window(kKindSpacePainter)->IsShown());
}

TEST_F(AppTest, MinimisedMainWindowKeepsItsLastRectangle) {
    ASSERT_TRUE(Start());
    Frame()->setGeometry(50, 60, 900, 650);
    Quit();
    ASSERT_TRUE(Start());
    Frame()->showMinimized();
    Quit();
    APP_SETTINGS s;
    LoadSettings(&s, kProductTitle, kAppNumber);
    WND_RECT expected;
    expected.Set(50, 60, 950, 710);
    EXPECT_EQ(s.mainRect, expected);
}

TEST_F(AppTest, HandEditedMidiPathIsUsedAndDataPathOverwritten) {
    {
        QSettings raw(m_settingsFile, QSettings::IniFormat);
        raw.setValue("MIDI path", m_dir.filePath("My MIDI") + "/");
        raw.setValue("Data path", "/nowhere/Data/");
    }
    ASSERT_TRUE(Start());
    EXPECT_EQ(QString(m_center->GetSettings()->midiPath), m_dir.filePath("My MIDI") + "/");
    EXPECT_EQ(QString(m_center->GetSettings()->dataPath), m_root + "/Data/");
    Quit();
    QSettings raw(m_settingsFile, QSettings::IniFormat);
    EXPECT_EQ(raw.value("Data path").toString(), m_root + "/Data/");
    EXPECT_EQ(raw.value("MIDI path").toString(), m_dir.filePath("My MIDI") + "/");
}

TEST_F(AppTest, BrokenLessonIndexFailsTheStartWithItsMessage) {
    ASSERT_TRUE(WriteIndex("Welcome~Welcome.txt\r\nModes~Modes.txt\r\nNo file named here\r\n"));
    EXPECT_FALSE(Start());
    ASSERT_TRUE(WaitFor([this] { return Frame()->IsFrameDestroyed(); }));
    std::vector<BOX> boxes = BoxesOtherThanAudio();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].icon, MB_ICON_STOP);
    EXPECT_NE(boxes[0].text.find("Can't read content file '"), std::string::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("line 3"), std::string::npos) << boxes[0].text;
    EXPECT_FALSE(Frame()->isVisible());
    Forget();
}

TEST_F(AppTest, MissingLessonIndexFailsTheStart) {
    QFile::remove(m_root + "/Tutorials/Scales/Scales Content.txt");
    EXPECT_FALSE(Start());
    std::vector<BOX> boxes = BoxesOtherThanAudio();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("Scales Content.txt': "), std::string::npos) << boxes[0].text;
    Forget();
}

TEST_F(AppTest, NoSoundDeviceShowsTheAudioBoxAndKeepsRunning) {
    m_captureFactory = [] {
        auto input = std::make_unique<CVirtualDevice>();
        input->SetInputPresent(false);
        return std::unique_ptr<CAudioDevice>(std::move(input));
    };
    ASSERT_TRUE(Start(true));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].caption, "Audio Device Error");
    EXPECT_EQ(g_boxes[0].icon, MB_ICON_STOP);
    EXPECT_EQ(g_boxes[0].text.rfind("Error initializing sound output:\n", 0), 0u)
        << g_boxes[0].text;
    EXPECT_NE(g_boxes[0].text.find("\nError initializing sound input:\nCan't open device "
                                   "\"Default input device\"\n\n"),
              std::string::npos)
        << g_boxes[0].text;
    EXPECT_NE(
        g_boxes[0].text.find("\nThe device may be disconnected.\nTry to connect the device and\n"
                             "select it again in Audio Settings."),
        std::string::npos);
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_TRUE(Frame()->AreTimersRunning());
    // Playing without a device says so in a "Sound Error" box and leaves playback off.
    CNoteList notes;
    CNote note;
    note.m_time = 0.0;
    note.m_duration = 0.5;
    note.m_midi = 40;
    note.m_thing = THING_BASS_GUITAR;
    notes.Add(note);
    EXPECT_FALSE(m_center->PlayNotes(notes, true, 1, 0.0, 0.0, 1, 0));
    EXPECT_FALSE(m_center->IsPlaying());
    ASSERT_EQ(g_boxes.size(), 2u);
    EXPECT_EQ(g_boxes[1].caption, "Sound Error");
    EXPECT_EQ(g_boxes[1].text.rfind("Can't play sound:\n", 0), 0u);
}

TEST_F(AppTest, ShowMenuShowsEachTool) {
    ASSERT_TRUE(Start());
    const std::pair<int, int> items[] = {{kCmdShowScale, kKindShowScale},
                                         {kCmdShowBand, kKindSpacePainter},
                                         {kCmdShowTutorial, kKindText},
                                         {kCmdShowMixer, kKindMixer}};
    for (auto [command, kind] : items) {
        CBaseWindow* window = Window(kind);
        window->ShowWnd(false);
        QAction* action = Frame()->GetAction(command);
        ASSERT_NE(action, nullptr) << command;
        action->trigger();
        EXPECT_TRUE(window->IsShown()) << "kind " << kind;
        EXPECT_TRUE(window->Frame()->isVisible()) << "kind " << kind;
        EXPECT_EQ(Frame()->GetMdiArea()->activeSubWindow(), window->Frame())
            << "brought to the top";
    }
    EXPECT_EQ(Frame()->GetAction(kCmdArrangeWindows)->text(), "&Arrange all windows");
}

TEST_F(AppTest, NoteNamesMenuRenamesTheToolAndKeepsTheChoice) {
    ASSERT_TRUE(Start());
    auto* tool = dynamic_cast<CShowScaleDlg*>(Window(kKindShowScale));
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(Frame()->GetAction(kCmdNoteNamesKey)->isChecked()) << "the default";
    tool->List(CShowScaleDlg::kIdRoot).SelectValue(51);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdChord).GetItemText(0), "1 - Eb");
    Frame()->GetAction(kCmdNoteNamesSharps)->trigger();
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdChord).GetItemText(0), "1 - D#");
    EXPECT_FALSE(Frame()->GetAction(kCmdNoteNamesKey)->isChecked());
    Quit();
    EXPECT_EQ(QSettings(m_settingsFile, QSettings::IniFormat).value("Show Scale/Note names"),
              QByteArray("\x01", 1));
}

TEST_F(AppTest, ArrangeAllWindowsPutsThemBack) {
    ASSERT_TRUE(Start());
    Window(kKindText)->SetRect(200, 200, 300, 300);
    Window(kKindMixer)->SetRect(300, 10, 500, 100);
    Frame()->GetAction(kCmdArrangeWindows)->trigger();
    WND_RECT text;
    text.Set(0, 0, 400, 500);
    EXPECT_EQ(Window(kKindText)->GetRect(), text);
    EXPECT_EQ(Window(kKindMixer)->GetRect().left, 0);
    EXPECT_EQ(Window(kKindMixer)->GetRect().top, std::min(ViewRect().height() - 100, 500));
}

TEST_F(AppTest, AboutBoxNamesTheProductAndVersion) {
    ASSERT_TRUE(Start());
    Frame()->GetAction(kCmdAbout)->trigger();
    std::vector<BOX> boxes = BoxesOtherThanAudio();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("Modal Atlas\nVersion 0.1", 0), 0u) << boxes[0].text;
}

TEST_F(AppTest, FunctionKeysShowTutorialAndBandFromAnyWindow) {
    ASSERT_TRUE(Start());
    Window(kKindText)->ShowWnd(false);
    Window(kKindSpacePainter)->ShowWnd(false);
    // The focus is in another tool: the keys still reach the main window first.
    QWidget* focus = Window(kKindShowScale);
    QTest::keyClick(focus, Qt::Key_F1);
    EXPECT_TRUE(Window(kKindText)->IsShown());
    EXPECT_FALSE(Window(kKindSpacePainter)->IsShown());
    QTest::keyClick(focus, Qt::Key_F2, Qt::ShiftModifier);
    EXPECT_TRUE(Window(kKindSpacePainter)->IsShown()) << "F2 with any modifier";
}

// Band pictures that answer every camera request with (thing, first fret, last fret) as the
// eye, and count the pictures they build.
class CCameraPictures : public CBandPictures {
public:
    bool Build(int, CRenderDevice*, CVertexBuffer*, std::vector<CPrimitive*>&,
               CCharString&) override {
        return ++m_builds, true;
    }
    void Forget() override {}
    bool HasBand() const override { return false; }
    bool GetCamera(int thing, int first, int last, VEC3& eye, VEC3& lookAt, VEC3& up) override {
        eye = VEC3(thing, first, last);
        lookAt = VEC3(0.0f, 0.0f, 100.0f);
        up = VEC3(0.0f, 1.0f, 0.0f);
        return true;
    }
    bool PoseNote(const CNote&, CCharString&) override { return true; }
    int m_builds = 0;
};

TEST_F(AppTest, ControlKeysDriveTheBandCamera) {
    ASSERT_TRUE(Start());
    auto* tutorial = dynamic_cast<CTextWnd*>(Window(kKindText));
    QWidget* focus = tutorial->GetSelector();
    CSpacePainter* scene = m_center->GetScene();
    EXPECT_EQ(scene->GetPicture(), 14);
    auto pictures = std::make_unique<CCameraPictures>();
    CCameraPictures* camera = pictures.get();
    scene->SetBandPictures(std::move(pictures));
    const std::pair<Qt::Key, VEC3> looks[] = {
        {Qt::Key_B, {36, 0, 12}}, {Qt::Key_R, {38, 0, 12}},    {Qt::Key_D, {1, 0, 12}},
        {Qt::Key_L, {39, 0, 12}}, {Qt::Key_0, {-11, 22, -33}},
    };
    for (auto [key, eye] : looks) {
        QTest::keyClick(focus, key, Qt::ControlModifier);
        EXPECT_EQ(scene->GetEye(), eye) << key;
    }
    QTest::keyClick(focus, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(camera->m_builds, 1) << "the current picture is built again";
    for (Qt::Key key : {Qt::Key_C, Qt::Key_T, Qt::Key_W})
        QTest::keyClick(focus, key, Qt::ControlModifier);
    EXPECT_TRUE(scene->IsAxesShown() && scene->IsOverlayShown() && scene->IsWireframe());
    const float distance = scene->GetDistance();
    QTest::keyClick(focus, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_LT(scene->GetDistance(), distance);
    QTest::keyClick(focus, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_GT(scene->GetDistance(), distance);
    EXPECT_EQ(tutorial->GetSelector()->currentIndex(), 0) << "the selector did not see the keys";
}

TEST_F(AppTest, AltF4ClosesAndAltEnterIsSwallowed) {
    ASSERT_TRUE(Start());
    QTest::keyClick(Window(kKindShowScale), Qt::Key_Return, Qt::AltModifier);
    QCoreApplication::processEvents();
    EXPECT_FALSE(Frame()->IsFrameDestroyed());
    QTest::keyClick(Window(kKindShowScale), Qt::Key_F4, Qt::AltModifier);
    ASSERT_TRUE(WaitFor([this] { return Frame()->IsFrameDestroyed(); }));
    EXPECT_TRUE(QFile::exists(m_settingsFile));
    Forget();
}

TEST_F(AppTest, KeyReleasePlaysTheBassNoteOfTheKey) {
    ASSERT_TRUE(Start());
    QWidget* focus = Window(kKindShowScale);
    QTest::keyPress(focus, Qt::Key_Q);
    EXPECT_EQ(m_center->GetLastSingleNote().m_midi, MIDI_NO_PITCH) << "nothing sounds on the press";
    QTest::keyRelease(focus, Qt::Key_Q);
    EXPECT_EQ(m_center->GetLastSingleNote().m_midi, 38) << "Q is the open D string";
    EXPECT_STREQ(m_center->GetLastSingleNote().m_sharpName, "D");
    EXPECT_EQ(m_center->GetLastSingleNote().m_thing, THING_BASS_GUITAR);
    QTest::keyClick(focus, Qt::Key_Apostrophe);
    EXPECT_EQ(m_center->GetLastSingleNote().m_midi, 43) << "' is the tenth fret of the A string";
    QTest::keyClick(focus, Qt::Key_Z);
    EXPECT_EQ(m_center->GetLastSingleNote().m_midi, 28);
    EXPECT_EQ(m_center->GetCurrentNotes().GetCount(), 3) << "each note joins the current notes";
    QTest::keyClick(focus, Qt::Key_Backslash);
    EXPECT_EQ(m_center->GetLastSingleNote().m_midi, 28) << "a key outside the neck plays nothing";
}

TEST_F(AppTest, NoteFromAnotherThreadIsPlayedAndFreed) {
    ASSERT_TRUE(Start());
    std::thread worker([this] {
        auto* note = new CNote();
        note->m_midi = 45;
        note->m_thing = THING_BASS_GUITAR;
        Frame()->PostUserMessage(kMsgPlayNote, 0, reinterpret_cast<intptr_t>(note));
    });
    worker.join();
    ASSERT_TRUE(WaitFor([this] { return m_center->GetLastSingleNote().m_midi == 45; }));
    EXPECT_STREQ(m_center->GetLastSingleNote().m_sharpName, "A");
}

TEST_F(AppTest, PlaybackStopsOnceItsEndTimeHasPassed) {
    if (!m_hasSamples)
        GTEST_SKIP() << "the instrument samples were not made in this build";
    ASSERT_TRUE(Start());
    ASSERT_TRUE(BoxesOtherThanAudio().empty());
    CNoteList notes;
    CNote note;
    note.m_time = 0.0;
    note.m_duration = 0.2;
    note.m_midi = 40;
    note.m_thing = THING_BASS_GUITAR;
    notes.Add(note);
    ASSERT_TRUE(m_center->PlayNotes(notes, true, 1, 0.1, 0.0, 1, 0)) << g_boxes.back().text;
    EXPECT_TRUE(m_center->IsPlaying());
    EXPECT_DOUBLE_EQ(m_center->GetPlayEndTime(), 0.3) << "the list's end plus the start offset";
    EXPECT_GE(m_center->GetPlayTime(), 0.0);
    ASSERT_TRUE(WaitFor([this] { return !m_center->IsPlaying(); }, 3000))
        << "stopped by the 33 ms tick";
    EXPECT_LT(m_center->GetPlayTime(), 0.0);

    // With a length per repeat the end is length x repeats; a zero end never stops.
    ASSERT_TRUE(m_center->PlayNotes(notes, false, 1, 0.0, 2.0, 4, 0));
    EXPECT_DOUBLE_EQ(m_center->GetPlayEndTime(), 8.0);
    m_center->Stop();
    CNoteList empty;
    ASSERT_TRUE(m_center->PlayNotes(empty, false, 1, 0.0, 0.0, 1, 0));
    EXPECT_DOUBLE_EQ(m_center->GetPlayEndTime(), 0.0);
    QTest::qWait(300);
    EXPECT_TRUE(m_center->IsPlaying()) << "an end time of 0 is never reached";
    m_center->Stop();
}

TEST_F(AppTest, TimersReachTheToolsAndDriveTheBandView) {
    ASSERT_TRUE(Start());
    // No tool of this application counts ticks; the 33 ms tick's own work shows that it runs:
    // its end-of-play check stops a playback whose end time has passed.
    CNoteList empty;
    ASSERT_TRUE(m_center->PlayNotes(empty, false, 1, 0.0, 0.1, 1, 0));
    ASSERT_TRUE(WaitFor([this] { return !m_center->IsPlaying(); }, 3000));
}

TEST_F(AppTest, FilesOpenInTheSongEditorWhichTheToolsMenuShows) {
    if (!LinkBuildFolder("Grooves"))
        GTEST_SKIP() << "the build made no grooves";
    ASSERT_TRUE(Start());
    EXPECT_FALSE(m_center->ShowWindowKind(kKindSongEditor, false)) << "made only when asked for";
    const QString groove = m_root + "/Grooves/Rock/2 Rock.mid";
    ASSERT_TRUE(m_center->OpenFile(groove.toUtf8().constData(), true)) << m_center->GetError();
    CBaseWindow* window = nullptr;
    ASSERT_TRUE(m_center->FindWindow(kKindSongEditor, &window));
    auto* editor = static_cast<CSongEditorDlg*>(window);
    EXPECT_TRUE(editor->IsShown());
    EXPECT_EQ(editor->GetGroove().m_header.name, "2 Rock");
    EXPECT_FALSE(m_center->OpenFile("/tmp/take.wav", true));
    editor->ShowWnd(false);
    QAction* item = Frame()->GetAction(kCmdShowSongEditor);
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_TRUE(editor->IsShown());
    EXPECT_EQ(m_center->GetWindows().GetCount(), 5u) << "one Song Editor";
}

TEST_F(AppTest, DefaultDrumMixFillsTheChannels) {
    ASSERT_TRUE(Start());
    const CNoteList& channels = m_center->GetChannels();
    ASSERT_EQ(channels.GetCount(), kChannelCount);
    for (int i = 0; i < kChannelCount; ++i)
        EXPECT_EQ(channels[i].m_thing, i);
    EXPECT_FLOAT_EQ(channels[THING_BASS_DRUM_2].m_pan, -0.2f);
    EXPECT_FLOAT_EQ(channels[THING_HIHAT_FOOT].m_volume, 0.6f);
    EXPECT_FLOAT_EQ(channels[THING_TOM_6].m_pan, 0.8f);
    EXPECT_FLOAT_EQ(channels[THING_SPLASH_CYMBAL_2].m_pan, 0.3f);
    EXPECT_FLOAT_EQ(channels[THING_LEAD_GUITAR].m_volume, 1.0f)
        << "other channels keep the note defaults";
    EXPECT_FLOAT_EQ(channels[THING_LEAD_GUITAR].m_pan, 0.0f);
}

// The real program, in this test's root, with its lock file in lockDir.
class ProgramTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        if (!QFile::exists(m_program))
            GTEST_SKIP() << "modal-atlas was not built";
    }
    QProcessEnvironment Environment(const QString& lockDir) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("MA_LOCK_DIR", lockDir);
        env.insert("MA_MESSAGE_BOXES", "print");
        env.insert("MA_SETTINGS_FILE", m_dir.filePath("first.ini"));
        env.insert("MA_LAUNCH_NS", "0");
        env.insert("MA_CONTENT_ROOT", m_root);
        return env;
    }
    const QString m_program = QString(MA_RUNTIME_DIR) + "/modal-atlas";
};

// Twice at once.
TEST_F(ProgramTest, SecondInstanceIsRefusedWhileTheFirstRuns) {
    const QString program = m_program;
    QProcessEnvironment env = Environment(m_dir.path());
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(
        WaitFor([&first] { return first.readAllStandardOutput().contains("startup-ms"); }, 20000))
        << first.readAllStandardError().toStdString();

    env.insert("MA_SETTINGS_FILE", m_dir.filePath("second.ini"));
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains(
        "[Modal Atlas] Another instance of\nthis application is running"));
    EXPECT_FALSE(QFile::exists(m_dir.filePath("second.ini")))
        << "the second start touched no settings";

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(20000));
    // The lock went with the first process: a new start runs and closes normally.
    env.insert("MA_EXIT_AFTER_START", "1");
    QProcess third;
    third.setProcessEnvironment(env);
    third.start(program, {});
    ASSERT_TRUE(third.waitForFinished(20000));
    EXPECT_EQ(third.exitCode(), 0);
    EXPECT_TRUE(third.readAllStandardOutput().contains("startup-ms"));
    EXPECT_TRUE(QFile::exists(m_dir.filePath("second.ini"))) << "this time the settings were saved";
}

// A folder that cannot hold the lock (here a file stands in its place, which stops root too)
// says nothing about another instance: the program says what is wrong and runs.
TEST_F(ProgramTest, ALockThatCannotBeMadeIsReportedAndTheProgramRuns) {
    const QString notAFolder = m_dir.filePath("not-a-folder");
    ASSERT_TRUE(QFile(notAFolder).open(QIODevice::WriteOnly));
    QProcessEnvironment env = Environment(notAFolder);
    env.insert("MA_EXIT_AFTER_START", "1");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(m_program, {});
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(program.readAllStandardOutput().contains("startup-ms"));
    const QString err = QString::fromUtf8(program.readAllStandardError());
    EXPECT_FALSE(err.contains("Another instance")) << err.toStdString();
    EXPECT_TRUE(err.contains(notAFolder + "/") && err.contains("Not a directory"))
        << err.toStdString();
}

} // namespace

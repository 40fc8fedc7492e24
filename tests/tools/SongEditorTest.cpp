// The Song Editor as a user drives it: grooves, parts, chords, playing, the song file with its
// save question, exports, recording and bad song files.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cmath>
#include <cstdio>
#include <map>

#include "song/Composition.h"
#include "song/MidiFile.h"
#include "tests/core/TempFolder.h"
#include "tests/song/MidiCsv.h"
#include "tests/tools/SongEditorTestHost.h"
#include "tools/NoteGridArea.h"
#include "tools/NoteGridWnd.h"
#include "tools/PartChordDlg.h"
#include "tools/SongPartDlg.h"

namespace {

namespace fs = std::filesystem;
using ED = CSongEditorDlg;

class SongEditorTest : public ::testing::Test {
protected:
    explicit SongEditorTest(bool withSound = false) : host(withSound) {}
    void SetUp() override {
        if (!fs::exists(fs::path(MA_RUNTIME_DIR) / "Grooves/Rock/2 Rock.mid"))
            GTEST_SKIP() << "the build made no grooves";
        ASSERT_TRUE(temp.isValid());
        settings.grooveRootPath = MA_RUNTIME_DIR "/Grooves/";
        settings.userGrooveRootPath = Path("User Grooves/").c_str();
        settings.songPath = settings.wavePath = settings.midiPath = Path("").c_str();
        settings.musicEditor.playSelected = 0;
        editor = std::make_unique<ED>(host, &settings);
        ASSERT_TRUE(editor->Create(nullptr, nullptr, "Song Editor"));
    }
    std::string Path(const char* name) const { return temp.filePath(name).toStdString(); }

    // What a click on a list row does.
    void Pick(ED::CONTROL list, const char* text) {
        auto* widget = static_cast<QListWidget*>(editor->List(list).Control());
        auto found = widget->findItems(text, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << text;
        widget->setCurrentItem(found[0]);
    }
    void Menu(int item) {
        QAction* action = editor->Action(item);
        ASSERT_NE(action, nullptr) << item;
        action->trigger();
    }
    void Click(ED::CONTROL button) { QTest::mouseClick(editor->Button(button), Qt::LeftButton); }
    void Toggle(ED::CONTROL box) { ClickLabel(editor->Check(box)); }
    void PickGroove(const char* style, const char* name) {
        static_cast<QComboBox*>(editor->List(ED::kIdStyle).Control())->setCurrentText(style);
        Pick(ED::kIdGrooves, name);
    }
    // "New part" answered with the name; the part takes the groove shown.
    void NewPart(const char* name) {
        dialogs.answers.push_back([name](QDialog& d) {
            Type(d, CSongPartDlg::kIdName, name);
            Press(d, QDialogButtonBox::Ok);
        });
        Menu(ED::kCmdNewPart);
    }
    // "Add chord to the end" answered with a chord on a degree of the part's scale.
    void AddScaleChord(int degree) {
        dialogs.answers.push_back([degree](QDialog& d) {
            auto& dialog = static_cast<CPartChordDlg&>(d);
            dialog.List(CPartChordDlg::kIdDegree).SelectValue(degree);
            Press(d, QDialogButtonBox::Ok);
        });
        Menu(ED::kCmdAddChord);
    }
    void AnswerText(const char* text) {
        dialogs.answers.push_back([text](QDialog& d) {
            Type(d, 1349, text);
            Press(d, QDialogButtonBox::Ok);
        });
    }
    // A song of one part "A" over "Rock/2 Rock" with the given degrees of C major.
    void MakeOnePartSong(std::initializer_list<int> degrees) {
        PickGroove("Rock", "2 Rock");
        NewPart("A");
        for (int degree : degrees)
            AddScaleChord(degree);
        Pick(ED::kIdParts, "A");
    }
    bool Shown(const char* text) const {
        for (const SHOWN_MESSAGE& m : messages.shown)
            if (m.text == text)
                return true;
        return false;
    }

    CRecordingEditorHost host;
    QTemporaryDir temp;
    APP_SETTINGS settings;
    CMessageScript messages;
    CFileScript files;
    CDialogScript dialogs;
    std::unique_ptr<ED> editor;
};

bool OnGrid(double time, double step) {
    return std::fabs(time / step - std::round(time / step)) < 1e-6;
}

TEST_F(SongEditorTest, PlayingAPartWithoutChordsOrWithoutAPartStartsNothing) {
    Click(ED::kIdPlayPart);
    EXPECT_EQ(messages.Last(), "Please select the part to play");
    MakeOnePartSong({});
    Click(ED::kIdPlayPart);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, "Song part must have at least one chord");
    EXPECT_EQ(messages.shown.back().caption, "No chords");
    EXPECT_EQ(host.playCalls, 0);
    EXPECT_EQ(editor->GetPlaying(), ED::kNone);
}

TEST_F(SongEditorTest, RobotPlaysOnTheGridAndBeginnerSpreadsTimeAndVolume) {
    MakeOnePartSong({1, 4});
    editor->List(ED::kIdHuman).SelectText("Robot");
    Click(ED::kIdPlayPart);
    ASSERT_EQ(editor->GetPlaying(), ED::kPart);
    EXPECT_EQ(editor->Button(ED::kIdPlayPart)->text(), "Stop");
    const double sixteenth = editor->GetComposition().m_header.beatTime / 4;
    int drums = 0;
    for (const CNote& note : host.played)
        if (note.m_thing <= THING_CHINESE_CYMBAL_2 || note.m_thing == THING_BASS_GUITAR) {
            ++drums;
            EXPECT_TRUE(OnGrid(note.m_time, sixteenth)) << note.m_time;
        }
    EXPECT_GT(drums, 8);
    Click(ED::kIdPlayPart);
    EXPECT_EQ(editor->GetPlaying(), ED::kNone) << "a second press stops";

    editor->List(ED::kIdHuman).SelectText("Beginner");
    EXPECT_FLOAT_EQ(settings.musicEditor.humanization, 1.0f);
    EXPECT_DOUBLE_EQ(editor->GetVolumeSpread(), 0.3);
    EXPECT_DOUBLE_EQ(editor->GetTimeSpread(), 0.3);
    Click(ED::kIdPlayPart);
    int offGrid = 0;
    for (const CNote& note : host.played)
        if (note.m_thing <= THING_CHINESE_CYMBAL_2 && !OnGrid(note.m_time, sixteenth))
            ++offGrid;
    EXPECT_GT(offGrid, drums / 2);
}

TEST_F(SongEditorTest, UncheckingBassSilencesItButTheSavedSongKeepsIt) {
    MakeOnePartSong({1, 5});
    Menu(ED::kCmdAddPartToSong);
    Toggle(ED::kIdBass);
    ASSERT_FALSE(editor->Check(ED::kIdBass)->isChecked());
    Click(ED::kIdPlaySong);
    ASSERT_FALSE(host.played.IsEmpty());
    for (const CNote& note : host.played)
        ASSERT_NE(note.m_thing, THING_BASS_GUITAR);
    ASSERT_TRUE(editor->GetComposition().SaveMidi(host.GetComposer(), Path("a.mid").c_str()));
    CSong back;
    CMidiFile reader;
    ASSERT_TRUE(reader.Load(Path("a.mid").c_str(), back));
    ASSERT_NE(back.FindTrack(THING_BASS_GUITAR), nullptr);
    EXPECT_GT(back.FindTrack(THING_BASS_GUITAR)->GetCount(), 0);
}

TEST_F(SongEditorTest, TheOnlyMeasureStaysAndTheGridCapacityHolds) {
    PickGroove("Rock", "2 Rock");
    AnswerText("Sketch");
    dialogs.answers.push_back([](QDialog& d) { Press(d, QDialogButtonBox::Ok); }); // 4/4, 1 bar
    Menu(ED::kCmdNewGroove);
    ASSERT_EQ(editor->GetGroove().m_header.measureCount, 1);
    emit editor->GetNoteArea()->Command(CNoteArea::kCmdDeleteLastMeasure);
    EXPECT_EQ(messages.shown.back().text, "Can't delete the only measure");
    EXPECT_EQ(messages.shown.back().caption, "Delete Last Measure");
    emit editor->GetNoteArea()->Command(CNoteArea::kCmdAddMeasure); // 32 cells
    emit editor->GetNoteArea()->Command(CNoteArea::kCmdAddMeasure); // 48 would not fit
    EXPECT_EQ(messages.Last(), "Too many notes.\nCan not add another measure.");
    EXPECT_EQ(editor->GetGroove().m_header.measureCount, 2);
    messages.answers.push_back(true);
    emit editor->GetNoteArea()->Command(CNoteArea::kCmdDeleteLastMeasure);
    EXPECT_EQ(messages.Last(), "The last measure will be deleted.\nDo you want to delete it?");
    EXPECT_EQ(editor->GetGroove().m_header.measureCount, 1);
}

// A click in the drum grid of a new groove, kept through the switch to the staff, is saved when
// the user leaves the groove; our reader and midicsv find the note at its tick, key and velocity.
TEST_F(SongEditorTest, AClickInTheDrumGridIsSavedToTheGroovesMidiFile) {
    // A library of its own: saving writes into a writable library folder.
    fs::create_directories(Path("Grooves/Rock"));
    fs::copy_file(fs::path(MA_RUNTIME_DIR) / "Grooves/Rock/2 Rock.mid",
                  Path("Grooves/Rock/2 Rock.mid"));
    editor->GetLibrary().SetFolders(Path("Grooves").c_str(), Path("User Grooves").c_str());
    PickGroove("Rock", "2 Rock");
    AnswerText("Sketch");
    dialogs.answers.push_back([](QDialog& d) { Press(d, QDialogButtonBox::Ok); }); // 4/4, 1 bar
    Menu(ED::kCmdNewGroove);
    editor->ShowWnd(true);
    editor->resize(1000, 680);
    QTest::qWait(20);
    auto* area = static_cast<CNoteGridArea*>(editor->GetNoteArea());
    CNoteGridWnd* grid = area->GetView(CNoteGridArea::kDrums);
    const int snare = grid->GetGrid().FindRowOfNote(38);
    ASSERT_GE(snare, 0);
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellRect({snare, 1, 2}).center());
    EXPECT_TRUE(editor->IsGrooveChanged());
    ClickLabel(area->GetStaffBox(CNoteGridArea::kDrums));
    ASSERT_NE(area->GetView(CNoteGridArea::kDrums), grid);
    EXPECT_TRUE(editor->IsGrooveChanged()) << "the edit goes along to the staff";

    messages.answers.push_back(true);
    PickGroove("Rock", "2 Rock");
    EXPECT_TRUE(Shown("The groove was changed.\nDo you want to save the changes?"));
    const std::string path = Path("Grooves/Rock/Sketch.mid");
    ASSERT_TRUE(fs::exists(path)) << messages.Last();

    CSong saved;
    CMidiFile file;
    ASSERT_TRUE(file.Load(path.c_str(), saved)) << file.GetError().GetText();
    const double beat = saved.m_header.beatTime;
    CNoteList hits;
    for (int t = 0; t < saved.GetTrackCount(); ++t)
        for (const CNote& note : saved[t].m_notes)
            if (note.m_volume > 0.0f)
                hits.Append(note);
    ASSERT_EQ(hits.GetCount(), 1);
    EXPECT_NEAR(hits[0].m_time, 1.5 * beat, 1e-3) << "beat 2, third sixteenth";
    EXPECT_EQ(hits[0].m_thing, THING_SNARE_DRUM);
    const int velocity = static_cast<int>(CNoteGridWnd::kNewNoteVolume * 127 + 0.5);
    EXPECT_NEAR(hits[0].m_volume, velocity / 127.0f, 1e-6);

    int status = 0;
    std::vector<std::string> ons;
    for (const auto& row : MidiCsv(path, status))
        if (row.size() >= 6 && row[2] == "Note_on_c" && row[5] != "0")
            ons.push_back(row[1] + " " + row[3] + " " + row[4] + " " + row[5]);
    ASSERT_EQ(status, 0) << "midicsv failed (is it installed? scripts/install-deps)";
    // Tick, channel (drums on 9), key (snare 38), velocity.
    EXPECT_EQ(ons, std::vector<std::string>{"1440 9 38 " + std::to_string(velocity)});
}

TEST_F(SongEditorTest, ChangedSongAsksBeforeItCloses) {
    MakeOnePartSong({1});
    Menu(ED::kCmdAddPartToSong);
    AnswerText("Tune");
    files.paths.push_back(Path("Tune.Song"));
    Menu(ED::kCmdSaveSong);
    ASSERT_TRUE(fs::exists(Path("Tune.Song")));
    const size_t before = messages.shown.size();
    AnswerText("Next");
    Menu(ED::kCmdNewSong);
    EXPECT_EQ(messages.shown.size(), before) << "an unchanged song closes without a question";
    EXPECT_EQ(editor->GetComposition().m_name, "Next");

    // Open it again, change the repeat, and answer No: the file keeps what was saved.
    files.paths.push_back(Path("Tune.Song"));
    Menu(ED::kCmdOpenSong);
    ASSERT_EQ(editor->GetComposition().GetPartCount(), 1);
    editor->Edit(ED::kIdRepeat)->setText("3");
    QTest::keyClick(editor->Edit(ED::kIdRepeat), Qt::Key_Return);
    ASSERT_TRUE(editor->GetComposition().IsModified());
    messages.answers.push_back(false);
    AnswerText("Other");
    Menu(ED::kCmdNewSong);
    EXPECT_EQ(messages.shown.back().text, "The song has been changed.\rSave the changes?");
    EXPECT_EQ(messages.shown.back().caption, "Tune");
    EXPECT_EQ(editor->GetComposition().m_name, "Other");
    CComposition onDisk;
    ASSERT_TRUE(onDisk.Load(Path("Tune.Song").c_str()));
    EXPECT_EQ(onDisk.m_repeat, 1);
    EXPECT_EQ(editor->GetGroove().m_header.name, "2 Rock") << "the groove was not asked about";

    // Changed again, and Yes saves before the next song opens.
    files.paths.push_back(Path("Tune.Song"));
    Menu(ED::kCmdOpenSong);
    editor->Edit(ED::kIdRepeat)->setText("2");
    QTest::keyClick(editor->Edit(ED::kIdRepeat), Qt::Key_Return);
    messages.answers.push_back(true);
    AnswerText("Third");
    Menu(ED::kCmdNewSong);
    ASSERT_TRUE(onDisk.Load(Path("Tune.Song").c_str()));
    EXPECT_EQ(onDisk.m_repeat, 2);
}

struct BAD_SONG {
    const char* what;
    const char* part; // the part block, written after a good information block
    const char* says;
    int line;
};

TEST_F(SongEditorTest, BadSongFilesNameFileAndLineAndChangeNothing) {
    MakeOnePartSong({1});
    const std::string good = "Start of Song Info= \r\nName=Bad\r\nTempo=100.00\r\nRepeat=1\r\n"
                             "Parts=V~1^\r\nEnd of Song Info= \r\n\r\n\r\n";
    const BAD_SONG cases[] = {
        {"missing groove",
         "Start of Song Part= \r\nName=V\r\nGroove file=/nowhere/Rock/9 Gone.mid\r\n"
         "Scale=Major\r\nChords=48/0/1,\r\nEnd of Song Part= \r\n\r\n\r\n",
         "Can't find groove (/nowhere/Rock/9 Gone.mid) of song part (V)", 11},
        {"unknown scale",
         "Start of Song Part= \r\nName=V\r\nScale=Majestic\r\nChords=48/0/1,\r\n"
         "End of Song Part= \r\n\r\n\r\n",
         "Can't load part: Unknown scale (Majestic)", 11},
        {"truncated part", "Start of Song Part= \r\nName=V\r\nScale=Major\r\n",
         "Can't load part: Song part (V) ends before its \"End of Song Part\" line", 11},
    };
    for (const BAD_SONG& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Path((std::string(c.what) + ".Song").c_str());
        CTempFolder::Put(path, good + c.part);
        files.paths.push_back(path);
        Menu(ED::kCmdOpenSong);
        const std::string expected =
            "Can't open song:\n" + path + ", line " + std::to_string(c.line) + ": " + c.says;
        EXPECT_EQ(messages.Last(), expected);
        EXPECT_EQ(editor->GetComposition().GetPartCount(), 1);
        EXPECT_EQ(editor->GetComposition().GetPart(0)->m_name, "A");
    }
}

TEST_F(SongEditorTest, ShowNotesShrinksToTheLeftColumnAndRestores) {
    editor->ShowWnd(true);
    const QSize full = editor->Frame()->size();
    Toggle(ED::kIdShowNotes);
    EXPECT_FALSE(editor->GetNoteArea()->isVisible());
    EXPECT_EQ(settings.musicEditor.showNoteGrid, 0);
    EXPECT_LT(editor->Frame()->width(), full.width() / 2);
    EXPECT_GE(editor->GetClientHeight(), ED::kLeftHeight);
    Toggle(ED::kIdShowNotes);
    EXPECT_TRUE(editor->GetNoteArea()->isVisible());
    EXPECT_EQ(editor->Frame()->size(), full);
}

TEST_F(SongEditorTest, ShippedGroovesAreNeverDeletedAndTheUsersAre) {
    const fs::path mine = Path("User Grooves/Mine/Loop.mid");
    fs::create_directories(mine.parent_path());
    fs::copy_file(fs::path(MA_RUNTIME_DIR) / "Grooves/Rock/1 Rock.mid", mine);
    editor = std::make_unique<ED>(host, &settings);
    ASSERT_TRUE(editor->Create(nullptr, nullptr, "Song Editor"));
    PickGroove("Rock", "1 Rock");
    Menu(ED::kCmdDeleteGroove);
    EXPECT_EQ(messages.Last(), "This groove comes with the program and can't be deleted.");
    PickGroove("Mine", "Loop");
    messages.answers.push_back(true);
    Menu(ED::kCmdDeleteGroove);
    EXPECT_EQ(messages.Last(),
              "This groove will be permanently deleted.\nDo you want to delete it?");
    EXPECT_FALSE(fs::exists(mine));
    EXPECT_TRUE(fs::exists(fs::path(MA_RUNTIME_DIR) / "Grooves/Rock/1 Rock.mid"));
}

class SongEditorSoundTest : public SongEditorTest {
protected:
    SongEditorSoundTest() : SongEditorTest(true) {}
    void SetUp() override {
        SongEditorTest::SetUp();
        if (!IsSkipped() && host.GetRenderer() == nullptr)
            GTEST_SKIP() << "the build made no sample sets";
    }
};

// Notes that sound (velocity above 0) per track of a file, as midicsv reads it.
std::map<int, int> MidicsvNoteOns(const std::string& path) {
    std::map<int, int> counts;
    FILE* pipe = popen(("midicsv '" + path + "'").c_str(), "r");
    if (!pipe)
        return counts;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        int track = 0, time = 0, channel = 0, key = 0, velocity = 0;
        if (std::sscanf(line, "%d, %d, Note_on_c, %d, %d, %d", &track, &time, &channel, &key,
                        &velocity) == 5 &&
            velocity > 0)
            ++counts[track];
    }
    pclose(pipe);
    return counts;
}

TEST_F(SongEditorSoundTest, RoundTripNewSongSaveOpenExportMidiAndWave) {
    AnswerText("Round Trip");
    Menu(ED::kCmdNewSong);
    MakeOnePartSong({1, 6, 4, 5});
    PickGroove("Funk", "1 Funk");
    NewPart("B");
    Pick(ED::kIdParts, "B");
    for (int degree : {2, 5, 1, 1})
        AddScaleChord(degree);
    for (const char* name : {"A", "A", "B", "A"}) {
        Pick(ED::kIdParts, name);
        Menu(ED::kCmdAddPartToSong);
    }
    ASSERT_EQ(editor->GetComposition().GetOrderCount(), 4);
    files.paths.push_back(Path("Round Trip.Song"));
    Menu(ED::kCmdSaveSong);
    AnswerText("Empty");
    Menu(ED::kCmdNewSong);
    ASSERT_EQ(editor->GetComposition().GetPartCount(), 0);
    files.paths.push_back(Path("Round Trip.Song"));
    Menu(ED::kCmdOpenSong);
    ASSERT_EQ(editor->GetComposition().GetOrderCount(), 4);
    AnswerText("Round Trip");
    files.paths.push_back(Path("Round Trip.mid"));
    Menu(ED::kCmdSaveMidi);
    AnswerText("Round Trip");
    files.paths.push_back(Path("Round Trip.wav"));
    Menu(ED::kCmdSaveWave);
    ASSERT_TRUE(fs::exists(Path("Round Trip.mid"))) << messages.Last();
    ASSERT_TRUE(fs::exists(Path("Round Trip.wav"))) << messages.Last();

    // Each track holds three times part A's notes and once part B's.
    CComposition& song = editor->GetComposition();
    CSong a, b;
    ASSERT_TRUE(song.FindPart("A")->MakeSong(host.GetComposer(), a));
    ASSERT_TRUE(song.FindPart("B")->MakeSong(host.GetComposer(), b));
    CSong back;
    CMidiFile reader;
    ASSERT_TRUE(reader.Load(Path("Round Trip.mid").c_str(), back)) << reader.GetError().GetText();
    const std::map<int, int> csv = MidicsvNoteOns(Path("Round Trip.mid"));
    for (THING instrument :
         {THING_DRUM_SET, THING_BASS_GUITAR, THING_RHYTHM_GUITAR, THING_LEAD_GUITAR}) {
        const CTrack* track = back.FindTrack(instrument);
        ASSERT_NE(track, nullptr) << GetThingName(instrument);
        const int expected =
            3 * a.FindTrack(instrument)->GetCount() + b.FindTrack(instrument)->GetCount();
        EXPECT_EQ(track->GetCount(), expected) << GetThingName(instrument);
        EXPECT_EQ(csv.count(track->m_trackNumber) ? csv.at(track->m_trackNumber) : -1, expected)
            << GetThingName(instrument);
    }

    CSong composed;
    ASSERT_TRUE(song.Compose(host.GetComposer(), composed));
    const double length = composed.m_header.measureCount * composed.m_header.GetMeasureTime();
    CSoundInfo wave;
    CSoundFile file;
    ASSERT_TRUE(file.Read(Path("Round Trip.wav").c_str(), wave));
    const double seconds = double(wave.size) / wave.format.avgBytesPerSec;
    EXPECT_NEAR(seconds, length, composed.m_header.beatTime);
    double sum = 0;
    for (uint32_t i = 0; i < wave.GetValueCount(); ++i)
        sum += double(wave.GetValues()[i]) * wave.GetValues()[i];
    EXPECT_GT(std::sqrt(sum / wave.GetValueCount()), 300.0) << "not silent";
}

TEST_F(SongEditorSoundTest, RecordSongStoppedEarlyKeepsBothRecordingsAndMixesThem) {
    MakeOnePartSong({1, 5});
    Menu(ED::kCmdAddPartToSong);
    QTest::mouseClick(editor->findChild<CRecordButton*>(), Qt::LeftButton);
    ASSERT_EQ(editor->GetPlaying(), ED::kRecord);
    EXPECT_NE(host.inputPath.find(") Input.wav"), std::string::npos) << host.inputPath;
    EXPECT_EQ(host.inputPath.rfind(temp.path().toStdString(), 0), 0u) << "the WAVE folder";
    files.paths.push_back(Path("Take 1.wav"));
    QTest::mouseClick(editor->findChild<CRecordButton*>(), Qt::LeftButton);
    EXPECT_EQ(editor->GetPlaying(), ED::kNone);
    EXPECT_TRUE(fs::exists(host.inputPath));
    EXPECT_TRUE(fs::exists(host.playbackPath));
    EXPECT_TRUE(fs::exists(Path("Take 1.wav"))) << messages.Last();
    EXPECT_FALSE(fs::exists(Path("Mixed.wav")));
}

// Pictures for a person to look at, kept with MA_SCREENSHOT_DIR set.
TEST_F(SongEditorTest, Pictures) {
    const char* folder = std::getenv("MA_SCREENSHOT_DIR");
    if (!folder)
        GTEST_SKIP() << "MA_SCREENSHOT_DIR is not set";
    MakeOnePartSong({1, 6, 2, 5});
    Menu(ED::kCmdAddPartToSong);
    Menu(ED::kCmdAddPartToSong);
    editor->ShowWnd(true);
    editor->resize(1000, 680);
    QTest::qWait(50);
    EXPECT_TRUE(editor->grab().save(QString(folder) + "/song-editor.png"));
    auto* area = static_cast<CNoteGridArea*>(editor->GetNoteArea());
    for (int v = 0; v < CNoteGridArea::kViews; ++v)
        area->SetStaff(static_cast<CNoteGridArea::VIEW>(v), true);
    QTest::qWait(50);
    EXPECT_TRUE(editor->grab().save(QString(folder) + "/song-editor-staffs.png"));
    CChord chord;
    CPartChordDlg scale(chord, *editor->GetComposition().GetPart(0), host.GetNoteManager());
    scale.List(CPartChordDlg::kIdDegree).SelectValue(2);
    scale.show();
    QTest::qWait(20);
    EXPECT_TRUE(scale.grab().save(QString(folder) + "/chord-scale.png"));
    ClickLabel(scale.ModeButton(CPartChordDlg::kSpecificChord));
    scale.List(CPartChordDlg::kIdRoot).SelectText("E");
    scale.List(CPartChordDlg::kIdAccidental).SelectText("b");
    QTest::qWait(20);
    EXPECT_TRUE(scale.grab().save(QString(folder) + "/chord-specific.png"));
}

} // namespace

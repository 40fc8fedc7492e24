#include "tools/TutorialCommand.h"

#include <gtest/gtest.h>

#include "LessonTestHost.h"
#include "theory/ScaleTables.h"
#include "ui/BaseWindow.h"

namespace {

constexpr const char* kGrooves = "/content/Grooves/";
constexpr const char* kSongs = "/content/Songs/";

CTutorialCommand Parsed(const char* text) {
    CTutorialCommand command;
    EXPECT_TRUE(command.Parse(text, kGrooves, kSongs))
        << text << ": " << command.GetError().GetText();
    return command;
}

// ------------------------------------------------------------------ parsing

struct FLAG_CASE {
    const char* value;
    bool on;
};

class PlayFlag : public ::testing::TestWithParam<FLAG_CASE> {};

TEST_P(PlayFlag, OnlyTheExactYPlays) {
    CCharString text;
    text.Format("Scale=Major|Play=%s", GetParam().value);
    EXPECT_EQ(Parsed(text).m_options.play, GetParam().on) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, PlayFlag,
                         ::testing::Values(FLAG_CASE{"Y", true}, FLAG_CASE{"y", false},
                                           FLAG_CASE{"Yes", false}, FLAG_CASE{"N", false}));

class ShowNotesFlag : public ::testing::TestWithParam<FLAG_CASE> {};

TEST_P(ShowNotesFlag, AnyValueBeginningWithYTurnsItOn) {
    CCharString text;
    text.Format("Scale=Major|ShowNotes=%s", GetParam().value);
    EXPECT_EQ(Parsed(text).m_showNotes, GetParam().on) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, ShowNotesFlag,
                         ::testing::Values(FLAG_CASE{"Y", true}, FLAG_CASE{"Yes", true},
                                           FLAG_CASE{"Yonder", true}, FLAG_CASE{"yes", false},
                                           FLAG_CASE{"No", false}));

TEST(TutorialCommandParse, DefaultsNameNothing) {
    CTutorialCommand command = Parsed("Scale=Dorian");
    EXPECT_EQ(command.m_request.scale, 3); // the third scale of the list
    EXPECT_EQ(command.m_request.position, -1);
    EXPECT_TRUE(command.m_request.style.IsEmpty());
    EXPECT_TRUE(command.m_request.groove.IsEmpty());
    EXPECT_EQ(command.m_request.tempo, 0.0);
    EXPECT_EQ(command.m_options.chordDegree, 0);
    EXPECT_EQ(command.m_options.chordGroup, 0);
    EXPECT_FALSE(command.m_options.play);
    EXPECT_TRUE(command.m_options.viewPosition);
    EXPECT_FALSE(command.m_options.viewNeck);
    EXPECT_EQ(command.m_lookAt, THING_NONE);
    EXPECT_TRUE(command.m_file.IsEmpty());
    EXPECT_TRUE(command.m_showNotes);
}

TEST(TutorialCommandParse, EveryKeySetsItsField) {
    CTutorialCommand command =
        Parsed("Scale=Blues|Root=Eb|Position=11|FromNote=52|ToNote=76|Style=Blues|Groove=1 "
               "Shuffle|Tempo=90|NoteLength=8|ChordProg=I-VI-II-V|Walk=1-3-2-4|ChordNumber=5|"
               "ChordGroup=Triad|LookAt=Lead guitar");
    EXPECT_EQ(command.m_request.scale, 15);
    EXPECT_EQ(command.m_options.rootName, "Eb");
    EXPECT_EQ(command.m_request.position, 11);
    EXPECT_EQ(command.m_request.lowest, 52);
    EXPECT_EQ(command.m_request.highest, 76);
    EXPECT_EQ(command.m_request.style, "Blues");
    EXPECT_EQ(command.m_request.groove, "1 Shuffle");
    EXPECT_DOUBLE_EQ(command.m_request.tempo, 90.0);
    EXPECT_NEAR(command.m_request.beatTime, 60.0 / 90.0, 1e-12);
    EXPECT_EQ(command.m_request.noteLength, 8);
    EXPECT_EQ(command.m_request.progression, 2);
    EXPECT_EQ(command.m_request.pattern, 3);
    EXPECT_EQ(command.m_options.chordDegree, 5);
    EXPECT_EQ(command.m_options.chordGroup, CHORD_GROUP_TRIAD);
    EXPECT_EQ(command.m_lookAt, THING_LEAD_GUITAR);
    EXPECT_TRUE(command.Named(CTutorialCommand::kKeyFromNote));
    EXPECT_FALSE(command.Named(CTutorialCommand::kKeyFile));
}

TEST(TutorialCommandParse, PairsSplitAtTheFirstEquals) {
    EXPECT_EQ(Parsed("Scale=Major|Groove=a=b").m_request.groove, "a=b");
}

TEST(TutorialCommandParse, FilesJoinTheirFolder) {
    EXPECT_EQ(Parsed("File=Rock/1 Rock.mid").m_file, "/content/Grooves/Rock/1 Rock.mid");
    EXPECT_EQ(Parsed("File=Lesson.Song").m_file, "/content/Songs/Lesson.Song");
}

class BadCommand : public ::testing::TestWithParam<const char*> {};

TEST_P(BadCommand, FailsTheWholeCommand) {
    CTutorialCommand command;
    EXPECT_FALSE(command.Parse(GetParam(), kGrooves, kSongs)) << GetParam();
    EXPECT_FALSE(command.GetError().IsEmpty()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadCommand,
    ::testing::Values("", "Scale", "Scale=", "Scale=Major|", "Scale=Major||Root=C", "=Major",
                      "scale=Major", " Scale=Major", "Colour=Red", "Scale=major",
                      "Scale=Major|Root=H", "Scale=Major|Root=E#", "Scale=Major|Position=seven",
                      "Scale=Major|Position=7th", "Scale=Major|Tempo=fast", "Scale=Major|Tempo=-60",
                      "Scale=Major|ChordGroup=Quartal", "Scale=Major|Walk=Down",
                      "Scale=Major|ChordProg=None", "Scale=Major|LookAt=Tuba",
                      "Scale=Major|Show=Both", "Scale=Major|Show=neck", "File=Take 1.wav",
                      "File=Rock/1 Rock.MID", "File=Lesson.song", "File=Rock.mid.wav"));

// ------------------------------------------------------------------ running

class TutorialCommandRun : public ::testing::Test {
protected:
    void SetUp() override {
        tool = std::make_unique<CShowScaleDlg>(scaleHost, &record);
        ASSERT_TRUE(tool->Create(nullptr, nullptr, "Show Scale")) << tool->GetError().GetText();
        host = std::make_unique<CLessonHost>(tool.get());
    }
    bool Run(const char* text) {
        CTutorialCommand command;
        bool done = command.Execute(text, *host);
        error = command.GetError();
        return done;
    }
    CListWrapper& List(CShowScaleDlg::CONTROL id) { return tool->List(id); }

    CLessonScaleHost scaleHost;
    SHOW_SCALE_SETTINGS record;
    std::unique_ptr<CShowScaleDlg> tool;
    std::unique_ptr<CLessonHost> host;
    CCharString error;
};

TEST_F(TutorialCommandRun, ChordNumberWithAGroupShowsThatChordOfTheDegree) {
    ASSERT_TRUE(Run("Scale=Major|Root=C|ChordNumber=2|ChordGroup=Triad")) << error.GetText();
    EXPECT_EQ(tool->GetMode(), CShowScaleDlg::kChordMode);
    EXPECT_EQ(List(CShowScaleDlg::kIdChord).GetSelectedValue(), 2);
    EXPECT_EQ(tool->GetText(CShowScaleDlg::kIdChordName).Str().rfind("Dm - ", 0), 0u)
        << tool->GetText(CShowScaleDlg::kIdChordName).GetText();
    EXPECT_EQ(tool->GetText(CShowScaleDlg::kIdFormula), "Notes: D F A");
}

TEST_F(TutorialCommandRun, TheSameCommandWithoutChordNumberShowsTheScaleAndOnlyYPlays) {
    ASSERT_TRUE(Run("Scale=Major|Root=C|ChordNumber=2|ChordGroup=Triad"));
    ASSERT_TRUE(Run("Scale=Dorian|Root=D|ChordGroup=Triad|Play=y")) << error.GetText();
    EXPECT_EQ(scaleHost.playCalls, 0);
    EXPECT_FALSE(tool->IsPlaying());
    EXPECT_EQ(tool->GetMode(), CShowScaleDlg::kScaleMode);
    EXPECT_EQ(List(CShowScaleDlg::kIdScale).GetSelectedText(), "Dorian");
    EXPECT_EQ(List(CShowScaleDlg::kIdRoot).GetSelectedValue(), 50);
    EXPECT_GT(tool->GetShownNotes().GetCount(), 0u);
}

TEST_F(TutorialCommandRun, SeventhChordOnTheFifthDegreeOfAHarmonicMinorIsE7) {
    ASSERT_TRUE(Run("Scale=Harmonic minor|Root=A|ChordNumber=5|ChordGroup=7|Play=Y"))
        << error.GetText();
    EXPECT_EQ(tool->GetText(CShowScaleDlg::kIdChordName).Str().rfind("E7 - ", 0), 0u)
        << tool->GetText(CShowScaleDlg::kIdChordName).GetText();
    EXPECT_EQ(tool->GetText(CShowScaleDlg::kIdFormula), "Notes: E G# B D");
    EXPECT_EQ(scaleHost.playCalls, 1);
    EXPECT_FALSE(scaleHost.playAnimate); // a strum, not a practice
}

TEST_F(TutorialCommandRun, PlayYPlaysTheScaleOverTheNamedGroove) {
    ASSERT_TRUE(Run("Scale=Blues|Root=A|Position=4|Style=Blues|Groove=1 Shuffle|Tempo=90|"
                    "NoteLength=8|Walk=1-2-3-4|Play=Y"))
        << error.GetText();
    EXPECT_EQ(scaleHost.playCalls, 1);
    EXPECT_TRUE(tool->IsPlaying());
    EXPECT_GT(scaleHost.played.GetCount(), 0u);
    PRACTICE_REQUEST request = tool->AssembleRequest();
    EXPECT_EQ(request.groove, "1 Shuffle");
    EXPECT_DOUBLE_EQ(request.tempo, 90.0);
    EXPECT_EQ(request.noteLength, 8);
    EXPECT_EQ(request.position, 4);
}

TEST_F(TutorialCommandRun, ShowTwiceEndsWithTheNeckViewOnly) {
    ASSERT_TRUE(Run("Scale=Major|Root=G|Show=Position|Show=Neck")) << error.GetText();
    EXPECT_TRUE(tool->IsViewNeck());
    EXPECT_FALSE(tool->IsViewPosition());
}

TEST_F(TutorialCommandRun, RootSpelledEitherWaySelectsTheSameRoot) {
    ASSERT_TRUE(Run("Scale=Major|Root=Bb"));
    EXPECT_EQ(List(CShowScaleDlg::kIdRoot).GetSelectedValue(), 58);
    ASSERT_TRUE(Run("Scale=Major|Root=C#"));
    EXPECT_EQ(List(CShowScaleDlg::kIdRoot).GetSelectedValue(), 49);
}

TEST_F(TutorialCommandRun, AFailedCommandChangesNothing) {
    ASSERT_TRUE(Run("Scale=Major|Root=C|Position=7|Tempo=120"));
    for (const char* bad : {"Scale=Dorian|Root=D|Tempo=fast", "Scale=Dorian|Root=D|Show=Both",
                            "Root=D|Position=3|Tempo=60", "Scale=Dorian|Root=D|File=Take.wav",
                            "Scale=Dorian|Root=D|Play=Y|Bogus=1"}) {
        EXPECT_FALSE(Run(bad)) << bad;
        EXPECT_FALSE(error.IsEmpty()) << bad;
        EXPECT_EQ(List(CShowScaleDlg::kIdScale).GetSelectedText(), "Major") << bad;
        EXPECT_EQ(List(CShowScaleDlg::kIdRoot).GetSelectedValue(), 48) << bad;
        EXPECT_EQ(List(CShowScaleDlg::kIdPosition).GetSelectedValue(), 7) << bad;
        EXPECT_EQ(List(CShowScaleDlg::kIdTempo).GetSelectedText(), "120") << bad;
    }
    EXPECT_EQ(scaleHost.playCalls, 0);
}

TEST_F(TutorialCommandRun, AFileNeedsTheSongEditor) {
    EXPECT_FALSE(Run("File=Rock/1 Rock.mid|LookAt=Drum set|Play=Y"));
    EXPECT_EQ(error, "Can't find open window 12");
    EXPECT_TRUE(host->lookedAt.empty()); // a failed command does not move the camera
    EXPECT_TRUE(host->opened.empty());

    CBaseWindow editor(kKindSongEditor);
    host->editor = &editor;
    ASSERT_TRUE(Run("File=Rock/1 Rock.mid|LookAt=Drum set|Style=Rock|Play=Y|ShowNotes=No"))
        << error.GetText();
    ASSERT_EQ(host->opened.size(), 1u);
    EXPECT_EQ(host->opened[0], MA_RUNTIME_DIR "/Grooves/Rock/1 Rock.mid");
    ASSERT_EQ(host->lookedAt.size(), 1u);
    EXPECT_EQ(host->lookedAt[0], THING_DRUM_SET);
    EXPECT_TRUE(host->openedPlay);
    EXPECT_FALSE(host->openedShowNotes);
    EXPECT_EQ(host->openedStyle, "Rock");
    EXPECT_EQ(scaleHost.playCalls, 0); // the Show Scale tool is left alone
}

TEST_F(TutorialCommandRun, NoToolNoCommand) {
    CLessonHost empty(nullptr);
    CTutorialCommand command;
    EXPECT_FALSE(command.Execute("Scale=Major", empty));
    EXPECT_EQ(command.GetError(), "Can't find open window 7");
}

} // namespace

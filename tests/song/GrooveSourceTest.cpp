#include "content/grooves/GrooveSource.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const GOOD_GROOVE = "# a comment\n"
                                "time 4/4\n"
                                "steps 2\n"
                                "hihat  | x x x x x x o x |\n"
                                "snare  | . . X . . . X . |\n"
                                "kick   | X . . . X X . . |\n"
                                "bass   | 1 - 1 - 5 - b7 - |\n"
                                "rhythm | D - D U - D U - |\n"
                                "lead   | 1 - 3 - 5' - . . |\n";

struct BROKEN_CASE {
    const char* name;
    const char* text;
    const char* where; // the "file:line:" prefix the error must start with
    const char* words; // words the message must contain
};

// Every broken source names the line to fix.
const BROKEN_CASE BROKEN_CASES[] = {
    {"UnknownPart",
     "kick | X . . . X . . . |\nbass | 1 - - - - - - - |\nguitar | D - - - - - - - |\n",
     "g.groove:3:", "unknown part 'guitar'"},
    {"ShortMeasure", "kick | X . . . X . . |\n", "g.groove:1:", "has 7 cells"},
    {"BadDrumCell", "snare | . . q . . . X . |\n", "g.groove:1:", "bad drum cell 'q'"},
    {"OpenHatOnlyOnHihat", "snare | . . o . . . X . |\n", "g.groove:1:", "bad drum cell 'o'"},
    {"BadDegree", "kick | X . . . . . . . |\nbass | 1 - 3 - h - 5 - |\n",
     "g.groove:2:", "bad degree 'h'"},
    {"TieWithoutNote", "kick | X . . . . . . . |\nbass | - 1 3 - . - 5 - |\n",
     "g.groove:2:", "continues no note"},
    {"TieAfterRest", "kick | X . . . . . . . |\nbass | 1 . - - 5 - - - |\n",
     "g.groove:2:", "cell 3 continues no note"},
    {"MissingBar", "kick | X . . . . . . .\n", "g.groove:1:", "must end with '|'"},
    {"SettingAfterRows", "kick | X . . . . . . . |\nsteps 4\n", "g.groove:2:", "must come before"},
    {"BadTime", "time 4-4\n", "g.groove:1:", "must look like 4/4"},
    {"BadSteps", "steps 9\n", "g.groove:1:", "steps per beat"},
    {"UpStrumOnTheBeat",
     "kick | X . . . . . . . |\nbass | 1 - - - - - - - |\nrhythm | D - U - D - - - |\n",
     "g.groove:3:", "is played down: write D"},
    {"DownStrumHalfABeatLater",
     "kick | X . . . . . . . |\nbass | 1 - - - - - - - |\nrhythm | D D - - - - - - |\n",
     "g.groove:3:", "is played up: write U"},
    {"RepeatTurnsFirstStrumUp",
     "kick | X . . . . . . . |\nbass | 1 - - - - - - - |\nrhythm | D - - - - - - D |\n",
     "g.groove:3:", "played up when the groove repeats"},
    {"PartTooShort",
     "kick | X . . . . . . . | X . . . . . . . |\nbass | 1 - - - - - - - |\n"
     "rhythm | D - - - - - - - | D - - - - - - - |\n",
     "g.groove:2:", "this part has 1 measures, the groove 2"},
    {"DrumPieceTooShort",
     "kick | X . . . . . . . | X . . . . . . . |\nsnare | . . X . . . . . |\n"
     "bass | 1 - - - - - - - | 1 - - - - - - - |\nrhythm | D - - - - - - - | D - - - - - - - |\n",
     "g.groove:2:", "this drum piece has 1 measures"},
};

class BrokenGroove : public testing::TestWithParam<BROKEN_CASE> {};

TEST_P(BrokenGroove, NamesTheLineThatIsWrong) {
    CGrooveSource source;
    ASSERT_FALSE(source.Parse(GetParam().text, "g.groove"));
    std::string error = source.GetErrorText().GetText();
    EXPECT_EQ(error.rfind(GetParam().where, 0), 0u) << error;
    EXPECT_NE(error.find(GetParam().words), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Sources, BrokenGroove, testing::ValuesIn(BROKEN_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GrooveSource, MissingRequiredPartsNameTheFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"kick | X . . . . . . . |\nrhythm | D - - - - - - - |\n", "bass part"},
        {"kick | X . . . . . . . |\nbass | 1 - - - - - - - |\n", "rhythm part"},
        {"bass | 1 - - - - - - - |\nrhythm | D - - - - - - - |\n", "drum hits"}};
    for (const auto& [text, missing] : cases) {
        CGrooveSource source;
        EXPECT_FALSE(source.Parse(text, "a.groove"));
        EXPECT_EQ(source.GetErrorText(),
                  (std::string("a.groove: the groove has no ") + missing).c_str());
    }
}

TEST(GrooveSource, DegreesAreSpelledAgainstC) {
    const std::pair<const char*, int> cases[] = {
        {"1", 48}, {"3", 52},  {"5", 55},  {"b7", 58}, {"#4", 54}, {"b3", 51}, {"8", 60},
        {"9", 62}, {"5'", 67}, {"5,", 43}, {"0", -1},  {"x1", -1}, {"1x", -1}};
    for (const auto& [degree, midi] : cases)
        EXPECT_EQ(CGrooveSource::DegreePitch(degree, 48), midi) << degree;
}

TEST(GrooveSource, ReadsTimingPitchAndStrums) {
    CGrooveSource source;
    ASSERT_TRUE(source.Parse(GOOD_GROOVE, "good.groove")) << source.GetErrorText().GetText();
    EXPECT_EQ(source.GetBeatsPerMeasure(), 4);
    EXPECT_EQ(source.GetBeatUnit(), 4);
    EXPECT_EQ(source.GetMeasures(), 1);

    // Bass: C held a beat, C, G, B flat, each a beat long.
    const auto& bass = source.GetBass().notes;
    ASSERT_EQ(bass.size(), 4u);
    const int pitches[] = {36, 36, 43, 46};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(bass[i].midi, pitches[i]);
        EXPECT_DOUBLE_EQ(bass[i].beat, i * 1.0);
        EXPECT_DOUBLE_EQ(bass[i].length, 1.0);
        EXPECT_EQ(bass[i].thing, THING_BASS_GUITAR);
    }

    // Strums: markers, not pitches, lasting until the next cell that is not a tie.
    const auto& strums = source.GetRhythm().notes;
    ASSERT_EQ(strums.size(), 5u);
    const double starts[] = {0.0, 1.0, 1.5, 2.5, 3.0};
    const double lengths[] = {1.0, 0.5, 1.0, 0.5, 1.0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(strums[i].midi, 254);
        EXPECT_DOUBLE_EQ(strums[i].beat, starts[i]);
        EXPECT_DOUBLE_EQ(strums[i].length, lengths[i]);
    }

    // The seventh hi-hat cell is the open hi-hat; a rest leaves no note.
    int open = 0, closed = 0;
    for (const auto& hit : source.GetDrums().notes) {
        if (hit.thing == THING_HIHAT_OPEN) {
            ++open;
            EXPECT_DOUBLE_EQ(hit.beat, 3.0);
            EXPECT_EQ(hit.midi, 46);
        } else if (hit.thing == THING_HIHAT_CLOSED) {
            ++closed;
            EXPECT_EQ(hit.midi, 42);
        }
    }
    EXPECT_EQ(open, 1);
    EXPECT_EQ(closed, 7);
    EXPECT_EQ(source.GetDrums().notes.size(), 8u + 2u + 3u);
    EXPECT_EQ(source.GetLead().notes.size(), 3u);
    EXPECT_EQ(source.GetLead().notes[2].midi, 67);
}

TEST(GrooveSource, ShuffleCellsAreTriplets) {
    CGrooveSource source;
    ASSERT_TRUE(source.Parse("steps 3\n"
                             "hihat | x . x x . x x . x x . x |\n"
                             "bass | 1 - 3 5 - 6 b7 - 6 5 - 3 |\n"
                             "rhythm | D - u D - u D - u D - u |\n",
                             "s.groove"))
        << source.GetErrorText().GetText();
    const auto& hats = source.GetDrums().notes;
    ASSERT_EQ(hats.size(), 8u);
    EXPECT_NEAR(hats[1].beat, 2.0 / 3.0, 1e-12);
    EXPECT_NEAR(hats[2].beat, 1.0, 1e-12);
    // The soft up strum sits on the last triplet of the beat.
    const auto& strums = source.GetRhythm().notes;
    EXPECT_NEAR(strums[1].beat, 2.0 / 3.0, 1e-12);
    EXPECT_LT(strums[1].volume, strums[0].volume);
}

TEST(GrooveSource, RowsOfTheSameNameContinueThePartInTheirTimeSignature) {
    CGrooveSource source;
    ASSERT_TRUE(source.Parse("time 6/8\nsteps 1\n"
                             "kick | X . . . . . |\nkick | X . . . . . |\n"
                             "bass | 1 - - 5 - - | 5 - - - - - |\n"
                             "rhythm | D - - D - - |\nrhythm | D - - - - - |\n",
                             "c.groove"))
        << source.GetErrorText().GetText();
    EXPECT_EQ(source.GetBeatsPerMeasure(), 6);
    EXPECT_EQ(source.GetBeatUnit(), 8);
    EXPECT_EQ(source.GetMeasures(), 2);
    ASSERT_EQ(source.GetDrums().notes.size(), 2u);
    EXPECT_DOUBLE_EQ(source.GetDrums().notes[1].beat, 6.0);
    ASSERT_EQ(source.GetBass().notes.size(), 3u);
    EXPECT_EQ(source.GetBass().notes[1].midi, 43);
    EXPECT_DOUBLE_EQ(source.GetBass().notes[1].beat, 3.0);
    EXPECT_DOUBLE_EQ(source.GetBass().notes[1].length, 3.0);
}

} // namespace

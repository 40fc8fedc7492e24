// The guitars' fretboards as a luthier measures them, and the marks and names they show.
#include <cmath>
#include <gtest/gtest.h>

#include "band/Guitars.h"
#include "tests/render/SquareFont.h"
#include "theory/NoteManager.h"

namespace {

struct GUITAR {
    CSquareFont font;
    CNoteManager notes;
    CVertexBuffer buffer{nullptr, 5000};
    CGuitars guitar{nullptr, &buffer, "Guitar", &notes};
    explicit GUITAR(THING kind) {
        SetFontOutlines(&font);
        EXPECT_TRUE(notes.Initialize());
        EXPECT_TRUE(guitar.Build(kind, 0)) << guitar.GetError().GetText();
    }
    ~GUITAR() { SetFontOutlines(nullptr); }
};

class Guitars : public testing::TestWithParam<THING> {};

TEST_P(Guitars, FretsFollowEqualTemperament) {
    GUITAR g(GetParam());
    const float L = g.guitar.GetScaleLength(), N = g.guitar.GetNeckLength();
    const float bridge = N - L;
    EXPECT_NEAR(g.guitar.GetFretY(12), N - L / 2, 1e-4f);
    EXPECT_NEAR(g.guitar.GetFretY(0), N, 1e-4f);
    for (int f = 0; f <= CGuitars::kComputedFrets; ++f)
        EXPECT_NEAR(g.guitar.GetFretY(f) - bridge, L * std::pow(2.0f, -f / 12.0f), 1e-3f) << f;
    // Fingers press behind the fret, toward the nut, nearest position first.
    for (int k = 0; k < CGuitars::kPositions; ++k)
        EXPECT_GT(g.guitar.GetPressPoint(0, 5, k).y, g.guitar.GetFretY(5));
    EXPECT_LT(g.guitar.GetPressPoint(0, 5, 0).y, g.guitar.GetPressPoint(0, 5, 2).y);
}

TEST_P(Guitars, OuterStringsLieAtHalfTheSpread) {
    GUITAR g(GetParam());
    const bool bass = GetParam() == THING_BASS_GUITAR;
    const int last = g.guitar.GetStringCount() - 1;
    EXPECT_EQ(last + 1, bass ? 4 : 6);
    EXPECT_EQ(g.guitar.GetString(last + 1), nullptr);
    const float spreadNut = bass ? 3.4f : 3.5f;
    // The board points of fret 0 lie at the nut.
    EXPECT_NEAR(g.guitar.GetBoardPoint(0, 0).x, spreadNut / 2, 1e-4f);
    EXPECT_NEAR(g.guitar.GetBoardPoint(last, 0).x, -spreadNut / 2, 1e-4f);
    // The strings run between the two spreads, thinner first.
    EXPECT_LT(g.guitar.GetString(0)->GetDiameter(), g.guitar.GetString(last)->GetDiameter());
    const float spreadBridge = bass ? 5.7f : 5.3f;
    EXPECT_NEAR(g.guitar.GetPickingPoint(0, 0).x - g.guitar.GetPickingPoint(0, last).x,
                spreadNut + 0.9f * (spreadBridge - spreadNut), 1e-4f);
}

TEST_P(Guitars, PitchMarksShowEveryPositionOfTheScale) {
    GUITAR g(GetParam());
    CNoteList scale;
    ASSERT_TRUE(g.notes.GetScaleNotes(60, 1, scale)); // C major
    ASSERT_TRUE(g.guitar.ShowPitchMarks(scale));
    const bool inScale[12] = {1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 1};
    int shown = 0;
    for (int s = 1; s <= g.guitar.GetStringCount(); ++s)
        for (int f = 0; f <= CGuitars::kBuiltFrets; ++f) {
            CPrimitive* mark = g.guitar.GetMark(s, f);
            ASSERT_NE(mark, nullptr);
            EXPECT_EQ(mark->IsVisible(), inScale[g.guitar.GetMidi(s - 1, f) % 12]) << s << " " << f;
            shown += mark->IsVisible();
        }
    EXPECT_GT(shown, 0);
}

TEST_P(Guitars, TrackedPointsAndFramesFollowTheGuitar) {
    GUITAR g(GetParam());
    const VEC3 before = g.guitar.GetPressPoint(2, 7, 1);
    ASSERT_TRUE(g.guitar.RotateXYZ(1, 0.5f, 0.1f, 0, false));
    ASSERT_TRUE(g.guitar.MoveBy(10, 27, -14));
    const VEC3 origin = g.guitar.GetReference(CGuitars::REF_ORIGIN);
    const VEC3 neck = g.guitar.GetReference(CGuitars::REF_NECK) - origin;
    EXPECT_LT(glm::distance(origin, VEC3(10, 27, -14)), 1e-4f);
    EXPECT_LT(glm::distance(Vec3Normalize(neck), Vec3Normalize(VEC3(1, 0.5f, 0.1f))), 1e-4f);
    EXPECT_NEAR(glm::distance(g.guitar.GetPressPoint(2, 7, 1), origin), glm::length(before), 1e-3f);
    VEC3 eye, at, up;
    g.guitar.GetFretFrame(0, 12, eye, at, up);
    EXPECT_LT(glm::distance(
                  at, (g.guitar.GetPressPoint(2, 0, 0) + g.guitar.GetPressPoint(2, 12, 0)) / 2.0f),
              1e-4f);
    const float d = 15 * 2.1f * (GetParam() == THING_BASS_GUITAR ? 1.3f : 1.0f);
    const VEC3 face = g.guitar.GetReference(CGuitars::REF_FACE) - origin;
    EXPECT_NEAR(glm::dot(eye - at, face), 1.2f * d, 1e-3f);
    EXPECT_NEAR(glm::dot(eye - at, neck), d, 1e-3f);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Guitars,
                         testing::Values(THING_BASS_GUITAR, THING_RHYTHM_GUITAR,
                                         THING_LEAD_GUITAR));

TEST(Guitar, OnlyBassRhythmAndLeadGuitarsAreBuilt) {
    for (THING kind : {THING_GUITAR, THING_SOLO_GUITAR, THING_SNARE_DRUM}) {
        CNoteManager notes;
        CVertexBuffer buffer(nullptr, 100);
        CGuitars guitar(nullptr, &buffer, "Guitar", &notes);
        EXPECT_FALSE(guitar.Build(kind, 0));
    }
}

TEST(Guitar, NoteMarksAndNamesShowThePlacedNotes) {
    GUITAR g(THING_LEAD_GUITAR);
    CNoteList list;
    CNote note;
    note.m_thing = THING_LEAD_GUITAR;
    note.m_duration = 0.5;
    note.Position().string = 2;
    note.Position().fret = 5;
    list.Add(note);
    note.m_thing = THING_BASS_GUITAR; // another guitar's note
    note.Position().fret = 7;
    list.Add(note);
    note.m_thing = THING_LEAD_GUITAR; // no sounding length
    note.m_duration = TIME_NOT_SET;
    note.Position().fret = 9;
    list.Add(note);
    ASSERT_TRUE(g.guitar.ShowNoteMarks(list, true));
    EXPECT_TRUE(g.guitar.GetMark(2, 5)->IsVisible());
    EXPECT_FALSE(g.guitar.GetMark(2, 7)->IsVisible());
    EXPECT_FALSE(g.guitar.GetMark(2, 9)->IsVisible());
    ASSERT_TRUE(g.guitar.ShowNoteMarks(list, false));
    EXPECT_TRUE(g.guitar.GetMark(2, 9)->IsVisible());
    note.Position().string = 8;
    list.Add(note);
    EXPECT_FALSE(g.guitar.ShowNoteMarks(list, false));
    EXPECT_TRUE(g.guitar.GetMark(2, 5)->IsVisible());

    // Names of the positions of MIDI 64 (E4): open first string, fifth fret of the second...
    CNoteList e;
    note.m_midi = 64;
    e.Add(note);
    ASSERT_TRUE(g.guitar.ShowNoteNames(e));
    int names = 0;
    for (int s = 1; s <= 6; ++s)
        for (int f = 0; f <= CGuitars::kBuiltFrets; ++f)
            if (g.guitar.GetNoteName(s, f)->IsVisible()) {
                EXPECT_EQ(g.guitar.GetMidi(s - 1, f), 64);
                ++names;
            }
    EXPECT_EQ(names, 5);
    EXPECT_TRUE(g.guitar.GetFretNumber(12)->IsVisible());
    g.guitar.ShowNames(false);
    EXPECT_FALSE(g.guitar.GetFretNumber(12)->IsVisible());
}

} // namespace

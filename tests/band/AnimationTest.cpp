// The band animated: poses prepared from notes, frames between keys, and replay against a clock
// the test drives, without a window.
#include <gtest/gtest.h>

#include "band/Animation.h"
#include "band/Band.h"
#include "tests/render/SquareFont.h"
#include "theory/NoteManager.h"

namespace {

CNote Hit(THING thing, double time) {
    CNote note;
    note.m_thing = thing;
    note.m_time = time;
    note.m_duration = 0.1;
    note.m_volume = 0.8f;
    return note;
}

// Every part of the band with the world matrix it shows now.
void Collect(CPrimitive& part, std::vector<std::pair<CPrimitive*, MATRIX>>& parts) {
    parts.emplace_back(&part, part.GetWorld());
    for (CPrimitive* child : part.GetChildren())
        Collect(*child, parts);
}

struct BAND {
    CSquareFont font;
    CNoteManager notes;
    CVertexBuffer buffer{nullptr, 5000};
    CBand band{nullptr, &buffer, "Band", &notes};
    std::recursive_mutex lock;
    CAnimationPlayer player{&lock};
    double now = 0.0;
    BAND() {
        SetFontOutlines(&font);
        EXPECT_TRUE(notes.Initialize());
        EXPECT_TRUE(band.Build()) << band.GetError().GetText();
        player.SetClock([this](double& seconds) {
            seconds = now;
            return true;
        });
    }
    ~BAND() { SetFontOutlines(nullptr); }
    // Replays the frames due at `time`.
    void PlayTo(double time) {
        now = time;
        bool changed = false;
        ASSERT_TRUE(player.OnTimer(CAnimationPlayer::kPlayTimer, changed));
    }
    // A practice: the C major scale up and down the lead guitar, fingered as the composer does,
    // over hi-hat, snare and bass drum.
    CNoteList Practice() {
        CNoteList list;
        EXPECT_TRUE(notes.GetScaleNotesInRange(48, 1, 47, 75, THING_LEAD_GUITAR, list));
        const int up = list.GetCount();
        for (int i = up - 2; i >= 0; --i)
            list.Add(list[i]);
        for (int i = 0; i < list.GetCount(); ++i) {
            list[i].m_time = 0.5 + 0.25 * i;
            list[i].m_duration = 0.25;
            list[i].m_volume = 0.7f;
            list[i].Position().Clear();
        }
        EXPECT_TRUE(list.PlaceRun(0, list.GetCount() - 1, THING_LEAD_GUITAR, 7, 11, false, notes));
        EXPECT_TRUE(list.AssignFingers(0, list.GetCount() - 1));
        const double end = list.GetEndTime(true);
        for (double t = 0.5; t < end; t += 0.25)
            list.Add(Hit(THING_HIHAT_CLOSED, t));
        for (double t = 1.0; t < end; t += 1.0)
            list.Add(Hit(THING_SNARE_DRUM, t));
        for (double t = 0.5; t < end; t += 1.0)
            list.Add(Hit(THING_BASS_DRUM_1, t));
        EXPECT_TRUE(list.Sort(true));
        return list;
    }
};

TEST(Animation, DrumHitsGetReboundAndRaisePosesBetweenThem) {
    CNoteList notes, poses;
    notes.Add(Hit(THING_SNARE_DRUM, 1.0));
    notes.Add(Hit(THING_SNARE_DRUM, 1.1));
    ASSERT_TRUE(CAnimationPlayer::PreparePoses(notes, poses));
    // Strike, rebound, raise, strike, and a last rebound a tenth after the last hit.
    ASSERT_EQ(poses.GetCount(), 5);
    const double times[] = {1.0, 1.04, 1.06, 1.1, 1.2};
    const bool strikes[] = {true, false, false, true, false};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(poses[i].m_time, times[i], 1e-9) << i;
        EXPECT_EQ(poses[i].m_volume == 0.0f, strikes[i]) << i;
    }
}

TEST(Animation, KeysAFewMillisecondsApartStillGetTheirFrame) {
    CVertexBuffer buffer(nullptr, 100);
    CPrimitive part(nullptr, &buffer, "Part");
    part.SetColor(0, 0xFFFFFFFF);
    ASSERT_TRUE(part.Sphere(1.0f, 6));
    std::recursive_mutex lock;
    CAnimationPlayer player(&lock);
    CVarList<ANIMATION_POINT> keys;
    ASSERT_TRUE(part.MoveBy(1, 0, 0) && part.Record(1.0, &keys, false, false));
    player.AddFrames(keys);
    keys.RemoveAll();
    ASSERT_TRUE(part.MoveBy(0, 2, 0) && part.Record(1.005, &keys, false, false));
    player.AddFrames(keys);
    // Half a second toward the first key at 30 a second, then one frame for the second.
    int later = 0;
    for (const ANIMATION_FRAME& frame : player.GetFrames())
        if (frame.time > 1.0) {
            ++later;
            EXPECT_DOUBLE_EQ(frame.time, 1.005);
            EXPECT_FLOAT_EQ(frame.matrix[10], 2.0f); // the translation's y
        }
    EXPECT_EQ(later, 1);
    EXPECT_EQ(player.GetFrames().GetCount(), 16u);
}

TEST(Animation, ANoteTheBandCannotPlayStopsThePrecomputation) {
    BAND b;
    CNoteList notes;
    notes.Add(Hit(THING_SNARE_DRUM, 0.5));
    notes.Add(Hit(THING_SOLO_GUITAR, 1.0));
    notes.Add(Hit(THING_SNARE_DRUM, 1.5));
    EXPECT_FALSE(b.band.PlayNote(notes[1], nullptr));
    EXPECT_FALSE(b.player.Start(&b.band, notes, 2.0));
    EXPECT_FALSE(b.player.IsFinished());
    EXPECT_FALSE(b.player.IsPlaying());
    EXPECT_NE(std::string(b.player.GetError().GetText()).find("Can't animate note"),
              std::string::npos);
}

TEST(Animation, LeadFingersPressTheirNotesOnTimeAndStopReturnsToRest) {
    BAND b;
    std::vector<std::pair<CPrimitive*, MATRIX>> rest;
    Collect(b.band, rest);
    const CNoteList practice = b.Practice();
    ASSERT_TRUE(b.player.Start(&b.band, practice, 2.0)) << b.player.GetError().GetText();
    ASSERT_TRUE(b.player.GetFrames().IsSorted());

    // Fingertips in the last phalange's own space: replay moves only world matrices.
    CGuitars* guitar = b.band.GetGuitar(THING_LEAD_GUITAR);
    CHand* hand = b.band.GetGuitarist(THING_LEAD_GUITAR)->GetHuman()->GetHand(THING_LEFT_HAND);
    VEC3 tips[CHand::kFingers];
    for (int k = 0; k < CHand::kFingers; ++k)
        tips[k] = Vec3TransformCoord(hand->GetFinger(k)->GetTip(),
                                     MatrixInverse(hand->GetFinger(k)->GetPhalange(2)->GetWorld()));
    int pressed = 0;
    for (const CNote& note : practice) {
        if (note.m_thing != THING_LEAD_GUITAR)
            continue;
        b.PlayTo(note.m_time);
        const FRET_SLOT& at = note.Position();
        ASSERT_TRUE(at.string >= 1 && at.string <= 6 && at.fret >= 0 && at.fret <= 22)
            << note.m_midi << " at string " << at.string << " fret " << at.fret;
        if (at.fret == 0)
            continue;
        const int finger = at.fret < 4 ? std::min(at.finger, at.fret) : at.finger;
        ASSERT_TRUE(finger >= 1 && finger <= 4) << note.m_midi;
        const CPrimitive* last = hand->GetFinger(finger)->GetPhalange(2);
        const VEC3 tip = Vec3TransformCoord(tips[finger], last->GetWorld());
        const VEC3 press = guitar->GetPressPoint(
            at.string - 1, at.fret, at.aux >= 0 && at.aux < CGuitars::kPositions ? at.aux : 0);
        // Half a millimetre of the players' own size (the band stands a tenth of it).
        EXPECT_LT(glm::distance(tip, press), 0.05f * CBand::kSceneScale)
            << "note " << note.m_midi << " at " << note.m_time << " string " << at.string
            << " fret " << at.fret << " finger " << finger;
        EXPECT_EQ(guitar->GetMark(at.string, at.fret)->GetColors()[0], 0xFFFF0000u);
        ++pressed;
    }
    EXPECT_GT(pressed, 10);
    b.PlayTo(practice.GetEndTime(true) + 1.0);
    EXPECT_FALSE(b.player.IsPlaying());

    ASSERT_TRUE(b.player.Stop());
    for (const auto& [part, world] : rest)
        for (int r = 1; r <= 4; ++r)
            for (int c = 1; c <= 4; ++c)
                ASSERT_NEAR(MatrixAt(part->GetWorld(), r, c), MatrixAt(world, r, c), 1e-4f)
                    << part->GetName() << " of " << [&] {
                           const CPrimitive* p = part;
                           while (p->GetParent() && p->GetParent() != &b.band)
                               p = p->GetParent();
                           return std::string(p->GetName());
                       }();
}

} // namespace

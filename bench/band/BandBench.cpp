// Reaching: a hand placed and its arm solved, and a finger bent onto a point (microseconds each).
// The animated band: a practice of the default request, composed from the build's grooves and
// repeated to 60 seconds, precomputed into frames (milliseconds, frames and their memory); and
// the replay of that list, one 33-millisecond tick at a time (microseconds per tick).
#include <benchmark/benchmark.h>
#include <memory>

#include "band/Animation.h"
#include "band/Band.h"
#include "band/Human.h"
#include "render/FontOutlines.h"
#include "song/Composer.h"
#include "tests/render/SquareFont.h"
#include "theory/NoteManager.h"

namespace {

struct FIGURE {
    CVertexBuffer buffer{nullptr, 5000};
    CHuman human{nullptr, &buffer, "Human"};
    VEC3 shoulder;
    FIGURE() {
        human.Build(THING_LEAD_GUITAR);
        shoulder = human.GetArm(THING_LEFT_HAND)->GetPosition();
    }
    // Targets that move about in front of the shoulder, all within reach.
    VEC3 Target(int i) const {
        return shoulder + VEC3(5.0f + (i % 7), -25.0f + (i % 11), -30.0f + (i % 5));
    }
};

void BM_ReachHand(benchmark::State& state) {
    FIGURE f;
    int i = 0;
    for (auto _ : state) {
        if (!f.human.ReachHand(THING_LEFT_HAND, f.Target(i++), VEC3(0.3f, 0.2f, -1), -25.0f)) {
            state.SkipWithError(f.human.GetError().GetText());
            break;
        }
    }
}
BENCHMARK(BM_ReachHand)->Unit(benchmark::kMicrosecond);

void BM_ReachFinger(benchmark::State& state) {
    FIGURE f;
    f.human.ReachHand(THING_LEFT_HAND, f.Target(0), VEC3(0.3f, 0.2f, -1), -25.0f);
    CHand* hand = f.human.GetHand(THING_LEFT_HAND);
    int i = 0;
    for (auto _ : state) {
        const int k = i % CHand::kFingers;
        CFinger* finger = hand->GetFinger(k);
        const VEC3 target = finger->GetPosition() + finger->GetPhalangeLength() *
                                                        (1.5f + 0.1f * (i % 10)) *
                                                        Vec3Normalize(VEC3(0.1f, 0.5f, -1));
        if (!f.human.ReachFinger(THING_LEFT_HAND, k, target, false)) {
            state.SkipWithError(f.human.GetError().GetText());
            break;
        }
        ++i;
    }
}
BENCHMARK(BM_ReachFinger)->Unit(benchmark::kMicrosecond);

struct PRACTICE_BAND {
    CSquareFont font;
    CNoteManager notes;
    CVertexBuffer buffer{nullptr, 5000};
    std::unique_ptr<CBand> band;
    std::recursive_mutex lock;
    CAnimationPlayer player{&lock};
    CNoteList practice;
    CCharString error;
    double now = 0.0;
    PRACTICE_BAND() {
        SetFontOutlines(&font);
        notes.Initialize();
        band = std::make_unique<CBand>(nullptr, &buffer, "Band", &notes);
        if (!band->Build()) {
            error = band->GetError();
            return;
        }
        CComposer composer(notes);
        composer.SetGrooveRoot(MA_RUNTIME_DIR "/Grooves");
        PRACTICE_REQUEST request;
        PRACTICE_NOTES made;
        if (!MakePracticeNotes(composer, request, true, made)) {
            error = made.error;
            return;
        }
        // The piece again and again until a minute is filled.
        const double length = made.notes.GetEndTime(true);
        for (double start = 0.0; start < 60.0; start += length)
            for (CNote note : made.notes)
                if ((note.m_time += start) < 60.0)
                    practice.Add(note);
        practice.Sort(true);
        player.SetClock([this](double& seconds) {
            seconds = now;
            return true;
        });
    }
    ~PRACTICE_BAND() { SetFontOutlines(nullptr); }
};

void BM_PrecomputePractice(benchmark::State& state) {
    PRACTICE_BAND b;
    if (b.error.GetLength() > 0) {
        state.SkipWithError(b.error.GetText());
        return;
    }
    for (auto _ : state) {
        if (!b.player.Start(b.band.get(), b.practice, 2.0)) {
            state.SkipWithError(b.player.GetError().GetText());
            break;
        }
    }
    const size_t frames = b.player.GetFrames().GetCount();
    state.counters["notes"] = b.practice.GetCount();
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["frame_MB"] =
        static_cast<double>(b.player.GetFrames().GetCapacity() * sizeof(ANIMATION_FRAME)) / 1e6;
}
BENCHMARK(BM_PrecomputePractice)->Unit(benchmark::kMillisecond);

void BM_ReplayTick(benchmark::State& state) {
    PRACTICE_BAND b;
    if (b.error.GetLength() > 0) {
        state.SkipWithError(b.error.GetText());
        return;
    }
    bool changed = false;
    for (auto _ : state) {
        state.PauseTiming();
        if (!b.player.IsPlaying()) {
            b.now = 0.0;
            b.player.Start(b.band.get(), b.practice, 2.0);
        }
        b.now += 0.033;
        state.ResumeTiming();
        b.player.OnTimer(CAnimationPlayer::kPlayTimer, changed);
    }
}
BENCHMARK(BM_ReplayTick)->Unit(benchmark::kMicrosecond);

} // namespace

// How long Play Scale's composing takes: the user presses the button and waits for this.
#include "song/Composer.h"
#include "song/Mix.h"
#include "theory/NoteManager.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

struct COMPOSER_FIXTURE {
    COMPOSER_FIXTURE() : composer(manager) {
        manager.Initialize();
        mix.SetDefaults();
        composer.SetGrooveRoot((std::string(MA_RUNTIME_DIR) + "/Grooves").c_str());
        composer.SetMix(&mix);
    }
    CNoteManager manager;
    CMix mix;
    CComposer composer;
};

COMPOSER_FIXTURE& Fixture() {
    static COMPOSER_FIXTURE fixture;
    return fixture;
}

// The Show Scale tool's defaults: C major, position 7, "2 Rock", 120, quarter notes, Up.
void BM_ComposeScalePracticeDefault(benchmark::State& state) {
    COMPOSER_FIXTURE& fixture = Fixture();
    CSong song;
    for (auto _ : state) {
        PRACTICE_REQUEST request;
        if (!fixture.composer.ComposeScalePractice(request, song)) {
            state.SkipWithError(fixture.composer.GetErrorText().GetText());
            return;
        }
        benchmark::DoNotOptimize(song.GetTrackCount());
    }
    state.counters["measures"] = song.m_header.measureCount;
}
BENCHMARK(BM_ComposeScalePracticeDefault)->Unit(benchmark::kMillisecond);

// The longest lines a request can ask for, from the lowest position in the "1-2-3-2" pattern in
// quarter notes: the bebop scale (eight notes an octave) walks 33 measures over the drums; the
// major scale 29 measures with a chord in every one.
void ComposeLong(benchmark::State& state, int scale) {
    COMPOSER_FIXTURE& fixture = Fixture();
    CSong song;
    for (auto _ : state) {
        PRACTICE_REQUEST request;
        request.scale = scale;
        request.SetPosition(0);
        request.pattern = 4;
        if (!fixture.composer.ComposeScalePractice(request, song)) {
            state.SkipWithError(fixture.composer.GetErrorText().GetText());
            return;
        }
        benchmark::DoNotOptimize(song.GetTrackCount());
    }
    state.counters["measures"] = song.m_header.measureCount;
}
void BM_ComposeScalePractice32Measures(benchmark::State& state) {
    ComposeLong(state, 17);
}
BENCHMARK(BM_ComposeScalePractice32Measures)->Unit(benchmark::kMillisecond);
void BM_ComposeScalePracticeMajor29Measures(benchmark::State& state) {
    ComposeLong(state, 1);
}
BENCHMARK(BM_ComposeScalePracticeMajor29Measures)->Unit(benchmark::kMillisecond);

// The whole of Play Scale's preparation: compose, flatten, count in.
void BM_MakePracticeNotesDefault(benchmark::State& state) {
    COMPOSER_FIXTURE& fixture = Fixture();
    PRACTICE_NOTES practice;
    for (auto _ : state) {
        PRACTICE_REQUEST request;
        if (!MakePracticeNotes(fixture.composer, request, true, practice)) {
            state.SkipWithError(practice.error.GetText());
            return;
        }
        benchmark::DoNotOptimize(practice.notes.GetCount());
    }
    state.counters["notes"] = practice.notes.GetCount();
}
BENCHMARK(BM_MakePracticeNotesDefault)->Unit(benchmark::kMillisecond);

} // namespace

// Play Scale in the running application, on a virtual output device with a real-time clock:
// from the click to the first frame that is not silent handed to the device, less the time at
// which the practice's first note is meant to sound (the list sounds one beat after the
// click). Then the steps of that path one by one: composing, flattening, starting the engine,
// showing the scale.
//
// Argument 0: the tool's default practice (120 beats per minute, quarter notes); argument 1:
// the shortest (240, sixteenth notes).
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "song/Composer.h"
#include "sound/Sound.h"
#include "sound/VirtualDevice.h"
#include "tests/app/AppHarness.h"
#include "tools/ShowScaleDlg.h"
#include "ui/Application.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

bool PrintBox(const char* text, const char* caption, int, bool) {
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    return true;
}

// The application in a content root of its own, with the build's samples and grooves.
struct APP : CAppHarness {
    CVirtualDevice* device = nullptr;
    CShowScaleDlg* tool = nullptr;
    QPushButton* play = nullptr;

    bool Start() {
        if (!MakeContentRoot("<1>Welcome\r\n"))
            return false;
        LinkBuildFolder("Sound");
        if (!LinkBuildFolder("Grooves") || !QFile::exists(m_root + "/Grooves/Rock/2 Rock.mid")) {
            std::fprintf(stderr, "no groove library in %s\n", MA_RUNTIME_DIR);
            return false;
        }
        Install(PrintBox);
        const bool started = CAppHarness::Start(
            [this]() -> std::unique_ptr<CAudioDevice> {
                auto made = std::make_unique<CVirtualDevice>(CVirtualDevice::CLOCK_REAL_TIME);
                device = made.get();
                return made;
            },
            20000);
        if (!started || !device || !device->IsOpen())
            return false;
        tool = dynamic_cast<CShowScaleDlg*>(Window(kKindShowScale));
        if (!tool)
            return false;
        play = tool->Button(CShowScaleDlg::kIdPlayScale);
        return play != nullptr;
    }
    CCenter* Center() const { return m_center.get(); }

    void Pick(CShowScaleDlg::CONTROL id, const char* text) {
        auto* combo = static_cast<QComboBox*>(tool->List(id).Control());
        combo->setCurrentIndex(combo->findText(text));
    }
    void Choose(int practice) {
        Pick(CShowScaleDlg::kIdTempo, practice == 0 ? "120" : "240");
        Pick(CShowScaleDlg::kIdNoteLength, practice == 0 ? "4-th" : "16-th");
    }
    // Waits until every block begun so far has been handed on, then forgets the sound heard.
    bool ForgetSound() {
        const uint64_t played = device->GetFramesPlayed();
        if (!WaitFor([&] { return device->GetFramesPlayed() >= played + 1024; }, 5000))
            return false;
        device->ResetFirstSound();
        return true;
    }
};

APP* g_app = nullptr;

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    if (p == 0.5)
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
    size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(n)));
    return values[std::clamp<size_t>(rank, 1, n) - 1];
}

// The user's click, twenty times, stopping between clicks.
void BM_PlayScaleClickToFirstSound(benchmark::State& state) {
    APP& app = *g_app;
    app.Choose(static_cast<int>(state.range(0)));
    std::vector<double> beyond, heard, handler;
    for (auto _ : state) {
        if (!app.ForgetSound()) {
            state.SkipWithError("the device stopped");
            break;
        }
        const Clock::time_point clicked = Clock::now();
        QTest::mouseClick(app.play, Qt::LeftButton);
        const Clock::time_point returned = Clock::now();
        if (!app.Center()->IsPlaying()) {
            state.SkipWithError("Play Scale did not play");
            break;
        }
        Clock::time_point first;
        if (!CAppHarness::WaitFor([&] { return app.device->GetFirstSoundTime(&first); }, 10000)) {
            state.SkipWithError("no sound reached the device");
            break;
        }
        // The list sounds one beat after the click: the first note is due then.
        const PRACTICE_REQUEST request = app.tool->AssembleRequest();
        const double due = 1000.0 * (request.beatTime + app.tool->GetLastPlayed()[0].m_time);
        const double late = Ms(first - clicked) - due;
        beyond.push_back(late);
        heard.push_back(Ms(first - clicked));
        handler.push_back(Ms(returned - clicked));
        state.SetIterationTime(std::max(late, 0.0) / 1000.0);
        QTest::mouseClick(app.play, Qt::LeftButton); // Stop
    }
    if (beyond.empty())
        return;
    state.counters["median_ms"] = Percentile(beyond, 0.5);
    state.counters["p95_ms"] = Percentile(beyond, 0.95);
    state.counters["max_ms"] = *std::max_element(beyond.begin(), beyond.end());
    state.counters["click_median_ms"] = Percentile(handler, 0.5);
    state.counters["click_p95_ms"] = Percentile(handler, 0.95);
    state.counters["heard_median_ms"] = Percentile(heard, 0.5);
}
BENCHMARK(BM_PlayScaleClickToFirstSound)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The steps of the click, one at a time, on the same application.
void BM_ComposeScalePractice(benchmark::State& state) {
    APP& app = *g_app;
    app.Choose(static_cast<int>(state.range(0)));
    CComposer& composer = *app.Center()->GetComposer();
    for (auto _ : state) {
        PRACTICE_REQUEST request = app.tool->AssembleRequest();
        CSong song;
        if (!composer.ComposeScalePractice(request, song)) {
            state.SkipWithError(composer.GetErrorText().GetText());
            break;
        }
        benchmark::DoNotOptimize(song.GetTrackCount());
    }
}
BENCHMARK(BM_ComposeScalePractice)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FlattenPractice(benchmark::State& state) {
    APP& app = *g_app;
    app.Choose(static_cast<int>(state.range(0)));
    PRACTICE_REQUEST request = app.tool->AssembleRequest();
    CSong song;
    if (!app.Center()->GetComposer()->ComposeScalePractice(request, song)) {
        state.SkipWithError("compose failed");
        return;
    }
    for (auto _ : state) {
        CNoteList notes;
        if (!song.MergeTracks(notes, false)) {
            state.SkipWithError("merge failed");
            break;
        }
        benchmark::DoNotOptimize(notes.GetCount());
    }
}
BENCHMARK(BM_FlattenPractice)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The application's PlayNotes with the composed list: what the engine does before the click
// returns (rewinding the stream and mixing its first chunk).
void BM_PlayNotes(benchmark::State& state) {
    APP& app = *g_app;
    app.Choose(static_cast<int>(state.range(0)));
    PRACTICE_REQUEST request = app.tool->AssembleRequest();
    PRACTICE_NOTES practice;
    if (!MakePracticeNotes(*app.Center()->GetComposer(), request, false, practice)) {
        state.SkipWithError("compose failed");
        return;
    }
    for (auto _ : state) {
        if (!app.Center()->PlayNotes(practice.notes, true, request.beatsPerMeasure,
                                     request.beatTime, 0.0, 0, 0)) {
            state.SkipWithError("PlayNotes failed");
            break;
        }
        state.PauseTiming();
        app.Center()->Stop();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PlayNotes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ShowScale(benchmark::State& state) {
    APP& app = *g_app;
    for (auto _ : state)
        benchmark::DoNotOptimize(app.tool->ShowScale());
}
BENCHMARK(BM_ShowScale)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CApplication qtApp(argc, argv);
    benchmark::Initialize(&argc, argv);
    APP app;
    if (!app.Start()) {
        std::fprintf(stderr, "the application did not start\n");
        app.Uninstall();
        return 1;
    }
    g_app = &app;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_app = nullptr;
    app.Uninstall();
    return 0;
}

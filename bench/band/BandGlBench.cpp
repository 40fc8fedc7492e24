// Building the three guitars and a figure as the band's pictures build them, with the system's
// fonts for the fret numbers and note names (milliseconds and vertices); building the whole
// band; and drawing the band's picture at 1600 x 1200 through the scene's frame path (waited
// for with glFinish), 300 frames: median and 99th percentile of the frame time.
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

#include "band/Band.h"
#include "band/BandPictureSet.h"
#include "band/Guitars.h"
#include "band/Human.h"
#include "render/FontOutlines.h"
#include "render/GraphicsDevice.h"
#include "render/QtFontOutlines.h"
#include "render/SceneView.h"
#include "render/SpacePainter.h"
#include "theory/NoteManager.h"

namespace {

void BM_BuildGuitarsAndHuman(benchmark::State& state) {
    CQtFontOutlines fonts;
    SetFontOutlines(&fonts);
    CNoteManager notes;
    notes.Initialize();
    int vertices = 0, triangles = 0;
    for (auto _ : state) {
        CVertexBuffer buffer(nullptr, 5000);
        CTextShapes texts;
        CCharString error;
        triangles = 0;
        // The guitars share their texts, so they live together, as in a picture.
        std::vector<std::unique_ptr<CGuitars>> guitars;
        for (THING kind : {THING_LEAD_GUITAR, THING_RHYTHM_GUITAR, THING_BASS_GUITAR}) {
            guitars.push_back(std::make_unique<CGuitars>(nullptr, &buffer, "Guitar", &notes));
            if (!guitars.back()->Build(kind, 0, &texts))
                error = guitars.back()->GetError();
            triangles += guitars.back()->CountTriangles();
        }
        CHuman human(nullptr, &buffer, "Human");
        if (!human.Build(THING_LEAD_GUITAR))
            error = human.GetError();
        if (error.GetLength() > 0) {
            state.SkipWithError(error.GetText());
            break;
        }
        triangles += human.CountTriangles();
        vertices = buffer.GetVertexCount();
    }
    state.counters["vertices"] = vertices;
    state.counters["triangles"] = triangles;
    SetFontOutlines(nullptr);
}
BENCHMARK(BM_BuildGuitarsAndHuman)->Unit(benchmark::kMillisecond);

void BM_BuildBand(benchmark::State& state) {
    CQtFontOutlines fonts;
    SetFontOutlines(&fonts);
    CNoteManager notes;
    notes.Initialize();
    int vertices = 0;
    for (auto _ : state) {
        CVertexBuffer buffer(nullptr, 5000);
        CBand band(nullptr, &buffer, "Band", &notes);
        if (!band.Build()) {
            state.SkipWithError(band.GetError().GetText());
            break;
        }
        vertices = buffer.GetVertexCount();
    }
    state.counters["vertices"] = vertices;
    SetFontOutlines(nullptr);
}
BENCHMARK(BM_BuildBand)->Unit(benchmark::kMillisecond);

void BM_DrawBand(benchmark::State& state) {
    CNoteManager notes;
    notes.Initialize();
    QWidget window;
    auto* view = new CSceneView(&window);
    window.resize(1600, 1200);
    view->resize(1600, 1200);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) ||
        !QTest::qWaitFor([&] { return view->IsGlReady(); }, 5000)) {
        state.SkipWithError("no OpenGL view");
        return;
    }
    CSpacePainter painter;
    painter.SetBandPictures(std::make_unique<CBandPictureSet>(&notes));
    if (!painter.Initialize(view, nullptr) || !painter.SetPicture(14) ||
        !painter.LookAt(static_cast<int>(state.range(0)), 0, 12)) {
        state.SkipWithError(painter.GetError().GetText());
        return;
    }
    view->SetDevice(painter.GetDevice());
    painter.RenderFrame(true); // uploads the geometry and textures
    painter.GetDevice()->Finish();
    std::vector<double> frames;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        painter.RenderFrame(true);
        painter.GetDevice()->Finish();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        frames.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    std::sort(frames.begin(), frames.end());
    state.counters["median_ms"] = frames[frames.size() / 2];
    state.counters["p99_ms"] = frames[std::min(frames.size() - 1, frames.size() * 99 / 100)];
    state.counters["triangles"] = painter.CountTriangles();
}
// The lead guitar framed (39), as at start-up, and the whole band (62).
BENCHMARK(BM_DrawBand)
    ->Arg(39)
    ->Arg(62)
    ->ArgName("look_at")
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

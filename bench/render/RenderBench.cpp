// Building the TestThing picture (every mesh builder; vertices per second), and drawing it at
// 1600 x 1200 through the whole frame path of the scene (check, clear, draw, resolve; waited
// for with glFinish), 300 frames: median and 99th percentile of the frame time, with the
// device's own choice of multisampling and with two samples.
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

#include "render/FontOutlines.h"
#include "render/GraphicsDevice.h"
#include "render/QtFontOutlines.h"
#include "render/SceneView.h"
#include "render/SpacePainter.h"
#include "render/TestPictures.h"

namespace {

void BM_BuildTestThing(benchmark::State& state) {
    CQtFontOutlines fonts;
    SetFontOutlines(&fonts);
    int64_t vertices = 0;
    for (auto _ : state) {
        CVertexBuffer buffer(nullptr, 5000);
        CTestThing thing(nullptr, &buffer);
        if (!thing.Build()) {
            state.SkipWithError(thing.GetError().GetText());
            break;
        }
        vertices += buffer.GetVertexCount();
        benchmark::DoNotOptimize(buffer.GetVertices());
    }
    state.counters["vertices/s"] =
        benchmark::Counter(static_cast<double>(vertices), benchmark::Counter::kIsRate);
    SetFontOutlines(nullptr);
}
BENCHMARK(BM_BuildTestThing)->Unit(benchmark::kMillisecond);

void BM_DrawFrame(benchmark::State& state) {
    QWidget window;
    auto* view = new CSceneView(&window);
    window.resize(800, 600);
    view->resize(800, 600);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) ||
        !QTest::qWaitFor([&] { return view->IsGlReady(); }, 5000)) {
        state.SkipWithError("no OpenGL view");
        return;
    }
    CSpacePainter painter;
    if (!painter.Initialize(view, nullptr)) {
        state.SkipWithError(painter.GetError().GetText());
        return;
    }
    painter.GetDevice()->SetSamples(static_cast<int>(state.range(1)));
    painter.GetDevice()->Reset();
    if (!painter.SetPicture(static_cast<int>(state.range(0)))) {
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
    state.counters["samples"] = painter.GetDevice()->GetSamples();
}
// Picture 1; multisampling as the device chooses it (-1), and with 2 samples asked for.
BENCHMARK(BM_DrawFrame)
    ->ArgsProduct({{1}, {-1, 2}})
    ->ArgNames({"picture", "samples"})
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

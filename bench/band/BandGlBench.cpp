// Building the three guitars and a figure as the band's pictures build them, with the system's
// fonts for the fret numbers and note names (milliseconds and vertices).
#include <QApplication>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

#include "band/Guitars.h"
#include "band/Human.h"
#include "render/FontOutlines.h"
#include "render/QtFontOutlines.h"
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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// SetNotes of a four-measure groove, and a full repaint of the four note views (grids and
// staffs) at the size the Song Editor gives them; a repaint must stay well under a 60 Hz frame.
#include "song/MidiFile.h"
#include "tools/NoteGridWnd.h"
#include "tools/StaffWnd.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// The Funk groove repeated to four measures: every track, sixteenths and ghost notes.
CSong& FourMeasures() {
    static CSong song = [] {
        CSong groove, four;
        CMidiFile file;
        file.SetTraceEnabled(false);
        file.Load((std::string(MA_RUNTIME_DIR) + "/Grooves/Funk/1 Funk.mid").c_str(), groove);
        for (int i = 0; i < 4; ++i)
            four.Append(groove);
        four.m_header.measureCount = 4;
        return four;
    }();
    return song;
}

GRID_KIND KindOf(const CTrack& track) {
    return track.IsDrumSet()                           ? GRID_DRUMS
           : track.m_instrument == THING_BASS_GUITAR   ? GRID_BASS
           : track.m_instrument == THING_RHYTHM_GUITAR ? GRID_RHYTHM
                                                       : GRID_LEAD;
}

void SetNotesFourMeasures(benchmark::State& state) {
    const CSong& song = FourMeasures();
    CNoteGrid grid;
    for (auto _ : state)
        for (int t = 0; t < song.GetTrackCount(); ++t) {
            grid.Init(KindOf(song[t]), state.range(0) != 0, song.m_header, song[t].m_instrument);
            benchmark::DoNotOptimize(grid.SetNotes(song[t].m_notes));
        }
    state.SetLabel(state.range(0) ? "four staffs" : "four grids");
}
BENCHMARK(SetNotesFourMeasures)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void RepaintFourViews(benchmark::State& state) {
    const CSong& song = FourMeasures();
    std::vector<std::unique_ptr<CNoteGridWnd>> views;
    for (int t = 0; t < song.GetTrackCount(); ++t) {
        if (state.range(0))
            views.push_back(std::make_unique<CStaffWnd>(KindOf(song[t])));
        else
            views.push_back(std::make_unique<CNoteGridWnd>(KindOf(song[t]), false));
        views.back()->resize(900, 220);
        views.back()->SetNotes(song.m_header, song[t].m_notes, song[t].m_instrument);
    }
    QImage image(900, 220, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        for (auto& view : views) {
            QPainter painter(&image);
            view->Render(painter);
        }
    state.SetLabel(state.range(0) ? "four staffs" : "four grids");
}
BENCHMARK(RepaintFourViews)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

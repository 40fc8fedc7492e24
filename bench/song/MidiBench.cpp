// MIDI load and save speed on a 10,000-note, 4-track file, next to midicsv and csvmidi (the
// independent reader and writer the tests check our files with) on the same file. Rates are MB of
// MIDI file per second: ours per second of processor time, midicsv's per second of wall time
// (starting the program included) and, as child_cpu_MB_per_s, per second of its own processor
// time.
#include "song/MidiFile.h"
#include "song/Song.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

CNote Note(double time, double duration, int midi, float volume, THING thing) {
    CNote note;
    note.m_time = time;
    note.m_duration = duration;
    note.m_midi = midi;
    note.m_volume = volume;
    note.m_thing = thing;
    return note;
}

// Drums, bass, rhythm and lead guitar, 2,500 notes each, the guitars with tab and chord data.
CSong MakeSong() {
    CSong song;
    song.m_header.name.Set("Benchmark");
    song.m_header.SetBeatTime(0.5);
    const THING instruments[] = {THING_DRUM_SET, THING_BASS_GUITAR, THING_RHYTHM_GUITAR,
                                 THING_LEAD_GUITAR};
    const THING pieces[] = {THING_BASS_DRUM_1, THING_HIHAT_CLOSED, THING_SNARE_DRUM,
                            THING_HIHAT_CLOSED};
    for (THING instrument : instruments) {
        CTrack track;
        track.m_instrument = instrument;
        track.m_name.Set(GetThingName(instrument));
        for (int i = 0; i < 2500; ++i) {
            CNote note = Note(i * 0.125, 0.1, 40 + (i * 7) % 36, 0.5f + (i % 5) * 0.1f,
                              instrument == THING_DRUM_SET ? pieces[i % 4] : instrument);
            if (instrument == THING_RHYTHM_GUITAR || instrument == THING_LEAD_GUITAR) {
                note.Position().string = 1 + i % 6;
                note.Position().fret = i % 15;
                note.Position().finger = 1 + i % 4;
                note.m_chordType = 1 + i % 8;
                note.m_chordRoot = 40 + i % 12;
            }
            track.Add(note);
        }
        song.AddTrack(track);
    }
    return song;
}

struct FILES {
    FILES() {
        char made[] = "/tmp/bench_midi_XXXXXX";
        folder = mkdtemp(made) ? made : "/tmp";
        midi = folder + "/band.mid";
        csv = folder + "/band.csv";
        CMidiFile file;
        file.SetTraceEnabled(false);
        song = MakeSong();
        if (!file.Save(midi.c_str(), song))
            std::fprintf(stderr, "bench: can't save %s: %s\n", midi.c_str(),
                         file.GetError().GetText());
        size = static_cast<int64_t>(std::filesystem::file_size(midi));
        std::string command = "midicsv '" + midi + "' '" + csv + "'";
        haveMidicsv = std::system(command.c_str()) == 0;
    }
    ~FILES() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string folder, midi, csv;
    CSong song;
    int64_t size = 0;
    bool haveMidicsv = false;
};

double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// MB of MIDI per second of the child programs' own processor time, which a loaded machine
// disturbs less than the wall clock.
void SetChildRate(benchmark::State& state, double cpuSeconds, int64_t bytes) {
    if (cpuSeconds > 0.0)
        state.counters["child_cpu_MB_per_s"] =
            static_cast<double>(bytes) * static_cast<double>(state.iterations()) / cpuSeconds / 1e6;
}

FILES& Files() {
    static FILES files;
    return files;
}

void BM_MidiLoad(benchmark::State& state) {
    FILES& files = Files();
    CMidiFile file;
    file.SetTraceEnabled(state.range(0) != 0);
    for (auto _ : state) {
        CSong song;
        if (!file.Load(files.midi.c_str(), song))
            state.SkipWithError(file.GetError().GetText());
        benchmark::DoNotOptimize(song.GetTrackCount());
    }
    state.SetBytesProcessed(state.iterations() * files.size);
    state.counters["notes"] = 10000;
    state.counters["file_bytes"] = static_cast<double>(files.size);
}
BENCHMARK(BM_MidiLoad)->ArgName("trace")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_MidiSaveToMemory(benchmark::State& state) {
    FILES& files = Files();
    CMidiFile file;
    file.SetTraceEnabled(false);
    std::string bytes;
    for (auto _ : state) {
        if (!file.SaveToMemory(files.song, bytes))
            state.SkipWithError(file.GetError().GetText());
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * files.size);
}
BENCHMARK(BM_MidiSaveToMemory)->Unit(benchmark::kMillisecond);

// To disk, through the temporary file, flush and rename of a safe save.
void BM_MidiSave(benchmark::State& state) {
    FILES& files = Files();
    CMidiFile file;
    file.SetTraceEnabled(false);
    std::string path = files.folder + "/saved.mid";
    for (auto _ : state)
        if (!file.Save(path.c_str(), files.song))
            state.SkipWithError(file.GetError().GetText());
    state.SetBytesProcessed(state.iterations() * files.size);
}
BENCHMARK(BM_MidiSave)->Unit(benchmark::kMillisecond);

void BM_MidicsvRead(benchmark::State& state) {
    FILES& files = Files();
    if (!files.haveMidicsv) {
        state.SkipWithError("midicsv is not installed (scripts/install-deps)");
        return;
    }
    std::string command = "midicsv '" + files.midi + "' /dev/null";
    double start = ChildCpuSeconds();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("midicsv failed");
    state.SetBytesProcessed(state.iterations() * files.size);
    SetChildRate(state, ChildCpuSeconds() - start, files.size);
}
BENCHMARK(BM_MidicsvRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CsvmidiWrite(benchmark::State& state) {
    FILES& files = Files();
    if (!files.haveMidicsv) {
        state.SkipWithError("midicsv is not installed (scripts/install-deps)");
        return;
    }
    std::string command = "csvmidi '" + files.csv + "' '" + files.folder + "/csv.mid'";
    double start = ChildCpuSeconds();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("csvmidi failed");
    state.SetBytesProcessed(state.iterations() * files.size);
    SetChildRate(state, ChildCpuSeconds() - start, files.size);
}
BENCHMARK(BM_CsvmidiWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The cost of starting a program, to read the midicsv figures against.
void BM_ProgramStart(benchmark::State& state) {
    for (auto _ : state)
        if (std::system("true") != 0)
            state.SkipWithError("true failed");
}
BENCHMARK(BM_ProgramStart)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

// Loading every sample set of the built content (bin/Sound), as the application does at start.
// Cold: the sample files are dropped from the page cache before each load. Warm: they are not.
// Counters: samples, MB of sample data held, and the process's resident memory after the load.
#include "sound/SampleStore.h"
#include "theory/NoteManager.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const std::string kSoundFolder = std::string(MA_RUNTIME_DIR) + "/Sound";

// Asks the kernel to forget the cached pages of every sample file; needs no privileges.
void DropFromPageCache() {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kSoundFolder, error)) {
        if (!entry.is_regular_file())
            continue;
        int fd = open(entry.path().c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        fdatasync(fd);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
}

double ResidentMegabytes() {
    long pages = 0, resident = 0;
    FILE* file = fopen("/proc/self/statm", "r");
    if (!file)
        return 0.0;
    if (fscanf(file, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    fclose(file);
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void LoadAllSets(benchmark::State& state, bool cold) {
    CNoteManager notes;
    if (!notes.Initialize()) {
        state.SkipWithError(notes.GetErrorText().GetText());
        return;
    }
    CSampleStore store(notes);
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            store.Clear();
            DropFromPageCache();
            state.ResumeTiming();
        }
        if (!store.LoadAllSets(kSoundFolder.c_str())) {
            state.SkipWithError(store.GetErrorText().GetText());
            return;
        }
    }
    state.counters["samples"] = double(store.GetSampleCount());
    state.counters["data_MB"] = double(store.GetDataBytes()) / (1024.0 * 1024.0);
    state.counters["resident_MB"] = ResidentMegabytes();
}

void BM_LoadAllSetsCold(benchmark::State& state) {
    LoadAllSets(state, true);
}
void BM_LoadAllSetsWarm(benchmark::State& state) {
    LoadAllSets(state, false);
}

} // namespace

BENCHMARK(BM_LoadAllSetsCold)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadAllSetsWarm)->Unit(benchmark::kMillisecond)->MinTime(1.0);

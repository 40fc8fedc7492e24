#include "core/DiskFile.h"
#include "core/KeyValue.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
constexpr size_t kFileBytes = 50u * 1024 * 1024;

// A 50 MB file of song-like key/value lines, made once per run.
struct SAMPLE_FILE {
    std::string path;
    size_t lines = 0;

    SAMPLE_FILE() {
        path = "/tmp/ma-bench-core-" + std::to_string(getpid()) + ".txt";
        CDiskFile out;
        if (!out.Open(path.c_str(), false, true, true))
            return;
        static const char* const kKeys[] = {"Name", "Tempo", "Volume", "Pan", "Chord", "Notes"};
        size_t written = 0;
        std::string block;
        for (size_t i = 0; written < kFileBytes; ++i) {
            CCharString line;
            switch (i % 6) {
            case 0:
                line = FormatKeyText(kKeys[0], "Slow Blues in A=minor");
                break;
            case 1:
                line = FormatKeyInt(kKeys[1], static_cast<int>(60 + i % 120));
                break;
            case 2:
                line = FormatKeyReal(kKeys[2], (i % 100) / 100.0);
                break;
            case 3:
                line = FormatKeyReal(kKeys[3], (i % 200) / 100.0 - 1.0);
                break;
            case 4:
                line = FormatKeyText(kKeys[4], "A7");
                break;
            default:
                line.Set("");
                break; // block separator
            }
            block.append(line.GetText());
            block.append("\r\n");
            ++lines;
            if (block.size() > 1 << 20) {
                out.Write(block.data(), block.size());
                written += block.size();
                block.clear();
            }
        }
        out.Write(block.data(), block.size());
        out.Close();
    }
    ~SAMPLE_FILE() { std::remove(path.c_str()); }
};

SAMPLE_FILE& Sample() {
    static SAMPLE_FILE sample;
    return sample;
}

void BM_NextLine(benchmark::State& state) {
    SAMPLE_FILE& sample = Sample();
    size_t total = 0;
    for (auto _ : state) {
        CDiskFile file;
        if (!file.Open(sample.path.c_str(), true, false, false)) {
            state.SkipWithError("can't open the sample file");
            return;
        }
        char* line = nullptr;
        size_t count = 0;
        while (file.NextLine(line) && line != nullptr)
            ++count;
        benchmark::DoNotOptimize(count);
        total += count;
    }
    state.SetItemsProcessed(static_cast<int64_t>(total));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_NextLine)->Unit(benchmark::kMillisecond);

// Reading plus what every file reader does with a line: split it and convert its number.
void BM_NextLineKeyValue(benchmark::State& state) {
    SAMPLE_FILE& sample = Sample();
    size_t total = 0;
    for (auto _ : state) {
        CDiskFile file;
        if (!file.Open(sample.path.c_str(), true, false, false)) {
            state.SkipWithError("can't open the sample file");
            return;
        }
        char* line = nullptr;
        double sum = 0;
        while (file.NextLine(line) && line != nullptr) {
            KEY_VALUE kv;
            if (SplitKeyValue(line, kv) && kv.key == "Volume")
                sum += KeyValueReal(kv.value);
            ++total;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_NextLineKeyValue)->Unit(benchmark::kMillisecond);
} // namespace

// The playback engine's speed: offline rendering against real time and against FluidSynth's
// fast render of the same practice, the mixing loop against a plain copy, and the time from
// Start to the first sound the device is handed.
#include "tests/sound/EngineSupport.h"

#include "sound/SampleStore.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMeasures = 32;
constexpr double kTempo = 120.0;

// One engine over the built sample sets (or small synthetic ones), opened once, and the
// default practice of 32 measures.
struct BENCH_RIG {
    ENGINE_RIG rig;
    CNoteList practice;
    CTempFolder temp;
    std::string folder = temp.File("");
    std::string samples;
    bool open = false;

    BENCH_RIG() {
        samples = GetBuiltSampleFolder();
        if (samples.empty()) {
            samples = folder + "samples/";
            WriteTestSampleSets(samples);
        }
        open = rig.Open(samples);
        // The default practice made 32 measures long; the stand-in without built grooves.
        if (open && !MakeDefaultPractice(rig.notes, practice, kMeasures))
            practice = MakeTestPractice(kMeasures, kTempo, rig.notes);
    }
};

BENCH_RIG& Rig() {
    static BENCH_RIG rig;
    return rig;
}

bool Ready(benchmark::State& state) {
    if (!Rig().open) {
        state.SkipWithError(Rig().rig.sound->GetErrorText().GetText());
        return false;
    }
    return true;
}

double RenderSeconds(const std::string& path) {
    std::vector<int16_t> values;
    ReadFrames(path, values);
    return static_cast<double>(values.size() / 2) / 44100.0;
}

// Offline rendering of the 32-measure practice on one thread; counter: multiples of real time,
// by the thread's CPU time (the wall time of a loaded machine says more about the machine).
void BM_RenderPractice(benchmark::State& state) {
    if (!Ready(state))
        return;
    const std::string path = Rig().folder + "practice.wav";
    for (auto _ : state) {
        if (!Rig().rig.sound->RenderToWave(Rig().practice, path.c_str())) {
            state.SkipWithError(Rig().rig.sound->GetErrorText().GetText());
            return;
        }
    }
    const double audio = RenderSeconds(path);
    state.counters["audio_s"] = audio;
    state.counters["x_realtime"] = benchmark::Counter(
        audio * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderPractice)->Unit(benchmark::kMillisecond);

// ---- FluidSynth on the same material

void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t bytes[5];
    int count = 0;
    bytes[count++] = value & 0x7F;
    while ((value >>= 7) != 0)
        bytes[count++] = static_cast<uint8_t>(0x80 | (value & 0x7F));
    while (count > 0)
        out.push_back(bytes[--count]);
}

// The practice as a format-0 MIDI file: the guitars on the clean guitar, the bass on the finger
// bass, the drums on channel 10 with their percussion notes; the programs the sample sets were
// rendered from.
bool WritePracticeMidi(const CNoteList& notes, const std::string& path, bool empty) {
    struct EVENT {
        uint32_t tick;
        uint8_t status, data1, data2;
    };
    const double ticksPerSecond = 480.0 * kTempo / 60.0;
    std::vector<EVENT> events = {{0, 0xC0, 27, 0}, {0, 0xC1, 27, 0}, {0, 0xC2, 33, 0}};
    if (!empty) {
        for (const CNote& note : notes) {
            uint8_t channel = 0, key = static_cast<uint8_t>(note.m_midi);
            if (note.m_thing == THING_RHYTHM_GUITAR)
                channel = 1;
            else if (note.m_thing == THING_BASS_GUITAR)
                channel = 2;
            else if (IsDrumPart(note.m_thing)) {
                channel = 9;
                key = static_cast<uint8_t>(GetPercussionNote(note.m_thing));
            }
            const auto velocity =
                static_cast<uint8_t>(std::clamp(note.m_volume * 127.0f, 1.0f, 127.0f));
            const double length = note.HasDuration() ? note.m_duration : 0.3;
            const auto on = static_cast<uint32_t>(note.m_time * ticksPerSecond);
            const auto off = static_cast<uint32_t>((note.m_time + length) * ticksPerSecond);
            events.push_back({on, static_cast<uint8_t>(0x90 | channel), key, velocity});
            events.push_back({off, static_cast<uint8_t>(0x80 | channel), key, 0});
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const EVENT& a, const EVENT& b) { return a.tick < b.tick; });
    std::vector<uint8_t> track = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}; // 500000 us / beat
    uint32_t last = 0;
    for (const EVENT& event : events) {
        PutVarLen(track, event.tick - last);
        last = event.tick;
        track.push_back(event.status);
        track.push_back(event.data1);
        if ((event.status & 0xF0) != 0xC0)
            track.push_back(event.data2);
    }
    const uint8_t end[] = {0x00, 0xFF, 0x2F, 0x00};
    track.insert(track.end(), end, end + 4);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const uint8_t header[] = {'M', 'T', 'h', 'd',  0,    0,   0,   6,   0,
                              0,   0,   1,   0x01, 0xE0, 'M', 'T', 'r', 'k'};
    const auto size = static_cast<uint32_t>(track.size());
    const uint8_t length[] = {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                              static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)};
    const bool written = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
                         std::fwrite(length, 1, 4, file) == 4 &&
                         std::fwrite(track.data(), 1, track.size(), file) == track.size();
    return std::fclose(file) == 0 && written;
}

// Seconds that `fluidsynth -F` takes for a MIDI file, reverb and chorus off, or < 0.
double TimeFluidSynth(const std::string& midi, const std::string& wav) {
    const std::string command = "fluidsynth -ni -q -R 0 -C 0 -r 44100 -O s16 -T wav -F '" + wav +
                                "' '" MA_SOUNDFONT "' '" + midi + "' > /dev/null 2>&1";
    const auto started = Clock::now();
    const int status = std::system(command.c_str());
    const double took = std::chrono::duration<double>(Clock::now() - started).count();
    return status == 0 ? took : -1.0;
}

// FluidSynth's fast render of the same practice, in the same run as our rendering. Its time
// includes starting the program and loading the SoundFont, which an empty song measures and
// the synthesis time leaves out. Counters: both times, both ratios to our rendering.
void BM_FluidSynthComparison(benchmark::State& state) {
    if (!Ready(state))
        return;
    const std::string midi = Rig().folder + "practice.mid";
    const std::string emptyMidi = Rig().folder + "empty.mid";
    const std::string ours = Rig().folder + "ours.wav";
    const std::string theirs = Rig().folder + "fluidsynth.wav";
    if (!WritePracticeMidi(Rig().practice, midi, false) ||
        !WritePracticeMidi(Rig().practice, emptyMidi, true)) {
        state.SkipWithError("can't write the MIDI files");
        return;
    }
    double fluid = 0, startup = 0, engine = 0;
    for (auto _ : state) {
        const auto started = Clock::now();
        if (!Rig().rig.sound->RenderToWave(Rig().practice, ours.c_str())) {
            state.SkipWithError(Rig().rig.sound->GetErrorText().GetText());
            return;
        }
        engine += std::chrono::duration<double>(Clock::now() - started).count();
        const double full = TimeFluidSynth(midi, theirs);
        const double empty = TimeFluidSynth(emptyMidi, theirs + ".empty.wav");
        if (full < 0 || empty < 0) {
            state.SkipWithError("fluidsynth failed (is it installed?)");
            return;
        }
        fluid += full;
        startup += empty;
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = 1000 * engine / n;
    state.counters["fluidsynth_ms"] = 1000 * fluid / n;
    state.counters["fluidsynth_startup_ms"] = 1000 * startup / n;
    state.counters["ratio_total"] = fluid / engine;
    state.counters["ratio_synthesis"] = (fluid - startup) / engine;
    state.counters["fluidsynth_audio_s"] = RenderSeconds(theirs);
}
BENCHMARK(BM_FluidSynthComparison)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// ---- The mixing loop against a plain copy of the same bytes

struct MIX_DATA {
    CSoundInfo sample;
    std::vector<uint8_t> destination;
    CNote note;
    MIX_DATA() {
        // Five seconds of mono sample, mixed at a volume and pan as notes are.
        sample.format.formatTag = WAVE_FORMAT_PCM;
        sample.format.channels = 1;
        sample.format.samplesPerSec = 44100;
        sample.format.bitsPerSample = 16;
        sample.format.blockAlign = 2;
        sample.format.avgBytesPerSec = 88200;
        sample.Allocate(5 * 88200);
        for (uint32_t i = 0; i < sample.GetValueCount(); ++i)
            sample.GetValues()[i] = static_cast<int16_t>(((i * 7919) % 20000) - 10000);
        destination.assign(5 * 176400, 1);
        note.m_time = 0.0;
        note.m_volume = 0.8f;
        note.m_pan = -0.3f;
    }
};

MIX_DATA& Mix() {
    static MIX_DATA data;
    return data;
}

void BM_MixNote(benchmark::State& state) {
    if (!Ready(state))
        return;
    MIX_DATA& data = Mix();
    for (auto _ : state) {
        Rig().rig.sound->MixNote(data.destination.data(),
                                 static_cast<uint32_t>(data.destination.size()), data.sample,
                                 data.note);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(data.destination.size()));
}
BENCHMARK(BM_MixNote)->Unit(benchmark::kMicrosecond);

void BM_MemcpySameBytes(benchmark::State& state) {
    MIX_DATA& data = Mix();
    std::vector<uint8_t> source(data.destination.size(), 3);
    for (auto _ : state) {
        std::memcpy(data.destination.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(source.size()));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMicrosecond);

// Both in one run, so the fraction compares like with like. Counter: mixing throughput as a
// fraction of memcpy's.
void BM_MixFractionOfMemcpy(benchmark::State& state) {
    if (!Ready(state))
        return;
    MIX_DATA& data = Mix();
    std::vector<uint8_t> source(data.destination.size(), 3);
    double mix = 0, copy = 0;
    for (auto _ : state) {
        auto started = Clock::now();
        Rig().rig.sound->MixNote(data.destination.data(),
                                 static_cast<uint32_t>(data.destination.size()), data.sample,
                                 data.note);
        benchmark::ClobberMemory();
        mix += std::chrono::duration<double>(Clock::now() - started).count();
        started = Clock::now();
        std::memcpy(data.destination.data(), source.data(), source.size());
        benchmark::ClobberMemory();
        copy += std::chrono::duration<double>(Clock::now() - started).count();
    }
    state.counters["fraction_of_memcpy"] = copy / mix;
}
BENCHMARK(BM_MixFractionOfMemcpy)->Unit(benchmark::kMicrosecond);

// ---- Start to the first non-silent frame handed to the device

// On the virtual device in real time (blocks of 128 frames, 2.9 ms, like a low-latency
// callback), less the time of the practice's first note. Counters: percentiles over the
// repeated starts, in milliseconds.
void BM_StartToFirstSound(benchmark::State& state) {
    ENGINE_RIG rig;
    if (!rig.Open(Rig().samples, false)) {
        state.SkipWithError(rig.sound->GetErrorText().GetText());
        return;
    }
    const CNoteList& practice = Rig().practice;
    const double firstNote = practice.IsEmpty() ? 0.0 : practice[0].m_time;
    std::vector<double> latencies;
    std::vector<double> calls; // the Start call alone
    for (auto _ : state) {
        rig.device->ResetFirstSound();
        rig.sound->SetVolume(1.0f);
        const auto started = Clock::now();
        rig.sound->Start(practice, 0.0, 0);
        calls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
        Clock::time_point heard;
        while (!rig.device->GetFirstSoundTime(&heard))
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        // The practice's first note sounds a beat in: that much is the music, not the engine.
        latencies.push_back(std::chrono::duration<double, std::milli>(heard - started).count() -
                            1000.0 * firstNote);
        state.PauseTiming();
        rig.sound->Stop();
        // Let a block of silence pass, so that the next start begins from a quiet device.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        state.ResumeTiming();
    }
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) {
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<size_t>(p * static_cast<double>(latencies.size())))];
    };
    state.counters["p50_ms"] = percentile(0.50);
    state.counters["p95_ms"] = percentile(0.95);
    state.counters["max_ms"] = latencies.back();
    std::sort(calls.begin(), calls.end());
    state.counters["start_call_p95_ms"] = calls[std::min(
        calls.size() - 1, static_cast<size_t>(0.95 * static_cast<double>(calls.size())))];
}
BENCHMARK(BM_StartToFirstSound)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(100);

} // namespace

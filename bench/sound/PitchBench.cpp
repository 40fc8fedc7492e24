// Pitch detection: our detector beside aubiopitch (yinfft) on the same files, over three sets:
// synthetic harmonic tones with noise, the recorded sample sets and the rendered lead line of
// the default practice; the time from a note's onset to a reading within 5 cents; the CPU the
// detector takes at the capture's 30 blocks a second.
#include "tests/sound/CaptureSupport.h"
#include "tests/sound/EngineSupport.h"

#include "sound/PitchDetector.h"
#include "sound/SampleStore.h"
#include "sound/SoundFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 44100;
// The capture drains a block on every 33 ms tick.
constexpr uint32_t kBlock = kRate / 30;

struct READING {
    double time; // seconds, the end of the audio the reading stands for
    double frequency;
};

double Cents(double heard, double expected) {
    return 1200.0 * std::log2(heard / expected);
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(share * values.size()));
    return values[index];
}

// Mono 16-bit values through the detector block by block, as the capture hands them on.
std::vector<READING> OurReadings(const std::vector<int16_t>& mono, bool detectionMode = true) {
    WAVE_FORMAT format = MonoFormat();
    CPitchDetector detector;
    detector.SetFormat(format, detectionMode);
    std::vector<READING> readings;
    for (size_t start = 0; start + kBlock <= mono.size(); start += kBlock) {
        double frequency;
        int midi;
        detector.Process(reinterpret_cast<const uint8_t*>(mono.data() + start), kBlock * 2,
                         frequency, midi);
        readings.push_back({static_cast<double>(start + kBlock) / kRate, frequency});
    }
    return readings;
}

std::vector<READING> AubioReadings(const std::string& path) {
    std::vector<READING> readings;
    const std::string command = "aubiopitch -p yinfft -i '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return readings;
    READING reading;
    while (std::fscanf(pipe, "%lf %lf", &reading.time, &reading.frequency) == 2)
        readings.push_back(reading);
    pclose(pipe);
    return readings;
}

bool HaveAubio() {
    return std::system("aubiopitch --help >/dev/null 2>&1") == 0;
}

bool WriteMono(const std::string& path, const std::vector<int16_t>& values) {
    CSoundInfo sample;
    sample.format = MonoFormat();
    if (!sample.Allocate(static_cast<uint32_t>(values.size() * 2)))
        return false;
    std::copy(values.begin(), values.end(), sample.GetValues());
    CSoundFile file;
    return file.Save(path.c_str(), sample);
}

bool ReadMono(const std::string& path, std::vector<int16_t>& mono) {
    CSoundInfo sample;
    CSoundFile file;
    if (!file.Read(path.c_str(), sample) || sample.format.bitsPerSample != 16)
        return false;
    const int16_t* values = sample.GetValues();
    const uint32_t channels = sample.format.channels;
    mono.resize(sample.GetValueCount() / channels);
    for (size_t i = 0; i < mono.size(); ++i) {
        int sum = 0;
        for (uint32_t c = 0; c < channels; ++c)
            sum += values[i * channels + c];
        mono[i] = static_cast<int16_t>(sum / static_cast<int>(channels));
    }
    return true;
}

struct ERRORS {
    std::vector<double> cents; // |error| of readings within 50 cents of the pitch class
    int readings = 0;
    int octave = 0; // a whole number of octaves away
    int gross = 0;  // anything else beyond 50 cents
    int missing = 0;

    void Add(double heard, double expected) {
        ++readings;
        if (!(heard > 0.0)) {
            ++missing;
            return;
        }
        const double error = Cents(heard, expected);
        const double octaves = std::round(error / 1200.0);
        if (std::fabs(error) <= 50.0)
            cents.push_back(std::fabs(error));
        else if (octaves != 0.0 && std::fabs(error - 1200.0 * octaves) <= 50.0)
            ++octave;
        else
            ++gross;
    }
    void Report(benchmark::State& state, const char* who) const {
        const std::string name(who);
        state.counters[name + "_median_cents"] = Percentile(cents, 0.5);
        state.counters[name + "_p95_cents"] = Percentile(cents, 0.95);
        state.counters[name + "_octave_errors"] = octave;
        state.counters[name + "_other_errors"] = gross;
        state.counters[name + "_missing_pct"] = readings ? 100.0 * missing / readings : 0.0;
    }
};

std::string Folder() {
    static const std::string folder = MakeTempFolder("pitch-bench");
    return folder;
}

// Set 1: every MIDI note from 28 to 88, four random detunings of up to 40 cents each, one
// second each; readings from 0.2 s on.
void BM_SyntheticTones(benchmark::State& state) {
    if (!HaveAubio())
        return state.SkipWithError("aubiopitch is missing (scripts/install-deps: aubio-tools)");
    for (auto _ : state) {
        std::mt19937 random(2024);
        std::uniform_real_distribution<double> detune(-40.0, 40.0);
        ERRORS ours, theirs, tunerMode;
        // Also by octave from E1, for the table printed below.
        ERRORS oursBand[6], theirsBand[6];
        for (int midi = 28; midi <= 88; ++midi) {
            const int band = (midi - 28) / 12;
            for (int take = 0; take < 4; ++take) {
                const double frequency = MidiHz(midi + detune(random) / 100.0);
                const std::vector<int16_t> tone = MakeHarmonicTone(frequency, 1.0, random());
                const std::string path = Folder() + "tone.wav";
                WriteMono(path, tone);
                for (const READING& reading : OurReadings(tone)) {
                    if (reading.time >= 0.2) {
                        ours.Add(reading.frequency, frequency);
                        oursBand[band].Add(reading.frequency, frequency);
                    }
                }
                // The Tuner's shorter lengths (capture outside detection mode).
                for (const READING& reading : OurReadings(tone, false))
                    if (reading.time >= 0.2)
                        tunerMode.Add(reading.frequency, frequency);
                for (const READING& reading : AubioReadings(path)) {
                    if (reading.time >= 0.2 && reading.time <= 0.95) {
                        theirs.Add(reading.frequency, frequency);
                        theirsBand[band].Add(reading.frequency, frequency);
                    }
                }
            }
        }
        ours.Report(state, "ours");
        tunerMode.Report(state, "ours_tuner");
        theirs.Report(state, "aubio");
        std::printf("MIDI from  ours: median p95 octave other missing | aubio: median p95 "
                    "octave other missing (readings)\n");
        for (int band = 0; band < 6; ++band) {
            const ERRORS& a = oursBand[band];
            const ERRORS& b = theirsBand[band];
            std::printf("%4d  %6.2f %6.2f %4d %4d %4d | %6.2f %6.2f %4d %4d %4d (%d, %d)\n",
                        28 + 12 * band, Percentile(a.cents, 0.5), Percentile(a.cents, 0.95),
                        a.octave, a.gross, a.missing, Percentile(b.cents, 0.5),
                        Percentile(b.cents, 0.95), b.octave, b.gross, b.missing, a.readings,
                        b.readings);
        }
    }
}
BENCHMARK(BM_SyntheticTones)->Iterations(1)->Unit(benchmark::kMillisecond);

// Set 2: every file of the guitar and bass sample sets. The note is known from the name, the
// exact tuning is not: counted are the steady readings (0.15 s to 1 s, while the gate is open)
// that name the right note, and the median difference from aubiopitch's readings over the
// same span.
void BM_SampleSets(benchmark::State& state) {
    const std::string samples = GetBuiltSampleFolder();
    if (samples.empty())
        return state.SkipWithError("the sample sets are not built");
    if (!HaveAubio())
        return state.SkipWithError("aubiopitch is missing (scripts/install-deps: aubio-tools)");
    for (auto _ : state) {
        size_t setCount = 0;
        const STRINGED_SET* sets = GetStringedSets(setCount);
        int files = 0, filesAllRight = 0, readings = 0, right = 0, silent = 0;
        std::vector<double> differences;
        std::vector<std::string> seen;
        for (size_t s = 0; s < setCount; ++s) {
            if (std::find(seen.begin(), seen.end(), sets[s].name) != seen.end())
                continue;
            seen.push_back(sets[s].name);
            for (int string = 1; string <= sets[s].strings; ++string) {
                for (int fret = 0; fret <= SET_HIGHEST_FRET; fret += 4) {
                    const CCharString path =
                        MakeStringedSampleName(samples.c_str(), sets[s].name, string, fret);
                    std::vector<int16_t> mono;
                    if (!ReadMono(path.GetText(), mono))
                        continue;
                    const int midi = sets[s].openNotes[string - 1] + fret;
                    ++files;
                    bool allRight = true;
                    std::vector<double> ourHz, theirHz;
                    for (const READING& reading : OurReadings(mono)) {
                        if (reading.time < 0.15 || reading.time > 1.0)
                            continue;
                        if (reading.frequency <= 0.0) {
                            ++silent;
                            continue;
                        }
                        ++readings;
                        const bool ok = CPitchDetector::NearestMidi(reading.frequency) == midi;
                        right += ok;
                        allRight = allRight && ok;
                        ourHz.push_back(reading.frequency);
                    }
                    for (const READING& reading : AubioReadings(path.GetText()))
                        if (reading.time >= 0.15 && reading.time <= 1.0 && reading.frequency > 0)
                            theirHz.push_back(reading.frequency);
                    filesAllRight += allRight && !ourHz.empty();
                    if (!ourHz.empty() && !theirHz.empty())
                        differences.push_back(
                            Cents(Percentile(ourHz, 0.5), Percentile(theirHz, 0.5)));
                    else if (ourHz.empty())
                        std::printf("no steady reading: %s\n", path.GetText());
                }
            }
        }
        std::vector<double> magnitudes;
        for (double d : differences)
            magnitudes.push_back(std::fabs(d));
        state.counters["files"] = files;
        state.counters["files_all_right"] = filesAllRight;
        state.counters["right_pct"] = readings ? 100.0 * right / readings : 0.0;
        state.counters["gated_readings"] = silent;
        state.counters["median_cents_from_aubio"] = Percentile(magnitudes, 0.5);
        state.counters["p95_cents_from_aubio"] = Percentile(magnitudes, 0.95);
    }
}
BENCHMARK(BM_SampleSets)->Iterations(1)->Unit(benchmark::kMillisecond);

// Set 3: the default practice's lead line rendered alone. A reading inside a note's steady
// part (from 60 ms after its onset to its end or the next onset) should name that note.
void BM_LeadLine(benchmark::State& state) {
    const std::string samples = GetBuiltSampleFolder();
    if (samples.empty())
        return state.SkipWithError("the sample sets are not built");
    ENGINE_RIG rig;
    CNoteList practice;
    CCharString why;
    if (!rig.Open(samples) || !MakeDefaultPractice(rig.notes, practice, 0, &why))
        return state.SkipWithError(why.IsEmpty() ? "the engine did not open" : why.GetText());
    CNoteList lead;
    for (const CNote& note : practice)
        if (note.m_thing == THING_LEAD_GUITAR && note.HasPitch())
            lead.Add(note);
    const std::string path = Folder() + "lead.wav";
    for (auto _ : state) {
        if (!rig.sound->RenderToWave(lead, path.c_str()))
            return state.SkipWithError(rig.sound->GetErrorText().GetText());
        std::vector<int16_t> mono;
        ReadMono(path, mono);
        auto share = [&](const std::vector<READING>& readings, int& inside) {
            int right = 0;
            inside = 0;
            for (const READING& reading : readings) {
                for (int i = 0; i < lead.GetCount(); ++i) {
                    const double begin = lead[i].m_time + 0.06;
                    double end = lead[i].GetEndTime();
                    if (i + 1 < lead.GetCount())
                        end = std::min(end, lead[i + 1].m_time);
                    if (reading.time < begin || reading.time > end)
                        continue;
                    ++inside;
                    right += reading.frequency > 0.0 &&
                             CPitchDetector::NearestMidi(reading.frequency) == lead[i].m_midi;
                }
            }
            return inside ? 100.0 * right / inside : 0.0;
        };
        int oursInside = 0, theirsInside = 0;
        state.counters["notes"] = lead.GetCount();
        state.counters["ours_right_pct"] = share(OurReadings(mono), oursInside);
        state.counters["ours_windows"] = oursInside;
        if (HaveAubio()) {
            state.counters["aubio_right_pct"] = share(AubioReadings(path), theirsInside);
            state.counters["aubio_windows"] = theirsInside;
        }
    }
}
BENCHMARK(BM_LeadLine)->Iterations(1)->Unit(benchmark::kMillisecond);

// Onset to the first reading within 5 cents, for every note from 28 to 88 starting at a random
// point of a block: from silence (first arg 0) and straight after a note a major third lower
// (1); in detection mode (second arg 1) and with the Tuner's lengths (0).
void BM_OnsetLatency(benchmark::State& state) {
    const bool change = state.range(0) == 1;
    const bool detectionMode = state.range(1) == 1;
    for (auto _ : state) {
        std::mt19937 random(7);
        std::uniform_int_distribution<uint32_t> offset(0, kBlock - 1);
        std::vector<double> all, low, missed;
        int never = 0;
        for (int midi = 28; midi <= 88; ++midi) {
            const double frequency = MidiHz(midi);
            const uint32_t onset = kRate / 2 + offset(random);
            std::vector<int16_t> values(onset, 0);
            if (change) {
                const std::vector<int16_t> before =
                    MakeHarmonicTone(MidiHz(midi - 4), 0.5, random());
                std::copy(before.begin(), before.begin() + onset, values.begin());
            }
            const std::vector<int16_t> note = MakeHarmonicTone(frequency, 0.5, random());
            values.insert(values.end(), note.begin(), note.end());
            double latency = -1.0;
            for (const READING& reading : OurReadings(values, detectionMode)) {
                if (reading.time * kRate > onset && reading.frequency > 0.0 &&
                    std::fabs(Cents(reading.frequency, frequency)) <= 5.0) {
                    latency = reading.time - static_cast<double>(onset) / kRate;
                    break;
                }
            }
            if (latency < 0.0) {
                ++never;
                continue;
            }
            all.push_back(latency * 1000.0);
            if (midi < 40)
                low.push_back(latency * 1000.0);
        }
        state.counters["median_ms"] = Percentile(all, 0.5);
        state.counters["p95_ms"] = Percentile(all, 0.95);
        state.counters["max_ms"] = Percentile(all, 1.0);
        state.counters["below_E2_median_ms"] = Percentile(low, 0.5);
        state.counters["never_within_5_cents"] = never;
    }
}
BENCHMARK(BM_OnsetLatency)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

double ThreadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// One block of a sounding note per iteration, in detection mode; the counter is the share of
// one core at 30 blocks a second, by the thread's CPU time. E1 and E2 take the long analysis.
void BM_DetectorBlock(benchmark::State& state) {
    const std::vector<int16_t> tone =
        MakeHarmonicTone(MidiHz(static_cast<double>(state.range(0))), 2.0, 3);
    CPitchDetector detector;
    detector.SetFormat(MonoFormat(), true);
    size_t start = 0;
    const double cpu = ThreadSeconds();
    for (auto _ : state) {
        double frequency;
        int midi;
        detector.Process(reinterpret_cast<const uint8_t*>(tone.data() + start), kBlock * 2,
                         frequency, midi);
        start = (start + kBlock) % (tone.size() - kBlock);
    }
    const double perBlock = (ThreadSeconds() - cpu) / static_cast<double>(state.iterations());
    state.counters["core_pct_at_30_per_s"] = perBlock * 30.0 * 100.0;
}
BENCHMARK(BM_DetectorBlock)->Arg(28)->Arg(40)->Arg(69)->Arg(88)->Unit(benchmark::kMicrosecond);

} // namespace

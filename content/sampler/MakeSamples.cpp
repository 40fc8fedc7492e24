// Renders the instrument sample sets from a General MIDI SoundFont: every string of the clean
// guitar and the finger bass at every fourth fret, and the drum kit's pieces. Each sample is
// written as a mono 16-bit 44,100 Hz WAVE file, trimmed of leading silence and at most four
// seconds long with its natural decay, in the folder layout the sample store reads.
//
//   ma_make_samples --soundfont FILE --out SOUND_FOLDER [--jobs N] [--stamp FILE]

#include "sound/SampleStore.h"
#include "sound/SoundFile.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kMaxSeconds = 4.0;
constexpr int kFretStep = 4;
constexpr int kDrumChannel = 9;
// General MIDI programs, counted from 0.
constexpr int kProgramCleanGuitar = 27;
constexpr int kProgramFingerBass = 33;
// Files are written at this peak; the store normalises again on loading.
constexpr double kPeakLevel = 0.7;
// Below this (relative to the peak) counts as silence, about -60 dB.
constexpr double kSilence = 0.001;
constexpr double kFadeSeconds = 0.03;

struct JOB {
    std::string path;
    int channel;
    int program;
    int key;
    int velocity;
    double holdSeconds; // the note is released after this, then decays naturally
};

void Fail(const char* format, const char* detail) {
    fprintf(stderr, "ma_make_samples: ");
    fprintf(stderr, format, detail);
    fprintf(stderr, "\n");
}

// Plays one note from silence and returns the mono sound, trimmed and faded.
std::vector<float> Render(fluid_synth_t* synth, const JOB& job) {
    fluid_synth_system_reset(synth);
    if (job.channel != kDrumChannel)
        fluid_synth_program_change(synth, job.channel, job.program);
    else
        fluid_synth_program_change(synth, job.channel, 0); // standard kit

    const int total = int(kMaxSeconds * kRate);
    const int hold = int(job.holdSeconds * kRate);
    std::vector<float> left(static_cast<size_t>(total)), right(static_cast<size_t>(total));
    fluid_synth_noteon(synth, job.channel, job.key, job.velocity);
    fluid_synth_write_float(synth, hold, left.data(), 0, 1, right.data(), 0, 1);
    fluid_synth_noteoff(synth, job.channel, job.key);
    fluid_synth_write_float(synth, total - hold, left.data(), hold, 1, right.data(), hold, 1);

    std::vector<float> mono(static_cast<size_t>(total));
    float peak = 0.0f;
    for (int i = 0; i < total; ++i) {
        mono[size_t(i)] = 0.5f * (left[size_t(i)] + right[size_t(i)]);
        peak = std::max(peak, std::fabs(mono[size_t(i)]));
    }
    if (peak <= 0.0f)
        return {};
    const float threshold = float(kSilence) * peak;
    auto loud = [&](float v) { return std::fabs(v) > threshold; };
    auto first = std::find_if(mono.begin(), mono.end(), loud);
    auto last = std::find_if(mono.rbegin(), mono.rend(), loud).base();
    std::vector<float> sound(first, last);

    // The tail fades to zero so that a sample cut at four seconds does not click.
    const size_t fade = std::min(sound.size(), size_t(kFadeSeconds * kRate));
    for (size_t i = 0; i < fade; ++i)
        sound[sound.size() - 1 - i] *= float(i) / float(fade);
    const float gain = float(kPeakLevel) / peak;
    for (float& v : sound)
        v *= gain;
    return sound;
}

bool WriteWave(const std::string& path, const std::vector<float>& sound, CCharString& error) {
    WAVE_FORMAT format;
    format.formatTag = WAVE_FORMAT_PCM;
    format.channels = 1;
    format.samplesPerSec = kRate;
    format.bitsPerSample = 16;
    format.blockAlign = 2;
    format.avgBytesPerSec = kRate * 2;
    std::vector<int16_t> values(sound.size());
    for (size_t i = 0; i < sound.size(); ++i)
        values[i] = int16_t(std::lround(std::clamp(sound[i], -1.0f, 1.0f) * 32767.0f));
    CSoundFile file;
    if (!file.Open(path.c_str(), format) ||
        !file.Write(uint32_t(values.size() * 2), values.data()) || !file.Close()) {
        error = file.GetErrorText();
        return false;
    }
    return true;
}

std::vector<JOB> MakeJobs(const std::string& out) {
    std::vector<JOB> jobs;
    size_t setCount = 0;
    const STRINGED_SET* sets = GetStringedSets(setCount);
    std::vector<std::string> done;
    for (size_t s = 0; s < setCount; ++s) {
        const STRINGED_SET& set = sets[s];
        // The lead and rhythm guitars read the same set.
        if (std::find(done.begin(), done.end(), set.name) != done.end())
            continue;
        done.push_back(set.name);
        const bool bass = set.thing == THING_BASS_GUITAR;
        for (int string = 1; string <= set.strings; ++string)
            for (int fret = 0; fret <= SET_HIGHEST_FRET; fret += kFretStep)
                jobs.push_back(
                    JOB{MakeStringedSampleName(out.c_str(), set.name, string, fret).Str(),
                        bass ? 1 : 0, bass ? kProgramFingerBass : kProgramCleanGuitar,
                        set.openNotes[string - 1] + fret, 100, bass ? 2.5 : 3.0});
    }
    size_t drumCount = 0;
    const DRUM_SAMPLE* drums = GetDrumSamples(drumCount);
    std::vector<std::string> files;
    for (size_t d = 0; d < drumCount; ++d) {
        if (std::find(files.begin(), files.end(), drums[d].file) != files.end())
            continue; // "Bass.wav" serves both bass drums; the first row's note makes it
        files.push_back(drums[d].file);
        jobs.push_back(
            JOB{out + "/Drums/" + drums[d].file, kDrumChannel, 0, drums[d].midi, 110, 0.2});
    }
    return jobs;
}

} // namespace

int main(int argc, char** argv) {
    std::string soundFont, out, stamp;
    unsigned jobsWanted = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--soundfont"))
            soundFont = argv[i + 1];
        else if (!strcmp(argv[i], "--out"))
            out = argv[i + 1];
        else if (!strcmp(argv[i], "--stamp"))
            stamp = argv[i + 1];
        else if (!strcmp(argv[i], "--jobs"))
            jobsWanted = unsigned(std::max(1, atoi(argv[i + 1])));
        else {
            Fail("unknown option %s", argv[i]);
            return 2;
        }
    }
    if (soundFont.empty() || out.empty()) {
        fprintf(stderr, "usage: ma_make_samples --soundfont FILE --out SOUND_FOLDER [--jobs N] "
                        "[--stamp FILE]\n");
        return 2;
    }
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);

    const auto started = std::chrono::steady_clock::now();
    const std::vector<JOB> jobs = MakeJobs(out);
    const unsigned threads = std::min<unsigned>(jobsWanted, unsigned(jobs.size()));
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex report;

    // One synthesizer per thread: fluidsynth's synth is not meant to be shared while rendering.
    auto work = [&]() {
        fluid_settings_t* settings = new_fluid_settings();
        fluid_settings_setnum(settings, "synth.sample-rate", kRate);
        fluid_settings_setint(settings, "synth.reverb.active", 0);
        fluid_settings_setint(settings, "synth.chorus.active", 0);
        fluid_settings_setint(settings, "synth.threadsafe-api", 0);
        fluid_synth_t* synth = new_fluid_synth(settings);
        if (!synth || fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
            std::lock_guard<std::mutex> lock(report);
            Fail("can't load the SoundFont %s", soundFont.c_str());
            failed = true;
        }
        while (!failed) {
            size_t index = next++;
            if (index >= jobs.size())
                break;
            const JOB& job = jobs[index];
            std::vector<float> sound = Render(synth, job);
            CCharString error;
            if (sound.empty()) {
                std::lock_guard<std::mutex> lock(report);
                Fail("the SoundFont gave no sound for %s", job.path.c_str());
                failed = true;
            } else if (!WriteWave(job.path, sound, error)) {
                std::lock_guard<std::mutex> lock(report);
                fprintf(stderr, "ma_make_samples: can't write %s: %s\n", job.path.c_str(),
                        error.GetText());
                failed = true;
            }
        }
        if (synth)
            delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(work);
    for (std::thread& t : pool)
        t.join();
    if (failed)
        return 1;

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    printf("ma_make_samples: %zu samples from %s in %.2f s (%u threads)\n", jobs.size(),
           soundFont.c_str(), seconds, threads);
    if (!stamp.empty()) {
        FILE* file = fopen(stamp.c_str(), "w");
        if (!file) {
            Fail("can't write %s", stamp.c_str());
            return 1;
        }
        fprintf(file, "%s\n", soundFont.c_str());
        fclose(file);
    }
    return 0;
}

#include "app/cli/Cli.h"
#include "core/Settings.h"
#include "sound/PitchDetector.h"
#include "sound/SoundFile.h"
#include "theory/NoteManager.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const USAGE =
    "FILE.wav [--hop SECONDS] [--tuner]: the pitch the sound input hears in a recording, one "
    "line per detection window: time, Hz, note and octave, cents";

// Runs the capture's detector over a recording, a block per hop (the capture's 33 ms tick by
// default), and prints each reading tab-separated: the end of the block in seconds, the
// frequency ("0.00" when none), the nearest note ("-" when none) and the deviation in cents.
int RunPitch(CCliArgs& args) {
    args.DeclareFlags({"--tuner"});
    for (const std::string& option : args.Unknown({"--hop", "--tuner"}))
        return std::fprintf(stderr, "pitch: unknown option '%s'\n", option.c_str()), 2;
    if (args.Positional().size() != 1) {
        std::fprintf(stderr, "Usage: modal-atlas-cli pitch %s\n", USAGE);
        return 2;
    }
    const char* path = args.Positional()[0].c_str();
    CSoundInfo sample;
    CSoundFile file;
    if (!file.Read(path, sample)) {
        std::fprintf(stderr, "pitch: %s: %s\n", path, file.GetErrorText().GetText());
        return 1;
    }
    CPitchDetector detector;
    if (!detector.SetFormat(sample.format, !args.Has("--tuner"))) {
        std::fprintf(stderr, "pitch: %s: %s\n", path, detector.GetErrorText().GetText());
        return 1;
    }
    const AUDIO_SETTINGS defaults;
    detector.SetGate(defaults.captureLevel1, defaults.captureLevel2);
    const uint32_t rate = sample.format.samplesPerSec;
    uint32_t hop = rate / 30;
    if (args.Has("--hop")) {
        char* end = nullptr;
        const double seconds = std::strtod(args.Get("--hop").c_str(), &end);
        if (*end != 0 || !(seconds >= 0.001 && seconds <= 1.0))
            return std::fprintf(stderr, "pitch: --hop takes 0.001 to 1 seconds\n"), 2;
        hop = static_cast<uint32_t>(std::lround(seconds * rate));
    }
    const uint32_t align = sample.format.blockAlign;
    const uint32_t frames = sample.size / align;
    for (uint32_t start = 0; start + hop <= frames; start += hop) {
        double frequency;
        int midi;
        if (detector.Process(sample.GetBytes() + static_cast<size_t>(start) * align, hop * align,
                             frequency, midi))
            std::printf("%.3f\t%.2f\t%s%d\t%+.1f\n", double(start + hop) / rate, frequency,
                        GetSharpName(midi), midi / 12 - 1,
                        CPitchDetector::CentsFrom(frequency, midi));
        else
            std::printf("%.3f\t0.00\t-\t-\n", double(start + hop) / rate);
    }
    return 0;
}

CCliCommand command("pitch", USAGE, RunPitch);

} // namespace

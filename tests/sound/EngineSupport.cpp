#include "tests/sound/EngineSupport.h"

#include "song/Composer.h"
#include "song/Mix.h"
#include "sound/SampleStore.h"
#include "sound/SoundFile.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
}

WAVE_FORMAT Pcm16(uint16_t channels, uint32_t rate) {
    WAVE_FORMAT format;
    format.formatTag = WAVE_FORMAT_PCM;
    format.channels = channels;
    format.samplesPerSec = rate;
    format.blockAlign = uint16_t(channels * 2);
    format.avgBytesPerSec = rate * format.blockAlign;
    format.bitsPerSample = 16;
    return format;
}

CSoundInfo MakeSample(const std::vector<int16_t>& values, uint16_t channels, uint32_t rate) {
    CSoundInfo sample;
    sample.format = Pcm16(channels, rate);
    sample.Allocate(uint32_t(values.size() * 2));
    if (!values.empty())
        std::memcpy(sample.GetValues(), values.data(), values.size() * 2);
    return sample;
}

std::vector<int16_t> ValuesOf(const CSoundInfo& sample) {
    const int16_t* values = sample.GetValues();
    return std::vector<int16_t>(values, values + sample.GetValueCount());
}

bool WriteWave(const std::string& path, const std::vector<int16_t>& values, uint16_t channels,
               uint32_t rate) {
    CSoundFile file;
    return file.Save(path.c_str(), MakeSample(values, channels, rate));
}

std::vector<int16_t> Sine(double frequency, size_t count, double amplitude) {
    std::vector<int16_t> values(count);
    for (size_t i = 0; i < count; ++i)
        values[i] = int16_t(std::lround(amplitude * 32767.0 *
                                        std::sin(2.0 * M_PI * frequency * double(i) / 44100.0)));
    return values;
}

namespace {

std::vector<int16_t> DecayingSine(double frequency, double seconds) {
    std::vector<int16_t> values(static_cast<size_t>(seconds * 44100));
    for (size_t i = 0; i < values.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        values[i] = static_cast<int16_t>(20000.0 * std::exp(-4.0 * t) *
                                         std::sin(2.0 * M_PI * frequency * t));
    }
    return values;
}

std::vector<int16_t> NoiseBurst(uint32_t seed, double seconds) {
    std::vector<int16_t> values(static_cast<size_t>(seconds * 44100));
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < values.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const double t = static_cast<double>(i) / 44100.0;
        const double noise = static_cast<int32_t>(state >> 16) - 32768;
        values[i] = static_cast<int16_t>(0.6 * noise * std::exp(-20.0 * t));
    }
    return values;
}

} // namespace

bool WriteTestSampleSets(const std::string& folder) {
    size_t setCount = 0;
    const STRINGED_SET* sets = GetStringedSets(setCount);
    for (size_t s = 0; s < setCount; ++s) {
        for (int string = 1; string <= sets[s].strings; ++string) {
            const int midi = sets[s].openNotes[string - 1];
            const double frequency = 440.0 * std::pow(2.0, (midi - 69) / 12.0);
            const CCharString name =
                MakeStringedSampleName(folder.c_str(), sets[s].name, string, 0);
            if (!WriteWave(name.GetText(), DecayingSine(frequency, 0.4)))
                return false;
        }
    }
    size_t drumCount = 0;
    const DRUM_SAMPLE* drums = GetDrumSamples(drumCount);
    for (size_t d = 0; d < drumCount; ++d) {
        if (!WriteWave(folder + "Drums/" + drums[d].file,
                       NoiseBurst(static_cast<uint32_t>(d), 0.2)))
            return false;
    }
    return true;
}

std::string GetBuiltSampleFolder() {
    const std::string folder = std::string(MA_RUNTIME_DIR) + "/Sound/";
    if (std::filesystem::exists(folder + "Clean Guitar") &&
        std::filesystem::exists(folder + "Finger Bass") &&
        std::filesystem::exists(folder + "Drums"))
        return folder;
    return {};
}

CNoteList MakeTestPractice(int measures, double bpm, CNoteManager& manager) {
    static const int kScale[] = {48, 50, 52, 53, 55, 57, 59, 60, 59, 57, 55, 53, 52, 50, 48, 50};
    const double beat = 60.0 / bpm;
    CNoteList list;
    auto add = [&](THING thing, int midi, double time, double duration, float volume, float pan) {
        CNote note;
        if (midi != MIDI_NO_PITCH)
            manager.GetMidiNote(midi, note);
        note.m_thing = thing;
        note.m_time = time;
        note.m_duration = duration;
        note.m_volume = volume;
        note.m_pan = pan;
        list.Add(note);
    };
    for (int m = 0; m < measures; ++m) {
        const double start = m * 4 * beat;
        for (int e = 0; e < 8; ++e) {
            const double t = start + e * beat / 2;
            add(THING_LEAD_GUITAR, kScale[(m * 8 + e) % 16], t, beat / 2, 0.9f, -0.2f);
            add(THING_HIHAT_CLOSED, MIDI_NO_PITCH, t, TIME_NOT_SET, 0.6f, -0.8f);
        }
        for (int q = 0; q < 4; ++q) {
            add(THING_BASS_GUITAR, 36 + ((m / 2) % 2) * 5, start + q * beat, beat, 1.0f, 0.0f);
            add(q % 2 == 0 ? THING_BASS_DRUM_1 : THING_SNARE_DRUM, MIDI_NO_PITCH, start + q * beat,
                TIME_NOT_SET, q % 2 == 0 ? 1.0f : 0.7f, q % 2 == 0 ? 0.2f : -0.2f);
        }
    }
    return list;
}

bool MakeDefaultPractice(CNoteManager& manager, CNoteList& notes, int measures,
                         CCharString* error) {
    const std::string grooves = std::string(MA_RUNTIME_DIR) + "/Grooves";
    if (!std::filesystem::exists(grooves + "/Rock")) {
        if (error)
            *error = "the grooves are not built (content_grooves)";
        return false;
    }
    PRACTICE_REQUEST request;
    request.SetPosition(7);
    request.SetTempo(120);
    request.guitarVolume = 0.7f;
    CMix mix;
    mix.SetDefaults();
    CComposer composer(manager);
    composer.SetGrooveRoot(grooves.c_str());
    composer.SetMix(&mix);
    PRACTICE_NOTES practice;
    if (!MakePracticeNotes(composer, request, false, practice) || !SoundingNotes(practice, notes)) {
        if (error)
            *error = practice.error;
        return false;
    }
    if (measures > 0 && practice.measures > 0) {
        const double measure = request.beatsPerMeasure * request.beatTime;
        const double length = practice.measures * measure;
        notes.Repeat((measures + practice.measures - 1) / practice.measures, length);
        const double end = measures * measure + practice.startOffset;
        CNoteList cut;
        for (const CNote& note : notes) {
            if (note.m_time < end)
                cut.Add(note);
        }
        notes = cut;
    }
    return true;
}

bool ENGINE_RIG::Open(const std::string& sampleFolder, bool stepped) {
    if (!notes.IsInitialized() && !notes.Initialize())
        return false;
    settings.soundPath = sampleFolder.c_str();
    sound = std::make_unique<CSound>(settings, notes);
    auto virtualDevice = std::make_unique<CVirtualDevice>(
        stepped ? CVirtualDevice::CLOCK_STEPPED : CVirtualDevice::CLOCK_REAL_TIME);
    device = virtualDevice.get();
    sound->SetDevice(std::move(virtualDevice));
    return sound->OpenDevice();
}

void ENGINE_RIG::Play(double seconds) {
    const auto total = static_cast<uint64_t>(seconds * 44100);
    uint64_t played = 0;
    while (played < total) {
        const uint64_t step = total - played < 44100 ? total - played : 44100;
        device->Step(static_cast<uint32_t>(step));
        played += step;
        sound->CheckStream();
    }
}

bool ReadFrames(const std::string& path, std::vector<int16_t>& values) {
    CSoundInfo sample;
    CSoundFile file;
    if (!file.Read(path.c_str(), sample))
        return false;
    if (sample.format.channels != 2 || sample.format.bitsPerSample != 16)
        return false;
    values.assign(sample.GetValues(), sample.GetValues() + sample.size / 2);
    return true;
}

#pragma once

// What the sound tests and the engine benchmark share: WAVE files built byte by byte, temporary
// folders, small sample sets written on the fly (every stringed set with one file per string,
// fret 0, and the whole drum table), a practice-like note list and an engine on a virtual device.
#include "core/Settings.h"
#include "sound/Sound.h"
#include "sound/VirtualDevice.h"
#include "tests/core/TempFolder.h"
#include "theory/NoteList.h"
#include "theory/NoteManager.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// RIFF bytes for the broken or unusual files a test needs.
class CWaveBytes {
public:
    CWaveBytes& Text(const char* four) {
        m_bytes.insert(m_bytes.end(), four, four + 4);
        return *this;
    }
    CWaveBytes& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
    CWaveBytes& U16(uint16_t v) {
        m_bytes.push_back(uint8_t(v));
        m_bytes.push_back(uint8_t(v >> 8));
        return *this;
    }
    CWaveBytes& Values(const std::vector<int16_t>& values) {
        for (int16_t v : values)
            U16(uint16_t(v));
        return *this;
    }
    // "RIFF", the size of what follows (put in place by Finish) and "WAVE".
    CWaveBytes& Riff() { return Text("RIFF").U32(0).Text("WAVE"); }
    // A "fmt " chunk of the given size (at least 16, padded when odd) for 16-bit data.
    CWaveBytes& Fmt(uint16_t channels, uint32_t size = 16, uint16_t tag = 1) {
        Text("fmt ").U32(size).U16(tag).U16(channels).U32(44100).U32(44100u * channels * 2);
        U16(uint16_t(channels * 2)).U16(16);
        m_bytes.resize(m_bytes.size() + size - 16 + (size & 1), 0);
        return *this;
    }
    CWaveBytes& Data(const std::vector<int16_t>& values) {
        return Text("data").U32(uint32_t(values.size() * 2)).Values(values);
    }
    // An unknown chunk of letters; odd sizes get their pad byte.
    CWaveBytes& Chunk(const char* id, uint32_t size) {
        Text(id).U32(size);
        for (uint32_t i = 0; i < size + (size & 1); ++i)
            m_bytes.push_back(uint8_t('a' + i % 26));
        return *this;
    }
    CWaveBytes& Finish() {
        const uint32_t size = uint32_t(m_bytes.size() - 8);
        for (int i = 0; i < 4; ++i)
            m_bytes[4 + i] = uint8_t(size >> (8 * i));
        return *this;
    }
    std::vector<uint8_t>& Get() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// 16-bit PCM at the given rate.
WAVE_FORMAT Pcm16(uint16_t channels, uint32_t rate = 44100);
inline WAVE_FORMAT MonoFormat() {
    return Pcm16(1);
}
// A sample holding the values, in that format.
CSoundInfo MakeSample(const std::vector<int16_t>& values, uint16_t channels = 1,
                      uint32_t rate = 44100);
std::vector<int16_t> ValuesOf(const CSoundInfo& sample);
bool WriteWave(const std::string& path, const std::vector<int16_t>& values, uint16_t channels = 1,
               uint32_t rate = 44100);
// A sine of the given frequency and length in values, at amplitude (of full scale).
std::vector<int16_t> Sine(double frequency, size_t count, double amplitude = 0.5);

// Writes the sample sets into folder (which ends with '/'): each string's open note as a
// decaying sine of 0.4 s, each drum a noise burst of 0.2 s. Mono, 16-bit, 44,100.
bool WriteTestSampleSets(const std::string& folder);

// The sample folder the build renders from a SoundFont, when it exists (with '/').
std::string GetBuiltSampleFolder();

// A groove-like list of measures 4/4 bars at bpm: the C major scale up and down in eighths on
// the lead guitar, the bass on the root in quarters, hi-hat eighths, bass drum on 1 and 3,
// snare on 2 and 4. Pitches lie where the test sets have samples.
CNoteList MakeTestPractice(int measures, double bpm, CNoteManager& manager);

// The practice that Play Scale plays with the Show Scale tool's defaults (C major, position 7,
// Rock "2 Rock" at 120, quarter notes, pattern 1, no progression), composed from the built
// grooves, every note where it sounds (a beat late). With measures, the practice is repeated
// and cut to that many measures. False (with the reason) when the grooves are not built.
bool MakeDefaultPractice(CNoteManager& manager, CNoteList& notes, int measures = 0,
                         CCharString* error = nullptr);

// An engine opened on a virtual device over the given sample folder.
struct ENGINE_RIG {
    APP_SETTINGS settings;
    CNoteManager notes;
    std::unique_ptr<CSound> sound;
    CVirtualDevice* device = nullptr;

    // false when the engine did not open (error in sound->GetErrorText()).
    bool Open(const std::string& sampleFolder, bool stepped = true);
    // Steps the device a second at a time, refilling the stream as the sound thread would,
    // until seconds of sound were consumed.
    void Play(double seconds);
};

// Reads a WAVE file's frames (16-bit stereo) into values; false when unreadable.
bool ReadFrames(const std::string& path, std::vector<int16_t>& values);

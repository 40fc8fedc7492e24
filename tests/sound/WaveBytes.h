#pragma once

#include "sound/SoundInfo.h"

#include <cstdint>
#include <string>
#include <vector>

// Builds RIFF files byte by byte, so tests can make exactly the broken or unusual files they
// need, and writes and reads whole files.
class CWaveBytes {
public:
    CWaveBytes& Text(const char* four) {
        m_bytes.insert(m_bytes.end(), four, four + 4);
        return *this;
    }
    CWaveBytes& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    CWaveBytes& U16(uint16_t v) {
        m_bytes.push_back(uint8_t(v));
        m_bytes.push_back(uint8_t(v >> 8));
        return *this;
    }
    CWaveBytes& Bytes(const std::vector<uint8_t>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    CWaveBytes& Values(const std::vector<int16_t>& values) {
        for (int16_t v : values)
            U16(uint16_t(v));
        return *this;
    }
    // "RIFF" with the size of what follows (fixed by Finish) and "WAVE".
    CWaveBytes& Riff() { return Text("RIFF").U32(0).Text("WAVE"); }
    // A "fmt " chunk of the given size (at least 16) for 16-bit PCM.
    CWaveBytes& Fmt(uint16_t channels, uint32_t size = 16, uint16_t tag = 1,
                    uint32_t rate = 44100) {
        Text("fmt ").U32(size).U16(tag).U16(channels);
        U32(rate).U32(rate * channels * 2).U16(uint16_t(channels * 2)).U16(16);
        for (uint32_t i = 16; i < size + (size & 1); ++i)
            m_bytes.push_back(0);
        return *this;
    }
    CWaveBytes& Data(const std::vector<int16_t>& values) {
        return Text("data").U32(uint32_t(values.size() * 2)).Values(values);
    }
    // An unknown chunk; odd sizes get their pad byte.
    CWaveBytes& Chunk(const char* id, uint32_t size) {
        Text(id).U32(size);
        for (uint32_t i = 0; i < size + (size & 1); ++i)
            m_bytes.push_back(uint8_t('a' + i % 26));
        return *this;
    }
    // Puts the true RIFF size in place.
    CWaveBytes& Finish() {
        uint32_t size = uint32_t(m_bytes.size() - 8);
        for (int i = 0; i < 4; ++i)
            m_bytes[4 + i] = uint8_t(size >> (8 * i));
        return *this;
    }
    std::vector<uint8_t>& Get() { return m_bytes; }
    bool WriteTo(const std::string& path) const;

private:
    std::vector<uint8_t> m_bytes;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// 16-bit PCM format of the given channel count at 44,100 Hz.
WAVE_FORMAT Pcm16(uint16_t channels);
// A sample holding the values, in the given format.
CSoundInfo MakeSample(const std::vector<int16_t>& values, uint16_t channels = 1);
std::vector<int16_t> ValuesOf(const CSoundInfo& sample);
// A sine of amplitude a (of full scale) and the given frequency and length in values.
std::vector<int16_t> Sine(double frequency, size_t count, double amplitude = 0.5);

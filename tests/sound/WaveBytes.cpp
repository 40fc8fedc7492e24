#include "WaveBytes.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>

bool CWaveBytes::WriteTo(const std::string& path) const {
    return WriteWholeFile(path, m_bytes);
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    uint8_t buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(file);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

CTempFolder::CTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ma-sound-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    if (mkdtemp(name.data()))
        m_path = name.data();
}

CTempFolder::~CTempFolder() {
    std::error_code error;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, error);
}

WAVE_FORMAT Pcm16(uint16_t channels) {
    WAVE_FORMAT format;
    format.formatTag = WAVE_FORMAT_PCM;
    format.channels = channels;
    format.samplesPerSec = 44100;
    format.blockAlign = uint16_t(channels * 2);
    format.avgBytesPerSec = 44100u * format.blockAlign;
    format.bitsPerSample = 16;
    return format;
}

CSoundInfo MakeSample(const std::vector<int16_t>& values, uint16_t channels) {
    CSoundInfo sample;
    sample.format = Pcm16(channels);
    sample.Allocate(uint32_t(values.size() * 2));
    for (size_t i = 0; i < values.size(); ++i)
        sample.GetValues()[i] = values[i];
    return sample;
}

std::vector<int16_t> ValuesOf(const CSoundInfo& sample) {
    const int16_t* values = sample.GetValues();
    return std::vector<int16_t>(values, values + sample.GetValueCount());
}

std::vector<int16_t> Sine(double frequency, size_t count, double amplitude) {
    std::vector<int16_t> values(count);
    for (size_t i = 0; i < count; ++i)
        values[i] = int16_t(
            std::lround(amplitude * 32767.0 *
                        std::sin(2.0 * std::numbers::pi * frequency * double(i) / 44100.0)));
    return values;
}

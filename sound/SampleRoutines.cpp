#include "sound/SampleRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

int16_t LoadValue(const uint8_t* p) {
    int16_t v;
    memcpy(&v, p, 2);
    return v;
}

// Channels of a frame that fit inside its block: a block align that lies about the channel
// count must not let a walk run past the data.
unsigned ChannelsInFrame(const WAVE_FORMAT& format) {
    return std::min<unsigned>(format.channels, format.blockAlign / 2u);
}

} // namespace

double BytesToSeconds(uint32_t bytes, const WAVE_FORMAT& format) {
    if (format.avgBytesPerSec == 0)
        return 0.0;
    return double(bytes) / double(format.avgBytesPerSec);
}

uint32_t SecondsToBytes(double seconds, const WAVE_FORMAT& format) {
    if (format.blockAlign == 0)
        return 0;
    double bytes = double(format.blockAlign) * double(format.samplesPerSec) * seconds;
    if (!(bytes > 0.0)) // also NaN
        return 0;
    uint32_t count = bytes >= double(std::numeric_limits<uint32_t>::max())
                         ? std::numeric_limits<uint32_t>::max()
                         : uint32_t(bytes);
    return count - count % format.blockAlign;
}

float GetPeak(const uint8_t* data, uint32_t size, const WAVE_FORMAT& format, int16_t* peak) {
    int largest = 0;
    int smallest = 0;
    const unsigned channels = ChannelsInFrame(format);
    if (data && channels > 0) {
        const uint32_t frames = size / format.blockAlign;
        for (uint32_t f = 0; f < frames; ++f) {
            const uint8_t* frame = data + size_t(f) * format.blockAlign;
            for (unsigned c = 0; c < channels; ++c) {
                int v = LoadValue(frame + 2 * c);
                largest = std::max(largest, v);
                smallest = std::min(smallest, v);
            }
        }
    }
    int value = std::max(largest, std::min(-smallest, 32767));
    if (peak)
        *peak = int16_t(value);
    return float(value / 32767.0);
}

bool Normalize(CSoundInfo& sample, float target) {
    uint8_t* bytes = sample.GetBytes();
    const float level = GetPeak(bytes, sample.size, sample.format);
    if (level < 0.001f)
        return true;
    const double factor = double(target) / double(level);
    const unsigned channels = ChannelsInFrame(sample.format);
    const uint32_t frames = sample.size / sample.format.blockAlign; // level > 0: blockAlign >= 2
    for (uint32_t f = 0; f < frames; ++f) {
        uint8_t* frame = bytes + size_t(f) * sample.format.blockAlign;
        for (unsigned c = 0; c < channels; ++c) {
            double scaled = std::trunc(LoadValue(frame + 2 * c) * factor);
            // Targets up to 1.0 never leave the 16-bit range; larger ones saturate.
            int16_t v = int16_t(std::clamp(scaled, -32768.0, 32767.0));
            memcpy(frame + 2 * c, &v, 2);
        }
    }
    return true;
}

uint32_t FindZeroCrossing(const CSoundInfo& sample, uint32_t index) {
    const uint32_t count = sample.GetValueCount();
    if (count == 0)
        return 0;
    if (index >= count)
        index = count - 1;
    const int16_t* values = sample.GetValues();
    int previous = values[index];
    for (uint32_t k = index; k-- > 0;) {
        int v = values[k];
        if ((v > 0 && previous <= 0) || (v < 0 && previous >= 0))
            return k;
        previous = v;
    }
    return 0;
}

bool ResampleUp(const CSoundInfo& source, CSoundInfo& destination, CCharString* errorText) {
    const double from = source.note.m_frequency;
    const double to = destination.note.m_frequency;
    if (!(to > from) || !(from > 0.0)) {
        if (errorText)
            errorText->Format("Can only resample up, not from %0.2f to %0.2f", from, to);
        return false;
    }
    const double ratio = to / from;
    const uint32_t n = source.GetValueCount();
    const uint32_t planned = uint32_t(n / ratio + 0.5);

    CSoundInfo made;
    if (!made.Allocate(planned * 2, false)) {
        if (errorText)
            *errorText = "Can't resample: out of memory";
        return false;
    }
    const int16_t* in = source.GetValues();
    int16_t* out = made.GetValues();
    uint32_t produced = 0;
    for (uint32_t i = 0; i < planned; ++i) {
        const double pos = i * ratio;
        const uint32_t k = uint32_t(pos);
        if (uint64_t(k) + 1 >= n)
            break;
        const int step = int(in[k + 1]) - int(in[k]);
        out[i] = int16_t(in[k] + int((pos - k) * step));
        produced = i + 1;
    }
    destination.format = source.format;
    destination.data = std::move(made.data);
    destination.size = produced * 2;
    if (produced == 0)
        destination.data.reset();
    return true;
}

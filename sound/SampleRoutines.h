#pragma once

#include "core/CharString.h"
#include "sound/SoundInfo.h"

#include <cstdint>

// Small routines over samples and wave formats shared by the playback engine, the offline
// tools and sound capture. Samples are 16-bit PCM.

// bytes / average bytes per second; 0 for a format without a rate.
double BytesToSeconds(uint32_t bytes, const WAVE_FORMAT& format);
// truncate(block align x rate x seconds), rounded down to whole frames. Negative times give 0
// and times beyond 4 GB of data the largest whole-frame count.
uint32_t SecondsToBytes(double seconds, const WAVE_FORMAT& format);

// Largest magnitude over every channel of every whole frame (-32768 counts as 32767) and that
// peak as a level, peak / 32767.0. Empty data gives 0.
float GetPeak(const uint8_t* data, uint32_t size, const WAVE_FORMAT& format,
              int16_t* peak = nullptr);

// Scales every value of every channel by target / peak level, truncating toward zero. A sample
// whose level is below 0.001 is left as it is, so silence stays silence. Always succeeds for
// in-memory data; the values are changed in the shared buffer, which every copy of the sample
// sees.
bool Normalize(CSoundInfo& sample, float target);

// Walking back from index (treating the data as one channel of 16-bit values), the first index
// where the wave crosses zero; never index itself, 0 when there is none. An index at or past
// the end starts the walk at the last value.
uint32_t FindZeroCrossing(const CSoundInfo& sample, uint32_t index);

// Makes destination, whose note is already set, from source by linear interpolation at the ratio
// of their frequencies: higher and shorter. Only upward shifts are possible; on failure the
// reason goes to errorText when given. The destination gets a new buffer and source's format.
bool ResampleUp(const CSoundInfo& source, CSoundInfo& destination,
                CCharString* errorText = nullptr);

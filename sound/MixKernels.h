#pragma once

#include <cstddef>
#include <cstdint>

// The inner loops of mixing, where the engine spends its time. x86-64 uses SSE2 on 16-bit
// lanes; other processors the plain loops, which give the same values.

// Sums two 16-bit values so that they never leave the 16-bit range: two values of one sign lose
// their product's share (a + b - ab / 32767, or a + b + ab / 32768 below zero, truncated).
inline int16_t SumSamples(int16_t a, int16_t b) {
    const int32_t x = a;
    const int32_t y = b;
    const int32_t sum = x + y;
    if (x >= 0 && y >= 0)
        return static_cast<int16_t>(sum - (x * y) / 32767);
    if (x < 0 && y < 0)
        return static_cast<int16_t>(sum + (x * y) / 32768);
    return static_cast<int16_t>(sum);
}

// target[i] = SumSamples(target[i], source[i]).
void SumValues(int16_t* target, const int16_t* source, size_t count);

// Mixes frames of a sample into stereo frames at out: every step-th value of values (the
// sample's first channel) is scaled by volume (truncated toward zero, limited to 16 bits), then
// by leftFactor and rightFactor for the two sides (truncated), and summed in with SumSamples.
void MixFrames(int16_t* out, const int16_t* values, uint32_t step, uint32_t frames, float volume,
               float leftFactor, float rightFactor);

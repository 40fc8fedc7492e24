#include "sound/MixKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MA_MIX_AVX2 1
#endif

namespace {

inline int16_t Scale(int16_t value, float volume) {
    int32_t scaled = static_cast<int32_t>(static_cast<float>(value) * volume);
    if (scaled > 32767)
        scaled = 32767;
    if (scaled < -32768)
        scaled = -32768;
    return static_cast<int16_t>(scaled);
}

void MixPlain(int16_t* out, const int16_t* values, uint32_t step, uint32_t frames, float volume,
              float leftFactor, float rightFactor) {
    for (uint32_t i = 0; i < frames; ++i) {
        const int16_t v = Scale(values[static_cast<size_t>(i) * step], volume);
        out[2 * i] = SumSamples(out[2 * i], Scale(v, leftFactor));
        out[2 * i + 1] = SumSamples(out[2 * i + 1], Scale(v, rightFactor));
    }
}

#if defined(__SSE2__)
// SumSamples on eight lanes. With p = ab held as its high and low 16 bits and q = p >> 15:
// both positive, p / 32767 = q + ((p & 0x7FFF) + q + 1) >> 15 (exact for p <= 32767 * 32767);
// both negative, p / 32768 = q. Sums wrap in 16 bits, which gives the right value because the
// true result is always in range.
inline __m128i Sum8(__m128i a, __m128i b) {
    const __m128i sum = _mm_add_epi16(a, b);
    const __m128i low = _mm_mullo_epi16(a, b);
    const __m128i high = _mm_mulhi_epi16(a, b);
    const __m128i q = _mm_or_si128(_mm_slli_epi16(high, 1), _mm_srli_epi16(low, 15));
    const __m128i rest = _mm_and_si128(low, _mm_set1_epi16(0x7FFF));
    const __m128i carry =
        _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(rest, q), _mm_set1_epi16(1)), 15);
    const __m128i positive = _mm_sub_epi16(sum, _mm_add_epi16(q, carry));
    const __m128i negative = _mm_add_epi16(sum, q);
    const __m128i bothPositive = _mm_cmpgt_epi16(_mm_or_si128(a, b), _mm_set1_epi16(-1));
    const __m128i bothNegative = _mm_cmplt_epi16(_mm_and_si128(a, b), _mm_setzero_si128());
    const __m128i mixed = _mm_andnot_si128(_mm_or_si128(bothPositive, bothNegative), sum);
    return _mm_or_si128(
        _mm_or_si128(_mm_and_si128(bothPositive, positive), _mm_and_si128(bothNegative, negative)),
        mixed);
}

// Four 32-bit values times a factor, truncated toward zero.
inline __m128i Times(__m128i values, __m128 factor) {
    return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(values), factor));
}

// Eight values widened to two registers of four 32-bit values.
inline void Widen(__m128i values, __m128i& low, __m128i& high) {
    low = _mm_srai_epi32(_mm_unpacklo_epi16(values, values), 16);
    high = _mm_srai_epi32(_mm_unpackhi_epi16(values, values), 16);
}
#endif

#if defined(MA_MIX_AVX2)
// The same on sixteen lanes, for processors with AVX2 (chosen at run time).
__attribute__((target("avx2"))) inline __m256i Sum16(__m256i a, __m256i b) {
    const __m256i sum = _mm256_add_epi16(a, b);
    const __m256i low = _mm256_mullo_epi16(a, b);
    const __m256i high = _mm256_mulhi_epi16(a, b);
    const __m256i q = _mm256_or_si256(_mm256_slli_epi16(high, 1), _mm256_srli_epi16(low, 15));
    const __m256i rest = _mm256_and_si256(low, _mm256_set1_epi16(0x7FFF));
    const __m256i carry =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(rest, q), _mm256_set1_epi16(1)), 15);
    const __m256i positive = _mm256_sub_epi16(sum, _mm256_add_epi16(q, carry));
    const __m256i negative = _mm256_add_epi16(sum, q);
    const __m256i bothPositive = _mm256_cmpgt_epi16(_mm256_or_si256(a, b), _mm256_set1_epi16(-1));
    const __m256i bothNegative = _mm256_cmpgt_epi16(_mm256_setzero_si256(), _mm256_and_si256(a, b));
    const __m256i mixed = _mm256_andnot_si256(_mm256_or_si256(bothPositive, bothNegative), sum);
    return _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(bothPositive, positive),
                                           _mm256_and_si256(bothNegative, negative)),
                           mixed);
}

// Eight 32-bit values times a factor, truncated toward zero.
__attribute__((target("avx2"))) inline __m256i Times8(__m256i values, __m256 factor) {
    return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(values), factor));
}

// Sixteen values scaled by factor and limited to 16 bits (unpack and pack both work within
// 128-bit lanes, so the order comes back as it was); a factor of 1 changes nothing.
__attribute__((target("avx2"))) inline __m256i Scale16(__m256i values, __m256 factor,
                                                       bool identity) {
    if (identity)
        return values;
    const __m256i low = _mm256_srai_epi32(_mm256_unpacklo_epi16(values, values), 16);
    const __m256i high = _mm256_srai_epi32(_mm256_unpackhi_epi16(values, values), 16);
    return _mm256_packs_epi32(Times8(low, factor), Times8(high, factor));
}

__attribute__((target("avx2"))) uint32_t MixMonoAvx2(int16_t* out, const int16_t* values,
                                                     uint32_t frames, float volume,
                                                     float leftFactor, float rightFactor) {
    const __m256 scale = _mm256_set1_ps(volume);
    const __m256 left = _mm256_set1_ps(leftFactor);
    const __m256 right = _mm256_set1_ps(rightFactor);
    uint32_t i = 0;
    for (; i + 16 <= frames; i += 16) {
        const __m256i v = Scale16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + i)),
                                  scale, volume == 1.0f);
        const __m256i l = Scale16(v, left, leftFactor == 1.0f);
        const __m256i r = Scale16(v, right, rightFactor == 1.0f);
        // Frames 0-3 and 8-11, then 4-7 and 12-15: put them back in order.
        const __m256i first = _mm256_unpacklo_epi16(l, r);
        const __m256i second = _mm256_unpackhi_epi16(l, r);
        auto* at = reinterpret_cast<__m256i*>(out + 2 * i);
        _mm256_storeu_si256(
            at, Sum16(_mm256_loadu_si256(at), _mm256_permute2x128_si256(first, second, 0x20)));
        _mm256_storeu_si256(at + 1, Sum16(_mm256_loadu_si256(at + 1),
                                          _mm256_permute2x128_si256(first, second, 0x31)));
    }
    return i;
}

__attribute__((target("avx2"))) size_t SumValuesAvx2(int16_t* target, const int16_t* source,
                                                     size_t count) {
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        auto* at = reinterpret_cast<__m256i*>(target + i);
        _mm256_storeu_si256(
            at, Sum16(_mm256_loadu_si256(at),
                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i))));
    }
    return i;
}

// Asked once at start-up; the CPU model must be read before a static initialiser may ask.
const bool g_avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

} // namespace

void SumValues(int16_t* target, const int16_t* source, size_t count) {
    size_t i = 0;
#if defined(MA_MIX_AVX2)
    if (g_avx2)
        i = SumValuesAvx2(target, source, count);
#endif
#if defined(__SSE2__)
    for (; i + 8 <= count; i += 8) {
        auto* at = reinterpret_cast<__m128i*>(target + i);
        const __m128i a = _mm_loadu_si128(at);
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        _mm_storeu_si128(at, Sum8(a, b));
    }
#endif
    for (; i < count; ++i)
        target[i] = SumSamples(target[i], source[i]);
}

void MixFrames(int16_t* out, const int16_t* values, uint32_t step, uint32_t frames, float volume,
               float leftFactor, float rightFactor) {
    uint32_t i = 0;
#if defined(MA_MIX_AVX2)
    if (step == 1 && g_avx2)
        i = MixMonoAvx2(out, values, frames, volume, leftFactor, rightFactor);
#endif
#if defined(__SSE2__)
    if (step == 1) {
        const __m128 scale = _mm_set1_ps(volume);
        const __m128 left = _mm_set1_ps(leftFactor);
        const __m128 right = _mm_set1_ps(rightFactor);
        for (; i + 8 <= frames; i += 8) {
            __m128i low, high;
            Widen(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values + i)), low, high);
            // Packing saturates: the value limited to 16 bits, then widened again.
            Widen(_mm_packs_epi32(Times(low, scale), Times(high, scale)), low, high);
            const __m128i l = _mm_packs_epi32(Times(low, left), Times(high, left));
            const __m128i r = _mm_packs_epi32(Times(low, right), Times(high, right));
            auto* at = reinterpret_cast<__m128i*>(out + 2 * i);
            _mm_storeu_si128(at, Sum8(_mm_loadu_si128(at), _mm_unpacklo_epi16(l, r)));
            _mm_storeu_si128(at + 1, Sum8(_mm_loadu_si128(at + 1), _mm_unpackhi_epi16(l, r)));
        }
    }
#endif
    MixPlain(out + 2 * i, values + static_cast<size_t>(i) * step, step, frames - i, volume,
             leftFactor, rightFactor);
}

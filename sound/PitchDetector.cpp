#include "sound/PitchDetector.h"

#include "theory/Note.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {
constexpr double kPi = 3.14159265358979323846;
// A key maximum is taken when it reaches this share of the highest one: high enough that a
// strong second harmonic does not pass for the pitch, low enough that a period whose peak is
// a little lower than its double's (noise, a decaying string) still wins.
constexpr double kPeakShare = 0.93;
// Below this clarity (the normalised difference at the period) nothing periodic is heard.
constexpr double kClarity = 0.6;
// Short lengths search lags up to this share of their length: the longer ones overlap too
// little to trust.
constexpr double kLagShare = 0.4;
constexpr int kMaxKeyMaxima = 128;

uint32_t PowerOfTwoAtLeast(uint32_t value) {
    uint32_t size = 1;
    while (size < value)
        size <<= 1;
    return size;
}
} // namespace

bool CPitchDetector::Fail(const char* text) {
    m_errorText = text;
    return false;
}

int CPitchDetector::NearestMidi(double frequency) {
    return static_cast<int>(std::lround(69.0 + 12.0 * std::log2(frequency / 440.0)));
}

double CPitchDetector::CentsFrom(double frequency, int midi) {
    return 1200.0 * std::log2(frequency / 440.0) - 100.0 * (midi - 69);
}

bool CPitchDetector::SetFormat(const WAVE_FORMAT& format, bool detectionMode) {
    if (format.bitsPerSample != 16 || (format.channels != 1 && format.channels != 2) ||
        format.samplesPerSec < 8000 || format.samplesPerSec > 192000 ||
        format.blockAlign != 2 * format.channels)
        return Fail("Pitch detection needs 16-bit mono or stereo sound of 8,000 to 192,000 "
                    "frames a second");
    m_format = format;
    m_detectionMode = detectionMode;
    const double scale = detectionMode ? 1.0 : 0.5;
    const double rate = format.samplesPerSec;
    m_minLag = static_cast<uint32_t>(std::floor(rate / kHighestHz));
    try {
        if (!Prepare(m_short, static_cast<uint32_t>(kShortSeconds * scale * rate), 0.0) ||
            !Prepare(m_long, static_cast<uint32_t>(kLongSeconds * scale * rate), kLowestHz))
            return Fail("Pitch detection: analysis lengths too short for the format");
        PrepareTransform(std::max(m_short.size, m_long.size));
        m_history.assign(PowerOfTwoAtLeast(m_long.length), 0.0f);
    } catch (const std::bad_alloc&) {
        return Fail("Pitch detection: out of memory");
    }
    m_historyMask = static_cast<uint32_t>(m_history.size()) - 1;
    Reset();
    return true;
}

void CPitchDetector::SetGate(float open, float keep) {
    m_gateOpen = open;
    m_gateKeep = std::min(keep, open);
}

void CPitchDetector::Reset() {
    std::fill(m_history.begin(), m_history.end(), 0.0f);
    m_written = 0;
    m_gateIsOpen = false;
}

bool CPitchDetector::Prepare(ANALYSIS& analysis, uint32_t length, double lowestHz) {
    uint32_t maxLag = static_cast<uint32_t>(length * kLagShare);
    if (lowestHz > 0.0)
        maxLag = std::min(static_cast<uint32_t>(length * 0.45),
                          static_cast<uint32_t>(m_format.samplesPerSec / lowestHz) + 2);
    if (maxLag < 4 * m_minLag)
        return false;
    analysis.length = length;
    analysis.maxLag = maxLag;
    analysis.size = PowerOfTwoAtLeast(length + maxLag + 2);
    analysis.exactLag = analysis.size - length;
    analysis.input.assign(analysis.size, 0.0);
    analysis.spectrum.assign(analysis.size / 2 + 1, 0.0);
    analysis.nsdf.assign(analysis.size, 0.0);
    return true;
}

void CPitchDetector::PrepareTransform(uint32_t size) {
    m_transformSize = size;
    m_twiddles.resize(size / 2);
    for (uint32_t j = 0; j < size / 2; ++j)
        m_twiddles[j] = std::polar(1.0, -2.0 * kPi * j / size);
    m_work.assign(size / 2, 0.0);
}

void CPitchDetector::Transform(ANALYSIS& analysis, const double* input) {
    // The real input as a complex sequence of half the size (even values real, odd imaginary),
    // transformed in place, then split into the real input's spectrum.
    const uint32_t n = analysis.size / 2;
    std::complex<double>* z = m_work.data();
    for (uint32_t k = 0; k < n; ++k)
        z[k] = std::complex<double>(input[2 * k], input[2 * k + 1]);
    for (uint32_t i = 1, j = 0; i < n; ++i) {
        uint32_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j |= bit;
        if (i < j)
            std::swap(z[i], z[j]);
    }
    for (uint32_t half = 1; half < n; half <<= 1) {
        const uint32_t stride = m_transformSize / (2 * half);
        for (uint32_t start = 0; start < n; start += 2 * half) {
            for (uint32_t k = 0; k < half; ++k) {
                const std::complex<double> t = m_twiddles[k * stride] * z[start + k + half];
                z[start + k + half] = z[start + k] - t;
                z[start + k] += t;
            }
        }
    }
    const uint32_t stride = m_transformSize / analysis.size;
    for (uint32_t k = 0; k <= n; ++k) {
        const std::complex<double> a = z[k % n];
        const std::complex<double> b = std::conj(z[(n - k) % n]);
        const std::complex<double> even = 0.5 * (a + b);
        const std::complex<double> odd = std::complex<double>(0.0, -0.5) * (a - b);
        const std::complex<double> w =
            k < n ? m_twiddles[k * stride] : std::complex<double>(-1.0, 0.0);
        analysis.spectrum[k] = even + w * odd;
    }
}

void CPitchDetector::ComputeNsdf(ANALYSIS& analysis) {
    const uint32_t length = analysis.length;
    double* x = analysis.input.data();
    double mean = 0.0;
    for (uint32_t i = 0; i < length; ++i) {
        x[i] = m_history[(m_written - length + i) & m_historyMask];
        mean += x[i];
    }
    mean /= length;
    for (uint32_t i = 0; i < length; ++i)
        x[i] -= mean;

    // The autocorrelation is the transform of the power spectrum (real and even).
    Transform(analysis, x);
    const uint32_t size = analysis.size;
    double* power = analysis.nsdf.data();
    for (uint32_t k = 0; k <= size / 2; ++k) {
        power[k] = std::norm(analysis.spectrum[k]);
        if (k > 0 && k < size / 2)
            power[size - k] = power[k];
    }
    Transform(analysis, power);

    double energy = 0.0;
    for (uint32_t i = 0; i < length; ++i)
        energy += x[i] * x[i];
    double m = 2.0 * energy;
    for (uint32_t lag = 0; lag <= analysis.exactLag; ++lag) {
        if (lag > 0)
            m -= x[lag - 1] * x[lag - 1] + x[length - lag] * x[length - lag];
        const double r = analysis.spectrum[lag].real() / size;
        analysis.nsdf[lag] = m > 1e-9 ? 2.0 * r / m : 0.0;
    }
}

double CPitchDetector::PeakAt(const std::vector<double>& values, uint32_t lag) const {
    const double a = values[lag - 1], b = values[lag], c = values[lag + 1];
    const double curve = a - 2.0 * b + c;
    if (curve >= 0.0)
        return lag;
    return lag + 0.5 * (a - c) / curve;
}

CPitchDetector::CANDIDATE CPitchDetector::PickPeriod(const ANALYSIS& analysis,
                                                     uint32_t minLag) const {
    const std::vector<double>& n = analysis.nsdf;
    const uint32_t last = analysis.maxLag;
    uint32_t lag = 1;
    while (lag <= last && n[lag] > 0.0)
        ++lag;
    uint32_t peaks[kMaxKeyMaxima];
    int count = 0;
    double highest = 0.0;
    uint32_t best = 0;
    for (; lag <= last && count < kMaxKeyMaxima; ++lag) {
        if (n[lag] <= 0.0)
            continue;
        // A positive lobe: its highest point, when that is a true peak and not the lobe cut off
        // at the last lag.
        best = lag;
        while (lag <= last && n[lag] > 0.0) {
            if (n[lag] > n[best])
                best = lag;
            ++lag;
        }
        if (best >= minLag && best > 1 && n[best] >= n[best + 1] && n[best] >= n[best - 1]) {
            peaks[count++] = best;
            highest = std::max(highest, n[best]);
        }
    }
    CANDIDATE candidate;
    for (int i = 0; i < count; ++i) {
        if (n[peaks[i]] >= kPeakShare * highest) {
            const double a = n[peaks[i] - 1], b = n[peaks[i]], c = n[peaks[i] + 1];
            candidate.period = PeakAt(n, peaks[i]);
            const double shift = candidate.period - peaks[i];
            candidate.clarity = b - 0.25 * (a - c) * shift;
            break;
        }
    }
    return candidate;
}

double CPitchDetector::RefinePeriod(const ANALYSIS& analysis, double period) const {
    const std::vector<double>& n = analysis.nsdf;
    const double limit = std::min<double>(analysis.exactLag - 2, analysis.length / 2);
    const double clarity = n[static_cast<uint32_t>(std::lround(period))];
    for (int multiple = 2; multiple * period <= limit; multiple *= 2) {
        const auto centre = static_cast<uint32_t>(std::lround(multiple * period));
        uint32_t best = centre;
        for (uint32_t lag = centre - 2; lag <= centre + 2; ++lag)
            if (n[lag] > n[best])
                best = lag;
        // A multiple that lost the period's shape (a changing note) says nothing more.
        if (n[best] < 0.5 * clarity || best == centre - 2 || best == centre + 2)
            break;
        period = PeakAt(n, best) / multiple;
    }
    return period;
}

float CPitchDetector::LatestPeak(uint32_t frames) const {
    float peak = 0.0f;
    for (uint32_t i = 0; i < frames; ++i)
        peak = std::max(peak, std::fabs(m_history[(m_written - frames + i) & m_historyMask]));
    return peak / 32766.0f;
}

bool CPitchDetector::Process(const uint8_t* data, uint32_t bytes, double& frequency, int& midi) {
    frequency = 0.0;
    midi = MIDI_NO_PITCH;
    if (m_history.empty())
        return false;
    const uint32_t channels = m_format.channels;
    const uint32_t frames = bytes / m_format.blockAlign;
    for (uint32_t f = 0; f < frames; ++f) {
        int16_t values[2];
        std::memcpy(values, data + static_cast<size_t>(f) * m_format.blockAlign, 2 * channels);
        const float mono = channels == 2 ? 0.5f * (values[0] + values[1]) : values[0];
        m_history[m_written++ & m_historyMask] = mono;
    }

    const float peak = LatestPeak(m_short.length);
    m_gateIsOpen = peak >= (m_gateIsOpen ? m_gateKeep : m_gateOpen);
    if (!m_gateIsOpen)
        return false;

    ComputeNsdf(m_short);
    CANDIDATE candidate = PickPeriod(m_short, m_minLag);
    const ANALYSIS* chosen = &m_short;
    // A period whose double lies beyond the short length may be a low note's second harmonic.
    if (candidate.clarity < kClarity || candidate.period > m_short.maxLag / 2.0) {
        ComputeNsdf(m_long);
        const CANDIDATE longer = PickPeriod(m_long, m_minLag);
        if (longer.clarity >= kClarity) {
            candidate = longer;
            chosen = &m_long;
        }
    }
    if (candidate.clarity < kClarity || candidate.period <= 0.0)
        return false;
    const double period = RefinePeriod(*chosen, candidate.period);
    const double found = m_format.samplesPerSec / period;
    if (found < kLowestHz || found > kHighestHz)
        return false;
    frequency = found;
    midi = NearestMidi(found);
    return true;
}

#pragma once

#include "core/CharString.h"
#include "sound/SoundInfo.h"

#include <complex>
#include <cstdint>
#include <vector>

// Finds the pitch of what the sound input hears, block by block, from the most recent audio:
// the McLeod normalised square difference over a short analysis length (and a long one where
// the lowest bass notes need it), the first key maximum near the highest, parabolic peak
// interpolation, then the period measured again over as many periods as the length holds. A
// level gate keeps noise out. Every buffer is made by SetFormat; Process allocates nothing.
class CPitchDetector {
public:
    // Analysis lengths in seconds of audio; outside detection mode (tuner, sample recorder)
    // half as long, for a quicker reading.
    static constexpr double kShortSeconds = 0.05;
    static constexpr double kLongSeconds = 0.125;
    // The pitches sought: a semitone and a half below a bass's low E to above a guitar's 24th
    // fret on the high E string.
    static constexpr double kLowestHz = 38.0;
    static constexpr double kHighestHz = 1600.0;

    // Copies the format (16-bit PCM, 1 or 2 channels, 8,000 to 192,000 frames a second) and
    // prepares every buffer for it and the mode; false with the error text otherwise.
    bool SetFormat(const WAVE_FORMAT& format, bool detectionMode = true);
    // Gate levels as shares of full scale: a pitch is sought once the latest short length peaks
    // at open or above, and then for as long as it peaks at keep or above.
    void SetGate(float open, float keep);
    // Forgets the audio heard so far.
    void Reset();
    // Appends the bytes (whole frames of the format) and analyses the latest audio: true with
    // the frequency in Hz and the nearest MIDI note when it hears a pitch, else false with 0.0
    // and 255.
    bool Process(const uint8_t* data, uint32_t bytes, double& frequency, int& midi);

    // The analysis lengths in frames for the current format and mode.
    uint32_t GetShortLength() const { return m_short.length; }
    uint32_t GetLongLength() const { return m_long.length; }
    const CCharString& GetErrorText() const { return m_errorText; }

    // The nearest MIDI note to a frequency (A4 = 440 Hz), and its distance in cents.
    static int NearestMidi(double frequency);
    static double CentsFrom(double frequency, int midi);

private:
    // One analysis length with its transform buffers.
    struct ANALYSIS {
        uint32_t length = 0;   // frames of audio analysed
        uint32_t size = 0;     // transform size, a power of two
        uint32_t maxLag = 0;   // lags searched for the period
        uint32_t exactLag = 0; // lags whose correlation the transform gives exactly
        std::vector<double> input;
        std::vector<std::complex<double>> spectrum;
        std::vector<double> nsdf;
    };
    struct CANDIDATE {
        double period = 0.0; // frames
        double clarity = 0.0;
    };

    bool Fail(const char* text);
    bool Prepare(ANALYSIS& analysis, uint32_t length, double lowestHz);
    void PrepareTransform(uint32_t size);
    // Real-input transform of analysis.input into analysis.spectrum (bins 0 to size / 2).
    void Transform(ANALYSIS& analysis, const double* input);
    // The normalised square difference of the latest length frames, for lags 0 to exactLag.
    void ComputeNsdf(ANALYSIS& analysis);
    CANDIDATE PickPeriod(const ANALYSIS& analysis, uint32_t minLag) const;
    // The period measured again at its multiples, as far as the length allows.
    double RefinePeriod(const ANALYSIS& analysis, double period) const;
    double PeakAt(const std::vector<double>& values, uint32_t lag) const;
    // Peak magnitude of the latest frames of the history.
    float LatestPeak(uint32_t frames) const;

    CCharString m_errorText;
    WAVE_FORMAT m_format{};
    bool m_detectionMode = true;
    float m_gateOpen = 0.1f;
    float m_gateKeep = 0.07f;
    bool m_gateIsOpen = false;
    uint32_t m_minLag = 0;
    ANALYSIS m_short;
    ANALYSIS m_long;
    // Mono history of the latest audio, a ring of a power-of-two size.
    std::vector<float> m_history;
    uint32_t m_historyMask = 0;
    uint64_t m_written = 0;
    // Twiddles and bit reversal of the largest half-size complex transform.
    std::vector<std::complex<double>> m_twiddles;
    std::vector<uint32_t> m_reversed;
    std::vector<std::complex<double>> m_work;
    uint32_t m_transformSize = 0;
};

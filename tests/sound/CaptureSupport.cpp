#include "tests/sound/CaptureSupport.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

double MidiHz(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

std::vector<int16_t> MakeHarmonicTone(double frequency, double seconds, uint32_t seed, double snrDb,
                                      double peak) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> share(0.1, 1.0);
    std::uniform_real_distribution<double> phase(0.0, 2.0 * kPi);
    std::vector<double> amplitude, start;
    for (int k = 1; k <= 10 && k * frequency < 0.45 * 44100; ++k) {
        amplitude.push_back(share(random) / k);
        start.push_back(phase(random));
    }
    std::vector<double> values(static_cast<size_t>(seconds * 44100));
    double power = 0.0;
    for (size_t i = 0; i < values.size(); ++i) {
        const double t = static_cast<double>(i) / 44100;
        for (size_t k = 0; k < amplitude.size(); ++k)
            values[i] += amplitude[k] * std::sin(2.0 * kPi * (k + 1) * frequency * t + start[k]);
        power += values[i] * values[i];
    }
    std::normal_distribution<double> noise(
        0.0, std::sqrt(power / values.size() / std::pow(10.0, snrDb / 10.0)));
    double largest = 1e-9;
    for (double& value : values) {
        value += noise(random);
        largest = std::max(largest, std::fabs(value));
    }
    std::vector<int16_t> out(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(values[i] * peak * 32767.0 / largest));
    return out;
}

bool CAPTURE_RIG::Open(uint16_t channels) {
    capture = std::make_unique<CSoundCapture>(audio, [this](CNote* note) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_notes.push_back(*note);
        delete note;
    });
    auto virtualDevice = std::make_unique<CVirtualDevice>(CVirtualDevice::CLOCK_STEPPED, 128);
    device = virtualDevice.get();
    capture->SetDevice(std::move(virtualDevice));
    capture->SetClock([this] { return now; });
    return capture->SetFormat(44100, 16, channels);
}

void CAPTURE_RIG::Step(uint32_t frames) {
    device->Step(frames);
    now += frames / 44100.0;
}

void CAPTURE_RIG::Tick() {
    capture->OnTimer(CAPTURE_TIMER_ID);
    if (capture->GetThread())
        capture->GetThread()->Command(CAPTURE_COMMAND_CHECK, true);
}

std::vector<CNote> CAPTURE_RIG::TakeNotes() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<CNote> notes;
    notes.swap(m_notes);
    return notes;
}

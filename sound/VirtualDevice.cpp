#include "sound/VirtualDevice.h"

#include "sound/SoundFile.h"

#include <portaudio.h>

#include <cmath>
#include <cstring>

namespace {
constexpr double kTwoPi = 6.28318530717958647692;

// What opening either side checks first: not open yet, the default device or this one, a rate.
AUDIO_RESULT CheckOpen(bool open, const uint8_t id[16], const uint8_t own[16], uint32_t rate) {
    if (open)
        return paStreamIsNotStopped;
    if (!IsDefaultDeviceId(id) && std::memcmp(id, own, 16) != 0)
        return paInvalidDevice;
    if (rate < 8000 || rate > 192000)
        return paInvalidSampleRate;
    return AUDIO_OK;
}
} // namespace

CVirtualDevice::CVirtualDevice(CLOCK clock, uint32_t framesPerBlock)
    : m_clock(clock), m_blockFrames(framesPerBlock ? framesPerBlock : 128),
      m_block(static_cast<size_t>(m_blockFrames) * 2),
      m_inputBlock(static_cast<size_t>(m_blockFrames) * 2) {}

CVirtualDevice::~CVirtualDevice() {
    Close();
    CloseInput();
    delete m_signal.load();
}

void CVirtualDevice::GetOutputId(uint8_t id[16]) {
    MakeDeviceId(kHostApi, kOutputName, id);
}

void CVirtualDevice::GetInputId(uint8_t id[16]) {
    MakeDeviceId(kHostApi, kInputName, id);
}

AUDIO_RESULT CVirtualDevice::Enumerate(CVarList<DEVICE_INFO>& outputs,
                                       CVarList<DEVICE_INFO>* inputs) {
    outputs.RemoveAll();
    DEVICE_INFO info;
    info.description = "Default output device";
    outputs.Add(info);
    GetOutputId(info.guid);
    info.description = kOutputName;
    outputs.Add(info);
    if (inputs) {
        inputs->RemoveAll();
        DEVICE_INFO input;
        input.description = "Default input device";
        inputs->Add(input);
        GetInputId(input.guid);
        input.description = kInputName;
        inputs->Add(input);
    }
    return AUDIO_OK;
}

AUDIO_RESULT CVirtualDevice::Open(const uint8_t id[16], uint32_t rate, uint32_t channels) {
    uint8_t own[16];
    GetOutputId(own);
    const AUDIO_RESULT checked = CheckOpen(m_open.load(), id, own, rate);
    if (checked != AUDIO_OK)
        return checked;
    if (channels != 2)
        return paInvalidChannelCount;
    m_rate = rate;
    m_framesPlayed.store(0);
    m_stopping.store(false);
    m_open.store(true);
    if (m_clock == CLOCK_REAL_TIME)
        m_thread = std::thread([this] { RunClock(m_stopping, m_rate, &CVirtualDevice::Consume); });
    return AUDIO_OK;
}

AUDIO_RESULT CVirtualDevice::OpenInput(const uint8_t id[16], uint32_t rate, uint32_t channels) {
    uint8_t own[16];
    GetInputId(own);
    const AUDIO_RESULT checked = CheckOpen(m_inputOpen.load(), id, own, rate);
    if (checked != AUDIO_OK)
        return checked;
    if (!m_inputPresent.load())
        return paDeviceUnavailable;
    if (channels != 1 && channels != 2)
        return paInvalidChannelCount;
    m_inputRate = rate;
    m_inputChannels = channels;
    m_framesCaptured.store(0);
    m_inputMarkedLost = false;
    m_inputStopping.store(false);
    m_inputOpen.store(true);
    if (m_clock == CLOCK_REAL_TIME)
        m_inputThread = std::thread(
            [this] { RunClock(m_inputStopping, m_inputRate, &CVirtualDevice::Produce); });
    return AUDIO_OK;
}

void CVirtualDevice::CloseInput() {
    if (!m_inputOpen.load())
        return;
    m_inputStopping.store(true);
    if (m_inputThread.joinable())
        m_inputThread.join();
    m_inputOpen.store(false);
    ReleaseCapture();
}

void CVirtualDevice::SetSignal(INPUT_SIGNAL* signal) {
    INPUT_SIGNAL* old = m_signal.exchange(signal);
    WaitUntilLeft(m_signalCount);
    delete old;
}

void CVirtualDevice::SetInputFrames(std::vector<int16_t> values, uint32_t channels, bool loop) {
    auto* signal = new INPUT_SIGNAL;
    signal->channels = channels == 2 ? 2 : 1;
    signal->values = std::move(values);
    signal->values.resize(signal->values.size() / signal->channels * signal->channels);
    signal->loop = loop;
    SetSignal(signal);
}

bool CVirtualDevice::SetInputFile(const char* path, bool loop, CCharString* error) {
    CSoundInfo sample;
    CSoundFile file;
    if (!file.Read(path, sample)) {
        if (error)
            *error = file.GetErrorText();
        return false;
    }
    if (sample.format.bitsPerSample != 16 || sample.format.channels < 1 ||
        sample.format.channels > 2) {
        if (error)
            error->Format("%s: not a 16-bit mono or stereo file", path);
        return false;
    }
    const int16_t* values = sample.GetValues();
    SetInputFrames(std::vector<int16_t>(values, values + sample.GetValueCount()),
                   sample.format.channels, loop);
    return true;
}

void CVirtualDevice::SetInputTone(double frequency, double level, double harmonics) {
    auto* signal = new INPUT_SIGNAL;
    signal->frequency = frequency;
    signal->level = level;
    signal->harmonics = harmonics;
    SetSignal(signal);
}

void CVirtualDevice::SetInputSilence() {
    SetSignal(nullptr);
}

void CVirtualDevice::SetInputPresent(bool present) {
    m_inputPresent.store(present);
}

void CVirtualDevice::Close() {
    if (!m_open.load())
        return;
    m_stopping.store(true);
    if (m_thread.joinable())
        m_thread.join();
    m_open.store(false);
    ReleaseAllBuffers();
}

void CVirtualDevice::Step(uint32_t frames) {
    if (m_clock != CLOCK_STEPPED)
        return;
    while (frames > 0) {
        const uint32_t block = frames < m_blockFrames ? frames : m_blockFrames;
        if (m_open.load())
            Consume(block);
        if (m_inputOpen.load())
            Produce(block);
        frames -= block;
    }
}

void CVirtualDevice::KeepFrames(size_t maxFrames) {
    m_kept.assign(maxFrames * 2, 0);
    m_keptCount.store(0);
}

void CVirtualDevice::ResetFirstSound() {
    m_firstSound.store(0);
}

bool CVirtualDevice::GetFirstSoundTime(std::chrono::steady_clock::time_point* when) const {
    const int64_t ticks = m_firstSound.load();
    if (ticks == 0)
        return false;
    if (when)
        *when = std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(ticks));
    return true;
}

void CVirtualDevice::Consume(uint32_t frames) {
    int16_t* out = m_block.data();
    RenderFrames(out, frames);
    if (m_firstSound.load(std::memory_order_relaxed) == 0) {
        for (uint32_t i = 0; i < frames * 2; ++i) {
            if (out[i] != 0) {
                m_firstSound.store(std::chrono::steady_clock::now().time_since_epoch().count());
                break;
            }
        }
    }
    const size_t kept = m_keptCount.load(std::memory_order_relaxed);
    const size_t room = m_kept.size() / 2 - kept;
    if (room > 0) {
        const size_t count = frames < room ? frames : room;
        std::memcpy(m_kept.data() + kept * 2, out, count * 4);
        m_keptCount.store(kept + count, std::memory_order_release);
    }
    m_framesPlayed.fetch_add(frames, std::memory_order_release);
}

void CVirtualDevice::Produce(uint32_t frames) {
    if (!m_inputPresent.load(std::memory_order_relaxed)) {
        // Gone, as an unplugged card: nothing more arrives and the capture learns of it once.
        if (!m_inputMarkedLost)
            MarkInputLost();
        m_inputMarkedLost = true;
        return;
    }
    int16_t* out = m_inputBlock.data();
    uint32_t channels = 1;
    m_signalCount.fetch_add(1);
    INPUT_SIGNAL* signal = m_signal.load();
    if (signal && !signal->values.empty()) {
        channels = signal->channels;
        const size_t total = signal->values.size() / channels;
        for (uint32_t f = 0; f < frames; ++f) {
            if (signal->position >= total && signal->loop)
                signal->position = 0;
            for (uint32_t c = 0; c < channels; ++c)
                out[f * channels + c] =
                    signal->position < total ? signal->values[signal->position * channels + c] : 0;
            ++signal->position;
        }
    } else if (signal && signal->frequency > 0.0) {
        const double step = kTwoPi * signal->frequency / m_inputRate;
        const double scale = 32767.0 * signal->level / (1.0 + 2.0 * signal->harmonics);
        for (uint32_t f = 0; f < frames; ++f) {
            const double p = signal->phase;
            const double value =
                std::sin(p) + signal->harmonics * (std::sin(2.0 * p) + std::sin(3.0 * p));
            out[f] = static_cast<int16_t>(std::lround(scale * value));
            signal->phase = std::fmod(p + step, kTwoPi);
        }
    } else {
        std::memset(out, 0, static_cast<size_t>(frames) * 2);
    }
    m_signalCount.fetch_add(1);
    CaptureFrames(out, frames, channels);
    m_framesCaptured.fetch_add(frames, std::memory_order_release);
}

void CVirtualDevice::RunClock(std::atomic<bool>& stopping, uint32_t rate,
                              void (CVirtualDevice::*step)(uint32_t)) {
    using clock = std::chrono::steady_clock;
    const auto blockTime = std::chrono::duration_cast<clock::duration>(
        std::chrono::duration<double>(static_cast<double>(m_blockFrames) / rate));
    auto next = clock::now();
    while (!stopping.load()) {
        (this->*step)(m_blockFrames);
        next += blockTime;
        // After a stall (a debugger, a loaded machine) catch up in time, not in frames, as a
        // sound card would.
        const auto now = clock::now();
        if (next < now - blockTime * 8)
            next = now;
        std::this_thread::sleep_until(next);
    }
}

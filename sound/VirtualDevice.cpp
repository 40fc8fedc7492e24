#include "sound/VirtualDevice.h"

#include <portaudio.h>

#include <cstring>

CVirtualDevice::CVirtualDevice(CLOCK clock, uint32_t framesPerBlock)
    : m_clock(clock), m_blockFrames(framesPerBlock ? framesPerBlock : 128),
      m_block(static_cast<size_t>(m_blockFrames) * 2) {}

CVirtualDevice::~CVirtualDevice() {
    Close();
}

void CVirtualDevice::GetOutputId(uint8_t id[16]) {
    MakeDeviceId(kHostApi, kOutputName, id);
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
        MakeDeviceId(kHostApi, kInputName, input.guid);
        input.description = kInputName;
        inputs->Add(input);
    }
    return AUDIO_OK;
}

AUDIO_RESULT CVirtualDevice::Open(const uint8_t id[16], uint32_t rate, uint32_t channels) {
    if (m_open.load())
        return paStreamIsNotStopped;
    uint8_t own[16];
    GetOutputId(own);
    if (!IsDefaultDeviceId(id) && std::memcmp(id, own, 16) != 0)
        return paInvalidDevice;
    if (channels != 2)
        return paInvalidChannelCount;
    if (rate < 8000 || rate > 192000)
        return paInvalidSampleRate;
    m_rate = rate;
    m_framesPlayed.store(0);
    m_stopping.store(false);
    m_open.store(true);
    if (m_clock == CLOCK_REAL_TIME)
        m_thread = std::thread([this] { Run(); });
    return AUDIO_OK;
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
    if (m_clock != CLOCK_STEPPED || !m_open.load())
        return;
    while (frames > 0) {
        const uint32_t block = frames < m_blockFrames ? frames : m_blockFrames;
        Consume(block);
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

void CVirtualDevice::Run() {
    using clock = std::chrono::steady_clock;
    const auto blockTime = std::chrono::duration_cast<clock::duration>(
        std::chrono::duration<double>(static_cast<double>(m_blockFrames) / m_rate));
    auto next = clock::now();
    while (!m_stopping.load()) {
        Consume(m_blockFrames);
        next += blockTime;
        // After a stall (a debugger, a loaded machine) catch up in time, not in frames, as a
        // sound card would.
        const auto now = clock::now();
        if (next < now - blockTime * 8)
            next = now;
        std::this_thread::sleep_until(next);
    }
}

#include "sound/AudioDevice.h"

#include <portaudio.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

namespace {
std::atomic<CAudioDevice::RenderHook> g_enterHook{nullptr};
std::atomic<CAudioDevice::RenderHook> g_leaveHook{nullptr};

inline int16_t Saturate(int32_t value) {
    if (value > 32767)
        return 32767;
    if (value < -32768)
        return -32768;
    return static_cast<int16_t>(value);
}

uint64_t Fnv1a(uint64_t hash, const char* text) {
    // The terminating zero is hashed too, so that ("ab", "c") and ("a", "bc") differ.
    const size_t length = std::strlen(text) + 1;
    for (size_t i = 0; i < length; ++i) {
        hash ^= static_cast<unsigned char>(text[i]);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// The region [offset, offset + bytes) of a looping buffer as one or two parts.
AUDIO_RESULT SplitRegion(uint8_t* base, uint32_t size, uint32_t offset, uint32_t bytes,
                         void** part1, uint32_t* bytes1, void** part2, uint32_t* bytes2) {
    if (!part1 || !bytes1)
        return paBadBufferPtr;
    if (bytes > size || offset >= size)
        return paBufferTooBig;
    const uint32_t first = bytes < size - offset ? bytes : size - offset;
    *part1 = base + offset;
    *bytes1 = first;
    if (part2)
        *part2 = first < bytes ? base : nullptr;
    if (bytes2)
        *bytes2 = bytes - first;
    return AUDIO_OK;
}
} // namespace

const char* AudioResultText(AUDIO_RESULT result) {
    return Pa_GetErrorText(result);
}

void MakeDeviceId(const char* hostApi, const char* name, uint8_t id[16]) {
    const uint64_t a = Fnv1a(Fnv1a(0xcbf29ce484222325ULL, hostApi), name);
    const uint64_t b = Fnv1a(Fnv1a(0x84222325cbf29ce4ULL, name), hostApi);
    for (int i = 0; i < 8; ++i) {
        id[i] = static_cast<uint8_t>(a >> (8 * i));
        id[8 + i] = static_cast<uint8_t>(b >> (8 * i));
    }
    if (IsDefaultDeviceId(id))
        id[0] = 1;
}

bool IsDefaultDeviceId(const uint8_t id[16]) {
    for (int i = 0; i < 16; ++i) {
        if (id[i] != 0)
            return false;
    }
    return true;
}

CCharString DeviceIdText(const uint8_t id[16]) {
    CCharString text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text.Append('-');
        text.AppendFormat("%02x", id[i]);
    }
    return text;
}

bool ParseDeviceId(const char* text, uint8_t id[16]) {
    int digits = 0;
    uint8_t parsed[16] = {};
    for (const char* p = text; *p; ++p) {
        if (*p == '-')
            continue;
        int value;
        if (*p >= '0' && *p <= '9')
            value = *p - '0';
        else if (*p >= 'a' && *p <= 'f')
            value = *p - 'a' + 10;
        else if (*p >= 'A' && *p <= 'F')
            value = *p - 'A' + 10;
        else
            return false;
        if (digits >= 32)
            return false;
        parsed[digits / 2] = static_cast<uint8_t>(parsed[digits / 2] << 4 | value);
        ++digits;
    }
    if (digits != 32)
        return false;
    std::memcpy(id, parsed, 16);
    return true;
}

CAudioBuffer::CAudioBuffer(uint32_t bytes, uint32_t rate)
    : m_data(nullptr), m_bytes(bytes / 4 * 4), m_frames(bytes / 4), m_rate(rate),
      m_step(uint64_t{1} << 32), m_frequency(rate) {
    m_data = new (std::nothrow) int16_t[static_cast<size_t>(m_frames) * 2 + 2]();
    if (!m_data) {
        m_bytes = 0;
        m_frames = 0;
    }
}

CAudioBuffer::~CAudioBuffer() {
    delete[] m_data;
}

AUDIO_RESULT CAudioBuffer::Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1,
                                void** part2, uint32_t* bytes2) {
    return SplitRegion(reinterpret_cast<uint8_t*>(m_data), m_bytes, offset, bytes, part1, bytes1,
                       part2, bytes2);
}

AUDIO_RESULT CAudioBuffer::Unlock(void*, uint32_t, void*, uint32_t) {
    // The release pairs with the consumer's acquire, so what was written is what it reads.
    m_published.fetch_add(1, std::memory_order_release);
    return AUDIO_OK;
}

AUDIO_RESULT CAudioBuffer::GetCurrentPosition(uint32_t* play) const {
    if (!play)
        return paBadBufferPtr;
    uint64_t position = m_pending.load(std::memory_order_acquire);
    if (position == kNoPending)
        position = m_cursor.load(std::memory_order_acquire);
    *play = static_cast<uint32_t>(position >> 32) * 4;
    return AUDIO_OK;
}

AUDIO_RESULT CAudioBuffer::SetCurrentPosition(uint32_t offset) {
    if (offset >= m_bytes && m_bytes != 0)
        return paBufferTooBig;
    // The consumer picks the new position up at its next render; until then it is what
    // GetCurrentPosition answers.
    m_pending.store(static_cast<uint64_t>(offset / 4) << 32, std::memory_order_release);
    return AUDIO_OK;
}

AUDIO_RESULT CAudioBuffer::Play(bool looping) {
    if (m_frames == 0)
        return paInsufficientMemory;
    uint64_t state = m_state.load();
    uint64_t next;
    do {
        next = ((state >> 2) + 1) << 2 | kPlaying | (looping ? kLooping : 0);
    } while (!m_state.compare_exchange_weak(state, next));
    return AUDIO_OK;
}

AUDIO_RESULT CAudioBuffer::Stop() {
    uint64_t state = m_state.load();
    uint64_t next;
    do {
        next = ((state >> 2) + 1) << 2;
    } while (!m_state.compare_exchange_weak(state, next));
    return AUDIO_OK;
}

bool CAudioBuffer::IsPlaying() const {
    return (m_state.load() & kPlaying) != 0;
}

AUDIO_RESULT CAudioBuffer::SetVolume(int32_t hundredthsDb) {
    if (hundredthsDb < -10000 || hundredthsDb > 0)
        return paInvalidFlag;
    // -10000 is silence outright, not merely -100 dB.
    const float gain =
        hundredthsDb <= -10000 ? 0.0f : static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
    m_gain.store(gain, std::memory_order_relaxed);
    m_volume.store(hundredthsDb, std::memory_order_relaxed);
    return AUDIO_OK;
}

AUDIO_RESULT CAudioBuffer::SetFrequency(uint32_t frequency) {
    if (frequency == 0)
        frequency = m_rate;
    if (frequency < 100 || frequency > 200000)
        return paInvalidSampleRate;
    m_step.store((static_cast<uint64_t>(frequency) << 32) / m_rate, std::memory_order_relaxed);
    m_frequency.store(frequency, std::memory_order_relaxed);
    return AUDIO_OK;
}

void CAudioBuffer::Render(int16_t* out, uint32_t frames) {
    const uint64_t state = m_state.load(std::memory_order_acquire);
    if (!(state & kPlaying) || m_frames == 0)
        return;
    m_published.load(std::memory_order_acquire);
    uint64_t position = m_pending.exchange(kNoPending, std::memory_order_acq_rel);
    if (position == kNoPending)
        position = m_cursor.load(std::memory_order_relaxed);
    const uint64_t step = m_step.load(std::memory_order_relaxed);
    const float gain = m_gain.load(std::memory_order_relaxed);
    const uint64_t end = static_cast<uint64_t>(m_frames) << 32;
    const bool looping = (state & kLooping) != 0;
    if (position >= end)
        position %= end;

    for (uint32_t i = 0; i < frames; ++i) {
        const int16_t* frame = m_data + (position >> 32) * 2;
        int32_t left = frame[0];
        int32_t right = frame[1];
        if (gain != 1.0f) {
            left = static_cast<int32_t>(static_cast<float>(left) * gain);
            right = static_cast<int32_t>(static_cast<float>(right) * gain);
        }
        out[2 * i] = Saturate(out[2 * i] + left);
        out[2 * i + 1] = Saturate(out[2 * i + 1] + right);
        position += step;
        if (position >= end) {
            if (looping) {
                position -= end;
                continue;
            }
            // Played once: stop and rewind, unless a Play or Stop came in meanwhile.
            uint64_t expected = state;
            m_state.compare_exchange_strong(expected, ((state >> 2) + 1) << 2);
            position = 0;
            break;
        }
    }
    m_cursor.store(position, std::memory_order_release);
}

CAudioDevice::~CAudioDevice() = default;

void CAudioDevice::WaitUntilLeft(const std::atomic<uint64_t>& count) {
    const uint64_t seen = count.load();
    if (!(seen & 1))
        return;
    // A device thread that stopped for good (closed or lost) never holds it long.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (count.load() == seen && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void CAudioDevice::SetRenderHooks(RenderHook enter, RenderHook leave) {
    g_enterHook.store(enter);
    g_leaveHook.store(leave);
}

AUDIO_RESULT CAudioDevice::CreateBuffer(uint32_t bytes, CAudioBuffer** buffer) {
    if (!buffer)
        return paBadBufferPtr;
    *buffer = nullptr;
    if (!IsOpen())
        return paNotInitialized;
    if (bytes < 4)
        return paBufferTooSmall;
    auto* created = new (std::nothrow) CAudioBuffer(bytes, m_rate);
    if (!created || created->GetSize() == 0) {
        delete created;
        return paInsufficientMemory;
    }
    for (auto& slot : m_buffers) {
        CAudioBuffer* empty = nullptr;
        if (slot.compare_exchange_strong(empty, created)) {
            *buffer = created;
            return AUDIO_OK;
        }
    }
    delete created;
    return paInsufficientMemory;
}

void CAudioDevice::ReleaseBuffer(CAudioBuffer* buffer) {
    if (!buffer)
        return;
    bool found = false;
    for (auto& slot : m_buffers) {
        CAudioBuffer* expected = buffer;
        if (slot.compare_exchange_strong(expected, nullptr))
            found = true;
    }
    if (!found)
        return;
    // A render that began before the slot was cleared may still read the buffer.
    WaitUntilLeft(m_renderCount);
    delete buffer;
}

void CAudioDevice::ReleaseAllBuffers() {
    for (auto& slot : m_buffers) {
        if (CAudioBuffer* buffer = slot.load())
            ReleaseBuffer(buffer);
    }
}

void CAudioDevice::RenderFrames(int16_t* out, uint32_t frames) {
    const RenderHook enter = g_enterHook.load(std::memory_order_relaxed);
    if (enter)
        enter();
    m_renderCount.fetch_add(1);
    std::memset(out, 0, static_cast<size_t>(frames) * 4);
    for (auto& slot : m_buffers) {
        if (CAudioBuffer* buffer = slot.load())
            buffer->Render(out, frames);
    }
    m_renderCount.fetch_add(1);
    const RenderHook leave = g_leaveHook.load(std::memory_order_relaxed);
    if (leave)
        leave();
}

CCaptureBuffer::CCaptureBuffer(uint32_t bytes, uint32_t channels)
    : m_data(nullptr), m_bytes(0), m_frames(0), m_channels(channels ? channels : 1) {
    const uint32_t frames = bytes / (2 * m_channels);
    m_data = new (std::nothrow) int16_t[static_cast<size_t>(frames) * m_channels]();
    if (m_data) {
        m_frames = frames;
        m_bytes = frames * 2 * m_channels;
    }
}

CCaptureBuffer::~CCaptureBuffer() {
    delete[] m_data;
}

AUDIO_RESULT CCaptureBuffer::GetCurrentPosition(uint32_t* capture) const {
    if (!capture)
        return paBadBufferPtr;
    if (m_lost.load(std::memory_order_acquire))
        return paDeviceUnavailable;
    // The acquire pairs with the producer's release: the frames before the cursor are written.
    *capture = m_cursor.load(std::memory_order_acquire) * 2 * m_channels;
    return AUDIO_OK;
}

AUDIO_RESULT CCaptureBuffer::Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1,
                                  void** part2, uint32_t* bytes2) {
    return SplitRegion(reinterpret_cast<uint8_t*>(m_data), m_bytes, offset, bytes, part1, bytes1,
                       part2, bytes2);
}

AUDIO_RESULT CCaptureBuffer::Unlock(void*, uint32_t, void*, uint32_t) {
    return AUDIO_OK;
}

AUDIO_RESULT CCaptureBuffer::Start() {
    if (m_frames == 0)
        return paInsufficientMemory;
    if (m_lost.load())
        return paDeviceUnavailable;
    m_capturing.store(true);
    return AUDIO_OK;
}

AUDIO_RESULT CCaptureBuffer::Stop() {
    m_capturing.store(false);
    return AUDIO_OK;
}

void CCaptureBuffer::Capture(const int16_t* in, uint32_t frames, uint32_t inChannels) {
    if (!m_capturing.load(std::memory_order_relaxed) || m_frames == 0 || inChannels == 0)
        return;
    uint32_t cursor = m_cursor.load(std::memory_order_relaxed);
    for (uint32_t f = 0; f < frames; ++f) {
        int16_t* frame = m_data + static_cast<size_t>(cursor) * m_channels;
        const int16_t* source = in + static_cast<size_t>(f) * inChannels;
        for (uint32_t c = 0; c < m_channels; ++c)
            frame[c] = source[c < inChannels ? c : inChannels - 1];
        if (++cursor == m_frames)
            cursor = 0;
    }
    m_cursor.store(cursor, std::memory_order_release);
    m_captured.fetch_add(frames, std::memory_order_release);
}

AUDIO_RESULT CAudioDevice::CreateCaptureBuffer(uint32_t bytes, CCaptureBuffer** buffer) {
    if (!buffer)
        return paBadBufferPtr;
    *buffer = nullptr;
    if (!IsInputOpen())
        return paNotInitialized;
    if (bytes < 2 * m_inputChannels)
        return paBufferTooSmall;
    auto* created = new (std::nothrow) CCaptureBuffer(bytes, m_inputChannels);
    if (!created || created->GetSize() == 0) {
        delete created;
        return paInsufficientMemory;
    }
    CCaptureBuffer* empty = nullptr;
    if (!m_capture.compare_exchange_strong(empty, created)) {
        delete created;
        return paInternalError;
    }
    *buffer = created;
    return AUDIO_OK;
}

void CAudioDevice::ReleaseCaptureBuffer(CCaptureBuffer* buffer) {
    if (!buffer)
        return;
    CCaptureBuffer* expected = buffer;
    if (!m_capture.compare_exchange_strong(expected, nullptr))
        return;
    WaitUntilLeft(m_captureCount);
    delete buffer;
}

void CAudioDevice::ReleaseCapture() {
    ReleaseCaptureBuffer(m_capture.load());
}

void CAudioDevice::MarkInputLost() {
    // Counted as a capture, so that a release waits for it.
    m_captureCount.fetch_add(1);
    if (CCaptureBuffer* buffer = m_capture.load())
        buffer->MarkLost();
    m_captureCount.fetch_add(1);
}

void CAudioDevice::CaptureFrames(const int16_t* in, uint32_t frames, uint32_t channels) {
    const RenderHook enter = g_enterHook.load(std::memory_order_relaxed);
    if (enter)
        enter();
    m_captureCount.fetch_add(1);
    if (CCaptureBuffer* buffer = m_capture.load())
        buffer->Capture(in, frames, channels);
    m_captureCount.fetch_add(1);
    const RenderHook leave = g_leaveHook.load(std::memory_order_relaxed);
    if (leave)
        leave();
}

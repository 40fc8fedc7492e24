#pragma once

#include "core/CharString.h"
#include "core/VarList.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// One sound device as the audio settings list it. The identifier stays the same for the same
// device across runs; all zero stands for the system's default device.
struct DEVICE_INFO {
    uint8_t guid[16] = {};
    CCharString description;
};

// Result of a device or buffer call: 0 on success, otherwise one of PortAudio's error codes,
// whichever backend answered, so that every failure has PortAudio's words.
using AUDIO_RESULT = int;
constexpr AUDIO_RESULT AUDIO_OK = 0;

// PortAudio's text for a result code ("Success", "Invalid device", ...).
const char* AudioResultText(AUDIO_RESULT result);

// The identifier of a device: a 128-bit hash of its host API's name and its own name, never all
// zero, so that a chosen device is found again after a restart or a change of device order.
void MakeDeviceId(const char* hostApi, const char* name, uint8_t id[16]);
bool IsDefaultDeviceId(const uint8_t id[16]);
// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", lower-case hexadecimal.
CCharString DeviceIdText(const uint8_t id[16]);
bool ParseDeviceId(const char* text, uint8_t id[16]);

// A looping buffer of 16-bit stereo frames that a device plays, in the manner of a secondary
// buffer: the producer locks a region, writes it and unlocks it; the device's consumer reads
// frames at the play cursor and advances it. The consumer side takes no lock, allocates nothing
// and never waits; every value it shares with the producer is atomic.
class CAudioBuffer {
public:
    // bytes: a whole number of frames (4 bytes each). rate: the device's frames per second.
    CAudioBuffer(uint32_t bytes, uint32_t rate);
    ~CAudioBuffer();
    CAudioBuffer(const CAudioBuffer&) = delete;
    CAudioBuffer& operator=(const CAudioBuffer&) = delete;

    uint32_t GetSize() const { return m_bytes; }

    // Gives the region [offset, offset + bytes) as one or two parts (two when it wraps past the
    // end). Fails with paBufferTooBig when bytes exceeds the buffer or offset lies outside it.
    AUDIO_RESULT Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
                      uint32_t* bytes2);
    // Publishes what was written to the consumer.
    AUDIO_RESULT Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2);
    // Byte offset of the next frame the device reads.
    AUDIO_RESULT GetCurrentPosition(uint32_t* play) const;
    AUDIO_RESULT SetCurrentPosition(uint32_t offset);
    // From the current position; a buffer played once stops at its end and rewinds to 0.
    AUDIO_RESULT Play(bool looping);
    AUDIO_RESULT Stop();
    bool IsPlaying() const;
    // Attenuation in hundredths of a decibel, -10000 (silent) to 0 (as written).
    AUDIO_RESULT SetVolume(int32_t hundredthsDb);
    int32_t GetVolume() const { return m_volume.load(std::memory_order_relaxed); }
    // Playback frequency in frames per second (100 to 200000; 0 restores the device's rate).
    AUDIO_RESULT SetFrequency(uint32_t frequency);
    uint32_t GetFrequency() const { return m_frequency.load(std::memory_order_relaxed); }

    // Consumer side: adds the next frames of the buffer, at its volume, into out (stereo,
    // saturating) and advances the cursor. Real-time safe.
    void Render(int16_t* out, uint32_t frames);

private:
    static constexpr uint64_t kNoPending = ~uint64_t{0};
    // m_state: bit 0 playing, bit 1 looping, the rest a generation that every Play and Stop
    // bumps, so that the consumer's end-of-buffer stop never overrides a newer Play.
    static constexpr uint64_t kPlaying = 1, kLooping = 2, kGeneration = 4;

    int16_t* m_data;
    uint32_t m_bytes;
    uint32_t m_frames;
    uint32_t m_rate;
    // 32.32 fixed-point frame position and step, so that any frequency plays at its pitch.
    alignas(64) std::atomic<uint64_t> m_cursor{0};
    std::atomic<uint64_t> m_pending{kNoPending};
    alignas(64) std::atomic<uint64_t> m_state{0};
    std::atomic<uint64_t> m_step;
    std::atomic<float> m_gain{1.0f};
    std::atomic<int32_t> m_volume{0};
    std::atomic<uint32_t> m_frequency;
    std::atomic<uint32_t> m_published{0};
};

// An output device that mixes the buffers created on it. Backends differ only in what drives
// the consumer: PortAudio's callback, or a clock or a test for the virtual device.
class CAudioDevice {
public:
    static constexpr int kMaxBuffers = 8;

    CAudioDevice() = default;
    virtual ~CAudioDevice();
    CAudioDevice(const CAudioDevice&) = delete;
    CAudioDevice& operator=(const CAudioDevice&) = delete;

    // The backend's name, for the host API part of identifiers and for messages.
    virtual const char* GetName() const = 0;
    // Lists the output devices, the default device first with the all-zero identifier; with
    // inputs given, also the input devices the same way.
    virtual AUDIO_RESULT Enumerate(CVarList<DEVICE_INFO>& outputs,
                                   CVarList<DEVICE_INFO>* inputs = nullptr) = 0;
    // Opens the device with that identifier for 16-bit frames of the given rate and channels
    // (2 only) and starts consuming; until a buffer plays the device hears silence.
    virtual AUDIO_RESULT Open(const uint8_t id[16], uint32_t rate, uint32_t channels) = 0;
    // Stops consuming and releases every buffer still created on the device.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // True when the device stopped consuming by itself (unplugged, a host error); Restore
    // starts it again.
    virtual bool IsLost() const { return false; }
    virtual AUDIO_RESULT Restore() { return AUDIO_OK; }
    uint32_t GetRate() const { return m_rate; }

    // A buffer of bytes (whole frames) that the device mixes while it plays. The device keeps
    // it until ReleaseBuffer or Close.
    AUDIO_RESULT CreateBuffer(uint32_t bytes, CAudioBuffer** buffer);
    // Once it returns the consumer no longer reads the buffer, which is deleted.
    void ReleaseBuffer(CAudioBuffer* buffer);

    // Called on the consumer's thread around each render (test builds count what happens
    // between them); both must be real-time safe themselves.
    using RenderHook = void (*)();
    static void SetRenderHooks(RenderHook enter, RenderHook leave);

protected:
    // Consumer side: fills out with the sum of every playing buffer. Real-time safe.
    void RenderFrames(int16_t* out, uint32_t frames);
    void ReleaseAllBuffers();

    uint32_t m_rate = 44100;

private:
    std::atomic<CAudioBuffer*> m_buffers[kMaxBuffers] = {};
    // Odd while the consumer renders; a release waits for it to leave.
    std::atomic<uint64_t> m_renderCount{0};
};

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

// A looping buffer that an input device records 16-bit frames into, in the manner of a capture
// buffer: while started, the device's producer writes frames at the capture cursor and moves it
// on around the buffer; the reader locks the region between its own read position and the
// cursor, copies it out and unlocks it. The producer takes no lock, allocates nothing and never
// waits; it publishes the cursor after the frames, so everything before it is readable.
class CCaptureBuffer {
public:
    // bytes: rounded down to whole frames of channels values.
    CCaptureBuffer(uint32_t bytes, uint32_t channels);
    ~CCaptureBuffer();
    CCaptureBuffer(const CCaptureBuffer&) = delete;
    CCaptureBuffer& operator=(const CCaptureBuffer&) = delete;

    uint32_t GetSize() const { return m_bytes; }
    uint32_t GetChannels() const { return m_channels; }
    // Byte offset where the next captured frame goes. Fails with paDeviceUnavailable once the
    // device is gone (unplugged, a host error).
    AUDIO_RESULT GetCurrentPosition(uint32_t* capture) const;
    // As CAudioBuffer::Lock.
    AUDIO_RESULT Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
                      uint32_t* bytes2);
    AUDIO_RESULT Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2);
    // Records from the cursor on, around and around, until Stop.
    AUDIO_RESULT Start();
    AUDIO_RESULT Stop();
    bool IsCapturing() const { return m_capturing.load(std::memory_order_relaxed); }
    // Frames written since the buffer was made.
    uint64_t GetFramesCaptured() const { return m_captured.load(std::memory_order_acquire); }

    // Producer side: appends frames of inChannels values each (a missing channel repeats the
    // last one given, extra ones are dropped) while started. Real-time safe.
    void Capture(const int16_t* in, uint32_t frames, uint32_t inChannels);
    // The device is gone: position reads fail from now on.
    void MarkLost() { m_lost.store(true, std::memory_order_release); }

private:
    int16_t* m_data;
    uint32_t m_bytes;
    uint32_t m_frames;
    uint32_t m_channels;
    alignas(64) std::atomic<uint32_t> m_cursor{0}; // in frames
    std::atomic<uint64_t> m_captured{0};
    std::atomic<bool> m_capturing{false};
    std::atomic<bool> m_lost{false};
};

// A sound device: the output side mixes the buffers created on it, the input side records into
// one capture buffer. Either side, or both, may be open. Backends differ only in what drives the
// consumer and the producer: PortAudio's callbacks, or a clock or a test for the virtual device.
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

    // Opens the input device with that identifier (all zero: the default input) for 16-bit
    // frames of the given rate and channels (1 or 2) and starts producing; frames reach the
    // capture buffer while it is started.
    virtual AUDIO_RESULT OpenInput(const uint8_t id[16], uint32_t rate, uint32_t channels) = 0;
    // Stops producing and releases the capture buffer.
    virtual void CloseInput() = 0;
    virtual bool IsInputOpen() const = 0;
    uint32_t GetInputRate() const { return m_inputRate; }
    uint32_t GetInputChannels() const { return m_inputChannels; }
    // The one capture buffer of the input side, of bytes (whole frames), kept until
    // ReleaseCaptureBuffer or CloseInput. Fails with paInternalError while one exists.
    AUDIO_RESULT CreateCaptureBuffer(uint32_t bytes, CCaptureBuffer** buffer);
    // Once it returns the producer no longer writes the buffer, which is deleted.
    void ReleaseCaptureBuffer(CCaptureBuffer* buffer);

    // A buffer of bytes (whole frames) that the device mixes while it plays. The device keeps
    // it until ReleaseBuffer or Close.
    AUDIO_RESULT CreateBuffer(uint32_t bytes, CAudioBuffer** buffer);
    // Once it returns the consumer no longer reads the buffer, which is deleted.
    void ReleaseBuffer(CAudioBuffer* buffer);

    // Called on the device's thread around each render and each capture (test builds count
    // what happens between them); both must be real-time safe themselves.
    using RenderHook = void (*)();
    static void SetRenderHooks(RenderHook enter, RenderHook leave);

protected:
    // Consumer side: fills out with the sum of every playing buffer. Real-time safe.
    void RenderFrames(int16_t* out, uint32_t frames);
    void ReleaseAllBuffers();
    // Producer side: hands frames of channels values each to the capture buffer. Real-time safe.
    void CaptureFrames(const int16_t* in, uint32_t frames, uint32_t channels);
    // The input device went away: the capture buffer's position reads fail. Producer's thread
    // only, like CaptureFrames.
    void MarkInputLost();
    void ReleaseCapture();
    // Waits until a thread that was inside a section counted by count (odd while inside) when
    // this was called has left it.
    static void WaitUntilLeft(const std::atomic<uint64_t>& count);

    uint32_t m_rate = 44100;
    uint32_t m_inputRate = 44100;
    uint32_t m_inputChannels = 2;

private:
    std::atomic<CAudioBuffer*> m_buffers[kMaxBuffers] = {};
    std::atomic<CCaptureBuffer*> m_capture{nullptr};
    // Odd while the consumer renders or the producer captures; a release waits for it to leave.
    std::atomic<uint64_t> m_renderCount{0};
    std::atomic<uint64_t> m_captureCount{0};
};

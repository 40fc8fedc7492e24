#pragma once

#include "sound/AudioDevice.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// An output device without a sound card. Its consumer is driven either by a real-time clock
// on a thread of its own (one block of frames per block duration, like a sound card's
// callback) or by the caller through Step. It can keep every frame it played.
class CVirtualDevice : public CAudioDevice {
public:
    enum CLOCK { CLOCK_REAL_TIME, CLOCK_STEPPED };
    static constexpr const char* kHostApi = "Virtual";
    static constexpr const char* kOutputName = "Virtual output device";
    static constexpr const char* kInputName = "Virtual input device";

    explicit CVirtualDevice(CLOCK clock = CLOCK_REAL_TIME, uint32_t framesPerBlock = 128);
    ~CVirtualDevice() override;

    const char* GetName() const override { return kHostApi; }
    // One output (and one input) device, after the default one.
    AUDIO_RESULT Enumerate(CVarList<DEVICE_INFO>& outputs,
                           CVarList<DEVICE_INFO>* inputs = nullptr) override;
    // Accepts the all-zero identifier and the virtual output's own.
    AUDIO_RESULT Open(const uint8_t id[16], uint32_t rate, uint32_t channels) override;
    void Close() override;
    bool IsOpen() const override { return m_open.load(); }

    // The virtual output's identifier.
    static void GetOutputId(uint8_t id[16]);

    // Stepped clock: consumes frames in blocks on the caller's thread. Ignored otherwise.
    void Step(uint32_t frames);
    // Frames consumed since Open.
    uint64_t GetFramesPlayed() const { return m_framesPlayed.load(); }

    // Keeps up to maxFrames of the frames played from now on; the memory is taken here, so
    // the consumer never allocates. Call while nothing plays.
    void KeepFrames(size_t maxFrames);
    // The kept frames (left, right interleaved). Read it while the consumer is idle: stepped,
    // or after Close.
    const int16_t* GetKeptFrames() const { return m_kept.data(); }
    size_t GetKeptCount() const { return m_keptCount.load(); }

    // Forgets the first sound heard, so that the next non-silent frame is timed again.
    void ResetFirstSound();
    // When the consumer first handed on a non-silent frame after ResetFirstSound.
    bool GetFirstSoundTime(std::chrono::steady_clock::time_point* when) const;

private:
    void Consume(uint32_t frames);
    void Run();

    CLOCK m_clock;
    uint32_t m_blockFrames;
    std::vector<int16_t> m_block;
    std::vector<int16_t> m_kept;
    std::atomic<size_t> m_keptCount{0};
    std::atomic<uint64_t> m_framesPlayed{0};
    std::atomic<int64_t> m_firstSound{0};
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

#pragma once

#include "sound/AudioDevice.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// A device without a sound card. Its output consumer and its input producer are each driven
// either by a real-time clock on a thread of their own (one block of frames per block duration,
// like a sound card's callback) or by the caller through Step. The output can keep every frame
// it played; the input hears a signal: frames (a WAVE file's, say), a tone, or silence.
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
    // Accepts the all-zero identifier and the virtual input's own; fails with
    // paDeviceUnavailable while the input is unplugged.
    AUDIO_RESULT OpenInput(const uint8_t id[16], uint32_t rate, uint32_t channels) override;
    void CloseInput() override;
    bool IsInputOpen() const override { return m_inputOpen.load(); }

    // The virtual output's and input's identifiers.
    static void GetOutputId(uint8_t id[16]);
    static void GetInputId(uint8_t id[16]);

    // What the input hears from now on, at any time: values of channels (1 or 2) interleaved,
    // from their start, once or over and over; or a sine of frequency at level (0 to 1) with
    // the given share of its second and third harmonics, for a string-like tone; or silence.
    void SetInputFrames(std::vector<int16_t> values, uint32_t channels, bool loop);
    // A 16-bit WAVE file's frames; false with the reader's words when it cannot be read.
    bool SetInputFile(const char* path, bool loop, CCharString* error = nullptr);
    void SetInputTone(double frequency, double level, double harmonics = 0.0);
    void SetInputSilence();
    // Unplugs the input (capture position reads fail, as with a card that went away) or plugs
    // it back in (the next OpenInput works).
    void SetInputPresent(bool present);
    // Frames the input produced since OpenInput.
    uint64_t GetFramesCaptured() const { return m_framesCaptured.load(); }

    // Stepped clock: consumes and produces frames in blocks on the caller's thread, on each
    // side that is open. Ignored otherwise.
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
    struct INPUT_SIGNAL {
        std::vector<int16_t> values;
        uint32_t channels = 1;
        bool loop = false;
        double frequency = 0.0;
        double level = 0.0;
        double harmonics = 0.0;
        size_t position = 0; // frames; the producer's
        double phase = 0.0;  // radians; the producer's
    };

    void Consume(uint32_t frames);
    void Produce(uint32_t frames);
    // Calls step with one block of frames per block duration until stopping is set.
    void RunClock(std::atomic<bool>& stopping, uint32_t rate,
                  void (CVirtualDevice::*step)(uint32_t));
    void SetSignal(INPUT_SIGNAL* signal);

    CLOCK m_clock;
    uint32_t m_blockFrames;
    std::vector<int16_t> m_block;
    std::vector<int16_t> m_inputBlock;
    std::atomic<INPUT_SIGNAL*> m_signal{nullptr};
    // Odd while the producer reads the signal; a change waits for it to leave.
    std::atomic<uint64_t> m_signalCount{0};
    std::atomic<bool> m_inputOpen{false};
    std::atomic<bool> m_inputStopping{false};
    std::atomic<bool> m_inputPresent{true};
    bool m_inputMarkedLost = false; // the producer's
    std::atomic<uint64_t> m_framesCaptured{0};
    std::thread m_inputThread;
    std::vector<int16_t> m_kept;
    std::atomic<size_t> m_keptCount{0};
    std::atomic<uint64_t> m_framesPlayed{0};
    std::atomic<int64_t> m_firstSound{0};
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

#pragma once

#include "sound/AudioDevice.h"

#include <atomic>

struct PaStreamCallbackTimeInfo;

// A device on PortAudio. Its callbacks render the buffers straight into the host's output and
// copy the host's input into the capture buffer: no lock, no allocation, no waiting.
class CPortAudioDevice : public CAudioDevice {
public:
    CPortAudioDevice();
    ~CPortAudioDevice() override;

    const char* GetName() const override { return "PortAudio"; }
    // Fails with PortAudio's initialisation result when the library could not start.
    AUDIO_RESULT Enumerate(CVarList<DEVICE_INFO>& outputs,
                           CVarList<DEVICE_INFO>* inputs = nullptr) override;
    AUDIO_RESULT Open(const uint8_t id[16], uint32_t rate, uint32_t channels) override;
    void Close() override;
    bool IsOpen() const override { return m_stream != nullptr; }
    bool IsLost() const override;
    AUDIO_RESULT Restore() override;

    // Opens with at most the device's own channel count; the capture buffer repeats a mono
    // device's channel. A stream that stops by itself marks the capture lost.
    AUDIO_RESULT OpenInput(const uint8_t id[16], uint32_t rate, uint32_t channels) override;
    void CloseInput() override;
    bool IsInputOpen() const override { return m_inputStream != nullptr; }

    // Whether PortAudio knows at least one output (input) device.
    bool HasOutput();
    bool HasInput();
    // PortAudio's device index for an identifier (zero: the default output or input), or -1.
    int FindOutput(const uint8_t id[16]);
    int FindInput(const uint8_t id[16]);

private:
    int Find(const uint8_t id[16], bool input);
    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* timeInfo, unsigned long statusFlags,
                        void* self);
    static int InputCallback(const void* input, void* output, unsigned long frames,
                             const PaStreamCallbackTimeInfo* timeInfo, unsigned long statusFlags,
                             void* self);
    static void InputFinished(void* self);

    AUDIO_RESULT m_init;
    void* m_stream = nullptr;
    void* m_inputStream = nullptr;
    uint32_t m_hostChannels = 0;
    std::atomic<bool> m_closingInput{false};
};

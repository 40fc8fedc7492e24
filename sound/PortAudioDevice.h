#pragma once

#include "sound/AudioDevice.h"

#include <atomic>

struct PaStreamCallbackTimeInfo;

// An output device on PortAudio. Its callback renders the buffers straight into the host's
// output: no lock, no allocation, no waiting.
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

    // Whether PortAudio knows at least one output device.
    bool HasOutput();
    // PortAudio's device index for an identifier (zero: the default output), or -1.
    int FindOutput(const uint8_t id[16]);

private:
    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* timeInfo, unsigned long statusFlags,
                        void* self);

    AUDIO_RESULT m_init;
    void* m_stream = nullptr;
};

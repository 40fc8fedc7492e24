#include "sound/PortAudioDevice.h"

#include <portaudio.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The ALSA and JACK probes print their complaints about missing cards and servers to standard
// error while PortAudio starts; they say nothing the user can act on.
AUDIO_RESULT QuietInitialize() {
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (saved >= 0 && null >= 0)
        dup2(null, STDERR_FILENO);
    const PaError result = Pa_Initialize();
    if (saved >= 0 && null >= 0) {
        dup2(saved, STDERR_FILENO);
    }
    if (saved >= 0)
        close(saved);
    if (null >= 0)
        close(null);
    return result;
}

void IdOf(PaDeviceIndex index, uint8_t id[16]) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    const PaHostApiInfo* host = info ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
    MakeDeviceId(host ? host->name : "", info ? info->name : "", id);
}

CCharString DescriptionOf(PaDeviceIndex index) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    const PaHostApiInfo* host = info ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
    CCharString text;
    text.Format("%s (%s)", info ? info->name : "?", host ? host->name : "?");
    return text;
}
} // namespace

CPortAudioDevice::CPortAudioDevice() : m_init(QuietInitialize()) {}

CPortAudioDevice::~CPortAudioDevice() {
    Close();
    CloseInput();
    if (m_init == paNoError)
        Pa_Terminate();
}

AUDIO_RESULT CPortAudioDevice::Enumerate(CVarList<DEVICE_INFO>& outputs,
                                         CVarList<DEVICE_INFO>* inputs) {
    outputs.RemoveAll();
    if (inputs)
        inputs->RemoveAll();
    if (m_init != paNoError)
        return m_init;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    if (count < 0)
        return count;
    if (Pa_GetDefaultOutputDevice() != paNoDevice) {
        DEVICE_INFO info;
        info.description = "Default output device";
        outputs.Add(info);
    }
    if (inputs && Pa_GetDefaultInputDevice() != paNoDevice) {
        DEVICE_INFO info;
        info.description = "Default input device";
        inputs->Add(info);
    }
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* device = Pa_GetDeviceInfo(i);
        if (!device)
            continue;
        DEVICE_INFO info;
        IdOf(i, info.guid);
        info.description = DescriptionOf(i);
        if (device->maxOutputChannels >= 2)
            outputs.Add(info);
        if (inputs && device->maxInputChannels >= 1)
            inputs->Add(info);
    }
    return AUDIO_OK;
}

bool CPortAudioDevice::HasOutput() {
    return m_init == paNoError && Pa_GetDefaultOutputDevice() != paNoDevice;
}

bool CPortAudioDevice::HasInput() {
    return m_init == paNoError && Pa_GetDefaultInputDevice() != paNoDevice;
}

int CPortAudioDevice::FindOutput(const uint8_t id[16]) {
    return Find(id, false);
}

int CPortAudioDevice::FindInput(const uint8_t id[16]) {
    return Find(id, true);
}

int CPortAudioDevice::Find(const uint8_t id[16], bool input) {
    if (m_init != paNoError)
        return -1;
    if (IsDefaultDeviceId(id)) {
        const PaDeviceIndex index =
            input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
        return index == paNoDevice ? -1 : index;
    }
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* device = Pa_GetDeviceInfo(i);
        uint8_t candidate[16];
        IdOf(i, candidate);
        const bool fits =
            device && (input ? device->maxInputChannels >= 1 : device->maxOutputChannels >= 2);
        if (fits && std::memcmp(candidate, id, 16) == 0)
            return i;
    }
    return -1;
}

AUDIO_RESULT CPortAudioDevice::Open(const uint8_t id[16], uint32_t rate, uint32_t channels) {
    if (m_init != paNoError)
        return m_init;
    if (m_stream)
        return paStreamIsNotStopped;
    if (channels != 2)
        return paInvalidChannelCount;
    const int index = FindOutput(id);
    if (index < 0)
        return paInvalidDevice;
    PaStreamParameters output{};
    output.device = index;
    output.channelCount = 2;
    output.sampleFormat = paInt16;
    output.suggestedLatency = Pa_GetDeviceInfo(index)->defaultLowOutputLatency;
    m_rate = rate;
    PaStream* stream = nullptr;
    PaError result = Pa_OpenStream(&stream, nullptr, &output, rate, paFramesPerBufferUnspecified,
                                   paNoFlag, &CPortAudioDevice::Callback, this);
    if (result != paNoError)
        return result;
    result = Pa_StartStream(stream);
    if (result != paNoError) {
        Pa_CloseStream(stream);
        return result;
    }
    m_stream = stream;
    return AUDIO_OK;
}

void CPortAudioDevice::Close() {
    if (!m_stream)
        return;
    // Stopping waits for the last callback, so no buffer is read after this.
    Pa_StopStream(m_stream);
    Pa_CloseStream(m_stream);
    m_stream = nullptr;
    ReleaseAllBuffers();
}

bool CPortAudioDevice::IsLost() const {
    return m_stream && Pa_IsStreamActive(m_stream) != 1;
}

AUDIO_RESULT CPortAudioDevice::Restore() {
    if (!m_stream)
        return paBadStreamPtr;
    if (Pa_IsStreamActive(m_stream) == 1)
        return AUDIO_OK;
    Pa_AbortStream(m_stream);
    return Pa_StartStream(m_stream);
}

int CPortAudioDevice::Callback(const void*, void* output, unsigned long frames,
                               const PaStreamCallbackTimeInfo*, unsigned long, void* self) {
    static_cast<CPortAudioDevice*>(self)->RenderFrames(static_cast<int16_t*>(output),
                                                       static_cast<uint32_t>(frames));
    return paContinue;
}

AUDIO_RESULT CPortAudioDevice::OpenInput(const uint8_t id[16], uint32_t rate, uint32_t channels) {
    if (m_init != paNoError)
        return m_init;
    if (m_inputStream)
        return paStreamIsNotStopped;
    if (channels != 1 && channels != 2)
        return paInvalidChannelCount;
    const int index = FindInput(id);
    if (index < 0)
        return paInvalidDevice;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    PaStreamParameters input{};
    input.device = index;
    input.channelCount = info->maxInputChannels < static_cast<int>(channels)
                             ? info->maxInputChannels
                             : static_cast<int>(channels);
    input.sampleFormat = paInt16;
    input.suggestedLatency = info->defaultLowInputLatency;
    m_inputRate = rate;
    m_inputChannels = channels;
    m_hostChannels = static_cast<uint32_t>(input.channelCount);
    m_closingInput.store(false);
    PaStream* stream = nullptr;
    PaError result = Pa_OpenStream(&stream, &input, nullptr, rate, paFramesPerBufferUnspecified,
                                   paNoFlag, &CPortAudioDevice::InputCallback, this);
    if (result != paNoError)
        return result;
    Pa_SetStreamFinishedCallback(stream, &CPortAudioDevice::InputFinished);
    result = Pa_StartStream(stream);
    if (result != paNoError) {
        Pa_CloseStream(stream);
        return result;
    }
    m_inputStream = stream;
    return AUDIO_OK;
}

void CPortAudioDevice::CloseInput() {
    if (!m_inputStream)
        return;
    m_closingInput.store(true);
    Pa_StopStream(m_inputStream);
    Pa_CloseStream(m_inputStream);
    m_inputStream = nullptr;
    ReleaseCapture();
}

int CPortAudioDevice::InputCallback(const void* input, void*, unsigned long frames,
                                    const PaStreamCallbackTimeInfo*, unsigned long, void* self) {
    auto* device = static_cast<CPortAudioDevice*>(self);
    if (input)
        device->CaptureFrames(static_cast<const int16_t*>(input), static_cast<uint32_t>(frames),
                              device->m_hostChannels);
    return paContinue;
}

void CPortAudioDevice::InputFinished(void* self) {
    // The stream ends on its own only when the host gave up on the device.
    auto* device = static_cast<CPortAudioDevice*>(self);
    if (!device->m_closingInput.load())
        device->MarkInputLost();
}

#include "sound/SystemDevices.h"

#include "sound/PortAudioDevice.h"
#include "sound/VirtualDevice.h"

#include <cstring>

namespace {
// The virtual devices after PortAudio's, or alone (with their default) when it has none.
void AddVirtual(CVarList<DEVICE_INFO>& devices, const CVarList<DEVICE_INFO>& virtualDevices) {
    for (size_t i = devices.IsEmpty() ? 0 : 1; i < virtualDevices.GetCount(); ++i)
        devices.Add(virtualDevices[i]);
}
} // namespace

AUDIO_RESULT ListSystemDevices(CVarList<DEVICE_INFO>& outputs, CVarList<DEVICE_INFO>* inputs) {
    CPortAudioDevice portAudio;
    const AUDIO_RESULT result = portAudio.Enumerate(outputs, inputs);
    if (result != AUDIO_OK)
        return result;
    CVarList<DEVICE_INFO> virtualOutputs;
    CVarList<DEVICE_INFO> virtualInputs;
    CVirtualDevice virtualDevice;
    virtualDevice.Enumerate(virtualOutputs, &virtualInputs);
    AddVirtual(outputs, virtualOutputs);
    if (inputs)
        AddVirtual(*inputs, virtualInputs);
    return AUDIO_OK;
}

std::unique_ptr<CAudioDevice> MakeSystemDevice(const uint8_t id[16], bool input) {
    uint8_t virtualId[16];
    if (input)
        CVirtualDevice::GetInputId(virtualId);
    else
        CVirtualDevice::GetOutputId(virtualId);
    if (std::memcmp(id, virtualId, 16) == 0)
        return std::make_unique<CVirtualDevice>();
    auto portAudio = std::make_unique<CPortAudioDevice>();
    const bool found = input ? portAudio->FindInput(id) >= 0 || portAudio->HasInput()
                             : portAudio->FindOutput(id) >= 0 || portAudio->HasOutput();
    if (found)
        return portAudio;
    return std::make_unique<CVirtualDevice>();
}

#include "app/cli/Cli.h"
#include "sound/PortAudioDevice.h"
#include "sound/VirtualDevice.h"

#include <cstdio>

namespace {

const char* const USAGE = ": list the sound output and input devices with their identifiers";

void Print(const char* title, const CVarList<DEVICE_INFO>& devices) {
    std::printf("%s:\n", title);
    for (const DEVICE_INFO& device : devices)
        std::printf("  %s  %s\n", DeviceIdText(device.guid).GetText(),
                    device.description.GetText());
}

int RunDevices(CCliArgs& args) {
    for (const std::string& option : args.Unknown({}))
        return std::fprintf(stderr, "devices: unknown option '%s'\n", option.c_str()), 2;
    CVarList<DEVICE_INFO> outputs;
    CVarList<DEVICE_INFO> inputs;
    CPortAudioDevice portAudio;
    const AUDIO_RESULT result = portAudio.Enumerate(outputs, &inputs);
    if (result != AUDIO_OK)
        std::fprintf(stderr, "devices: PortAudio: %s\n", AudioResultText(result));
    // The virtual devices are always there; with no sound card they are also the defaults.
    CVarList<DEVICE_INFO> virtualOutputs;
    CVarList<DEVICE_INFO> virtualInputs;
    CVirtualDevice virtualDevice;
    virtualDevice.Enumerate(virtualOutputs, &virtualInputs);
    for (size_t i = outputs.IsEmpty() ? 0 : 1; i < virtualOutputs.GetCount(); ++i)
        outputs.Add(virtualOutputs[i]);
    for (size_t i = inputs.IsEmpty() ? 0 : 1; i < virtualInputs.GetCount(); ++i)
        inputs.Add(virtualInputs[i]);
    Print("Output devices", outputs);
    Print("Input devices", inputs);
    return 0;
}

CCliCommand command("devices", USAGE, RunDevices);

} // namespace

#include "app/cli/Cli.h"
#include "sound/SystemDevices.h"
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
    const AUDIO_RESULT result = ListSystemDevices(outputs, &inputs);
    if (result != AUDIO_OK) {
        // The virtual devices are always there, also when PortAudio does not start.
        std::fprintf(stderr, "devices: PortAudio: %s\n", AudioResultText(result));
        CVirtualDevice virtualDevice;
        virtualDevice.Enumerate(outputs, &inputs);
    }
    Print("Output devices", outputs);
    Print("Input devices", inputs);
    return 0;
}

CCliCommand command("devices", USAGE, RunDevices);

} // namespace

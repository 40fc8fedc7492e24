#pragma once

#include "sound/AudioDevice.h"

#include <memory>

// The devices a user can choose from, for the sound engine and the sound capture alike.

// PortAudio's devices of each side, then the virtual one; a side where PortAudio has none lists
// the virtual devices alone, the default among them. Fails with PortAudio's result when it could
// not start. inputs may be null.
AUDIO_RESULT ListSystemDevices(CVarList<DEVICE_INFO>& outputs, CVarList<DEVICE_INFO>* inputs);

// The backend that opens the device of that identifier on the given side: the virtual device
// for its own identifier and when PortAudio has no device of that side at all (then in real
// time), PortAudio otherwise, which fails to open a chosen device that is gone.
std::unique_ptr<CAudioDevice> MakeSystemDevice(const uint8_t id[16], bool input);

#pragma once

// Services whose own subsystems are not built yet. Each does what the application object needs
// of it (creation, an initialisation that succeeds, the calls of the timer path and the keys)
// and nothing else, so that start-up, the key table and close run in their real order.

#include <cstdint>

#include "core/CharString.h"

// The band animator. Stub: nothing to pose until the band exists.
class CBandAnimatorStub {
public:
    void Stop() {}
    // Timer 1 plays due frames, timer 3 nudges the precomputation; both report no change.
    bool OnTimer(int) { return false; }
};


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

// Sound capture. Stub: the input always opens (there is nothing to read from).
class CSoundCaptureStub {
public:
    bool Initialize(int samplesPerSec, int bits, int channels) {
        return samplesPerSec > 0 && bits > 0 && channels > 0;
    }
    bool OnTimer(int) { return true; }
    // Recording along with a song: there is no input to record from yet, so it never gets
    // ready. The operations are those of the real capture.
    bool SetFormat(uint32_t, uint16_t, uint16_t) { return true; }
    bool GetReady(const char*, double mixStart) {
        m_mixStart = mixStart;
        m_error = "This build has no sound input to record from";
        return false;
    }
    bool Start(bool) { return false; }
    bool Stop() { return true; }
    double GetMixStart() const { return m_mixStart; }
    const CCharString& GetErrorText() const { return m_error; }

private:
    CCharString m_error;
    double m_mixStart = 0.0;
};

// The tone generator of the fuller tools; this application only creates and destroys it.
class CGeneratorStub {};

#pragma once

#include "sound/SoundCapture.h"
#include "sound/VirtualDevice.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// What the capture tests and the pitch benchmark share.

// A tone of ten partials (those below 0.45 of 44,100) with amplitudes u / k, u uniform in
// [0.1, 1], random phases, and white noise snrDb below the tone's power, peaking at peak (a
// share of full scale): mono 16-bit values at 44,100 frames a second.
std::vector<int16_t> MakeHarmonicTone(double frequency, double seconds, uint32_t seed,
                                      double snrDb = 20.0, double peak = 0.5);
double MidiHz(double midi);

// A capture on a stepped virtual input whose clock moves with the frames stepped; the notes it
// posts are kept.
struct CAPTURE_RIG {
    AUDIO_SETTINGS audio;
    std::unique_ptr<CSoundCapture> capture;
    CVirtualDevice* device = nullptr;
    double now = 100.0;

    // false when SetFormat failed (error in capture->GetErrorText()).
    bool Open(uint16_t channels = 2);
    // The input produces frames, and the clock moves on by their duration.
    void Step(uint32_t frames);
    // Wakes the capture thread as the 33 ms timer does and waits until it has drained.
    void Tick();
    std::vector<CNote> TakeNotes();

private:
    std::mutex m_mutex;
    std::vector<CNote> m_notes;
};

#pragma once

#include "core/Settings.h"
#include "sound/Sound.h"
#include "sound/VirtualDevice.h"
#include "theory/NoteList.h"
#include "theory/NoteManager.h"

#include <memory>
#include <string>
#include <vector>

// What the engine tests and benchmarks share: small sample sets written on the fly (every
// stringed set with one file per string, fret 0, and the whole drum table) and a practice-like
// note list.

// The format of the test samples: mono, 16-bit, 44,100 frames a second.
WAVE_FORMAT MonoFormat();

// A fresh, empty folder under the system's temporary folder, unique per call; ends with '/'.
std::string MakeTempFolder(const char* tag);

// Writes the sample sets into folder (which ends with '/'): each string's open note as a
// decaying sine of 0.4 s, each drum a noise burst of 0.2 s. Mono, 16-bit, 44,100.
bool WriteTestSampleSets(const std::string& folder);

// The sample folder the build renders from a SoundFont, when it exists (with '/').
std::string GetBuiltSampleFolder();

// A groove-like list of measures 4/4 bars at bpm: the C major scale up and down in eighths on
// the lead guitar, the bass on the root in quarters, hi-hat eighths, bass drum on 1 and 3,
// snare on 2 and 4. Pitches lie where the test sets have samples.
CNoteList MakeTestPractice(int measures, double bpm, CNoteManager& manager);

// The practice that Play Scale plays with the Show Scale tool's defaults (C major, position 7,
// Rock "2 Rock" at 120, quarter notes, pattern 1, no progression), composed from the built
// grooves, every note where it sounds (a beat late). With measures, the practice is repeated
// and cut to that many measures. False (with the reason) when the grooves are not built.
bool MakeDefaultPractice(CNoteManager& manager, CNoteList& notes, int measures = 0,
                         CCharString* error = nullptr);

// An engine opened on a stepped virtual device over the given sample folder.
struct ENGINE_RIG {
    APP_SETTINGS settings;
    CNoteManager notes;
    std::unique_ptr<CSound> sound;
    CVirtualDevice* device = nullptr;

    // false when the engine did not open (error in sound->GetErrorText()).
    bool Open(const std::string& sampleFolder, bool stepped = true);
    // Steps the device a second at a time, refilling the stream as the sound thread would,
    // until seconds of sound were consumed.
    void Play(double seconds);
};

// Reads a WAVE file's frames (16-bit stereo) into values; false when unreadable.
bool ReadFrames(const std::string& path, std::vector<int16_t>& values);

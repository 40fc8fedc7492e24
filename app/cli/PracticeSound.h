#pragma once

#include "core/Settings.h"
#include "sound/Sound.h"
#include "theory/NoteList.h"
#include "theory/NoteManager.h"

#include <memory>

class CMix;

// The mix the application plays with: the sound folder's "Default.mix", else the built-in one.
void LoadCurrentMix(CMix& mix);

// An engine on the stepped virtual device with the content root's sample sets: what offline
// rendering needs. Open fails with the engine's words in error.
struct OFFLINE_SOUND {
    APP_SETTINGS settings;
    CNoteManager manager;
    std::unique_ptr<CSound> sound;
    bool Open(CCharString& error);
};

// The sounding half of the practice command: what the application does with a composed list.
// Both load the sample sets from the content root's Sound folder, print what went wrong to
// standard error as "practice: ..." and return the command's exit status.

// Renders notes into a WAVE file with the engine's offline rendering, on the virtual device.
int RenderNotesToWave(const CNoteList& notes, const char* outPath);

// Plays notes in real time as the application does: the engine is started, the sound thread is
// woken every second, a progress line counts the seconds, and playback stops once the play end
// time (the list's end plus startOffset, by which the notes are shifted first) has passed.
// deviceName: part of a device's description or its identifier; empty for the default device
// (the virtual device when there is no sound card).
int PlayNotes(const CNoteList& notes, const char* deviceName, double startOffset);

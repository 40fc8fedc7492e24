#include "app/cli/PracticeSound.h"

#include "core/ContentFolders.h"
#include "core/Path.h"
#include "core/Settings.h"
#include "song/Mix.h"
#include "sound/Sound.h"
#include "sound/VirtualDevice.h"
#include "theory/NoteManager.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <thread>

namespace {

int Fail(const char* what, const CCharString& why) {
    std::fprintf(stderr, "practice: %s: %s\n", what, why.GetText());
    return 1;
}

bool Contains(const char* text, const char* part) {
    const size_t length = std::strlen(part);
    for (const char* p = text; *p; ++p) {
        if (strncasecmp(p, part, length) == 0)
            return true;
    }
    return false;
}

// Chooses the output device in the settings, as the audio settings dialog would.
bool ChooseDevice(CSound& sound, APP_SETTINGS& settings, const char* name) {
    if (!name || !*name)
        return true;
    if (!sound.EnumerateDevices())
        return false;
    uint8_t id[16];
    const bool byId = ParseDeviceId(name, id);
    for (const DEVICE_INFO& device : sound.GetDevices()) {
        if (byId ? std::memcmp(device.guid, id, 16) == 0
                 : Contains(device.description.GetText(), name)) {
            std::memcpy(settings.audio.outputGuid, device.guid, 16);
            settings.audio.outputName = device.description;
            return true;
        }
    }
    return false;
}

} // namespace

void LoadCurrentMix(CMix& mix) {
    // The user's "Default.mix" takes the place of the shipped one.
    const CCharString mixPath = CContentFolders::ForProgram().Find(FOLDER_SOUND, "Default.mix");
    if (!FileExists(mixPath) || !mix.Load(mixPath)) {
        mix.RemoveAll();
        mix.SetDefaults();
    }
}

bool OFFLINE_SOUND::Open(CCharString& error) {
    settings.SetContentFolders(GetExecutableFolder().GetText());
    if (!manager.Initialize()) {
        error.Format("Can't initialize note manager: %s", manager.GetErrorText().GetText());
        return false;
    }
    sound = std::make_unique<CSound>(settings, manager);
    // Offline: the stream exists but nothing consumes it.
    sound->SetDevice(std::make_unique<CVirtualDevice>(CVirtualDevice::CLOCK_STEPPED));
    if (!sound->OpenDevice()) {
        error.Format("Error initializing sound output: %s", sound->GetErrorText().GetText());
        return false;
    }
    return true;
}

int RenderNotesToWave(const CNoteList& notes, const char* outPath) {
    OFFLINE_SOUND offline;
    CCharString error;
    if (!offline.Open(error)) {
        std::fprintf(stderr, "practice: %s\n", error.GetText());
        return 1;
    }
    CSound& sound = *offline.sound;
    const auto started = std::chrono::steady_clock::now();
    if (!sound.RenderToWave(notes, outPath)) {
        CCharString why;
        why.Format("Can't render (%s): %s", outPath, sound.GetErrorText().GetText());
        return Fail("Sound Error", why);
    }
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s: %.2f s of notes rendered in %.3f s\n", outPath, notes.GetEndTime(true), took);
    return 0;
}

int PlayNotes(const CNoteList& notes, const char* deviceName, double startOffset) {
    APP_SETTINGS settings;
    settings.SetContentFolders(GetExecutableFolder().GetText());
    CNoteManager manager;
    if (!manager.Initialize())
        return Fail("Can't initialize note manager", manager.GetErrorText());
    CSound sound(settings, manager);
    if (!ChooseDevice(sound, settings, deviceName)) {
        CCharString why;
        why.Format("No output device matches \"%s\" (see modal-atlas-cli devices)", deviceName);
        return Fail("Audio Device Error", why);
    }
    if (!sound.OpenDevice())
        return Fail("Error initializing sound output", sound.GetErrorText());

    CNoteList shifted(notes);
    shifted.ShiftTimes(startOffset);
    const double endTime = notes.GetEndTime(true) + startOffset;
    sound.SetVolume(settings.audio.masterVolume);
    if (!sound.Start(shifted, 0.0, 0, nullptr))
        return Fail("Can't play sound", sound.GetErrorText());
    std::printf("Playing on %s\n", sound.GetDevice()->GetName());

    // The main window's timers: 33 ms for the end-of-play check, one second for the sound thread.
    using clock = std::chrono::steady_clock;
    const auto started = clock::now();
    auto nextSecond = started + std::chrono::seconds(1);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(33));
        const auto now = clock::now();
        const double elapsed = std::chrono::duration<double>(now - started).count();
        if (now >= nextSecond) {
            nextSecond += std::chrono::seconds(1);
            sound.OnTimer(SOUND_TIMER_ID);
            std::printf("\r%6.1f / %.1f s", elapsed, endTime);
            std::fflush(stdout);
        }
        if (elapsed > endTime)
            break;
    }
    sound.Stop();
    std::printf("\r%6.1f / %.1f s\n", endTime, endTime);
    sound.Close();
    return 0;
}

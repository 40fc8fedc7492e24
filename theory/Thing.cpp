#include "theory/Thing.h"

#include <cstring>

namespace {

struct THING_NAME {
    THING thing;
    const char* name;
};

// "Maximum Thing count" is last on purpose: FindThingByName stops before it.
const THING_NAME kThingNames[] = {
    {THING_NONE, "Thing is not set"},
    {THING_DRUM_SET, "Drum set"},
    {THING_BASS_DRUM_1, "Bass drum 1"},
    {THING_BASS_DRUM_2, "Bass drum 2"},
    {THING_HIHAT_OPEN, "Hi-hat, open"},
    {THING_HIHAT_CLOSED, "Hi-hat, closed"},
    {THING_HIHAT_FOOT, "Hi-hat foot"},
    {THING_HIHAT_BOTTOM, "Hi-hat bottom"},
    {THING_SNARE_DRUM, "Snare drum"},
    {THING_TOM_1, "Tom 1"},
    {THING_TOM_2, "Tom 2"},
    {THING_TOM_3, "Tom 3"},
    {THING_TOM_4, "Tom 4"},
    {THING_TOM_5, "Tom 5"},
    {THING_TOM_6, "Tom 6"},
    {THING_OCTOBAN_1, "Octoban 1"},
    {THING_OCTOBAN_2, "Octoban 2"},
    {THING_OCTOBAN_3, "Octoban 3"},
    {THING_OCTOBAN_4, "Octoban 4"},
    {THING_OCTOBAN_5, "Octoban 5"},
    {THING_OCTOBAN_6, "Octoban 6"},
    {THING_RIDE_CYMBAL, "Ride cymbal"},
    {THING_RIDE_CYMBAL_BELL, "Ride cymbal (bell)"},
    {THING_CRASH_CYMBAL_1, "Crash cymbal 1"},
    {THING_CRASH_CYMBAL_2, "Crash cymbal 2"},
    {THING_CRASH_CYMBAL_3, "Crash cymbal 3"},
    {THING_CRASH_CYMBAL_4, "Crash cymbal 4"},
    {THING_SPLASH_CYMBAL_1, "Splash cymbal 1"},
    {THING_SPLASH_CYMBAL_2, "Splash cymbal 2"},
    {THING_CHINESE_CYMBAL_1, "Chinese cymbal 1"},
    {THING_CHINESE_CYMBAL_2, "Chinese cymbal 2"},
    {THING_BASS_GUITAR, "Bass guitar"},
    {THING_GUITAR, "Guitar"},
    {THING_RHYTHM_GUITAR, "Rhythm guitar"},
    {THING_LEAD_GUITAR, "Lead guitar"},
    {THING_SOLO_GUITAR, "Solo guitar"},
    {THING_LEFT_HAND, "Left hand"},
    {THING_RIGHT_HAND, "Right hand"},
    {THING_LEFT_THUMB, "Left thumb"},
    {THING_LEFT_INDEX_FINGER, "Left index finger"},
    {THING_LEFT_MIDDLE_FINGER, "Left middle finger"},
    {THING_LEFT_RING_FINGER, "Left ring finger"},
    {THING_LEFT_LITTLE_FINGER, "Left little finger"},
    {THING_RIGHT_THUMB, "Right thumb"},
    {THING_RIGHT_INDEX_FINGER, "Right index finger"},
    {THING_RIGHT_MIDDLE_FINGER, "Right middle finger"},
    {THING_RIGHT_RING_FINGER, "Right ring finger"},
    {THING_RIGHT_LITTLE_FINGER, "Right little finger"},
    {THING_LEFT_FOOT, "Left foot"},
    {THING_RIGHT_FOOT, "Right foot"},
    {THING_BAND, "Band"},
    {THING_MAX, "Maximum Thing count"},
};

constexpr size_t kThingNameCount = sizeof(kThingNames) / sizeof(kThingNames[0]);

} // namespace

const char* GetThingName(THING thing) {
    for (const THING_NAME& entry : kThingNames) {
        if (entry.thing == thing)
            return entry.name;
    }
    return "Unknown Thing";
}

bool FindThingByName(const char* name, THING& thing) {
    if (name == nullptr)
        return false;
    for (size_t i = 0; i + 1 < kThingNameCount; ++i) {
        if (std::strcmp(kThingNames[i].name, name) == 0) {
            thing = kThingNames[i].thing;
            return true;
        }
    }
    return false;
}

#pragma once

#include <cstdint>

// Band things: drum pieces, cymbals, guitars, hands, fingers and feet. The values double as
// instrument numbers, mix channels and animation targets, and they are written to files, so
// they never change.
enum THING : int32_t {
    THING_NONE = 0,
    THING_DRUM_SET = 1,
    THING_BASS_DRUM_1 = 2,
    THING_BASS_DRUM_2 = 3,
    THING_HIHAT_OPEN = 4,
    THING_HIHAT_CLOSED = 5,
    THING_HIHAT_FOOT = 6,
    THING_HIHAT_BOTTOM = 7,
    THING_SNARE_DRUM = 9,
    THING_TOM_1 = 10,
    THING_TOM_2 = 11,
    THING_TOM_3 = 12,
    THING_TOM_4 = 13,
    THING_TOM_5 = 14,
    THING_TOM_6 = 15,
    THING_OCTOBAN_1 = 16,
    THING_OCTOBAN_2 = 17,
    THING_OCTOBAN_3 = 18,
    THING_OCTOBAN_4 = 19,
    THING_OCTOBAN_5 = 20,
    THING_OCTOBAN_6 = 21,
    THING_RIDE_CYMBAL = 24,
    THING_RIDE_CYMBAL_BELL = 25,
    THING_CRASH_CYMBAL_1 = 26,
    THING_CRASH_CYMBAL_2 = 27,
    THING_CRASH_CYMBAL_3 = 28,
    THING_CRASH_CYMBAL_4 = 29,
    THING_SPLASH_CYMBAL_1 = 30,
    THING_SPLASH_CYMBAL_2 = 31,
    THING_CHINESE_CYMBAL_1 = 32,
    THING_CHINESE_CYMBAL_2 = 33,
    THING_BASS_GUITAR = 36,
    THING_GUITAR = 37,
    THING_RHYTHM_GUITAR = 38,
    THING_LEAD_GUITAR = 39,
    THING_SOLO_GUITAR = 40,
    THING_LEFT_HAND = 41,
    THING_RIGHT_HAND = 42,
    THING_LEFT_ARM = 43, // unnamed: written as "Unknown Thing"
    THING_RIGHT_ARM = 44,
    THING_LEFT_THUMB = 45,
    THING_LEFT_INDEX_FINGER = 46,
    THING_LEFT_MIDDLE_FINGER = 47,
    THING_LEFT_RING_FINGER = 48,
    THING_LEFT_LITTLE_FINGER = 49,
    THING_RIGHT_THUMB = 50,
    THING_RIGHT_INDEX_FINGER = 51,
    THING_RIGHT_MIDDLE_FINGER = 52,
    THING_RIGHT_RING_FINGER = 53,
    THING_RIGHT_LITTLE_FINGER = 54,
    THING_LEFT_LEG = 55, // unnamed
    THING_RIGHT_LEG = 56,
    THING_LEFT_FOOT = 57,
    THING_RIGHT_FOOT = 58,
    THING_BAND = 62,
    THING_MAX = 63, // "Maximum Thing count": written, never read back
};

// The fixed name of a thing; "Unknown Thing" for a value without a name. Never null.
const char* GetThingName(THING thing);
// The thing with exactly that name (case-sensitive). False for an unknown name, for null and
// for "Maximum Thing count", which is not a thing; thing is left alone then.
bool FindThingByName(const char* name, THING& thing);

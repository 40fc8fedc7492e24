#pragma once

#include <cstdint>

#include "core/CharString.h"
#include "core/ContentFolders.h"

// A window rectangle as the settings keep it (left, top, right, bottom). A left edge of -1
// means unset: the window chooses its own place.
struct WND_RECT {
    int32_t left = -1;
    int32_t top = -1;
    int32_t right = -1;
    int32_t bottom = -1;

    bool IsSet() const { return left != -1; }
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    void Set(int32_t l, int32_t t, int32_t r, int32_t b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void Unset() { Set(-1, -1, -1, -1); }
    bool operator==(const WND_RECT&) const = default;
};

// Placement of one tool window: its rectangle and whether it was shown.
struct WND_SETTINGS {
    WND_RECT rect;
    uint8_t show = 1;

    void SetDefaults(bool shown) {
        rect.Unset();
        show = shown ? 1 : 0;
    }
};

// The Show Scale tool's record. Its working state (scale, root, groove, ...) belongs to the tool
// and is never stored; only the placement is.
struct SHOW_SCALE_SETTINGS {
    WND_SETTINGS wnd;
    uint8_t mute = 0;
    uint8_t countIn = 0;
    // How note and chord names are shown, stored: 0 as the key is written, 1 sharp names only
    // (NOTE_NAMES of the theory layer).
    uint8_t noteNames = 0;
};

struct TEXT_SETTINGS {
    WND_SETTINGS wnd;
    int32_t contentIndex = 0;
    int32_t scrollPos = 0;
};

struct MUSIC_EDITOR_SETTINGS {
    WND_SETTINGS wnd;
    uint8_t playSelected = 1;
    uint8_t showNoteGrid = 1;
    float humanization = 0.0f;
};

constexpr int kDeviceGuidSize = 16;

// A zero identifier stands for the system's default device.
struct AUDIO_SETTINGS {
    uint8_t inputGuid[kDeviceGuidSize] = {};
    CCharString inputName;
    uint8_t outputGuid[kDeviceGuidSize] = {};
    CCharString outputName;
    // Used by the sound capture; not stored.
    float captureLevel1 = 0.1f;
    float captureLevel2 = 0.07f;
    float masterVolume = 1.0f;
};

// Everything the program remembers between runs. Each window gets a pointer to its own part;
// only the settings store reads or writes the backing store.
struct APP_SETTINGS {
    WND_RECT mainRect;
    WND_SETTINGS spacePainter;
    WND_SETTINGS showChord;
    SHOW_SCALE_SETTINGS showScale;
    WND_SETTINGS composition;
    WND_SETTINGS grooveMaker;
    TEXT_SETTINGS text;
    WND_SETTINGS mixer;
    WND_SETTINGS generator;
    MUSIC_EDITOR_SETTINGS musicEditor;
    AUDIO_SETTINGS audio;

    // Content folders, each with a trailing separator; empty until computed.
    CCharString dataPath;
    CCharString midiPath;
    CCharString wavePath;
    CCharString tempPath;
    CCharString soundPath;
    CCharString songPath;        // current songs
    CCharString defaultSongPath; // never stored
    CCharString groovePath;      // current groove folder
    CCharString grooveRootPath;
    CCharString userGrooveRootPath; // the user's own grooves; never stored
    CCharString tutorialPath;
    // Where each folder reads shipped content and writes the user's files; never stored.
    CContentFolders folders;

    APP_SETTINGS();

    // Defaults of every window part after a load that finds no value: all rectangles unset,
    // every window shown except the Mixer and the Generator.
    void SetWindowDefaults();
    // Computes every folder for a program in root (the executable's folder): the folders the
    // program reads from (data, sound, tutorials, groove root, default songs) hold the shipped
    // content, the others are where it writes. The current groove folder starts as the user's
    // groove root.
    void SetContentFolders(const char* root);
};

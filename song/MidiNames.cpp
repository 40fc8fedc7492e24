#include "song/MidiNames.h"

#include <cstdio>

namespace {

const char* const kProgramNames[128] = {"Acoustic Grand Piano",
                                        "Bright Acoustic Piano",
                                        "Electric Grand Piano",
                                        "Honky-tonk Piano",
                                        "Electric Piano 1",
                                        "Electric Piano 2",
                                        "Harpsichord",
                                        "Clavi",
                                        "Celesta",
                                        "Glockenspiel",
                                        "Music Box",
                                        "Vibraphone",
                                        "Marimba",
                                        "Xylophone",
                                        "Tubular Bells",
                                        "Dulcimer",
                                        "Drawbar Organ",
                                        "Percussive Organ",
                                        "Rock Organ",
                                        "Church Organ",
                                        "Reed Organ",
                                        "Accordion",
                                        "Harmonica",
                                        "Tango Accordion",
                                        "Acoustic Guitar (nylon)",
                                        "Acoustic Guitar (steel)",
                                        "Electric Guitar (jazz)",
                                        "Electric Guitar (clean)",
                                        "Electric Guitar (muted)",
                                        "Overdriven Guitar",
                                        "Distortion Guitar",
                                        "Guitar harmonics",
                                        "Acoustic Bass",
                                        "Electric Bass (finger)",
                                        "Electric Bass (pick)",
                                        "Fretless Bass",
                                        "Slap Bass 1",
                                        "Slap Bass 2",
                                        "Synth Bass 1",
                                        "Synth Bass 2",
                                        "Violin",
                                        "Viola",
                                        "Cello",
                                        "Contrabass",
                                        "Tremolo Strings",
                                        "Pizzicato Strings",
                                        "Orchestral Harp",
                                        "Timpani",
                                        "String Ensemble 1",
                                        "String Ensemble 2",
                                        "SynthStrings 1",
                                        "SynthStrings 2",
                                        "Choir Aahs",
                                        "Voice Oohs",
                                        "Synth Voice",
                                        "Orchestra Hit",
                                        "Trumpet",
                                        "Trombone",
                                        "Tuba",
                                        "Muted Trumpet",
                                        "French Horn",
                                        "Brass Section",
                                        "SynthBrass 1",
                                        "SynthBrass 2",
                                        "Soprano Sax",
                                        "Alto Sax",
                                        "Tenor Sax",
                                        "Baritone Sax",
                                        "Oboe",
                                        "English Horn",
                                        "Bassoon",
                                        "Clarinet",
                                        "Piccolo",
                                        "Flute",
                                        "Recorder",
                                        "Pan Flute",
                                        "Blown Bottle",
                                        "Shakuhachi",
                                        "Whistle",
                                        "Ocarina",
                                        "Lead 1 (square)",
                                        "Lead 2 (sawtooth)",
                                        "Lead 3 (calliope)",
                                        "Lead 4 (chiff)",
                                        "Lead 5 (charang)",
                                        "Lead 6 (voice)",
                                        "Lead 7 (fifths)",
                                        "Lead 8 (bass + lead)",
                                        "Pad 1 (new age)",
                                        "Pad 2 (warm)",
                                        "Pad 3 (polysynth)",
                                        "Pad 4 (choir)",
                                        "Pad 5 (bowed)",
                                        "Pad 6 (metallic)",
                                        "Pad 7 (halo)",
                                        "Pad 8 (sweep)",
                                        "FX 1 (rain)",
                                        "FX 2 (soundtrack)",
                                        "FX 3 (crystal)",
                                        "FX 4 (atmosphere)",
                                        "FX 5 (brightness)",
                                        "FX 6 (goblins)",
                                        "FX 7 (echoes)",
                                        "FX 8 (sci-fi)",
                                        "Sitar",
                                        "Banjo",
                                        "Shamisen",
                                        "Koto",
                                        "Kalimba",
                                        "Bag pipe",
                                        "Fiddle",
                                        "Shanai",
                                        "Tinkle Bell",
                                        "Agogo",
                                        "Steel Drums",
                                        "Woodblock",
                                        "Taiko Drum",
                                        "Melodic Tom",
                                        "Synth Drum",
                                        "Reverse Cymbal",
                                        "Guitar Fret Noise",
                                        "Breath Noise",
                                        "Seashore",
                                        "Bird Tweet",
                                        "Telephone Ring",
                                        "Helicopter",
                                        "Applause",
                                        "Gunshot"};

// Null entries are unassigned in MIDI 1.0.
const char* const kControllerNames[128] = {
    "Bank Select", "Modulation Wheel", "Breath Controller", nullptr, "Foot Controller",
    "Portamento Time", "Data Entry MSB", "Channel Volume", "Balance", nullptr, "Pan",
    "Expression Controller", "Effect Control 1", "Effect Control 2", nullptr, nullptr,
    "Guitar tab - string number", "Guitar tab - fret number", "Guitar tab - finger number",
    "Guitar tab - playing mode", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr,
    // 32 to 63: the fine (LSB) halves of 0 to 31.
    "LSB for Bank Select", "LSB for Modulation Wheel", "LSB for Breath Controller",
    "LSB for Control 3", "LSB for Foot Controller", "LSB for Portamento Time", "LSB for Data Entry",
    "LSB for Channel Volume", "LSB for Balance", "LSB for Control 9", "LSB for Pan",
    "LSB for Expression Controller", "LSB for Effect Control 1", "LSB for Effect Control 2",
    "LSB for Control 14", "LSB for Control 15", "LSB for General Purpose Controller 1",
    "LSB for General Purpose Controller 2", "LSB for General Purpose Controller 3",
    "LSB for General Purpose Controller 4", "LSB for Control 20", "LSB for Control 21",
    "LSB for Control 22", "LSB for Control 23", "LSB for Control 24", "LSB for Control 25",
    "LSB for Control 26", "LSB for Control 27", "LSB for Control 28", "LSB for Control 29",
    "LSB for Control 30", "LSB for Control 31", "Damper Pedal (Sustain)", "Portamento On/Off",
    "Sostenuto", "Soft Pedal", "Legato Footswitch", "Hold 2",
    "Sound Controller 1 (Sound Variation)", "Sound Controller 2 (Timbre)",
    "Sound Controller 3 (Release Time)", "Sound Controller 4 (Attack Time)",
    "Sound Controller 5 (Brightness)", "Sound Controller 6", "Sound Controller 7",
    "Sound Controller 8", "Sound Controller 9", "Sound Controller 10", "Chord type", "Chord root",
    "General Purpose Controller 7", "General Purpose Controller 8", "Portamento Control", nullptr,
    nullptr, nullptr, "High Resolution Velocity Prefix", nullptr, nullptr,
    "Effects 1 Depth (Reverb)", "Effects 2 Depth (Tremolo)", "Effects 3 Depth (Chorus)",
    "Effects 4 Depth (Celeste)", "Effects 5 Depth (Phaser)", "Data Increment", "Data Decrement",
    "Non-Registered Parameter Number LSB", "Non-Registered Parameter Number MSB",
    "Registered Parameter Number LSB", "Registered Parameter Number MSB", nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, "All Sound Off", "Reset All Controllers",
    "Local Control On/Off", "All Notes Off", "Omni Mode Off", "Omni Mode On", "Mono Mode On",
    "Poly Mode On"};

const char* const kDrumNoteNames[] = {
    "High Q",         "Slap",          "Scratch1",       "Scratch2",      "Sticks",
    "Square",         "Metronome1",    "Metronome2",     "Bass Drum 2",   "Bass Drum 1",
    "Side Stick",     "Snare 1",       "Hand Clap",      "Snare 2",       "Low Tom 2",
    "Closed Hi-Hat",  "Low Tom 1",     "Pedal Hi-Hat",   "Mid Tom 2",     "Open Hi-Hat",
    "Mid Tom 1",      "High Tom 2",    "Crash Cymbal 1", "High Tom 1",    "Ride Cymbal 1",
    "Chinese Cymbal", "Ride Bell",     "Tambourine",     "Splash Cymbal", "Cowbell",
    "Crash Cymbal 2", "Vibra Slap",    "Ride Cymbal 2",  "Hi Bongo",      "Low Bongo",
    "Mute Hi Conga",  "Open Hi Conga", "Low Conga",      "High Timbale",  "Low Timbale",
    "High Agogo",     "Low Agogo",     "Cabasa",         "Maracas",       "Short Whistle",
    "Long Whistle",   "Short Guiro",   "Long Guiro",     "Claves",        "Hi Wood Block",
    "Low Wood Block", "Mute Cuica",    "Open Cuica",     "Mute Triangle", "Open Triangle",
    "Shaker",         "Jingle Bell",   "Belltree",       "Castanets",     "Mute Surdo",
    "Open Surdo"};
constexpr int kFirstDrumNote = 27;
constexpr int kDrumNoteCount = static_cast<int>(sizeof(kDrumNoteNames) / sizeof(kDrumNoteNames[0]));

struct DRUM_KEY {
    int instrument;
    int writtenKey;
    int readKeys[2];
};

// Toms are numbered from the high tom down when read but from the low tom up when written, so
// tom 1 is written as key 41 and key 41 reads back as tom 6; both directions are kept as given.
const DRUM_KEY kDrumKeys[] = {
    {2, 36, {36, -1}},  {3, 35, {35, -1}},  {4, 46, {46, -1}},  {5, 42, {42, -1}},
    {6, 44, {44, -1}},  {9, 38, {38, 40}},  {10, 41, {50, -1}}, {11, 43, {48, -1}},
    {12, 45, {47, -1}}, {13, 47, {45, -1}}, {14, 48, {43, -1}}, {15, 50, {41, -1}},
    {24, 51, {51, -1}}, {25, 53, {53, -1}}, {26, 49, {49, -1}}, {27, 57, {57, -1}},
    {30, 55, {55, -1}}, {32, 52, {52, -1}},
};

} // namespace

const char* MidiProgramName(int program) {
    return program >= 0 && program < 128 ? kProgramNames[program] : nullptr;
}

const char* MidiControllerName(int controller, char* buffer, int bufferSize) {
    if (controller >= 0 && controller < 128 && kControllerNames[controller])
        return kControllerNames[controller];
    std::snprintf(buffer, static_cast<size_t>(bufferSize), "Control %d (0-127)", controller);
    return buffer;
}

const char* MidiDrumNoteName(int key) {
    if (key < kFirstDrumNote || key >= kFirstDrumNote + kDrumNoteCount)
        return nullptr;
    return kDrumNoteNames[key - kFirstDrumNote];
}

int InstrumentFromProgram(int program) {
    if (program >= 24 && program <= 28)
        return 38;
    if (program == 29 || program == 31)
        return 39;
    if (program == 30)
        return 40;
    if (program >= 32 && program <= 39)
        return 36;
    return 0;
}

int ProgramFromInstrument(int instrument) {
    switch (instrument) {
    case 1:
        return 0;
    case 36:
        return 33;
    case 38:
        return 27;
    case 39:
        return 29;
    case 40:
        return 30;
    default:
        return -1;
    }
}

int DrumPieceFromKey(int key) {
    if (key < 0)
        return 0;
    for (const DRUM_KEY& drum : kDrumKeys)
        if (drum.readKeys[0] == key || drum.readKeys[1] == key)
            return drum.instrument;
    return 0;
}

int DrumKeyFromPiece(int instrument) {
    for (const DRUM_KEY& drum : kDrumKeys)
        if (drum.instrument == instrument)
            return drum.writtenKey;
    return -1;
}

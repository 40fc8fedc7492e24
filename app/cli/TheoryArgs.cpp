#include "app/cli/TheoryArgs.h"

namespace {

// The Show Scale tool's root list, MIDI 48 upward.
const char* const kRootNames[12] = {"C",     "C#/Db", "D",     "D#/Eb", "E",     "F",
                                    "F#/Gb", "G",     "G#/Ab", "A",     "A#/Bb", "B"};

} // namespace

bool ParseSmallNumber(const std::string& text, int& number) {
    if (text.empty() || text.size() > 4)
        return false;
    number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + (c - '0');
    }
    return true;
}

bool ParseRootArg(const std::string& text, int& midi) {
    int number = 0;
    if (ParseSmallNumber(text, number)) {
        if (number > 131)
            return false;
        midi = number;
        return true;
    }
    for (int i = 0; i < 12; ++i) {
        const std::string name = kRootNames[i];
        const size_t slash = name.find('/');
        if (text == name || (slash != std::string::npos &&
                             (text == name.substr(0, slash) || text == name.substr(slash + 1)))) {
            midi = 48 + i;
            return true;
        }
    }
    return false;
}

#include "song/MidiKeyboard.h"

#include <cctype>
#include <cstring>

namespace {

struct KEY_ROW {
    const char* keys;
    int baseMidi;
};

// One row per bass string, highest string first; column n is fret n.
const KEY_ROW kRows[CMidiKeyboard::ROW_COUNT] = {
    {"1234567890-=", 43},
    {"QWERTYUIOP[]", 38},
    {"ASDFGHJKL;'", 33},
    {"ZXCVBNM,./", 28},
};

// Row (1-based) and column of key, false when it is not in the layout.
bool LocateKey(int key, int& row, int& column) {
    if (key <= 0 || key > 127)
        return false;
    char c = static_cast<char>(std::toupper(key));
    for (int r = 0; r < CMidiKeyboard::ROW_COUNT; ++r) {
        const char* hit = std::strchr(kRows[r].keys, c);
        if (hit != nullptr) {
            row = r + 1;
            column = static_cast<int>(hit - kRows[r].keys);
            return true;
        }
    }
    return false;
}

} // namespace

CMidiKeyboard::CMidiKeyboard() {
    for (double& time : m_pressTimes)
        time = TIME_NOT_SET;
}

bool CMidiKeyboard::NoteFromKey(int key, CNote& note) const {
    int row = 0;
    int column = 0;
    if (!LocateKey(key, row, column)) {
        note.m_midi = MIDI_NO_PITCH;
        return false;
    }
    note.m_midi = kRows[row - 1].baseMidi + column;
    note.m_slots[1].string = row;
    note.m_slots[1].fret = column;
    return true;
}

bool CMidiKeyboard::PressKey(int key, double time) {
    CNote note;
    if (!NoteFromKey(key, note))
        return false;
    // Auto-repeat sends more presses while the key is held: the first one counts.
    if (m_pressTimes[note.m_midi] == TIME_NOT_SET)
        m_pressTimes[note.m_midi] = time;
    return true;
}

bool CMidiKeyboard::PlayKey(int key, CNote& note, double releaseTime) {
    if (!NoteFromKey(key, note))
        return false;
    double& pressed = m_pressTimes[note.m_midi];
    note.m_time = 0.0;
    if (pressed != TIME_NOT_SET && releaseTime >= pressed)
        note.m_duration = releaseTime - pressed;
    else
        note.m_duration = DEFAULT_DURATION;
    pressed = TIME_NOT_SET;
    return true;
}

#include "app/cli/TheoryArgs.h"

#include "theory/NoteManager.h"

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
    return FindRootByName(text.c_str(), midi);
}

bool ParseSpellingArg(const std::string& text, NOTE_NAMES& names) {
    if (text != "key" && text != "sharps")
        return false;
    names = text == "key" ? NOTE_NAMES_KEY : NOTE_NAMES_SHARPS;
    return true;
}

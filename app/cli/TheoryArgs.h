#pragma once

#include <string>

#include "theory/Spelling.h"

// The root of a scale or chord as the theory commands take it: a MIDI number (0 to 131) or a
// name of the Show Scale tool's root list ("C", "C#/Db", ... "B", also "C#" or "Db" alone),
// which stands for MIDI 48 to 59. False for anything else.
bool ParseRootArg(const std::string& text, int& midi);

// A whole number without sign or other characters, at most four digits.
bool ParseSmallNumber(const std::string& text, int& number);

// "key" (as the key is written) or "sharps" (the note table's sharp names). False otherwise.
bool ParseSpellingArg(const std::string& text, NOTE_NAMES& names);

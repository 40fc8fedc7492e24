#pragma once

#include "core/CharString.h"

#include <string_view>

class CDiskFile;

// The key/value lines of the song, song part and mix files: "key=value", one per line.
//
// Reading: split each line with SplitKeyValue, compare keys exactly (case matters) with
// `kv.key == "Tempo"`, and read numbers with KeyValueInt / KeyValueReal.
// Writing: WriteKeyText / WriteKeyInt / WriteKeyReal for "%s=%s", "%s=%d", "%s=%0.2f";
// WriteSectionKey for a block marker "%s= ", WriteListKey for a key whose values follow on
// later lines "%s=", WriteBlankLine for the empty line between blocks. Writers return the
// file's WriteLine result; on failure the words are in the file's error text.
// Numbers are written and read the same whatever the locale ("0.50", never "0,50").

struct KEY_VALUE {
    std::string_view key;   // the text before the first "=", leading "=" characters skipped
    std::string_view value; // the rest of the line after that "=" (may itself hold "=")
    bool hasValue = false;  // false for a line without "=" or with nothing after it
};

// Splits a line (no separator) at its first "=". The views point into the line. A line
// without "=" is all key. Returns kv.hasValue.
bool SplitKeyValue(const char* line, KEY_VALUE& kv);

// Reads lines until one holds a key and a value (other lines are skipped) and splits it into kv,
// whose views are valid until the next read of the file. At the end of the file atEnd is set
// and the result is true. A read failure returns false with the reason: the file's error
// text, or the line reader's limit when the file gives none.
bool NextKeyValue(CDiskFile& file, KEY_VALUE& kv, bool& atEnd, CCharString& reason);

// The integer at the start of a value (leading blanks and a sign allowed, the rest ignored);
// a value that is not a number reads as 0, one beyond the int range reads as its nearest end.
int KeyValueInt(std::string_view value);
// The real number at the start of a value as the C conversion reads it, with "." always as the
// decimal point; a value that is not a number (or not finite) reads as 0.
double KeyValueReal(std::string_view value);

// The lines as the writers write them (without "\r\n").
CCharString FormatKeyText(const char* key, const char* value);
CCharString FormatKeyInt(const char* key, int value);
CCharString FormatKeyReal(const char* key, double value);

bool WriteKeyText(CDiskFile& file, const char* key, const char* value);
bool WriteKeyInt(CDiskFile& file, const char* key, int value);
bool WriteKeyReal(CDiskFile& file, const char* key, double value);
bool WriteSectionKey(CDiskFile& file, const char* key);
bool WriteListKey(CDiskFile& file, const char* key);
bool WriteBlankLine(CDiskFile& file);

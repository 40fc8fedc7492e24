#include "core/KeyValue.h"

#include "core/DiskFile.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace {
// Leading blanks as the C conversions skip them, and a "+" they accept but from_chars does not.
std::string_view NumberStart(std::string_view value, bool& negative) {
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || (value[i] >= '\t' && value[i] <= '\r')))
        ++i;
    negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    // A second sign ("+-5") is no number for the C conversions either.
    if (i < value.size() && (value[i] == '+' || value[i] == '-'))
        return std::string_view();
    return value.substr(i);
}
} // namespace

bool NextKeyValue(CDiskFile& file, KEY_VALUE& kv, bool& atEnd, CCharString& reason) {
    atEnd = false;
    for (;;) {
        char* line = nullptr;
        if (!file.NextLine(line)) {
            reason = file.GetError().IsEmpty() ? "no line end, or the line is too long"
                                               : file.GetError().GetText();
            return false;
        }
        if (!line) {
            atEnd = true;
            kv = KEY_VALUE();
            return true;
        }
        if (SplitKeyValue(line, kv) && !kv.key.empty())
            return true;
    }
}

bool SplitKeyValue(const char* line, KEY_VALUE& kv) {
    kv = KEY_VALUE{};
    if (line == nullptr)
        return false;
    while (*line == '=')
        ++line;
    const char* equals = std::strchr(line, '=');
    if (equals == nullptr) {
        kv.key = std::string_view(line);
        return false;
    }
    kv.key = std::string_view(line, static_cast<size_t>(equals - line));
    kv.value = std::string_view(equals + 1);
    kv.hasValue = !kv.value.empty();
    return kv.hasValue;
}

int KeyValueInt(std::string_view value) {
    bool negative = false;
    std::string_view digits = NumberStart(value, negative);
    long long number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (end == digits.data())
        return 0;
    if (error == std::errc::result_out_of_range)
        return negative ? INT_MIN : INT_MAX;
    if (negative)
        number = -number;
    if (number > INT_MAX)
        return INT_MAX;
    if (number < INT_MIN)
        return INT_MIN;
    return static_cast<int>(number);
}

double KeyValueReal(std::string_view value) {
    bool negative = false;
    std::string_view digits = NumberStart(value, negative);
    double number = 0.0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (end == digits.data())
        return 0.0;
    if (error == std::errc::result_out_of_range)
        return 0.0;
    if (!std::isfinite(number))
        return 0.0;
    return negative ? -number : number;
}

CCharString FormatKeyText(const char* key, const char* value) {
    CCharString line;
    line.Format("%s=%s", key, value != nullptr ? value : "");
    return line;
}

CCharString FormatKeyInt(const char* key, int value) {
    CCharString line;
    line.Format("%s=%d", key, value);
    return line;
}

CCharString FormatKeyReal(const char* key, double value) {
    // "%0.2f" of the C locale, whatever locale the window toolkit has set.
    char number[400];
    auto [end, error] =
        std::to_chars(number, number + sizeof number - 1, value, std::chars_format::fixed, 2);
    if (error != std::errc())
        end = number;
    *end = 0;
    CCharString line;
    line.Format("%s=%s", key, number);
    return line;
}

bool WriteKeyText(CDiskFile& file, const char* key, const char* value) {
    return file.WriteLine(FormatKeyText(key, value), false);
}

bool WriteKeyInt(CDiskFile& file, const char* key, int value) {
    return file.WriteLine(FormatKeyInt(key, value), false);
}

bool WriteKeyReal(CDiskFile& file, const char* key, double value) {
    return file.WriteLine(FormatKeyReal(key, value), false);
}

bool WriteSectionKey(CDiskFile& file, const char* key) {
    CCharString line;
    line.Format("%s= ", key);
    return file.WriteLine(line, false);
}

bool WriteListKey(CDiskFile& file, const char* key) {
    CCharString line;
    line.Format("%s=", key);
    return file.WriteLine(line, false);
}

bool WriteBlankLine(CDiskFile& file) {
    return file.WriteLine("", false);
}

#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#if defined(__GNUC__)
#define MA_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define MA_PRINTF(fmt, args)
#endif

// Growable single-byte text used for every message and error text. A growth step of 0 grows
// to exactly the size asked for; otherwise a request less than one step beyond the capacity
// grows by one step, so texts built a piece at a time do not reallocate on every append.
class CCharString {
public:
    CCharString() { Reserve(1); }
    CCharString(const char* text) : CCharString() { Set(text); }
    CCharString(const CCharString& other) : CCharString() { Set(other); }
    CCharString& operator=(const CCharString& other) {
        if (this != &other)
            Set(other);
        return *this;
    }
    CCharString& operator=(const char* text) {
        Set(text);
        return *this;
    }

    void SetGrowth(size_t step) { m_growth = step; }
    size_t GetGrowth() const { return m_growth; }
    size_t GetCapacity() const { return m_capacity; }
    size_t GetLength() const { return m_text.size(); }
    bool IsEmpty() const { return m_text.empty(); }
    const char* GetText() const { return m_text.c_str(); }
    operator const char*() const { return m_text.c_str(); }
    const std::string& Str() const { return m_text; }

    // A null text sets the empty text.
    void Set(const char* text);
    void Set(const CCharString& other) { Set(other.GetText()); }
    void Append(const char* text);
    void Append(char c);
    // printf-style; the buffer grows to the formatted length.
    void Format(const char* format, ...) MA_PRINTF(2, 3);
    void FormatV(const char* format, va_list args);
    void AppendFormat(const char* format, ...) MA_PRINTF(2, 3);
    void Cut(size_t length);
    // The character at index, 0 beyond the end.
    char At(size_t index) const { return index < m_text.size() ? m_text[index] : 0; }
    // Removes every leading and trailing occurrence of c.
    void Trim(char c);
    void Replace(char from, char to);
    // strftime of the current local (or universal) time into at most 128 bytes; an empty result
    // leaves the empty text.
    void FormatTime(const char* pattern, bool universal = false);
    void Empty() { m_text.clear(); }

    bool operator==(const char* text) const { return m_text == (text ? text : ""); }
    bool operator==(const CCharString& other) const { return m_text == other.m_text; }

private:
    // Grows the capacity (bytes, terminating zero included) by the growth rule.
    void Reserve(size_t bytes);

    std::string m_text;
    size_t m_capacity = 0;
    size_t m_growth = 0;
};

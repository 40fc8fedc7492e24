#include "core/CharString.h"

#include <cstdio>
#include <cstring>
#include <ctime>

void CCharString::Reserve(size_t bytes) {
    if (bytes <= m_capacity)
        return;
    size_t capacity = bytes;
    if (m_growth != 0 && bytes < m_capacity + m_growth)
        capacity = m_capacity + m_growth;
    m_text.reserve(capacity - 1);
    m_capacity = capacity;
}

void CCharString::Set(const char* text) {
    if (text == nullptr)
        text = "";
    size_t length = std::strlen(text);
    Reserve(length + 1);
    m_text.assign(text, length);
}

void CCharString::Append(const char* text) {
    if (text == nullptr)
        return;
    size_t length = std::strlen(text);
    Reserve(m_text.size() + length + 1);
    m_text.append(text, length);
}

void CCharString::Append(char c) {
    Reserve(m_text.size() + 2);
    m_text.push_back(c);
}

void CCharString::FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0) {
        m_text.clear();
        return;
    }
    Reserve(static_cast<size_t>(length) + 1);
    m_text.resize(static_cast<size_t>(length));
    std::vsnprintf(m_text.data(), static_cast<size_t>(length) + 1, format, args);
}

void CCharString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CCharString::AppendFormat(const char* format, ...) {
    CCharString piece;
    va_list args;
    va_start(args, format);
    piece.FormatV(format, args);
    va_end(args);
    Append(piece.GetText());
}

void CCharString::Cut(size_t length) {
    if (length < m_text.size())
        m_text.resize(length);
}

void CCharString::Trim(char c) {
    size_t first = m_text.find_first_not_of(c);
    if (first == std::string::npos) {
        m_text.clear();
        return;
    }
    size_t last = m_text.find_last_not_of(c);
    m_text = m_text.substr(first, last - first + 1);
}

void CCharString::Replace(char from, char to) {
    for (char& c : m_text)
        if (c == from)
            c = to;
}

void CCharString::FormatTime(const char* pattern, bool universal) {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (universal)
        gmtime_r(&now, &parts);
    else
        localtime_r(&now, &parts);
    char buffer[128];
    size_t length = std::strftime(buffer, sizeof buffer, pattern, &parts);
    buffer[length] = 0;
    Set(buffer);
}

#pragma once

#include <initializer_list>
#include <string>

// Builds Standard MIDI File images byte by byte, so each test shows the bytes it feeds in.
class CSmfBuilder {
public:
    CSmfBuilder& Header(int format, int tracks, int division = 480) {
        m_bytes += "MThd";
        Be32(6);
        Be16(format);
        Be16(tracks);
        Be16(division);
        return *this;
    }
    // One MTrk chunk holding the given event bytes; with endOfTrack, FF 2F 00 is added.
    CSmfBuilder& Track(std::initializer_list<int> events, bool endOfTrack = true) {
        std::string body;
        for (int byte : events)
            body.push_back(static_cast<char>(byte));
        if (endOfTrack)
            body += std::string("\x00\xFF\x2F\x00", 4);
        return Chunk("MTrk", body);
    }
    CSmfBuilder& Chunk(const char* id, const std::string& body) {
        m_bytes.append(id, 4);
        Be32(static_cast<unsigned>(body.size()));
        m_bytes += body;
        return *this;
    }
    CSmfBuilder& Raw(std::initializer_list<int> bytes) {
        for (int byte : bytes)
            m_bytes.push_back(static_cast<char>(byte));
        return *this;
    }
    const std::string& Bytes() const { return m_bytes; }
    const unsigned char* Data() const {
        return reinterpret_cast<const unsigned char*>(m_bytes.data());
    }
    size_t Size() const { return m_bytes.size(); }

private:
    void Be16(unsigned value) {
        m_bytes.push_back(static_cast<char>(value >> 8));
        m_bytes.push_back(static_cast<char>(value));
    }
    void Be32(unsigned value) {
        Be16(value >> 16);
        Be16(value & 0xFFFF);
    }
    std::string m_bytes;
};

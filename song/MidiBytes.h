#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Byte-level reading and writing of Standard MIDI File data. The reader never reads past its
// end: every read reports whether the bytes were there, so a length field that lies cannot
// make the caller read or allocate beyond the data it holds.

class CMidiReader {
public:
    CMidiReader() = default;
    CMidiReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t GetPosition() const { return m_pos; }
    size_t GetRemaining() const { return m_size - m_pos; }
    bool AtEnd() const { return m_pos >= m_size; }
    const uint8_t* Current() const { return m_data + m_pos; }

    bool ReadByte(uint8_t& value) {
        if (m_pos >= m_size)
            return false;
        value = m_data[m_pos++];
        return true;
    }
    bool PeekByte(uint8_t& value) const {
        if (m_pos >= m_size)
            return false;
        value = m_data[m_pos];
        return true;
    }
    bool ReadBE16(uint32_t& value);
    bool ReadBE32(uint32_t& value);
    // A standard variable-length quantity of at most 4 bytes (28 bits); false when the data
    // ends inside it or a fourth byte still has its continuation bit set.
    bool ReadVarLen(uint32_t& value);
    bool Skip(size_t count) {
        if (count > GetRemaining())
            return false;
        m_pos += count;
        return true;
    }
    // A reader over the next count bytes, which this one skips; false when they are not there.
    bool Sub(size_t count, CMidiReader& sub) {
        if (count > GetRemaining())
            return false;
        sub = CMidiReader(m_data + m_pos, count);
        m_pos += count;
        return true;
    }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_pos = 0;
};

// The largest value a 4-byte variable-length quantity holds.
constexpr uint32_t kMaxMidiVarLen = 0x0FFFFFFF;

class CMidiWriter {
public:
    std::string& Bytes() { return m_bytes; }
    const std::string& Bytes() const { return m_bytes; }
    size_t GetSize() const { return m_bytes.size(); }

    void Byte(uint32_t value) { m_bytes.push_back(static_cast<char>(value & 0xFF)); }
    void BE16(uint32_t value) {
        Byte(value >> 8);
        Byte(value);
    }
    void BE24(uint32_t value) {
        Byte(value >> 16);
        Byte(value >> 8);
        Byte(value);
    }
    void BE32(uint32_t value) {
        Byte(value >> 24);
        Byte(value >> 16);
        Byte(value >> 8);
        Byte(value);
    }
    // Most significant 7-bit group first; values above kMaxMidiVarLen are clamped to it.
    void VarLen(uint32_t value);
    void Data(const void* data, size_t count) {
        m_bytes.append(static_cast<const char*>(data), count);
    }
    // Starts a chunk with a length placeholder; EndChunk fills it in.
    size_t BeginChunk(const char id[4]);
    void EndChunk(size_t start);

private:
    std::string m_bytes;
};

// Bytes a variable-length quantity takes (1 to 4).
int MidiVarLenSize(uint32_t value);

#include "song/MidiBytes.h"

bool CMidiReader::ReadBE16(uint32_t& value) {
    if (GetRemaining() < 2)
        return false;
    value = (uint32_t(m_data[m_pos]) << 8) | m_data[m_pos + 1];
    m_pos += 2;
    return true;
}

bool CMidiReader::ReadBE32(uint32_t& value) {
    if (GetRemaining() < 4)
        return false;
    value = (uint32_t(m_data[m_pos]) << 24) | (uint32_t(m_data[m_pos + 1]) << 16) |
            (uint32_t(m_data[m_pos + 2]) << 8) | m_data[m_pos + 3];
    m_pos += 4;
    return true;
}

bool CMidiReader::ReadVarLen(uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t byte;
        if (!ReadByte(byte))
            return false;
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

int MidiVarLenSize(uint32_t value) {
    int size = 1;
    while (size < 4 && (value >> (7 * size)) != 0)
        ++size;
    return size;
}

void CMidiWriter::VarLen(uint32_t value) {
    if (value > kMaxMidiVarLen)
        value = kMaxMidiVarLen;
    int size = MidiVarLenSize(value);
    for (int i = size - 1; i > 0; --i)
        Byte(((value >> (7 * i)) & 0x7F) | 0x80);
    Byte(value & 0x7F);
}

size_t CMidiWriter::BeginChunk(const char id[4]) {
    Data(id, 4);
    size_t start = m_bytes.size();
    BE32(0);
    return start;
}

void CMidiWriter::EndChunk(size_t start) {
    uint32_t length = static_cast<uint32_t>(m_bytes.size() - start - 4);
    for (int i = 0; i < 4; ++i)
        m_bytes[start + i] = static_cast<char>((length >> (8 * (3 - i))) & 0xFF);
}

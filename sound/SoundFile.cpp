#include "sound/SoundFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>

namespace {

constexpr size_t kIoBufferSize = 64 * 1024;
// Header bytes before the sample data: RIFF(12) + fmt(8 + 16) + fact(8 + 4) + data header(8).
constexpr uint32_t kHeaderSize = 56;
constexpr long kRiffSizeOffset = 4;
constexpr long kFactValueOffset = 44;
constexpr long kDataSizeOffset = 52;

uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t ReadLE16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
void PutLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// A chunk found inside the RIFF: where its contents start and how long it says they are.
struct CHUNK {
    uint64_t start = 0;
    uint32_t size = 0;
};

// Walks the chunks between begin and end (the end of the RIFF, never past the end of the
// file) for the one with the given id. Sizes are only used to step from chunk to chunk; odd
// sizes are followed by a pad byte.
bool FindChunk(FILE* file, const char* id, uint64_t begin, uint64_t end, CHUNK& chunk) {
    uint64_t pos = begin;
    while (pos + 8 <= end) {
        uint8_t header[8];
        if (fseeko(file, off_t(pos), SEEK_SET) != 0 || fread(header, 1, 8, file) != 8)
            return false;
        uint32_t size = ReadLE32(header + 4);
        if (memcmp(header, id, 4) == 0) {
            chunk.start = pos + 8;
            chunk.size = size;
            return true;
        }
        pos += 8 + uint64_t(size) + (size & 1);
    }
    return false;
}

} // namespace

CSoundFile::~CSoundFile() {
    if (m_file)
        Close();
}

bool CSoundFile::Fail(const char* text) {
    m_errorText = text;
    return false;
}

bool CSoundFile::Read(const char* path, CSoundInfo& sample) {
    m_errorText.Empty();
    FILE* file = fopen(path, "rb");
    if (!file)
        return Fail("Can't open file");
    struct FileCloser {
        FILE* f;
        ~FileCloser() { fclose(f); }
    } closer{file};
    setvbuf(file, nullptr, _IOFBF, kIoBufferSize);

    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode))
        return Fail("Can't open file");
    const uint64_t fileSize = uint64_t(info.st_size);

    uint8_t riff[12];
    if (fread(riff, 1, 12, file) != 12)
        return Fail("Can't read MMIO");
    if (memcmp(riff, "RIFF", 4) != 0 || memcmp(riff + 8, "WAVE", 4) != 0)
        return Fail("Not a valid wave file");
    // A RIFF size that claims more than the file holds is held to the file.
    const uint64_t riffEnd = std::min<uint64_t>(8 + uint64_t(ReadLE32(riff + 4)), fileSize);

    CHUNK fmt;
    if (!FindChunk(file, "fmt ", 12, riffEnd, fmt))
        return Fail("Can't find 'fmt'");
    if (fmt.size < 16)
        return Fail("'fmt' chunk size is less then PCMWAVEFORMAT");
    uint8_t raw[16];
    if (fmt.start + 16 > fileSize || fseeko(file, off_t(fmt.start), SEEK_SET) != 0 ||
        fread(raw, 1, 16, file) != 16)
        return Fail("Can't read 'fmt'");
    WAVE_FORMAT format;
    format.formatTag = ReadLE16(raw);
    if (format.formatTag != WAVE_FORMAT_PCM)
        return Fail("Not a PCM wave format");
    format.channels = ReadLE16(raw + 2);
    format.samplesPerSec = ReadLE32(raw + 4);
    format.avgBytesPerSec = ReadLE32(raw + 8);
    format.blockAlign = ReadLE16(raw + 12);
    format.bitsPerSample = ReadLE16(raw + 14);
    format.extraSize = 0;

    if (fseeko(file, off_t(fmt.start + fmt.size), SEEK_SET) != 0)
        return Fail("Can't ascend");
    if (fseeko(file, 12, SEEK_SET) != 0)
        return Fail("Can't seek to the data");
    CHUNK chunk;
    if (!FindChunk(file, "data", 12, riffEnd, chunk))
        return Fail("Can't descend to the data");
    // The size field is checked against the bytes that remain before anything is allocated.
    if (chunk.start + chunk.size > fileSize)
        return Fail("Can't read the data: the 'data' chunk is longer than the file");

    CSoundInfo read;
    read.format = format;
    if (!read.Allocate(chunk.size, false))
        return Fail("Can't read the data: out of memory");
    if (fseeko(file, off_t(chunk.start), SEEK_SET) != 0 ||
        fread(read.GetBytes(), 1, chunk.size, file) != chunk.size)
        return Fail("Can't read the data");

    sample.format = read.format;
    sample.data = std::move(read.data);
    sample.size = read.size;
    sample.fileName = path;
    return true;
}

bool CSoundFile::Open(const char* path, const WAVE_FORMAT& format) {
    m_errorText.Empty();
    if (m_file && !Close())
        return false;

    std::error_code error;
    std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), error);
        if (error || !std::filesystem::is_directory(target.parent_path())) {
            m_errorText.Format("Can't make file directory (%s)", path);
            return false;
        }
    }
    m_path = path;
    m_tempPath.Format("%s.part", path);
    m_file = fopen(m_tempPath, "wb");
    if (!m_file)
        return Fail("Can't open file");
    m_buffer.clear();
    m_buffer.reserve(kIoBufferSize);
    m_dataBytes = 0;
    m_writeFailed = false;

    uint8_t header[kHeaderSize];
    memcpy(header, "RIFF", 4);
    PutLE32(header + 4, 0); // fixed by Close
    memcpy(header + 8, "WAVEfmt ", 8);
    PutLE32(header + 16, 16);
    PutLE16(header + 20, WAVE_FORMAT_PCM);
    PutLE16(header + 22, format.channels);
    PutLE32(header + 24, format.samplesPerSec);
    PutLE32(header + 28, format.avgBytesPerSec);
    PutLE16(header + 32, format.blockAlign);
    PutLE16(header + 34, format.bitsPerSample);
    memcpy(header + 36, "fact", 4);
    PutLE32(header + 40, 4);
    PutLE32(header + 44, 0xFFFFFFFF); // 0 once the file is complete
    memcpy(header + 48, "data", 4);
    PutLE32(header + 52, 0);
    if (fwrite(header, 1, kHeaderSize, m_file) != kHeaderSize) {
        Abandon();
        return Fail("Can't write file");
    }
    return true;
}

bool CSoundFile::Flush() {
    if (!m_buffer.empty() && fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
        m_writeFailed = true;
    m_buffer.clear();
    return !m_writeFailed;
}

bool CSoundFile::Write(uint32_t bytes, const void* data) {
    if (!m_file)
        return Fail("Can't write file: no file is open");
    // The RIFF size field must still hold the whole file, pad byte included.
    // What was written so far stays a valid file.
    if (m_dataBytes + bytes > uint64_t(UINT32_MAX) - kHeaderSize)
        return Fail("Can't write file: a WAVE file can't grow past 4 GB");
    if (bytes > 0 && !data)
        return Fail("Can't write file: no data");
    const uint8_t* from = static_cast<const uint8_t*>(data);
    uint32_t left = bytes;
    while (left > 0) {
        size_t room = kIoBufferSize - m_buffer.size();
        size_t n = std::min<size_t>(room, left);
        m_buffer.insert(m_buffer.end(), from, from + n);
        from += n;
        left -= uint32_t(n);
        if (m_buffer.size() == kIoBufferSize && !Flush())
            return Fail("Can't write file");
    }
    m_dataBytes += bytes;
    return true;
}

void CSoundFile::Abandon() {
    if (m_file)
        fclose(m_file);
    m_file = nullptr;
    remove(m_tempPath);
    m_buffer.clear();
}

bool CSoundFile::Close() {
    if (!m_file)
        return true;
    if (m_writeFailed) {
        Abandon();
        return Fail("Can't write file");
    }
    if (m_dataBytes & 1)
        m_buffer.push_back(0); // RIFF pads odd chunks to even length
    bool ok = Flush();
    uint8_t value[4];
    const uint32_t dataSize = uint32_t(m_dataBytes);
    PutLE32(value, kHeaderSize - 8 + dataSize + (dataSize & 1));
    ok = ok && fseek(m_file, kRiffSizeOffset, SEEK_SET) == 0 && fwrite(value, 1, 4, m_file) == 4;
    PutLE32(value, 0);
    ok = ok && fseek(m_file, kFactValueOffset, SEEK_SET) == 0 && fwrite(value, 1, 4, m_file) == 4;
    PutLE32(value, dataSize);
    ok = ok && fseek(m_file, kDataSizeOffset, SEEK_SET) == 0 && fwrite(value, 1, 4, m_file) == 4;
    ok = (fclose(m_file) == 0) && ok;
    m_file = nullptr;
    if (!ok) {
        remove(m_tempPath);
        return Fail("Can't write file");
    }
    if (rename(m_tempPath, m_path) != 0) {
        remove(m_tempPath);
        return Fail("Can't write file");
    }
    return true;
}

bool CSoundFile::Save(const char* path, const CSoundInfo& sample) {
    if (!Open(path, sample.format))
        return false;
    if (sample.size > 0 && !Write(sample.size, sample.GetBytes())) {
        CCharString error = m_errorText;
        Abandon();
        m_errorText = error;
        return false;
    }
    return Close();
}

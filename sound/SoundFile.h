#pragma once

#include "core/CharString.h"
#include "sound/SoundInfo.h"

#include <cstdint>
#include <cstdio>
#include <vector>

// Reader and writer of one RIFF WAVE file at a time. Every operation returns false on failure and
// leaves the reason in GetErrorText().
//
// Written files have a fixed layout: "RIFF" size "WAVE", a 16-byte "fmt " chunk (format tag 1),
// a 4-byte "fact" chunk, then "data". The file is written under a temporary name in the same
// folder and renamed over the target by Close(), so a failed or interrupted write never
// destroys an older file of that name.
class CSoundFile {
public:
    CSoundFile() = default;
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;
    // Closes an open file as Close() does.
    ~CSoundFile();

    // Reads a whole PCM WAVE file into sample (format, data, size, file name; the note is left
    // alone). The "fmt " and "data" chunks may stand anywhere among the RIFF's chunks. No length
    // field is trusted: nothing is allocated beyond what the file holds.
    bool Read(const char* path, CSoundInfo& sample);

    // Makes the folders of path, creates the file and writes the header chunks with the given
    // format (the format tag is always written as 1) and an open "data" chunk.
    bool Open(const char* path, const WAVE_FORMAT& format);
    // Appends bytes to the "data" chunk.
    bool Write(uint32_t bytes, const void* data);
    // Fixes the chunk sizes and the "fact" value, closes the file and puts it in place.
    bool Close();
    // Open with the sample's format, Write of all its data, Close.
    bool Save(const char* path, const CSoundInfo& sample);

    bool IsOpen() const { return m_file != nullptr; }
    const CCharString& GetErrorText() const { return m_errorText; }

private:
    bool Fail(const char* text);
    bool Flush();
    // Closes and removes the temporary file after a failed write.
    void Abandon();

    CCharString m_errorText;
    FILE* m_file = nullptr;
    CCharString m_path;     // the target name
    CCharString m_tempPath; // what is being written
    std::vector<uint8_t> m_buffer;
    uint64_t m_dataBytes = 0;
    bool m_writeFailed = false;
};

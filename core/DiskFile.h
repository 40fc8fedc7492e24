#pragma once

#include "core/CharString.h"
#include "core/Crit.h"
#include "core/VarList.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// A file with buffered line reading and line writing. Every operation holds the file's lock,
// so one file may be written from several threads. Failures return false and leave their
// words in GetError(); texts of system failures end with the system's description.
class CDiskFile {
public:
    static constexpr size_t kReadBufferSize = 102400;

    CDiskFile();
    CDiskFile(const CDiskFile&) = delete;
    CDiskFile& operator=(const CDiskFile&) = delete;
    virtual ~CDiskFile();

    // read only: the file must exist. write: with create the file is emptied (made with its
    // folders when absent), without create it is opened or created and written at its end.
    bool Open(const char* path, bool read, bool write, bool create);

    // Safe save: writes go to a temporary file in the same folder; Commit() puts it in place of
    // `path` in one rename, so the old file stays whole until the new one is complete. Closing
    // without Commit() (or a failed write before it) discards the new content and keeps the old.
    bool OpenReplace(const char* path);
    // Flushes the temporary file to disk and renames it over the target. Fails (keeping the old
    // file and the first failure's text) when any write since OpenReplace failed.
    bool Commit();

    // Reads a whole file into a new buffer of size + 1 bytes, zero after the data. On failure
    // the buffer is released and size is 0. The caller owns the buffer.
    bool Read(const char* path, std::unique_ptr<char[]>& buffer, size_t& size);
    // Appends every line of a text file to lines. Only a failed open fails; a bad line ends the
    // list early.
    bool ReadLines(const char* path, CVarList<CCharString>& lines);

    // The next line, without its separator, as a pointer into the read buffer valid until the
    // next call. At the end of the file the result is true and line is null; after that, false.
    // False also for a line that does not fit the buffer (at most 102397 characters with
    // "\r\n") and for a last line without separator, which is never returned.
    bool NextLine(char*& line);
    // Lines NextLine has returned since the file was opened: the number of the last one, so
    // that readers can say where a file went wrong.
    int GetLineNumber() const { return m_lineNumber; }

    bool Write(const void* bytes, size_t count);
    // The text and "\r\n" (whatever the line separator), in one write. With stamp, the local
    // time "MM/DD/YY hh:mm:ss.mmm" and two spaces come first.
    bool WriteLine(const char* text, bool stamp);
    bool Flush();
    bool Close();

    // The separator NextLine looks for, "\r\n" by default (at most 31 characters).
    void SetLineSeparator(const char* separator);
    CCharString GetError();
    bool IsOpen();
    const CCharString& GetPath() const { return m_path; }
    // The file name with its extension.
    const CCharString& GetName() const { return m_name; }
    int64_t GetFileSize() const { return m_fileSize; }

    // The time stamp of time-stamped lines, for the current local time.
    static CCharString FormatStamp();

protected:
    bool SetErrorFromSystem(const char* format);

    int m_handle = -1;
    char m_separator[32];
    size_t m_separatorLength = 2;
    std::unique_ptr<char[]> m_buffer;
    size_t m_readPosition = 0;
    size_t m_held = 0;
    int64_t m_fileSize = 0;
    bool m_end = false;
    int64_t m_consumed = 0;
    int m_lineNumber = 0;
    CCrit m_lock;
    CCharString m_error;
    CCharString m_path;
    CCharString m_name;
    // Safe save: the temporary file's path, and whether a write into it failed.
    CCharString m_replacePath;
    bool m_writeFailed = false;

private:
    bool OpenLocked(const char* path, bool read, bool write, bool create);
    void CloseLocked();
};

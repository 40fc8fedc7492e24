#include "core/DiskFile.h"

#include "core/Path.h"
#include "core/SystemError.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {
ssize_t ReadSome(int handle, char* into, size_t count) {
    ssize_t got;
    do
        got = ::read(handle, into, count);
    while (got < 0 && errno == EINTR);
    return got;
}

// The folder of a path as an absolute path, since MakePath puts relative ones under the
// executable's folder while the file itself opens relative to the working folder.
CCharString AbsoluteFolder(const char* path) {
    PATH_PARTS parts;
    if (!SplitPath(path, parts) || parts.driveFolder.IsEmpty())
        return CCharString();
    if (parts.driveFolder.At(0) == '/')
        return parts.driveFolder;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr)
        return parts.driveFolder;
    CCharString folder;
    folder.Format("%s/%s", cwd, parts.driveFolder.GetText());
    return folder;
}

CCharString NameWithExtension(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return CCharString(slash != nullptr ? slash + 1 : path);
}

// New files get the usual permissions (0666 less the umask), which mkstemp does not give.
mode_t NewFileMode() {
    mode_t mask = 022;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "Umask:", 6) == 0)
                mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
        std::fclose(status);
    }
    return 0666 & ~mask;
}
} // namespace

CDiskFile::CDiskFile() {
    SetLineSeparator("\r\n");
}

CDiskFile::~CDiskFile() {
    Close();
}

void CDiskFile::SetLineSeparator(const char* separator) {
    CCritLock lock(&m_lock, true, "CDiskFile::SetLineSeparator");
    if (separator == nullptr || *separator == 0)
        separator = "\r\n";
    m_separatorLength = std::min(std::strlen(separator), sizeof m_separator - 1);
    std::memcpy(m_separator, separator, m_separatorLength);
    m_separator[m_separatorLength] = 0;
}

bool CDiskFile::SetErrorFromSystem(const char* format) {
    CCharString words = DescribeLastError();
    m_error.Format(format, words.GetText());
    return false;
}

bool CDiskFile::Open(const char* path, bool read, bool write, bool create) {
    CCritLock lock(&m_lock, true, "CDiskFile::Open");
    return OpenLocked(path, read, write, create);
}

bool CDiskFile::OpenLocked(const char* path, bool read, bool write, bool create) {
    if (m_handle >= 0) {
        m_error.Set("Already open");
        return false;
    }
    if (path == nullptr)
        path = "";
    if (create) {
        CCharString folder = AbsoluteFolder(path);
        if (!folder.IsEmpty() && !MakePath(folder)) {
            m_error.Format("Can't make file directory (%s)", path);
            return false;
        }
    }
    if (!read && !write) {
        m_error.Set("No read, no write flags");
        return false;
    }
    int flags = O_CLOEXEC;
    if (read && write)
        flags |= O_RDWR;
    else if (write)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (write) {
        flags |= O_CREAT;
        if (create)
            flags |= O_TRUNC;
        else {
            // Appending to a read-only file makes it writable first.
            struct stat status {};
            if (stat(path, &status) == 0 && S_ISREG(status.st_mode) &&
                (status.st_mode & S_IWUSR) == 0)
                chmod(path, (status.st_mode & 07777) | S_IWUSR);
        }
    }
    int handle = ::open(path, flags, 0666);
    if (handle < 0) {
        CCharString words = DescribeLastError();
        m_error.Format("Can't open %s: %s", path, words.GetText());
        return false;
    }
    struct stat status {};
    if (fstat(handle, &status) != 0) {
        SetErrorFromSystem("Can't get file size: %s");
        ::close(handle);
        return false;
    }
    if (write && create) {
        if (lseek(handle, 0, SEEK_SET) < 0 || ftruncate(handle, 0) != 0) {
            SetErrorFromSystem("Can't move to the start of file: %s");
            ::close(handle);
            return false;
        }
    } else if (write && lseek(handle, 0, SEEK_END) < 0) {
        SetErrorFromSystem("Can't move to the end of file: %s");
        ::close(handle);
        return false;
    }
    if (read) {
        posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);
        m_buffer = std::make_unique<char[]>(kReadBufferSize);
        m_buffer[0] = 0;
    }
    m_handle = handle;
    m_fileSize = (write && create) ? 0 : static_cast<int64_t>(status.st_size);
    m_readPosition = 0;
    m_held = 0;
    m_end = false;
    m_consumed = 0;
    m_lineNumber = 0;
    m_writeFailed = false;
    m_path.Set(path);
    m_name = NameWithExtension(path);
    return true;
}

bool CDiskFile::OpenReplace(const char* path) {
    CCritLock lock(&m_lock, true, "CDiskFile::Open");
    if (m_handle >= 0) {
        m_error.Set("Already open");
        return false;
    }
    if (path == nullptr || *path == 0) {
        m_error.Set("Can't open : No such file or directory");
        return false;
    }
    CCharString folder = AbsoluteFolder(path);
    if (!folder.IsEmpty() && !MakePath(folder)) {
        m_error.Format("Can't make file directory (%s)", path);
        return false;
    }
    CCharString temp;
    temp.Format("%s.XXXXXX", path);
    std::string pattern = temp.Str();
    int handle = mkostemp(pattern.data(), O_CLOEXEC);
    if (handle < 0) {
        CCharString words = DescribeLastError();
        m_error.Format("Can't open %s: %s", path, words.GetText());
        return false;
    }
    // The new file keeps the old one's permissions.
    struct stat status {};
    fchmod(handle, stat(path, &status) == 0 ? (status.st_mode & 07777) : NewFileMode());
    m_handle = handle;
    m_replacePath.Set(pattern.c_str());
    m_fileSize = 0;
    m_readPosition = 0;
    m_held = 0;
    m_end = false;
    m_consumed = 0;
    m_lineNumber = 0;
    m_writeFailed = false;
    m_path.Set(path);
    m_name = NameWithExtension(path);
    return true;
}

bool CDiskFile::Commit() {
    CCritLock lock(&m_lock, true, "CDiskFile::Commit");
    if (m_handle < 0 || m_replacePath.IsEmpty()) {
        m_error.Format("Can't replace %s: not open for saving", m_path.GetText());
        return false;
    }
    bool ok = !m_writeFailed;
    if (ok && fsync(m_handle) != 0)
        ok = SetErrorFromSystem("Can't write: %s");
    if (::close(m_handle) != 0 && ok)
        ok = SetErrorFromSystem("Can't write: %s");
    m_handle = -1;
    if (ok && rename(m_replacePath, m_path) != 0) {
        CCharString words = DescribeLastError();
        m_error.Format("Can't replace %s: %s", m_path.GetText(), words.GetText());
        ok = false;
    }
    if (!ok)
        unlink(m_replacePath);
    else {
        // The rename itself must reach the disk for the new file to survive a power cut.
        CCharString folder = AbsoluteFolder(m_path);
        int dir = ::open(folder.IsEmpty() ? "." : folder.GetText(), O_RDONLY | O_DIRECTORY);
        if (dir >= 0) {
            fsync(dir);
            ::close(dir);
        }
    }
    m_replacePath.Empty();
    return ok;
}

bool CDiskFile::Read(const char* path, std::unique_ptr<char[]>& buffer, size_t& size) {
    CCritLock lock(&m_lock, true, "CDiskFile::Read");
    buffer.reset();
    size = 0;
    int handle = ::open(path != nullptr ? path : "", O_RDONLY | O_CLOEXEC);
    if (handle < 0)
        return SetErrorFromSystem("Can't open: %s");
    struct stat status {};
    if (fstat(handle, &status) != 0) {
        SetErrorFromSystem("Can't get file size: %s");
        ::close(handle);
        return false;
    }
    long long total = static_cast<long long>(status.st_size);
    char* data = nullptr;
    if (total >= 0 && static_cast<unsigned long long>(total) < SIZE_MAX)
        data = new (std::nothrow) char[static_cast<size_t>(total) + 1];
    if (data == nullptr) {
        m_error.Format("Can't allocate %lld bytes", total + 1);
        ::close(handle);
        return false;
    }
    buffer.reset(data);
    long long done = 0;
    while (done < total) {
        ssize_t got = ReadSome(handle, data + done, static_cast<size_t>(total - done));
        if (got < 0) {
            SetErrorFromSystem("Can't read file: %s");
            buffer.reset();
            ::close(handle);
            return false;
        }
        if (got == 0)
            break;
        done += got;
    }
    ::close(handle);
    if (done < total) {
        m_error.Format("Read only %lld out of %lld bytes", done, total);
        buffer.reset();
        return false;
    }
    data[total] = 0;
    size = static_cast<size_t>(total);
    return true;
}

bool CDiskFile::ReadLines(const char* path, CVarList<CCharString>& lines) {
    CCritLock lock(&m_lock, true, "CDiskFile::ReadLines");
    if (!OpenLocked(path, true, false, false))
        return false;
    char* line = nullptr;
    while (NextLine(line) && line != nullptr)
        lines.Add(CCharString(line));
    CloseLocked();
    return true;
}

bool CDiskFile::NextLine(char*& line) {
    CCritLock lock(&m_lock, true, "CDiskFile::NextLine");
    line = nullptr;
    if (m_end || m_buffer == nullptr || m_handle < 0)
        return false;
    char* buffer = m_buffer.get();
    size_t searched = 0; // bytes of the unread part already known to hold no separator start
    for (;;) {
        char* start = buffer + m_readPosition;
        if (m_held >= m_separatorLength) {
            void* found =
                memmem(start + searched, m_held - searched, m_separator, m_separatorLength);
            if (found != nullptr) {
                char* end = static_cast<char*>(found);
                *end = 0;
                size_t step = static_cast<size_t>(end - start) + m_separatorLength;
                m_consumed += static_cast<int64_t>(step);
                m_readPosition += step;
                m_held -= step;
                ++m_lineNumber;
                line = start;
                return true;
            }
            searched = m_held - (m_separatorLength - 1);
        }
        if (m_readPosition > 0) {
            std::memmove(buffer, start, m_held);
            m_readPosition = 0;
        }
        // One byte stays free for the terminating zero.
        size_t room = kReadBufferSize - 1 - m_held;
        if (room == 0)
            return false; // the line does not fit the buffer
        ssize_t got = ReadSome(m_handle, buffer + m_held, room);
        if (got < 0)
            return SetErrorFromSystem("Can't read file: %s");
        if (got == 0) {
            if (m_consumed != m_fileSize)
                return false; // a last line without separator
            m_end = true;
            return true;
        }
        m_held += static_cast<size_t>(got);
        buffer[m_held] = 0;
    }
}

bool CDiskFile::Write(const void* bytes, size_t count) {
    CCritLock lock(&m_lock, true, "CDiskFile::Write");
    const char* from = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t put = ::write(m_handle, from, count);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = ENOSPC;
            m_writeFailed = true;
            return SetErrorFromSystem("Can't write: %s");
        }
        from += put;
        count -= static_cast<size_t>(put);
    }
    return true;
}

CCharString CDiskFile::FormatStamp() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm parts{};
    localtime_r(&now.tv_sec, &parts);
    CCharString stamp;
    stamp.Format("%02d/%02d/%02d %02d:%02d:%02d.%03d", parts.tm_mon + 1, parts.tm_mday,
                 parts.tm_year % 100, parts.tm_hour, parts.tm_min, parts.tm_sec,
                 static_cast<int>(now.tv_nsec / 1000000));
    return stamp;
}

bool CDiskFile::WriteLine(const char* text, bool stamp) {
    CCritLock lock(&m_lock, true, "CDiskFile::WriteLine");
    CCharString line;
    if (stamp) {
        line = FormatStamp();
        line.Append("  ");
    }
    line.Append(text);
    line.Append("\r\n");
    return Write(line.GetText(), line.GetLength());
}

bool CDiskFile::Flush() {
    CCritLock lock(&m_lock, true, "CDiskFile::Flush");
    if (m_handle >= 0)
        fdatasync(m_handle);
    return true;
}

bool CDiskFile::Close() {
    CCritLock lock(&m_lock, true, "CDiskFile::Close");
    CloseLocked();
    return true;
}

void CDiskFile::CloseLocked() {
    if (m_handle >= 0)
        ::close(m_handle);
    m_handle = -1;
    // A safe save that was never committed leaves the old file as it was.
    if (!m_replacePath.IsEmpty()) {
        unlink(m_replacePath);
        m_replacePath.Empty();
    }
    m_buffer.reset();
    m_held = 0;
    m_readPosition = 0;
}

CCharString CDiskFile::GetError() {
    CCritLock lock(&m_lock, true, "CDiskFile::GetError");
    return m_error;
}

bool CDiskFile::IsOpen() {
    CCritLock lock(&m_lock, true, "CDiskFile::IsOpen");
    return m_handle >= 0;
}

#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

// Fuzz input as a file the readers can open by path, without touching the disk.
class CFuzzFile {
public:
    CFuzzFile(const uint8_t* bytes, size_t size) {
        m_handle = memfd_create("fuzz", MFD_CLOEXEC);
        if (m_handle >= 0 && write(m_handle, bytes, size) != static_cast<ssize_t>(size)) {
            close(m_handle);
            m_handle = -1;
        }
        std::snprintf(m_path, sizeof m_path, "/proc/self/fd/%d", m_handle);
    }
    ~CFuzzFile() {
        if (m_handle >= 0)
            close(m_handle);
    }
    bool IsOpen() const { return m_handle >= 0; }
    const char* Path() const { return m_path; }

private:
    int m_handle = -1;
    char m_path[64] = {};
};

// A path in a folder of its own under /tmp, made once per process, for round-trip saves.
inline const std::string& FuzzSavePath(const char* name) {
    static std::string path = [name] {
        char folder[] = "/tmp/fuzz_save_XXXXXX";
        const char* made = mkdtemp(folder);
        return std::string(made ? made : "/tmp") + "/" + name;
    }();
    return path;
}

[[noreturn]] inline void FuzzFault(const char* what, const char* error) {
    std::fprintf(stderr, "fault: %s: %s\n", what, error);
    std::abort();
}

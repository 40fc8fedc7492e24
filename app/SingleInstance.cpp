#include "app/SingleInstance.h"

#include "core/SystemError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CSingleInstance::~CSingleInstance() {
    // Closing the descriptor releases the lock; the file itself stays for the next start.
    if (m_fd >= 0)
        close(m_fd);
}

CSingleInstance::RESULT CSingleInstance::Acquire(const char* name) {
    if (m_fd >= 0)
        return kAcquired;
    const char* folder = std::getenv("MA_LOCK_DIR");
    if (!folder || !*folder)
        folder = std::getenv("XDG_RUNTIME_DIR");
    if (!folder || !*folder)
        folder = "/tmp";
    m_path.Format("%s/%s.lock", folder, name);
    int fd = open(m_path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error.Format("Can't open lock file '%s': %s", m_path.GetText(),
                       DescribeLastError().GetText());
        return kLockFailed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Only a lock that another process holds means another instance.
        const bool held = errno == EWOULDBLOCK;
        m_error.Format("Can't lock '%s': %s", m_path.GetText(), DescribeLastError().GetText());
        close(fd);
        return held ? kHeldByOther : kLockFailed;
    }
    m_fd = fd;
    return kAcquired;
}

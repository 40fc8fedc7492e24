#pragma once

#include "core/CharString.h"

// The single-instance rule: a lock file named after the application's instance name, held with
// an exclusive advisory lock for the life of the process. The lock disappears with the process
// however it ends, so a crash never leaves a stale lock behind.
//
// The file lies in $MA_LOCK_DIR when set (tests), else $XDG_RUNTIME_DIR, else /tmp.
class CSingleInstance {
public:
    enum RESULT {
        kAcquired,    // this process holds the lock now
        kHeldByOther, // another process holds it: another instance runs
        kLockFailed,  // the lock file cannot be made, opened or locked; GetError says why
    };

    CSingleInstance() = default;
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    RESULT Acquire(const char* name);
    bool IsHeld() const { return m_fd >= 0; }
    const CCharString& GetPath() const { return m_path; }
    // The lock file's path and the system's words for what went wrong.
    const CCharString& GetError() const { return m_error; }

private:
    int m_fd = -1;
    CCharString m_path;
    CCharString m_error;
};

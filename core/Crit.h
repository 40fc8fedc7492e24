#pragma once

#include <mutex>

// A recursive critical section: the thread that holds it may enter it again.
class CCrit {
public:
    CCrit() = default;
    CCrit(const CCrit&) = delete;
    CCrit& operator=(const CCrit&) = delete;
    virtual ~CCrit() = default;

    void Enter() { m_mutex.lock(); }
    bool TryEnter() { return m_mutex.try_lock(); }
    void Leave() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// Guards an operation from its first line to its return. The name labels the holder in
// diagnostics ("CDiskFile::WriteLine"); it must outlive the lock (a literal) and changes nothing
// in the locking.
class CCritLock {
public:
    CCritLock(CCrit* crit, bool lockNow, const char* name) : m_crit(crit), m_name(name) {
        if (lockNow)
            Lock();
    }
    CCritLock(const CCritLock&) = delete;
    CCritLock& operator=(const CCritLock&) = delete;
    ~CCritLock() { Unlock(); }

    void Lock() {
        if (m_crit != nullptr && !m_held) {
            m_crit->Enter();
            m_held = true;
        }
    }
    // Takes the lock only when it is free or already this thread's; returns whether it is held.
    bool TryLock() {
        if (m_crit != nullptr && !m_held)
            m_held = m_crit->TryEnter();
        return m_held;
    }
    void Unlock() {
        if (m_held) {
            m_held = false;
            m_crit->Leave();
        }
    }
    bool IsHeld() const { return m_held; }
    const char* GetName() const { return m_name; }

private:
    CCrit* m_crit;
    bool m_held = false;
    const char* m_name;
};

#pragma once

#include "core/CharString.h"
#include "core/Crit.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// Base of every background thread. The thread sleeps until it is given a numbered command or
// told to stop; a command given while another is still pending replaces it, so the thread
// handles only the latest one, once. Derived workers override OnCommand.
class CWorker {
public:
    CWorker();
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;
    // Owners call Stop() first; a thread still running here is stopped before OnCommand's
    // object is gone as far as possible, but the derived part is already destroyed.
    virtual ~CWorker();

    // Runs the thread and waits until it runs. Fails with "Already started" while a thread
    // runs, "Can't create thread" when the system refuses one.
    bool Start();
    // Ends the thread and waits for it; true at once when none runs. Start() may follow.
    bool Stop();
    // Sets the pending command (0 means none) and wakes the thread. With wait, returns once
    // this very command (or a later one that replaced it) has been handled, or the thread ended.
    bool Command(int32_t command, bool wait);
    // Windows-style priority: -2 lowest, -1 below normal, 0 normal, 1 above normal, 2 highest;
    // mapped to the thread's nice value. Raising it needs a privilege the system may refuse:
    // false then, and the thread keeps running as it was.
    bool SetPriority(int priority);

    bool IsRunning();
    CCharString GetError();

protected:
    // Runs on the worker thread with the command it took; the thread has already cleared the
    // pending command, so a command given meanwhile is kept for the next round.
    virtual void OnCommand(int32_t command);

    CCharString m_error;
    CCrit m_lock; // guards the error text; derived workers may use it for their own state

private:
    void Run();

    std::thread m_thread;
    std::mutex m_mutex; // guards the events and the pending command below
    std::condition_variable m_changed;
    int32_t m_pending = 0;
    bool m_started = false;
    bool m_stopEvent = false;
    bool m_commandEvent = false;
    bool m_stopFlag = false;
    bool m_running = false;
    uint64_t m_given = 0;   // commands given since Start
    uint64_t m_handled = 0; // the number of the last command given when the thread took one
    int m_tid = 0;
};

// Binds the calling thread to the first processor it may run on.
bool BindToFirstProcessor();

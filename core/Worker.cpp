#include "core/Worker.h"

#include <algorithm>
#include <sched.h>
#include <sys/resource.h>
#include <system_error>
#include <unistd.h>

CWorker::CWorker() = default;

CWorker::~CWorker() {
    Stop();
}

bool CWorker::Start() {
    CCritLock lock(&m_lock, true, "CWorker::Start");
    if (m_thread.joinable()) {
        m_error.Set("Already started");
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_started = false;
        m_stopEvent = false;
        m_commandEvent = false;
        m_stopFlag = false;
        m_pending = 0;
        m_given = 0;
        m_handled = 0;
    }
    try {
        m_thread = std::thread(&CWorker::Run, this);
    } catch (const std::system_error&) {
        m_error.Set("Can't create thread");
        return false;
    }
    std::unique_lock<std::mutex> guard(m_mutex);
    m_changed.wait(guard, [this] { return m_started; });
    return true;
}

void CWorker::Run() {
    std::unique_lock<std::mutex> guard(m_mutex);
    m_tid = static_cast<int>(gettid());
    m_running = true;
    m_started = true;
    m_changed.notify_all();
    for (;;) {
        m_changed.wait(guard, [this] { return m_stopEvent || m_commandEvent; });
        if (m_stopEvent)
            break;
        // Taking the command and clearing the event in one step means a command given during
        // OnCommand wakes the thread again instead of being lost.
        int32_t command = m_pending;
        m_pending = 0;
        m_commandEvent = false;
        uint64_t number = m_given;
        guard.unlock();
        OnCommand(command);
        guard.lock();
        m_handled = number;
        m_changed.notify_all();
        if (m_stopFlag)
            break;
    }
    m_running = false;
    m_changed.notify_all();
}

void CWorker::OnCommand(int32_t) {}

bool CWorker::Stop() {
    CCritLock lock(&m_lock, true, "CWorker::Stop");
    if (!m_thread.joinable())
        return true;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_stopFlag = true;
        m_stopEvent = true;
        m_changed.notify_all();
    }
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach(); // stopping itself from OnCommand: the loop ends on return
    else
        m_thread.join();
    return true;
}

bool CWorker::Command(int32_t command, bool wait) {
    std::unique_lock<std::mutex> guard(m_mutex);
    m_pending = command;
    m_commandEvent = true;
    uint64_t number = ++m_given;
    m_changed.notify_all();
    if (wait && m_running && m_thread.get_id() != std::this_thread::get_id())
        m_changed.wait(guard, [&] { return m_handled >= number || !m_running; });
    return true;
}

bool CWorker::SetPriority(int priority) {
    int tid;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (!m_running)
            return false;
        tid = m_tid;
    }
    // Each step of the Windows levels is five nice steps; time-critical levels stop at -10.
    int nice = std::clamp(-priority * 5, -10, 19);
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0;
}

bool CWorker::IsRunning() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_running;
}

CCharString CWorker::GetError() {
    CCritLock lock(&m_lock, true, "CWorker::GetError");
    return m_error;
}

bool BindToFirstProcessor() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return false;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &allowed)) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            return sched_setaffinity(0, sizeof one, &one) == 0;
        }
    }
    return false;
}

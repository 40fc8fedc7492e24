#include "core/Worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sched.h>
#include <set>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {
// Records every command it handles; a gate can hold it inside OnCommand.
class CRecordingWorker : public CWorker {
public:
    std::vector<int32_t> Handled() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_handled;
    }
    void CloseGate() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_gateOpen = false;
    }
    void OpenGate() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_gateOpen = true;
        m_changed.notify_all();
    }
    // Waits until the thread is inside OnCommand, held by the gate.
    void WaitUntilHeld() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_held; });
    }
    bool FreshThread() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_freshThread;
    }
    int Nice() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_nice;
    }

protected:
    void OnCommand(int32_t command) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_handled.push_back(command);
        // Thread ids are reused once a thread ends; a thread-local mark is not.
        thread_local bool seenBefore = false;
        m_freshThread = !seenBefore;
        seenBefore = true;
        m_nice = getpriority(PRIO_PROCESS, 0);
        m_held = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_gateOpen; });
        m_held = false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<int32_t> m_handled;
    bool m_gateOpen = true;
    bool m_held = false;
    bool m_freshThread = false;
    int m_nice = 0;
};
} // namespace

TEST(Worker, StartsOnceStopsAndRestartsOnAFreshThread) {
    CRecordingWorker worker;
    EXPECT_TRUE(worker.Stop()) << "nothing to stop";
    EXPECT_TRUE(worker.Command(2, true)) << "no thread: nothing to wait for";
    ASSERT_TRUE(worker.Start());
    EXPECT_FALSE(worker.Start());
    EXPECT_EQ(worker.GetError(), "Already started");
    worker.Command(1, true);
    EXPECT_TRUE(worker.FreshThread());
    worker.Command(1, true);
    EXPECT_FALSE(worker.FreshThread());
    ASSERT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
    ASSERT_TRUE(worker.Start());
    worker.Command(3, true);
    EXPECT_TRUE(worker.FreshThread());
    EXPECT_EQ(worker.Handled(), (std::vector<int32_t>{1, 1, 3}));
    worker.Stop();
}

// Commands given while the thread is busy replace one another: only the latest is handled,
// once, and none given during the handling is lost. Repeated to catch the unlucky timings.
TEST(Worker, PendingCommandsCoalesceToTheLatest) {
    CRecordingWorker worker;
    ASSERT_TRUE(worker.Start());
    for (int round = 0; round < 300; ++round) {
        worker.CloseGate();
        int32_t base = round * 10;
        worker.Command(base + 1, false);
        worker.WaitUntilHeld();
        worker.Command(base + 2, false);
        worker.Command(base + 3, false);
        worker.OpenGate();
        worker.Command(base + 4, true); // given after (or while) the gate opens
        std::vector<int32_t> handled = worker.Handled();
        std::vector<int32_t> thisRound;
        for (int32_t command : handled)
            if (command > base && command <= base + 4)
                thisRound.push_back(command);
        ASSERT_GE(thisRound.size(), 2u) << "round " << round;
        ASSERT_LE(thisRound.size(), 3u) << "round " << round;
        EXPECT_EQ(thisRound.front(), base + 1);
        EXPECT_EQ(thisRound.back(), base + 4);
        if (thisRound.size() == 3) {
            EXPECT_EQ(thisRound[1], base + 3) << "round " << round; // 2 was replaced by 3
        }
    }
    worker.Stop();
}

TEST(Worker, ConcurrentCommandersNeverGetACommandHandledTwice) {
    for (int round = 0; round < 50; ++round) {
        CRecordingWorker worker;
        ASSERT_TRUE(worker.Start());
        std::vector<std::thread> commanders;
        for (int t = 0; t < 4; ++t)
            commanders.emplace_back([&worker, t] {
                for (int i = 1; i <= 200; ++i)
                    worker.Command(t * 1000 + i, false);
            });
        for (auto& commander : commanders)
            commander.join();
        worker.Command(99999, true);
        worker.Stop();
        std::vector<int32_t> handled = worker.Handled();
        std::set<int32_t> unique(handled.begin(), handled.end());
        EXPECT_EQ(unique.size(), handled.size()) << "round " << round;
        ASSERT_FALSE(handled.empty());
        EXPECT_EQ(handled.back(), 99999);
        // Each commander's own commands are handled in the order it gave them.
        for (int t = 0; t < 4; ++t) {
            int32_t last = 0;
            for (int32_t command : handled)
                if (command / 1000 == t && command != 99999) {
                    EXPECT_GT(command, last);
                    last = command;
                }
        }
    }
}

TEST(Worker, LowerPriorityIsGranted) {
    CRecordingWorker worker;
    EXPECT_FALSE(worker.SetPriority(-2)); // no thread yet
    ASSERT_TRUE(worker.Start());
    int before = getpriority(PRIO_PROCESS, 0);
    if (before >= 10)
        GTEST_SKIP() << "the tests already run at the priority a lowest-priority thread gets";
    EXPECT_TRUE(worker.SetPriority(-2));
    worker.Command(2, true);
    EXPECT_GT(worker.Nice(), before);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), before); // the caller is untouched
    worker.Stop();
}

TEST(Worker, BindsTheCallingThreadToOneProcessor) {
    bool bound = false;
    int processors = 0;
    std::thread([&] {
        bound = BindToFirstProcessor();
        cpu_set_t set;
        CPU_ZERO(&set);
        sched_getaffinity(0, sizeof set, &set);
        processors = CPU_COUNT(&set);
    }).join();
    EXPECT_TRUE(bound);
    EXPECT_EQ(processors, 1);
}

// The device callback is real-time safe: over a whole playback it allocates nothing and takes
// no lock. This executable replaces the allocator's entry points and the mutex lock with
// counting versions; the device's render hooks mark the thread while it renders.
#include "tests/sound/CaptureSupport.h"
#include "tests/sound/EngineSupport.h"

#include "sound/PitchDetector.h"
#include "sound/PortAudioDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <malloc.h>
#include <mutex>
#include <pthread.h>
#include <thread>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {
thread_local bool t_rendering = false;
std::atomic<long> g_allocations{0};
std::atomic<long> g_locks{0};
std::atomic<long> g_renders{0};

void Count(std::atomic<long>& counter) {
    if (t_rendering)
        counter.fetch_add(1, std::memory_order_relaxed);
}

using LockFunction = int (*)(pthread_mutex_t*);
LockFunction RealLock(const char* name) {
    return reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" {
void* malloc(size_t size) {
    Count(g_allocations);
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    Count(g_allocations);
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
    Count(g_allocations);
    return __libc_realloc(pointer, size);
}
void* memalign(size_t alignment, size_t size) {
    Count(g_allocations);
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    Count(g_allocations);
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** pointer, size_t alignment, size_t size) {
    Count(g_allocations);
    *pointer = __libc_memalign(alignment, size);
    return *pointer ? 0 : 12; // ENOMEM
}
int pthread_mutex_lock(pthread_mutex_t* mutex) {
    Count(g_locks);
    static const LockFunction real = RealLock("pthread_mutex_lock");
    return real(mutex);
}
int pthread_mutex_trylock(pthread_mutex_t* mutex) {
    Count(g_locks);
    static const LockFunction real = RealLock("pthread_mutex_trylock");
    return real(mutex);
}
}

namespace {

void EnterRender() {
    t_rendering = true;
    g_renders.fetch_add(1, std::memory_order_relaxed);
}
void LeaveRender() {
    t_rendering = false;
}

class RealTimeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_samples = MakeTempFolder("realtime");
        ASSERT_TRUE(WriteTestSampleSets(s_samples));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(s_samples); }
    void SetUp() override {
        g_allocations = 0;
        g_locks = 0;
        g_renders = 0;
        CAudioDevice::SetRenderHooks(EnterRender, LeaveRender);
    }
    void TearDown() override { CAudioDevice::SetRenderHooks(nullptr, nullptr); }

    // Wakes the sound thread as the one-second timer does and waits until it has refilled.
    static void Tick(CSound& sound) {
        ASSERT_TRUE(sound.OnTimer(SOUND_TIMER_ID));
        sound.GetThread()->Command(SOUND_COMMAND_CHECK, true);
    }

    static std::string s_samples;
};
std::string RealTimeTest::s_samples;

TEST_F(RealTimeTest, TheCountersSeeAllocationsAndLocksWhileRendering) {
    // Without this the zero counts below would prove nothing.
    std::mutex mutex;
    EnterRender();
    {
        std::lock_guard<std::mutex> lock(mutex);
        // Through volatile pointers, so that the compiler cannot drop the pairs.
        void* (*volatile allocate)(size_t) = std::malloc;
        void* (*volatile allocateZeroed)(size_t, size_t) = std::calloc;
        void (*volatile release)(void*) = std::free;
        release(allocate(64));
        release(allocateZeroed(4, 16));
    }
    LeaveRender();
    EXPECT_EQ(g_allocations.load(), 2);
    EXPECT_EQ(g_locks.load(), 1);
}

TEST_F(RealTimeTest, AWholePracticeOnTheSteppedDeviceRendersWithoutAllocatingOrLocking) {
    ENGINE_RIG rig;
    ASSERT_TRUE(rig.Open(s_samples)) << rig.sound->GetErrorText();
    const CNoteList notes = MakeTestPractice(32, 120.0, rig.notes);
    ASSERT_TRUE(rig.sound->SetVolume(0.7f)); // the volume path too, not only plain copies
    ASSERT_TRUE(rig.sound->Start(notes, 0.0, 0));
    const int seconds = static_cast<int>(notes.GetEndTime(true)) + 6;
    for (int second = 0; second < seconds; ++second) {
        rig.device->Step(44100);
        Tick(*rig.sound);
    }
    ASSERT_TRUE(rig.sound->Stop());
    EXPECT_EQ(rig.device->GetFramesPlayed(), static_cast<uint64_t>(seconds) * 44100);
    EXPECT_GT(g_renders.load(), seconds * 44100 / 128 - 1);
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_EQ(g_locks.load(), 0);
}

TEST_F(RealTimeTest, TheRealTimeClockThreadRendersWithoutAllocatingOrLocking) {
    ENGINE_RIG rig;
    ASSERT_TRUE(rig.Open(s_samples, false)) << rig.sound->GetErrorText();
    const CNoteList notes = MakeTestPractice(1, 120.0, rig.notes);
    ASSERT_TRUE(rig.sound->SetVolume(1.0f));
    ASSERT_TRUE(rig.sound->Start(notes, 0.0, 0));
    for (int tick = 0; tick < 5; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Tick(*rig.sound);
    }
    ASSERT_TRUE(rig.sound->Stop());
    ASSERT_TRUE(rig.sound->Close());
    EXPECT_GT(g_renders.load(), 100);
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_EQ(g_locks.load(), 0);
}

TEST_F(RealTimeTest, ThePortAudioCallbackRendersWithoutAllocatingOrLocking) {
    // The test's ALSA configuration makes the default device a sink without a sound card; it takes
    // frames as fast as the callback gives them, so the callback runs very often meanwhile.
    // ALSA reads it when PortAudio starts, below.
    setenv("ALSA_CONFIG_PATH", MA_TEST_DATA "/sound/asound-null.conf", 1);
    ENGINE_RIG rig;
    ASSERT_TRUE(rig.notes.Initialize());
    rig.settings.soundPath = s_samples.c_str();
    rig.sound = std::make_unique<CSound>(rig.settings, rig.notes);
    auto portAudio = std::make_unique<CPortAudioDevice>();
    if (!portAudio->HasOutput())
        GTEST_SKIP() << "PortAudio has no output device here";
    rig.sound->SetDevice(std::move(portAudio));
    ASSERT_TRUE(rig.sound->OpenDevice()) << rig.sound->GetErrorText();
    const CNoteList notes = MakeTestPractice(32, 120.0, rig.notes);
    ASSERT_TRUE(rig.sound->SetVolume(0.7f));
    ASSERT_TRUE(rig.sound->Start(notes, 0.0, 0));
    for (int tick = 0; tick < 10; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Tick(*rig.sound);
    }
    ASSERT_TRUE(rig.sound->Stop());
    ASSERT_TRUE(rig.sound->Close());
    EXPECT_GT(g_renders.load(), 0);
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_EQ(g_locks.load(), 0);
}

TEST_F(RealTimeTest, AWholeCaptureCopiesFramesWithoutAllocatingOrLocking) {
    CAPTURE_RIG rig;
    ASSERT_TRUE(rig.Open()) << rig.capture->GetErrorText();
    rig.device->SetInputTone(110.0, 0.5, 0.5);
    ASSERT_TRUE(rig.capture->GetReady(nullptr, 0.0));
    ASSERT_TRUE(rig.capture->Start(true));
    for (int tick = 0; tick < 90; ++tick) {
        rig.Step(1470);
        rig.Tick();
    }
    ASSERT_TRUE(rig.capture->Stop());
    EXPECT_EQ(rig.TakeNotes().back().m_midi, 45) << "the capture heard the tone";
    EXPECT_GT(g_renders.load(), 90 * 1470 / 128 - 1);
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_EQ(g_locks.load(), 0);
}

TEST_F(RealTimeTest, ThePitchDetectorAllocatesNothingPerBlock) {
    CPitchDetector detector;
    ASSERT_TRUE(detector.SetFormat(MonoFormat(), true));
    // Low notes take the long analysis, high ones the short; silence closes the gate.
    for (int midi : {28, 64, 88, 0}) {
        const std::vector<int16_t> tone =
            MakeHarmonicTone(MidiHz(midi), 0.3, 9, 20.0, midi ? 0.5 : 0.0);
        for (size_t start = 0; start + 1470 <= tone.size(); start += 1470) {
            double frequency;
            int heard;
            EnterRender();
            detector.Process(reinterpret_cast<const uint8_t*>(tone.data() + start), 2940, frequency,
                             heard);
            LeaveRender();
        }
    }
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_EQ(g_locks.load(), 0);
}

TEST_F(RealTimeTest, ThePortAudioInputCallbackCapturesWithoutAllocatingOrLocking) {
    setenv("ALSA_CONFIG_PATH", MA_TEST_DATA "/sound/asound-null.conf", 1);
    CPortAudioDevice portAudio;
    if (!portAudio.HasInput())
        GTEST_SKIP() << "PortAudio has no input device here";
    const uint8_t defaultId[16] = {};
    ASSERT_EQ(portAudio.OpenInput(defaultId, 44100, 2), AUDIO_OK);
    CCaptureBuffer* buffer = nullptr;
    ASSERT_EQ(portAudio.CreateCaptureBuffer(176400, &buffer), AUDIO_OK);
    ASSERT_EQ(buffer->Start(), AUDIO_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    portAudio.CloseInput();
    EXPECT_GT(g_renders.load(), 0);
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_EQ(g_locks.load(), 0);
}

} // namespace

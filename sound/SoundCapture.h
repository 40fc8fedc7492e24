#pragma once

#include "core/CharString.h"
#include "core/Crit.h"
#include "core/Settings.h"
#include "core/VarList.h"
#include "core/Worker.h"
#include "sound/AudioDevice.h"
#include "sound/PitchDetector.h"
#include "sound/SoundFile.h"
#include "sound/SoundInfo.h"
#include "theory/Note.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CNoteManager;
class CSoundCapture;

// The main window's 33 ms timer, which wakes the capture thread, and the command it posts.
constexpr int CAPTURE_TIMER_ID = 1;
constexpr int CAPTURE_COMMAND_CHECK = 2;
// Seconds of sound the looping capture buffer holds.
constexpr double CAPTURE_SECONDS = 2.0;

// An input note carries the frequency it was heard at in the note's spare double, so that the
// note's own frequency can be the exact one of its MIDI note.
inline double GetHeardFrequency(const CNote& note) {
    return note.m_spareDouble;
}
inline void SetHeardFrequency(CNote& note, double frequency) {
    note.m_spareDouble = frequency;
}
// Fills an input note's names, octave and exact frequency from the note manager when it has a
// pitch, keeping its time, level and heard frequency.
bool CompleteInputNote(CNoteManager& manager, CNote& note);

// Drains the capture buffer: every command, whatever its number, runs CheckBuffer.
class CSoundCaptureThread : public CWorker {
public:
    explicit CSoundCaptureThread(CSoundCapture& capture) : m_capture(capture) {}
    void OnCommand(int command) override;

private:
    CSoundCapture& m_capture;
};

// Records from the sound input. It owns the input device, a looping capture buffer of two
// seconds and a thread that drains it on every 33 ms tick. Each drained block becomes an input
// note (its time, its peak level and, when the pitch detector hears one, its frequency and
// nearest MIDI note) handed to the poster; while a recording is wanted the block also goes to a
// WAVE file, first corrected to the nominal rate. Fallible operations return false and leave
// their words in the error text. The user-interface thread calls everything but CheckBuffer.
class CSoundCapture {
public:
    // Takes an input note made with new; runs on the capture thread.
    using NOTE_POSTER = std::function<void(CNote* note)>;

    // audio: the input device's identifier and name and the gate levels, read at each Open.
    CSoundCapture(const AUDIO_SETTINGS& audio, NOTE_POSTER post);
    ~CSoundCapture();
    CSoundCapture(const CSoundCapture&) = delete;
    CSoundCapture& operator=(const CSoundCapture&) = delete;

    // Uses this device from the next Open on (tests: a virtual one). Without one, Open takes
    // the system's device for the settings' input (MakeSystemDevice).
    void SetDevice(std::unique_ptr<CAudioDevice> device);
    // The clock in seconds for the start, elapsed and first-data times (tests step it).
    void SetClock(std::function<double()> seconds) { m_clock = std::move(seconds); }

    // Close, then the PCM format of the given rate, bits and channels, then Open.
    bool SetFormat(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels);
    // Lists the input devices; failing: "Can't enumerate Sound Capture devices: %s".
    bool EnumerateDevices();
    const CVarList<DEVICE_INFO>& GetDevices() const { return m_devices; }
    // Opens the settings' input device with a capture buffer of two seconds, the block, the
    // pitch detector and the (not yet running) capture thread.
    bool Open();
    // Stops, opens the recording when a path is given, starts the capture thread and takes the
    // capture position as the read position. mixStart is kept for mixing the recording later.
    bool GetReady(const char* recordPath, double mixStart);
    // Starts capturing; the mode chooses the pitch detector's analysis lengths.
    bool Start(bool detectionMode);
    // Drains what arrived since the last call, posts its input note and records it.
    bool CheckBuffer();
    // Stops capturing, drains the rest, closes the recording; not ready afterwards. Does nothing
    // (and succeeds) when not capturing.
    bool Stop();
    // Releases the device, the buffers, the detector, the recording and the thread.
    bool Close();
    // Timer 1 wakes the capture thread without waiting; other ids do nothing.
    bool OnTimer(int id);

    // Stores data (size bytes of 16-bit frames at rate r) at rate r2 < r, each output frame
    // the average of the input frames it stands for; the rest is zeroed and size shrinks.
    static void ShrinkToRate(uint8_t* data, uint32_t& size, const WAVE_FORMAT& format, uint32_t r,
                             uint32_t r2);
    // Stores data at rate r2 > r. Every real drift (r2 / r below 2) leaves the block as it is;
    // so does a clock at less than half the nominal rate, which says nothing true about the
    // sound: inventing frames would only misplace it. Returns false in that case.
    static bool StretchToRate(uint8_t* data, uint32_t& size, const WAVE_FORMAT& format, uint32_t r,
                              uint32_t r2);

    // The error text, read safely from any thread.
    CCharString GetErrorText();
    bool IsInitialized() const { return m_initialized.load(); }
    bool IsReady() const { return m_ready; }
    bool IsCapturing() const { return m_capturing.load(); }
    bool IsRecording() const { return m_recording; }
    bool GetDetectionMode() const { return m_detectionMode; }
    const WAVE_FORMAT& GetFormat() const { return m_format; }
    uint32_t GetBufferSize() const { return m_bufferSize; }
    uint32_t GetReadPosition() const { return m_readPosition; }
    uint32_t GetTotal() const { return m_total; }
    uint32_t GetMeasuredRate() const { return m_measuredRate; }
    double GetMixStart() const { return m_mixStart; }
    CAudioDevice* GetDevice() const { return m_device.get(); }
    CSoundCaptureThread* GetThread() const { return m_thread.get(); }

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    bool FailLogged(const char* format, ...) MA_PRINTF(2, 3);
    double Now() const;
    // Everything Close releases but the thread, which the capture thread cannot stop itself.
    void CloseDevice();
    bool ProcessBlock(uint32_t bytes);

    const AUDIO_SETTINGS& m_audio;
    NOTE_POSTER m_post;
    std::function<double()> m_clock;
    std::unique_ptr<CAudioDevice> m_device;
    bool m_deviceChosen = false;
    CCaptureBuffer* m_buffer = nullptr;
    std::unique_ptr<CSoundCaptureThread> m_thread;
    CCharString m_errorText;
    WAVE_FORMAT m_format{};
    uint32_t m_bufferSize = 0;
    uint32_t m_readPosition = 0;
    std::vector<uint8_t> m_block;
    uint32_t m_blockFill = 0;
    uint32_t m_total = 0;
    CCrit m_crit;
    CVarList<DEVICE_INFO> m_devices;
    std::unique_ptr<CPitchDetector> m_detector;
    std::unique_ptr<CSoundFile> m_recorder;
    CNote m_levelNote;
    std::atomic<bool> m_initialized{false};
    bool m_recording = false;
    bool m_ready = false;
    std::atomic<bool> m_capturing{false};
    double m_startTime = 0.0;
    double m_elapsed = 0.0;
    double m_firstDataTime = 0.0;
    bool m_hasFirstData = false;
    uint32_t m_measuredRate = 0;
    CCharString m_recordPath;
    double m_mixStart = 0.0;
    bool m_detectionMode = true;
    bool m_slowClockReported = false;
};

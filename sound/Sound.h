#pragma once

#include "core/CharString.h"
#include "core/Crit.h"
#include "core/Settings.h"
#include "core/VarList.h"
#include "core/Worker.h"
#include "sound/AudioDevice.h"
#include "sound/MixKernels.h"
#include "sound/SampleStore.h"
#include "sound/SoundFile.h"
#include "sound/SoundInfo.h"
#include "theory/NoteList.h"

#include <cstdint>
#include <memory>
#include <vector>

class CNoteManager;
class CSound;

// The format of the stream, of every recording and of every rendering: 16-bit stereo at
// 44,100 frames per second, described as an extensible format (files say plain PCM).
struct WAVE_FORMAT_EXTENSIBLE {
    WAVE_FORMAT format;
    uint16_t validBitsPerSample = 0;
    uint32_t channelMask = 0;
    uint8_t subFormat[16] = {};
};
WAVE_FORMAT_EXTENSIBLE GetStreamFormat();

// Seconds of sound the looping stream holds, and of the one-shot buffer.
constexpr double STREAM_SECONDS = 15.0;
constexpr double ONE_SHOT_SECONDS = 5.0;
// The main window's one-second timer, which wakes the sound thread, and the command it posts.
constexpr int SOUND_TIMER_ID = 3;
constexpr int SOUND_COMMAND_CHECK = 2;
// Lowest thread priority, one step below below-normal.
constexpr int SOUND_THREAD_PRIORITY = -2;

// Refills the stream: every command, whatever its number, runs CheckStream.
class CSoundThread : public CWorker {
public:
    explicit CSoundThread(CSound& sound) : m_sound(sound) {}
    void OnCommand(int command) override;

private:
    CSound& m_sound;
};

// The playback engine: turns a note list into sound. It owns the output device, the sample
// sets, a looping stream of 15 s refilled a third (5 s) at a time by the sound thread, and a
// buffer for playing one sample. Every public operation holds the engine's re-entrant lock.
// Fallible operations return false and leave their words in GetErrorText().
class CSound {
public:
    // settings: output device identifier and name, samples folder (soundPath).
    CSound(APP_SETTINGS& settings, CNoteManager& notes);
    ~CSound();
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    // Uses this device from the next OpenDevice on (tests: a stepped virtual device). Without
    // one, OpenDevice takes PortAudio, or the virtual device when it was chosen or PortAudio
    // has no output.
    void SetDevice(std::unique_ptr<CAudioDevice> device);
    CAudioDevice* GetDevice() const { return m_device.get(); }

    // Opens the settings' output device, loads every sample set, creates the stream and the
    // one-shot buffer and starts the sound thread.
    bool OpenDevice();
    // Lists the output devices; on failure the error text is PortAudio's word for it.
    bool EnumerateDevices();
    const CVarList<DEVICE_INFO>& GetDevices() const { return m_devices; }
    bool SetNotes(const CNoteList& notes);
    // Master volume 0.0 to 1.0; set on the stream as an attenuation (GetAttenuation).
    bool SetVolume(float volume);
    float GetVolume() const { return m_volume; }
    // Plays notes (a copy) from time 0, repeated repeatCount times every loopPeriod seconds
    // when loopPeriod > 0, recording everything sent to the device into recordPath when given.
    bool Start(const CNoteList& notes, double loopPeriod, int repeatCount,
               const char* recordPath = nullptr);
    bool StartStream();
    // Writes the chunk after the one that plays, when not done yet (the sound thread).
    bool CheckStream();
    // Mutes and stops the stream and closes the recording.
    bool Stop();
    bool Close();
    // Plays one sample in the stream format once, on the one-shot buffer.
    bool PlaySample(const CSoundInfo& sample);
    // Timer id 3 wakes the sound thread without waiting; other ids do nothing.
    bool OnTimer(int id);

    // Renders the whole list into a WAVE file through the same scheduling and mixing as the
    // stream; the engine must be open. A running stream is stopped first.
    bool RenderToWave(const CNoteList& notes, const char* path);
    // Mixes recording b into recording a from start seconds into a on, into out. Keeps a and b.
    bool MixFiles(const char* a, double start, const char* b, const char* out);

    // Mixes the notes that start in [position, position + window) into buffer (size bytes of
    // window plus room bytes for ringing out, all zeroed first) and moves position on by the
    // window. mixed tells whether a note was mixed.
    bool Fill(uint8_t* buffer, uint32_t size, uint32_t room, bool* mixed);
    // Adds the note's sample (first channel) at its volume and pan into room bytes of stereo
    // frames at destination, cut where the wave crosses zero before the note's end.
    bool MixNote(uint8_t* destination, uint32_t room, const CSoundInfo& sample, const CNote& note);

    // Sums two 16-bit values so that they never leave the 16-bit range: two values of one sign
    // lose their product's share (a + b - ab / 32767, or a + b + ab / 32768 below zero).
    static int16_t Sum(int16_t a, int16_t b) { return SumSamples(a, b); }
    // target[i] = Sum(target[i], source[i]) for count values.
    static void SumInto(int16_t* target, const int16_t* source, size_t count);
    // Hundredths of a decibel for a volume: -10000 below 0.05, else log10(v) x 3322.
    static int32_t GetAttenuation(float volume);
    // Length of buffer up to and including its last frame that is not all zero.
    static uint32_t TrailingSound(const uint8_t* buffer, uint32_t size);

    const CCharString& GetErrorText() const { return m_errorText; }
    bool IsInitialized() const { return m_initialized; }
    bool IsPlaying() const { return m_playing; }
    bool IsRecording() const { return m_recording; }
    double GetPosition() const { return m_position; }
    // Seconds of the stream the device has played since the last start, from its play cursor
    // (laps of the looping stream counted): the clock that what is seen follows. False when
    // nothing plays.
    bool GetPlayedSeconds(double& seconds);
    uint32_t GetChunkSize() const { return m_chunk; }
    uint32_t GetStreamSize() const { return m_streamSize; }
    int GetWrittenChunk() const { return m_writtenChunk; }
    CSampleStore& GetSamples() { return m_samples; }
    CAudioBuffer* GetStream() const { return m_stream; }
    CAudioBuffer* GetOneShot() const { return m_oneShot; }
    CSoundThread* GetThread() const { return m_thread.get(); }

    // Creates the stream buffer of that many seconds, its chunk size and the scratch.
    bool CreateStream(double seconds);

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    void CountLap(uint32_t cursor);
    bool FailLogged(const char* format, ...) MA_PRINTF(2, 3);
    bool PutSilence();
    bool WriteStep(uint32_t offset);
    bool RestoreLostDevice();
    // Locks size bytes at offset of the stream; false (logged) when that fails or gives back
    // fewer bytes than asked, after unlocking what was given.
    bool LockRegion(uint32_t offset, uint32_t size, uint8_t** data);
    bool UnlockRegion(uint8_t* data, uint32_t offset, uint32_t size);
    bool OpenBackend();
    void ReleaseBuffers();

    APP_SETTINGS& m_settings;
    CCrit m_crit;
    std::unique_ptr<CSoundThread> m_thread;
    CNoteManager& m_noteManager;
    CCharString m_errorText;
    std::unique_ptr<CAudioDevice> m_device;
    bool m_deviceChosen = false;
    CSampleStore m_samples;
    CAudioBuffer* m_stream = nullptr;
    CAudioBuffer* m_oneShot = nullptr;
    uint32_t m_streamSize = 0;
    bool m_playing = false;
    bool m_initialized = false;
    CNoteList m_notes;
    double m_position = 0.0;
    std::vector<uint8_t> m_scratch;
    uint32_t m_chunk = 0;
    CVarList<DEVICE_INFO> m_devices;
    int m_writtenChunk = 0;
    // The play cursor when last read and how often it came round the stream since the start.
    uint32_t m_lastCursor = 0;
    uint64_t m_laps = 0;
    float m_volume = 1.0f;
    CSoundFile m_recorder;
    WAVE_FORMAT_EXTENSIBLE m_streamFormat;
    bool m_recording = false;
    CCharString m_recordPath;
    double m_loopPeriod = 0.0;
    int m_repeatCount = 0;
    int m_repeatIndex = 0;
};

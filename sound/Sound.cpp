#include "sound/Sound.h"

#include "core/Report.h"
#include "sound/MixKernels.h"
#include "sound/SampleRoutines.h"
#include "sound/SystemDevices.h"

#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <new>
#include <thread>

namespace {
// A lost device is given this many tries, 10 ms apart, before the write step gives up; the
// next tick tries again.
constexpr int kRestoreAttempts = 100;
constexpr int kUnlockAttempts = 10;

const uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                   0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
} // namespace

WAVE_FORMAT_EXTENSIBLE GetStreamFormat() {
    WAVE_FORMAT_EXTENSIBLE format;
    format.format.formatTag = 0xFFFE;
    format.format.channels = 2;
    format.format.samplesPerSec = 44100;
    format.format.bitsPerSample = 16;
    format.format.blockAlign = 4;
    format.format.avgBytesPerSec = 176400;
    format.format.extraSize = 22;
    format.validBitsPerSample = 16;
    format.channelMask = 3;
    std::memcpy(format.subFormat, kPcmSubFormat, 16);
    return format;
}

void CSoundThread::OnCommand(int command) {
    m_sound.CheckStream();
    CWorker::OnCommand(command);
}

CSound::CSound(APP_SETTINGS& settings, CNoteManager& notes)
    : m_settings(settings), m_noteManager(notes), m_samples(notes),
      m_streamFormat(GetStreamFormat()) {}

CSound::~CSound() {
    Close();
}

bool CSound::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_errorText.FormatV(format, args);
    va_end(args);
    return false;
}

bool CSound::FailLogged(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_errorText.FormatV(format, args);
    va_end(args);
    REPORT_ERROR("%s", m_errorText.GetText());
    return false;
}

void CSound::SetDevice(std::unique_ptr<CAudioDevice> device) {
    Close();
    CCritLock lock(&m_crit, true, "CSound::SetDevice");
    m_device = std::move(device);
    m_deviceChosen = m_device != nullptr;
}

bool CSound::OpenBackend() {
    if (!m_deviceChosen)
        m_device = MakeSystemDevice(m_settings.audio.outputGuid, false);
    return m_device != nullptr;
}

bool CSound::EnumerateDevices() {
    m_devices.RemoveAll();
    const AUDIO_RESULT result = m_deviceChosen && m_device ? m_device->Enumerate(m_devices)
                                                           : ListSystemDevices(m_devices, nullptr);
    if (result != AUDIO_OK)
        return Fail("%s", AudioResultText(result));
    return true;
}

bool CSound::OpenDevice() {
    // Not under the lock: Close waits for the sound thread, which may be waiting for the lock.
    Close();
    if (!EnumerateDevices())
        return false;
    CCritLock lock(&m_crit, true, "CSound::OpenDevice");
    if (!OpenBackend())
        return Fail("Can't open device \"%s\"", m_settings.audio.outputName.GetText());
    const AUDIO_RESULT opened =
        m_device->Open(m_settings.audio.outputGuid, m_streamFormat.format.samplesPerSec,
                       m_streamFormat.format.channels);
    if (opened != AUDIO_OK) {
        REPORT_ERROR("Can't open device \"%s\": %s", m_settings.audio.outputName.GetText(),
                     AudioResultText(opened));
        return Fail("Can't open device \"%s\"", m_settings.audio.outputName.GetText());
    }
    // The user's recordings stand in for shipped samples of the same name.
    if (!m_samples.LoadAllSets(m_settings.soundPath, m_settings.folders.GetUser(FOLDER_SOUND)))
        return Fail("%s", m_samples.GetErrorText().GetText());
    if (!CreateStream(STREAM_SECONDS))
        return false;
    m_thread = std::make_unique<CSoundThread>(*this);
    if (!m_thread->Start()) {
        m_thread.reset();
        return FailLogged("Can't start SoundThread");
    }
    m_thread->SetPriority(SOUND_THREAD_PRIORITY);
    const uint32_t oneShotBytes = SecondsToBytes(ONE_SHOT_SECONDS, m_streamFormat.format);
    if (m_device->CreateBuffer(oneShotBytes, &m_oneShot) != AUDIO_OK)
        return false;
    m_initialized = true;
    return true;
}

bool CSound::CreateStream(double seconds) {
    CCritLock lock(&m_crit, true, "CSound::CreateStream");
    if (m_stream) {
        m_stream->Stop();
        m_device->ReleaseBuffer(m_stream);
        m_stream = nullptr;
    }
    m_scratch.clear();
    m_scratch.shrink_to_fit();
    m_streamSize = 0;
    m_chunk = 0;
    if (!m_device)
        return FailLogged("Can't create stream buffer");
    const uint32_t size = SecondsToBytes(seconds, m_streamFormat.format);
    const uint32_t chunk = size / 3;
    const AUDIO_RESULT result = m_device->CreateBuffer(size, &m_stream);
    if (result != AUDIO_OK) {
        m_stream = nullptr;
        REPORT_ERROR("Can't create stream buffer: %s", AudioResultText(result));
        return Fail("Can't create stream buffer");
    }
    m_stream->SetFrequency(m_streamFormat.format.samplesPerSec);
    try {
        m_scratch.assign(static_cast<size_t>(chunk) * 2, 0);
    } catch (const std::bad_alloc&) {
        return FailLogged("Can't create stream buffer");
    }
    m_streamSize = size;
    m_chunk = chunk;
    return true;
}

bool CSound::SetNotes(const CNoteList& notes) {
    CCritLock lock(&m_crit, true, "CSound::SetNotes");
    m_notes = notes;
    return true;
}

int32_t CSound::GetAttenuation(float volume) {
    if (volume < 0.05f)
        return -10000;
    const float level = static_cast<float>(std::log10(volume)) * 3322.0f;
    int32_t attenuation = static_cast<int32_t>(level);
    if (attenuation < -10000)
        attenuation = -10000;
    if (attenuation > 0)
        attenuation = 0;
    return attenuation;
}

bool CSound::SetVolume(float volume) {
    CCritLock lock(&m_crit, true, "CSound::SetVolume");
    m_volume = volume;
    if (!m_stream)
        return true;
    const AUDIO_RESULT result = m_stream->SetVolume(GetAttenuation(volume));
    if (result != AUDIO_OK)
        return FailLogged("Can't set volume");
    return true;
}

bool CSound::Start(const CNoteList& notes, double loopPeriod, int repeatCount,
                   const char* recordPath) {
    CCritLock lock(&m_crit, true, "CSound::Start");
    // Checked before the recording is opened, so that a failed start leaves no file behind.
    if (!m_initialized)
        return Fail("Device is not initialized.\nPlease go to Audio Settings and select the "
                    "device");
    if (m_recording) {
        m_recorder.Close();
        m_recording = false;
    }
    if (recordPath && *recordPath) {
        m_recordPath = recordPath;
        if (!m_recorder.Open(recordPath, m_streamFormat.format))
            return Fail("%s", m_recorder.GetErrorText().GetText());
        m_recording = true;
    }
    m_loopPeriod = loopPeriod;
    m_repeatCount = repeatCount;
    m_repeatIndex = 0;
    m_notes = notes;
    return StartStream();
}

bool CSound::PutSilence() {
    CCritLock lock(&m_crit, true, "CSound::PutSilence");
    void* part1 = nullptr;
    void* part2 = nullptr;
    uint32_t bytes1 = 0, bytes2 = 0;
    if (m_stream->Lock(0, m_streamSize, &part1, &bytes1, &part2, &bytes2) != AUDIO_OK)
        return FailLogged("Can't lock the stream buffer");
    std::memset(part1, 0, bytes1);
    if (part2)
        std::memset(part2, 0, bytes2);
    if (m_stream->Unlock(part1, bytes1, part2, bytes2) != AUDIO_OK)
        return FailLogged("Can't unlock the stream buffer");
    return true;
}

bool CSound::StartStream() {
    CCritLock lock(&m_crit, true, "CSound::StartStream");
    if (!m_initialized || !m_stream)
        return Fail("Device is not initialized.\nPlease go to Audio Settings and select the "
                    "device");
    m_position = 0.0;
    // A stream still playing from an earlier start is halted before it is rewritten.
    m_stream->Stop();
    if (!PutSilence())
        return false;
    m_stream->SetCurrentPosition(0);
    if (!WriteStep(0))
        return false;
    m_writtenChunk = 1;
    if (m_stream->Play(true) != AUDIO_OK)
        return FailLogged("Can't play the stream");
    if (!SetVolume(m_volume))
        return false;
    m_playing = true;
    return true;
}

bool CSound::CheckStream() {
    CCritLock lock(&m_crit, true, "CSound::CheckStream");
    if (!m_initialized)
        return false;
    if (!m_playing)
        return true;
    uint32_t cursor = 0;
    if (m_stream->GetCurrentPosition(&cursor) != AUDIO_OK)
        return FailLogged("Can't get buffer position");
    const uint32_t k = m_chunk;
    if (cursor < k) {
        if (m_writtenChunk != 2) {
            if (!WriteStep(k))
                return false;
            m_writtenChunk = 2;
        }
    } else if (cursor < 2 * k) {
        if (m_writtenChunk != 3) {
            if (!WriteStep(2 * k))
                return false;
            m_writtenChunk = 3;
        }
    } else if (m_writtenChunk != 1) {
        if (!WriteStep(0))
            return false;
        m_writtenChunk = 1;
    }
    return true;
}

bool CSound::RestoreLostDevice() {
    if (!m_device->IsLost())
        return true;
    Message("Sound device lost");
    for (int attempt = 0; attempt < kRestoreAttempts; ++attempt) {
        if (m_device->Restore() == AUDIO_OK && !m_device->IsLost())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return FailLogged("Sound device lost");
}

bool CSound::LockRegion(uint32_t offset, uint32_t size, uint8_t** data) {
    void* part1 = nullptr;
    void* part2 = nullptr;
    uint32_t bytes1 = 0, bytes2 = 0;
    if (m_stream->Lock(offset, size, &part1, &bytes1, &part2, &bytes2) != AUDIO_OK)
        return FailLogged("Can't lock the stream buffer: offset=%d, size=%d",
                          static_cast<int>(offset), static_cast<int>(size));
    if (bytes1 < size) {
        FailLogged("Can't lock enough buffer data");
        m_stream->Unlock(part1, bytes1, part2, bytes2);
        return false;
    }
    *data = static_cast<uint8_t*>(part1);
    return true;
}

bool CSound::UnlockRegion(uint8_t* data, uint32_t offset, uint32_t size) {
    for (int attempt = 0; attempt < kUnlockAttempts; ++attempt) {
        if (m_stream->Unlock(data, size, nullptr, 0) == AUDIO_OK)
            return true;
        FailLogged("Can't unlock the stream buffer: offset=%d, size=%d", static_cast<int>(offset),
                   static_cast<int>(size));
    }
    return false;
}

bool CSound::WriteStep(uint32_t offset) {
    if (!RestoreLostDevice())
        return false;
    const uint32_t k = m_chunk;
    bool mixed = false;
    if (!Fill(m_scratch.data(), k, k, &mixed))
        return false;

    uint8_t* region = nullptr;
    if (!LockRegion(offset, k, &region))
        return false;
    // The region holds the ring-out of the previous step; this step's window is added to it.
    SumInto(reinterpret_cast<int16_t*>(region), reinterpret_cast<const int16_t*>(m_scratch.data()),
            k / 2);
    if (m_recording && !m_recorder.Write(k, region))
        REPORT_ERROR("Can't record the sound: %s", m_recorder.GetErrorText().GetText());
    if (!UnlockRegion(region, offset, k))
        return false;
    // A step without notes does not record its (silent) ring-out here: the next step records
    // it as part of its own chunk, and a second copy would shift the rest of the recording.

    uint32_t next = offset + k;
    if (next >= m_streamSize)
        next = 0;
    if (!LockRegion(next, k, &region))
        return false;
    std::memcpy(region, m_scratch.data() + k, k);
    return UnlockRegion(region, next, k);
}

bool CSound::Fill(uint8_t* buffer, uint32_t size, uint32_t room, bool* mixed) {
    const WAVE_FORMAT& format = m_streamFormat.format;
    const double window = BytesToSeconds(size, format);
    std::memset(buffer, 0, static_cast<size_t>(size) + room);
    *mixed = false;
    const CNoteList& notes = m_notes;
    for (;;) {
        const double base = m_repeatIndex * m_loopPeriod;
        const int count = notes.GetCount();
        for (int i = 0; i < count; ++i) {
            const CNote& note = notes[i];
            if (!note.HasTime())
                continue;
            const double t = base + note.m_time;
            if (!(m_position <= t && t < m_position + window))
                continue;
            const CSoundInfo* sample = nullptr;
            if (!m_samples.FindSound(note, sample) || !sample)
                return FailLogged("Can't get instrument %d", static_cast<int>(note.m_thing));
            const uint32_t offset = SecondsToBytes(t - m_position, format);
            if (offset > size)
                return FailLogged("Offset is too high: Offset=%d, Size=%d",
                                  static_cast<int>(offset), static_cast<int>(size));
            if (!MixNote(buffer + offset, size - offset + room, *sample, note))
                return false;
            *mixed = true;
        }
        if (m_loopPeriod > 0.0 && (m_repeatIndex + 1) * m_loopPeriod < m_position + window) {
            ++m_repeatIndex;
            if (m_repeatIndex >= m_repeatCount) {
                *mixed = false;
                m_position += window;
                return true;
            }
            continue;
        }
        break;
    }
    m_position += window;
    return true;
}

bool CSound::MixNote(uint8_t* destination, uint32_t room, const CSoundInfo& sample,
                     const CNote& note) {
    if (room == 0)
        return FailLogged("Mixng zero sizes");
    uint32_t length = sample.size;
    if (note.HasDuration()) {
        const uint32_t bytes = SecondsToBytes(note.m_duration, sample.format);
        if (bytes < length)
            length = bytes;
    }
    length = 2 * FindZeroCrossing(sample, length / 2);

    const int16_t* values = sample.GetValues();
    if (!values)
        return true;
    const uint32_t channels = sample.format.channels ? sample.format.channels : 1;
    const uint32_t valueCount = sample.GetValueCount();
    if (length > valueCount * 2)
        length = valueCount * 2;
    // Frames to mix: while both the room and the sample's first channel last.
    uint32_t frames = room / 4;
    const uint32_t sampleFrames = (length / 2 + channels - 1) / channels;
    if (sampleFrames < frames)
        frames = sampleFrames;

    // The pan scales one side; the other keeps the value (a factor of 1 leaves it exact).
    const float volume = note.m_volume;
    const float pan = note.m_pan;
    const float leftFactor = pan > 0.0f ? 1.0f - pan : 1.0f;
    const float rightFactor = pan < 0.0f ? 1.0f + pan : 1.0f;
    auto* out = reinterpret_cast<int16_t*>(destination);
    MixFrames(out, values, channels, frames, volume, leftFactor, rightFactor);
    return true;
}

void CSound::SumInto(int16_t* target, const int16_t* source, size_t count) {
    SumValues(target, source, count);
}

uint32_t CSound::TrailingSound(const uint8_t* buffer, uint32_t size) {
    const auto* frames = reinterpret_cast<const uint32_t*>(buffer);
    for (uint32_t count = size / 4; count > 0; --count) {
        if (frames[count - 1] != 0)
            return count * 4;
    }
    return 0;
}

bool CSound::Stop() {
    CCritLock lock(&m_crit, true, "CSound::Stop");
    // Mutes, but the master volume stays 0.0 until the next Start's caller sets it again.
    SetVolume(0.0f);
    if (m_stream)
        m_stream->Stop();
    bool closed = true;
    if (m_recording) {
        closed = m_recorder.Close();
        m_recording = false;
        if (!closed)
            Fail("%s", m_recorder.GetErrorText().GetText());
    }
    m_playing = false;
    return closed;
}

void CSound::ReleaseBuffers() {
    if (!m_device)
        return;
    if (m_oneShot) {
        m_oneShot->Stop();
        m_device->ReleaseBuffer(m_oneShot);
        m_oneShot = nullptr;
    }
    if (m_stream) {
        m_stream->Stop();
        m_device->ReleaseBuffer(m_stream);
        m_stream = nullptr;
    }
}

bool CSound::Close() {
    std::unique_ptr<CSoundThread> thread;
    {
        CCritLock lock(&m_crit, true, "CSound::Close");
        m_initialized = false;
        thread = std::move(m_thread);
    }
    // The thread may be waiting for the lock in CheckStream; it finds the engine closed and
    // returns, so it is stopped outside the lock.
    if (thread)
        thread->Stop();
    thread.reset();

    CCritLock lock(&m_crit, true, "CSound::Close");
    if (m_recording) {
        m_recorder.Close();
        m_recording = false;
    }
    m_playing = false;
    ReleaseBuffers();
    m_scratch.clear();
    m_scratch.shrink_to_fit();
    m_streamSize = 0;
    m_chunk = 0;
    m_writtenChunk = 0;
    if (m_device)
        m_device->Close();
    if (!m_deviceChosen)
        m_device.reset();
    m_samples.Clear();
    return true;
}

bool CSound::PlaySample(const CSoundInfo& sample) {
    CCritLock lock(&m_crit, true, "CSound::PlaySample");
    if (!m_oneShot)
        return Fail("Device is not initialized.\nPlease go to Audio Settings and select the "
                    "device");
    m_oneShot->Stop();
    void* part1 = nullptr;
    void* part2 = nullptr;
    uint32_t bytes1 = 0, bytes2 = 0;
    const uint32_t size = m_oneShot->GetSize();
    if (m_oneShot->Lock(0, size, &part1, &bytes1, &part2, &bytes2) != AUDIO_OK)
        return Fail("Can't lock sound buffer");
    const uint32_t copied = sample.size < bytes1 ? sample.size : bytes1;
    if (copied > 0 && sample.GetBytes())
        std::memcpy(part1, sample.GetBytes(), copied);
    std::memset(static_cast<uint8_t*>(part1) + copied, 0, bytes1 - copied);
    m_oneShot->Unlock(part1, bytes1, part2, bytes2);
    // From the start, also when an earlier sample was stopped half-way.
    m_oneShot->SetCurrentPosition(0);
    if (m_oneShot->Play(false) != AUDIO_OK)
        return Fail("Can't play sound buffer");
    return true;
}

bool CSound::OnTimer(int id) {
    if (id == SOUND_TIMER_ID && m_thread)
        m_thread->Command(SOUND_COMMAND_CHECK, false);
    return true;
}

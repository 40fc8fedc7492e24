#include "sound/SoundCapture.h"

#include "core/Report.h"
#include "sound/SampleRoutines.h"
#include "sound/SystemDevices.h"
#include "theory/NoteManager.h"

#include <portaudio.h>

#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <new>

namespace {
constexpr const char* kNotInitialized =
    "Device is not initialized.\nPlease go to Audio Settings and select the device";

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

bool CompleteInputNote(CNoteManager& manager, CNote& note) {
    if (!note.HasPitch())
        return manager.CompleteNote(note);
    const double heard = GetHeardFrequency(note);
    const bool filled = manager.GetMidiNote(note.m_midi, note);
    SetHeardFrequency(note, heard);
    return filled;
}

void CSoundCaptureThread::OnCommand(int command) {
    m_capture.CheckBuffer();
    CWorker::OnCommand(command);
}

CSoundCapture::CSoundCapture(const AUDIO_SETTINGS& audio, NOTE_POSTER post)
    : m_audio(audio), m_post(std::move(post)) {}

CSoundCapture::~CSoundCapture() {
    Close();
}

bool CSoundCapture::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_errorText.FormatV(format, args);
    va_end(args);
    return false;
}

bool CSoundCapture::FailLogged(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_errorText.FormatV(format, args);
    va_end(args);
    REPORT_ERROR("%s", m_errorText.GetText());
    return false;
}

CCharString CSoundCapture::GetErrorText() {
    CCritLock lock(&m_crit, true, "CSoundCapture::GetErrorText");
    return m_errorText;
}

double CSoundCapture::Now() const {
    return m_clock ? m_clock() : SteadySeconds();
}

void CSoundCapture::SetDevice(std::unique_ptr<CAudioDevice> device) {
    Close();
    CCritLock lock(&m_crit, true, "CSoundCapture::SetDevice");
    m_device = std::move(device);
    m_deviceChosen = m_device != nullptr;
}

bool CSoundCapture::SetFormat(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels) {
    Close();
    m_format = WAVE_FORMAT();
    m_format.formatTag = WAVE_FORMAT_PCM;
    m_format.channels = channels;
    m_format.samplesPerSec = samplesPerSec;
    m_format.bitsPerSample = bitsPerSample;
    m_format.blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
    m_format.avgBytesPerSec = m_format.blockAlign * samplesPerSec;
    return Open();
}

bool CSoundCapture::EnumerateDevices() {
    m_devices.RemoveAll();
    CVarList<DEVICE_INFO> outputs;
    const AUDIO_RESULT result = m_deviceChosen && m_device
                                    ? m_device->Enumerate(outputs, &m_devices)
                                    : ListSystemDevices(outputs, &m_devices);
    if (result != AUDIO_OK)
        return Fail("Can't enumerate Sound Capture devices: %s", AudioResultText(result));
    return true;
}

bool CSoundCapture::Open() {
    if (!EnumerateDevices())
        return false;
    CCritLock lock(&m_crit, true, "CSoundCapture::Open");
    // An empty name is the default device's; the message should still name something.
    const char* name =
        m_audio.inputName.IsEmpty() ? "Default input device" : m_audio.inputName.GetText();
    if (!m_deviceChosen)
        m_device = MakeSystemDevice(m_audio.inputGuid, true);
    if (m_format.blockAlign == 0 || m_format.bitsPerSample != 16)
        return Fail("Can't open device \"%s\"", name);
    const AUDIO_RESULT opened =
        m_device->OpenInput(m_audio.inputGuid, m_format.samplesPerSec, m_format.channels);
    if (opened != AUDIO_OK) {
        REPORT_ERROR("Can't open device \"%s\": %s", name, AudioResultText(opened));
        return Fail("Can't open device \"%s\"", name);
    }
    m_bufferSize = SecondsToBytes(CAPTURE_SECONDS, m_format);
    try {
        m_block.assign(m_bufferSize, 0);
    } catch (const std::bad_alloc&) {
        CloseDevice();
        return Fail("Can't create Sound Capture device: %s", AudioResultText(paInsufficientMemory));
    }
    m_detector = std::make_unique<CPitchDetector>();
    if (!m_detector->SetFormat(m_format, m_detectionMode))
        REPORT_ERROR("%s", m_detector->GetErrorText().GetText());
    m_detector->SetGate(m_audio.captureLevel1, m_audio.captureLevel2);
    const AUDIO_RESULT created = m_device->CreateCaptureBuffer(m_bufferSize, &m_buffer);
    if (created != AUDIO_OK) {
        CloseDevice();
        return Fail("Can't create Sound Capture device: %s", AudioResultText(created));
    }
    m_thread = std::make_unique<CSoundCaptureThread>(*this);
    m_levelNote.Reset();
    m_readPosition = 0;
    m_blockFill = 0;
    m_initialized.store(true);
    return true;
}

bool CSoundCapture::GetReady(const char* recordPath, double mixStart) {
    CCritLock lock(&m_crit, true, "CSoundCapture::GetReady");
    m_mixStart = mixStart;
    if (!m_initialized.load())
        return Fail("%s", kNotInitialized);
    if (!Stop()) {
        REPORT_ERROR("%s", m_errorText.GetText());
        return false;
    }
    // The thread before the recording: a GetReady that fails must not leave a file behind or
    // close an earlier one of the same name.
    if (!m_thread || !m_thread->Start())
        return Fail("Can't start SoundCaptureThread");
    m_recordPath = recordPath ? recordPath : "";
    m_recording = false;
    if (!m_recordPath.IsEmpty()) {
        m_recorder = std::make_unique<CSoundFile>();
        if (!m_recorder->Open(m_recordPath, m_format)) {
            Fail("%s", m_recorder->GetErrorText().GetText());
            m_recorder.reset();
            m_thread->Stop();
            return false;
        }
        m_recording = true;
    }
    m_total = 0;
    m_blockFill = 0;
    m_levelNote.Reset();
    m_hasFirstData = false;
    m_measuredRate = 0;
    uint32_t position = 0;
    const AUDIO_RESULT result = m_buffer->GetCurrentPosition(&position);
    if (result != AUDIO_OK) {
        FailLogged("Can't get the capture buffer position: %s", AudioResultText(result));
        const CCharString words = m_errorText;
        Close();
        m_errorText = words;
        return false;
    }
    m_readPosition = position;
    m_ready = true;
    return true;
}

bool CSoundCapture::Start(bool detectionMode) {
    CCritLock lock(&m_crit, true, "CSoundCapture::Start");
    m_detectionMode = detectionMode;
    if (m_detector && m_detector->SetFormat(m_format, detectionMode))
        m_detector->SetGate(m_audio.captureLevel1, m_audio.captureLevel2);
    if (!m_ready)
        return Fail("Not ready, call GetReady");
    if (!m_initialized.load())
        return Fail("%s", kNotInitialized);
    const AUDIO_RESULT result = m_buffer->Start();
    if (result != AUDIO_OK)
        return FailLogged("Can't start recording: %s", AudioResultText(result));
    m_capturing.store(true);
    m_startTime = Now();
    return true;
}

bool CSoundCapture::OnTimer(int id) {
    if (id == CAPTURE_TIMER_ID && m_thread)
        m_thread->Command(CAPTURE_COMMAND_CHECK, false);
    return true;
}

bool CSoundCapture::CheckBuffer() {
    CCritLock lock(&m_crit, false, "CSoundCapture::CheckBuffer");
    // The user-interface thread holds the lock only briefly, except in Stop, which waits for
    // this thread to end and then drains itself: never wait for it here.
    if (!lock.TryLock())
        return true;
    if (!m_initialized.load() || !m_capturing.load())
        return true;
    uint32_t cursor = 0;
    const AUDIO_RESULT result = m_buffer->GetCurrentPosition(&cursor);
    if (result != AUDIO_OK) {
        FailLogged("Can't get the capture buffer position: %s", AudioResultText(result));
        CloseDevice();
        return false;
    }
    int64_t available = static_cast<int64_t>(cursor) - m_readPosition;
    if (available < 0)
        available += m_bufferSize;
    available -= available % m_format.blockAlign;
    if (available == 0)
        return true;

    void* part1 = nullptr;
    void* part2 = nullptr;
    uint32_t bytes1 = 0, bytes2 = 0;
    const AUDIO_RESULT locked = m_buffer->Lock(m_readPosition, static_cast<uint32_t>(available),
                                               &part1, &bytes1, &part2, &bytes2);
    if (locked != AUDIO_OK)
        return FailLogged("Can't lock the capture buffer: %s", AudioResultText(locked));
    const uint32_t n = bytes1 + bytes2;
    if (!m_hasFirstData) {
        m_firstDataTime = Now() - BytesToSeconds(n, m_format);
        m_hasFirstData = true;
    }
    m_readPosition += n;
    if (m_readPosition >= m_bufferSize)
        m_readPosition -= m_bufferSize;
    std::memcpy(m_block.data() + m_blockFill, part1, bytes1);
    if (part2 && bytes2)
        std::memcpy(m_block.data() + m_blockFill + bytes1, part2, bytes2);
    m_blockFill += n;
    m_total += n;
    bool ok = true;
    const AUDIO_RESULT unlocked = m_buffer->Unlock(part1, bytes1, part2, bytes2);
    if (unlocked != AUDIO_OK)
        ok = FailLogged("Can't unlock the capture buffer: %s", AudioResultText(unlocked));
    return ProcessBlock(n) && ok;
}

bool CSoundCapture::ProcessBlock(uint32_t bytes) {
    const uint8_t* fresh = m_block.data() + m_blockFill - bytes;
    m_levelNote.Reset();
    m_elapsed = Now() - m_startTime;
    m_levelNote.m_time = m_elapsed;
    m_levelNote.m_volume = GetPeak(fresh, bytes, m_format);
    double frequency = 0.0;
    int midi = MIDI_NO_PITCH;
    if (m_detector)
        m_detector->Process(fresh, bytes, frequency, midi);
    SetHeardFrequency(m_levelNote, frequency);
    m_levelNote.m_midi = midi;
    if (m_post)
        m_post(new CNote(m_levelNote));

    bool ok = true;
    if (m_recording && m_recorder) {
        const double seconds = Now() - m_firstDataTime;
        if (seconds > 0.0)
            m_measuredRate = static_cast<uint32_t>(
                std::lround((static_cast<double>(m_total) / m_format.blockAlign) / seconds));
        const uint32_t nominal = m_format.samplesPerSec;
        if (nominal > m_measuredRate) {
            if (!StretchToRate(m_block.data(), m_blockFill, m_format, m_measuredRate, nominal) &&
                !m_slowClockReported) {
                REPORT_ERROR("Capture clock at %u of %u frames a second; recording left as heard",
                             m_measuredRate, nominal);
                m_slowClockReported = true;
            }
        } else if (nominal < m_measuredRate) {
            ShrinkToRate(m_block.data(), m_blockFill, m_format, m_measuredRate, nominal);
        }
        if (!m_recorder->Write(m_blockFill, m_block.data()))
            ok = Fail("%s", m_recorder->GetErrorText().GetText());
    }
    m_blockFill = 0;
    return ok;
}

void CSoundCapture::ShrinkToRate(uint8_t* data, uint32_t& size, const WAVE_FORMAT& format,
                                 uint32_t r, uint32_t r2) {
    const uint32_t align = format.blockAlign;
    const uint32_t channels = format.channels;
    if (align == 0 || channels == 0 || channels * 2 > align || r2 == 0 || r2 >= r)
        return;
    const uint32_t frames = size / align;
    if (frames == 0)
        return;
    const float step = static_cast<float>(r) / static_cast<float>(r2);
    float a = step;
    uint32_t begin = 0;
    uint32_t out = 0;
    while (begin < frames) {
        uint32_t end = static_cast<uint32_t>(a + 0.5f);
        if (end > frames)
            end = frames;
        a += step;
        if (end <= begin)
            continue;
        for (uint32_t c = 0; c < channels; ++c) {
            int32_t sum = 0;
            for (uint32_t f = begin; f < end; ++f) {
                int16_t value;
                std::memcpy(&value, data + static_cast<size_t>(f) * align + 2 * c, 2);
                sum += value;
            }
            const auto average = static_cast<int16_t>(sum / static_cast<int32_t>(end - begin));
            std::memcpy(data + static_cast<size_t>(out) * align + 2 * c, &average, 2);
        }
        ++out;
        begin = end;
    }
    std::memset(data + static_cast<size_t>(out) * align, 0,
                static_cast<size_t>(frames - out) * align);
    size = out * align;
}

bool CSoundCapture::StretchToRate(uint8_t*, uint32_t& size, const WAVE_FORMAT& format, uint32_t r,
                                  uint32_t r2) {
    (void)size;
    (void)format;
    return r > 0 && r2 / r < 2;
}

bool CSoundCapture::Stop() {
    CCritLock lock(&m_crit, true, "CSoundCapture::Stop");
    if (!m_initialized.load() || !m_capturing.load())
        return true;
    bool ok = true;
    if (m_thread && !m_thread->Stop())
        ok = Fail("Can't stop SoundCaptureThread");
    const AUDIO_RESULT result = m_buffer->Stop();
    if (result != AUDIO_OK)
        ok = FailLogged("Can't stop recording: %s", AudioResultText(result));
    if (!CheckBuffer())
        ok = false;
    m_capturing.store(false);
    if (m_recorder) {
        if (!m_recorder->Close())
            ok = Fail("%s", m_recorder->GetErrorText().GetText());
        m_recorder.reset();
    }
    m_recording = false;
    m_ready = false;
    return ok;
}

void CSoundCapture::CloseDevice() {
    m_initialized.store(false);
    m_capturing.store(false);
    m_ready = false;
    if (m_device) {
        if (m_buffer) {
            m_buffer->Stop();
            m_device->ReleaseCaptureBuffer(m_buffer);
            m_buffer = nullptr;
        }
        m_device->CloseInput();
        if (!m_deviceChosen)
            m_device.reset();
    }
    m_block.clear();
    m_block.shrink_to_fit();
    m_blockFill = 0;
    m_detector.reset();
    if (m_recorder) {
        // What was recorded so far is kept.
        m_recorder->Close();
        m_recorder.reset();
    }
    m_recording = false;
}

bool CSoundCapture::Close() {
    std::unique_ptr<CSoundCaptureThread> thread;
    {
        CCritLock lock(&m_crit, true, "CSoundCapture::Close");
        m_initialized.store(false);
        thread = std::move(m_thread);
    }
    if (thread)
        thread->Stop();
    thread.reset();
    CCritLock lock(&m_crit, true, "CSoundCapture::Close");
    CloseDevice();
    return true;
}

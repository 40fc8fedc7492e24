#include "sound/Render.h"

#include "core/Report.h"
#include "sound/SampleRoutines.h"
#include "sound/Sound.h"
#include "sound/SoundFile.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

bool CSound::RenderToWave(const CNoteList& notes, const char* path) {
    CCritLock lock(&m_crit, true, "CSound::RenderToWave");
    // The rendering uses the stream's notes, position and scratch.
    if (m_playing)
        Stop();
    if (m_chunk == 0 || m_scratch.size() < static_cast<size_t>(m_chunk) * 2)
        return FailLogged("Mixng zero sizes");
    CSoundFile file;
    if (!file.Open(path, m_streamFormat.format))
        return Fail("%s", file.GetErrorText().GetText());

    const uint32_t k = m_chunk;
    std::vector<uint8_t> accumulator;
    try {
        accumulator.assign(k, 0);
    } catch (const std::bad_alloc&) {
        file.Close();
        return FailLogged("Can't allocate %u bytes", k);
    }
    m_notes = notes;
    m_loopPeriod = 0.0;
    m_repeatCount = 0;
    m_repeatIndex = 0;
    m_position = 0.0;

    bool mixed = false;
    if (!Fill(m_scratch.data(), k, k, &mixed)) {
        file.Close();
        return false;
    }
    auto* sum = reinterpret_cast<int16_t*>(accumulator.data());
    for (;;) {
        SumInto(sum, reinterpret_cast<const int16_t*>(m_scratch.data()), k / 2);
        const uint32_t count = mixed ? k : TrailingSound(accumulator.data(), k);
        if (!file.Write(count, accumulator.data())) {
            Fail("%s", file.GetErrorText().GetText());
            file.Close();
            return false;
        }
        std::memcpy(accumulator.data(), m_scratch.data() + k, k);
        if (!mixed) {
            // A window without a note start ends the song; its ring-out is cut at the last
            // sound.
            const uint32_t tail = TrailingSound(accumulator.data(), k);
            if (!file.Write(tail, accumulator.data()) || !file.Close())
                return Fail("%s", file.GetErrorText().GetText());
            return true;
        }
        if (!Fill(m_scratch.data(), k, k, &mixed)) {
            file.Close();
            return false;
        }
    }
}

bool CSound::MixFiles(const char* a, double start, const char* b, const char* out) {
    CSoundInfo first;
    CSoundInfo second;
    CSoundFile reader;
    if (!reader.Read(a, first))
        return Fail("Can't read file (%s): %s", a, reader.GetErrorText().GetText());
    if (!reader.Read(b, second))
        return Fail("Can't read file (%s): %s", b, reader.GetErrorText().GetText());
    if (first.format.channels != second.format.channels ||
        first.format.samplesPerSec != second.format.samplesPerSec ||
        first.format.bitsPerSample != second.format.bitsPerSample)
        return Fail("Formats don't match");
    if (first.format.bitsPerSample != 16)
        return Fail("Formats don't match");
    const uint32_t offset = SecondsToBytes(start, first.format);
    const uint32_t end = first.size < second.size ? first.size : second.size;
    // Nothing would be mixed; the caller deletes both recordings after a success, so this
    // must fail to keep them.
    if (end <= offset)
        return Fail("Nothing to mix: the start at %0.2f s lies beyond the end of the shorter "
                    "recording (%0.2f s)",
                    start, BytesToSeconds(end, first.format));

    CSoundInfo mixed;
    mixed.format = first.format;
    if (!mixed.Allocate(end - offset))
        return Fail("Can't save mixed file (%s): %s", out, "out of memory");
    const int16_t* x = first.GetValues() + offset / 2;
    const int16_t* y = second.GetValues() + offset / 2;
    int16_t* z = mixed.GetValues();
    const uint32_t values = (end - offset) / 2;
    std::memcpy(z, x, static_cast<size_t>(values) * 2);
    SumInto(z, y, values);
    CSoundFile writer;
    if (!writer.Save(out, mixed))
        return Fail("Can't save mixed file (%s): %s", out, writer.GetErrorText().GetText());
    return true;
}

namespace {

// Reads a file, changes the sample (failing with failText) and saves it to out.
template <typename CHANGE>
bool ChangeFile(const char* path, const char* out, CHANGE change, const char* failText,
                CCharString& errorText) {
    CSoundInfo sample;
    CSoundFile file;
    if (!file.Read(path, sample)) {
        errorText.Format("Can't read file (%s): %s", path, file.GetErrorText().GetText());
        return false;
    }
    if (!change(sample)) {
        errorText = failText;
        return false;
    }
    if (!file.Save(out, sample)) {
        errorText.Format("Can't save changed file (%s): %s", out, file.GetErrorText().GetText());
        return false;
    }
    return true;
}

} // namespace

bool NormalizeFile(const char* path, float level, CCharString& errorText) {
    return ChangeFile(
        path, path, [level](CSoundInfo& sample) { return Normalize(sample, level); },
        "Can't scale the volume", errorText);
}

bool CutTrailingSilence(const char* path, CCharString& errorText) {
    return ChangeFile(
        path, path,
        [](CSoundInfo& sample) {
            if (sample.format.channels != 2 || sample.format.bitsPerSample != 16)
                return false;
            sample.size = CSound::TrailingSound(sample.GetBytes(), sample.size);
            return true;
        },
        "Can't cut the silence: not a 16-bit stereo file", errorText);
}

bool CSongRenderer::RenderToWave(const CNoteList& notes, const char* path) {
    if (!m_sound.RenderToWave(notes, path)) {
        m_errorText = m_sound.GetErrorText();
        return false;
    }
    return CutTrailingSilence(path, m_errorText);
}

bool Trim(CSoundInfo& sample, float threshold, float longest) {
    if (sample.format.bitsPerSample != 16)
        return false;
    int16_t* values = sample.GetValues();
    uint32_t count = sample.GetValueCount();
    if (!values || count == 0)
        return true;
    const auto level = static_cast<int16_t>(threshold * 32767.0);
    uint32_t first = 0;
    while (first < count && values[first] < level)
        ++first;
    if (first == count)
        return true;
    uint32_t start = FindZeroCrossing(sample, first);
    // Digital silence never crosses zero: the wave starts at the last zero before the swing.
    for (uint32_t k = first; k-- > start;)
        if (values[k] == 0) {
            start = k;
            break;
        }
    if (start > 0) {
        std::memmove(values, values + start, static_cast<size_t>(count - start) * 2);
        count -= start;
        sample.size = count * 2;
    }
    const uint32_t longestBytes = SecondsToBytes(longest, sample.format);
    if (longestBytes < sample.size) {
        sample.size = longestBytes;
        count = sample.size / 2;
    }
    const uint32_t end = FindZeroCrossing(sample, count);
    if (end > 0)
        sample.size = end * 2;
    return true;
}

bool TrimFile(const char* path, float threshold, float longest, const char* out,
              CCharString& errorText) {
    return ChangeFile(
        path, out && *out ? out : path,
        [threshold, longest](CSoundInfo& sample) { return Trim(sample, threshold, longest); },
        "Can't trim the sound", errorText);
}

CVarList<GEN_HARMONIC> GetDefaultHarmonics() {
    CVarList<GEN_HARMONIC> rows;
    for (const GEN_HARMONIC& row :
         {GEN_HARMONIC{0.25, 0.6, -0.6}, GEN_HARMONIC{0.5, 0.6, 0.6}, GEN_HARMONIC{2.0, 0.6, 0.3},
          GEN_HARMONIC{3.0, 0.6, -0.9}, GEN_HARMONIC{4.0, 0.6, 0.9}})
        rows.Add(row);
    return rows;
}

CVarList<GEN_SOUND_INFO> MakeTones(const GEN_BASE_TONE& fields,
                                   const CVarList<GEN_HARMONIC>& harmonics) {
    GEN_SOUND_INFO base;
    base.frequency = fields.frequency;
    base.peak = GEN_BASE_PEAK;
    base.pan = 0.0;
    base.attack = fields.attack;
    base.decay = fields.decay;
    base.sustain = fields.sustain;
    base.release = fields.release;
    base.sustainStart = fields.sustainFrom * base.peak;
    base.sustainEnd = fields.sustainTo * base.peak;
    CVarList<GEN_SOUND_INFO> tones;
    tones.Add(base);
    for (const GEN_HARMONIC& row : harmonics) {
        GEN_SOUND_INFO tone = base;
        tone.frequency = base.frequency * row.multiplier;
        tone.peak = base.peak * row.volume;
        tone.sustainStart = base.sustainStart * row.volume;
        tone.sustainEnd = base.sustainEnd * row.volume;
        tone.pan = row.pan;
        tones.Add(tone);
    }
    return tones;
}

CVarList<GEN_SOUND_INFO> GetDefaultTones() {
    return MakeTones(GEN_BASE_TONE{}, GetDefaultHarmonics());
}

CCharString CGenerator::GetOutputPath() const {
    CCharString path;
    path.Format("%sGenerated.wav", m_settings.wavePath.GetText());
    return path;
}

bool CGenerator::Generate(CVarList<GEN_SOUND_INFO>& tones, CSoundInfo& sample) {
    if (tones.IsEmpty()) {
        m_errorText = "No tone to generate";
        return false;
    }
    const WAVE_FORMAT& format = sample.format;
    if (format.samplesPerSec == 0 || format.bitsPerSample != 16 ||
        (format.channels != 1 && format.channels != 2) || format.blockAlign == 0) {
        m_errorText = "Not a PCM wave format";
        return false;
    }
    const double rate = format.samplesPerSec;
    for (GEN_SOUND_INFO& tone : tones) {
        tone.phaseStep = 360.0 / (rate / tone.frequency);
        tone.attackEnd = tone.attack;
        tone.decayEnd = tone.attackEnd + tone.decay;
        tone.sustainEndTime = tone.decayEnd + tone.sustain;
        tone.releaseEnd = tone.sustainEndTime + tone.release;
        tone.stage = 0;
        tone.level = 0.0;
        tone.levelStep = 0.0;
    }
    const double length = tones[0].releaseEnd;
    const double frameCount = std::trunc((length + 0.5) * rate);
    if (!(frameCount >= 2.0) || frameCount * format.blockAlign > 4294967295.0) {
        m_errorText = "The tone is too long";
        return false;
    }
    const auto frames = static_cast<uint32_t>(frameCount);
    if (!sample.Allocate(frames * format.blockAlign)) {
        m_errorText = "Out of memory";
        return false;
    }
    // The envelope clock runs so that the first tone's envelope ends on the last frame; the
    // pitch still follows the real rate.
    const double dt = length / (frames - 1);
    int16_t* out = sample.GetValues();
    const int channels = format.channels;
    double t = 0.0;
    for (uint32_t frame = 0; frame < frames; ++frame, t += dt) {
        int16_t* values = out + static_cast<size_t>(frame) * (format.blockAlign / 2);
        for (GEN_SOUND_INFO& tone : tones) {
            if (t >= 0.0 && t < tone.attackEnd) {
                if (tone.stage != 1) {
                    tone.stage = 1;
                    tone.levelStep = tone.peak / (tone.attack / dt);
                }
            } else if (t >= tone.attackEnd && t < tone.decayEnd) {
                if (tone.stage != 2) {
                    tone.stage = 2;
                    tone.levelStep = -(tone.peak - tone.sustainStart) / (tone.decay / dt);
                }
            } else if (t >= tone.decayEnd && t < tone.sustainEndTime) {
                if (tone.stage != 3) {
                    tone.stage = 3;
                    tone.levelStep = -(tone.sustainStart - tone.sustainEnd) / (tone.sustain / dt);
                }
            } else if (t >= tone.sustainEndTime && t <= tone.releaseEnd) {
                if (tone.stage != 4) {
                    tone.stage = 4;
                    tone.levelStep = -tone.sustainEnd / (tone.release / dt);
                }
            } else if (t > tone.releaseEnd && tone.stage != 5) {
                tone.stage = 5;
                tone.levelStep = 0.0;
            }
            if (tone.stage != 5 && tone.level >= 0.0) {
                // The degree-to-radian factor is pi / 180 in single precision.
                const auto v = static_cast<int16_t>(std::sin(tone.phase * 0.01745329238474369) *
                                                    32767.0 * tone.level);
                if (channels == 1) {
                    values[0] = CSound::Sum(values[0], v);
                } else {
                    int16_t left = v;
                    int16_t right = v;
                    if (tone.pan > 0.0)
                        left = static_cast<int16_t>((1.0 - tone.pan) * v);
                    else if (tone.pan < 0.0)
                        right = static_cast<int16_t>((1.0 + tone.pan) * v);
                    values[0] = CSound::Sum(values[0], left);
                    values[1] = CSound::Sum(values[1], right);
                }
            }
            tone.phase += tone.phaseStep;
            if (tone.phase >= 360.0)
                tone.phase -= 360.0;
            tone.level += tone.levelStep;
        }
    }
    CSoundFile file;
    const CCharString path = GetOutputPath();
    if (!file.Save(path.GetText(), sample))
        REPORT_ERROR("Can't save generated sound (%s): %s", path.GetText(),
                     file.GetErrorText().GetText());
    return true;
}

#pragma once

#include "core/CharString.h"
#include "core/Settings.h"
#include "core/VarList.h"
#include "song/WaveRenderer.h"
#include "sound/SoundInfo.h"

#include <cstdint>

// The clean-up steps of a recorded sample. Each reports its words through errorText.

// Reads the file, scales it so that it peaks at level, and saves it over itself. A silent file
// (peak level below 0.001) is saved unchanged.
bool NormalizeFile(const char* path, float level, CCharString& errorText);
// Reads the file, trims it (Trim) and saves it to out, or over itself when out is null.
bool TrimFile(const char* path, float threshold, float longest, const char* out,
              CCharString& errorText);
// Mono 16-bit data: starts at the zero crossing before the first value at or above
// threshold x full scale, lasts at most longest seconds and ends on the last zero crossing.
// Data without such a value is left alone. Fails for data that is not 16-bit.
bool Trim(CSoundInfo& sample, float threshold, float longest);

// Reads a 16-bit stereo file and saves it over itself without the silence after its last sound.
bool CutTrailingSilence(const char* path, CCharString& errorText);

class CSound;

// How songs are saved as WAVE files: the engine's rendering (which writes whole windows of
// five seconds), then the silence after the last sound cut off, so that the file lasts as long
// as the song.
class CSongRenderer : public CWaveRenderer {
public:
    explicit CSongRenderer(CSound& sound) : m_sound(sound) {}
    bool RenderToWave(const CNoteList& notes, const char* path) override;
    const CCharString& GetErrorText() const override { return m_errorText; }

private:
    CSound& m_sound;
    CCharString m_errorText;
};

// One partial of a generated tone: a sine at frequency with a four-stage envelope.
struct GEN_SOUND_INFO {
    double frequency = 440.0;
    double peak = 0.5;
    double pan = 0.0;
    double attack = 0.0;
    double decay = 0.0;
    double sustain = 0.0;
    double release = 0.0;
    double sustainStart = 0.0;
    double sustainEnd = 0.0;
    int32_t stage = 0; // 0 none, 1 attack, 2 decay, 3 sustain, 4 release, 5 done
    double phase = 0.0;
    double phaseStep = 0.0;
    double level = 0.0;
    double levelStep = 0.0;
    double attackEnd = 0.0;
    double decayEnd = 0.0;
    double sustainEndTime = 0.0;
    double releaseEnd = 0.0;
};

// The generator window's fields: the base tone (its peak is fixed at GEN_BASE_PEAK) ...
struct GEN_BASE_TONE {
    double frequency = 440.0;
    double attack = 0.1;
    double decay = 0.2;
    double sustain = 2.0;
    double release = 0.2;
    double sustainFrom = 0.7; // fractions of the peak at the start and the end of the sustain
    double sustainTo = 0.4;
};
// ... and its harmonics rows: a frequency multiplier of the base, a multiplier of the base's
// levels, and a pan.
struct GEN_HARMONIC {
    double multiplier = 1.0;
    double volume = 1.0;
    double pan = 0.0;
};
constexpr double GEN_BASE_PEAK = 0.5;

// The five harmonics rows the generator window starts with.
CVarList<GEN_HARMONIC> GetDefaultHarmonics();
// The tone list of the fields: the base tone first, then one tone per row in row order, each
// with the base's envelope times.
CVarList<GEN_SOUND_INFO> MakeTones(const GEN_BASE_TONE& base,
                                   const CVarList<GEN_HARMONIC>& harmonics);
// MakeTones of the window's defaults.
CVarList<GEN_SOUND_INFO> GetDefaultTones();

// The tone generator: additive synthesis of partials, each with its own envelope.
class CGenerator {
public:
    // The generated file goes to the settings' WAVE folder.
    explicit CGenerator(const APP_SETTINGS& settings) : m_settings(settings) {}

    // Generates the tones into sample, whose format the caller set (16-bit, 1 or 2 channels),
    // and saves it as "Generated.wav" in the WAVE folder. The length follows the first tone's
    // envelope plus half a second. Fails on an empty list; a failed save is logged only.
    bool Generate(CVarList<GEN_SOUND_INFO>& tones, CSoundInfo& sample);
    // "%sGenerated.wav" with the WAVE folder, which ends with a separator.
    CCharString GetOutputPath() const;
    const CCharString& GetErrorText() const { return m_errorText; }

private:
    const APP_SETTINGS& m_settings;
    CCharString m_errorText;
};

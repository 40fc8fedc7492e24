#include "song/Mix.h"

#include "core/DiskFile.h"
#include "core/KeyValue.h"

#include <algorithm>
#include <cstdarg>

namespace {

struct DEFAULT_MIX {
    THING instrument;
    float volume;
    float pan;
};

const DEFAULT_MIX kDefaultMix[] = {
    {THING_LEAD_GUITAR, 1.0f, -0.2f},
    {THING_RHYTHM_GUITAR, 1.0f, 0.2f},
    {THING_BASS_GUITAR, 1.0f, 0.0f},
    {THING_DRUM_SET, 1.0f, 0.0f},
    {THING_HIHAT_CLOSED, 0.6f, -0.8f},
    {THING_TOM_1, 1.0f, -0.2f},
    {THING_BASS_DRUM_1, 1.0f, 0.2f},
    {THING_TOM_2, 1.0f, 0.0f},
    {THING_TOM_3, 1.0f, 0.2f},
    {THING_TOM_4, 1.0f, 0.4f},
    {THING_SNARE_DRUM, 0.7f, -0.2f},
    {THING_TOM_5, 1.0f, 0.6f},
    {THING_HIHAT_OPEN, 0.6f, -0.8f},
    {THING_RIDE_CYMBAL, 0.6f, 0.5f},
    {THING_CRASH_CYMBAL_1, 0.6f, -0.6f},
    {THING_CRASH_CYMBAL_2, 0.6f, 0.0f},
    {THING_CHINESE_CYMBAL_1, 0.6f, 0.6f},
    {THING_SPLASH_CYMBAL_1, 0.6f, -0.3f},
};

// Levels outside the mixer's range (a hand-edited file) are brought back to its edges.
float ClampLevel(double value, float lowest, float highest) {
    return static_cast<float>(
        std::clamp(value, static_cast<double>(lowest), static_cast<double>(highest)));
}

} // namespace

bool CMix::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

THING CMix::GetKey(THING instrument) {
    switch (instrument) {
    case THING_HIHAT_OPEN:
    case THING_HIHAT_FOOT:
        return THING_HIHAT_CLOSED;
    case THING_RIDE_CYMBAL_BELL:
        return THING_RIDE_CYMBAL;
    default:
        return instrument;
    }
}

bool CMix::GetEntry(THING instrument, float& volume, float& pan) const {
    const MIX_ENTRY* entry = FindEntry(instrument);
    if (!entry)
        return false;
    volume = entry->volume;
    pan = entry->pan;
    return true;
}

const MIX_ENTRY* CMix::FindEntry(THING instrument) const {
    auto it = m_entries.find(GetKey(instrument));
    return it == m_entries.end() ? nullptr : &it->second;
}

bool CMix::SetEntry(THING instrument, float volume, float pan) {
    THING key = GetKey(instrument);
    auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        MIX_ENTRY entry;
        entry.instrument = key;
        if (!m_entries.emplace(key, entry).second)
            return Fail("Can't insert into mix map");
        it = m_entries.find(key);
    }
    it->second.volume = ClampLevel(volume, 0.0f, 1.0f);
    it->second.pan = ClampLevel(pan, -1.0f, 1.0f);
    return true;
}

bool CMix::SetSoundFile(THING instrument, const char* path) {
    auto it = m_entries.find(GetKey(instrument));
    if (it == m_entries.end())
        return Fail("No mix entry for %s", GetThingName(instrument));
    it->second.soundFile.Set(path);
    return true;
}

bool CMix::SetDefaults() {
    for (const DEFAULT_MIX& row : kDefaultMix)
        if (!SetEntry(row.instrument, row.volume, row.pan))
            return false;
    return true;
}

bool CMix::Load(const char* path) {
    m_name.Empty();
    m_file.Empty();
    CDiskFile file;
    if (!file.Open(path, true, false, false))
        return Fail("Can't open mix (%s): %s", path, file.GetError().GetText());

    MIX_ENTRY entry;
    KEY_VALUE kv;
    bool atEnd = false;
    CCharString reason;
    for (;;) {
        if (!NextKeyValue(file, kv, atEnd, reason))
            return Fail("Can't read mix (%s): %s", path, reason.GetText());
        if (atEnd)
            break;
        if (kv.key == "Mix start") {
            entry = MIX_ENTRY();
        } else if (kv.key == "Instrument") {
            std::string name(kv.value);
            THING thing = THING_NONE;
            if (!FindThingByName(name.c_str(), thing))
                return Fail("Unknown instrument in mix (%s): %s", path, name.c_str());
            entry.instrument = GetKey(thing);
        } else if (kv.key == "Volume") {
            entry.volume = ClampLevel(KeyValueReal(kv.value), 0.0f, 1.0f);
        } else if (kv.key == "Pan") {
            entry.pan = ClampLevel(KeyValueReal(kv.value), -1.0f, 1.0f);
        } else if (kv.key == "Sound file") {
            entry.soundFile.Set(std::string(kv.value).c_str());
        } else if (kv.key == "Mix end") {
            // The entry is stored under the instrument as written; a second block for the same
            // key is an error rather than a silent overwrite.
            if (!m_entries.emplace(entry.instrument, entry).second)
                return Fail("Can't insert into mix map");
        }
    }
    m_file.Set(path);
    return true;
}

bool CMix::Save(const char* path) {
    CDiskFile file;
    if (!file.OpenReplace(path))
        return Fail("Can't create mix file (%s): %s", path, file.GetError().GetText());
    for (const auto& [key, entry] : m_entries) {
        const char* name = GetThingName(entry.instrument);
        THING check = THING_NONE;
        if (!FindThingByName(name, check) || check != entry.instrument)
            return Fail("Can't save mix (%s): instrument %d has no name", path,
                        static_cast<int>(entry.instrument));
        bool ok = WriteSectionKey(file, "Mix start") && WriteKeyText(file, "Instrument", name) &&
                  WriteKeyReal(file, "Volume", entry.volume) &&
                  WriteKeyReal(file, "Pan", entry.pan) &&
                  WriteKeyText(file, "Sound file", entry.soundFile) &&
                  WriteSectionKey(file, "Mix end") && WriteBlankLine(file);
        if (!ok)
            return Fail("Can't write mix file (%s): %s", path, file.GetError().GetText());
    }
    if (!file.Commit())
        return Fail("Can't write mix file (%s): %s", path, file.GetError().GetText());
    m_file.Set(path);
    return true;
}

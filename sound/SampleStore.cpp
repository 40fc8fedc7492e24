#include "sound/SampleStore.h"

#include "core/ContentFolders.h"
#include "sound/SampleRoutines.h"
#include "sound/SoundFile.h"
#include "theory/NoteManager.h"

#include <sys/stat.h>

#include <set>

namespace {

const DRUM_SAMPLE kDrumSamples[] = {
    {"Snare.wav", THING_SNARE_DRUM, 38},          {"Bass.wav", THING_BASS_DRUM_1, 36},
    {"Bass.wav", THING_BASS_DRUM_2, 35},          {"HiHat Open.wav", THING_HIHAT_OPEN, 46},
    {"HiHat Closed.wav", THING_HIHAT_CLOSED, 42}, {"HiHat Foot.wav", THING_HIHAT_FOOT, 44},
    {"Ride.wav", THING_RIDE_CYMBAL, 51},          {"Ride Bell.wav", THING_RIDE_CYMBAL_BELL, 53},
    {"Crash High.wav", THING_CRASH_CYMBAL_1, 49}, {"Crash Medium.wav", THING_CRASH_CYMBAL_2, 57},
    {"Splash.wav", THING_SPLASH_CYMBAL_1, 55},    {"Chinese.wav", THING_CHINESE_CYMBAL_1, 52},
    {"Rack Tom High.wav", THING_TOM_6, 50},       {"Rack Tom Medium.wav", THING_TOM_5, 48},
    {"Rack Tom Low.wav", THING_TOM_4, 47},        {"Floor Tom High.wav", THING_TOM_3, 45},
    {"Floor Tom Medium.wav", THING_TOM_2, 43},    {"Floor Tom Low.wav", THING_TOM_1, 41},
};

const STRINGED_SET kStringedSets[] = {
    {"Clean Guitar", THING_LEAD_GUITAR, 6, {64, 59, 55, 50, 45, 40}},
    {"Clean Guitar", THING_RHYTHM_GUITAR, 6, {64, 59, 55, 50, 45, 40}},
    {"Finger Bass", THING_BASS_GUITAR, 4, {43, 38, 33, 28, 0, 0}},
};

constexpr float kNormalLevel = 0.7f;
// Each string sounds up to this many semitones above its highest sample file.
constexpr int32_t kFillAboveLast = 6;

// folder + "/" + name, without doubling a separator the folder already ends with.
CCharString JoinPath(const char* folder, const char* name) {
    CCharString path(folder);
    char last = path.IsEmpty() ? 0 : path.At(path.GetLength() - 1);
    if (last != '/' && last != '\\' && !path.IsEmpty())
        path.Append('/');
    path.Append(name);
    return path;
}

bool IsFile(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

int32_t GetPercussionNote(int32_t thing) {
    for (const DRUM_SAMPLE& row : kDrumSamples)
        if (row.thing == thing)
            return row.midi;
    return MIDI_NO_PITCH;
}

const DRUM_SAMPLE* GetDrumSamples(size_t& count) {
    count = std::size(kDrumSamples);
    return kDrumSamples;
}

const STRINGED_SET* GetStringedSets(size_t& count) {
    count = std::size(kStringedSets);
    return kStringedSets;
}

CCharString MakeStringedSampleName(const char* folder, const char* setName, int32_t string,
                                   int32_t fret) {
    CCharString file;
    file.Format("%s_%d-%2d.wav", setName, string, fret);
    return JoinPath(JoinPath(folder, setName), file);
}

bool CSampleStore::Fail(const char* text) {
    m_errorText = text;
    return false;
}

bool CSampleStore::MakeNote(int32_t midi, CNote& note) {
    note.Reset();
    return m_notes.GetMidiNote(midi, note);
}

bool CSampleStore::LoadSample(CSoundInfo& sample, const char* path, int32_t thing, int32_t midi) {
    if (midi != INT_NOT_SET && !MakeNote(midi, sample.note)) {
        m_errorText.Format("Can't find MIDI note %d", midi);
        return false;
    }
    if (IsDrumPart(thing)) {
        int32_t percussion = GetPercussionNote(thing);
        if (percussion == MIDI_NO_PITCH) {
            m_errorText.Format("Can't get MIDI note for instrument %d", thing);
            return false;
        }
        sample.note.m_midi = percussion;
    }
    sample.note.m_thing = THING(thing);

    // A file read before (the other guitar's set, the second bass drum) is not read again: the
    // sample takes the data already read and normalised.
    auto cached = m_cache.find(path);
    if (cached != m_cache.end()) {
        sample.format = cached->second.format;
        sample.data = cached->second.data;
        sample.size = cached->second.size;
        sample.fileName = path;
        return true;
    }
    CSoundFile file;
    if (!file.Read(path, sample)) {
        m_errorText.Format("Can't read file '%s': %s", path, file.GetErrorText().GetText());
        return false;
    }
    Normalize(sample, kNormalLevel);
    m_cache[path] = CACHED{sample.format, sample.data, sample.size};
    return true;
}

bool CSampleStore::AddSound(const CSoundInfo& sample) {
    const int32_t key = sample.note.m_thing;
    if (key == THING_NONE)
        return Fail("Can't add sound: the instrument is not set");
    auto found = m_store.find(key);
    if (found != m_store.end()) {
        found->second.Add(sample);
        return true;
    }
    auto inserted = m_store.emplace(key, CVarList<CSoundInfo>(32));
    if (!inserted.second)
        return Fail("Can't insert into instrument map");
    inserted.first->second.Add(sample);
    return true;
}

bool CSampleStore::FillUp(const CSoundInfo& source, int32_t highest) {
    if (!AddSound(source))
        return false;
    const CNote& from = source.note;
    if (!from.HasPitch())
        return true; // nothing to resample from
    for (int32_t midi = from.m_midi + 1; midi <= highest; ++midi) {
        CSoundInfo made;
        if (!MakeNote(midi, made.note)) {
            m_errorText.Format("Can't get info for note %d", midi);
            return false;
        }
        made.note.m_thing = from.m_thing;
        made.note.Position().string = from.Position().string;
        if (from.Position().fret != INT_NOT_SET)
            made.note.Position().fret = from.Position().fret + (midi - from.m_midi);
        made.note.m_duration = from.m_duration;
        made.note.m_pan = from.m_pan;
        made.note.m_volume = from.m_volume;
        made.fileName = source.fileName;

        std::string key;
        if (!source.fileName.IsEmpty()) {
            CCharString name;
            name.Format("%s#%d>%d", source.fileName.GetText(), from.m_midi, midi);
            key = name.Str();
        }
        auto cached = key.empty() ? m_cache.end() : m_cache.find(key);
        if (cached != m_cache.end()) {
            made.format = cached->second.format;
            made.data = cached->second.data;
            made.size = cached->second.size;
        } else {
            if (!ResampleUp(source, made, &m_errorText))
                return false;
            if (!key.empty())
                m_cache[key] = CACHED{made.format, made.data, made.size};
        }
        if (!AddSound(made))
            return false;
    }
    return true;
}

bool CSampleStore::LoadStringedSet(const char* folder, const char* setName, int32_t thing,
                                   const char* userFolder) {
    const STRINGED_SET& tuning = thing == THING_BASS_GUITAR ? kStringedSets[2] : kStringedSets[0];
    const int32_t strings = thing == THING_BASS_GUITAR ? 4 : 6;
    for (int32_t string = strings; string >= 1; --string) {
        CSoundInfo previous;
        bool found = false;
        for (int32_t fret = 0; fret <= SET_HIGHEST_FRET; ++fret) {
            CCharString path = MakeStringedSampleName(folder, setName, string, fret);
            if (userFolder != nullptr && *userFolder) {
                CCharString mine = MakeStringedSampleName(userFolder, setName, string, fret);
                if (IsFile(mine))
                    path = mine;
            }
            if (!IsFile(path))
                continue;
            const int32_t midi = tuning.openNotes[string - 1] + fret;
            CSoundInfo current;
            if (!LoadSample(current, path, thing, midi))
                return false;
            current.note.Position().string = string;
            current.note.Position().fret = fret;
            if (found && !FillUp(previous, midi - 1))
                return false;
            previous = current;
            found = true;
        }
        if (!found) {
            m_errorText.Format("No samples found for '%s', string %d", setName, string);
            return false;
        }
        if (!FillUp(previous, previous.note.m_midi + kFillAboveLast))
            return false;
    }
    return true;
}

bool CSampleStore::LoadDrumSet(const char* drumsFolder, const char* userDrumsFolder) {
    for (const DRUM_SAMPLE& row : kDrumSamples) {
        CSoundInfo sample;
        const CCharString path =
            CContentFolders::FindUserFirst(userDrumsFolder, drumsFolder, row.file);
        if (!LoadSample(sample, path, row.thing, INT_NOT_SET))
            return false;
        if (!AddSound(sample))
            return false;
    }
    return true;
}

bool CSampleStore::LoadAllSets(const char* samplesFolder, const char* userFolder) {
    Clear();
    for (const STRINGED_SET& set : kStringedSets)
        if (!LoadStringedSet(samplesFolder, set.name, set.thing, userFolder))
            return false;
    const bool mine = userFolder != nullptr && *userFolder;
    const CCharString userDrums = mine ? JoinPath(userFolder, "Drums") : CCharString();
    return LoadDrumSet(JoinPath(samplesFolder, "Drums"), userDrums);
}

bool CSampleStore::FindSound(const CNote& note, const CSoundInfo*& sample) {
    sample = nullptr;
    auto found = m_store.find(note.m_thing);
    if (found == m_store.end())
        return Fail("Can't find the instrument");
    const FRET_SLOT& place = note.Position();
    for (const CSoundInfo& candidate : found->second) {
        const FRET_SLOT& at = candidate.note.Position();
        bool onString =
            place.string != INT_NOT_SET && at.string == place.string && at.fret == place.fret;
        if (onString || note.m_midi == MIDI_NO_PITCH || candidate.note.m_midi == note.m_midi) {
            sample = &candidate;
            return true;
        }
    }
    return Fail("Can't find the note");
}

void CSampleStore::Clear() {
    m_store.clear();
    m_cache.clear();
}

const CVarList<CSoundInfo>* CSampleStore::GetSamples(int32_t thing) const {
    auto found = m_store.find(thing);
    return found == m_store.end() ? nullptr : &found->second;
}

size_t CSampleStore::GetSampleCount() const {
    size_t count = 0;
    for (const auto& entry : m_store)
        count += entry.second.GetCount();
    return count;
}

size_t CSampleStore::GetDataBytes() const {
    std::set<const int16_t*> seen;
    size_t bytes = 0;
    for (const auto& entry : m_store)
        for (const CSoundInfo& sample : entry.second)
            if (sample.data && seen.insert(sample.data.get()).second)
                bytes += sample.size;
    return bytes;
}

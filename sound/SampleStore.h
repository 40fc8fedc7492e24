#pragma once

#include "core/CharString.h"
#include "core/VarList.h"
#include "sound/SoundInfo.h"
#include "theory/Note.h"
#include "theory/Thing.h"

#include <cstdint>
#include <map>
#include <string>

class CNoteManager;

// The instrument sample sets in memory: every sample of every band part, keyed by the part
// (THING) and kept in the order in which the samples were added.
//
// Owned by the playback engine, which loads it once (LoadAllSets) and asks it for the sample of
// each note (FindSound). It takes no lock of its own: the engine's lock guards it. Every
// operation returns false on failure and leaves the reason in GetErrorText(); a failed load
// keeps what was stored before the failure.
//
// Samples that come from the same file share one data buffer: the lead and rhythm guitars read
// the same set, and their samples (read and resampled alike) hold one copy of the data.
//
// Folder layout under the samples folder:
//   <set>/<set>_<string>-<fret>.wav   fret right-aligned in two characters: "Clean Guitar_3- 7.wav"
//   Drums/<file from the drum table>
class CSampleStore {
public:
    explicit CSampleStore(CNoteManager& notes) : m_notes(notes) {}
    CSampleStore(const CSampleStore&) = delete;
    CSampleStore& operator=(const CSampleStore&) = delete;

    // Reads one sample file for band part thing. With a MIDI note (INT_NOT_SET for none) the
    // sample's note is the note table's record for it; a drum part's note gets the part's
    // percussion note. The data is normalised to 0.7. The sample is not stored.
    bool LoadSample(CSoundInfo& sample, const char* path, int32_t thing,
                    int32_t midi = INT_NOT_SET);
    // Appends a copy of the sample to the list of its band part.
    bool AddSound(const CSoundInfo& sample);
    // Stores source, then one sample resampled from it for every MIDI note above it up to
    // highest, on the same string with the fret counted up.
    bool FillUp(const CSoundInfo& source, int32_t highest);
    // Loads "<folder>/<setName>/<setName>_<string>-<fret>.wav" for band part thing: the strings
    // from the highest number down, each with every note from its lowest file up to six
    // semitones above its highest. Fails on a string without any file. A file of the same name
    // under userFolder (the user's recordings) is read in place of the shipped one.
    bool LoadStringedSet(const char* folder, const char* setName, int32_t thing,
                         const char* userFolder = nullptr);
    // Loads every file of the drum table from drumsFolder, or from userDrumsFolder where the
    // user has a file of that name.
    bool LoadDrumSet(const char* drumsFolder, const char* userDrumsFolder = nullptr);
    // The "Clean Guitar" set for the lead and the rhythm guitar, "Finger Bass" for the bass, and
    // "<samplesFolder>/Drums", each file from the user's samples folder where it has one.
    // Stops at the first failure.
    bool LoadAllSets(const char* samplesFolder, const char* userFolder = nullptr);
    // The sample to play for note: on the note's string and fret when it has a string,
    // otherwise the first sample of its pitch (any sample when it has no pitch). The pointer
    // stays valid until the store changes.
    bool FindSound(const CNote& note, const CSoundInfo*& sample);

    // Frees every sample and empties the store.
    void Clear();

    // The samples of one band part, or null.
    const CVarList<CSoundInfo>* GetSamples(int32_t thing) const;
    size_t GetSampleCount() const;
    // Bytes of sample data held, each shared buffer counted once.
    size_t GetDataBytes() const;

    const CCharString& GetErrorText() const { return m_errorText; }

private:
    struct CACHED {
        WAVE_FORMAT format;
        std::shared_ptr<int16_t[]> data;
        uint32_t size = 0;
    };

    bool Fail(const char* text);
    bool MakeNote(int32_t midi, CNote& note);

    CNoteManager& m_notes;
    CCharString m_errorText;
    std::map<int32_t, CVarList<CSoundInfo>> m_store;
    // Data already read or resampled, by file name (and note for resampled data).
    std::map<std::string, CACHED> m_cache;
};

// Band parts 1 to 34 are drum parts.
constexpr bool IsDrumPart(int32_t thing) {
    return thing >= 1 && thing < 35;
}
// The General MIDI percussion note of a drum part in the drum table, MIDI_NO_PITCH for a part
// outside it.
int32_t GetPercussionNote(int32_t thing);

// One row of the drum table: the file, the band part it is stored under and its GM note.
struct DRUM_SAMPLE {
    const char* file;
    THING thing;
    int32_t midi;
};
// The drum table in load order; count rows.
const DRUM_SAMPLE* GetDrumSamples(size_t& count);

// One stringed set: its folder name, band part and open-string MIDI notes, string 1 first.
struct STRINGED_SET {
    const char* name;
    THING thing;
    int32_t strings;
    int32_t openNotes[6];
};
// The stringed sets in load order; count rows.
const STRINGED_SET* GetStringedSets(size_t& count);
constexpr int32_t SET_HIGHEST_FRET = 24;

// "<folder>/<set>/<set>_<string>-<fret>.wav" with the fret right-aligned in two characters.
CCharString MakeStringedSampleName(const char* folder, const char* setName, int32_t string,
                                   int32_t fret);

#pragma once

#include "core/CharString.h"
#include "core/DiskFile.h"
#include "song/MidiBytes.h"
#include "song/Song.h"
#include "theory/Note.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CSong;
class CTrack;

// Reads and writes Standard MIDI Files to and from a CSong. Channels, programs and drum keys
// map onto band instruments; guitar-tab and chord information travel in the general-purpose
// controllers 16 to 19, 80 and 81. Each load or save appends one trace line per event.
class CMidiFile : public CDiskFile {
public:
    static constexpr int kDivision = 960; // ticks per beat when writing
    static constexpr int kDrumChannel = 9;
    // More tracks than any song of the band has; bounds what a file can make us allocate.
    static constexpr int kMaxTracks = 1024;

    CMidiFile() = default;

    // Empties the song and fills it from the file. On failure the song keeps what was read.
    bool Load(const char* path, CSong& song);
    // The same from a file image in memory; path is only recorded as the song's file.
    bool LoadFromMemory(const uint8_t* data, size_t size, CSong& song, const char* path = "");
    // Writes the song as a format-1 file; the old file is replaced only once the new one is whole.
    bool Save(const char* path, const CSong& song);
    // Builds the file image of a song without touching the disk.
    bool SaveToMemory(const CSong& song, std::string& bytes, const char* path = "");

    // The MIDI error text (hides the disk file's own, which the messages here include).
    const CCharString& GetError() const { return m_error; }
    const CCharString& GetTrace() const { return m_trace; }
    // The trace is on by default; turning it off saves formatting a line per event.
    void SetTraceEnabled(bool enabled) { m_traceEnabled = enabled; }

    // The header values of the last file read.
    int GetFormat() const { return m_format; }
    int GetTrackCount() const { return m_trackCount; }
    int GetDivision() const { return m_division; }

private:
    struct PENDING_NOTE {
        bool on = false;
        CNote note;
    };
    struct TAB_STATE {
        int string = INT_NOT_SET;
        int fret = INT_NOT_SET;
        int finger = INT_NOT_SET;
        int mode = 0;
        int chordType = 0;
        int chordRoot = MIDI_NO_PITCH;
    };

    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    void Trace(const char* format, ...) MA_PRINTF(2, 3);

    bool ParseTrack(CMidiReader& reader, CTrack& track, CSong& song, bool songHeaderTrack);
    bool ParseMeta(CMidiReader& reader, CTrack& track, CSong& song, bool songHeaderTrack);
    bool ParseChannelEvent(CMidiReader& reader, uint8_t status, int firstData, CTrack& track,
                           double time);
    bool NoteEvent(int type, int channel, int key, int velocity, CTrack& track, double time);

    bool WriteSongHeaderTrack(CMidiWriter& out, const CSong& song);
    bool WriteTrack(CMidiWriter& out, const CTrack& track, int index, double beatTime);

    CCharString m_error;
    CCharString m_trace;
    bool m_traceEnabled = true;
    int m_format = 1;
    int m_trackCount = 0;
    int m_division = 0;
    double m_beatTime = 0.5;
    PENDING_NOTE m_pending[255];
    TAB_STATE m_tab;
};

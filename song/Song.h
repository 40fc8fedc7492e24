#pragma once

#include "core/CharString.h"
#include "core/VarList.h"
#include "theory/Chord.h"
#include "theory/NoteList.h"
#include "theory/Thing.h"

class CMix;

// Name, timing and key of a song. The song holds one; every track keeps a copy.
struct SONG_HEADER {
    CCharString style; // groove style (folder name) of a groove; empty otherwise
    CCharString name;
    CCharString file; // path the song was read from
    CCharString text;
    CCharString copyright;
    double beatTime = 0.0; // seconds per beat (quarter note); 0 means no timing
    double tempo = 0.0;    // beats per minute, 60 / beat time
    int key = 0;           // sharps (positive) or flats (negative)
    int scale = 0;         // 0 major, 1 minor
    int beatsPerMeasure = 4;
    int beatUnit = 4;
    int measureCount = 0;

    // Sets the beat time and the tempo that goes with it.
    void SetBeatTime(double seconds);
    double GetMeasureTime() const { return beatsPerMeasure * beatTime; }
    void Reset() { *this = SONG_HEADER(); }
};

// The notes of one instrument of the band.
class CTrack {
public:
    CTrack() = default;
    virtual ~CTrack() = default;

    void Reset();
    // "------- Track %d", name, instrument name, volume, pan and the note list, appended to
    // target (lines end in a line feed) or, without target, written to the log.
    bool Dump(CCharString* target = nullptr) const;

    // Sets volume and pan from the mix entry of the track's instrument, then scales each note's
    // volume by the track volume and by its drum piece's volume (drum-set tracks), and sets its
    // pan to piece pan + track pan, kept within -1..1. False, with error, when an entry is missing.
    bool ApplyMix(const CMix& mix, CCharString& error);

    bool IsDrumSet() const { return m_instrument == THING_DRUM_SET; }

    // The list operations, forwarded to the notes.
    int GetCount() const { return m_notes.GetCount(); }
    bool Add(const CNote& note) { return m_notes.Add(note); }
    bool Append(const CNote& note) { return m_notes.Append(note); }
    bool ShiftTimes(double delta) { return m_notes.ShiftTimes(delta); }
    bool SetDurations(double duration, double endLimit = TIME_NOT_SET) {
        return m_notes.SetDurations(duration, endLimit);
    }
    bool Legato(double minimumGap) { return m_notes.Legato(minimumGap); }
    bool ScaleTimes(double factor) { return m_notes.ScaleTimes(factor); }
    double GetEndTime(bool withDuration) const { return m_notes.GetEndTime(withDuration); }

    CCharString m_name;
    THING m_instrument = THING_NONE; // 1 drum set, 36 bass, 38 rhythm, 39 lead, 40 solo guitar
    int m_program = 0;               // MIDI program last read
    CCharString m_instrumentName;    // General MIDI program name, or "Drum set"
    float m_pan = 0.0f;
    float m_volume = 1.0f;
    int m_trackNumber = 0; // 1-based chunk number when read; index when written
    CNoteList m_notes;     // sorted by time
    int m_channel = 0;     // MIDI channel used when writing
    SONG_HEADER m_header;
    CChord m_chord;
    bool m_enabled = true; // included when tracks are merged for playback
};

// The playable form of music: a header and one track per instrument.
class CSong {
public:
    CSong() : m_tracks(50) {}
    virtual ~CSong() = default;

    // No tracks, a new header, no current track.
    void Reset();

    int GetTrackCount() const { return static_cast<int>(m_tracks.GetCount()); }
    // Fails with "Can't get track number %d, %d tracks in the song".
    bool GetTrack(int index, CTrack*& track);
    CTrack& operator[](int index) { return m_tracks[static_cast<size_t>(index)]; }
    const CTrack& operator[](int index) const { return m_tracks[static_cast<size_t>(index)]; }
    // The first track of that instrument, or null.
    CTrack* FindTrack(THING instrument);
    bool AddTrack(const CTrack& track);
    // Enables or disables every track of that instrument; false when there is none.
    bool SetTrackEnabled(THING instrument, bool enabled);

    // The largest end time (last note's time plus duration) over all tracks.
    double GetEndTime() const;
    // Measures needed for an end time: T / measure time + 1 - (beat time / beat unit) / 4,
    // truncated. False (count 0) without timing or without a valid time signature.
    bool CountMeasures(double endTime, int& count) const;
    // The measure count of the song's own end time, stored in the header.
    bool CountMeasures();
    // Each track gets the song header, keeping its own name.
    void CopyHeaderToTracks();

    // Appends other after the last measure of this song, track by track (an empty song becomes
    // a copy of other).
    bool Append(const CSong& other);
    // Legato on each enabled track (every track with includeDisabled), then its notes merged
    // into target in time order.
    bool MergeTracks(CNoteList& target, bool includeDisabled);
    // Changes the beat time to newBeatTime, stretching all times and durations to match.
    bool ScaleTempo(double newBeatTime);
    // Humanizes every track, keeping overlaps; the time spread is in beat units.
    bool Humanize(double volumeSpread, double timeSpreadBeats);
    // Drum-set notes last one measure each; with cutAtEnd none reaches past the last measure.
    bool SetWholeMeasureDurations(bool cutAtEnd);
    // ApplyMix on every track.
    bool ApplyMix(const CMix& mix);

    // The song dump: header lines, then each track (see CTrack::Dump).
    bool Dump(CCharString* target = nullptr) const;

    const CCharString& GetError() const { return m_error; }

    SONG_HEADER m_header;
    int m_currentTrack = -1;

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);

    CCharString m_error;
    CVarList<CTrack> m_tracks;
};

#include "song/Song.h"

#include "core/Report.h"
#include "song/Mix.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <utility>

namespace {

// Appends one line to target, or writes it to the log.
void DumpLine(CCharString* target, const char* format, ...) MA_PRINTF(2, 3);
void DumpLine(CCharString* target, const char* format, ...) {
    CCharString line;
    va_list args;
    va_start(args, format);
    line.FormatV(format, args);
    va_end(args);
    if (target) {
        target->Append(line.GetText());
        target->Append('\n');
    } else {
        Message("%s", line.GetText());
    }
}

} // namespace

void SONG_HEADER::SetBeatTime(double seconds) {
    beatTime = seconds;
    tempo = seconds > 0.0 ? 60.0 / seconds : 0.0;
}

// ---------------------------------------------------------------------------------------------
// CTrack

void CTrack::Reset() {
    m_name.Empty();
    m_instrument = THING_NONE;
    m_program = 0;
    m_instrumentName.Empty();
    m_pan = 0.0f;
    m_volume = 1.0f;
    m_trackNumber = 0;
    m_notes.RemoveAll();
    m_channel = 0;
    m_header.Reset();
    m_chord.Reset();
    m_enabled = true;
}

bool CTrack::Dump(CCharString* target) const {
    DumpLine(target, "------- Track %d", m_trackNumber);
    DumpLine(target, "Name: %s", m_name.GetText());
    DumpLine(target, "Instrument name: %s", m_instrumentName.GetText());
    DumpLine(target, "Volume: %0.2f", m_volume);
    DumpLine(target, "Pan: %0.2f", m_pan);
    return m_notes.Dump(target);
}

bool CTrack::ApplyMix(const CMix& mix, CCharString& error) {
    float volume = 1.0f, pan = 0.0f;
    if (!mix.GetEntry(m_instrument, volume, pan)) {
        error.Format("Can't get mix entry for %s", GetThingName(m_instrument));
        return false;
    }
    m_volume = volume;
    m_pan = pan;
    bool drums = IsDrumSet();
    for (CNote& note : m_notes) {
        float pieceVolume = 1.0f, piecePan = 0.0f;
        if (drums && !mix.GetEntry(note.m_thing, pieceVolume, piecePan)) {
            error.Format("Can't get mix entry for %s", GetThingName(note.m_thing));
            return false;
        }
        note.m_volume = m_volume * pieceVolume * note.m_volume;
        note.m_pan = std::clamp(piecePan + m_pan, -1.0f, 1.0f);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// CSong

bool CSong::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

void CSong::Reset() {
    m_tracks.RemoveAll();
    m_header.Reset();
    m_currentTrack = -1;
    m_error.Empty();
}

bool CSong::GetTrack(int index, CTrack*& track) {
    track = nullptr;
    if (index < 0 || index >= GetTrackCount())
        return Fail("Can't get track number %d, %d tracks in the song", index, GetTrackCount());
    track = &m_tracks[static_cast<size_t>(index)];
    return true;
}

CTrack* CSong::FindTrack(THING instrument) {
    for (CTrack& track : m_tracks)
        if (track.m_instrument == instrument)
            return &track;
    return nullptr;
}

bool CSong::AddTrack(const CTrack& track) {
    m_tracks.Add(track);
    return true;
}

bool CSong::SetTrackEnabled(THING instrument, bool enabled) {
    bool found = false;
    for (CTrack& track : m_tracks)
        if (track.m_instrument == instrument) {
            track.m_enabled = enabled;
            found = true;
        }
    return found;
}

double CSong::GetEndTime() const {
    double end = 0.0;
    for (const CTrack& track : m_tracks)
        end = std::max(end, track.GetEndTime(true));
    return end;
}

bool CSong::CountMeasures(double endTime, int& count) const {
    count = 0;
    const SONG_HEADER& h = m_header;
    if (h.beatTime == 0.0)
        return false;
    if (h.beatsPerMeasure <= 0 || h.beatUnit <= 0 || !std::isfinite(h.beatTime))
        return false;
    double measures =
        endTime / (h.beatsPerMeasure * h.beatTime) + 1.0 - (h.beatTime / h.beatUnit) * 0.25;
    // Guards the conversion: a count beyond int is no count at all.
    if (!std::isfinite(measures) || measures >= static_cast<double>(INT_MAX) ||
        measures <= static_cast<double>(INT_MIN))
        return false;
    count = static_cast<int>(measures);
    return true;
}

bool CSong::CountMeasures() {
    int count = 0;
    bool ok = CountMeasures(GetEndTime(), count);
    m_header.measureCount = count;
    return ok;
}

void CSong::CopyHeaderToTracks() {
    for (CTrack& track : m_tracks) {
        CCharString name = track.m_header.name;
        track.m_header = m_header;
        track.m_header.name = name;
    }
}

bool CSong::Append(const CSong& other) {
    if (GetTrackCount() == 0) {
        CCharString error = m_error;
        *this = other;
        m_error = error;
        return true;
    }
    int measures = 0;
    if (!CountMeasures(GetEndTime(), measures))
        return Fail("Can't append song: no tempo or time signature");
    double offset = m_header.beatsPerMeasure * measures * m_header.beatTime;
    int shared = std::min(GetTrackCount(), other.GetTrackCount());
    for (int i = 0; i < shared; ++i) {
        CTrack copy = other[i];
        copy.ShiftTimes(offset);
        CTrack& track = (*this)[i];
        for (const CNote& note : std::as_const(copy.m_notes))
            track.Append(note);
    }
    CountMeasures();
    return true;
}

bool CSong::MergeTracks(CNoteList& target, bool includeDisabled) {
    double gap = m_header.beatUnit != 0 ? m_header.beatTime / m_header.beatUnit * 0.125 : 0.0;
    for (CTrack& track : m_tracks) {
        if (!track.m_enabled && !includeDisabled)
            continue;
        track.Legato(gap);
        for (const CNote& note : std::as_const(track.m_notes))
            if (!target.Add(note))
                return Fail("Can't merge track %d", track.m_trackNumber);
    }
    return true;
}

bool CSong::ScaleTempo(double newBeatTime) {
    if (m_header.beatTime == 0.0)
        return Fail("Can't scale tempo: the song has no timing");
    if (!(newBeatTime > 0.0) || !std::isfinite(newBeatTime))
        return Fail("Can't scale tempo to a beat time of %f seconds", newBeatTime);
    double factor = newBeatTime / m_header.beatTime;
    for (CTrack& track : m_tracks)
        track.ScaleTimes(factor);
    // The header follows, so that a second change scales from the new tempo.
    m_header.SetBeatTime(newBeatTime);
    for (CTrack& track : m_tracks)
        track.m_header.SetBeatTime(newBeatTime);
    return true;
}

bool CSong::Humanize(double volumeSpread, double timeSpreadBeats) {
    if (m_header.beatUnit == 0)
        return Fail("Can't humanize: the beat unit is 0");
    double timeSpread = m_header.beatTime / m_header.beatUnit * timeSpreadBeats;
    for (CTrack& track : m_tracks)
        if (!track.m_notes.Humanize(volumeSpread, timeSpread, true))
            return Fail("Can't humanize track %d", track.m_trackNumber);
    return true;
}

bool CSong::SetWholeMeasureDurations(bool cutAtEnd) {
    if (m_header.beatTime == 0.0)
        return Fail("Can't set whole-measure durations: the song has no timing");
    if (m_header.beatUnit == 0)
        return Fail("Can't set whole-measure durations: the beat unit is 0");
    double measure = m_header.GetMeasureTime();
    double end = TIME_NOT_SET;
    if (cutAtEnd) {
        int measures = 0;
        if (!CountMeasures(GetEndTime(), measures))
            return Fail("Can't set whole-measure durations: can't count measures");
        end = measures * measure;
    }
    for (CTrack& track : m_tracks)
        if (track.IsDrumSet())
            track.SetDurations(measure, end);
    return true;
}

bool CSong::ApplyMix(const CMix& mix) {
    for (CTrack& track : m_tracks) {
        CCharString error;
        if (!track.ApplyMix(mix, error))
            return Fail("Can't apply mix to track %d: %s", track.m_trackNumber, error.GetText());
    }
    return true;
}

bool CSong::Dump(CCharString* target) const {
    const SONG_HEADER& h = m_header;
    DumpLine(target, "============== Song ==============");
    DumpLine(target, "File: %s", h.file.GetText());
    DumpLine(target, "Name: %s", h.name.GetText());
    DumpLine(target, "Text: %s", h.text.GetText());
    DumpLine(target, "Copyright: %s", h.copyright.GetText());
    DumpLine(target, "Tempo: %6.2f", h.tempo);
    DumpLine(target, "Note time: %6.2f", h.beatTime);
    DumpLine(target, "Key: %d", h.key);
    DumpLine(target, "Scale: %d", h.scale);
    DumpLine(target, "Time signature: %d / %d", h.beatsPerMeasure, h.beatUnit);
    for (const CTrack& track : m_tracks)
        track.Dump(target);
    return true;
}

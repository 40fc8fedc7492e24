// Build tool: turns a groove source into the groove's MIDI file.
//   make_grooves SOURCE.groove OUT.mid
// A broken source prints "file:line: what is wrong" and fails, which stops the build.
#include "content/grooves/GrooveSource.h"
#include "core/Path.h"
#include "song/MidiFile.h"
#include "song/MidiNames.h"
#include "song/Song.h"

#include <cstdio>
#include <string>

namespace {

bool AddPart(const GROOVE_PART& part, const char* name, double beatTime, CSong& song) {
    if (part.notes.empty() && part.instrument == THING_LEAD_GUITAR)
        return true;
    CTrack track;
    track.m_name.Set(name);
    track.m_instrument = part.instrument;
    if (part.instrument == THING_DRUM_SET) {
        track.m_instrumentName.Set("Drum set");
    } else {
        track.m_program = ProgramFromInstrument(part.instrument);
        track.m_instrumentName.Set(MidiProgramName(track.m_program));
    }
    for (const GROOVE_NOTE& written : part.notes) {
        CNote note;
        note.m_time = written.beat * beatTime;
        note.m_duration = written.length * beatTime;
        note.m_midi = written.midi;
        note.m_thing = written.thing;
        note.m_volume = written.volume;
        track.m_notes.Add(note);
    }
    return song.AddTrack(track);
}

std::string StemOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string StyleOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return std::string();
    size_t before = path.find_last_of('/', slash - 1);
    return path.substr(before == std::string::npos ? 0 : before + 1,
                       slash - (before == std::string::npos ? 0 : before + 1));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_grooves SOURCE.groove OUT.mid\n");
        return 2;
    }
    CGrooveSource source;
    if (!source.Load(argv[1])) {
        std::fprintf(stderr, "%s\n", source.GetErrorText().GetText());
        return 1;
    }
    CSong song;
    song.m_header.name.Set(StemOf(argv[1]).c_str());
    song.m_header.style.Set(StyleOf(argv[1]).c_str());
    song.m_header.SetBeatTime(60.0 / source.GetTempo());
    song.m_header.beatsPerMeasure = source.GetBeatsPerMeasure();
    song.m_header.beatUnit = source.GetBeatUnit();
    double beatTime = song.m_header.beatTime;
    // Track order is the groove's contract with the composer's appending: drums, bass, rhythm,
    // lead.
    if (!AddPart(source.GetDrums(), "Drums", beatTime, song) ||
        !AddPart(source.GetBass(), "Bass", beatTime, song) ||
        !AddPart(source.GetRhythm(), "Rhythm", beatTime, song) ||
        !AddPart(source.GetLead(), "Lead", beatTime, song)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], song.GetError().GetText());
        return 1;
    }
    song.CountMeasures();
    song.CopyHeaderToTracks();

    PATH_PARTS parts;
    if (SplitPath(argv[2], parts) && !parts.folder.IsEmpty())
        MakePath(parts.folder);
    CMidiFile file;
    file.SetTraceEnabled(false);
    if (!file.Save(argv[2], song)) {
        std::fprintf(stderr, "%s: can't write %s: %s\n", argv[1], argv[2],
                     file.GetError().GetText());
        return 1;
    }
    return 0;
}

#include "song/Composer.h"

#include "core/ContentFolders.h"
#include "core/Path.h"
#include "song/Composition.h"
#include "song/MidiFile.h"
#include "song/Mix.h"
#include "song/SongPart.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <strings.h>

namespace {

constexpr int STRUM_MARKER = 254;
// Grooves are written in C: the bass against C with root 36, the lead against C with root 48.
constexpr int BASS_REFERENCE_ROOT = 36;
constexpr int LEAD_REFERENCE_ROOT = 48;
// The open low E strings: nothing lower can be played (or has a sample).
constexpr int BASS_LOWEST_NOTE = 28;
constexpr int GUITAR_LOWEST_NOTE = 40;
constexpr int FIRST_SCALE_WITHOUT_CHORDS = 15;

// Index of the first note of a list (ascending by pitch) with that MIDI note, or -1.
int IndexOfMidi(const CNoteList& notes, int midi) {
    int index = -1;
    notes.IndexOfNote(midi, index);
    return index;
}

// The candidate steps from a chord root's degree to the next measure's chord root: the moves a
// progression in a major or minor key makes most often.
struct CANDIDATES {
    int steps[6];
    int count;
};

const CANDIDATES& CandidateSteps(int degree) {
    static const CANDIDATES table[8] = {
        {{}, 0},  {{2, 3, 4, 5, 6, 7}, 6}, {{4, 5, 7}, 3}, {{2, 4, 6}, 3}, {{1, 3, 5, 7}, 4},
        {{1}, 1}, {{2, 4, 5, 1}, 4},       {{1, 3}, 2},
    };
    return table[degree >= 1 && degree <= 7 ? degree : 0];
}

int PitchClass(int midi) {
    return ((midi % 12) + 12) % 12;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Requests

void PRACTICE_REQUEST::SetPosition(int fret) {
    position = fret;
    lowest = fret + 40;
    highest = fret + 68;
    handSpanEnd = fret + 4;
}

void PRACTICE_REQUEST::SetTempo(double beatsPerMinute) {
    tempo = beatsPerMinute;
    beatTime = beatsPerMinute > 0.0 ? 60.0 / beatsPerMinute : 0.0;
}

// ---------------------------------------------------------------------------------------------
// CComposer

CComposer::CComposer(CNoteManager& manager) : m_manager(manager) {
    const CContentFolders folders = CContentFolders::ForProgram();
    SetGrooveRoot(folders.GetShipped(FOLDER_GROOVES), folders.GetUser(FOLDER_GROOVES));
}

bool CComposer::GetScaleChord(int scale, int root, int group, int degree, CChord& chord) {
    for (const SCALE_CHORD& known : m_chordCache) {
        if (known.scale == scale && known.root == root && known.group == group &&
            known.degree == degree) {
            chord = known.chord;
            return true;
        }
    }
    if (!m_manager.GetScaleChord(scale, root, group, degree, chord))
        return false;
    if (m_chordCache.size() >= 256)
        m_chordCache.clear();
    m_chordCache.push_back({scale, root, group, degree, chord});
    return true;
}

bool CComposer::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

CCharString CComposer::GetGroovePath(const char* style, const char* name) const {
    CCharString file;
    file.Format("%s/%s.mid", style, name);
    return CContentFolders::FindUserFirst(m_userGrooveRoot, m_grooveRoot, file);
}

bool CComposer::FindFirstGroove(const char* style, CCharString& name) {
    bool found = false;
    // The user's grooves join the shipped ones in the list.
    for (const CCharString* root : {&m_grooveRoot, &m_userGrooveRoot}) {
        if (root->IsEmpty())
            continue;
        CCharString folder;
        folder.Format("%s/%s", root->GetText(), style);
        CTree<FILE_INFO> listing;
        LIST_OPTIONS options;
        options.folders = false;
        options.extension = "mid";
        if (!ListFolder(folder, listing, options) || listing.GetCount() == 0)
            continue;
        PATH_PARTS parts;
        SplitPath(listing[0].item.path, parts);
        if (!found || strcasecmp(parts.name, name) < 0)
            name = parts.name;
        found = true;
    }
    return found || Fail("No groove in style (%s)", style);
}

int CComposer::GetChordScale(int scale) {
    if (scale == 13)
        return 1;
    if (scale == 14)
        return 9;
    return scale;
}

bool CComposer::FindScaleStep(const CNoteList& scale, int base, int k, CNote& note) {
    const int top = scale.MaxDegree();
    int octaves = 0;
    if (k < 0)
        k += top + 1;
    if (k < 1) {
        k += top + 1;
        octaves = -1;
    }
    if (k < 1)
        return false;
    int step = 0;
    for (const CNote& candidate : scale) {
        if (step == 0 && candidate.m_midi < base)
            continue;
        if (++step == k) {
            note = candidate;
            if (octaves != 0)
                note.m_midi += 12 * octaves;
            return note.m_midi >= 0;
        }
    }
    return false;
}

bool CComposer::TransposeNote(const CNoteList& fallbackScale, CNote& note, const CChord& reference,
                              const CChord& target) {
    const int targetRoot = target.GetSoundingRoot();
    int k = note.m_degree;
    if (k == 0) {
        note.m_midi += targetRoot - reference.GetSoundingRoot();
        return true;
    }
    const int entryDegree = k;
    bool matched = false;
    for (int octave = 0; k > 0 && !matched; ++octave) {
        for (const CNote& chordNote : target.m_notes) {
            if (chordNote.m_degree == k) {
                note.m_midi = targetRoot + chordNote.m_semitones + 12 * octave;
                matched = true;
                break;
            }
        }
        if (!matched)
            k -= 7;
    }
    if (!matched) {
        CNote step;
        note.m_midi = FindScaleStep(fallbackScale, targetRoot, entryDegree, step) ? step.m_midi
                                                                                  : MIDI_NO_PITCH;
    }
    if (note.m_midi != MIDI_NO_PITCH) {
        if (note.m_accidental == ACCIDENTAL_SHARP)
            note.m_midi += 1;
        else if (note.m_accidental == ACCIDENTAL_FLAT)
            note.m_midi -= 1;
    }
    // The names follow the new pitch; the note keeps the accidental it was written with.
    const int accidental = note.m_accidental;
    if (note.m_midi == MIDI_NO_PITCH) {
        note.m_sharpName.Empty();
        note.m_flatName.Empty();
        note.m_octave = INT_NOT_SET;
        note.m_frequency = 0.0;
    } else if (!m_manager.GetMidiNote(note.m_midi, note)) {
        return Fail("%s", m_manager.GetErrorText().GetText());
    }
    note.m_accidental = accidental;
    note.m_degree = k;
    return true;
}

bool CComposer::VoiceForStrum(CNoteManager& manager, const CChord& chord, THING guitar,
                              CNoteList& strings) {
    strings.RemoveAll();
    CChord voicing;
    voicing.m_thing = guitar != THING_NONE ? guitar : THING_RHYTHM_GUITAR;
    const int root = chord.GetSoundingRoot();
    // The guitar voicing; a chord without a shape that cannot be placed that low is tried an
    // octave up.
    if (manager.SetChordOnRoot(chord.m_chordType, root, voicing) ||
        manager.SetChordOnRoot(chord.m_chordType, root + 12, voicing)) {
        // Strings the voicing leaves silent have no pitch and are not played.
        for (const CNote& note : voicing.m_notes)
            if (note.HasPitch())
                strings.Append(note);
        if (!strings.IsEmpty())
            return true;
    }
    // No fingering at all: the chord's tones from the lowest guitar octave, listed from the
    // highest as a voicing lists its strings.
    CChord plain;
    plain.m_root.m_midi = root;
    while (plain.m_root.m_midi < 40)
        plain.m_root.m_midi += 12;
    if (!manager.GetChordType(chord.m_chordType, plain, true))
        return Fail("%s", manager.GetErrorText().GetText());
    for (int i = plain.m_notes.GetCount() - 1; i >= 0; --i) {
        CNote note;
        const int midi = plain.m_root.m_midi + plain.m_notes[i].m_semitones;
        if (!manager.GetMidiNote(midi, note))
            return Fail("%s", manager.GetErrorText().GetText());
        note.m_degree = plain.m_notes[i].m_degree;
        note.m_semitones = plain.m_notes[i].m_semitones;
        strings.Append(note);
    }
    return true;
}

bool CComposer::Strum(CTrack& rhythm, CNoteManager& manager, const CChord& chord) {
    CNoteList strings;
    if (!VoiceForStrum(manager, chord, rhythm.m_instrument, strings))
        return false;

    const double beatTime = rhythm.m_header.beatTime;
    CNoteList strums;
    bool havePrevious = false, previousUp = false;
    double previousTime = 0.0;
    for (const CNote& marker : rhythm.m_notes) {
        if (marker.m_midi != STRUM_MARKER)
            continue;
        const bool up = havePrevious && marker.m_time - previousTime < beatTime && !previousUp;
        havePrevious = true;
        previousUp = up;
        previousTime = marker.m_time;

        const double delay = std::min(marker.m_duration * 0.5 / 6.0, 0.01);
        const int count = strings.GetCount();
        for (int i = 0; i < count; ++i) {
            // A down strum starts from the voicing's last string, an up strum from its first.
            CNote note(strings[up ? i : count - 1 - i]);
            note.m_time = marker.m_time + i * delay;
            note.m_duration = marker.m_duration - i * delay;
            note.m_thing = marker.m_thing;
            // The groove's accents carry over to the strings it strums.
            note.m_volume = marker.m_volume;
            note.m_chordType = chord.m_chordType;
            note.m_chordRoot = chord.GetSoundingRoot();
            int& mode = note.Position().mode;
            if (i == 0)
                mode = (mode | FRET_MODE_START) & ~FRET_MODE_END;
            if (i == count - 1)
                mode = (mode | FRET_MODE_END) & ~FRET_MODE_START;
            mode = up ? (mode | FRET_MODE_UP) : (mode & ~FRET_MODE_UP);
            strums.Append(note);
        }
    }
    strums.Sort(true);
    rhythm.m_notes = strums;
    return true;
}

bool CComposer::BuildProgression(const CNoteList& chordScaleNotes, int progression, int lowest,
                                 int highest, int spanStep, CNoteList& target, int passes) {
    target.RemoveAll();
    CVarList<int> degrees;
    if (progression == 0 || !m_manager.GetProgressionDegrees(progression, degrees))
        return true;
    for (int pass = 0; pass < passes; ++pass) {
        for (int degree : degrees) {
            const CNote* root = nullptr;
            for (const CNote& note : chordScaleNotes) {
                if (note.m_midi >= lowest + 12 * pass && note.m_degree == degree) {
                    root = &note;
                    break;
                }
            }
            if (root == nullptr)
                continue;
            CNote top;
            CNote chosen(*root);
            if (!FindScaleStep(chordScaleNotes, root->m_midi, spanStep, top) ||
                top.m_midi > highest) {
                const int lower = IndexOfMidi(chordScaleNotes, root->m_midi - 12);
                if (lower < 0)
                    return Fail("No chord root for degree %d an octave below MIDI note %d", degree,
                                root->m_midi);
                chosen = chordScaleNotes[lower];
            }
            target.Append(chosen);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Songs from compositions

bool CComposer::Compose(CComposition& composition, CSong& song) {
    for (int r = 0; r < composition.m_repeat; ++r) {
        for (int i = 0; i < composition.GetOrderCount(); ++i) {
            CSongPart* part = composition.GetOrderEntry(i);
            CSong partSong;
            if (part == nullptr || !MakeSong(*part, partSong, m_manager))
                return false;
            if (!song.Append(partSong))
                return Fail("%s", song.GetError().GetText());
        }
    }
    return true;
}

bool CComposer::PrepareChord(CSongPart& part, CChord& chord, int index) {
    if (chord.m_degree != 0 && chord.m_chordGroup != 0) {
        CChord built;
        bool ok = GetScaleChord(part.m_scale, part.m_scaleRoot, chord.m_chordGroup, chord.m_degree,
                                built);
        if (!ok || built.m_chordType == 0)
            ok = GetScaleChord(part.m_scale, part.m_scaleRoot, CHORD_GROUP_TRIAD, chord.m_degree,
                               built);
        if (ok) {
            built.m_repeat = chord.m_repeat;
            chord = built;
        }
    }
    if (chord.m_chordType == 0)
        return Fail("Chord %d of part (%s) has no chord type", index + 1, part.m_name.GetText());
    return true;
}

bool CComposer::RaiseIntoRange(CNote& note, int lowest) {
    // A chord rooted low (E flat given as MIDI 27) puts notes below the low E string, where
    // nothing can play them: they sound an octave (or two) up.
    if (note.m_midi == MIDI_NO_PITCH || note.m_midi >= lowest)
        return true;
    const int accidental = note.m_accidental, degree = note.m_degree;
    if (!m_manager.GetMidiNote(note.m_midi + 12 * ((lowest - note.m_midi + 11) / 12), note))
        return Fail("%s", m_manager.GetErrorText().GetText());
    note.m_accidental = accidental;
    note.m_degree = degree;
    return true;
}

bool CComposer::MakeChordCopy(const CSong& groove, const CChord& chord, const CNoteList& fallback,
                              CSong& copy) {
    copy = groove;
    const int root = chord.GetSoundingRoot();

    // Bass: written against C major on 36.
    CTrack* bass = copy.FindTrack(THING_BASS_GUITAR);
    if (bass == nullptr)
        return Fail("Groove (%s) has no bass track", groove.m_header.file.GetText());
    CChord reference, target;
    reference.m_root.m_midi = BASS_REFERENCE_ROOT;
    target.m_root.m_midi = root;
    if (!m_manager.GetChordType(1, reference, true) ||
        !m_manager.GetChordType(chord.m_chordType, target, true))
        return Fail("%s", m_manager.GetErrorText().GetText());
    for (CNote& note : bass->m_notes) {
        if (!m_manager.GetMidiNote(note.m_midi, note))
            return Fail("%s", m_manager.GetErrorText().GetText());
        if (!TransposeNote(fallback, note, reference, target) ||
            !RaiseIntoRange(note, BASS_LOWEST_NOTE))
            return false;
    }

    // Lead: written against C major on 48, its degrees counted on through the octaves.
    if (CTrack* lead = copy.FindTrack(THING_LEAD_GUITAR)) {
        reference.m_root.m_midi = LEAD_REFERENCE_ROOT;
        target.m_root.m_midi = root + 12;
        if (!m_manager.GetChordType(1, reference, true) ||
            !m_manager.GetChordType(chord.m_chordType, target, true))
            return Fail("%s", m_manager.GetErrorText().GetText());
        for (CNote& note : lead->m_notes)
            if (!m_manager.GetMidiNote(note.m_midi, note))
                return Fail("%s", m_manager.GetErrorText().GetText());
        lead->m_notes.SpreadDegrees(LEAD_REFERENCE_ROOT);
        for (CNote& note : lead->m_notes)
            if (!TransposeNote(fallback, note, reference, target) ||
                !RaiseIntoRange(note, GUITAR_LOWEST_NOTE))
                return false;
    }

    if (CTrack* rhythm = copy.FindTrack(THING_RHYTHM_GUITAR))
        if (!Strum(*rhythm, m_manager, chord))
            return false;
    return true;
}

bool CComposer::MakeSong(CSongPart& part, CSong& song, CNoteManager& manager) {
    (void)manager; // the composer's own note manager serves every part
    song.Reset();
    CMidiFile file;
    file.SetTraceEnabled(false);
    if (!file.Load(part.m_grooveFile, part.m_grooveSong)) {
        Fail("Can't load groove from (%s): %s", part.m_grooveFile.GetText(),
             file.GetError().GetText());
        part.m_error = m_error;
        return false;
    }
    const SONG_HEADER* header = part.GetOwnerHeader();
    const double beatTime =
        header != nullptr ? header->beatTime : part.m_grooveSong.m_header.beatTime;
    if (beatTime > 0.0 && !part.m_grooveSong.ScaleTempo(beatTime))
        return Fail("%s", part.m_grooveSong.GetError().GetText());
    part.m_grooveSong.m_header.SetBeatTime(beatTime);
    part.m_grooveSong.CopyHeaderToTracks();
    song.m_header.SetBeatTime(beatTime);

    CNoteList fallback;
    if (!m_manager.GetScaleNotes(BASS_REFERENCE_ROOT, 1, fallback))
        return Fail("%s", m_manager.GetErrorText().GetText());

    // A chord that comes back plays the groove exactly as it did before: its fitted copy is kept.
    struct FITTED {
        int type;
        int root;
        CSong copy;
    };
    std::vector<FITTED> fitted;
    fitted.reserve(part.m_chords.GetCount()); // songs are not moved, only copied
    for (int i = 0; i < static_cast<int>(part.m_chords.GetCount()); ++i) {
        CChord chord = part.m_chords[i];
        if (!PrepareChord(part, chord, i)) {
            part.m_error = m_error;
            return false;
        }
        const CSong* copy = nullptr;
        for (const FITTED& known : fitted)
            if (known.type == chord.m_chordType && known.root == chord.GetSoundingRoot())
                copy = &known.copy;
        if (copy == nullptr) {
            fitted.push_back({chord.m_chordType, chord.GetSoundingRoot(), CSong()});
            if (!MakeChordCopy(part.m_grooveSong, chord, fallback, fitted.back().copy)) {
                part.m_error = m_error;
                return false;
            }
            copy = &fitted.back().copy;
        }
        for (int r = 0; r < chord.m_repeat; ++r)
            if (!song.Append(*copy))
                return Fail("%s", song.GetError().GetText());
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The scale showcase

bool CComposer::ComposeScaleBand(SCALE_BAND_SETTINGS& settings, CNoteList& lead, CNoteList& rhythm,
                                 CNoteList& bass, CNoteList& drums) {
    CCharString path = GetGroovePath(settings.style, settings.groove);
    CSong groove;
    CMidiFile file;
    file.SetTraceEnabled(false);
    if (!file.Load(path, groove))
        return Fail("Can't load groove from (%s): %s", path.GetText(), file.GetError().GetText());
    CNoteList scaleNotes, chordScaleNotes;
    if (!m_manager.GetScaleNotes(settings.root, settings.scale, scaleNotes))
        return Fail("Can't get note scale %d: %s", settings.scale,
                    m_manager.GetErrorText().GetText());
    const int chordScale = GetChordScale(settings.scale);
    if (!m_manager.GetScaleNotes(settings.root, chordScale, chordScaleNotes))
        return Fail("Can't get chord scale %d for note scale %d: %s", chordScale, settings.scale,
                    m_manager.GetErrorText().GetText());
    CNoteList progression;
    if (!BuildProgression(chordScaleNotes, settings.progression, settings.lowest, settings.highest,
                          5, progression, 1))
        return false;

    CComposition composition;
    composition.m_header = settings.header;
    CSongPart* part = new CSongPart();
    part->m_name.Set("Scale");
    part->m_grooveFile = path;
    part->m_grooveStyle = settings.style;
    part->m_grooveName = settings.groove;
    part->m_scale = chordScale;
    part->m_scaleRoot = settings.root;
    for (const CNote& note : progression) {
        CChord chord;
        if (!GetScaleChord(chordScale, settings.root, CHORD_GROUP_TRIAD, note.m_degree, chord)) {
            delete part;
            return Fail("%s", m_manager.GetErrorText().GetText());
        }
        part->AddChord(chord, -1);
    }
    composition.AddPart(part);
    composition.AppendToOrder(part);
    CSong song;
    if (!Compose(composition, song))
        return false;
    const struct {
        THING instrument;
        CNoteList* list;
    } outputs[] = {{THING_LEAD_GUITAR, &lead},
                   {THING_RHYTHM_GUITAR, &rhythm},
                   {THING_BASS_GUITAR, &bass},
                   {THING_DRUM_SET, &drums}};
    for (const auto& output : outputs)
        if (CTrack* track = song.FindTrack(output.instrument))
            *output.list = track->m_notes;
    return true;
}

bool CComposer::MakeScaleSong(SCALE_BAND_SETTINGS& settings, CSong& song) {
    CNoteList lead, rhythm, bass, drums;
    if (!ComposeScaleBand(settings, lead, rhythm, bass, drums))
        return false;

    // The melody: each chord's root an octave up on its first beat, then random small steps
    // of the scale around it, one per beat.
    CNoteList scaleNotes, chordScaleNotes, progression;
    const int chordScale = GetChordScale(settings.scale);
    if (!m_manager.GetScaleNotes(settings.root, settings.scale, scaleNotes) ||
        !m_manager.GetScaleNotes(settings.root, chordScale, chordScaleNotes))
        return Fail("%s", m_manager.GetErrorText().GetText());
    if (!BuildProgression(chordScaleNotes, settings.progression, settings.lowest, settings.highest,
                          5, progression, 1))
        return false;
    const double beat = settings.header.beatTime;
    lead.RemoveAll();
    double t = 0.0;
    for (const CNote& chordRoot : progression) {
        for (int b = 0; b < settings.header.beatsPerMeasure; ++b) {
            CNote note;
            int midi = chordRoot.m_midi + 12;
            if (b > 0) {
                int s = static_cast<int>(std::floor(m_random.Uniform(-3.0, 3.0 - 1e-9)));
                if (s >= 0)
                    ++s;
                CNote step;
                midi =
                    FindScaleStep(scaleNotes, chordRoot.m_midi + 12, s, step) ? step.m_midi : midi;
            }
            if (!m_manager.GetMidiNote(midi, note))
                return Fail("%s", m_manager.GetErrorText().GetText());
            note.m_time = t;
            note.m_duration = beat;
            note.m_thing = THING_LEAD_GUITAR;
            lead.Append(note);
            t += beat;
        }
    }

    song.Reset();
    song.m_header.SetBeatTime(beat);
    song.m_header.beatsPerMeasure = settings.header.beatsPerMeasure;
    song.m_header.beatUnit = settings.header.beatUnit;
    song.m_header.measureCount = settings.header.measureCount;
    const struct {
        THING instrument;
        const CNoteList* list;
    } inputs[] = {{THING_LEAD_GUITAR, &lead},
                  {THING_RHYTHM_GUITAR, &rhythm},
                  {THING_BASS_GUITAR, &bass},
                  {THING_DRUM_SET, &drums}};
    for (const auto& input : inputs) {
        if (input.list->IsEmpty())
            continue;
        CTrack track;
        track.m_instrument = input.instrument;
        track.m_name.Set(GetThingName(input.instrument));
        track.m_notes = *input.list;
        if (!song.AddTrack(track))
            return Fail("%s", song.GetError().GetText());
    }
    if (!song.SetWholeMeasureDurations(false))
        return Fail("%s", song.GetError().GetText());
    song.CopyHeaderToTracks();
    return true;
}

// ---------------------------------------------------------------------------------------------
// The scale practice

bool CComposer::MakePracticeLine(const PRACTICE_REQUEST& request, const CNoteList& scaleNotes,
                                 const CNoteList& chordScaleNotes, const CNoteList& progression,
                                 int notesPerMeasure, CVarList<int>& measureStarts,
                                 CNoteList& line) {
    (void)chordScaleNotes;
    CVarList<int> pattern;
    int advance = 0;
    if (!m_manager.GetPatternDegrees(request.pattern, pattern, advance) || pattern.IsEmpty())
        return Fail("%s", m_manager.GetErrorText().GetText());

    const int count = scaleNotes.GetCount();
    int low = 0;
    while (low < count && scaleNotes[low].m_midi < request.lowest)
        ++low;
    int high = count - 1;
    while (high >= 0 && scaleNotes[high].m_midi > request.highest)
        --high;
    if (low > high)
        return Fail("No note of scale %d lies between MIDI notes %d and %d", request.scale,
                    request.lowest, request.highest);

    CVarList<int> pitches;
    // The pattern's notes from a base note; false when one lies outside the range.
    auto group = [&](int base, CVarList<int>* out) {
        for (int degree : pattern) {
            CNote note;
            if (!FindScaleStep(scaleNotes, scaleNotes[base].m_midi, degree, note) ||
                note.m_midi > request.highest || note.m_midi < request.lowest)
                return false;
            if (out != nullptr)
                out->Add(note.m_midi);
        }
        return true;
    };

    if (progression.IsEmpty()) {
        if (request.pattern == 1) {
            for (int i = low; i <= high; ++i)
                pitches.Add(scaleNotes[i].m_midi);
            for (int i = high - 1; i >= low; --i)
                pitches.Add(scaleNotes[i].m_midi);
        } else {
            // The base moves up while the pattern still fits under the highest note, turns,
            // and comes down to the lowest scale note of the range.
            int top = low;
            while (top + 1 <= high && group(top + 1, nullptr))
                ++top;
            if (!group(low, nullptr))
                return Fail("Pattern %d does not fit between MIDI notes %d and %d", request.pattern,
                            request.lowest, request.highest);
            for (int base = low; base <= top; ++base)
                group(base, &pitches);
            for (int base = top - 1; base >= low; --base)
                group(base, &pitches);
        }
        for (int i = 0; i < static_cast<int>(pitches.GetCount()); i += notesPerMeasure)
            measureStarts.Add(i);
        // The last measure is filled up by holding on to the note the walk ended on.
        while (pitches.GetCount() % notesPerMeasure != 0)
            pitches.Add(pitches[pitches.GetCount() - 1]);
    } else {
        for (const CNote& root : progression) {
            measureStarts.Add(static_cast<int>(pitches.GetCount()));
            // A chord root of the parent scale that the scale lacks (a pentatonic scale's
            // fourth, say) starts the measure on the scale note just above it.
            int base = 0;
            while (base < count && scaleNotes[base].m_midi < root.m_midi)
                ++base;
            if (base == count)
                return Fail("No note of scale %d at or above MIDI note %d", request.scale,
                            root.m_midi);
            int step = 0;
            for (int j = 0; j < notesPerMeasure; ++j) {
                int midi = scaleNotes[base].m_midi;
                if (request.pattern == 1) {
                    // Up from the progression note, back to it where the range ends.
                    if (j > 0) {
                        ++step;
                        if (base + step >= count ||
                            scaleNotes[base + step].m_midi > request.highest)
                            step = 0;
                        midi = scaleNotes[base + step].m_midi;
                    }
                } else {
                    CNote note;
                    const int degree = pattern[step];
                    if (FindScaleStep(scaleNotes, scaleNotes[base].m_midi, degree, note) &&
                        note.m_midi <= request.highest) {
                        midi = note.m_midi;
                        ++step;
                    } else {
                        step = 1; // this note took the pattern's first degree
                    }
                    if (step == static_cast<int>(pattern.GetCount()))
                        step = 0;
                }
                pitches.Add(midi);
            }
        }
    }

    const double duration = 4.0 / request.noteLength * request.beatTime;
    line.RemoveAll();
    for (int i = 0; i < static_cast<int>(pitches.GetCount()); ++i) {
        CNote note;
        if (!m_manager.GetMidiNote(pitches[i], note))
            return Fail("%s", m_manager.GetErrorText().GetText());
        const int inScale = IndexOfMidi(scaleNotes, pitches[i]);
        if (inScale >= 0) {
            note.m_degree = scaleNotes[inScale].m_degree;
            note.m_semitones = scaleNotes[inScale].m_semitones;
        }
        note.m_time = i * duration;
        note.m_duration = duration;
        note.m_volume = request.guitarVolume;
        note.m_thing = THING_LEAD_GUITAR;
        line.Append(note);
    }
    return true;
}

bool CComposer::ChooseMeasureDegrees(const CNoteList& chordScaleNotes, const CVarList<int>& starts,
                                     CVarList<int>& degrees) {
    auto degreeOf = [&](int midi, int& degree) {
        const int index = IndexOfMidi(chordScaleNotes, midi);
        if (index < 0)
            return Fail("MIDI note %d is not in the chord scale", midi);
        degree = chordScaleNotes[index].m_degree;
        return true;
    };
    // The triad on a chord-scale note: its steps 1, 3 and 5.
    auto triadHolds = [&](int root, int pitchClass) {
        for (int step : {1, 3, 5}) {
            CNote note;
            if (FindScaleStep(chordScaleNotes, root, step, note) &&
                PitchClass(note.m_midi) == pitchClass)
                return true;
        }
        return false;
    };

    int r = 0, rDegree = 0;
    for (int m = 0; m < static_cast<int>(starts.GetCount()); ++m) {
        const int n = starts[m];
        if (m == 0) {
            if (!degreeOf(n, rDegree))
                return false;
            r = n;
            degrees.Add(rDegree);
            continue;
        }
        const CANDIDATES& candidates = CandidateSteps(rDegree);
        int chosen = -1;
        for (int i = 0; i < candidates.count; ++i) {
            const int c = candidates.steps[i];
            CNote root;
            if (FindScaleStep(chordScaleNotes, r, c, root) &&
                PitchClass(root.m_midi) == PitchClass(n)) {
                chosen = root.m_midi;
                break;
            }
        }
        if (chosen < 0) {
            // No candidate starts on n: of the candidates whose triad holds n, the one whose root
            // moves least (as a pitch class, either way round) keeps the harmony smooth under
            // the line; ties go to the earlier candidate. None of them: n's own chord.
            int bestMove = 13;
            for (int i = 0; i < candidates.count; ++i) {
                const int c = candidates.steps[i];
                CNote root;
                if (!FindScaleStep(chordScaleNotes, r, c, root) ||
                    !triadHolds(root.m_midi, PitchClass(n)))
                    continue;
                const int up = PitchClass(root.m_midi - r);
                const int move = std::min(up, 12 - up);
                if (move < bestMove) {
                    bestMove = move;
                    chosen = root.m_midi;
                }
            }
            if (chosen < 0)
                chosen = n;
        }
        if (!degreeOf(chosen, rDegree))
            return false;
        r = chosen;
        degrees.Add(rDegree);
    }
    return true;
}

bool CComposer::PrepareFingering(CSong& song, int handFret, int highestFret) {
    // The lead plays in the position the neck shows, measure by measure; the bass takes the
    // lowest frets that reach each note. The view flags only move the camera, so they do not
    // change where notes are fingered. The rhythm guitar's strums come voiced already.
    const double measure = song.m_header.GetMeasureTime();
    if (measure <= 0.0)
        return Fail("Can't finger notes without a measure length");
    for (int t = 0; t < song.GetTrackCount(); ++t) {
        CTrack& track = song[t];
        CNoteList& notes = track.m_notes;
        const int count = notes.GetCount();
        if (track.m_instrument == THING_BASS_GUITAR) {
            for (CNote& note : notes)
                if (note.HasPitch() &&
                    !m_manager.FindStringAndFret(THING_BASS_GUITAR, 0, 4, note, false))
                    m_manager.FindStringAndFret(THING_BASS_GUITAR, 0, 22, note, false);
            if (count > 0)
                notes.AssignFingers(0, count - 1);
            continue;
        }
        if (track.m_instrument != THING_LEAD_GUITAR)
            continue;
        int first = 0;
        while (first < count) {
            const int index = static_cast<int>(std::floor(notes[first].m_time / measure));
            int last = first;
            while (last + 1 < count &&
                   static_cast<int>(std::floor(notes[last + 1].m_time / measure)) == index)
                ++last;
            if (!notes.PlaceRun(first, last, THING_LEAD_GUITAR, handFret, highestFret, false,
                                m_manager))
                return Fail("Can't finger the lead notes of measure %d: %s", index + 1,
                            m_manager.GetErrorText().GetText());
            notes.AssignFingers(first, last);
            first = last + 1;
        }
    }
    return true;
}

bool CComposer::ComposeScalePractice(PRACTICE_REQUEST& request, CSong& song) {
    song.Reset();
    if (!(request.tempo > 0.0))
        return Fail("Tempo %g is not a number of beats per minute", request.tempo);
    if (request.noteLength != 4 && request.noteLength != 8 && request.noteLength != 16)
        return Fail("Note length %d is not 4, 8 or 16", request.noteLength);
    request.beatTime = 60.0 / request.tempo;

    CCharString path = GetGroovePath(request.style, request.groove);
    CSong groove;
    CMidiFile file;
    file.SetTraceEnabled(false);
    if (!file.Load(path, groove))
        return Fail("Can't load groove from (%s): %s", path.GetText(), file.GetError().GetText());
    // A measure of the practice is a measure of the groove, so that every chord's groove lies
    // under exactly one measure of the line, also in 3/4 or 6/8.
    if (groove.m_header.beatsPerMeasure > 0) {
        request.beatsPerMeasure = groove.m_header.beatsPerMeasure;
        request.beatUnit = groove.m_header.beatUnit;
    }
    const int notesPerMeasure =
        static_cast<int>(request.noteLength * 0.25 * request.beatsPerMeasure);
    if (notesPerMeasure < 1)
        return Fail("A measure of %d beats holds no %d-th note", request.beatsPerMeasure,
                    request.noteLength);

    CNoteList scaleNotes, chordScaleNotes;
    if (!m_manager.GetScaleNotes(request.root, request.scale, scaleNotes))
        return Fail("Can't get note scale %d: %s", request.scale,
                    m_manager.GetErrorText().GetText());
    const int chordScale = GetChordScale(request.scale);
    if (!m_manager.GetScaleNotes(request.root, chordScale, chordScaleNotes))
        return Fail("Can't get chord scale %d for note scale %d: %s", chordScale, request.scale,
                    m_manager.GetErrorText().GetText());

    CVarList<int> patternDegrees;
    int advance = 0;
    if (!m_manager.GetPatternDegrees(request.pattern, patternDegrees, advance))
        return Fail("%s", m_manager.GetErrorText().GetText());
    CNoteList progression;
    if (request.progression != 0 &&
        !BuildProgression(chordScaleNotes, request.progression, request.lowest, request.highest,
                          advance, progression, 2))
        return false;

    CNoteList line;
    CVarList<int> measureStarts;
    if (!MakePracticeLine(request, scaleNotes, chordScaleNotes, progression, notesPerMeasure,
                          measureStarts, line))
        return false;

    CComposition composition;
    composition.m_header.SetBeatTime(request.beatTime);
    composition.m_header.beatsPerMeasure = request.beatsPerMeasure;
    composition.m_header.beatUnit = request.beatUnit;
    CSongPart* part = new CSongPart();
    part->m_name.Set("Practice");
    composition.AddPart(part);
    composition.AppendToOrder(part);
    part->m_grooveFile = path;
    part->m_grooveStyle = request.style;
    part->m_grooveName = request.groove;
    part->m_scale = chordScale;
    part->m_scaleRoot = request.root;

    const bool placeholder = request.scale >= FIRST_SCALE_WITHOUT_CHORDS;
    if (placeholder) {
        // No chords serve these scales: the drums alone accompany them, on a chord nobody
        // hears, held for every measure so that the groove lasts as long as the line.
        CChord chord;
        if (!GetScaleChord(1, 40, CHORD_GROUP_TRIAD, 1, chord))
            return Fail("%s", m_manager.GetErrorText().GetText());
        chord.m_repeat = static_cast<int>(measureStarts.GetCount());
        part->AddChord(chord, -1);
        // The part rebuilds its chords from its own scale: the placeholder's.
        part->m_scale = 1;
        part->m_scaleRoot = 40;
    } else {
        CVarList<int> degrees;
        if (progression.IsEmpty()) {
            CVarList<int> starts;
            for (int index : measureStarts)
                starts.Add(line[index].m_midi);
            if (!ChooseMeasureDegrees(chordScaleNotes, starts, degrees))
                return false;
        } else {
            for (const CNote& root : progression)
                degrees.Add(root.m_degree);
        }
        for (int degree : degrees) {
            CChord chord;
            if (!GetScaleChord(chordScale, request.root, CHORD_GROUP_TRIAD, degree, chord))
                return Fail("%s", m_manager.GetErrorText().GetText());
            part->AddChord(chord, -1);
        }
    }

    if (!Compose(composition, song))
        return false;
    if (placeholder) {
        song.SetTrackEnabled(THING_RHYTHM_GUITAR, false);
        song.SetTrackEnabled(THING_BASS_GUITAR, false);
    }
    CTrack* lead = song.FindTrack(THING_LEAD_GUITAR);
    if (lead == nullptr) {
        CTrack track;
        track.m_instrument = THING_LEAD_GUITAR;
        track.m_name.Set(GetThingName(THING_LEAD_GUITAR));
        track.m_header = song.m_header;
        if (!song.AddTrack(track))
            return Fail("%s", song.GetError().GetText());
        lead = song.FindTrack(THING_LEAD_GUITAR);
    }
    lead->m_notes = line;
    song.CountMeasures();
    song.CopyHeaderToTracks();
    if (m_mix != nullptr && !song.ApplyMix(*m_mix))
        return Fail("%s", song.GetError().GetText());
    return PrepareFingering(song, request.position, request.handSpanEnd);
}

// ---------------------------------------------------------------------------------------------
// Play Scale's note list

bool MakePracticeNotes(CComposer& composer, PRACTICE_REQUEST& request, bool countIn,
                       PRACTICE_NOTES& practice) {
    practice.notes.RemoveAll();
    practice.countInClicks = 0;
    practice.error.Empty();
    if (!composer.ComposeScalePractice(request, practice.song)) {
        practice.error = composer.GetErrorText();
        return false;
    }
    CSong& song = practice.song;
    song.m_currentTrack = -1;
    for (int t = 0; t < song.GetTrackCount(); ++t)
        if (song[t].m_instrument == THING_LEAD_GUITAR)
            song.m_currentTrack = t;
    if (!song.MergeTracks(practice.notes, false)) {
        practice.error = song.GetError();
        return false;
    }

    const double beat = request.beatTime;
    if (countIn) {
        // One click per beat of a measure on the hi-hat foot, the song a measure later.
        practice.countInClicks = request.beatsPerMeasure;
        practice.notes.ShiftTimes(request.beatsPerMeasure * beat);
        for (int i = 0; i < practice.countInClicks; ++i) {
            CNote click;
            click.m_time = i * beat;
            click.m_duration = beat / 2.0;
            click.m_thing = THING_HIHAT_FOOT;
            practice.notes.Add(click);
        }
    }
    int measures = 0;
    song.CountMeasures(song.GetEndTime(), measures);
    practice.measures = measures;
    practice.repeatCount = request.beatsPerMeasure;
    practice.startOffset = beat;
    practice.playEnd = practice.notes.GetEndTime(true) + practice.startOffset;
    return true;
}

bool SoundingNotes(const PRACTICE_NOTES& practice, CNoteList& notes) {
    notes = practice.notes;
    return notes.ShiftTimes(practice.startOffset);
}

#pragma once

#include "core/CharString.h"
#include "core/VarList.h"
#include "song/Song.h"
#include "theory/Chord.h"
#include "theory/NoteList.h"
#include "theory/Random.h"

#include <vector>

class CComposition;
class CMix;
class CNoteManager;
class CSongPart;

// What Play Scale asks for: the Show Scale tool's controls as the composer reads them.
struct PRACTICE_REQUEST {
    int scale = 1;    // scale type, 1 to 21
    int root = 48;    // MIDI note of the root, 48 (C) to 59 (B)
    int position = 7; // fret where the left hand sits
    int lowest = 47;  // lowest and highest MIDI note to play: position + 40 and + 68
    int highest = 75;
    int handSpanEnd = 11; // position + 4
    CCharString style = "Rock";
    CCharString groove = "2 Rock";
    double tempo = 120.0;  // beats per minute
    double beatTime = 0.5; // seconds per beat, 60 / tempo (ComposeScalePractice stores it back)
    int beatsPerMeasure = 4;
    int beatUnit = 4;
    int noteLength = 4; // 4, 8 or 16: quarter, eighth or sixteenth notes
    int pattern = 1;
    int progression = 0;
    bool viewPosition = false; // the tool's view-mode flags
    bool viewNeck = false;
    float guitarVolume = 0.7f;

    // Sets the position and the note range and hand span that follow from it.
    void SetPosition(int fret);
    // Sets the tempo and the beat time that follows from it.
    void SetTempo(double beatsPerMinute);
};

// The scale showcase's settings (MakeScaleSong).
struct SCALE_BAND_SETTINGS {
    int root = 48;
    int scale = 1;
    CCharString style = "Rock";
    CCharString groove = "2 Rock";
    int progression = 1;
    int lowest = 47;
    int highest = 75;
    SONG_HEADER header;
};

// The practice as Play Scale plays it: the song flattened into one list, count-in first.
struct PRACTICE_NOTES {
    CSong song;      // the composed song, lead guitar track selected
    CNoteList notes; // every enabled track merged in time order, after the count-in
    int countInClicks = 0;
    double startOffset = 0.0; // PlayNotes starts the list this much later: one beat
    double playEnd = 0.0;     // when playback stops: the list's end plus the start offset
    int repeatCount = 0;      // PlayNotes' repeat-count argument: beats per measure
    int measures = 0;         // measures of the composed song
    CCharString error;        // why MakePracticeNotes failed
};

// Turns compositions and practice requests into songs: loads each part's groove, fits its bass,
// lead and rhythm-guitar patterns (written in C) to every chord, and lays out scale practice
// lines. Fallible operations return false with the reason in GetErrorText() (and, for a part,
// in the part's error text too).
class CComposer {
public:
    explicit CComposer(CNoteManager& manager);

    // Folders that hold the groove styles: the shipped grooves and the user's, whose groove of
    // the same style and name is the one played (both the program's groove folders unless
    // set; without a user's folder only the shipped one is read).
    void SetGrooveRoot(const char* folder, const char* userFolder = nullptr) {
        m_grooveRoot.Set(folder);
        m_userGrooveRoot.Set(userFolder);
    }
    const CCharString& GetGrooveRoot() const { return m_grooveRoot; }
    // The mix applied to practice songs; none leaves volumes and pans as composed.
    void SetMix(const CMix* mix) { m_mix = mix; }
    const CMix* GetMix() const { return m_mix; }
    // Seeds the showcase melody's random steps.
    void SetRandomSeed(uint64_t seed) { m_random.Seed(seed); }
    const CCharString& GetErrorText() const { return m_error; }
    CNoteManager& GetNoteManager() { return m_manager; }

    // Appends, for every repeat of the composition and every entry of its play order, the
    // entry's part made into a song. The first failure stops with false.
    bool Compose(CComposition& composition, CSong& song);
    // The part's groove fitted to each of its chords in turn, each chord's copy appended as often
    // as the chord repeats. Fails with "Can't load groove from (%s): %s" for a groove that does
    // not load and when a chord has no type or the groove has no bass track.
    bool MakeSong(CSongPart& part, CSong& song, CNoteManager& manager);
    // Moves a note written against reference onto target: a chord tone becomes the same tone of
    // target (its degree searched down by octaves), any other degree the fallback scale's step
    // from target's root; degree 0 moves by the distance between the roots.
    bool TransposeNote(const CNoteList& fallbackScale, CNote& note, const CChord& reference,
                       const CChord& target);
    // Replaces the rhythm track's notes by strums of chord at its strum markers (MIDI 254).
    bool Strum(CTrack& rhythm, CNoteManager& manager, const CChord& chord);
    // The chord roots of a progression, passes times over: each root the first chord-scale note
    // of its degree at or above lowest (+ an octave per pass), an octave lower when spanStep
    // scale steps above it pass highest. Progression 0 or unknown leaves the list empty.
    bool BuildProgression(const CNoteList& chordScaleNotes, int progression, int lowest,
                          int highest, int spanStep, CNoteList& target, int passes);
    // Fingers the song for the band: the bass on the lowest frets that reach each note, the lead
    // measure by measure with the hand at handFret (INT_NOT_SET: where each measure's highest
    // note puts it) up to highestFret. Other tracks come voiced already.
    bool PrepareFingering(CSong& song, int handFret, int highestFret);
    // The showcase accompaniment: the groove over the triads of the progression's chords.
    bool ComposeScaleBand(SCALE_BAND_SETTINGS& settings, CNoteList& lead, CNoteList& rhythm,
                          CNoteList& bass, CNoteList& drums);
    // The showcase song: ComposeScaleBand with a random melody over the chords.
    bool MakeScaleSong(SCALE_BAND_SETTINGS& settings, CSong& song);
    // The song Play Scale plays: the scale walked up and down the range in the request's
    // pattern over the groove, one chord of the scale per measure.
    bool ComposeScalePractice(PRACTICE_REQUEST& request, CSong& song);

    // The chord-scale degree of each practice measure without a progression, from the MIDI note
    // each measure starts on: the first measure's own degree, then the first candidate step from
    // the previous chord root that lands on the note's pitch class, else the candidate whose
    // triad holds it with the least root movement, else the note's own degree.
    bool ChooseMeasureDegrees(const CNoteList& chordScaleNotes, const CVarList<int>& starts,
                              CVarList<int>& degrees);

    // The scale-step lookup: in a scale list (ascending), the first note at or above base is
    // step 1, the next step 2, and so on; a negative k counts from the top degree (k + m + 1,
    // m the largest degree), an octave lower while it stays below 1. False when the list ends.
    static bool FindScaleStep(const CNoteList& scale, int base, int k, CNote& note);
    // The chord scale whose chords serve a scale: the parent for the pentatonic scales.
    static int GetChordScale(int scale);
    // The path of a groove: "%s/%s.mid" of the style and name in the user's groove root when
    // the user has that groove, else in the groove root.
    CCharString GetGroovePath(const char* style, const char* name) const;
    // The style's first groove by name in either groove root (the one the Show Scale tool
    // offers first), without ".mid". Fails with "No groove in style (%s)" when neither style
    // folder holds one.
    bool FindFirstGroove(const char* style, CCharString& name);

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    // The note manager's chord on a scale degree. Every measure of a practice asks again for one
    // of a handful of chords, and each answer builds the scale over the whole note range twice,
    // so the answers are kept.
    bool GetScaleChord(int scale, int root, int group, int degree, CChord& chord);
    bool PrepareChord(CSongPart& part, CChord& chord, int index);
    // The notes a strum of chord plays, in the voicing's order (highest string first).
    bool VoiceForStrum(CNoteManager& manager, const CChord& chord, THING guitar,
                       CNoteList& strings);
    // Moves a note below lowest up by octaves until it can be played.
    bool RaiseIntoRange(CNote& note, int lowest);
    bool MakeChordCopy(const CSong& groove, const CChord& chord, const CNoteList& fallback,
                       CSong& copy);
    // The practice line and the chord degree of every measure.
    bool MakePracticeLine(const PRACTICE_REQUEST& request, const CNoteList& scaleNotes,
                          const CNoteList& chordScaleNotes, const CNoteList& progression,
                          int notesPerMeasure, CVarList<int>& measureStarts, CNoteList& line);

    CNoteManager& m_manager;
    const CMix* m_mix = nullptr;
    CCharString m_grooveRoot;
    CCharString m_userGrooveRoot;
    CCharString m_error;
    CRandom m_random;
    struct SCALE_CHORD {
        int scale, root, group, degree;
        CChord chord;
    };
    std::vector<SCALE_CHORD> m_chordCache;
};

// Play Scale's flattening of the practice, for the Show Scale tool and the command line alike:
// the composed song with its lead guitar track selected and its tracks prepared for fingering,
// every enabled track merged into one list, and with countIn a measure of clicks on the hi-hat
// foot (four in 4/4), one per beat from 0, every song note starting a measure later. The list is as
// composed; PlayNotes plays it one beat later (startOffset), which SoundingNotes applies.
bool MakePracticeNotes(CComposer& composer, PRACTICE_REQUEST& request, bool countIn,
                       PRACTICE_NOTES& practice);
// The practice's list shifted by its start offset: every note at the time it sounds.
bool SoundingNotes(const PRACTICE_NOTES& practice, CNoteList& notes);

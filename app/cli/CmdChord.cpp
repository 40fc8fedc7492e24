#include "app/cli/Cli.h"
#include "app/cli/TheoryArgs.h"
#include "theory/Chord.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const USAGE =
    "--root R --type N|SYMBOL [--spelling key|sharps]: the chord's name (its root a sharp name "
    "unless the key's spelling is asked for), formula, notes and guitar frets";

// A number is the chord type's number (so "7" is type 7, "o7"); anything else is a symbol
// ("m7", "maj7") or a long name ("Minor seventh").
bool ParseChordType(const std::string& text, int& chordType) {
    if (ParseSmallNumber(text, chordType))
        return chordType >= 1 && chordType <= CHORD_TYPE_COUNT;
    return FindChordTypeBySymbol(text.c_str(), chordType) ||
           FindChordTypeByName(text.c_str(), chordType);
}

int RunChord(CCliArgs& args) {
    for (const std::string& option : args.Unknown({"--root", "--type", "--spelling"}))
        return std::fprintf(stderr, "chord: unknown option '%s'\n", option.c_str()), 2;
    if (!args.Has("--root") || !args.Has("--type"))
        return std::fprintf(stderr, "chord: usage: modal-atlas-cli chord %s\n", USAGE), 2;

    const std::string rootText = args.Get("--root");
    int root = 0;
    if (!ParseRootArg(rootText, root))
        return std::fprintf(stderr, "chord: unknown root '%s'\n", rootText.c_str()), 2;
    const std::string typeText = args.Get("--type");
    int chordType = 0;
    if (!ParseChordType(typeText, chordType))
        return std::fprintf(stderr, "chord: unknown chord type '%s'\n", typeText.c_str()), 2;

    NOTE_NAMES spelling = NOTE_NAMES_SHARPS;
    const std::string spellingText = args.Get("--spelling", "sharps");
    if (!ParseSpellingArg(spellingText, spelling))
        return std::fprintf(stderr, "chord: unknown spelling '%s'\n", spellingText.c_str()), 2;

    CNoteManager manager;
    CChord chord;
    chord.m_thing = THING_RHYTHM_GUITAR;
    // Without a shape the chord is placed in open position.
    chord.m_position = 0;
    if (!manager.Initialize() || !manager.SetChordOnRoot(chordType, root, chord)) {
        std::fprintf(stderr, "chord: %s\n", manager.GetErrorText().GetText());
        return 1;
    }
    // SetChordOnRoot voices with a shape exactly when every note carries a finger.
    bool shaped = !chord.m_notes.IsEmpty();
    std::vector<int> midis;
    std::string frets[6] = {"x", "x", "x", "x", "x", "x"};
    for (const CNote& note : chord.m_notes) {
        if (note.HasPitch() && note.Position().finger == INT_NOT_SET)
            shaped = false;
        if (!note.HasPitch())
            continue;
        midis.push_back(note.m_midi);
        const int string = note.Position().string;
        if (string >= 1 && string <= 6)
            frets[string - 1] = std::to_string(note.Position().fret);
    }
    std::sort(midis.begin(), midis.end());

    const CCharString name =
        CSpelling::ForChord(chordType, root, spelling).ChordName(root, chordType);
    std::printf("Name: %s - %s\n", name.GetText(), chord.m_longName.GetText());
    std::printf("Formula: %s\n", chord.m_names[CHORD_FORMULA_NAME].GetText());
    std::string line;
    for (int midi : midis)
        line += (line.empty() ? "" : " ") + std::to_string(midi);
    std::printf("Notes: %s\n", line.c_str());
    line.clear();
    for (const std::string& fret : frets)
        line += (line.empty() ? "" : " ") + fret;
    std::printf("Frets: %s\n", line.c_str());
    if (shaped)
        std::printf("Barre: %d\n", chord.m_position);
    else
        std::printf("Barre: none (placed without a shape)\n");
    return 0;
}

CCliCommand command("chord", USAGE, RunChord);

} // namespace

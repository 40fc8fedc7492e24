#include "app/cli/Cli.h"
#include "app/cli/TheoryArgs.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <cstdio>
#include <string>

namespace {

const char* const USAGE =
    "--root R --scale NAME [--spelling key|sharps]: the scale's name, one octave of its MIDI "
    "notes and their names (sharp names unless the key's spelling is asked for)";

int RunScale(CCliArgs& args) {
    for (const std::string& option : args.Unknown({"--root", "--scale", "--spelling"}))
        return std::fprintf(stderr, "scale: unknown option '%s'\n", option.c_str()), 2;
    if (!args.Has("--root") || !args.Has("--scale"))
        return std::fprintf(stderr, "scale: usage: modal-atlas-cli scale %s\n", USAGE), 2;

    const std::string rootText = args.Get("--root");
    int root = 0;
    if (!ParseRootArg(rootText, root))
        return std::fprintf(stderr, "scale: unknown root '%s'\n", rootText.c_str()), 2;
    // The scale by its exact name ("Natural minor"), or by its number.
    const std::string scaleText = args.Get("--scale");
    int scaleType = 0;
    if (!FindScaleTypeByName(scaleText.c_str(), scaleType) &&
        !(ParseSmallNumber(scaleText, scaleType) && GetScaleTypeRecord(scaleType)))
        return std::fprintf(stderr, "scale: unknown scale '%s'\n", scaleText.c_str()), 2;

    NOTE_NAMES spelling = NOTE_NAMES_SHARPS;
    const std::string spellingText = args.Get("--spelling", "sharps");
    if (!ParseSpellingArg(spellingText, spelling))
        return std::fprintf(stderr, "scale: unknown spelling '%s'\n", spellingText.c_str()), 2;

    CNoteManager manager;
    CNoteList notes;
    if (!manager.Initialize() ||
        !manager.GetScaleNotesInRange(root, scaleType, root, root + 11, THING_LEAD_GUITAR, notes)) {
        std::fprintf(stderr, "scale: %s\n", manager.GetErrorText().GetText());
        return 1;
    }
    const CSpelling written(scaleType, root, spelling);
    std::string midis;
    std::string names;
    for (const CNote& note : notes) {
        const char* separator = midis.empty() ? "" : " ";
        midis += separator + std::to_string(note.m_midi);
        names += separator + std::string(written.Name(note.m_midi));
    }
    std::printf("%s %s\n%s\n%s\n", written.Name(root), GetScaleTypeRecord(scaleType)->name,
                midis.c_str(), names.c_str());
    return 0;
}

CCliCommand command("scale", USAGE, RunScale);

} // namespace

#include "app/cli/Cli.h"
#include "song/MidiFile.h"
#include "song/Song.h"

#include <cstdio>

namespace {

// Prints what the program reads from a MIDI file: the song dump, and with --trace every event.
int RunMidiDump(CCliArgs& args) {
    args.DeclareFlags({"--trace"});
    for (const std::string& option : args.Unknown({"--trace"})) {
        std::fprintf(stderr, "midi-dump: unknown option '%s'\n", option.c_str());
        return 2;
    }
    if (args.Positional().size() != 1) {
        std::fprintf(stderr, "Usage: modal-atlas-cli midi-dump [--trace] FILE\n");
        return 2;
    }
    const char* path = args.Positional()[0].c_str();
    bool trace = args.Has("--trace");
    CMidiFile file;
    file.SetTraceEnabled(trace);
    CSong song;
    bool loaded = file.Load(path, song);
    if (trace)
        std::fputs(file.GetTrace().GetText(), stdout);
    if (!loaded) {
        std::fprintf(stderr, "Can't load MIDI file (%s): %s\n", path, file.GetError().GetText());
        return 1;
    }
    CCharString dump;
    song.Dump(&dump);
    std::fputs(dump.GetText(), stdout);
    return 0;
}

CCliCommand command("midi-dump", "[--trace] FILE: print the song read from a MIDI file",
                    RunMidiDump);

} // namespace

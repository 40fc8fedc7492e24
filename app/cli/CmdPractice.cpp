#include "app/cli/Cli.h"
#include "app/cli/PracticeSound.h"
#include "core/ContentFolders.h"
#include "core/Path.h"
#include "song/Composer.h"
#include "song/MidiFile.h"
#include "song/Mix.h"
#include "song/Song.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const USAGE =
    "[--scale NAME] [--root R] [--position P] [--style S] [--groove G] [--tempo T] "
    "[--length 4|8|16] [--pattern NAME] [--progression NAME] [--count-in] [--mute] "
    "[--midi OUT.mid] [--wav OUT.wav] [--play [--device NAME]]: compose the scale practice "
    "that Play Scale plays";

int Bad(const char* format, const char* value) {
    std::fprintf(stderr, "practice: ");
    std::fprintf(stderr, format, value);
    std::fprintf(stderr, "\n");
    return 2;
}

// A whole number within low..high, or false.
bool ReadInt(const std::string& text, int low, int high, int& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(text.c_str(), &end, 10);
    if (*end != 0 || errno != 0 || number < low || number > high)
        return false;
    value = static_cast<int>(number);
    return true;
}

int RunPractice(CCliArgs& args) {
    args.DeclareFlags({"--count-in", "--mute", "--play"});
    for (const std::string& option :
         args.Unknown({"--scale", "--root", "--position", "--style", "--groove", "--tempo",
                       "--length", "--pattern", "--progression", "--count-in", "--mute", "--midi",
                       "--wav", "--play", "--device"}))
        return Bad("unknown option '%s'", option.c_str());
    if (!args.Positional().empty())
        return Bad("unexpected word '%s'", args.Positional()[0].c_str());

    CNoteManager manager;
    if (!manager.Initialize())
        return Bad("Can't initialize note manager: %s", manager.GetErrorText().GetText());
    PRACTICE_REQUEST request;
    std::string scale = args.Get("--scale", "Major");
    if (!FindScaleTypeByName(scale.c_str(), request.scale))
        return Bad("Unknown scale (%s)", scale.c_str());
    std::string root = args.Get("--root", "C");
    if (!FindRootByName(root.c_str(), request.root) && !ReadInt(root, 48, 59, request.root))
        return Bad("Unknown root (%s): use C to B or MIDI note 48 to 59", root.c_str());
    int position = 7;
    if (!ReadInt(args.Get("--position", "7"), 0, 12, position))
        return Bad("Position (%s) is not a fret from 0 to 12", args.Get("--position").c_str());
    request.SetPosition(position);
    CComposer composer(manager);
    if (args.Has("--style")) {
        // A style named without its groove plays the style's first, as the tool offers it.
        request.style = args.Get("--style").c_str();
        if (!args.Has("--groove") && !composer.FindFirstGroove(request.style, request.groove))
            return Bad("%s", composer.GetErrorText().GetText());
    }
    if (args.Has("--groove"))
        request.groove = args.Get("--groove").c_str();
    int tempo = 120;
    if (!ReadInt(args.Get("--tempo", "120"), 40, 240, tempo))
        return Bad("Tempo (%s) is not 40 to 240 beats per minute", args.Get("--tempo").c_str());
    request.SetTempo(tempo);
    std::string length = args.Get("--length", "4");
    if (length != "4" && length != "8" && length != "16")
        return Bad("Note length (%s) is not 4, 8 or 16", length.c_str());
    request.noteLength = std::atoi(length.c_str());
    std::string pattern = args.Get("--pattern", "Up");
    if (!FindPatternByName(pattern.c_str(), request.pattern))
        return Bad("Unknown pattern (%s)", pattern.c_str());
    if (request.scale >= 15 && request.pattern > 4)
        return Bad("Pattern (%s) is not offered with this scale", pattern.c_str());
    std::string progression = args.Get("--progression", "None");
    if (progression != "None" && !FindProgressionByName(progression.c_str(), request.progression))
        return Bad("Unknown progression (%s)", progression.c_str());
    request.guitarVolume = args.Has("--mute") ? 0.0001f : 0.7f;

    // The mix the application plays with: the user's or the sound folder's "Default.mix", else
    // the built-in one.
    CMix mix;
    LoadCurrentMix(mix);
    composer.SetMix(&mix);
    PRACTICE_NOTES practice;
    if (!MakePracticeNotes(composer, request, args.Has("--count-in"), practice))
        return Bad("%s", practice.error.GetText());

    if (args.Has("--midi")) {
        std::string out = args.Get("--midi");
        if (out.empty())
            return Bad("--midi needs a file name%s", "");
        CSong song = practice.song;
        song.SetWholeMeasureDurations(false);
        CMidiFile file;
        file.SetTraceEnabled(false);
        if (!file.Save(out.c_str(), song)) {
            std::fprintf(stderr, "practice: Can't save MIDI file (%s): %s\n", out.c_str(),
                         file.GetError().GetText());
            return 1;
        }
    }

    // One line: the notes of every track, how long the list plays and how many measures.
    std::string summary;
    for (int t = 0; t < practice.song.GetTrackCount(); ++t) {
        const CTrack& track = practice.song[t];
        char part[96];
        std::snprintf(part, sizeof part, "%s%s %d%s", summary.empty() ? "" : ", ",
                      GetThingName(track.m_instrument), track.GetCount(),
                      track.m_enabled ? "" : " (off)");
        summary += part;
    }
    std::printf("%s; %d count-in clicks; %.2f s; %d measures\n", summary.c_str(),
                practice.countInClicks, practice.notes.GetEndTime(true), practice.measures);
    std::fflush(stdout);

    // The list sounds as Play Scale plays it: a beat later than composed.
    if (args.Has("--wav")) {
        std::string out = args.Get("--wav");
        if (out.empty())
            return Bad("--wav needs a file name%s", "");
        CNoteList sounding;
        SoundingNotes(practice, sounding);
        if (int status = RenderNotesToWave(sounding, out.c_str()); status != 0)
            return status;
    }
    if (args.Has("--play"))
        return PlayNotes(practice.notes, args.Get("--device").c_str(), practice.startOffset);
    return 0;
}

CCliCommand command("practice", USAGE, RunPractice);

} // namespace

#include "app/cli/Cli.h"
#include "app/cli/PracticeSound.h"
#include "core/Path.h"
#include "song/Composer.h"
#include "song/Composition.h"
#include "song/Mix.h"
#include "song/Song.h"
#include "sound/Render.h"
#include "theory/NoteManager.h"

#include <cstdio>
#include <string>

namespace {

const char* const USAGE = "FILE.Song [--midi OUT.mid] [--wav OUT.wav]: print a song's parts "
                          "and length, and export it as the song editor does";

int Bad(const char* text) {
    std::fprintf(stderr, "song: %s\n", text);
    return 2;
}

// "Verse: groove Rock/2 Rock; scale C Major; chords C, Am x2, F, G"
std::string DescribePart(CNoteManager& manager, const CSongPart& part) {
    CCharString scale;
    if (!manager.GetScaleName(part.m_scale, part.m_scaleRoot, scale))
        scale.Format("scale %d on %d", part.m_scale, part.m_scaleRoot);
    std::string line = part.m_name.Str() + ": groove " + part.m_grooveStyle.Str() + "/" +
                       part.m_grooveName.Str() + "; scale " + scale.Str() + "; chords";
    if (part.m_chords.IsEmpty())
        line += " none";
    for (int i = 0; i < static_cast<int>(part.m_chords.GetCount()); ++i) {
        CCharString name;
        if (!part.GetChordName(manager, i, name))
            name = "?";
        line += (i == 0 ? " " : ", ") + name.Str();
        if (part.m_chords[i].m_repeat != 1)
            line += " x" + std::to_string(part.m_chords[i].m_repeat);
    }
    return line;
}

int RunSong(CCliArgs& args) {
    for (const std::string& option : args.Unknown({"--midi", "--wav"}))
        return Bad(("unknown option '" + option + "'").c_str());
    if (args.Positional().size() != 1)
        return Bad("Usage: modal-atlas-cli song FILE.Song [--midi OUT.mid] [--wav OUT.wav]");
    const char* path = args.Positional()[0].c_str();
    CComposition composition;
    // A song whose grooves are missing can't be played: that is a song that can't be read.
    if (!composition.Load(path) || !composition.CheckGrooves())
        return Bad(composition.DescribeError(path).GetText());

    CNoteManager manager;
    if (!manager.Initialize())
        return Bad(manager.GetErrorText().GetText());
    CMix mix;
    LoadCurrentMix(mix);
    CComposer composer(manager);
    CCharString grooves;
    grooves.Format("%s/Grooves", GetExecutableFolder().GetText());
    composer.SetGrooveRoot(grooves);
    composer.SetMix(&mix);

    for (int i = 0; i < composition.GetPartCount(); ++i)
        std::printf("%s\n", DescribePart(manager, *composition.GetPart(i)).c_str());
    CSong song;
    if (!composition.Compose(composer, song)) {
        std::fprintf(stderr, "song: %s\n", composition.GetError().GetText());
        return 1;
    }
    std::string order;
    for (int i = 0; i < composition.GetOrderCount(); ++i)
        order += (i == 0 ? "" : ", ") + composition.GetOrderEntry(i)->m_name.Str();
    const int measures = song.m_header.measureCount;
    std::printf("Play order: %s; repeat %d; %d measures; %.2f s\n",
                order.empty() ? "empty" : order.c_str(), composition.m_repeat, measures,
                measures * song.m_header.GetMeasureTime());
    std::fflush(stdout);

    if (args.Has("--midi") && !composition.SaveMidi(composer, args.Get("--midi").c_str())) {
        std::fprintf(stderr, "song: Can't save song as MIDI: %s\n",
                     composition.GetError().GetText());
        return 1;
    }
    if (args.Has("--wav")) {
        OFFLINE_SOUND offline;
        CCharString error;
        if (!offline.Open(error)) {
            std::fprintf(stderr, "song: %s\n", error.GetText());
            return 1;
        }
        CSongRenderer renderer(*offline.sound);
        if (!composition.SaveWave(composer, renderer, args.Get("--wav").c_str())) {
            std::fprintf(stderr, "song: Can't save song as WAVE: %s\n",
                         composition.GetError().GetText());
            return 1;
        }
    }
    return 0;
}

CCliCommand command("song", USAGE, RunSong);

} // namespace

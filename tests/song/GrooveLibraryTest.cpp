// The groove library the build makes from content/grooves: complete, and every groove usable.
#include "song/Composer.h"
#include "song/MidiFile.h"
#include "song/Song.h"
#include "theory/NoteManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path GROOVES = fs::path(MA_RUNTIME_DIR) / "Grooves";

struct GROOVE_FILE {
    std::string style;
    std::string name;
};

void PrintTo(const GROOVE_FILE& groove, std::ostream* out) {
    *out << groove.style << "/" << groove.name;
}

std::vector<GROOVE_FILE> ListGrooves(const fs::path& folder, const char* extension) {
    std::vector<GROOVE_FILE> grooves;
    if (fs::is_directory(folder))
        for (const auto& style : fs::directory_iterator(folder))
            if (style.is_directory())
                for (const auto& file : fs::directory_iterator(style.path()))
                    if (file.path().extension() == extension)
                        grooves.push_back({style.path().filename(), file.path().stem()});
    return grooves;
}

TEST(GrooveLibrary, EverySourceWasBuiltAndEveryStyleHasThreeGrooves) {
    const std::vector<GROOVE_FILE> sources = ListGrooves(MA_GROOVE_SOURCE_DIR, ".groove");
    EXPECT_EQ(ListGrooves(GROOVES, ".mid").size(), sources.size());
    std::map<std::string, int> perStyle;
    for (const GROOVE_FILE& source : sources) {
        EXPECT_TRUE(fs::exists(GROOVES / source.style / (source.name + ".mid"))) << source.name;
        ++perStyle[source.style];
    }
    for (const char* style :
         {"Rock", "Blues", "Pop", "Funk", "Jazz", "Country", "Reggae", "Latin", "Metal", "Ballad"})
        EXPECT_GE(perStyle[style], 3) << style;
    EXPECT_TRUE(fs::exists(GROOVES / "Rock" / "2 Rock.mid")) << "the Show Scale tool's default";
}

class EveryGroove : public testing::TestWithParam<GROOVE_FILE> {};

TEST_P(EveryGroove, HasItsPartsInCAndComposesAPracticeOnEveryRoot) {
    const GROOVE_FILE& groove = GetParam();
    CSong song;
    CMidiFile file;
    file.SetTraceEnabled(false);
    ASSERT_TRUE(file.Load((GROOVES / groove.style / (groove.name + ".mid")).c_str(), song))
        << file.GetError().GetText();
    // Drums on channel 10, bass, rhythm and lead by their programs.
    CTrack* drums = song.FindTrack(THING_DRUM_SET);
    CTrack* bass = song.FindTrack(THING_BASS_GUITAR);
    CTrack* rhythm = song.FindTrack(THING_RHYTHM_GUITAR);
    ASSERT_TRUE(drums && bass && rhythm);
    EXPECT_GT(drums->GetCount(), 0);
    EXPECT_GT(rhythm->GetCount(), 0);
    EXPECT_EQ(bass->m_program, 33);
    EXPECT_EQ(rhythm->m_program, 27);
    if (CTrack* lead = song.FindTrack(THING_LEAD_GUITAR)) {
        EXPECT_EQ(lead->m_program, 29);
    }
    for (const CNote& hit : drums->m_notes)
        EXPECT_NE(hit.m_thing, THING_NONE) << "drum key " << hit.m_midi;
    for (const CNote& strum : rhythm->m_notes)
        EXPECT_EQ(strum.m_midi, 254) << "the rhythm guitar only says when to strum";
    for (const CNote& note : bass->m_notes) { // written in C, around C 36
        EXPECT_GE(note.m_midi, 24);
        EXPECT_LE(note.m_midi, 48);
    }
    // One measure, so that every practice measure has its own chord under it.
    EXPECT_EQ(song.m_header.measureCount, 1);

    static CNoteManager manager;
    static bool ready = manager.Initialize();
    ASSERT_TRUE(ready);
    CComposer composer(manager);
    composer.SetGrooveRoot(GROOVES.c_str());
    for (int root = 48; root < 60; ++root) {
        PRACTICE_REQUEST request;
        request.root = root;
        request.style = groove.style.c_str();
        request.groove = groove.name.c_str();
        request.pattern = 2;
        CSong practice;
        ASSERT_TRUE(composer.ComposeScalePractice(request, practice))
            << "root " << root << ": " << composer.GetErrorText().GetText();
        EXPECT_EQ(request.beatsPerMeasure, song.m_header.beatsPerMeasure);
        for (const CNote& note : practice.FindTrack(THING_BASS_GUITAR)->m_notes) {
            EXPECT_GE(note.m_midi, 28); // within the bass's strings and an octave of the chord
            EXPECT_LE(note.m_midi, 60);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Library, EveryGroove, testing::ValuesIn(ListGrooves(GROOVES, ".mid")),
                         [](const auto& info) {
                             std::string name = info.param.style + "_" + info.param.name;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(EveryGroove);

} // namespace

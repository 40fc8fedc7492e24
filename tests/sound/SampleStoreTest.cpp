// The sample sets: files per string and fret, filled up by resampling, drums, and finding the
// sample a note plays.
#include "sound/SampleStore.h"
#include "sound/SampleRoutines.h"
#include "sound/SoundFile.h"
#include "tests/sound/EngineSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

constexpr int kGuitarOpen[6] = {64, 59, 55, 50, 45, 40};
constexpr int kBassOpen[4] = {43, 38, 33, 28};

class SampleStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_notes.Initialize()); }

    std::string Name(const char* set, int string, int fret) {
        return MakeStringedSampleName(m_folder.Path().c_str(), set, string, fret).Str();
    }
    // A short sine at the note's pitch, saved where the store looks for the string and fret.
    void WriteStringSample(const char* set, int string, int fret, int openMidi) {
        const double frequency = 440.0 * std::pow(2.0, (openMidi + fret - 69) / 12.0);
        ASSERT_TRUE(WriteWave(Name(set, string, fret), Sine(frequency, 2205, 0.25)));
    }
    // Every string of a set at frets 0, 12 and 24.
    void WriteSet(const char* set, int strings, const int* open) {
        for (int string = 1; string <= strings; ++string)
            for (int fret : {0, 12, 24})
                WriteStringSample(set, string, fret, open[string - 1]);
    }
    void WriteAllSets() {
        WriteSet("Clean Guitar", 6, kGuitarOpen);
        WriteSet("Finger Bass", 4, kBassOpen);
        ASSERT_TRUE(WriteTestSampleSets(m_folder.File("Drums only/")));
        std::filesystem::rename(m_folder.File("Drums only/Drums"), m_folder.File("Drums"));
    }
    // The samples stored for one string of a band part, in store order.
    std::vector<const CSoundInfo*> OnString(int32_t thing, int string) {
        std::vector<const CSoundInfo*> found;
        if (const CVarList<CSoundInfo>* list = m_store.GetSamples(thing))
            for (const CSoundInfo& sample : *list)
                if (sample.note.Position().string == string)
                    found.push_back(&sample);
        return found;
    }
    static std::string FileOf(const CSoundInfo& sample) {
        return std::filesystem::path(sample.fileName.GetText()).filename().string();
    }

    CNoteManager m_notes;
    CSampleStore m_store{m_notes};
    CTempFolder m_folder;
};

TEST_F(SampleStoreTest, EachNoteOfAStringIsMadeFromTheFileBelowItUpToSixAboveTheLast) {
    EXPECT_EQ(MakeStringedSampleName("/s/", "Clean Guitar", 3, 7),
              "/s/Clean Guitar/Clean Guitar_3- 7.wav");
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    std::filesystem::remove(Name("Clean Guitar", 3, 24));
    WriteStringSample("Clean Guitar", 3, 5, 55);
    ASSERT_TRUE(m_store.LoadStringedSet(m_folder.Path().c_str(), "Clean Guitar", THING_LEAD_GUITAR))
        << m_store.GetErrorText().GetText();
    const std::vector<const CSoundInfo*> string3 = OnString(THING_LEAD_GUITAR, 3);
    ASSERT_EQ(string3.size(), 19u) << "MIDI 55 to 73";
    for (size_t i = 0; i < string3.size(); ++i) {
        const CSoundInfo& sample = *string3[i];
        const int midi = 55 + int(i);
        EXPECT_EQ(sample.note.m_midi, midi);
        EXPECT_EQ(sample.note.Position().fret, int(i)) << "fret counts up with the note";
        EXPECT_EQ(sample.note.m_thing, THING_LEAD_GUITAR);
        EXPECT_EQ(FileOf(sample), midi <= 59   ? "Clean Guitar_3- 0.wav"
                                  : midi <= 66 ? "Clean Guitar_3- 5.wav"
                                               : "Clean Guitar_3-12.wav");
        // A sample made from a file below sounds higher by being shorter.
        const CSoundInfo& file = *string3[midi <= 59 ? 0 : midi <= 66 ? 5 : 12];
        EXPECT_NEAR(double(file.size) / double(sample.size),
                    sample.note.m_frequency / file.note.m_frequency, 0.01);
    }
    // The strings were loaded from the highest number down, each up to fret 30.
    const CVarList<CSoundInfo>& all = *m_store.GetSamples(THING_LEAD_GUITAR);
    EXPECT_EQ(all[0].note.Position().string, 6);
    EXPECT_EQ(all[all.GetCount() - 1].note.Position().string, 1);
    EXPECT_EQ(all[all.GetCount() - 1].note.Position().fret, 30);
    EXPECT_EQ(all.GetCount(), 5u * 31u + 19u);
}

TEST_F(SampleStoreTest, AMissingStringOrAnUnreadableFileStopsTheLoadWithItsName) {
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    for (int fret : {0, 12, 24})
        std::filesystem::remove(Name("Clean Guitar", 2, fret));
    EXPECT_FALSE(
        m_store.LoadStringedSet(m_folder.Path().c_str(), "Clean Guitar", THING_RHYTHM_GUITAR));
    EXPECT_EQ(m_store.GetErrorText(), "No samples found for 'Clean Guitar', string 2");
    EXPECT_EQ(OnString(THING_RHYTHM_GUITAR, 3).size(), 31u) << "the strings before are kept";
    EXPECT_TRUE(OnString(THING_RHYTHM_GUITAR, 1).empty());

    WriteStringSample("Clean Guitar", 2, 0, 59);
    const std::string broken = Name("Clean Guitar", 4, 12);
    ASSERT_TRUE(WriteWholeFile(broken, {'R', 'I', 'F', 'F'}));
    EXPECT_FALSE(m_store.LoadAllSets(m_folder.Path().c_str()));
    EXPECT_EQ(m_store.GetErrorText(),
              ("Can't read file '" + broken + "': Can't read MMIO").c_str());
}

TEST_F(SampleStoreTest, ANoteFindsTheFirstSampleOfItsStringAndFretOrElseOfItsPitch) {
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    ASSERT_TRUE(
        m_store.LoadStringedSet(m_folder.Path().c_str(), "Clean Guitar", THING_LEAD_GUITAR));
    auto find = [&](int midi, int string, int fret) {
        CNote note;
        note.m_thing = THING_LEAD_GUITAR;
        note.m_midi = midi;
        note.Position().string = string;
        note.Position().fret = fret;
        const CSoundInfo* found = nullptr;
        if (!m_store.FindSound(note, found))
            return std::make_tuple(0, 0, 0);
        return std::make_tuple(found->note.m_midi, found->note.Position().string,
                               found->note.Position().fret);
    };
    // E4 on the open first string: string 6, loaded first, reaches MIDI 64 at fret 24.
    EXPECT_EQ(find(64, 1, 0), std::make_tuple(64, 6, 24));
    // String and fret find the sample even when the pitch field says otherwise.
    EXPECT_EQ(find(100, 4, 3), std::make_tuple(53, 4, 3));
    EXPECT_EQ(find(52, INT_NOT_SET, INT_NOT_SET), std::make_tuple(52, 6, 12));
    EXPECT_EQ(find(94, 1, 30), std::make_tuple(94, 1, 30)); // only string 1 reaches MIDI 94
    EXPECT_EQ(find(39, INT_NOT_SET, INT_NOT_SET), std::make_tuple(0, 0, 0)); // below low E
    EXPECT_EQ(m_store.GetErrorText(), "Can't find the note");
    CNote bass;
    bass.m_thing = THING_BASS_GUITAR;
    const CSoundInfo* found = nullptr;
    EXPECT_FALSE(m_store.FindSound(bass, found));
    EXPECT_EQ(m_store.GetErrorText(), "Can't find the instrument");
}

TEST_F(SampleStoreTest, AllSetsLoadWithDrumsOnTheirPercussionNotesAndShareTheirData) {
    WriteAllSets();
    ASSERT_TRUE(m_store.LoadAllSets(m_folder.Path().c_str())) << m_store.GetErrorText().GetText();
    size_t count = 0;
    const DRUM_SAMPLE* drums = GetDrumSamples(count);
    for (size_t i = 0; i < count; ++i) {
        const CVarList<CSoundInfo>* list = m_store.GetSamples(drums[i].thing);
        ASSERT_NE(list, nullptr) << drums[i].file;
        ASSERT_EQ(list->GetCount(), 1u);
        EXPECT_EQ((*list)[0].note.m_midi, drums[i].midi);
        EXPECT_EQ((*list)[0].note.m_midi, GetPercussionNote(drums[i].thing));
        EXPECT_EQ(FileOf((*list)[0]), drums[i].file);
        EXPECT_NEAR(GetPeak((*list)[0].GetBytes(), (*list)[0].size, (*list)[0].format), 0.7, 0.001)
            << "normalised on loading";
    }
    // A drum hit without pitch takes the part's sample; both bass drums share Bass.wav's data.
    CNote hit;
    hit.m_thing = THING_SNARE_DRUM;
    const CSoundInfo* found = nullptr;
    ASSERT_TRUE(m_store.FindSound(hit, found));
    EXPECT_EQ(FileOf(*found), "Snare.wav");
    EXPECT_EQ((*m_store.GetSamples(THING_BASS_DRUM_1))[0].data.get(),
              (*m_store.GetSamples(THING_BASS_DRUM_2))[0].data.get());
    // The two guitars play one set: the same data, each note under its own guitar.
    const CVarList<CSoundInfo>& lead = *m_store.GetSamples(THING_LEAD_GUITAR);
    const CVarList<CSoundInfo>& rhythm = *m_store.GetSamples(THING_RHYTHM_GUITAR);
    ASSERT_EQ(rhythm.GetCount(), lead.GetCount());
    size_t guitarBytes = 0;
    for (size_t i = 0; i < lead.GetCount(); ++i) {
        EXPECT_EQ(lead[i].data.get(), rhythm[i].data.get()) << i;
        EXPECT_EQ(rhythm[i].note.m_thing, THING_RHYTHM_GUITAR);
        guitarBytes += lead[i].size;
    }
    EXPECT_EQ(m_store.GetSampleCount(), 2 * 186u + 124u + 18u);
    size_t allBytes = 0;
    for (int thing = THING_NONE; thing < THING_MAX; ++thing)
        if (const CVarList<CSoundInfo>* samples = m_store.GetSamples(thing))
            for (const CSoundInfo& sample : *samples)
                allBytes += sample.size;
    EXPECT_EQ(m_store.GetDataBytes(),
              allBytes - guitarBytes - (*m_store.GetSamples(THING_BASS_DRUM_2))[0].size)
        << "shared data counted once";
    ASSERT_TRUE(m_store.LoadAllSets(m_folder.Path().c_str()));
    EXPECT_EQ(m_store.GetSampleCount(), 2 * 186u + 124u + 18u) << "loading again replaces";

    // A copy held elsewhere (a note being mixed) outlives the store's own.
    const CSoundInfo& first = (*m_store.GetSamples(THING_LEAD_GUITAR))[0];
    std::weak_ptr<int16_t[]> watch = first.data;
    CSoundInfo held = first;
    m_store.Clear();
    EXPECT_EQ(m_store.GetSampleCount(), 0u);
    ASSERT_FALSE(watch.expired());
    held.Free();
    EXPECT_TRUE(watch.expired()) << "the last holder frees the data";
}

TEST_F(SampleStoreTest, LoadingSamplesReportsWhatIsMissing) {
    WriteAllSets();
    const std::string drums = m_folder.File("Drums");
    std::filesystem::remove(drums + "/Ride.wav");
    EXPECT_FALSE(m_store.LoadDrumSet(drums.c_str()));
    EXPECT_EQ(m_store.GetErrorText(),
              ("Can't read file '" + drums + "/Ride.wav': Can't open file").c_str());
    EXPECT_NE(m_store.GetSamples(THING_HIHAT_FOOT), nullptr) << "the rows before are kept";
    EXPECT_EQ(m_store.GetSamples(THING_TOM_1), nullptr);

    const std::string snare = drums + "/Snare.wav";
    CSoundInfo sample;
    EXPECT_FALSE(m_store.LoadSample(sample, snare.c_str(), THING_LEAD_GUITAR, 200));
    EXPECT_EQ(m_store.GetErrorText(), "Can't find MIDI note 200");
    EXPECT_FALSE(m_store.LoadSample(sample, snare.c_str(), THING_OCTOBAN_1));
    EXPECT_EQ(m_store.GetErrorText(), "Can't get MIDI note for instrument 16");
    ASSERT_TRUE(m_store.LoadSample(sample, snare.c_str(), THING_LEAD_GUITAR, 60));
    EXPECT_EQ(sample.note.m_sharpName, "C");
    EXPECT_EQ(sample.note.m_thing, THING_LEAD_GUITAR);
    CSoundInfo unset;
    EXPECT_FALSE(m_store.AddSound(unset));
    EXPECT_EQ(m_store.GetErrorText(), "Can't add sound: the instrument is not set");
    EXPECT_TRUE(IsDrumPart(1));
    EXPECT_TRUE(IsDrumPart(34));
    EXPECT_FALSE(IsDrumPart(35));
    EXPECT_FALSE(IsDrumPart(0));
    EXPECT_EQ(GetPercussionNote(THING_LEAD_GUITAR), MIDI_NO_PITCH);
}

TEST_F(SampleStoreTest, UsersRecordingsTakeThePlaceOfShippedSamplesOfTheSameName) {
    WriteAllSets();
    CTempFolder user;
    size_t count = 0;
    const DRUM_SAMPLE& drum = GetDrumSamples(count)[0];
    const std::string myDrum = user.Path() + "/Drums/" + drum.file;
    const CCharString myFret = MakeStringedSampleName(user.Path().c_str(), "Clean Guitar", 1, 12);
    CSoundFile file;
    ASSERT_TRUE(file.Save(myDrum.c_str(), MakeSample(Sine(300.0, 441, 0.1), 1)));
    ASSERT_TRUE(file.Save(myFret, MakeSample(Sine(659.3, 2205, 0.25), 1)));
    ASSERT_TRUE(m_store.LoadAllSets(m_folder.Path().c_str(), user.Path().c_str()))
        << m_store.GetErrorText().GetText();

    EXPECT_EQ((*m_store.GetSamples(drum.thing))[0].fileName.Str(), myDrum);
    for (const CSoundInfo* sample : OnString(THING_LEAD_GUITAR, 1)) {
        const bool fromMine =
            sample->note.Position().fret >= 12 && sample->note.Position().fret < 24;
        EXPECT_EQ(sample->fileName == myFret.GetText(), fromMine) << sample->note.Position().fret;
    }
}

TEST(PercussionNotes, DrumPartsOutsideTheTableHaveNone) {
    EXPECT_EQ(GetPercussionNote(THING_SNARE_DRUM), 38);
    EXPECT_EQ(GetPercussionNote(THING_BASS_DRUM_2), 35);
    EXPECT_EQ(GetPercussionNote(THING_TOM_1), 41);
    EXPECT_EQ(GetPercussionNote(THING_CRASH_CYMBAL_3), MIDI_NO_PITCH);
}

} // namespace

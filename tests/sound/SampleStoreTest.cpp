#include "sound/SampleStore.h"
#include "WaveBytes.h"
#include "sound/SampleRoutines.h"
#include "sound/SoundFile.h"
#include "theory/NoteManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

namespace {

constexpr int kGuitarOpen[6] = {64, 59, 55, 50, 45, 40};
constexpr int kBassOpen[4] = {43, 38, 33, 28};

class SampleStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_notes.Initialize());
        ASSERT_FALSE(m_folder.Path().empty());
    }

    // A short sine at the note's pitch, saved where the store looks for the string and fret.
    void WriteStringSample(const char* set, int string, int fret, int openMidi) {
        double frequency = 440.0 * std::pow(2.0, (openMidi + fret - 69) / 12.0);
        CSoundInfo sample = MakeSample(Sine(frequency, 2205, 0.25), 1);
        CCharString path = MakeStringedSampleName(m_folder.Path().c_str(), set, string, fret);
        CSoundFile file;
        ASSERT_TRUE(file.Save(path, sample)) << file.GetErrorText().GetText();
    }
    // Every string of a set at frets 0, 12 and 24.
    void WriteSet(const char* set, int strings, const int* open) {
        for (int string = 1; string <= strings; ++string)
            for (int fret : {0, 12, 24})
                WriteStringSample(set, string, fret, open[string - 1]);
    }
    void WriteDrums(const char* skip = nullptr) {
        size_t count = 0;
        const DRUM_SAMPLE* drums = GetDrumSamples(count);
        for (size_t i = 0; i < count; ++i) {
            if (skip && std::string(drums[i].file) == skip)
                continue;
            CSoundFile file;
            ASSERT_TRUE(file.Save((m_folder.Path() + "/Drums/" + drums[i].file).c_str(),
                                  MakeSample(Sine(100.0 + 10.0 * double(i), 441, 0.1), 1)));
        }
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

TEST_F(SampleStoreTest, FileNamesPadTheFretToTwoCharacters) {
    EXPECT_EQ(MakeStringedSampleName("/s", "Clean Guitar", 3, 7),
              "/s/Clean Guitar/Clean Guitar_3- 7.wav");
    EXPECT_EQ(MakeStringedSampleName("/s/", "Clean Guitar", 3, 12),
              "/s/Clean Guitar/Clean Guitar_3-12.wav");
}

TEST_F(SampleStoreTest, StringWithFilesAtFrets0And5And12FillsUpFromTheFileBelow) {
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    std::filesystem::remove(
        MakeStringedSampleName(m_folder.Path().c_str(), "Clean Guitar", 3, 24).GetText());
    WriteStringSample("Clean Guitar", 3, 5, 55);
    ASSERT_TRUE(m_store.LoadStringedSet(m_folder.Path().c_str(), "Clean Guitar", THING_LEAD_GUITAR))
        << m_store.GetErrorText().GetText();

    std::vector<const CSoundInfo*> string3 = OnString(THING_LEAD_GUITAR, 3);
    ASSERT_EQ(string3.size(), 19u) << "MIDI 55 to 73";
    for (size_t i = 0; i < string3.size(); ++i) {
        const CSoundInfo& sample = *string3[i];
        const int midi = 55 + int(i);
        SCOPED_TRACE(midi);
        EXPECT_EQ(sample.note.m_midi, midi);
        EXPECT_EQ(sample.note.Position().fret, int(i)) << "fret counts up with the note";
        EXPECT_EQ(sample.note.m_thing, THING_LEAD_GUITAR);
        const char* file = midi <= 59   ? "Clean Guitar_3- 0.wav"
                           : midi <= 66 ? "Clean Guitar_3- 5.wav"
                                        : "Clean Guitar_3-12.wav";
        EXPECT_EQ(FileOf(sample), file);
        EXPECT_NEAR(sample.note.m_frequency, 440.0 * std::pow(2.0, (midi - 69) / 12.0), 0.01);
    }
    // A sample made from a file below sounds higher by being shorter.
    const double ratio = string3[4]->note.m_frequency / string3[0]->note.m_frequency;
    EXPECT_NEAR(double(string3[0]->size) / double(string3[4]->size), ratio, 0.01);
    // The strings were loaded from the highest number down.
    const CVarList<CSoundInfo>& all = *m_store.GetSamples(THING_LEAD_GUITAR);
    EXPECT_EQ(all[0].note.Position().string, 6);
    EXPECT_EQ(all[all.GetCount() - 1].note.Position().string, 1);
}

TEST_F(SampleStoreTest, EveryStringReachesSixSemitonesAboveItsHighestFile) {
    WriteSet("Finger Bass", 4, kBassOpen);
    ASSERT_TRUE(m_store.LoadStringedSet(m_folder.Path().c_str(), "Finger Bass", THING_BASS_GUITAR));
    for (int string = 1; string <= 4; ++string) {
        std::vector<const CSoundInfo*> samples = OnString(THING_BASS_GUITAR, string);
        ASSERT_EQ(samples.size(), 31u) << string;
        EXPECT_EQ(samples.front()->note.m_midi, kBassOpen[string - 1]);
        EXPECT_EQ(samples.back()->note.m_midi, kBassOpen[string - 1] + 30);
        EXPECT_EQ(samples.back()->note.Position().fret, 30);
    }
    EXPECT_EQ(m_store.GetSamples(THING_BASS_GUITAR)->GetCount(), 4u * 31u);
}

TEST_F(SampleStoreTest, MissingStringFailsAfterTheHigherStringsWereStored) {
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    for (int fret : {0, 12, 24})
        std::filesystem::remove(
            MakeStringedSampleName(m_folder.Path().c_str(), "Clean Guitar", 2, fret).GetText());
    EXPECT_FALSE(
        m_store.LoadStringedSet(m_folder.Path().c_str(), "Clean Guitar", THING_RHYTHM_GUITAR));
    EXPECT_EQ(m_store.GetErrorText(), "No samples found for 'Clean Guitar', string 2");
    for (int string = 6; string >= 3; --string)
        EXPECT_EQ(OnString(THING_RHYTHM_GUITAR, string).size(), 31u) << string;
    EXPECT_TRUE(OnString(THING_RHYTHM_GUITAR, 2).empty());
    EXPECT_TRUE(OnString(THING_RHYTHM_GUITAR, 1).empty());
}

TEST_F(SampleStoreTest, UnreadableSampleFileNamesTheFileAndTheReason) {
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    CCharString broken = MakeStringedSampleName(m_folder.Path().c_str(), "Clean Guitar", 4, 12);
    ASSERT_TRUE(WriteWholeFile(broken.Str(), {'R', 'I', 'F', 'F'}));
    EXPECT_FALSE(
        m_store.LoadStringedSet(m_folder.Path().c_str(), "Clean Guitar", THING_LEAD_GUITAR));
    CCharString expected;
    expected.Format("Can't read file '%s': Can't read MMIO", broken.GetText());
    EXPECT_EQ(m_store.GetErrorText(), expected);
}

TEST_F(SampleStoreTest, FindSoundPrefersTheEarliestMatchInLoadOrder) {
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    ASSERT_TRUE(
        m_store.LoadStringedSet(m_folder.Path().c_str(), "Clean Guitar", THING_LEAD_GUITAR));

    CNote note;
    note.m_thing = THING_LEAD_GUITAR;
    note.m_midi = 64;
    note.Position().string = 1;
    note.Position().fret = 0;
    const CSoundInfo* found = nullptr;
    ASSERT_TRUE(m_store.FindSound(note, found));
    // String 6, loaded first, reaches MIDI 64 at fret 24.
    EXPECT_EQ(found->note.Position().string, 6);
    EXPECT_EQ(found->note.Position().fret, 24);
    EXPECT_EQ(found->note.m_midi, 64);

    // String and fret find the sample even when the pitch field says otherwise.
    note.m_midi = 100;
    note.Position().string = 4;
    note.Position().fret = 3;
    ASSERT_TRUE(m_store.FindSound(note, found));
    EXPECT_EQ(found->note.Position().string, 4);
    EXPECT_EQ(found->note.Position().fret, 3);
    EXPECT_EQ(found->note.m_midi, 53);

    // A note without a string gets the pitch on the highest-numbered string that has it.
    note.Position().Clear();
    note.m_midi = 52; // E3: string 6 fret 12, string 5 fret 7, string 4 fret 2
    ASSERT_TRUE(m_store.FindSound(note, found));
    EXPECT_EQ(found->note.Position().string, 6);
    EXPECT_EQ(found->note.Position().fret, 12);

    // Placed on a string where no earlier sample has its pitch: that string and fret.
    note.m_midi = 94; // only string 1 reaches MIDI 94 (fret 30)
    note.Position().string = 1;
    note.Position().fret = 30;
    ASSERT_TRUE(m_store.FindSound(note, found));
    EXPECT_EQ(found->note.Position().string, 1);
    EXPECT_EQ(found->note.m_midi, 94);

    note.Position().Clear();
    note.m_midi = 39; // below the open low E
    EXPECT_FALSE(m_store.FindSound(note, found));
    EXPECT_EQ(m_store.GetErrorText(), "Can't find the note");
    EXPECT_EQ(found, nullptr);

    note.m_thing = THING_BASS_GUITAR;
    EXPECT_FALSE(m_store.FindSound(note, found));
    EXPECT_EQ(m_store.GetErrorText(), "Can't find the instrument");
}

TEST_F(SampleStoreTest, DrumSetStoresEachPieceWithItsPercussionNote) {
    WriteDrums();
    ASSERT_TRUE(m_store.LoadDrumSet((m_folder.Path() + "/Drums").c_str()))
        << m_store.GetErrorText().GetText();
    size_t count = 0;
    const DRUM_SAMPLE* drums = GetDrumSamples(count);
    ASSERT_EQ(count, 18u);
    for (size_t i = 0; i < count; ++i) {
        const CVarList<CSoundInfo>* list = m_store.GetSamples(drums[i].thing);
        ASSERT_NE(list, nullptr) << drums[i].file;
        ASSERT_EQ(list->GetCount(), 1u);
        EXPECT_EQ((*list)[0].note.m_midi, drums[i].midi);
        EXPECT_EQ(FileOf((*list)[0]), drums[i].file);
        EXPECT_NEAR(GetPeak((*list)[0].GetBytes(), (*list)[0].size, (*list)[0].format), 0.7, 0.001)
            << "normalised on loading";
    }
    // Both bass drums play Bass.wav, from one copy of its data.
    const CSoundInfo& kick1 = (*m_store.GetSamples(THING_BASS_DRUM_1))[0];
    const CSoundInfo& kick2 = (*m_store.GetSamples(THING_BASS_DRUM_2))[0];
    EXPECT_EQ(kick1.note.m_midi, 36);
    EXPECT_EQ(kick2.note.m_midi, 35);
    EXPECT_EQ(kick1.data.get(), kick2.data.get());

    // A drum hit without pitch takes the part's sample.
    CNote hit;
    hit.m_thing = THING_SNARE_DRUM;
    const CSoundInfo* found = nullptr;
    ASSERT_TRUE(m_store.FindSound(hit, found));
    EXPECT_EQ(FileOf(*found), "Snare.wav");
}

TEST_F(SampleStoreTest, MissingDrumFileStopsTheLoadKeepingEarlierRows) {
    WriteDrums("Ride.wav");
    std::string drums = m_folder.Path() + "/Drums";
    EXPECT_FALSE(m_store.LoadDrumSet(drums.c_str()));
    EXPECT_EQ(m_store.GetErrorText(),
              ("Can't read file '" + drums + "/Ride.wav': Can't open file").c_str());
    EXPECT_NE(m_store.GetSamples(THING_HIHAT_FOOT), nullptr);
    EXPECT_EQ(m_store.GetSamples(THING_RIDE_CYMBAL), nullptr);
    EXPECT_EQ(m_store.GetSamples(THING_TOM_1), nullptr);
}

TEST_F(SampleStoreTest, LoadSampleMessages) {
    WriteDrums();
    std::string snare = m_folder.Path() + "/Drums/Snare.wav";
    CSoundInfo sample;
    EXPECT_FALSE(m_store.LoadSample(sample, snare.c_str(), THING_LEAD_GUITAR, 200));
    EXPECT_EQ(m_store.GetErrorText(), "Can't find MIDI note 200");
    EXPECT_FALSE(m_store.LoadSample(sample, snare.c_str(), THING_HIHAT_BOTTOM));
    EXPECT_EQ(m_store.GetErrorText(), "Can't get MIDI note for instrument 7");
    EXPECT_FALSE(m_store.LoadSample(sample, snare.c_str(), THING_OCTOBAN_1));
    EXPECT_EQ(m_store.GetErrorText(), "Can't get MIDI note for instrument 16");

    ASSERT_TRUE(m_store.LoadSample(sample, snare.c_str(), THING_LEAD_GUITAR, 60));
    EXPECT_EQ(sample.note.m_midi, 60);
    EXPECT_EQ(sample.note.m_sharpName, "C");
    EXPECT_EQ(sample.note.m_octave, 4);
    EXPECT_EQ(sample.note.m_thing, THING_LEAD_GUITAR);
    EXPECT_EQ(m_store.GetSampleCount(), 0u) << "loading does not store";

    CSoundInfo unset;
    EXPECT_FALSE(m_store.AddSound(unset));
    EXPECT_EQ(m_store.GetErrorText(), "Can't add sound: the instrument is not set");
}

TEST_F(SampleStoreTest, AddSoundKeepsArrivalOrderPerPart) {
    for (int midi : {50, 40, 45}) {
        CSoundInfo sample = MakeSample({1, 2}, 1);
        sample.note.m_thing = THING_BASS_GUITAR;
        sample.note.m_midi = midi;
        ASSERT_TRUE(m_store.AddSound(sample));
    }
    const CVarList<CSoundInfo>& list = *m_store.GetSamples(THING_BASS_GUITAR);
    ASSERT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(list[0].note.m_midi, 50);
    EXPECT_EQ(list[1].note.m_midi, 40);
    EXPECT_EQ(list[2].note.m_midi, 45);
}

TEST_F(SampleStoreTest, AllSetsShareTheGuitarDataAndFreeItOnClear) {
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    WriteSet("Finger Bass", 4, kBassOpen);
    WriteDrums();
    ASSERT_TRUE(m_store.LoadAllSets(m_folder.Path().c_str())) << m_store.GetErrorText().GetText();

    const CVarList<CSoundInfo>& lead = *m_store.GetSamples(THING_LEAD_GUITAR);
    const CVarList<CSoundInfo>& rhythm = *m_store.GetSamples(THING_RHYTHM_GUITAR);
    ASSERT_EQ(lead.GetCount(), 6u * 31u);
    ASSERT_EQ(rhythm.GetCount(), lead.GetCount());
    size_t guitarBytes = 0;
    for (size_t i = 0; i < lead.GetCount(); ++i) {
        EXPECT_EQ(lead[i].data.get(), rhythm[i].data.get()) << i;
        EXPECT_EQ(lead[i].note.m_midi, rhythm[i].note.m_midi);
        EXPECT_EQ(rhythm[i].note.m_thing, THING_RHYTHM_GUITAR);
        guitarBytes += lead[i].size;
    }
    EXPECT_EQ(m_store.GetSampleCount(), 2 * 186u + 124u + 18u);
    // The lead guitar's data counted once, not twice.
    EXPECT_LT(m_store.GetDataBytes(), 2 * guitarBytes);

    // A copy held elsewhere (a note being mixed) outlives the store's own.
    std::weak_ptr<int16_t[]> watch = lead[0].data;
    CSoundInfo held = lead[0];
    m_store.Clear();
    EXPECT_EQ(m_store.GetSampleCount(), 0u);
    ASSERT_FALSE(watch.expired());
    EXPECT_NE(held.GetValues()[100], 0);
    held.Free();
    EXPECT_TRUE(watch.expired()) << "the last holder frees the data";
}

TEST_F(SampleStoreTest, LoadingAgainReplacesRatherThanDoubles) {
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    WriteSet("Finger Bass", 4, kBassOpen);
    WriteDrums();
    ASSERT_TRUE(m_store.LoadAllSets(m_folder.Path().c_str()));
    size_t count = m_store.GetSampleCount();
    ASSERT_TRUE(m_store.LoadAllSets(m_folder.Path().c_str()));
    EXPECT_EQ(m_store.GetSampleCount(), count);
}

TEST_F(SampleStoreTest, UsersRecordingsTakeThePlaceOfShippedSamplesOfTheSameName) {
    WriteSet("Clean Guitar", 6, kGuitarOpen);
    WriteSet("Finger Bass", 4, kBassOpen);
    WriteDrums();
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
    EXPECT_EQ(GetPercussionNote(THING_LEAD_GUITAR), MIDI_NO_PITCH);
    EXPECT_TRUE(IsDrumPart(1));
    EXPECT_TRUE(IsDrumPart(34));
    EXPECT_FALSE(IsDrumPart(35));
    EXPECT_FALSE(IsDrumPart(0));
}

} // namespace

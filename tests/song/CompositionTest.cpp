#include "song/Composition.h"

#include "tests/song/SongTestUtil.h"

#include <gtest/gtest.h>

namespace {

CChord MakeChord(int root, int accidental, int type, int repeat, int group, int degree) {
    CChord chord;
    chord.m_root.m_midi = root;
    chord.m_root.m_accidental = accidental;
    chord.m_chordType = type;
    chord.m_repeat = repeat;
    chord.m_chordGroup = group;
    chord.m_degree = degree;
    return chord;
}

CSongPart* MakePart(const char* name, int repeat, int scale) {
    CSongPart* part = new CSongPart();
    part->m_name.Set(name);
    part->m_repeat = repeat;
    part->m_scale = scale;
    return part;
}

class CompositionTest : public ::testing::Test {
protected:
    // "Verse" (twice in the order) and "Chorus", at 96 beats per minute, played 3 times.
    void Fill(CComposition& c) {
        c.m_name.Set("Song = one");
        c.m_description.Set("A tune");
        c.m_header.tempo = 96.0;
        c.m_repeat = 3;
        CSongPart* verse = MakePart("Verse", 2, 10);
        verse->m_description.Set("first");
        verse->m_grooveStyle.Set("Rock");
        verse->m_grooveName.Set("1 Rock");
        verse->m_grooveFile.Set("Grooves/Rock/1 Rock.mid");
        verse->m_scaleRoot = 45;
        verse->AddChord(MakeChord(45, 0, 2, 2, 0, 0), -1);
        verse->AddChord(MakeChord(52, 3, 1, 1, 4, 5), -1);
        verse->AddChord(MakeChord(48, 1, 3, 1, 0, 0), 1); // inserted in the middle
        ASSERT_TRUE(c.AddPart(verse));
        CSongPart* chorus = MakePart("Chorus", 1, 15);
        ASSERT_TRUE(c.AddPart(chorus));
        ASSERT_TRUE(c.AppendToOrder(verse));
        ASSERT_TRUE(c.AppendToOrder(chorus));
        ASSERT_TRUE(c.AppendToOrder(verse));
    }
    CTempFolder folder;
};

TEST_F(CompositionTest, FileLayout) {
    CComposition c;
    Fill(c);
    std::string path = folder.Path("Tune.Song");
    ASSERT_TRUE(c.Save(path.c_str())) << c.GetError().GetText();
    EXPECT_EQ(ReadBytes(path), "Start of Song Info= \r\n"
                               "Name=Song = one\r\n"
                               "Description=A tune\r\n"
                               "Tempo=96.00\r\n"
                               "Repeat=3\r\n"
                               "Parts=Verse~2^Chorus~1^Verse~2^\r\n"
                               "End of Song Info= \r\n"
                               "\r\n\r\n"
                               "Start of Song Part= \r\n"
                               "Name=Verse\r\n"
                               "Description=first\r\n"
                               "Repeat=2\r\n"
                               "Groove style=Rock\r\n"
                               "Groove name=1 Rock\r\n"
                               "Groove file=Grooves/Rock/1 Rock.mid\r\n"
                               "Scale=Harmonic minor\r\n"
                               "Scale root=45\r\n"
                               "Chords=45/0/2/2/0/0,48/1/3/1/0/0,52/3/1/1/4/5,\r\n"
                               "End of Song Part= \r\n"
                               "\r\n\r\n"
                               "Start of Song Part= \r\n"
                               "Name=Chorus\r\n"
                               "Description=\r\n"
                               "Repeat=1\r\n"
                               "Groove style=\r\n"
                               "Groove name=\r\n"
                               "Groove file=\r\n"
                               "Scale=Blues\r\n"
                               "Scale root=48\r\n"
                               "Chords=\r\n"
                               "End of Song Part= \r\n"
                               "\r\n\r\n");
    EXPECT_FALSE(c.IsModified());
    EXPECT_EQ(c.GetFile(), path.c_str());
}

TEST_F(CompositionTest, SaveAndLoadGiveTheSameCompositionFieldByField) {
    CComposition c;
    Fill(c);
    std::string path = folder.Path("Round.Song");
    ASSERT_TRUE(c.Save(path.c_str()));
    CComposition back;
    ASSERT_TRUE(back.Load(path.c_str())) << back.GetError().GetText();
    EXPECT_EQ(back.m_name, c.m_name);
    EXPECT_EQ(back.m_description, c.m_description);
    EXPECT_DOUBLE_EQ(back.m_header.tempo, 96.0);
    EXPECT_DOUBLE_EQ(back.m_header.beatTime, 60.0 / 96.0);
    EXPECT_EQ(back.m_repeat, 3);
    EXPECT_FALSE(back.IsModified());
    ASSERT_EQ(back.GetPartCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const CSongPart& a = *c.GetPart(i);
        const CSongPart& b = *back.GetPart(i);
        SCOPED_TRACE(a.m_name.GetText());
        EXPECT_EQ(b.m_name, a.m_name);
        EXPECT_EQ(b.m_description, a.m_description);
        EXPECT_EQ(b.m_repeat, a.m_repeat);
        EXPECT_EQ(b.m_grooveStyle, a.m_grooveStyle);
        EXPECT_EQ(b.m_grooveName, a.m_grooveName);
        EXPECT_EQ(b.m_grooveFile, a.m_grooveFile);
        EXPECT_EQ(b.m_scale, a.m_scale);
        EXPECT_EQ(b.m_scaleRoot, a.m_scaleRoot);
        EXPECT_EQ(b.GetOwner(), &back);
        ASSERT_EQ(b.m_chords.GetCount(), a.m_chords.GetCount());
        for (size_t k = 0; k < a.m_chords.GetCount(); ++k) {
            EXPECT_EQ(b.m_chords[k].m_root.m_midi, a.m_chords[k].m_root.m_midi);
            EXPECT_EQ(b.m_chords[k].m_root.m_accidental, a.m_chords[k].m_root.m_accidental);
            EXPECT_EQ(b.m_chords[k].m_chordType, a.m_chords[k].m_chordType);
            EXPECT_EQ(b.m_chords[k].m_repeat, a.m_chords[k].m_repeat);
            EXPECT_EQ(b.m_chords[k].m_chordGroup, a.m_chords[k].m_chordGroup);
            EXPECT_EQ(b.m_chords[k].m_degree, a.m_chords[k].m_degree);
        }
    }
    // The order names one part twice: both entries are the same object.
    ASSERT_EQ(back.GetOrderCount(), 3);
    EXPECT_EQ(back.GetOrderEntry(0), back.FindPart("Verse"));
    EXPECT_EQ(back.GetOrderEntry(1), back.FindPart("Chorus"));
    EXPECT_EQ(back.GetOrderEntry(2), back.GetOrderEntry(0));
}

TEST_F(CompositionTest, EmptyCompositionReadsBackWithAnEmptyOrder) {
    CComposition c;
    std::string path = folder.Path("Empty.Song");
    ASSERT_TRUE(c.Save(path.c_str()));
    EXPECT_NE(ReadBytes(path).find("\r\nParts=\r\n"), std::string::npos);
    CComposition back;
    ASSERT_TRUE(back.Load(path.c_str())) << back.GetError().GetText();
    EXPECT_EQ(back.GetPartCount(), 0);
    EXPECT_EQ(back.GetOrderCount(), 0);
}

// A hand-written file: each case replaces the part block's "Chords" line or the "Parts" line.
struct SONG_FILE_CASE {
    const char* what;
    const char* parts;
    const char* chords;
    const char* error; // null: the load succeeds
    int line;          // the file line the error names
};

void PrintTo(const SONG_FILE_CASE& c, std::ostream* out) {
    *out << c.what;
}

std::string SongFile(const char* parts, const char* chords, const char* extra = "") {
    return std::string("Start of Song Info= \r\nname=lower case key\r\nName=N\r\nParts=") + parts +
           "\r\nEnd of Song Info= \r\n\r\n\r\nStart of Song Part= \r\nName=Verse\r\nRepeat=4\r\n"
           "Scale=Major\r\n" +
           extra + "Chords=" + chords + "\r\nEnd of Song Part= \r\n\r\n\r\n";
}

class SongFileTest : public CompositionTest,
                     public ::testing::WithParamInterface<SONG_FILE_CASE> {};

TEST_P(SongFileTest, Loads) {
    const SONG_FILE_CASE& c = GetParam();
    std::string path = folder.Path("Case.Song");
    WriteBytes(path, SongFile(c.parts, c.chords));
    CComposition composition;
    bool ok = composition.Load(path.c_str());
    if (c.error) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(composition.GetError(), c.error);
        EXPECT_EQ(composition.GetErrorLine(), c.line);
    } else {
        EXPECT_TRUE(ok) << composition.GetError().GetText();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SongFileTest,
    ::testing::Values(
        SONG_FILE_CASE{"plain", "Verse~1^", "48/0/1,", nullptr, 0},
        SONG_FILE_CASE{"two-number chord", "Verse~1^", "48/0/1,50/0,",
                       "Can't load part: Can't get chord from (50/0): root, accidental and "
                       "chord type are needed",
                       12},
        SONG_FILE_CASE{"unknown part", "Verse~1^Bridge~1^", "", "Can't find song part (Bridge)", 4},
        SONG_FILE_CASE{"no name", "~1^", "", "Can't get part's name from (~1)", 4},
        SONG_FILE_CASE{"no repeat", "Verse^", "", "Can't get part's repeat count from (Verse)", 4},
        SONG_FILE_CASE{"empty repeat", "Verse~^", "", "Can't get part's repeat count from (Verse~)",
                       4}));

TEST_F(CompositionTest, ReaderDefaultsAndIgnoredValues) {
    std::string path = folder.Path("Defaults.Song");
    WriteBytes(path, SongFile("Verse~9^Verse~1^", "48/0/1,50/3/2/2,"));
    CComposition c;
    ASSERT_TRUE(c.Load(path.c_str())) << c.GetError().GetText();
    EXPECT_EQ(c.m_name, "N") << "a key in another letter case is another key";
    const CSongPart* verse = c.FindPart("Verse");
    ASSERT_NE(verse, nullptr);
    EXPECT_EQ(verse->m_repeat, 4) << "the count after '~' has no effect";
    EXPECT_EQ(c.GetOrderCount(), 2);
    ASSERT_EQ(verse->m_chords.GetCount(), 2u);
    EXPECT_EQ(verse->m_chords[0].m_repeat, 1);
    EXPECT_EQ(verse->m_chords[0].m_chordGroup, 0);
    EXPECT_EQ(verse->m_chords[0].m_degree, 0);
    EXPECT_EQ(verse->m_chords[1].m_root.m_accidental, 3);
    EXPECT_EQ(verse->m_chords[1].m_repeat, 2);
    EXPECT_EQ(verse->m_scale, 1);
    EXPECT_EQ(verse->m_scaleRoot, 48);
}

TEST_F(CompositionTest, UnknownScaleFailsTheLoadKeepingWhatWasRead) {
    std::string path = folder.Path("Scale.Song");
    WriteBytes(path, SongFile("Verse~1^", "", "Scale=major\r\n"));
    CComposition c;
    EXPECT_FALSE(c.Load(path.c_str()));
    EXPECT_EQ(c.GetError(), "Can't load part: Unknown scale (major)");
    EXPECT_EQ(c.m_name, "N");
}

TEST_F(CompositionTest, MissingFile) {
    CComposition c;
    std::string path = folder.Path("None.Song");
    EXPECT_FALSE(c.Load(path.c_str()));
    EXPECT_EQ(c.GetError().Str().rfind("Can't open song file (" + path + "): ", 0), 0u)
        << c.GetError().GetText();
}

TEST_F(CompositionTest, DeletingAPartPlayedTwiceLeavesNoEntryForIt) {
    CComposition c;
    Fill(c);
    ASSERT_TRUE(c.DeletePart("Verse"));
    EXPECT_EQ(c.GetPartCount(), 1);
    ASSERT_EQ(c.GetOrderCount(), 1);
    EXPECT_EQ(c.GetOrderEntry(0), c.FindPart("Chorus"));
    EXPECT_EQ(c.FindPart("Verse"), nullptr);
    EXPECT_FALSE(c.DeletePart("Verse"));
    EXPECT_TRUE(c.IsModified());
}

TEST_F(CompositionTest, RemoveFromOrderTakesTheFirstEntryOnly) {
    CComposition c;
    Fill(c);
    ASSERT_TRUE(c.RemoveFromOrder("Verse"));
    ASSERT_EQ(c.GetOrderCount(), 2);
    EXPECT_EQ(c.GetOrderEntry(0)->m_name, "Chorus");
    EXPECT_EQ(c.GetOrderEntry(1)->m_name, "Verse");
    EXPECT_EQ(c.GetPartCount(), 2);
}

TEST_F(CompositionTest, PartNamesAreUnique) {
    CComposition c;
    Fill(c);
    EXPECT_FALSE(c.AddPart(MakePart("Chorus", 1, 1)));
    EXPECT_EQ(c.GetPartCount(), 2);
    CSongPart stranger;
    EXPECT_FALSE(c.AppendToOrder(&stranger)) << "only parts the composition owns";
}

TEST_F(CompositionTest, CopyIsDeepAndRebuildsTheOrderByName) {
    CComposition c;
    Fill(c);
    CComposition copy;
    ASSERT_TRUE(copy.Copy(c));
    ASSERT_EQ(copy.GetPartCount(), 2);
    ASSERT_EQ(copy.GetOrderCount(), 3);
    EXPECT_NE(copy.FindPart("Verse"), c.FindPart("Verse"));
    EXPECT_EQ(copy.GetOrderEntry(0), copy.FindPart("Verse"));
    EXPECT_EQ(copy.GetOrderEntry(2), copy.FindPart("Verse"));
    EXPECT_EQ(copy.FindPart("Verse")->GetOwner(), &copy);
    EXPECT_EQ(copy.FindPart("Verse")->m_chords.GetCount(), 3u);
    c.FindPart("Verse")->m_chords.RemoveAll();
    EXPECT_EQ(copy.FindPart("Verse")->m_chords.GetCount(), 3u);
}

TEST_F(CompositionTest, PartWithoutNameFailsTheSaveAndKeepsTheOldFile) {
    CComposition c;
    Fill(c);
    std::string path = folder.Path("Keep.Song");
    ASSERT_TRUE(c.Save(path.c_str()));
    std::string before = ReadBytes(path);
    ASSERT_TRUE(c.AddPart(MakePart("", 1, 1)));
    EXPECT_FALSE(c.Save(path.c_str()));
    EXPECT_EQ(c.GetError(), "Can't save song part: Part's name is not set");
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(CompositionTest, LineTooLongToReadBackFailsTheSave) {
    CComposition c;
    Fill(c);
    // 8000 chords of 13 characters make a "Chords" line beyond what the reader takes.
    for (int i = 0; i < 8000; ++i)
        c.FindPart("Chorus")->AddChord(MakeChord(48, 0, 1, 1, 0, 0), -1);
    std::string path = folder.Path("Long.Song");
    EXPECT_FALSE(c.Save(path.c_str()));
    EXPECT_EQ(c.GetError(),
              "Can't save song part: Part (Chorus): the Chords line is too long to be read back");
    EXPECT_FALSE(std::filesystem::exists(path));
    // 7000 chords still fit, and come back.
    c.FindPart("Chorus")->m_chords.SetCount(7000);
    ASSERT_TRUE(c.Save(path.c_str())) << c.GetError().GetText();
    CComposition back;
    ASSERT_TRUE(back.Load(path.c_str())) << back.GetError().GetText();
    EXPECT_EQ(back.FindPart("Chorus")->m_chords.GetCount(), 7000u);
}

} // namespace

#include "song/Composition.h"

#include "tests/core/TempFolder.h"

#include <gtest/gtest.h>

#include <tuple>

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

TEST_F(CompositionTest, TheSongFileHasItsLayoutAndReadsBackFieldByField) {
    CComposition c;
    Fill(c);
    const std::string path = folder.File("Tune.Song");
    ASSERT_TRUE(c.Save(path.c_str())) << c.GetError().GetText();
    EXPECT_EQ(CTempFolder::Slurp(path),
              "Start of Song Info= \r\nName=Song = one\r\nDescription=A tune\r\n"
              "Tempo=96.00\r\nRepeat=3\r\nParts=Verse~2^Chorus~1^Verse~2^\r\n"
              "End of Song Info= \r\n\r\n\r\n"
              "Start of Song Part= \r\nName=Verse\r\nDescription=first\r\n"
              "Repeat=2\r\nGroove style=Rock\r\nGroove name=1 Rock\r\n"
              "Groove file=Grooves/Rock/1 Rock.mid\r\nScale=Harmonic minor\r\n"
              "Scale root=45\r\nChords=45/0/2/2/0/0,48/1/3/1/0/0,52/3/1/1/4/5,\r\n"
              "End of Song Part= \r\n\r\n\r\n"
              "Start of Song Part= \r\nName=Chorus\r\nDescription=\r\nRepeat=1\r\n"
              "Groove style=\r\nGroove name=\r\nGroove file=\r\nScale=Blues\r\n"
              "Scale root=48\r\nChords=\r\nEnd of Song Part= \r\n\r\n\r\n");
    EXPECT_FALSE(c.IsModified());
    EXPECT_EQ(c.GetFile(), path.c_str());

    CComposition back;
    ASSERT_TRUE(back.Load(path.c_str())) << back.GetError().GetText();
    EXPECT_EQ(back.m_name, c.m_name);
    EXPECT_EQ(back.m_description, c.m_description);
    EXPECT_DOUBLE_EQ(back.m_header.beatTime, 60.0 / 96.0);
    EXPECT_EQ(back.m_repeat, 3);
    EXPECT_FALSE(back.IsModified());
    ASSERT_EQ(back.GetPartCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const CSongPart& a = *c.GetPart(i);
        const CSongPart& b = *back.GetPart(i);
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
            const CChord &x = a.m_chords[k], &y = b.m_chords[k];
            EXPECT_EQ(std::tie(y.m_root.m_midi, y.m_root.m_accidental, y.m_chordType, y.m_repeat,
                               y.m_chordGroup, y.m_degree),
                      std::tie(x.m_root.m_midi, x.m_root.m_accidental, x.m_chordType, x.m_repeat,
                               x.m_chordGroup, x.m_degree));
        }
    }
    // The order names one part twice: both entries are the same object.
    ASSERT_EQ(back.GetOrderCount(), 3);
    EXPECT_EQ(back.GetOrderEntry(0), back.FindPart("Verse"));
    EXPECT_EQ(back.GetOrderEntry(1), back.FindPart("Chorus"));
    EXPECT_EQ(back.GetOrderEntry(2), back.GetOrderEntry(0));
}

std::string SongFile(const char* parts, const char* chords, const char* extra = "") {
    return std::string("Start of Song Info= \r\nname=lower case key\r\nName=N\r\nParts=") + parts +
           "\r\nEnd of Song Info= \r\n\r\n\r\nStart of Song Part= \r\nName=Verse\r\nRepeat=4\r\n"
           "Scale=Major\r\n" +
           extra + "Chords=" + chords + "\r\nEnd of Song Part= \r\n\r\n\r\n";
}

TEST_F(CompositionTest, TheReaderTakesDefaultsAndIgnoresOtherKeys) {
    const std::string path = folder.File("Defaults.Song");
    CTempFolder::Put(path, SongFile("Verse~9^Verse~1^", "48/0/1,50/3/2/2,"));
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
    // An empty composition reads back with an empty order.
    ASSERT_TRUE(CComposition().Save(path.c_str()));
    EXPECT_NE(CTempFolder::Slurp(path).find("\r\nParts=\r\n"), std::string::npos);
    ASSERT_TRUE(c.Load(path.c_str())) << c.GetError().GetText();
    EXPECT_EQ(c.GetPartCount(), 0);
    EXPECT_EQ(c.GetOrderCount(), 0);
}

TEST_F(CompositionTest, BrokenFilesFailWithTheirMessage) {
    const struct {
        std::string file, error;
        int line; // the file line the error names
    } cases[] = {
        {SongFile("Verse~1^", "48/0/1,50/0,"),
         "Can't load part: Can't get chord from (50/0): root, accidental and chord type are needed",
         12},
        {SongFile("Verse~1^Bridge~1^", ""), "Can't find song part (Bridge)", 4},
        {SongFile("~1^", ""), "Can't get part's name from (~1)", 4},
        {SongFile("Verse^", ""), "Can't get part's repeat count from (Verse)", 4},
        {SongFile("Verse~^", ""), "Can't get part's repeat count from (Verse~)", 4},
        {SongFile("Verse~1^", "", "Scale=major\r\n"), "Can't load part: Unknown scale (major)", 12},
    };
    const std::string path = folder.File("Case.Song");
    for (const auto& c : cases) {
        CTempFolder::Put(path, c.file);
        CComposition composition;
        EXPECT_FALSE(composition.Load(path.c_str())) << c.error;
        EXPECT_EQ(composition.GetError(), c.error.c_str());
        EXPECT_EQ(composition.GetErrorLine(), c.line) << c.error;
        EXPECT_EQ(composition.m_name, "N") << "what was read is kept";
    }
    CComposition c;
    const std::string missing = folder.File("None.Song");
    EXPECT_FALSE(c.Load(missing.c_str()));
    EXPECT_EQ(c.GetError().Str().rfind("Can't open song file (" + missing + "): ", 0), 0u)
        << c.GetError().GetText();
}

TEST_F(CompositionTest, PartsAndTheOrderAreEditedByName) {
    CComposition c;
    Fill(c);
    EXPECT_FALSE(c.AddPart(MakePart("Chorus", 1, 1))) << "names are unique";
    CSongPart stranger;
    EXPECT_FALSE(c.AppendToOrder(&stranger)) << "only parts the composition owns";
    // A copy is deep and rebuilds its order by name.
    CComposition copy;
    ASSERT_TRUE(copy.Copy(c));
    ASSERT_EQ(copy.GetOrderCount(), 3);
    EXPECT_NE(copy.FindPart("Verse"), c.FindPart("Verse"));
    EXPECT_EQ(copy.GetOrderEntry(2), copy.FindPart("Verse"));
    EXPECT_EQ(copy.FindPart("Verse")->GetOwner(), &copy);
    c.FindPart("Verse")->m_chords.RemoveAll();
    EXPECT_EQ(copy.FindPart("Verse")->m_chords.GetCount(), 3u);

    ASSERT_TRUE(copy.RemoveFromOrder("Verse")); // the first entry only
    ASSERT_EQ(copy.GetOrderCount(), 2);
    EXPECT_EQ(copy.GetOrderEntry(0)->m_name, "Chorus");
    EXPECT_EQ(copy.GetOrderEntry(1)->m_name, "Verse");
    ASSERT_TRUE(c.DeletePart("Verse")); // a part played twice leaves no entry behind
    EXPECT_EQ(c.GetPartCount(), 1);
    ASSERT_EQ(c.GetOrderCount(), 1);
    EXPECT_EQ(c.GetOrderEntry(0), c.FindPart("Chorus"));
    EXPECT_FALSE(c.DeletePart("Verse"));
    EXPECT_TRUE(c.IsModified());
}

TEST_F(CompositionTest, ASaveThatCouldNotBeReadBackFailsAndKeepsTheOldFile) {
    CComposition c;
    Fill(c);
    const std::string path = folder.File("Keep.Song");
    ASSERT_TRUE(c.Save(path.c_str()));
    const std::string before = CTempFolder::Slurp(path);
    // 8000 chords of 13 characters make a "Chords" line beyond what the reader takes.
    for (int i = 0; i < 8000; ++i)
        c.FindPart("Chorus")->AddChord(MakeChord(48, 0, 1, 1, 0, 0), -1);
    EXPECT_FALSE(c.Save(path.c_str()));
    EXPECT_EQ(c.GetError(),
              "Can't save song part: Part (Chorus): the Chords line is too long to be read back");
    EXPECT_EQ(CTempFolder::Slurp(path), before);
    c.FindPart("Chorus")->m_chords.SetCount(7000); // 7000 still fit, and come back
    ASSERT_TRUE(c.Save(path.c_str())) << c.GetError().GetText();
    CComposition back;
    ASSERT_TRUE(back.Load(path.c_str())) << back.GetError().GetText();
    EXPECT_EQ(back.FindPart("Chorus")->m_chords.GetCount(), 7000u);
    const std::string saved = CTempFolder::Slurp(path);
    ASSERT_TRUE(c.AddPart(MakePart("", 1, 1)));
    EXPECT_FALSE(c.Save(path.c_str()));
    EXPECT_EQ(c.GetError(), "Can't save song part: Part's name is not set");
    EXPECT_EQ(CTempFolder::Slurp(path), saved);
}

} // namespace

#include "song/GrooveLibrary.h"

#include "tests/core/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const std::vector<CCharString>& names) {
    std::vector<std::string> texts;
    for (const CCharString& name : names)
        texts.push_back(name.Str());
    return texts;
}

// A shipped library with its list, and a user folder that adds a style and changes a groove.
class GrooveFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* file :
             {"shipped/Rock/1 Rock.mid", "shipped/Rock/2 Rock.mid", "shipped/Funk/1 Funk.mid",
              "shipped/Rock/Mine.mid", "user/Rock/2 Rock.mid", "user/Waltz/Slow.mid"}) {
            fs::create_directories(fs::path(folder.File(file)).parent_path());
            CTempFolder::Put(folder.File(file), file);
        }
        CTempFolder::Put(folder.File("shipped/.shipped"),
                         "Rock/1 Rock\nRock/2 Rock\r\nFunk/1 Funk\n");
        library.SetFolders(folder.File("shipped").c_str(), folder.File("user/").c_str());
    }
    CTempFolder folder;
    CGrooveLibrary library;
};

TEST_F(GrooveFoldersTest, StylesAndGroovesOfBothFoldersShowOnceAndTheUsersCopyWins) {
    EXPECT_EQ(Names(library.ListStyles()), (std::vector<std::string>{"Funk", "Rock", "Waltz"}));
    EXPECT_EQ(Names(library.ListGrooves("Rock")),
              (std::vector<std::string>{"1 Rock", "2 Rock", "Mine"}));
    EXPECT_EQ(library.FindGroove("Rock", "2 Rock"), folder.File("user/Rock/2 Rock.mid").c_str());
    EXPECT_EQ(library.FindGroove("Rock", "1 Rock"), folder.File("shipped/Rock/1 Rock.mid").c_str());
    EXPECT_TRUE(library.FindGroove("Rock", "9 Rock").IsEmpty());
}

TEST_F(GrooveFoldersTest, SavesGoToTheShippedFolderOnlyWhenItExistsAndCanBeWritten) {
    EXPECT_EQ(library.GetSavePath("Rock", "New"), folder.File("shipped/Rock/New.mid").c_str());
    library.SetFolders(folder.File("installed").c_str(), folder.File("user").c_str());
    EXPECT_EQ(library.GetSavePath("Rock", "New"), folder.File("user/Rock/New.mid").c_str());
}

TEST_F(GrooveFoldersTest, DeletingNeverTakesAShippedGroove) {
    EXPECT_FALSE(library.Delete("Rock", "1 Rock"));
    EXPECT_TRUE(fs::exists(folder.File("shipped/Rock/1 Rock.mid")));
    // The user's copy goes and the shipped groove shows again.
    EXPECT_TRUE(library.Delete("Rock", "2 Rock"));
    EXPECT_EQ(library.FindGroove("Rock", "2 Rock"), folder.File("shipped/Rock/2 Rock.mid").c_str());
    EXPECT_FALSE(library.Delete("Rock", "2 Rock"));
    // Not on the list: a groove the user saved into a writable library.
    EXPECT_TRUE(library.Delete("Rock", "Mine"));
    // Without a list, everything in the shipped folder counts as shipped.
    fs::remove(folder.File("shipped/.shipped"));
    library.SetFolders(folder.File("shipped").c_str(), "");
    EXPECT_FALSE(library.Delete("Funk", "1 Funk"));
}

} // namespace

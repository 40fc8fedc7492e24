#include "core/Path.h"
#include "tests/core/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

TEST(Path, SplitPathParts) {
    PATH_PARTS parts;
    ASSERT_TRUE(SplitPath("/opt/ma/Songs/Slow Blues.Song", parts));
    EXPECT_EQ(parts.drive, "");
    EXPECT_EQ(parts.folder, "/opt/ma/Songs/");
    EXPECT_EQ(parts.name, "Slow Blues");
    EXPECT_EQ(parts.extension, ".Song");
    EXPECT_EQ(parts.driveFolder, "/opt/ma/Songs/");
    ASSERT_TRUE(SplitPath("a.b/file", parts)); // a dot in a folder is no extension
    EXPECT_EQ(parts.folder, "a.b/");
    EXPECT_EQ(parts.name, "file");
    EXPECT_EQ(parts.extension, "");
    ASSERT_TRUE(SplitPath("Groove.1.mid", parts));
    EXPECT_EQ(parts.folder, "");
    EXPECT_EQ(parts.name, "Groove.1");
    EXPECT_EQ(parts.extension, ".mid");
    EXPECT_FALSE(SplitPath(nullptr, parts));
    EXPECT_FALSE(SplitPath(std::string(5000, 'a').c_str(), parts));
}

TEST(Path, MakePathMakesEveryFolderAndRelativePathsLieBesideTheExecutable) {
    CTempFolder folder;
    const std::string deep = folder.File("a/b/c/");
    EXPECT_TRUE(MakePath(deep.c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("a/b/c")));
    EXPECT_TRUE(MakePath(deep.c_str()));
    EXPECT_TRUE(FileExists(folder.File("a/b").c_str()));
    EXPECT_FALSE(FileExists(folder.File("no").c_str()));
    EXPECT_FALSE(FileExists(nullptr));
    folder.Write("file", "x");
    EXPECT_FALSE(MakePath(folder.File("file/sub").c_str()));
    OverrideExecutableFolder(folder.File("").c_str());
    EXPECT_EQ(GetExecutableFolder().Str(), folder.Path());
    EXPECT_TRUE(MakePath("Temp/Render"));
    OverrideExecutableFolder(nullptr);
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("Temp/Render")));
    // The real folder: the one holding this test program.
    EXPECT_EQ(GetExecutableFolder().Str(),
              std::filesystem::path(GetExecutablePath().Str()).parent_path().string());
}

class ListFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A groove root: styles are sub-folders, grooves are MIDI files.
        std::filesystem::create_directories(m_folder.File("Grooves/Rock"));
        std::filesystem::create_directories(m_folder.File("Grooves/blues"));
        std::filesystem::create_directories(m_folder.File("Grooves/Jazz/Swing"));
        m_folder.Write("Grooves/Rock/Straight.mid", "");
        m_folder.Write("Grooves/Rock/Half time.MID", "");
        m_folder.Write("Grooves/Rock/notes.txt", "");
        m_folder.Write("Grooves/Rock/.hidden.mid", "");
        m_folder.Write("Grooves/Jazz/Swing/Fast.mid", "");
        m_folder.Write("Grooves/readme.txt", "");
    }
    static std::vector<std::string> Names(const CTree<FILE_INFO>& tree) {
        std::vector<std::string> names;
        for (const auto& child : tree.children)
            names.push_back(child.item.name.Str());
        return names;
    }
    CTempFolder m_folder;
};

TEST_F(ListFolderTest, SubFoldersOrFilesOfOneExtensionInNameOrderWithoutHiddenOnes) {
    CTree<FILE_INFO> tree;
    LIST_OPTIONS options;
    options.files = false;
    ASSERT_TRUE(ListFolder(m_folder.File("Grooves/").c_str(), tree, options));
    EXPECT_EQ(Names(tree), (std::vector<std::string>{"blues", "Jazz", "Rock"}));
    EXPECT_TRUE(tree[0].item.isFolder);
    EXPECT_EQ(tree[2].item.path.Str(), m_folder.File("Grooves/Rock"));
    EXPECT_EQ(tree[2].item.folder.Str(), m_folder.File("Grooves"));
    EXPECT_EQ(tree.item.name, "Grooves");
    EXPECT_EQ(tree[2].GetCount(), 0u); // no recursion asked
    options.files = true;
    options.folders = false;
    options.extension = "mid"; // in any letter case
    ASSERT_TRUE(ListFolder(m_folder.File("Grooves/Rock").c_str(), tree, options));
    EXPECT_EQ(Names(tree), (std::vector<std::string>{"Half time.MID", "Straight.mid"}));
    EXPECT_FALSE(tree[0].item.isFolder);
    EXPECT_EQ(tree[1].item.path.Str(), m_folder.File("Grooves/Rock/Straight.mid"));
    EXPECT_FALSE(ListFolder(m_folder.File("none").c_str(), tree));
    EXPECT_EQ(tree.GetCount(), 0u);
}

TEST_F(ListFolderTest, RecursionBuildsATreeOrWithoutFoldersAFlatList) {
    CTree<FILE_INFO> tree;
    LIST_OPTIONS options;
    options.recurse = true;
    options.extension = ".mid";
    ASSERT_TRUE(ListFolder(m_folder.File("Grooves").c_str(), tree, options));
    EXPECT_EQ(Names(tree), (std::vector<std::string>{"blues", "Jazz", "Rock"}));
    ASSERT_EQ(Names(tree[1]), std::vector<std::string>{"Swing"});
    EXPECT_EQ(Names(tree[1][0]), std::vector<std::string>{"Fast.mid"});
    EXPECT_EQ(tree[2].GetCount(), 2u);
    options.folders = false;
    ASSERT_TRUE(ListFolder(m_folder.File("Grooves").c_str(), tree, options));
    EXPECT_EQ(Names(tree), (std::vector<std::string>{"Fast.mid", "Half time.MID", "Straight.mid"}));
}

TEST(ElapsedSeconds, SecondsPlusMilliseconds) {
    EXPECT_DOUBLE_EQ(GetElapsedSeconds({100, 900}, {102, 150}), 1.25);
    EXPECT_DOUBLE_EQ(GetElapsedSeconds({100, 0}, {100, 0}), 0.0);
    TIME_STAMP before = GetTimeStamp();
    TIME_STAMP after = GetTimeStamp();
    double elapsed = GetElapsedSeconds(before, after);
    EXPECT_GE(elapsed, 0.0);
    EXPECT_LT(elapsed, 5.0);
    EXPECT_GE(before.milliseconds, 0);
    EXPECT_LT(before.milliseconds, 1000);
}

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "TempFolder.h"
#include "core/ContentFolders.h"

namespace {

class ContentFoldersTest : public ::testing::Test {
protected:
    // An installed tree, usr/bin and the content in usr/share/modal-atlas, for a user whose
    // base folders lie under home (none when home is empty).
    CContentFolders Locate(const std::string& home, bool contentBesideBin = false) {
        std::filesystem::create_directories(Share("Tutorials"));
        std::filesystem::create_directories(m_dir.File("usr/bin"));
        if (contentBesideBin)
            std::filesystem::create_directories(m_dir.File("usr/bin/Tutorials"));
        USER_BASE_FOLDERS user;
        if (!home.empty()) {
            user.dataHome = (home + "/data").c_str();
            user.stateHome = (home + "/state").c_str();
            user.cacheHome = (home + "/cache").c_str();
            user.music = (home + "/Music").c_str();
        }
        CContentFolders folders;
        folders.Locate(m_dir.File("usr/bin/").c_str(), user);
        return folders;
    }
    std::string Share(const std::string& sub) const {
        return m_dir.File("usr/share/modal-atlas/" + sub);
    }
    CTempFolder m_dir;
};

TEST_F(ContentFoldersTest, WritableFolderWithItsContentKeepsEverythingBesideIt) {
    CContentFolders folders = Locate(m_dir.File("home"), true);
    EXPECT_FALSE(folders.IsShared()) << "the installed copy next to it does not draw it away";
    EXPECT_EQ(folders.GetShipped(FOLDER_SOUND).Str(), m_dir.File("usr/bin/Sound/"));
    EXPECT_EQ(folders.GetUser(FOLDER_SOUND), folders.GetShipped(FOLDER_SOUND));
    EXPECT_EQ(folders.GetUser(FOLDER_LOGS).Str(), m_dir.File("usr/bin/"));
}

TEST_F(ContentFoldersTest, InstalledProgramReadsItsContentAndWritesIntoTheUsersFolders) {
    const std::string home = m_dir.File("home");
    CContentFolders folders = Locate(home);
    EXPECT_TRUE(folders.IsShared());
    struct {
        CONTENT_FOLDER folder;
        std::string shipped, user;
    } const rows[] = {
        {FOLDER_GROOVES, Share("Grooves/"), home + "/data/modal-atlas/Grooves/"},
        {FOLDER_SONGS, Share("Songs/"), home + "/Music/Modal Atlas/Songs/"},
        {FOLDER_TEMP, "", home + "/cache/modal-atlas/Temp/"},
        {FOLDER_LOGS, "", home + "/state/modal-atlas/"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(folders.GetShipped(row.folder).Str(), row.shipped) << row.folder;
        EXPECT_EQ(folders.GetUser(row.folder).Str(), row.user) << row.folder;
    }

    // The user's file of a shipped name is the one read; the shipped one is never written.
    std::filesystem::create_directories(Share("Grooves/Rock"));
    m_dir.Write("usr/share/modal-atlas/Grooves/Rock/2 Rock.mid", "shipped");
    EXPECT_EQ(folders.Find(FOLDER_GROOVES, "Rock/2 Rock.mid").Str(),
              Share("Grooves/Rock/2 Rock.mid"));
    CCharString path, why;
    ASSERT_TRUE(folders.MakeWritePath(FOLDER_GROOVES, "Rock/2 Rock.mid", path, why)) << why.Str();
    EXPECT_EQ(path.Str(), home + "/data/modal-atlas/Grooves/Rock/2 Rock.mid");
    m_dir.Write("home/data/modal-atlas/Grooves/Rock/2 Rock.mid", "mine");
    EXPECT_EQ(folders.Find(FOLDER_GROOVES, "Rock/2 Rock.mid"), path);
    EXPECT_EQ(CTempFolder::Slurp(Share("Grooves/Rock/2 Rock.mid")), "shipped");

    EXPECT_FALSE(Locate("").MakeWritePath(FOLDER_SOUND, "Default.mix", path, why));
}

TEST(UserBaseFolders, FollowTheXdgVariablesAndTheUsersMusicFolder) {
    CTempFolder home;
    std::filesystem::create_directories(home.File("config"));
    home.Write("config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                        "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n");
    const char* names[] = {"HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_MUSIC_DIR",
                           "XDG_CONFIG_HOME"};
    std::string saved[5];
    for (int i = 0; i < 5; ++i)
        saved[i] = std::getenv(names[i]) ? std::getenv(names[i]) : "";
    const std::string config = home.File("config");
    const char* values[] = {home.Path().c_str(), "relative/share", "/state", nullptr,
                            config.c_str()};
    for (int i = 0; i < 5; ++i)
        values[i] ? setenv(names[i], values[i], 1) : unsetenv(names[i]);
    const USER_BASE_FOLDERS user = USER_BASE_FOLDERS::FromEnvironment();
    for (int i = 0; i < 5; ++i)
        saved[i].empty() ? unsetenv(names[i]) : setenv(names[i], saved[i].c_str(), 1);

    EXPECT_EQ(user.dataHome.Str(), home.File(".local/share")) << "a relative path is ignored";
    EXPECT_EQ(user.stateHome.Str(), "/state");
    EXPECT_EQ(user.music.Str(), home.File("Tunes"));
}

} // namespace

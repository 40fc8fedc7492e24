#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TempFolder.h"
#include "core/ContentFolders.h"

namespace {

USER_BASE_FOLDERS UserIn(const std::string& home) {
    USER_BASE_FOLDERS user;
    user.dataHome = (home + "/data").c_str();
    user.stateHome = (home + "/state").c_str();
    user.cacheHome = (home + "/cache").c_str();
    user.music = (home + "/Music").c_str();
    return user;
}

class ContentFoldersTest : public ::testing::Test {
protected:
    // An installed tree: usr/bin and the content in usr/share/modal-atlas.
    CContentFolders Installed(const USER_BASE_FOLDERS& user) {
        std::filesystem::create_directories(m_dir.File("usr/bin"));
        std::filesystem::create_directories(Share("Tutorials"));
        CContentFolders folders;
        folders.Locate(m_dir.File("usr/bin").c_str(), user);
        return folders;
    }
    std::string Share(const std::string& sub) const {
        return m_dir.File("usr/share/modal-atlas/" + sub);
    }
    CTempFolder m_dir;
};

TEST_F(ContentFoldersTest, WritableProgramFolderWithItsContentKeepsEverythingBesideIt) {
    // An installed copy next to it does not draw it away from its own content.
    Installed(UserIn(m_dir.File("home")));
    std::filesystem::create_directories(m_dir.File("usr/bin/Tutorials"));
    CContentFolders folders;
    folders.Locate(m_dir.File("usr/bin/").c_str(), UserIn(m_dir.File("home")));
    EXPECT_FALSE(folders.IsShared());
    const std::string bin = m_dir.File("usr/bin/");
    EXPECT_EQ(folders.GetShipped(FOLDER_SOUND).Str(), bin + "Sound/");
    EXPECT_EQ(folders.GetUser(FOLDER_WAVE).Str(), bin + "WAVE/");
    EXPECT_EQ(folders.GetUser(FOLDER_LOGS).Str(), bin);
    for (int i = 0; i < FOLDER_COUNT; ++i)
        EXPECT_EQ(folders.GetShipped(CONTENT_FOLDER(i)), folders.GetUser(CONTENT_FOLDER(i))) << i;
}

TEST_F(ContentFoldersTest, InstalledProgramReadsItsContentAndWritesIntoTheUsersFolders) {
    const std::string home = m_dir.File("home");
    CContentFolders folders = Installed(UserIn(home));
    EXPECT_TRUE(folders.IsShared());
    struct {
        CONTENT_FOLDER folder;
        std::string shipped, user;
    } const rows[] = {
        {FOLDER_SOUND, Share("Sound/"), home + "/data/modal-atlas/Sound/"},
        {FOLDER_GROOVES, Share("Grooves/"), home + "/data/modal-atlas/Grooves/"},
        {FOLDER_SONGS, Share("Songs/"), home + "/Music/Modal Atlas/Songs/"},
        {FOLDER_MIDI, "", home + "/Music/Modal Atlas/MIDI/"},
        {FOLDER_TEMP, "", home + "/cache/modal-atlas/Temp/"},
        {FOLDER_LOGS, "", home + "/state/modal-atlas/"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(folders.GetShipped(row.folder).Str(), row.shipped) << row.folder;
        EXPECT_EQ(folders.GetUser(row.folder).Str(), row.user) << row.folder;
    }
}

TEST_F(ContentFoldersTest, UsersFileTakesThePlaceOfTheShippedOneWhichIsNeverWritten) {
    CContentFolders folders = Installed(UserIn(m_dir.File("home")));
    std::filesystem::create_directories(Share("Grooves/Rock"));
    m_dir.Write("usr/share/modal-atlas/Grooves/Rock/2 Rock.mid", "shipped");
    EXPECT_EQ(folders.Find(FOLDER_GROOVES, "Rock/2 Rock.mid").Str(),
              Share("Grooves/Rock/2 Rock.mid"));

    CCharString path, why;
    ASSERT_TRUE(folders.MakeWritePath(FOLDER_GROOVES, "Rock/2 Rock.mid", path, why)) << why.Str();
    EXPECT_EQ(path.Str(), m_dir.File("home/data/modal-atlas/Grooves/Rock/2 Rock.mid"));
    m_dir.Write("home/data/modal-atlas/Grooves/Rock/2 Rock.mid", "mine");
    EXPECT_EQ(folders.Find(FOLDER_GROOVES, "Rock/2 Rock.mid"), path);
    EXPECT_EQ(CTempFolder::Slurp(Share("Grooves/Rock/2 Rock.mid")), "shipped");

    CContentFolders homeless = Installed(USER_BASE_FOLDERS());
    EXPECT_FALSE(homeless.MakeWritePath(FOLDER_SOUND, "Default.mix", path, why));
    EXPECT_FALSE(why.IsEmpty());
}

// Sets variables for one test and puts the old values back.
class CEnvironment {
public:
    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~CEnvironment() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            it->second ? setenv(it->first.c_str(), it->second->c_str(), 1)
                       : unsetenv(it->first.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST(UserBaseFolders, FollowTheXdgVariablesAndTheUsersMusicFolder) {
    CTempFolder home;
    std::filesystem::create_directories(home.File("config"));
    home.Write("config/user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                        "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                        "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n");
    CEnvironment env;
    env.Set("HOME", home.Path().c_str());
    env.Set("XDG_DATA_HOME", "relative/share"); // not absolute: ignored
    env.Set("XDG_STATE_HOME", home.File("state").c_str());
    env.Set("XDG_CACHE_HOME", nullptr);
    env.Set("XDG_MUSIC_DIR", nullptr);
    env.Set("XDG_CONFIG_HOME", home.File("config").c_str());
    USER_BASE_FOLDERS user = USER_BASE_FOLDERS::FromEnvironment();
    EXPECT_EQ(user.dataHome.Str(), home.File(".local/share"));
    EXPECT_EQ(user.stateHome.Str(), home.File("state"));
    EXPECT_EQ(user.cacheHome.Str(), home.File(".cache"));
    EXPECT_EQ(user.music.Str(), home.File("Tunes"));

    env.Set("XDG_CONFIG_HOME", home.File("nowhere").c_str());
    EXPECT_EQ(USER_BASE_FOLDERS::FromEnvironment().music.Str(), home.File("Music"));
}

} // namespace

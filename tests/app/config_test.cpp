// The configuration record against a private HOME and machine-wide file.
#include <gtest/gtest.h>
#include <wx/config.h>
#include <wx/init.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/app_config.h"
#include "support/test_support.h"

namespace {

class ConfigTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(wxInitialize()); }
    static void TearDownTestSuite() {
        delete wxConfigBase::Set(nullptr);
        wxUninitialize();
    }

    void SetUp() override {
        setenv("HOME", m_dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir.Path() + "/xdg").c_str(), 1);
        mkdir((m_dir.Path() + "/xdg").c_str(), 0700);
        m_userFile = m_dir.Path() + "/xdg/vorpane.conf";
        m_globalFile = m_dir.Path() + "/global.conf";
    }

    void Load() {
        GameConfig = GameConfigRecord{};
        LoadGameConfigWithGlobalFile(m_globalFile.c_str());
    }

    TempDir m_dir;
    std::string m_userFile;
    std::string m_globalFile;
};

TEST_F(ConfigTest, EmptyStoreLoadsEveryDefault) {
    Load();
    const GameConfigRecord& c = GameConfig;
    EXPECT_EQ(c.DropKey, 32);
    EXPECT_EQ(c.LeftKey, 314);
    EXPECT_EQ(c.RightKey, 316);
    EXPECT_EQ(c.MusicMode, 2);
    EXPECT_EQ(c.SelectedGalaxy, 1);
    for (int g = 0; g < kGalaxyCount; ++g) {
        EXPECT_EQ(c.HighestPlanet[g], 0);
        EXPECT_EQ(c.SelectedSystem[g], 0);
        for (int s = 0; s < kSystemsPerGalaxy; ++s) EXPECT_EQ(c.SelectedPlanet[g][s], 0);
        for (int p = 0; p < kPlanetsPerGalaxy; ++p) EXPECT_EQ(c.BestTime[g][p], 0);
    }
    EXPECT_EQ(c.AgreementVersion, 0);
    EXPECT_EQ(c.DisplayIndex, -1);
    EXPECT_EQ(c.DisplayTop, 0);
    EXPECT_EQ(c.DisplayLeft, 0);
    EXPECT_EQ(c.DisplayWidth, 0);
    EXPECT_EQ(c.DisplayHeight, 0);
    EXPECT_EQ(c.GameWidth, 0);
    EXPECT_EQ(c.GameHeight, 0);
    EXPECT_EQ(c.GameDepth, 0);
    EXPECT_EQ(c.QualityAutomatic, 1);
    EXPECT_EQ(c.Fade + c.SmoothPolygons + c.HighQualityModels + c.MagFilter + c.MinFilter +
                  c.BackgroundTexture + c.ForegroundTexture,
              0);
    EXPECT_EQ(c.DebugFlags, 0);
    // Loading writes nothing.
    EXPECT_EQ(ReadWholeFile(m_userFile), "");
}

TEST_F(ConfigTest, PerGalaxyKeysUseOneBasedNumbers) {
    Load();
    WriteConfigPerGalaxyIndex(&GameConfig.BestTime[0][0], kPlanetsPerGalaxy, 3, 99, 41,
                              "/Game/%1/HighScore%2");
    WriteConfigPerGalaxyIndex(&GameConfig.SelectedPlanet[0][0], kSystemsPerGalaxy, 0, 9, 6,
                              "/Game/%1/SelectedPlanet%2");
    WriteConfigPerGalaxyIndex(&GameConfig.BestTime[0][0], kPlanetsPerGalaxy, 2, 17, 95,
                              "/Game/%1/HighScore%2");
    WriteConfigPerGalaxy(GameConfig.HighestPlanet, 1, 12, "/Game/%1/HighestPlanet");
    EXPECT_EQ(GameConfig.BestTime[3][99], 41);
    EXPECT_EQ((&GameConfig.BestTime[0][0])[217], 95);
    EXPECT_EQ(GameConfig.SelectedPlanet[0][9], 6);
    EXPECT_EQ(GameConfig.HighestPlanet[1], 12);

    wxConfigBase* store = wxConfigBase::Get();
    EXPECT_EQ(store->ReadLong("/Game/4/HighScore100", -5), 41);
    EXPECT_EQ(store->ReadLong("/Game/1/SelectedPlanet10", -5), 6);
    EXPECT_EQ(store->ReadLong("/Game/3/HighScore18", -5), 95);
    EXPECT_EQ(store->ReadLong("/Game/2/HighestPlanet", -5), 12);

    // Already on disk, without a flush of the caller's.
    std::string text = ReadWholeFile(m_userFile);
    EXPECT_NE(text.find("[Game/4]"), std::string::npos) << text;
    EXPECT_NE(text.find("HighScore100=41"), std::string::npos) << text;

    Load();
    EXPECT_EQ(GameConfig.BestTime[3][99], 41);
    EXPECT_EQ(GameConfig.BestTime[2][17], 95);
    EXPECT_EQ(GameConfig.SelectedPlanet[0][9], 6);
}

TEST_F(ConfigTest, StoredValuesAreLoadedUnclamped) {
    WriteWholeFile(m_userFile, "[Game]\nSelectedGalaxy=7\n[Display]\nIndex=2\nTop=-40\n");
    Load();
    EXPECT_EQ(GameConfig.SelectedGalaxy, 7);
    EXPECT_EQ(GameConfig.DisplayIndex, 2);
    EXPECT_EQ(GameConfig.DisplayTop, -40);
}

TEST_F(ConfigTest, MachineWideFileFillsKeysTheUserLacks) {
    WriteWholeFile(m_globalFile, "[Control]\nDrop=65\nLeft=66\n[Player]\nMusic=0\n");
    WriteWholeFile(m_userFile, "[Control]\nLeft=90\n");
    Load();
    EXPECT_EQ(GameConfig.DropKey, 65);   // only in the machine-wide file
    EXPECT_EQ(GameConfig.LeftKey, 90);   // the user's value wins
    EXPECT_EQ(GameConfig.RightKey, 316); // in neither: the default
    EXPECT_EQ(GameConfig.MusicMode, 0);

    // Writing one key does not copy the machine-wide values into the user's file.
    GameConfig.RightKey = 67;
    WriteConfigInt("/Control/Right", 67);
    std::string text = ReadWholeFile(m_userFile);
    EXPECT_EQ(text.find("Drop"), std::string::npos) << text;
    EXPECT_NE(text.find("Right=67"), std::string::npos) << text;
}

TEST_F(ConfigTest, GarbageAndOutOfRangeValuesGiveTheDefault) {
    WriteWholeFile(m_userFile,
                   "[Control]\nDrop=space\nLeft=4294967296\nRight=-2147483649\n"
                   "[Player]\nMusic=1.5\n[Game]\nSelectedGalaxy=\n"
                   "[Display]\nIndex=3x\nTop=2147483647\nLeft=-2147483648\nWidth= 800 \n"
                   "Height=99999999999999999999999\n"
                   "[Display/Quality]\nAutomatic=$HOME\n");
    Load();
    EXPECT_EQ(GameConfig.DropKey, 32);
    EXPECT_EQ(GameConfig.LeftKey, 314);
    EXPECT_EQ(GameConfig.RightKey, 316);
    EXPECT_EQ(GameConfig.MusicMode, 2);
    EXPECT_EQ(GameConfig.SelectedGalaxy, 1);
    EXPECT_EQ(GameConfig.DisplayIndex, -1);
    EXPECT_EQ(GameConfig.DisplayTop, 2147483647);
    EXPECT_EQ(GameConfig.DisplayLeft, -2147483647 - 1);
    EXPECT_EQ(GameConfig.DisplayWidth, 800);
    EXPECT_EQ(GameConfig.DisplayHeight, 0);
    EXPECT_EQ(GameConfig.QualityAutomatic, 1);
}

TEST_F(ConfigTest, WriteSurvivesKillMinus9) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LoadGameConfigWithGlobalFile(m_globalFile.c_str());
        GameConfig.BestTime[3][99] = 123;
        WriteConfigInt("/Game/4/HighScore100", 123);
        raise(SIGKILL);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    Load();
    EXPECT_EQ(GameConfig.BestTime[3][99], 123);
}

TEST_F(ConfigTest, FlushReplacesTheFileInsteadOfRewritingIt) {
    Load();
    WriteConfigInt("/Player/Music", 1);
    struct stat first {};
    ASSERT_EQ(stat(m_userFile.c_str(), &first), 0);
    WriteConfigInt("/Player/Music", 0);
    struct stat second {};
    ASSERT_EQ(stat(m_userFile.c_str(), &second), 0);
    // A new inode: the new text went to a temporary file renamed over the old one,
    // so a crash mid-write leaves the previous file whole.
    EXPECT_NE(first.st_ino, second.st_ino);
    // And no temporary file is left behind.
    std::string listing;
    for (const char* name : {"/xdg/vorpane.conf.tmp", "/xdg/vorpane.tmp"})
        EXPECT_NE(access((m_dir.Path() + name).c_str(), F_OK), 0) << name;
}

TEST_F(ConfigTest, UserFileLivesUnderXdgConfigHome) {
    Load();
    WriteConfigInt("/debug_flags", 3);
    EXPECT_NE(ReadWholeFile(m_userFile).find("debug_flags=3"), std::string::npos);
    // Without XDG_CONFIG_HOME it is ~/.config/vorpane.conf.
    unsetenv("XDG_CONFIG_HOME");
    mkdir((m_dir.Path() + "/.config").c_str(), 0700);
    Load();
    WriteConfigInt("/debug_flags", 1);
    EXPECT_NE(ReadWholeFile(m_dir.Path() + "/.config/vorpane.conf").find("debug_flags=1"),
              std::string::npos);
}

}  // namespace

// The configuration record against a private HOME and machine-wide file: keys and
// defaults, saves that survive being killed, files that cannot be read, failed saves.
#include <gtest/gtest.h>
#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "app/app_seams.h"
#include "support/private_store.h"
#include "support/test_support.h"

namespace {

// The names in a folder, sorted, without "." and "..".
std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

size_t CountLines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

// Counts what reaches the toolkit's log while it lives: anything there could become a
// modal box in the game.
class CToolkitLogCounter : public wxLog {
public:
    CToolkitLogCounter() : m_previous(wxLog::SetActiveTarget(this)) {}
    ~CToolkitLogCounter() override { wxLog::SetActiveTarget(m_previous); }
    int Count() const { return m_count; }

protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override { ++m_count; }

private:
    wxLog* m_previous;
    int m_count = 0;
};

// A user file with every best time set, as after a whole campaign.
std::string FullProgressText() {
    std::string text = "[Control]\nDrop=65\nLeft=66\nRight=67\n[Player]\nMusic=1\n";
    for (int g = 1; g <= kGalaxyCount; ++g) {
        text += "[Game/" + std::to_string(g) + "]\nHighestPlanet=100\n";
        for (int p = 1; p <= kPlanetsPerGalaxy; ++p)
            text += "HighScore" + std::to_string(p) + "=" + std::to_string(g * 1000 + p) + "\n";
    }
    return text + "[Display]\nIndex=1\nWidth=1024\n";
}

// Another program writing the settings: the config writer, a child process that
// loads the store and writes one key over and over, each value one more than the last,
// printing each value once its write has returned; pausing, when told, that many
// microseconds after each.
class ConfigWriterChild {
public:
    ConfigWriterChild(const char* key, const std::string& globalFile,
                      const char* pause = nullptr) {
        int out[2];
        if (pipe(out) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            execl(VORPANE_CONFIG_WRITER, VORPANE_CONFIG_WRITER, key, globalFile.c_str(), pause,
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        m_out = out[0];
    }
    ~ConfigWriterChild() {
        if (m_pid > 0) Kill(nullptr);
    }
    // What it printed once it has acknowledged at least count writes (or 20 seconds
    // have passed).
    std::string WaitForWrites(size_t count) {
        std::string acknowledged;
        pollfd ready{m_out, POLLIN, 0};
        while (CountLines(acknowledged) < count && poll(&ready, 1, 20000) == 1) {
            char buffer[4096];
            const ssize_t got = read(m_out, buffer, sizeof buffer);
            if (got <= 0) break;
            acknowledged.append(buffer, static_cast<size_t>(got));
        }
        return acknowledged;
    }
    // What it printed since last asked, without waiting.
    std::string ReadWrites() {
        std::string acknowledged;
        pollfd ready{m_out, POLLIN, 0};
        while (poll(&ready, 1, 0) == 1) {
            char buffer[4096];
            const ssize_t got = read(m_out, buffer, sizeof buffer);
            if (got <= 0) break;
            acknowledged.append(buffer, static_cast<size_t>(got));
        }
        return acknowledged;
    }
    // Kills it with SIGKILL; appends what it printed meanwhile to *acknowledged.
    // Its wait status.
    int Kill(std::string* acknowledged) {
        ::kill(m_pid, SIGKILL);
        char buffer[4096];
        for (ssize_t got; (got = read(m_out, buffer, sizeof buffer)) > 0;)
            if (acknowledged) acknowledged->append(buffer, static_cast<size_t>(got));
        close(m_out);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        return status;
    }

private:
    pid_t m_pid = 0;
    int m_out = -1;
};

// The number stored under key in a settings file's text; -1 when there is none.
long StoredValue(const std::string& text, const char* key) {
    wxMemoryInputStream in(text.data(), text.size());
    wxFileConfig config(in, wxConvUTF8);
    return config.ReadLong(key, -1);
}

// The last value a writer acknowledged.
int32_t LastAcknowledged(std::string acknowledged) {
    acknowledged.erase(acknowledged.rfind('\n'));
    return std::stoi(acknowledged.substr(acknowledged.rfind('\n') + 1));
}

class ConfigTest : public ToolkitTest {
protected:
    void Load() { m_store.Load(); }

    // Loads with standard error captured; what was written there.
    std::string LoadReportingErrors() {
        ::testing::internal::CaptureStderr();
        Load();
        return ::testing::internal::GetCapturedStderr();
    }

    PrivateStore m_store{PrivateStore::LoadLater};  // each test writes its files first
    const std::string m_userFile = m_store.UserFile();
    const std::string m_globalFile = m_store.GlobalFile();
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
    SetConfigValue(ConfigKey::BestTime, 3, 99, 41);
    SetConfigValue(ConfigKey::SelectedPlanet, 0, 9, 6);
    SetConfigValue(ConfigKey::BestTime, 2, 17, 95);
    SetConfigValue(ConfigKey::HighestPlanet, 1, 12);
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

TEST_F(ConfigTest, EveryKeyIsStoredUnderItsNameAndReadBackIntoItsField) {
    Load();
    {
        ConfigWriteBatch batch;
        for (int k = 0; k <= int(ConfigKey::DebugFlags); ++k) {
            const ConfigKey key = ConfigKey(k);
            if (key == ConfigKey::HighestPlanet || key == ConfigKey::SelectedSystem)
                SetConfigValue(key, 2, 100 + k);
            else if (key == ConfigKey::SelectedPlanet || key == ConfigKey::BestTime)
                SetConfigValue(key, 1, 9, 100 + k);
            else
                SetConfigValue(key, 100 + k);
        }
    }
    EXPECT_EQ(ReadWholeFile(m_userFile),
              "debug_flags=126\n"
              "[Control]\nDrop=100\nLeft=101\nRight=102\n"
              "[Player]\nMusic=103\n"
              "[Game]\nSelectedGalaxy=104\n"
              "[Game/3]\nHighestPlanet=105\nSelectedSystem=106\n"
              "[Game/2]\nSelectedPlanet10=107\nHighScore10=108\n"
              "[Registration]\nEulaVersion=109\n"
              "[Display]\nIndex=110\nTop=111\nLeft=112\nWidth=113\nHeight=114\n"
              "GameWidth=115\nGameHeight=116\nDepth=117\n"
              "[Display/Quality]\nAutomatic=118\nFade=119\nSmoothPolygons=120\n"
              "HighQualityModels=121\nMagFilter=122\nMinFilter=123\nBackgroundTexture=124\n"
              "ForegroundTexture=125\n");
    // Each value is in its own field, as set and as loaded again.
    GameConfigRecord want{};
    want.DropKey = 100; want.LeftKey = 101; want.RightKey = 102; want.MusicMode = 103;
    want.SelectedGalaxy = 104; want.HighestPlanet[2] = 105; want.SelectedSystem[2] = 106;
    want.SelectedPlanet[1][9] = 107; want.BestTime[1][9] = 108; want.AgreementVersion = 109;
    want.DisplayIndex = 110; want.DisplayTop = 111; want.DisplayLeft = 112;
    want.DisplayWidth = 113; want.DisplayHeight = 114; want.GameWidth = 115;
    want.GameHeight = 116; want.GameDepth = 117; want.QualityAutomatic = 118; want.Fade = 119;
    want.SmoothPolygons = 120; want.HighQualityModels = 121; want.MagFilter = 122;
    want.MinFilter = 123; want.BackgroundTexture = 124; want.ForegroundTexture = 125;
    want.DebugFlags = 126;
    EXPECT_EQ(std::memcmp(&want, &GameConfig, sizeof want), 0);
    Load();
    EXPECT_EQ(std::memcmp(&want, &GameConfig, sizeof want), 0);
}

TEST_F(ConfigTest, ABatchOfWritesSavesOnceTheSameFileAsSingleWrites) {
    // Seven single writes: seven saves, each on disk when it returns.
    Load();
    const auto writeSeven = [](int base) {
        for (int k = int(ConfigKey::QualityAutomatic); k <= int(ConfigKey::MinFilter); ++k)
            SetConfigValue(ConfigKey(k), base + k);
        SetConfigValue(ConfigKey::MusicMode, base);
    };
    unsigned long saves = ConfigSaveCount();
    writeSeven(10);
    EXPECT_EQ(ConfigSaveCount() - saves, 7u);
    const std::string singles = ReadWholeFile(m_userFile);

    // The same writes in a batch, nested once: nothing reaches the disk until the
    // outermost batch ends, then one save stores them all.
    ASSERT_EQ(unlink(m_userFile.c_str()), 0);
    Load();
    saves = ConfigSaveCount();
    {
        ConfigWriteBatch batch;
        {
            ConfigWriteBatch inner;
            writeSeven(10);
        }
        EXPECT_EQ(ConfigSaveCount(), saves);
        EXPECT_EQ(ReadWholeFile(m_userFile), "");
        WriteConfigInt("/debug_flags", 0);
        EXPECT_EQ(ConfigSaveCount(), saves);
    }
    EXPECT_EQ(ConfigSaveCount() - saves, 1u);
    EXPECT_EQ(ReadWholeFile(m_userFile), "debug_flags=0\n" + singles);

    // A single write after the batch is durable on its own again.
    SetConfigValue(ConfigKey::Fade, 1);
    EXPECT_EQ(ConfigSaveCount() - saves, 2u);
    EXPECT_EQ(StoredConfigValue(ReadWholeFile(m_userFile), "/Display/Quality/Fade"), 1);
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

TEST_F(ConfigTest, UserFileLivesUnderXdgConfigHome) {
    Load();
    WriteConfigInt("/debug_flags", 3);
    EXPECT_NE(ReadWholeFile(m_userFile).find("debug_flags=3"), std::string::npos);
    // Without XDG_CONFIG_HOME it is ~/.config/vorpane.conf.
    unsetenv("XDG_CONFIG_HOME");
    mkdir((m_store.Folder() + "/.config").c_str(), 0700);
    Load();
    WriteConfigInt("/debug_flags", 1);
    EXPECT_NE(ReadWholeFile(m_store.Folder() + "/.config/vorpane.conf").find("debug_flags=1"),
              std::string::npos);
}

TEST_F(ConfigTest, SavesReplaceTheFileAndLeaveNothingBeside) {
    // The temporary file of a save a crash cut short goes at start-up; other files stay.
    const std::string xdg = m_store.Folder() + "/xdg";
    WriteWholeFile(xdg + "/vorpane.conf.vorpane-save-Ab12Cd", "[Control]\nDrop=1\n");
    WriteWholeFile(xdg + "/other.conf", "x");
    Load();
    EXPECT_EQ(GameConfig.DropKey, 32);  // a temporary file is never the settings
    EXPECT_EQ(ListFolder(xdg), (std::vector<std::string>{"other.conf"}));

    WriteConfigInt("/Player/Music", 1);
    struct stat first {};
    ASSERT_EQ(stat(m_userFile.c_str(), &first), 0);
    EXPECT_EQ(first.st_mode & 0777, 0666u & ~[] { mode_t m = umask(0); umask(m); return m; }());
    WriteConfigInt("/Player/Music", 0);
    struct stat second {};
    ASSERT_EQ(stat(m_userFile.c_str(), &second), 0);
    EXPECT_NE(first.st_ino, second.st_ino);  // a new file renamed into place
    EXPECT_EQ(ListFolder(xdg), (std::vector<std::string>{"other.conf", "vorpane.conf"}));

    // A file the player made private stays private.
    const mode_t mask = umask(022);
    ASSERT_EQ(chmod(m_userFile.c_str(), 0600), 0);
    Load();
    WriteConfigInt("/Player/Music", 2);
    umask(mask);
    ASSERT_EQ(stat(m_userFile.c_str(), &second), 0);
    EXPECT_EQ(second.st_mode & 0777, 0600u);
}

// Files of the player's own beside the settings file, and beside the file a linked one
// leads to, whatever their names look like, survive starts and saves: only the
// temporary files of the game's own saves are ever removed.
TEST_F(ConfigTest, OnlyTheGamesOwnTemporaryFilesAreEverRemoved) {
    const std::string xdg = m_store.Folder() + "/xdg";
    const std::string dotfiles = m_store.Folder() + "/dotfiles";
    ASSERT_EQ(mkdir(dotfiles.c_str(), 0700), 0);
    const std::vector<std::string> players = {
        "vorpane202412", "vorpaneNotes1", "vorpanebackup",  // "vorpane" and six
        "vorpane.conf.tmp-Ab12Cd",                          // another program's save
        "vorpane.conf.vorpane-save-Ab12C", "vorpane.conf.vorpane-save-Ab12Cde",
        "vorpane.conf.vorpane-save-Ab12C-", "vorpane.confvorpane-save-Ab12Cd",
        "vorpane.conf.vorpane-save_Ab12Cd", "vorpane.conf.vorpane-sav-Ab12Cd"};
    // Named exactly as a leftover, but no regular file: a link to one of the player's
    // files, a folder and a named pipe.
    const std::string link = "vorpane.conf.vorpane-save-Link12";
    const std::string folderName = "vorpane.conf.vorpane-save-Fold12";
    const std::string pipeName = "vorpane.conf.vorpane-save-Pipe12";
    for (const std::string& folder : {xdg, dotfiles}) {
        for (const std::string& name : players) WriteWholeFile(folder + "/" + name, name);
        WriteWholeFile(folder + "/vorpane.conf.vorpane-save-Xy34Zw", "a crash's leftover");
        ASSERT_EQ(symlink("vorpanebackup", (folder + "/" + link).c_str()), 0);
        ASSERT_EQ(mkdir((folder + "/" + folderName).c_str(), 0700), 0);
        ASSERT_EQ(mkfifo((folder + "/" + pipeName).c_str(), 0600), 0);
    }
    // Each folder's leftover goes, and what was the player's stays through every step.
    std::vector<std::string> kept = players;
    kept.insert(kept.end(), {"vorpane.conf", link, folderName, pipeName});
    std::sort(kept.begin(), kept.end());
    auto playersFilesIntact = [&](const char* step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(ListFolder(xdg), kept);
        EXPECT_EQ(ListFolder(dotfiles), kept);
        for (const std::string& folder : {xdg, dotfiles}) {
            for (const std::string& name : players)
                EXPECT_EQ(ReadWholeFile(folder + "/" + name), name) << folder << "/" << name;
            struct stat st {};
            EXPECT_TRUE(lstat((folder + "/" + link).c_str(), &st) == 0 && S_ISLNK(st.st_mode));
            EXPECT_TRUE(lstat((folder + "/" + folderName).c_str(), &st) == 0 &&
                        S_ISDIR(st.st_mode));
            EXPECT_TRUE(lstat((folder + "/" + pipeName).c_str(), &st) == 0 &&
                        S_ISFIFO(st.st_mode));
        }
    };
    // The settings file a link to the real one in the player's dotfiles.
    WriteWholeFile(dotfiles + "/vorpane.conf", "[Control]\nDrop=65\n");
    ASSERT_EQ(symlink((dotfiles + "/vorpane.conf").c_str(), m_userFile.c_str()), 0);
    Load();
    EXPECT_EQ(GameConfig.DropKey, 65);
    playersFilesIntact("the first start");
    SetConfigValue(ConfigKey::LeftKey, 90);
    SetConfigValue(ConfigKey::RightKey, 91);
    playersFilesIntact("saves");
    Load();
    EXPECT_EQ(GameConfig.RightKey, 91);
    playersFilesIntact("the second start");
}

TEST_F(ConfigTest, KilledWritesLeaveTheOldOrTheNewFileWhole) {
    WriteWholeFile(m_userFile, FullProgressText());
    Load();
    GameConfigRecord expected = GameConfig;
    const char* const key = "/Game/4/HighScore100";
    std::mt19937 random(20261207);
    int tempFilesFound = 0;
    for (int kill = 0; kill < 60; ++kill) {
        // Kill it at a random moment once it has started writing.
        std::string acknowledged;
        {
            ConfigWriterChild writer(key, m_globalFile);
            acknowledged = writer.WaitForWrites(1);
            usleep(std::uniform_int_distribution<useconds_t>(0, 12000)(random));
            const int status = writer.Kill(&acknowledged);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;
        }
        ASSERT_NE(acknowledged.find('\n'), std::string::npos) << "the writer never wrote";

        // The last write that returned is on disk, or the one after it.
        const int32_t last = LastAcknowledged(acknowledged);
        const std::vector<std::string> left = ListFolder(m_store.Folder() + "/xdg");
        tempFilesFound += left.size() > 1;
        EXPECT_EQ(LoadReportingErrors(), "");
        const int32_t stored = GameConfig.BestTime[3][99];
        EXPECT_TRUE(stored == last || stored == last + 1) << stored << " after " << last;
        expected.BestTime[3][99] = stored;
        EXPECT_EQ(std::memcmp(&GameConfig, &expected, sizeof expected), 0) << "after kill " << kill;
        EXPECT_EQ(ListFolder(m_store.Folder() + "/xdg"), std::vector<std::string>{"vorpane.conf"});
        if (HasFailure()) break;
    }
    std::printf("temporary files found after %d of 60 kills\n", tempFilesFound);
}

// What a file sync saw: the synced file and, at that moment, the settings file.
struct SyncSeen {
    struct stat synced;
    struct stat settings;  // st_ino 0: no settings file
};
std::vector<SyncSeen>* g_syncsSeen = nullptr;
const char* g_settingsPath = nullptr;

int RecordSync(int fd) {
    SyncSeen seen{};
    fstat(fd, &seen.synced);
    stat(g_settingsPath, &seen.settings);
    g_syncsSeen->push_back(seen);
    return fsync(fd);
}

// A save makes its new file durable before it renames it over the settings file (a
// power cut after the rename could leave an empty file otherwise), and the rename
// durable after it.
TEST_F(ConfigTest, ASaveSyncsItsNewFileBeforeTheRenameAndTheFolderAfter) {
    WriteWholeFile(m_userFile, FullProgressText());
    Load();
    std::vector<SyncSeen> syncs;
    g_syncsSeen = &syncs;
    g_settingsPath = m_userFile.c_str();
    g_appSeams.syncFile = RecordSync;
    struct stat old {};
    ASSERT_EQ(stat(m_userFile.c_str(), &old), 0);
    SetConfigValue(ConfigKey::MusicMode, 0);
    struct stat now {};
    ASSERT_EQ(stat(m_userFile.c_str(), &now), 0);
    ASSERT_NE(now.st_ino, old.st_ino);
    struct stat folder {};
    ASSERT_EQ(stat((m_store.Folder() + "/xdg").c_str(), &folder), 0);
    // The new file, whole, while the old one was still in place; then the folder, once
    // the new file was.
    auto newFile = std::find_if(syncs.begin(), syncs.end(), [&](const SyncSeen& s) {
        return s.synced.st_ino == now.st_ino && s.synced.st_dev == now.st_dev;
    });
    ASSERT_NE(newFile, syncs.end()) << "the new file was never synced";
    EXPECT_EQ(newFile->synced.st_size, now.st_size);
    EXPECT_EQ(newFile->settings.st_ino, old.st_ino);
    auto folderSync = std::find_if(newFile, syncs.end(), [&](const SyncSeen& s) {
        return s.synced.st_ino == folder.st_ino && s.settings.st_ino == now.st_ino;
    });
    EXPECT_NE(folderSync, syncs.end()) << "the folder was not synced after the rename";
    EXPECT_EQ(syncs.size(), 2u);
    g_syncsSeen = nullptr;
}

// Two games running at once each save only the keys they wrote: what the other saved
// meanwhile (a best time won, here) stays, whichever saves last.
TEST_F(ConfigTest, TwoProgramsSavingInTurnKeepEachOthersWrites) {
    WriteWholeFile(m_userFile, FullProgressText());
    Load();  // this program, started first
    for (int turn = 0; turn < 2; ++turn) {
        SCOPED_TRACE("turn " + std::to_string(turn));
        std::string acknowledged;
        {
            ConfigWriterChild other("/Game/1/HighScore5", m_globalFile);
            acknowledged = other.WaitForWrites(3);
            ASSERT_GE(CountLines(acknowledged), 3u) << "the other program never wrote";
            other.Kill(&acknowledged);
        }
        SetConfigValue(turn == 0 ? ConfigKey::MusicMode : ConfigKey::DropKey, 0);
        const std::string text = ReadWholeFile(m_userFile);
        EXPECT_GE(StoredValue(text, "/Game/1/HighScore5"), LastAcknowledged(acknowledged));
        EXPECT_EQ(StoredValue(text, "/Player/Music"), 0);
        EXPECT_EQ(StoredValue(text, "/Control/Drop"), turn == 0 ? 65 : 0);
        EXPECT_EQ(StoredValue(text, "/Game/4/HighScore100"), 4100);
    }
    // An editor saving a line that cannot be read meanwhile: the file as it was is kept
    // aside before the save replaces it, and its readable keys stay.
    const std::string edited = ReadWholeFile(m_userFile) + "[Player\n[Control]\nLeft=77\n";
    WriteWholeFile(m_userFile, edited);
    ::testing::internal::CaptureStderr();
    SetConfigValue(ConfigKey::RightKey, 78);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("kept as " + m_userFile + ".bad"), std::string::npos) << errors;
    EXPECT_EQ(ReadWholeFile(m_userFile + ".bad"), edited);
    EXPECT_EQ(StoredValue(ReadWholeFile(m_userFile), "/Control/Left"), 77);
    EXPECT_EQ(StoredValue(ReadWholeFile(m_userFile), "/Control/Right"), 78);
}

// Two games saving at the very same time: neither save undoes one the other has
// finished, so a value the other program has written stays on disk until it writes
// the next.
TEST_F(ConfigTest, TwoProgramsSavingAtOnceNeverUndoAFinishedSave) {
    WriteWholeFile(m_userFile, FullProgressText());
    Load();
    ConfigWriterChild other("/Game/1/HighScore5", m_globalFile, "2000");
    std::string acknowledged = other.WaitForWrites(1);
    ASSERT_GE(CountLines(acknowledged), 1u) << "the other program never wrote";
    for (int32_t n = 1; n <= 100; ++n) {
        SetConfigValue(ConfigKey::DropKey, n);
        // Every value the other acknowledged before this save's end is on disk or
        // overtaken by a later one.
        acknowledged += other.ReadWrites();
        const std::string text = ReadWholeFile(m_userFile);
        EXPECT_GE(StoredValue(text, "/Game/1/HighScore5"), LastAcknowledged(acknowledged))
            << "save " << n;
        EXPECT_EQ(StoredValue(text, "/Control/Drop"), n);
        if (HasFailure()) break;
    }
}

// A game starting while another saves: the start-up's sweep of temporary files left by
// crashes leaves the other's save in progress alone, so it reaches the disk.
TEST_F(ConfigTest, AGameStartingWhileAnotherSavesLeavesThatSaveAlone) {
    WriteWholeFile(m_userFile, FullProgressText());
    ConfigWriterChild other("/Game/1/HighScore5", m_globalFile, "2000");
    std::string acknowledged = other.WaitForWrites(1);
    ASSERT_GE(CountLines(acknowledged), 1u) << "the other program never wrote";
    for (int start = 1; start <= 200; ++start) {
        Load();
        acknowledged += other.ReadWrites();
        EXPECT_GE(StoredValue(ReadWholeFile(m_userFile), "/Game/1/HighScore5"),
                  LastAcknowledged(acknowledged))
            << "start " << start;
        if (HasFailure()) break;
    }
}

TEST_F(ConfigTest, AFreshHomeGetsItsSettingsFolder) {
    // No ~/.config yet; an XDG_CONFIG_HOME that is not an absolute path is ignored.
    setenv("XDG_CONFIG_HOME", "relative/xdg", 1);
    Load();
    GameConfig.AgreementVersion = 3;
    WriteConfigInt("/Registration/EulaVersion", 3);
    struct stat folder {};
    ASSERT_EQ(stat((m_store.Folder() + "/.config").c_str(), &folder), 0);
    EXPECT_TRUE(S_ISDIR(folder.st_mode));
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_NE(access("relative", F_OK), 0);
    Load();
    EXPECT_EQ(GameConfig.AgreementVersion, 3);

    // An absolute one is made with all its missing parents.
    setenv("XDG_CONFIG_HOME", (m_store.Folder() + "/a/b/c").c_str(), 1);
    Load();
    EXPECT_EQ(GameConfig.AgreementVersion, 0);
    WriteConfigInt("/Registration/EulaVersion", 5);
    Load();
    EXPECT_EQ(GameConfig.AgreementVersion, 5);
    EXPECT_EQ(ListFolder(m_store.Folder() + "/a/b/c"), std::vector<std::string>{"vorpane.conf"});
}

TEST_F(ConfigTest, UnreadableLinesAreKeptAsideAndTheRestIsUsed) {
    const std::string text = "# mine\n[Control]\nDrop\nLeft=90\nLeft=91\n[Displ\nIndex=2\n"
                             "[Player] extra\nMusic=1\n[control]\nright=80\n";
    WriteWholeFile(m_userFile, text);
    std::string errors;
    {
        CToolkitLogCounter toolkitLog;
        errors = LoadReportingErrors();
        EXPECT_EQ(toolkitLog.Count(), 0);  // nothing that could open a box
    }
    EXPECT_EQ(GameConfig.DropKey, 32);      // "Drop" without "=": the default
    EXPECT_EQ(GameConfig.LeftKey, 91);      // the later of two, as the toolkit reads them
    EXPECT_EQ(GameConfig.DisplayIndex, -1); // under a broken header: its group is unknown
    EXPECT_EQ(GameConfig.MusicMode, 1);
    EXPECT_EQ(GameConfig.RightKey, 80);     // a repeated group (in any case) is the same
    EXPECT_EQ(CountLines(errors), 1u) << errors;
    EXPECT_NE(errors.find(m_userFile + " cannot be read (the first is line 3)"),
              std::string::npos) << errors;
    EXPECT_NE(errors.find("kept as " + m_userFile + ".bad\n"), std::string::npos) << errors;
    EXPECT_EQ(ReadWholeFile(m_userFile + ".bad"), text);
    EXPECT_EQ(ReadWholeFile(m_userFile), text);  // loading replaces nothing

    // Starting again with the same file keeps no second copy.
    Load();
    EXPECT_EQ(access((m_userFile + ".bad.1").c_str(), F_OK), -1);

    // The first save writes what was read; the copy stays as it was.
    WriteConfigInt("/Player/Music", 0);
    EXPECT_EQ(LoadReportingErrors(), "");
    EXPECT_EQ(GameConfig.LeftKey, 91);
    EXPECT_EQ(GameConfig.RightKey, 80);
    EXPECT_EQ(GameConfig.MusicMode, 0);
    EXPECT_EQ(ReadWholeFile(m_userFile + ".bad"), text);

    // Another broken file, not valid text at all, goes beside it under the next name.
    const std::string binary("\x01\xff\xfe\0garbage\n[Control]\nLeft=70\n", 29);
    WriteWholeFile(m_userFile, binary);
    errors = LoadReportingErrors();
    EXPECT_NE(errors.find("kept as " + m_userFile + ".bad.1\n"), std::string::npos) << errors;
    EXPECT_EQ(ReadWholeFile(m_userFile + ".bad.1"), binary);
    EXPECT_EQ(GameConfig.LeftKey, 70);
}

TEST_F(ConfigTest, AFileThatCannotBeReadGivesDefaultsAndIsNeverWritten) {
    // A folder where the file should be.
    ASSERT_EQ(mkdir(m_userFile.c_str(), 0700), 0);
    WriteWholeFile(m_userFile + "/inside", "x");
    std::string errors = LoadReportingErrors();
    EXPECT_EQ(CountLines(errors), 1u) << errors;
    EXPECT_NE(errors.find("cannot read the settings file " + m_userFile), std::string::npos)
        << errors;
    EXPECT_EQ(GameConfig.DropKey, 32);
    EXPECT_EQ(GameConfig.QualityAutomatic, 1);
    ::testing::internal::CaptureStderr();
    GameConfig.DropKey = 70;
    WriteConfigInt("/Control/Drop", 70);
    FlushGameConfig();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");  // said once, at the start
    EXPECT_EQ(wxConfigBase::Get()->ReadLong("/Control/Drop", 0), 70);  // kept in memory
    EXPECT_EQ(ListFolder(m_userFile), std::vector<std::string>{"inside"});
    EXPECT_EQ(ListFolder(m_store.Folder() + "/xdg"), std::vector<std::string>{"vorpane.conf"});

    // A file without read permission (root reads it anyway).
    if (geteuid() == 0) return;
    delete wxConfigBase::Set(nullptr);
    ASSERT_EQ(system(("rm -r '" + m_userFile + "'").c_str()), 0);
    WriteWholeFile(m_userFile, "[Control]\nDrop=65\n");
    ASSERT_EQ(chmod(m_userFile.c_str(), 0), 0);
    errors = LoadReportingErrors();
    EXPECT_EQ(CountLines(errors), 1u) << errors;
    EXPECT_EQ(GameConfig.DropKey, 32);
    WriteConfigInt("/Control/Drop", 70);
    ASSERT_EQ(chmod(m_userFile.c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(m_userFile), "[Control]\nDrop=65\n");
}

// The settings file turning into something that is no settings file after the start (a
// folder, a named pipe, a file too large to be settings): the saves that come then leave
// it as it is and say so once, in one line; the keys they could not store are stored by
// the first save once a file can be read there again.
TEST_F(ConfigTest, ASettingsFileThatCannotBeReadWhenASaveComesIsLeftAlone) {
    const std::string xdg = m_store.Folder() + "/xdg";
    const std::string large = "[Control]\nDrop=66\n" + std::string(16 << 20, '#');
    struct Case {
        const char* what;
        std::function<void()> make;   // puts it in the settings file's place
        std::function<bool()> alone;  // it is there as it was made
    };
    const Case cases[] = {
        {"a folder",
         [&] {
             ASSERT_EQ(mkdir(m_userFile.c_str(), 0700), 0);
             WriteWholeFile(m_userFile + "/inside", "x");
         },
         [&] { return ListFolder(m_userFile) == std::vector<std::string>{"inside"}; }},
        {"a named pipe", [&] { ASSERT_EQ(mkfifo(m_userFile.c_str(), 0600), 0); },
         [&] {
             struct stat st {};
             return lstat(m_userFile.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
         }},
        {"a file over 16 MiB", [&] { WriteWholeFile(m_userFile, large); },
         [&] { return ReadWholeFile(m_userFile) == large; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteWholeFile(m_userFile, "[Control]\nDrop=65\n");
        EXPECT_EQ(LoadReportingErrors(), "");
        EXPECT_EQ(GameConfig.DropKey, 65);
        ASSERT_EQ(system(("rm -r '" + m_userFile + "'").c_str()), 0);
        c.make();
        ::testing::internal::CaptureStderr();
        SetConfigValue(ConfigKey::LeftKey, 90);
        SetConfigValue(ConfigKey::RightKey, 91);
        FlushGameConfig();
        const std::string errors = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(CountLines(errors), 1u) << errors;
        EXPECT_NE(errors.find("cannot save the settings to " + m_userFile + " ("),
                  std::string::npos) << errors;
        EXPECT_TRUE(c.alone());
        EXPECT_EQ(ListFolder(xdg), std::vector<std::string>{"vorpane.conf"});  // nothing beside
        // A settings file again: the next save stores what the others could not.
        ASSERT_EQ(system(("rm -r '" + m_userFile + "'").c_str()), 0);
        WriteWholeFile(m_userFile, "[Control]\nDrop=67\n");
        FlushGameConfig();
        const std::string text = ReadWholeFile(m_userFile);
        EXPECT_EQ(StoredValue(text, "/Control/Drop"), 67);
        EXPECT_EQ(StoredValue(text, "/Control/Left"), 90);
        EXPECT_EQ(StoredValue(text, "/Control/Right"), 91);
    }
}

TEST_F(ConfigTest, AFailedSaveKeepsTheOldFileAndIsReportedOnce) {
    const std::string text = FullProgressText();
    WriteWholeFile(m_userFile, text);
    const std::string errorsFile = m_store.Folder() + "/errors.txt";
    // A disk that is full for this process: files may not grow past 1 KiB.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int errorsFd = open(errorsFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(errorsFd, 2);
        // As the game starts: a write past the limit would end it with SIGXFSZ.
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit full{1024, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &full);
        Load();
        WriteConfigInt("/Player/Music", 0);
        WriteConfigInt("/Control/Left", 77);
        FlushGameConfig();
        if (ReadWholeFile(m_userFile) != text) _exit(10);
        if (ListFolder(m_store.Folder() + "/xdg") != std::vector<std::string>{"vorpane.conf"})
            _exit(11);
        // Room again: the final flush stores what the failed saves could not.
        setrlimit(RLIMIT_FSIZE, &limit);
        FlushGameConfig();
        const std::string flushed = ReadWholeFile(m_userFile);
        if (flushed.find("Music=0") == std::string::npos ||
            flushed.find("Left=77") == std::string::npos)
            _exit(12);
        WriteConfigInt("/Control/Right", 78);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "10: the old file changed; 11: a file was left; 12: the flush wrote nothing";
    const std::string errors = ReadWholeFile(errorsFile);
    EXPECT_EQ(CountLines(errors), 1u) << errors;
    EXPECT_NE(errors.find("cannot save the settings to " + m_userFile), std::string::npos)
        << errors;
    Load();
    EXPECT_EQ(GameConfig.MusicMode, 0);
    EXPECT_EQ(GameConfig.LeftKey, 77);
    EXPECT_EQ(GameConfig.RightKey, 78);
    EXPECT_EQ(GameConfig.BestTime[2][41], 3042);

    // A folder that may not be written (root writes anyway).
    if (geteuid() == 0) return;
    ASSERT_EQ(chmod((m_store.Folder() + "/xdg").c_str(), 0500), 0);
    ::testing::internal::CaptureStderr();
    WriteConfigInt("/Player/Music", 2);
    WriteConfigInt("/Player/Music", 1);
    const std::string readOnly = ::testing::internal::GetCapturedStderr();
    chmod((m_store.Folder() + "/xdg").c_str(), 0700);
    EXPECT_EQ(CountLines(readOnly), 1u) << readOnly;
    EXPECT_NE(ReadWholeFile(m_userFile).find("Music=0"), std::string::npos);
}

TEST_F(ConfigTest, AHandEditedFileKeepsItsValuesThroughWritesAndRestarts) {
    // What a player's editor can leave: a byte-order mark at the start of a later line,
    // a "." in a group's path, a doubled lock mark, a group whose name only looks like
    // that path, an escaped lock mark, and groups whose names hold the characters a
    // header escapes.
    const std::string bom = "\xEF\xBB\xBF";
    WriteWholeFile(m_userFile, "# by hand\na=1\n" + bom + "Name=3\n[Game/./1]\nHighScore9=5\n"
                               "!!HighScore1=3\nx=1\n[Game/.1]\ny=2\n " + bom + "[Player]\n"
                               "Music=1\n[Control]\n\\!Drop=65\n[Odd\\]Name]\nb=4\n"
                               "[Back\\\\Slash\\]]\nc=5\n[Odd]\nd=6\n");
    CToolkitLogCounter toolkitLog;
    std::string saved;
    for (int start = 1; start <= 3; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        EXPECT_EQ(LoadReportingErrors(), "");
        EXPECT_EQ(GameConfig.BestTime[0][8], 5);
        EXPECT_EQ(GameConfig.BestTime[0][0], start == 1 ? 3 : 42);
        EXPECT_EQ(GameConfig.MusicMode, 1);
        wxConfigBase* store = wxConfigBase::Get();
        EXPECT_EQ(store->ReadLong("/Name", -1), 3);
        EXPECT_EQ(store->ReadLong("/a", -1), 1);
        EXPECT_EQ(store->ReadLong("/Game/1/x", -1), 1);
        EXPECT_EQ(store->ReadLong("/Game/.1/y", -1), 2);
        EXPECT_EQ(store->ReadLong("/Odd]Name/b", -1), 4);
        EXPECT_EQ(store->ReadLong("/Back\\Slash]/c", -1), 5);
        EXPECT_EQ(store->ReadLong("/Odd/d", -1), 6);
        EXPECT_EQ(GameConfig.DropKey, start == 1 ? 65 : 70);
        // A best time and a key written are kept, and saving what was loaded changes
        // nothing.
        SetConfigValue(ConfigKey::BestTime, 0, 0, 42);
        SetConfigValue(ConfigKey::DropKey, 70);
        EXPECT_EQ(store->ReadLong("/Game/1/HighScore1", -1), 42);
        EXPECT_EQ(store->ReadLong("/Control/Drop", -1), 70);
        if (start > 1) {
            EXPECT_EQ(ReadWholeFile(m_userFile), saved);
        }
        saved = ReadWholeFile(m_userFile);
        EXPECT_EQ(ListFolder(m_store.Folder() + "/xdg"), std::vector<std::string>{"vorpane.conf"});
    }
    EXPECT_EQ(toolkitLog.Count(), 0);
}

// True when the process can take the locale name (it keeps its own). Asked through
// setlocale: glibc's newlocale leaks the search path it builds from LOCPATH.
bool LocaleUsable(const char* name) {
    const std::string before = setlocale(LC_ALL, nullptr);
    const bool usable = setlocale(LC_ALL, name) != nullptr;
    setlocale(LC_ALL, before.c_str());
    return usable;
}

// Makes the locale name usable: the system's own, or one localedef builds from the
// system's locale sources (the "locales" package) under the build folder, found there
// through LOCPATH. False when neither can be had.
bool MakeLocaleAvailable(const char* name, const char* source, const char* charmap) {
    if (LocaleUsable(name)) return true;
    const std::string folder = VORPANE_TEST_LOCALE_DIR;
    mkdir(folder.c_str(), 0755);
    const std::string built = folder + "/" + name;
    if (access(built.c_str(), F_OK) != 0) {
        // Built aside and renamed into place: tests running at once never see half of it.
        const std::string aside = built + ".part" + std::to_string(getpid());
        const std::string command = "localedef -i " + std::string(source) + " -f " + charmap +
                                    " '" + aside + "' >/dev/null 2>&1";
        const int status = system(command.c_str());
        if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) <= 1)
            rename(aside.c_str(), built.c_str());
        system(("rm -rf '" + aside + "'").c_str());
    }
    setenv("LOCPATH", folder.c_str(), 1);
    if (LocaleUsable(name)) return true;
    unsetenv("LOCPATH");
    return false;
}

const char kNoTurkishLocale[] =
    "no tr_TR.UTF-8 locale, and localedef could not build one (the \"locales\" package "
    "holds its sources)";

// The process's locale, put back when this ends.
struct ProcessLocale {
    const std::string before = setlocale(LC_ALL, nullptr);
    ~ProcessLocale() { setlocale(LC_ALL, before.c_str()); }
};

// Sets the Turkish locale for the whole process, as the toolkit sets the player's.
bool EnterTurkishLocale() {
    if (setlocale(LC_ALL, "tr_TR.UTF-8") == nullptr) return false;
    EXPECT_EQ(towlower(L'I'), 0x131u) << "not a Turkish locale";
    return towlower(L'I') == 0x131u;
}

// Under a Turkish locale, where the lower case of "I" is the dotless "ı", key and group
// names still match as under any other: the ASCII letters regardless of case.
TEST_F(ConfigTest, NamesMatchTheSameWayUnderATurkishLocale) {
    const ProcessLocale restored;
    if (!MakeLocaleAvailable("tr_TR.UTF-8", "tr_TR", "UTF-8"))
        GTEST_SKIP() << kNoTurkishLocale;
    ASSERT_TRUE(EnterTurkishLocale());
    WriteWholeFile(m_userFile, "[Control]\nrIGHT=317\n[Display]\nTop=5\n[DISPLAY]\nINDEX=2\n");
    WriteWholeFile(m_globalFile, "[PLAYER]\nMUSIC=0\n");
    EXPECT_EQ(LoadReportingErrors(), "");
    EXPECT_EQ(GameConfig.RightKey, 317);
    EXPECT_EQ(GameConfig.DisplayTop, 5);
    EXPECT_EQ(GameConfig.DisplayIndex, 2);
    EXPECT_EQ(GameConfig.MusicMode, 0);
    // A write replaces the value of the name as the file spells it.
    SetConfigValue(ConfigKey::RightKey, 318);
    SetConfigValue(ConfigKey::DisplayIndex, 3);
    EXPECT_EQ(ReadWholeFile(m_userFile), "[Control]\nrIGHT=318\n[Display]\nTop=5\nINDEX=3\n");
    Load();
    EXPECT_EQ(GameConfig.RightKey, 318);
    EXPECT_EQ(GameConfig.DisplayIndex, 3);
}

// Under a Turkish locale the machine-wide file's names match as the user's do, and
// the player's locale is the thread's again after every load, read, write and save:
// only the toolkit's handling of names runs under the "C" locale.
TEST_F(ConfigTest, TheMachineWideFileAndThePlayersLocaleUnderATurkishLocale) {
    const ProcessLocale restored;
    if (!MakeLocaleAvailable("tr_TR.UTF-8", "tr_TR", "UTF-8"))
        GTEST_SKIP() << kNoTurkishLocale;
    ASSERT_TRUE(EnterTurkishLocale());
    WriteWholeFile(m_globalFile, "[Display]\nIndex=2\nTop=5\nLeft=6\nWidth=640\nHeight=480\n"
                                 "GameWidth=800\nGameHeight=600\nDepth=24\n"
                                 "[Display/Quality]\nAutomatic=0\nFade=1\nMinFilter=3\n");
    auto playersLocale = [](const char* after) {
        EXPECT_EQ(towlower(L'I'), 0x131u) << "the thread's locale changed by " << after;
    };
    EXPECT_EQ(LoadReportingErrors(), "");
    playersLocale("a load");
    EXPECT_EQ(GameConfig.DisplayIndex, 2);
    EXPECT_EQ(GameConfig.DisplayTop, 5);
    EXPECT_EQ(GameConfig.DisplayLeft, 6);
    EXPECT_EQ(GameConfig.DisplayWidth, 640);
    EXPECT_EQ(GameConfig.DisplayHeight, 480);
    EXPECT_EQ(GameConfig.GameWidth, 800);
    EXPECT_EQ(GameConfig.GameHeight, 600);
    EXPECT_EQ(GameConfig.GameDepth, 24);
    EXPECT_EQ(GameConfig.QualityAutomatic, 0);
    EXPECT_EQ(GameConfig.Fade, 1);
    EXPECT_EQ(GameConfig.MinFilter, 3);
    int32_t value = 0;
    ReadConfigInt("/Display/Index", &value, -1);
    EXPECT_EQ(value, 2);
    playersLocale("a read");
    SetConfigValue(ConfigKey::DisplayIndex, 1);
    playersLocale("a write");
    {
        ConfigWriteBatch batch;
        SetConfigValue(ConfigKey::DisplayTop, 7);
    }
    playersLocale("a batch");
    WriteWholeFile(m_userFile, ReadWholeFile(m_userFile) + "[Player]\nMusic=0\n");
    WriteConfigInt("/Player/Music", 1);
    FlushGameConfig();
    playersLocale("a save");
    EXPECT_EQ(StoredValue(ReadWholeFile(m_userFile), "/Display/Index"), 1);
    EXPECT_EQ(StoredValue(ReadWholeFile(m_userFile), "/Player/Music"), 1);

    // Writes find the user's own entries too: a save from memory alone (the file gone)
    // has each key once, with the value written, and the next start reads them all.
    WriteWholeFile(m_userFile, "[Display]\nIndex=2\nTop=5\nLeft=6\nWidth=640\nHeight=480\n"
                               "GameWidth=800\nGameHeight=600\nDepth=24\n");
    Load();
    ASSERT_EQ(unlink(m_userFile.c_str()), 0);
    {
        ConfigWriteBatch batch;
        for (int k = int(ConfigKey::DisplayIndex); k <= int(ConfigKey::GameDepth); ++k)
            SetConfigValue(ConfigKey(k), 100 + k);
    }
    playersLocale("a save from memory");
    const std::string saved = ReadWholeFile(m_userFile);
    EXPECT_EQ(CountLines(saved), 9u) << saved;
    GameConfigRecord written = GameConfig;
    Load();
    EXPECT_EQ(std::memcmp(&written, &GameConfig, sizeof written), 0);
}

TEST_F(ConfigTest, ASettingsFileThatIsALinkIsSavedWhereItLeads) {
    // As a dotfile manager links it: the settings name to an absolute link, that to a
    // relative one, that to a private file in a folder of its own.
    const std::string links = m_store.Folder() + "/links";
    const std::string dotfiles = m_store.Folder() + "/dotfiles";
    const std::string real = dotfiles + "/vorpane-settings";
    ASSERT_EQ(mkdir(links.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(dotfiles.c_str(), 0700), 0);
    ASSERT_EQ(symlink((links + "/first").c_str(), m_userFile.c_str()), 0);
    ASSERT_EQ(symlink("../dotfiles/vorpane-settings", (links + "/first").c_str()), 0);
    WriteWholeFile(real, "[Control]\nDrop=65\n");
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    WriteWholeFile(real + ".vorpane-save-Ab12Cd", "[Control]\nDrop=1\n");  // a crash's leftover
    auto linkTo = [](const std::string& link) {
        char to[4096];
        const ssize_t length = readlink(link.c_str(), to, sizeof to);
        return length > 0 ? std::string(to, static_cast<size_t>(length)) : std::string();
    };
    auto linksIntact = [&] {
        return linkTo(m_userFile) == links + "/first" &&
               linkTo(links + "/first") == "../dotfiles/vorpane-settings";
    };
    EXPECT_EQ(LoadReportingErrors(), "");
    EXPECT_EQ(GameConfig.DropKey, 65);
    EXPECT_EQ(ListFolder(dotfiles), std::vector<std::string>{"vorpane-settings"});
    struct stat before {};
    ASSERT_EQ(stat(real.c_str(), &before), 0);
    WriteConfigInt("/Control/Left", 90);
    EXPECT_TRUE(linksIntact());
    struct stat after {};
    ASSERT_EQ(stat(real.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);  // replaced whole, not written in place
    EXPECT_EQ(after.st_mode & 0777, 0600u);
    EXPECT_EQ(ListFolder(dotfiles), std::vector<std::string>{"vorpane-settings"});
    Load();
    EXPECT_EQ(GameConfig.DropKey, 65);
    EXPECT_EQ(GameConfig.LeftKey, 90);

    // A link to a file not there yet: the first save creates the file.
    ASSERT_EQ(unlink(real.c_str()), 0);
    EXPECT_EQ(LoadReportingErrors(), "");
    EXPECT_EQ(GameConfig.DropKey, 32);
    WriteConfigInt("/Control/Drop", 70);
    EXPECT_TRUE(linksIntact());
    EXPECT_EQ(ReadWholeFile(real), "[Control]\nDrop=70\n");

    // Links that go round: said once, nothing saved, the game goes on with defaults.
    ASSERT_EQ(unlink((links + "/first").c_str()), 0);
    ASSERT_EQ(symlink("second", (links + "/first").c_str()), 0);
    ASSERT_EQ(symlink("first", (links + "/second").c_str()), 0);
    std::string errors = LoadReportingErrors();
    EXPECT_EQ(CountLines(errors), 1u) << errors;
    EXPECT_NE(errors.find("cannot read the settings file " + m_userFile + " (" +
                          std::strerror(ELOOP) + ")"),
              std::string::npos)
        << errors;
    EXPECT_EQ(GameConfig.DropKey, 32);
    ::testing::internal::CaptureStderr();
    WriteConfigInt("/Control/Drop", 71);
    FlushGameConfig();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ListFolder(links), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(ReadWholeFile(real), "[Control]\nDrop=70\n");
}

// A header that is no valid text (a stray byte in it, or a NUL before it) names a group
// that cannot be known: the entries under it are set aside with it, kept only in the
// copy of the file as it was, and never land in the group before it, where a save
// would store them. An entry that is no valid text goes alone, and so does a line of
// nothing but undecodable bytes.
TEST_F(ConfigTest, EntriesUnderAHeaderThatIsNoValidTextAreSetAside) {
    const std::string text = std::string("\0[Registration]\nEulaVersion=1\n", 30) +
                             "[Game/1]\nHighScore7=77\nNote\xff=1\n\xfe\xff\nHighScore8=88\n"
                             "[Game/\xff" "2]\nHighScore7=999\n"
                             "[Game/3]\nHighScore5=35\n"
                             " \xEF\xBB\xBF[Game/\xfe" "4] # galaxy 4\nHighScore100=4242\n"
                             "# mine\n[Player]\nMusic=1\n";
    WriteWholeFile(m_userFile, text);
    auto loadsAsWanted = [&] {
        EXPECT_EQ(GameConfig.BestTime[0][6], 77);
        EXPECT_EQ(GameConfig.BestTime[0][7], 88);
        EXPECT_EQ(GameConfig.BestTime[0][99], 0);
        EXPECT_EQ(GameConfig.BestTime[1][6], 0);
        EXPECT_EQ(GameConfig.BestTime[2][4], 35);
        EXPECT_EQ(GameConfig.BestTime[3][99], 0);
        EXPECT_EQ(GameConfig.AgreementVersion, 0);
        EXPECT_EQ(GameConfig.MusicMode, 1);
        EXPECT_EQ(wxConfigBase::Get()->ReadLong("/EulaVersion", -1), -1);
    };
    const std::string errors = LoadReportingErrors();
    EXPECT_EQ(CountLines(errors), 1u) << errors;
    EXPECT_NE(errors.find("8 lines of the settings file " + m_userFile +
                          " cannot be read (the first is line 1)"),
              std::string::npos) << errors;
    loadsAsWanted();
    EXPECT_EQ(ReadWholeFile(m_userFile + ".bad"), text);

    // The settings screen's OK: a save, and a start after it, find nothing moved.
    {
        ConfigWriteBatch batch;
        SetConfigValue(ConfigKey::DropKey, 32);
        SetConfigValue(ConfigKey::LeftKey, 314);
        SetConfigValue(ConfigKey::RightKey, 316);
    }
    const std::string saved = ReadWholeFile(m_userFile);
    EXPECT_EQ(saved.find("999"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("4242"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("EulaVersion"), std::string::npos) << saved;
    EXPECT_EQ(StoredValue(saved, "/Game/1/HighScore7"), 77);
    EXPECT_EQ(StoredValue(saved, "/Game/3/HighScore5"), 35);
    EXPECT_EQ(LoadReportingErrors(), "");
    loadsAsWanted();
    EXPECT_EQ(GameConfig.DropKey, 32);
    EXPECT_EQ(ReadWholeFile(m_userFile + ".bad"), text);
}

// The start reads no file over its limit (16 MiB; here a smaller one), so no save
// writes one: a save that would leaves the old file as it was and says so in one line,
// as other failed saves do, and its keys go with the next save that fits. One that fits
// to the byte is made.
TEST_F(ConfigTest, NoSaveWritesAFileTooLargeForTheNextStart) {
    const std::string xdg = m_store.Folder() + "/xdg";
    const size_t limit = 64 << 10;
    g_appSeams.maxFileBytes = limit;
    const std::string settings =
        "[Registration]\nEulaVersion=1\n[Game/1]\nHighestPlanet=40\nHighScore3=77\n";
    // The player's comments up to size bytes in all.
    auto padded = [&](size_t size) {
        std::string text = settings;
        const std::string line = "# " + std::string(4093, 'c') + "\n";
        while (text.size() + line.size() + 4 <= size) text += line;
        return text + "#" + std::string(size - text.size() - 2, 'c') + "\n";
    };
    // What the settings screen's OK adds: "[Control]\nDrop=32\nLeft=314\nRight=316\n".
    const size_t added = 37;
    for (const size_t spare : {added, added - 1}) {
        SCOPED_TRACE("room for " + std::to_string(spare) + " bytes");
        const std::string text = padded(limit - spare);
        ASSERT_EQ(text.size(), limit - spare);
        WriteWholeFile(m_userFile, text);
        EXPECT_EQ(LoadReportingErrors(), "");
        EXPECT_EQ(GameConfig.AgreementVersion, 1);
        const unsigned long saves = ConfigSaveCount();
        ::testing::internal::CaptureStderr();
        {
            ConfigWriteBatch batch;
            SetConfigValue(ConfigKey::DropKey, 32);
            SetConfigValue(ConfigKey::LeftKey, 314);
            SetConfigValue(ConfigKey::RightKey, 316);
        }
        FlushGameConfig();
        const std::string errors = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(ListFolder(xdg), std::vector<std::string>{"vorpane.conf"});
        if (spare == added) {
            EXPECT_EQ(errors, "");
            EXPECT_EQ(ConfigSaveCount() - saves, 1u);
            EXPECT_EQ(ReadWholeFile(m_userFile).size(), limit);
        } else {
            EXPECT_EQ(CountLines(errors), 1u) << errors;
            EXPECT_NE(errors.find("cannot save the settings to " + m_userFile + " (" +
                                  std::strerror(EFBIG) + ")"),
                      std::string::npos) << errors;
            EXPECT_EQ(ConfigSaveCount(), saves);
            EXPECT_TRUE(ReadWholeFile(m_userFile) == text);
            // The player trims the comments: the next save stores what this one could not.
            WriteWholeFile(m_userFile, settings);
            FlushGameConfig();
            EXPECT_EQ(ConfigSaveCount() - saves, 1u);
        }
        EXPECT_EQ(LoadReportingErrors(), "");
        EXPECT_EQ(GameConfig.AgreementVersion, 1);
        EXPECT_EQ(GameConfig.HighestPlanet[0], 40);
        EXPECT_EQ(GameConfig.BestTime[0][2], 77);
        EXPECT_EQ(wxConfigBase::Get()->ReadLong("/Control/Left", -1), 314);
        ASSERT_EQ(unlink(m_userFile.c_str()), 0);
    }
}

// The player changes the file's permissions while the game runs: a save keeps the
// ones the file has then, for the file named and for the one a link leads to.
TEST_F(ConfigTest, ASaveKeepsThePermissionsTheFileHasThen) {
    const mode_t mask = umask(022);
    WriteWholeFile(m_userFile, "[Control]\nDrop=65\n");
    ASSERT_EQ(chmod(m_userFile.c_str(), 0644), 0);
    Load();
    auto modeOf = [](const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777u;
    };
    for (const mode_t mode : {0600u, 0640u, 0604u}) {
        ASSERT_EQ(chmod(m_userFile.c_str(), mode), 0);
        SetConfigValue(ConfigKey::LeftKey, static_cast<int32_t>(mode));
        EXPECT_EQ(modeOf(m_userFile), mode);
    }
    EXPECT_EQ(StoredValue(ReadWholeFile(m_userFile), "/Control/Left"), 0604);

    const std::string real = m_store.Folder() + "/vorpane-settings";
    ASSERT_EQ(rename(m_userFile.c_str(), real.c_str()), 0);
    ASSERT_EQ(symlink(real.c_str(), m_userFile.c_str()), 0);
    ASSERT_EQ(chmod(real.c_str(), 0644), 0);
    Load();
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    SetConfigValue(ConfigKey::RightKey, 1);
    EXPECT_EQ(modeOf(real), 0600u);
    EXPECT_EQ(StoredValue(ReadWholeFile(real), "/Control/Right"), 1);
    // A file gone since the start comes back with the permissions it had then.
    ASSERT_EQ(unlink(real.c_str()), 0);
    SetConfigValue(ConfigKey::RightKey, 2);
    EXPECT_EQ(modeOf(real), 0644u);
    umask(mask);
}

// The copy kept of a file with lines that cannot be read is on disk before anything
// replaces that file: synced whole, and its name in the folder synced after it; at
// the start and at a save that finds such lines written meanwhile.
TEST_F(ConfigTest, TheCopyOfAnUnreadableFileIsSyncedBeforeTheFileIsReplaced) {
    const std::string xdg = m_store.Folder() + "/xdg";
    const std::string text = FullProgressText() + "[Player\nbroken\n";
    WriteWholeFile(m_userFile, text);
    std::vector<SyncSeen> syncs;
    g_syncsSeen = &syncs;
    g_settingsPath = m_userFile.c_str();
    g_appSeams.syncFile = RecordSync;
    struct stat folder {};
    ASSERT_EQ(stat(xdg.c_str(), &folder), 0);
    auto copySynced = [&](const std::string& copy, size_t size) {
        struct stat kept {};
        ASSERT_EQ(stat(copy.c_str(), &kept), 0);
        auto synced = std::find_if(syncs.begin(), syncs.end(), [&](const SyncSeen& s) {
            return s.synced.st_ino == kept.st_ino && s.synced.st_dev == kept.st_dev;
        });
        ASSERT_NE(synced, syncs.end()) << copy << " was never synced";
        EXPECT_EQ(static_cast<size_t>(synced->synced.st_size), size);
        EXPECT_NE(std::find_if(synced, syncs.end(),
                               [&](const SyncSeen& s) { return s.synced.st_ino == folder.st_ino; }),
                  syncs.end())
            << "the folder was not synced after " << copy;
    };
    EXPECT_NE(LoadReportingErrors(), "");
    copySynced(m_userFile + ".bad", text.size());

    const std::string edited = FullProgressText() + "Left\n";
    WriteWholeFile(m_userFile, edited);
    syncs.clear();
    ::testing::internal::CaptureStderr();
    SetConfigValue(ConfigKey::MusicMode, 0);
    ::testing::internal::GetCapturedStderr();
    copySynced(m_userFile + ".bad.1", edited.size());
    g_syncsSeen = nullptr;
}

int g_failedSyncs = 0;
int FailSync(int) {
    ++g_failedSyncs;
    errno = EIO;
    return -1;
}

// A sync that fails stops the save before its rename: the old file stays as it was,
// the failure is said once, and the next save that can sync stores the keys. A copy
// of an unreadable file that cannot be synced is no copy: the file is left alone.
TEST_F(ConfigTest, AFailedSyncKeepsTheOldFile) {
    const std::string xdg = m_store.Folder() + "/xdg";
    const std::string text = FullProgressText();
    WriteWholeFile(m_userFile, text);
    Load();
    struct stat before {};
    ASSERT_EQ(stat(m_userFile.c_str(), &before), 0);
    g_failedSyncs = 0;
    g_appSeams.syncFile = FailSync;
    ::testing::internal::CaptureStderr();
    SetConfigValue(ConfigKey::MusicMode, 0);
    SetConfigValue(ConfigKey::LeftKey, 77);
    std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_GE(g_failedSyncs, 2);
    EXPECT_EQ(CountLines(errors), 1u) << errors;
    EXPECT_NE(errors.find("cannot save the settings to " + m_userFile + " (" +
                          std::strerror(EIO) + ")"),
              std::string::npos) << errors;
    struct stat after {};
    ASSERT_EQ(stat(m_userFile.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadWholeFile(m_userFile), text);
    EXPECT_EQ(ListFolder(xdg), std::vector<std::string>{"vorpane.conf"});
    g_appSeams.syncFile = nullptr;
    FlushGameConfig();
    EXPECT_EQ(StoredValue(ReadWholeFile(m_userFile), "/Player/Music"), 0);
    EXPECT_EQ(StoredValue(ReadWholeFile(m_userFile), "/Control/Left"), 77);

    const std::string broken = text + "[Player\n";
    WriteWholeFile(m_userFile, broken);
    g_appSeams.syncFile = FailSync;
    errors = LoadReportingErrors();
    EXPECT_NE(errors.find("as no copy of it could be kept (" + std::string(std::strerror(EIO)) +
                          ") it is left as it is"),
              std::string::npos) << errors;
    g_appSeams.syncFile = nullptr;
    SetConfigValue(ConfigKey::MusicMode, 1);
    FlushGameConfig();
    EXPECT_EQ(ReadWholeFile(m_userFile), broken);
    EXPECT_EQ(ListFolder(xdg), std::vector<std::string>{"vorpane.conf"});
}

// Names match regardless of case for every ASCII letter, the first and last included:
// of two entries whose names differ only so, the later is the one read.
TEST_F(ConfigTest, EveryAsciiLetterMatchesEitherCase) {
    std::string text = "[Letters]\n";
    for (char c = 'A'; c <= 'Z'; ++c) text += std::string(1, c) + "x=1\n";
    text += "[LETTERS]\n";
    for (char c = 'a'; c <= 'z'; ++c) text += std::string(1, c) + "X=2\n";
    text += "[Zone]\nZoom=3\n[zONE]\nzOOM=4\n";
    WriteWholeFile(m_userFile, text);
    const std::string errors = LoadReportingErrors();
    EXPECT_NE(errors.find("27 lines of the settings file " + m_userFile +
                          " cannot be read (the first is line 2)"),
              std::string::npos) << errors;
    wxConfigBase* store = wxConfigBase::Get();
    for (char c = 'A'; c <= 'Z'; ++c) {
        const std::string upper = "/Letters/" + std::string(1, c) + "x";
        const std::string lower = "/letters/" + std::string(1, char(c - 'A' + 'a')) + "X";
        EXPECT_EQ(store->ReadLong(upper, -1), 2) << upper;
        EXPECT_EQ(store->ReadLong(lower, -1), 2) << lower;
    }
    EXPECT_EQ(store->ReadLong("/ZONE/ZOOM", -1), 4);
}

}  // namespace

namespace {

TEST(ConfigKeyDeathTest, AKeySetWithTheWrongShapeIsACheckFailure) {
    // The record's fields are reached through the table only in the shape it gives.
    EXPECT_DEATH(SetConfigValue(ConfigKey::Fade, 1, 0), "check failed: a key set as one value");
    EXPECT_DEATH(SetConfigValue(ConfigKey::BestTime, 0), "check failed: a per-galaxy key");
    EXPECT_DEATH(SetConfigValue(ConfigKey::BestTime, 4, 0, 1), "check failed: a galaxy or entry");
    EXPECT_DEATH(SetConfigValue(ConfigKey::SelectedPlanet, 0, 10, 1),
                 "check failed: a galaxy or entry");
}

}  // namespace

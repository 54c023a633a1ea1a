// The home loop and the campaign walked in-process with every screen and the game
// replaced by a scripted player: selections, progress, object lifetimes, the cursor
// count, the audio messages and the quit flag at every level, against a private
// configuration file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "audio/game_audio_recorder.h"
#include "campaign/cp_campaign.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "support/private_store.h"
#include "support/test_support.h"

namespace {

// The scripted player. Each screen takes the next move, which must name that screen:
//   home:play|settings|exit|close   apply:yes|no
//   galaxy|system|planet:ok|back|quit|<number to choose and confirm>
//   scenes[:quit]   play:won <seconds>|lost|abort|quit   complete[:quit]
// "quit" sets the quit flag as closing the window would. Each screen logs what it was
// shown: "G1" the galaxy screen on galaxy 1, "S0", "P4", "scenes", "play", "complete",
// "home", "settings", "apply", "close".
struct ScriptedPlayer {
    std::vector<std::string> moves;
    size_t next = 0;
    std::vector<std::string> log;
    int windowHolds = 0;  // applyDisplaySettings true minus closeGameSession
    std::string fileAtComplete;  // the configuration file as the completed screen found it
    const PrivateStore* store = nullptr;
};

ScriptedPlayer* g_player = nullptr;

// The next move for screen, without its "screen:" prefix. A script that runs out or
// names another screen fails the test and ends everything with the quit flag.
bool TakeMove(const char* screen, std::string* arg) {
    ScriptedPlayer& p = *g_player;
    const std::string prefix = screen;
    if (p.next >= p.moves.size()) {
        ADD_FAILURE() << "the script ended before the " << screen << " screen";
        RequestQuit();
        return false;
    }
    const std::string& move = p.moves[p.next++];
    if (move.compare(0, prefix.size(), prefix) != 0) {
        ADD_FAILURE() << "the " << screen << " screen came where the script has " << move;
        RequestQuit();
        return false;
    }
    *arg = move.size() > prefix.size() ? move.substr(prefix.size() + 1) : "";
    return true;
}

void ExpectCursorHidden(bool hidden, const char* screen) {
    EXPECT_EQ(GetCursorState().hideCount, hidden ? 1 : 0) << screen;
}

// The selection screens share one behaviour on their own field.
bool Select(const char* screen, char letter, uint32_t* field) {
    g_player->log.push_back(letter + std::to_string(*field));
    ExpectCursorHidden(false, screen);
    std::string arg;
    if (!TakeMove(screen, &arg)) return false;
    if (arg == "quit") {
        RequestQuit();
        return false;
    }
    if (arg == "back") return false;
    if (arg != "ok") *field = uint32_t(std::atoi(arg.c_str()));
    return true;
}

int FakeHome() {
    g_player->log.push_back("home");
    std::string arg;
    if (!TakeMove("home", &arg)) return kHomeResultClosed;
    if (arg == "play") return kHomeResultPlay;
    if (arg == "settings") return kHomeResultSettings;
    if (arg == "close") {
        RequestQuit();
        return kHomeResultClosed;
    }
    return kHomeResultExit;
}

void FakeSettings() { g_player->log.push_back("settings"); }

bool FakeApply(bool force) {
    EXPECT_FALSE(force);
    g_player->log.push_back("apply");
    std::string arg;
    if (!TakeMove("apply", &arg) || arg != "yes") return false;
    g_player->windowHolds += 1;
    return true;
}

void FakeClose() {
    g_player->log.push_back("close");
    g_player->windowHolds -= 1;
}

bool FakeGalaxy(PlanetResult& r) {
    EXPECT_EQ(r.galaxyObject, nullptr);
    EXPECT_EQ(r.systemObject, nullptr);
    EXPECT_EQ(r.planetObject, nullptr);
    EXPECT_EQ(r.highestPlanets, GameConfig.HighestPlanet);
    return Select("galaxy", 'G', &r.galaxy);
}

bool FakeSystem(PlanetResult& r) {
    EXPECT_NE(r.galaxyObject, nullptr);
    EXPECT_EQ(r.systemObject, nullptr);
    EXPECT_EQ(r.planetObject, nullptr);
    EXPECT_EQ(r.bestTimes, GameConfig.BestTime[r.galaxy]);
    EXPECT_EQ(r.highestPlanet, uint32_t(GameConfig.HighestPlanet[r.galaxy]));
    return Select("system", 'S', &r.system);
}

bool FakePlanet(PlanetResult& r) {
    EXPECT_NE(r.galaxyObject, nullptr);
    EXPECT_NE(r.systemObject, nullptr);
    EXPECT_EQ(r.planetObject, nullptr);
    return Select("planet", 'P', &r.planet);
}

// During the scenes, the game and the completed screen the whole selection is built
// and the cursor hidden.
void ExpectPlaying(const PlanetResult& r, const char* screen) {
    EXPECT_NE(r.galaxyObject, nullptr) << screen;
    EXPECT_NE(r.systemObject, nullptr) << screen;
    EXPECT_NE(r.planetObject, nullptr) << screen;
    ExpectCursorHidden(true, screen);
}

void FakeScenes(PlanetResult& r) {
    g_player->log.push_back("scenes");
    ExpectPlaying(r, "scenes");
    EXPECT_EQ(r.planetIndex, 10 * r.system + r.planet);
    EXPECT_EQ(r.result, uint32_t(PLANET_RESULT_NONE));
    std::string arg;
    if (TakeMove("scenes", &arg) && arg == "quit") RequestQuit();
}

void FakePlay(PlanetResult& r) {
    g_player->log.push_back("play");
    ExpectPlaying(r, "play");
    EXPECT_EQ(r.result, uint32_t(PLANET_RESULT_NONE));
    std::string arg;
    if (!TakeMove("play", &arg)) return;
    std::istringstream in(arg);
    std::string outcome;
    in >> outcome >> r.time;
    if (outcome == "won") r.result = PLANET_RESULT_COMPLETED;
    if (outcome == "lost") r.result = PLANET_RESULT_FAILED;
    if (outcome == "abort") r.result = PLANET_RESULT_QUIT;
    if (outcome == "quit") {
        r.result = PLANET_RESULT_QUIT;
        RequestQuit();
    }
}

void FakeComplete(PlanetResult& r) {
    g_player->log.push_back("complete");
    ExpectPlaying(r, "complete");
    // The selection has already moved on to the next planet.
    EXPECT_EQ(r.planetIndex + 1, 10 * r.system + r.planet);
    g_player->fileAtComplete = g_player->store->Text();
    std::string arg;
    if (TakeMove("complete", &arg) && arg == "quit") RequestQuit();
}

const CampaignScreens kScriptedScreens = {
    FakeHome,   FakeSettings, FakeApply,  FakeClose, FakeGalaxy,
    FakeSystem, FakePlanet,   FakeScenes, FakePlay,  FakeComplete,
};

class CampaignTest : public ToolkitTest {
protected:

    void SetUp() override {
        // A fresh configuration each time (the quit test starts over per level).
        m_store.reset();
        m_store.reset(new PrivateStore);
        m_player = ScriptedPlayer{};
        m_player.store = m_store.get();
        g_player = &m_player;
        m_audio.messages.clear();
    }

    void TearDown() override {
        g_player = nullptr;
    }

    // Runs the home loop on the script; checks that every move was used and that the
    // cursor, the window holds and the audio devices end as they began.
    void Play(std::vector<std::string> moves) {
        m_player.moves = std::move(moves);
        RunMainMenuLoop(kScriptedScreens);
        EXPECT_EQ(m_player.next, m_player.moves.size()) << "moves left over";
        EXPECT_EQ(GetCursorState().hideCount, 0);
        EXPECT_EQ(m_player.windowHolds, 0);
        EXPECT_EQ(m_audio.Of(AUDIO_MSG_OPEN).size(), m_audio.Of(AUDIO_MSG_CLOSE).size());
    }

    // A key as a fresh reader of the file finds it; -999 when missing.
    long Stored(const char* key) { return StoredConfigValue(m_store->Text(), key); }

    std::unique_ptr<PrivateStore> m_store;
    ScriptedPlayer m_player;
    GameAudioRecorder m_audio;
};

using Log = std::vector<std::string>;

TEST_F(CampaignTest, FirstStartOpensTheSecondGalaxyAndRecordsACompletion) {
    Play({"home:play", "apply:yes", "galaxy:ok", "system:ok", "planet:ok", "scenes",
          "play:won 59.9", "complete", "planet:back", "system:back", "galaxy:back",
          "home:exit"});
    EXPECT_EQ(m_player.log, (Log{"home", "apply", "G1", "S0", "P0", "scenes", "play", "complete",
                                 "P1", "S0", "G1", "close", "home"}));
    EXPECT_EQ(GameConfig.SelectedGalaxy, 1);
    EXPECT_EQ(GameConfig.BestTime[1][0], 59);
    EXPECT_EQ(GameConfig.HighestPlanet[1], 1);
    EXPECT_EQ(GameConfig.SelectedSystem[1], 0);
    EXPECT_EQ(GameConfig.SelectedPlanet[1][0], 1);
    // Every write was on disk when it returned: the completed screen already finds them.
    const std::string& text = m_player.fileAtComplete;
    EXPECT_NE(text.find("SelectedGalaxy=1"), std::string::npos) << text;
    EXPECT_NE(text.find("HighScore1=59"), std::string::npos) << text;
    EXPECT_NE(text.find("HighestPlanet=1"), std::string::npos) << text;
    EXPECT_NE(text.find("SelectedPlanet1=1"), std::string::npos) << text;
    EXPECT_EQ(Stored("/Game/SelectedGalaxy"), 1);
    EXPECT_EQ(Stored("/Game/2/SelectedSystem"), 0);
    // Nothing of the other galaxies was written.
    EXPECT_EQ(Stored("/Game/1/HighestPlanet"), -999);
}

TEST_F(CampaignTest, HomeLoopRunsSettingsAndComesBackWhenTheDisplayIsCancelled) {
    Play({"home:settings", "home:play", "apply:no", "home:play", "apply:yes", "galaxy:back",
          "home:close"});
    EXPECT_EQ(m_player.log,
              (Log{"home", "settings", "home", "apply", "home", "apply", "G1", "close", "home"}));
    EXPECT_EQ(QuitRequested, 1);
}

TEST_F(CampaignTest, ChoicesAreSavedAndUnlocksOnlyComeFromTheHighestOpenPlanet) {
    GameConfig.HighestPlanet[2] = 25;
    GameConfig.BestTime[2][13] = 80;
    Play({"home:play", "apply:yes", "galaxy:2", "system:1", "planet:3", "scenes", "play:won 75.2",
          "complete", "planet:back", "system:2", "planet:5", "scenes", "play:won 90", "complete",
          "planet:back", "system:back", "galaxy:back", "home:exit"});
    EXPECT_EQ(m_player.log, (Log{"home", "apply", "G1", "S0", "P0", "scenes", "play", "complete",
                                 "P4", "S1", "P0", "scenes", "play", "complete", "P6", "S2", "G2",
                                 "close", "home"}));
    EXPECT_EQ(GameConfig.SelectedGalaxy, 2);
    EXPECT_EQ(GameConfig.SelectedSystem[2], 2);
    EXPECT_EQ(GameConfig.BestTime[2][13], 75);  // beat 80
    EXPECT_EQ(GameConfig.BestTime[2][25], 90);  // the first time on the highest open planet
    EXPECT_EQ(GameConfig.HighestPlanet[2], 26); // 13 was older: only 25 unlocked 26
    EXPECT_EQ(GameConfig.SelectedPlanet[2][1], 4);
    EXPECT_EQ(GameConfig.SelectedPlanet[2][2], 6);
    EXPECT_EQ(Stored("/Game/3/HighScore14"), 75);
    EXPECT_EQ(Stored("/Game/3/HighScore26"), 90);
    EXPECT_EQ(Stored("/Game/3/HighestPlanet"), 26);
    EXPECT_EQ(Stored("/Game/3/SelectedPlanet3"), 6);
}

TEST_F(CampaignTest, BestTimesKeepEqualTimesAndNeverStoreZero) {
    struct Case {
        int32_t stored;
        double time;
        int32_t expected;
    };
    const Case cases[] = {
        {60, 60.0, 60},   // equal: nothing stored
        {60, 60.5, 60},   // slower
        {60, 59.9, 59},   // cut to whole seconds
        {0, 0.4, 1},      // under a second still counts as a time
        {5, 0.4, 1},
        {0, 123.99, 123},
        {0, 3e12, 2147483647},
    };
    for (const Case& c : cases) {
        GameConfig.BestTime[0][42] = c.stored;
        PlanetResult r = {};
        r.result = PLANET_RESULT_COMPLETED;
        r.galaxy = 0;
        r.system = 4;
        r.planet = 2;
        r.planetIndex = 42;
        r.highestPlanet = 60;
        r.bestTimes = GameConfig.BestTime[0];
        r.time = c.time;
        RecordPlanetCompletion(GameConfig, r);
        EXPECT_EQ(GameConfig.BestTime[0][42], c.expected) << c.stored << " against " << c.time;
        EXPECT_EQ(r.highestPlanet, 60u);  // replaying never changes the unlock
        EXPECT_EQ(r.planet, 3u);
        EXPECT_EQ(GameConfig.SelectedPlanet[0][4], 3);
    }
    EXPECT_EQ(Stored("/Game/1/HighScore43"), 2147483647);
    EXPECT_EQ(Stored("/Game/1/HighestPlanet"), -999);
    EXPECT_EQ(BestTimeSeconds(0.0), 1);
    EXPECT_EQ(BestTimeSeconds(1.999), 1);
    EXPECT_EQ(BestTimeSeconds(2.0), 2);
}

TEST_F(CampaignTest, CompletingASystemsLastPlanetMovesToTheNextSystem) {
    GameConfig.HighestPlanet[1] = 9;
    GameConfig.SelectedPlanet[1][0] = 9;
    GameConfig.SelectedPlanet[1][1] = 4;
    Play({"home:play", "apply:yes", "galaxy:ok", "system:ok", "planet:ok", "scenes",
          "play:won 30", "complete", "system:ok", "planet:back", "system:back", "galaxy:back",
          "home:exit"});
    EXPECT_EQ(m_player.log, (Log{"home", "apply", "G1", "S0", "P9", "scenes", "play", "complete",
                                 "S1", "P4", "S1", "G1", "close", "home"}));
    EXPECT_EQ(GameConfig.SelectedPlanet[1][0], 9);  // not moved past the last planet
    EXPECT_EQ(GameConfig.SelectedSystem[1], 1);
    EXPECT_EQ(GameConfig.HighestPlanet[1], 10);
    EXPECT_EQ(Stored("/Game/2/SelectedSystem"), 1);
    EXPECT_EQ(Stored("/Game/2/SelectedPlanet1"), 9);
}

TEST_F(CampaignTest, CompletingAGalaxysLastPlanetMovesToTheNextGalaxyButNotPastTheFourth) {
    for (int g : {1, 3}) {
        GameConfig.HighestPlanet[g] = 99;
        GameConfig.SelectedSystem[g] = 9;
        GameConfig.SelectedPlanet[g][9] = 9;
    }
    GameConfig.SelectedGalaxy = 1;
    Play({"home:play", "apply:yes", "galaxy:ok", "system:ok", "planet:ok", "scenes",
          "play:won 200.5", "complete", "galaxy:3", "system:ok", "planet:ok", "scenes",
          "play:won 10", "complete", "galaxy:back", "home:exit"});
    EXPECT_EQ(m_player.log,
              (Log{"home", "apply", "G1", "S9", "P9", "scenes", "play", "complete", "G2", "S9",
                   "P9", "scenes", "play", "complete", "G3", "close", "home"}));
    EXPECT_EQ(GameConfig.HighestPlanet[1], 100);
    EXPECT_EQ(GameConfig.HighestPlanet[3], 100);
    EXPECT_EQ(GameConfig.SelectedSystem[1], 9);  // the finished galaxy keeps its last system
    EXPECT_EQ(GameConfig.BestTime[1][99], 200);
    EXPECT_EQ(GameConfig.SelectedGalaxy, 3);     // written only by a confirmation
    EXPECT_EQ(Stored("/Game/2/HighestPlanet"), 100);
    EXPECT_EQ(Stored("/Game/4/HighScore100"), 10);
}

TEST_F(CampaignTest, OutOfRangeStoredProgressFallsBackSafely) {
    for (int32_t galaxy : {7, -1, 4}) {
        GameConfig.SelectedGalaxy = galaxy;
        EXPECT_EQ(StoredGalaxySelection(GameConfig), 1u) << galaxy;
    }
    GameConfig.SelectedGalaxy = 0;
    GameConfig.SelectedSystem[0] = -2;
    GameConfig.SelectedPlanet[0][0] = 12;
    GameConfig.HighestPlanet[0] = -5;
    GameConfig.HighestPlanet[2] = 250;
    GameConfig.BestTime[0][0] = -40;
    Play({"home:play", "apply:yes", "galaxy:ok", "system:ok", "planet:ok", "scenes",
          "play:won 33.3", "complete", "planet:back", "system:back", "galaxy:back",
          "home:exit"});
    EXPECT_EQ(m_player.log, (Log{"home", "apply", "G0", "S0", "P0", "scenes", "play", "complete",
                                 "P1", "S0", "G0", "close", "home"}));
    EXPECT_EQ(GameConfig.HighestPlanet[0], 1);   // clamped to 0, then planet 0 unlocked 1
    EXPECT_EQ(GameConfig.HighestPlanet[2], 100);
    EXPECT_EQ(GameConfig.BestTime[0][0], 33);    // the negative time counted as none
    GameConfig.SelectedSystem[1] = 10;
    GameConfig.SelectedPlanet[1][3] = -1;
    EXPECT_EQ(StoredSystemSelection(GameConfig, 1), 0u);
    EXPECT_EQ(StoredPlanetSelection(GameConfig, 1, 3), 0u);
}

TEST_F(CampaignTest, FailedAndAbortedGamesRecordNothing) {
    Play({"home:play", "apply:yes", "galaxy:ok", "system:ok", "planet:ok", "scenes", "play:lost",
          "planet:ok", "scenes", "play:abort", "planet:back", "system:back", "galaxy:back",
          "home:exit"});
    EXPECT_EQ(m_player.log, (Log{"home", "apply", "G1", "S0", "P0", "scenes", "play", "P0",
                                 "scenes", "play", "P0", "S0", "G1", "close", "home"}));
    EXPECT_EQ(GameConfig.HighestPlanet[1], 0);
    EXPECT_EQ(GameConfig.BestTime[1][0], 0);
    EXPECT_EQ(Stored("/Game/2/HighScore1"), -999);
    EXPECT_EQ(Stored("/Game/2/HighestPlanet"), -999);
    EXPECT_EQ(QuitRequested, 0);
}

// The quit flag at each level: every level unwinds at once, nothing after it is
// recorded, the objects are freed (checked by the screens' own expectations above and
// the leak checker), the cursor count, the window hold and the devices end balanced.
TEST_F(CampaignTest, QuitAtEveryLevelUnwindsEverythingAtOnce) {
    const std::vector<std::string> walk = {"home:play", "apply:yes", "galaxy:ok", "system:ok",
                                           "planet:ok", "scenes",    "play:won 59.9", "complete"};
    for (size_t at = 0; at < walk.size(); ++at) {
        if (walk[at] == "apply:yes") continue;  // its own test below
        SCOPED_TRACE(walk[at]);
        ResetDisplayRunState();  // each walk is a new run, after the last one's quit
        SetUp();
        std::vector<std::string> moves(walk.begin(), walk.begin() + long(at));
        const std::string screen = walk[at].substr(0, walk[at].find(':'));
        moves.push_back(screen == "home" ? "home:close" : screen + ":quit");
        Play(moves);
        EXPECT_EQ(QuitRequested, 1);
        // One entry a move, and the window given back: no screen after the quit.
        EXPECT_EQ(m_player.log.size(), moves.size() + (at >= 2 ? 1 : 0));
        const bool completed = screen == "complete";
        EXPECT_EQ(GameConfig.BestTime[1][0], completed ? 59 : 0);
        EXPECT_EQ(GameConfig.HighestPlanet[1], completed ? 1 : 0);
        EXPECT_EQ(Stored("/Game/2/HighestPlanet"), completed ? 1 : -999);
        EXPECT_EQ(Stored("/Game/SelectedGalaxy"), at > 2 ? 1 : -999);
        EXPECT_EQ(Stored("/Game/2/SelectedSystem"), at > 3 ? 0 : -999);
        EXPECT_EQ(Stored("/Game/2/SelectedPlanet1"), completed ? 1 : at > 4 ? 0 : -999);
        TearDown();
    }
}

TEST_F(CampaignTest, QuitDuringTheDisplayTestEndsTheHomeLoop) {
    m_player.moves = {"home:play", "apply:no"};
    // The quality test's quit sets the flag and cancels.
    struct Quitting {
        static bool Apply(bool) {
            g_player->log.push_back("apply");
            std::string arg;
            TakeMove("apply", &arg);
            RequestQuit();
            return false;
        }
    };
    CampaignScreens screens = kScriptedScreens;
    screens.applyDisplaySettings = Quitting::Apply;
    RunMainMenuLoop(screens);
    EXPECT_EQ(m_player.log, (Log{"home", "apply"}));
}

TEST_F(CampaignTest, AudioMessagesFollowTheMusicModeInOrder) {
    for (int32_t mode : {2, 1, 0}) {
        SCOPED_TRACE(mode);
        m_audio.messages.clear();
        GameConfig.MusicMode = mode;
        m_player.next = 0;
        m_player.log.clear();
        m_player.moves = {"galaxy:back"};
        RunCampaign(kScriptedScreens);
        std::vector<RecordedAudioMessage> expected = {
            {AUDIO_MSG_PLAY_SOUND, 0, 32},
            {AUDIO_MSG_PLAY_MUSIC, 0, 0},
            {AUDIO_MSG_VOLUME, 1, 0x10000},
            {AUDIO_MSG_VOLUME, 2, 0},
        };
        if (mode != 0) expected.push_back({AUDIO_MSG_PLAY_MUSIC, 1, mode == 2 ? 16 : 0});
        expected.push_back({AUDIO_MSG_OPEN, 0, 0});
        expected.push_back({AUDIO_MSG_PLAY_SOUND, 1, 18});
        expected.push_back({AUDIO_MSG_CLOSE, 0, 0});
        ASSERT_EQ(m_audio.messages.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            const RecordedAudioMessage& m = m_audio.messages[i];
            EXPECT_EQ(m.message, expected[i].message) << i;
            // 1 stands for "an object": the music and the jet were loaded and posted.
            EXPECT_EQ(m.wParam != 0, expected[i].wParam != 0) << i;
            EXPECT_EQ(m.lParam, expected[i].lParam) << i;
        }
    }
    // Without an audio thread nothing is posted at all.
    m_audio.messages.clear();
    m_audio.running = false;
    m_player.next = 0;
    RunCampaign(kScriptedScreens);
    EXPECT_TRUE(m_audio.messages.empty());
}

}  // namespace

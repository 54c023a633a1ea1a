// One step of the campaign with the real screens, scenes and game in a 1024 x 768 game
// window (the walk of campaign_walk.h): on a fresh configuration the galaxy screen
// opens on the second galaxy and the player moves to the first (whose first planet
// the scripted player can complete); the galaxy, system and planet screens are
// confirmed with Enter, the scenes skipped with a key, the first planet played to
// completion by the scripted player, the completed screen ended with a key; the
// planet screen then opens on the second planet and Escape backs out of the three
// screens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_config.h"
#include "campaign_walk.h"
#include "display/audio_message_recorder.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "displaysetup/private_store.h"

namespace {

TEST(CampaignStep, TheFirstPlanetCompletedForRealIsRecordedAndTheSecondOpens) {
    PrivateStore store;
    GameAudioRecorder audio;
    Walk walk;
    ASSERT_TRUE(BeginWalk(walk));
    const uint32_t textures = RegisteredTextureCount();
    const CursorState cursor = g_cursorState;

    RunCampaign(kWalkedScreens);
    const uint32_t texturesAfter = RegisteredTextureCount();
    EndWalk();

    EXPECT_EQ(walk.log, (std::vector<std::string>{"galaxy 1", "system 0", "planet 0", "scenes",
                                                  "play", "completed", "complete", "planet 1",
                                                  "system 0", "galaxy 0"}));
    EXPECT_EQ(QuitRequested, 0);
    // The record and the file agree: a best time of at least a second, the second
    // planet open and selected, the galaxy and system chosen.
    const int32_t best = GameConfig.BestTime[0][0];
    EXPECT_GE(best, 1);
    EXPECT_LT(best, int32_t(walk.giveUpGameSeconds));
    const std::string text = store.Text();
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/HighScore1"), best) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/HighestPlanet"), 1) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/SelectedPlanet1"), 1) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/SelectedSystem"), 0) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/SelectedGalaxy"), 0) << text;
    // Nothing the screens made is left, the cursor is as it was, and the devices were
    // opened once and closed once.
    EXPECT_EQ(texturesAfter, textures);
    EXPECT_EQ(g_cursorState.hideCount, cursor.hideCount);
    EXPECT_EQ(g_cursorState.captureCount, cursor.captureCount);
    EXPECT_EQ(audio.Of(AUDIO_MSG_OPEN).size(), audio.Of(AUDIO_MSG_CLOSE).size());
    ASSERT_FALSE(audio.messages.empty());
    EXPECT_EQ(audio.messages.back().message, AUDIO_MSG_CLOSE);
}

}  // namespace

// Progress is read back into the galaxy it was saved for: every per-galaxy key of a
// user file lands in the record's entry of that galaxy and no other.
#include <gtest/gtest.h>

#include <string>

#include "app/app_config.h"
#include "support/private_store.h"
#include "support/test_support.h"

namespace {

class ConfigGalaxyKeys : public ToolkitTest {};

TEST_F(ConfigGalaxyKeys, EachGalaxysKeysLoadIntoThatGalaxy) {
    PrivateStore store(PrivateStore::LoadLater);
    // Galaxy numbers in key names are 1-based; each galaxy's values are its own.
    std::string text;
    for (int g = 1; g <= kGalaxyCount; ++g) {
        text += "[Game/" + std::to_string(g) + "]\n";
        text += "HighestPlanet=" + std::to_string(10 * g) + "\n";
        text += "SelectedSystem=" + std::to_string(g) + "\n";
        text += "SelectedPlanet3=" + std::to_string(g + 4) + "\n";
        text += "HighScore57=" + std::to_string(100 * g) + "\n";
    }
    WriteWholeFile(store.UserFile(), text);
    store.Load();

    const GameConfigRecord& c = GameConfig;
    for (int g = 0; g < kGalaxyCount; ++g) {
        SCOPED_TRACE("galaxy index " + std::to_string(g));
        EXPECT_EQ(c.HighestPlanet[g], 10 * (g + 1));
        EXPECT_EQ(c.SelectedSystem[g], g + 1);
        EXPECT_EQ(c.SelectedPlanet[g][2], g + 5);
        EXPECT_EQ(c.SelectedPlanet[g][3], 0);
        EXPECT_EQ(c.BestTime[g][56], 100 * (g + 1));
        EXPECT_EQ(c.BestTime[g][57], 0);
    }
}

}  // namespace

// The stored game display mode.
#include "displaysetup/ds_quality_keys.h"

#include "app/app_config.h"

void StoreGameDisplayMode(const DisplayMode& mode) {
    GameConfig.GameWidth = int32_t(mode.width);
    WriteConfigInt("/Display/GameWidth", GameConfig.GameWidth);
    GameConfig.GameHeight = int32_t(mode.height);
    WriteConfigInt("/Display/GameHeight", GameConfig.GameHeight);
    GameConfig.GameDepth = int32_t(mode.depth);
    WriteConfigInt("/Display/Depth", GameConfig.GameDepth);
}

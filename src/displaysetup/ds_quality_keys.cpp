// The stored game display mode.
#include "displaysetup/ds_quality_keys.h"

#include "app/app_config.h"

void StoreGameDisplayMode(const DisplayMode& mode) {
    ConfigWriteBatch batch;
    SetConfigValue(ConfigKey::GameWidth, int32_t(mode.width));
    SetConfigValue(ConfigKey::GameHeight, int32_t(mode.height));
    SetConfigValue(ConfigKey::GameDepth, int32_t(mode.depth));
}

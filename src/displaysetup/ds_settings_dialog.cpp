// The display settings dialog's course through its menus.
#include "displaysetup/ds_settings_dialog.h"

#include "app/app_config.h"
#include "display/dp_quit.h"
#include "displaysetup/ds_quality_keys.h"

bool RunDisplaySettingsSteps(const DisplaySettingsSteps& steps) {
    bool automatic = GameConfig.QualityAutomatic != 0;
    QualitySettings values = GetQualitySettings();
    DisplayMode mode;
    GetConfiguredDisplayMode(mode);
    int result = 0;
    while (result != DisplaySettingsCancel && result != DisplaySettingsClosed) {
        int32_t preset = MatchQualityPreset(values, automatic);
        result = steps.showSettingsMenu(preset, mode);
        GetQualityPresetValues(preset, values);  // Low, Medium or High: its row
        bool advancedOk = false;
        if (result == DisplaySettingsGo)
            steps.runAutomaticTest(mode, nullptr);
        else if (result == DisplaySettingsAdvanced)
            advancedOk = steps.showAdvancedMenu(values) == DisplaySettingsOk;
        // The preset chosen in the menu decides the flag after every button, Go
        // included, unless the advanced values were taken: those are custom.
        automatic = !advancedOk && preset == QualityPresetAutomatic;
        // A quit during the test or the advanced menu ends the dialog too.
        if (QuitRequested) return false;
        if (result == DisplaySettingsOk) {
            ConfigWriteBatch batch;
            SetConfigValue(ConfigKey::QualityAutomatic, automatic ? 1 : 0);
            SetQualitySettings(values);
            StoreGameDisplayMode(mode);
            return true;
        }
    }
    return false;
}

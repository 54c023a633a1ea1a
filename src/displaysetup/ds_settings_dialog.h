// The display settings as the player goes through them: the settings menu shown
// again after each of its buttons until OK or Cancel, the preset recognised from the
// values, the advanced values and the automatic test, and everything written on OK.
#pragma once

#include <cstdint>

#include "display/dp_command_ids.h"
#include "display/dp_quality.h"

// Menu result ids.
enum DisplaySettingsResult : int {
    DisplaySettingsOk = kCommandOk,
    DisplaySettingsCancel = kCommandCancel,
    DisplaySettingsClosed = kCommandExit,  // the program is being closed
    DisplaySettingsAdvanced = kCommandChoice1,
    DisplaySettingsGo = kCommandChoice2,
};

// The menus and the test the dialog runs.
struct DisplaySettingsSteps {
    // Shows the settings menu with preset and mode, which it may change.
    int (*showSettingsMenu)(int32_t& preset, DisplayMode& mode);
    // Shows the advanced quality menu over values, which it changes on OK.
    int (*showAdvancedMenu)(QualitySettings& values);
    // The automatic display test; writes best only when it succeeds.
    bool (*runAutomaticTest)(DisplayMode& best, QualitySettings* quality);
};

// The dialog over the given steps, from the stored settings. True after OK with the
// automatic flag, the seven quality values and the mode's size and depth written and
// flushed; false after Cancel, or once the program is being closed, with nothing
// written.
bool RunDisplaySettingsSteps(const DisplaySettingsSteps& steps);

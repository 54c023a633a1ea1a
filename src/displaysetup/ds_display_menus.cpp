// The display setup's menus. The program has no menu framework to show them with, so
// each ends as its Cancel button would: nothing changes and the caller gives up.
#include "displaysetup/ds_apply.h"
#include "displaysetup/ds_display_test.h"
#include "displaysetup/ds_settings_dialog.h"

namespace {

int ShowDisplaySettingsMenu(int32_t&, DisplayMode&) { return DisplaySettingsCancel; }

int ShowAdvancedQualityMenu(QualitySettings&) { return DisplaySettingsCancel; }

}  // namespace

bool RunDisplaySettingsDialog() {
    return RunDisplaySettingsSteps(
        {ShowDisplaySettingsMenu, ShowAdvancedQualityMenu, RunAutomaticDisplayTest});
}

bool ShowDisplayProblemPrompt(bool) { return FollowDisplayProblemChoice(DisplayProblemCancel); }

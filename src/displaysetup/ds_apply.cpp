// Applying the display settings before a game, and the problem prompt's actions.
#include "displaysetup/ds_apply.h"

#include <wx/utils.h>

#include "app/app_config.h"
#include "display/dp_quality.h"
#include "display/dp_session.h"
#include "displaysetup/ds_display_test.h"
#include "displaysetup/ds_quality_keys.h"
#include "displaysetup/ds_quality_test.h"

bool ApplyDisplaySettings(bool force) {
    if (force || wxGetMouseState().ControlDown()) {
        if (!RunDisplaySettingsDialog()) return false;
    }
    if (!OpenGameSession(nullptr)) return ShowDisplayProblemPrompt(true);
    if (GameConfig.QualityAutomatic != 0) {
        QualityTestResults results;
        if (!RunQualityTest(results, 0.0, 1.0)) {
            CloseGameSession();
            return false;
        }
        QualitySettings q;
        if (ChooseQualitySettings(q, results)) {
            SetActiveQualitySettings(q);
            return true;
        }
        // Too poor: the player decides, and Ignore plays with what was chosen.
        CloseGameSession();
        SetActiveQualitySettings(q);
        return ShowDisplayProblemPrompt(false);
    }
    SetActiveQualitySettings(GetQualitySettings());
    return true;
}

bool FollowDisplayProblemChoice(int result) {
    switch (result) {
    case DisplayProblemIgnore:
        return OpenGameSession(nullptr);
    case DisplayProblemManually:
        return ApplyDisplaySettings(true);
    case DisplayProblemAutomatically: {
        DisplayMode mode;
        QualitySettings q;
        if (!RunAutomaticDisplayTest(mode, &q)) return false;
        SetActiveQualitySettings(q);
        StoreGameDisplayMode(mode);
        FlushGameConfig();
        // A failure to open in the tested mode gives up without asking again.
        return OpenGameSession(nullptr);
    }
    default:
        return false;
    }
}

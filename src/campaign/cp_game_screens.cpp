// The game's own screens in the table the home loop and the campaign run.
#include "campaign/cp_campaign.h"
#include "campaign/cp_complete.h"
#include "campaign/cp_map_screens.h"
#include "campaign/cp_planet_screen.h"
#include "campaign/cp_scenes.h"
#include "display/dp_session.h"
#include "displaysetup/ds_apply.h"
#include "displaysetup/ds_home.h"

const CampaignScreens kGameScreens = {
    ShowHomeScreen,   ShowSettingsScreen, ApplyDisplaySettings, CloseGameSession,
    ShowGalaxyScreen, ShowSystemScreen,   ShowPlanetScreen,     RunPreGameScenes,
    PlayPlanet,       ShowPlanetCompleteScreen,
};

void RunMainMenuLoop() { RunMainMenuLoop(kGameScreens); }

void RunCampaign() { RunCampaign(kGameScreens); }

// Making the full-screen game window ready before a game: the configured mode opened
// and the current quality record filled, from the stored values or from a fresh
// quality test; and, when that goes wrong, asking the player how to go on.
#pragma once

#include "display/dp_command_ids.h"

// force: show the display settings first (as does Ctrl held). True: the game window
// is open and held once for the caller (who releases it with CloseGameSession) and the
// current quality record is set. False: the player gave up; nothing is held.
bool ApplyDisplaySettings(bool force);

// Asks the player how to go on when the window cannot be opened (cannotRun) or the
// measured quality is poor. The same contract as ApplyDisplaySettings.
bool ShowDisplayProblemPrompt(bool cannotRun);

// The display settings: mode, quality preset and values. True after OK with
// everything written; false after Cancel or when the program is being closed.
bool RunDisplaySettingsDialog();

// The problem prompt's buttons.
enum DisplayProblemChoice : int {
    DisplayProblemCancel = kCommandCancel,
    DisplayProblemIgnore = kCommandIgnore,
    DisplayProblemManually = kCommandChoice3,
    DisplayProblemAutomatically = kCommandChoice2,
};
// What the prompt does with the button pressed (any other result gives up).
bool FollowDisplayProblemChoice(int result);

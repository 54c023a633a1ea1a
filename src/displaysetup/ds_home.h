// The home screen (Play, Settings, Exit and the version line) and the settings screen
// (music, the three control keys, and the way to the display settings).
#pragma once

// The menu result: 5100 Play, 10001 Settings, 5101 Exit (also Escape), 5006 when the
// program is being closed (the quit flag is then set).
int ShowHomeScreen();

// Lets the player change the music mode and the control keys, and reach the display
// settings; the changes are stored only on OK.
void ShowSettingsScreen();

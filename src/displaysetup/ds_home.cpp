// The home and settings screens.
#include "displaysetup/ds_home.h"

#include <wx/sizer.h>

#include "app/app_config.h"
#include "display/dp_quit.h"
#include "displaysetup/ds_apply.h"
#include "displaysetup/ds_version.h"
#include "menus/mn_menu.h"

namespace {

const char* const kMusicChoices[] = {"Off", "Once", "Loop", nullptr};

void AddStretch(CKorvexMenu& menu) { menu.Builder()->CurrentSizer()->AddStretchSpacer(1); }

void PushRow(CKorvexMenu& menu, int orientation) {
    menu.Builder()->PushSizer(new wxBoxSizer(orientation), false);
}

// The settings screen bound to the locals; the result of showing it once.
int ShowSettingsMenuOnce(int* music, int* left, int* right, int* drop) {
    CKorvexMenu menu(MenuResultOk);
    menu.AddImage("text_settings", 0.9, 0.2);
    menu.AddSpacer(0.0, 0.01);
    AddStretch(menu);
    PushRow(menu, wxHORIZONTAL);
    menu.AddImage("about", 0.4, 0.6);
    menu.AddSpacer(0.03, 0.0);
    PushRow(menu, wxVERTICAL);
    AddStretch(menu);
    menu.BeginGroup("Game");
    menu.AddChoice("Music:", music, kMusicChoices);
    PushRow(menu, wxHORIZONTAL);
    menu.AddLabel("Display:", 0);
    menu.AddButton(MenuResultChoice3, "Configure");
    menu.PopSizer();
    menu.EndGroup();
    AddStretch(menu);
    menu.BeginGroup("Controls");
    menu.Builder()->BeginGrid(3);
    menu.AddLabel("Left:", 0);
    menu.AddKeyButton(left);
    menu.AddLabel("Right:", 0);
    menu.AddKeyButton(right);
    menu.AddLabel("Drop:", 0);
    menu.AddKeyButton(drop);
    menu.PopSizer();
    menu.EndGroup();
    AddStretch(menu);
    PushRow(menu, wxHORIZONTAL);
    AddStretch(menu);
    menu.AddButton(MenuResultCancel, "Cancel");
    menu.AddButton(MenuResultOk, "OK");
    AddStretch(menu);
    menu.PopSizer();
    menu.PopSizer();
    menu.PopSizer();
    AddStretch(menu);
    const int result = menu.ShowModal();
    if (result == MenuResultChoice3) RunDisplaySettingsDialog();
    return result;
}

}  // namespace

int ShowHomeScreen() {
    CKorvexMenu menu(MenuResultOk);
    menu.AddImage("home", 0.9, 0.4);
    menu.AddSpacer(0.0, 0.01);
    PushRow(menu, wxHORIZONTAL);
    AddStretch(menu);
    menu.BeginGroup(wxString());
    menu.AddButton(MenuResultOk, "Play");
    menu.AddButton(MenuResultChoice1, "Settings");
    menu.AddButton(MenuResultCancel, "Exit");
    menu.EndGroup();
    AddStretch(menu);
    menu.PopSizer();
    PushRow(menu, wxHORIZONTAL);
    AddStretch(menu);
    menu.AddLabel(wxString::FromUTF8(FormatVersionLine()), 2);
    AddStretch(menu);
    menu.PopSizer();
    return menu.ShowModal();
}

void ShowSettingsScreen() {
    int music = GameConfig.MusicMode;
    int left = GameConfig.LeftKey;
    int right = GameConfig.RightKey;
    int drop = GameConfig.DropKey;
    int result = -1;
    while (result != MenuResultCancel && result != MenuResultExit) {
        result = ShowSettingsMenuOnce(&music, &left, &right, &drop);
        if (result == MenuResultOk) break;
        // Closing the program from the display settings ends this screen too.
        if (QuitRequested) return;
    }
    if (result != MenuResultOk) return;
    ConfigWriteBatch batch;
    SetConfigValue(ConfigKey::MusicMode, music);
    SetConfigValue(ConfigKey::LeftKey, left);
    SetConfigValue(ConfigKey::RightKey, right);
    SetConfigValue(ConfigKey::DropKey, drop);
}

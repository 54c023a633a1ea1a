// The sample settings menu of the menu tests and benchmark.
#include "sample_menu.h"

#include <wx/sizer.h>

#include "menus/mn_menu.h"
#include "menus/mn_menu_button.h"

namespace {

const char* const kMusicChoices[] = {"Off", "Once", "Loop", nullptr};
const char* const kDetailChoices[] = {"Low", "Medium", "High", "Very High", nullptr};

}  // namespace

SampleMenu BuildSampleMenu(SampleMenuValues& values) {
    SampleMenu s{};
    s.menu.reset(new CKorvexMenu(MenuResultOk));
    CKorvexMenu& m = *s.menu;
    m.AddImage("text_settings", 0.4, 0.15);
    m.BeginGroup("Game");
    s.music = m.AddChoice("Music", &values.music, kMusicChoices);
    s.detail = m.AddChoice("Detail", &values.detail, kDetailChoices);
    m.EndGroup();
    m.BeginGroup("Controls");
    m.Builder()->BeginGrid(3);
    m.AddLabel("Left", 0);
    s.left = m.AddKeyButton(&values.leftKey);
    m.AddLabel("Right", 0);
    s.right = m.AddKeyButton(&values.rightKey);
    m.AddLabel("Drop", 0);
    s.drop = m.AddKeyButton(&values.dropKey);
    m.PopSizer();
    m.EndGroup();
    m.BeginGroup(wxString());
    m.AddMultiLineText("Steer with the arrow keys or the mouse, drop with the space bar or "
                       "the left button. Escape pauses the game.",
                       true, 1, 0.4, 0.08);
    m.EndGroup();
    m.Builder()->PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
    m.Builder()->CurrentSizer()->AddStretchSpacer(1);
    s.ok = m.AddButton(MenuResultOk, "OK");
    s.cancel = m.AddButton(MenuResultCancel, "Cancel");
    m.Builder()->CurrentSizer()->AddStretchSpacer(1);
    m.PopSizer();
    return s;
}

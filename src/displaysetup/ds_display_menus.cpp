// The display setup's menus: the display settings menu with its mode list, quality
// choice and automatic test, the advanced quality menu, and the problem prompt.
#include <wx/listbox.h>
#include <wx/settings.h>
#include <wx/sizer.h>

#include <vector>

#include "app/app_format.h"
#include "display/dp_text.h"
#include "displaysetup/ds_apply.h"
#include "displaysetup/ds_display_test.h"
#include "displaysetup/ds_modes.h"
#include "displaysetup/ds_settings_dialog.h"
#include "menus/mn_menu.h"
#include "menus/mn_units.h"

namespace {

const char kProductName[] = "Vorpane";
const char kTestOffer[] =
    "%s can automatically test the display and choose the best setting. This may take "
    "several minutes, during which time the screen may flicker.";

const char* const kOffOn[] = {"Off", "On", nullptr};
const char* const kLowHigh[] = {"Low", "High", nullptr};
const char* const kTextureLevels[] = {"Very High", "High", "Medium", "Low", "Very Low", nullptr};
const char* const kMagFilters[] = {"GL_NEAREST", "GL_LINEAR", nullptr};
const char* const kMinFilters[] = {"GL_NEAREST", "GL_LINEAR", "GL_NEAREST_MIPMAP_NEAREST",
                                   "GL_LINEAR_MIPMAP_NEAREST", "GL_NEAREST_MIPMAP_LINEAR",
                                   "GL_LINEAR_MIPMAP_LINEAR", nullptr};

bool SameMode(const DisplayMode& a, const DisplayMode& b) {
    return a.index == b.index && a.width == b.width && a.height == b.height && a.depth == b.depth;
}

// Cancel and OK centred in a row of their own.
void AddCancelOkRow(CKorvexMenu& menu) {
    menu.Builder()->PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
    menu.Builder()->CurrentSizer()->AddStretchSpacer(1);
    menu.AddButton(MenuResultCancel, "Cancel");
    menu.AddButton(MenuResultOk, "OK");
    menu.Builder()->CurrentSizer()->AddStretchSpacer(1);
    menu.PopSizer();
}

// A group of label and choice rows in a two-column grid.
struct ChoiceRow {
    const char* label;
    int* value;
    const char* const* choices;
};
void AddChoiceGroup(CKorvexMenu& menu, const char* title, const ChoiceRow* rows, int count) {
    menu.BeginGroup(title);
    menu.Builder()->BeginGrid(count);
    for (int i = 0; i < count; ++i) {
        menu.AddLabel(rows[i].label, 0);
        menu.CreateChoice(rows[i].value, rows[i].choices);
    }
    menu.PopSizer();
    menu.EndGroup();
}

int ShowDisplaySettingsMenu(int32_t& preset, DisplayMode& mode) {
    std::vector<DisplayMode> modes;
    EnumerateDisplayModes(modes);
    const int w = MenuScreenWidth();
    const int h = MenuScreenHeight();

    CKorvexMenu menu(MenuResultOk);
    menu.AddImage("text_display", 0.9, 0.2);
    menu.AddSpacer(0.0, 0.01);

    menu.BeginGroup("Resolution");
    auto* list = new wxListBox(&menu, wxID_ANY, wxDefaultPosition, wxSize(2 * w / 4, 3 * h / 16),
                               0, nullptr, wxLB_SINGLE | wxLB_NEEDED_SB | wxHSCROLL,
                               wxDefaultValidator, "listBox");
    wxArrayString rows;
    for (const DisplayMode& m : modes)
        rows.Add(wxString::FromUTF8(FormatWithThreeUnsigned("%1 by %2 pixels. %3 bits per pixel.",
                                                            m.width, m.height, m.depth)));
    // The rows' font has the character height of the menus' labels, made smaller only
    // when the widest row would not read whole in the list's width (the toolkit's
    // font is wider than the one that height was chosen for). A list taller than
    // its box also gives room to its scroll bar.
    int room = list->GetClientSize().x;
    if (int(rows.size()) * (h / 24) > list->GetClientSize().y)
        room -= wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, list);
    FitWindowFontToLines(list, h / 24, rows, room);
    list->Append(rows);
    for (size_t i = 0; i < modes.size(); ++i)
        if (SameMode(modes[i], mode)) list->SetSelection(int(i));
    menu.Builder()->CurrentSizer()->Add(list, 0, wxALL, 5);
    menu.AddMultiLineText(wxString::Format(kTestOffer, kProductName), false, 1, 0.5, 0.1);
    menu.AddButton(MenuResultChoice2, "Go");
    menu.EndGroup();

    menu.BeginGroup("Performance");
    const char* presets[] = {"Automatic", "Low", "Medium", "High", "Custom", nullptr};
    if (preset != 4) presets[4] = nullptr;  // Custom only for values that match no preset
    menu.AddChoice("Quality:", &preset, presets);
    menu.AddButton(MenuResultChoice1, "Advanced");
    menu.EndGroup();
    AddCancelOkRow(menu);

    const int result = menu.ShowModal();
    const int selected = list->GetSelection();
    if (selected != wxNOT_FOUND && size_t(selected) < modes.size()) mode = modes[size_t(selected)];
    return result;
}

int ShowAdvancedQualityMenu(QualitySettings& values) {
    int fade = values.Fade ? 1 : 0;
    int smooth = values.SmoothPolygons ? 1 : 0;
    int models = values.HighQualityModels ? 1 : 0;
    int foreground = values.ForegroundTexture;
    int background = values.BackgroundTexture;
    int mag = values.MagFilter;
    int min = values.MinFilter;

    CKorvexMenu menu(MenuResultOk);
    menu.AddImage("text_display", 0.9, 0.2);
    menu.AddSpacer(0.0, 0.01);
    const ChoiceRow general[] = {{"In Game Fades:", &fade, kOffOn}};
    const ChoiceRow polygons[] = {{"Polygon Count:", &models, kLowHigh},
                                  {"Smooth Polygons:", &smooth, kOffOn}};
    const ChoiceRow textures[] = {{"Foreground Quality:", &foreground, kTextureLevels},
                                  {"Background Quality:", &background, kTextureLevels},
                                  {"Mag Filter:", &mag, kMagFilters},
                                  {"Min Filter:", &min, kMinFilters}};
    AddChoiceGroup(menu, "General", general, 1);
    AddChoiceGroup(menu, "Polygons", polygons, 2);
    AddChoiceGroup(menu, "Textures", textures, 4);
    AddCancelOkRow(menu);

    const int result = menu.ShowModal();
    if (result == MenuResultOk) {
        values.Fade = fade != 0;
        values.SmoothPolygons = smooth != 0;
        values.HighQualityModels = models != 0;
        values.ForegroundTexture = foreground;
        values.BackgroundTexture = background;
        values.MagFilter = mag;
        values.MinFilter = min;
    }
    return result;
}

}  // namespace

bool RunDisplaySettingsDialog() {
    return RunDisplaySettingsSteps(
        {ShowDisplaySettingsMenu, ShowAdvancedQualityMenu, RunAutomaticDisplayTest});
}

bool ShowDisplayProblemPrompt(bool cannotRun) {
    int result;
    {
        CKorvexMenu menu(DisplayProblemAutomatically);
        menu.Builder()->PushSizer(new wxBoxSizer(wxHORIZONTAL), true);
        menu.AddImage("about", 0.1, 0.1);
        menu.AddSpacer(0.05, 0.0);
        const char* message = cannotRun ? "%s can not run with the current display settings."
                                        : "%s may run poorly with the current display settings.";
        menu.AddMultiLineText(wxString::Format(message, kProductName), false, 0, 0.6, 0.1);
        menu.PopSizer();
        menu.AddMultiLineText(
            wxString::Format(wxString(kTestOffer) + "\n\nHow should %s configure the display?",
                             kProductName, kProductName),
            false, 1, 0.7, 0.2);
        menu.Builder()->PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
        menu.AddButton(DisplayProblemCancel, "Cancel");
        if (!cannotRun) menu.AddButton(DisplayProblemIgnore, "Ignore");
        menu.Builder()->CurrentSizer()->AddStretchSpacer(1);
        menu.AddButton(DisplayProblemManually, "Manually");
        menu.AddButton(DisplayProblemAutomatically, "Automatically");
        menu.PopSizer();
        result = menu.ShowModal();
    }
    return FollowDisplayProblemChoice(result);
}

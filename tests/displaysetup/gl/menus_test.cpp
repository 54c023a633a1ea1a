// The display setup's menus and the home and settings screens, shown for real and
// played through by a driver: what they show, what each button leads to, and what is
// stored.
#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/listbox.h>
#include <wx/stattext.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "display/dp_command_ids.h"
#include "display/dp_quality.h"
#include "display/dp_quit.h"
#include "display/dp_session.h"
#include "display/dp_window.h"
#include "displaysetup/ds_apply.h"
#include "displaysetup/ds_home.h"
#include "displaysetup/ds_version.h"
#include "gl_support.h"
#include "menu_driver.h"
#include "menus/mn_menu.h"
#include "menus/mn_menu_button.h"
#include "support/private_store.h"
#include "screen_capture.h"

namespace {

using Labels = std::vector<std::string>;

// The first child of the menu of that class.
template <typename T>
T* ChildOf(CKorvexMenu* menu) {
    for (wxWindow* child : menu->GetChildren())
        if (auto* found = dynamic_cast<T*>(child)) return found;
    return nullptr;
}

// Picks item i of the menu's first choice button, as its pop-up would.
void PickChoice(CKorvexMenu* menu, int item) {
    CKorvexMenuChoice* choice = ChildOf<CKorvexMenuChoice>(menu);
    ASSERT_NE(choice, nullptr);
    wxCommandEvent pick(wxEVT_MENU, kCommandChoice1 + item);
    choice->GetEventHandler()->ProcessEvent(pick);
}

class DisplayMenus : public ::testing::Test {
protected:
    void SetUp() override {
        TakeMenusShown();
        GameConfig.QualityAutomatic = 0;
        SetQualitySettings({0.0, true, false, true, 1, 2, 1, 3});  // no preset
        PlatformDisplayMode current;
        ASSERT_TRUE(PfGetCurrentMode(0, &current));
        m_row = std::to_string(current.width) + " by " + std::to_string(current.height) +
                " pixels. " + std::to_string(current.depth) + " bits per pixel.";
    }
    void TearDown() override {
        ClearMenuActions();
    }
    PrivateStore m_store;
    std::string m_row;  // the list row of the one mode of the test server
};

TEST_F(DisplayMenus, SettingsMenuShowsTheModesAndKeepsCustomValues) {
    OnNextMenu([&](CKorvexMenu* m) {
        auto* list = dynamic_cast<wxListBox*>(m->FindWindow("listBox"));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->GetCount(), 1u);
        EXPECT_EQ(list->GetString(0).utf8_string(), m_row);
        EXPECT_EQ(list->GetSelection(), 0);  // the configured mode
        EXPECT_EQ(MenuButtonLabels(m), (Labels{"Go", "Custom", "Advanced", "Cancel", "OK"}));
        ClickMenuButton(m, kCommandChoice1);
    });
    OnNextMenu([](CKorvexMenu* m) {
        // The seven values, each on its own choice.
        EXPECT_EQ(MenuButtonLabels(m), (Labels{"On", "High", "Off", "Low", "High", "GL_LINEAR",
                                               "GL_NEAREST_MIPMAP_NEAREST", "Cancel", "OK"}));
        ClickMenuButton(m, kCommandOk);
    });
    OnNextMenu([](CKorvexMenu* m) {
        EXPECT_EQ(MenuButtonLabels(m)[1], "Custom");
        PickChoice(m, 3);  // High
        ClickMenuButton(m, kCommandOk);
    });
    EXPECT_TRUE(RunDisplaySettingsDialog());
    EXPECT_EQ(TakeMenusShown(), 3);
    m_store.Load();
    EXPECT_EQ(GameConfig.QualityAutomatic, 0);
    EXPECT_EQ(MatchQualityPreset(GetQualitySettings(), false), QualityPresetHigh);
}

// What the X server shows now, the whole screen.
wxImage GrabScreen() {
    const wxSize size = wxGetDisplaySize();
    std::vector<uint8_t> rgb = CaptureScreenRgb(size.x, size.y);
    if (rgb.empty()) return wxImage();
    wxImage image(size.x, size.y, false);
    std::copy(rgb.begin(), rgb.end(), image.GetData());
    return image;
}

// The selected row of a list of that inner width as the screen shows it: the lines
// crossed by the selection's band (a strong blue, as wide as the list: an earlier
// menu's picture may linger where nothing has painted since) and the columns of
// white text on it.
struct RowInk {
    int bandRight = -1;
    int left = -1, right = -1;
};
RowInk SelectedRowInk(const wxImage& screen, int listWidth) {
    RowInk ink;
    auto blue = [&](int x, int y) {
        return screen.GetBlue(x, y) > screen.GetRed(x, y) + 60 &&
               screen.GetBlue(x, y) > screen.GetGreen(x, y) + 30;
    };
    for (int y = 0; y < screen.GetHeight(); ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < screen.GetWidth(); ++x)
            if (blue(x, y)) {
                if (first < 0) first = x;
                last = x;
            }
        const int band = last - first + 1;
        if (first < 0 || band <= listWidth - 8 || band > listWidth) continue;
        ink.bandRight = last;
        for (int x = first; x <= last; ++x) {
            if (screen.GetRed(x, y) < 200 || screen.GetGreen(x, y) < 200 ||
                screen.GetBlue(x, y) < 200)
                continue;
            if (ink.left < 0 || x < ink.left) ink.left = x;
            if (x > ink.right) ink.right = x;
        }
    }
    return ink;
}

// The mode rows read whole at the common screen sizes: the selected row's text, as
// the screen shows it, is as wide as its measured extent and ends clear of the
// list's right edge.
TEST_F(DisplayMenus, TheModeRowsReadWhole) {
    const ScreenRect saved = ScreenArea;
    GameConfig.QualityAutomatic = 1;  // the widest of the quality choices shows too
    for (wxSize size : {wxSize(1280, 1024), wxSize(1024, 768)}) {
        SCOPED_TRACE(size.x);
        SetScreenArea({0, 0, size.x, size.y});
        OnNextMenu([&](CKorvexMenu* m) {
            auto* list = dynamic_cast<wxListBox*>(m->FindWindow("listBox"));
            if (!list) {
                ADD_FAILURE() << "no list";
                ClickMenuButton(m, kCommandCancel);
                return;
            }
            EXPECT_EQ(list->GetSize(), wxSize(2 * size.x / 4, 3 * size.y / 16));
            EXPECT_EQ(MenuButtonLabels(m)[1], "Automatic");
            wxClientDC dc(list);
            dc.SetFont(list->GetFont());
            wxCoord extent = 0, height = 0;
            dc.GetTextExtent(list->GetString(0), &extent, &height);
            EXPECT_LE(dc.GetCharHeight(), size.y / 24);
            EXPECT_GT(dc.GetCharHeight(), size.y / 24 * 3 / 4);
            // Wait for the list to be painted.
            const int width = list->GetClientSize().x;
            RowInk ink;
            wxImage shot;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (ink.right < 0 && std::chrono::steady_clock::now() < deadline) {
                PumpFor(20);
                shot = GrabScreen();
                if (shot.IsOk()) ink = SelectedRowInk(shot, width);
            }
            if (shot.IsOk())
                shot.SaveFile(wxString::Format("display_settings_%dx%d.png", size.x, size.y),
                              wxBITMAP_TYPE_PNG);
            EXPECT_GE(ink.right, 0) << "the list's selected row never showed";
            EXPECT_GE(ink.right - ink.left + 1, extent - dc.GetCharWidth()) << "the row is cut";
            EXPECT_LT(ink.right, ink.bandRight - 4) << "the row runs into the list's edge";
            ClickMenuButton(m, kCommandCancel);
        });
        EXPECT_FALSE(RunDisplaySettingsDialog());
        EXPECT_TRUE(MenuActionsDone());
    }
    SetScreenArea(saved);
}

TEST_F(DisplayMenus, ThePromptsButtons) {
    OnNextMenu([](CKorvexMenu* m) {
        EXPECT_EQ(MenuButtonLabels(m), (Labels{"Cancel", "Manually", "Automatically"}));
        ClickMenuButton(m, kCommandCancel);
    });
    EXPECT_FALSE(ShowDisplayProblemPrompt(true));

    OnNextMenu([](CKorvexMenu* m) {
        EXPECT_EQ(MenuButtonLabels(m), (Labels{"Cancel", "Ignore", "Manually", "Automatically"}));
        ClickMenuButton(m, kCommandIgnore);
    });
    EXPECT_TRUE(ShowDisplayProblemPrompt(false));
    EXPECT_TRUE(GameWindowExists());
    CloseGameSession();

    // Manually: the display settings, whose Cancel gives up.
    OnNextMenu([](CKorvexMenu* m) { ClickMenuButton(m, kCommandChoice3); });
    OnNextMenu([](CKorvexMenu* m) { ClickMenuButton(m, kCommandCancel); });
    EXPECT_FALSE(ShowDisplayProblemPrompt(false));
    EXPECT_EQ(TakeMenusShown(), 4);
    EXPECT_FALSE(GameWindowExists());
}

TEST_F(DisplayMenus, HomeScreen) {
    OnNextMenu([](CKorvexMenu* m) {
        EXPECT_EQ(MenuButtonLabels(m), (Labels{"Play", "Settings", "Exit"}));
        bool found = false;
        for (wxWindow* child : m->GetChildren()) {
            auto* text = dynamic_cast<wxStaticText*>(child);
            found = found || (text && text->GetLabel().utf8_string() == FormatVersionLine());
        }
        EXPECT_TRUE(found);
        ClickMenuButton(m, kCommandChoice1);
    });
    EXPECT_EQ(ShowHomeScreen(), kCommandChoice1);
}

TEST_F(DisplayMenus, SettingsScreenKeepsEditsAcrossTheDisplaySettings) {
    GameConfig.MusicMode = 0;
    OnNextMenu([](CKorvexMenu* m) {
        PickChoice(m, 2);  // Loop
        ClickMenuButton(m, kCommandChoice3);
    });
    OnNextMenu([](CKorvexMenu* m) { ClickMenuButton(m, kCommandCancel); });
    OnNextMenu([](CKorvexMenu* m) {
        EXPECT_EQ(MenuButtonLabels(m)[0], "Loop");  // rebuilt with the edit
        ClickMenuButton(m, kCommandOk);
    });
    ShowSettingsScreen();
    EXPECT_EQ(TakeMenusShown(), 3);
    m_store.Load();
    EXPECT_EQ(GameConfig.MusicMode, 2);

    // Escape stores nothing.
    OnNextMenu([](CKorvexMenu* m) {
        PickChoice(m, 1);
        ClickMenuButton(m, kCommandCancel);
    });
    ShowSettingsScreen();
    m_store.Load();
    EXPECT_EQ(GameConfig.MusicMode, 2);
}

TEST_F(DisplayMenus, ClosingTheProgramFromTheDisplaySettingsLeavesTheSettingsScreen) {
    OnNextMenu([](CKorvexMenu* m) { ClickMenuButton(m, kCommandChoice3); });
    OnNextMenu([](CKorvexMenu* m) { m->Close(); });  // the program is being closed
    OnNextMenu([](CKorvexMenu* m) { ClickMenuButton(m, kCommandCancel); });  // not to be reached
    ShowSettingsScreen();
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_EQ(TakeMenusShown(), 2);
}

}  // namespace

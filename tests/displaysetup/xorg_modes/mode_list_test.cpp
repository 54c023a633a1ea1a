// The usable mode list of real RandR modes, the automatic display test through them
// and the display settings menu's list of them: two monitors of an Xorg server with
// the dummy video driver. Skipped, with the reason, where that server cannot start.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/listbox.h>

#include <cstdlib>
#include <string>

#include "app/app_config.h"
#include "display/dp_input.h"
#include "display/dp_session.h"
#include "display/dp_window.h"
#include "displaysetup/ds_apply.h"
#include "displaysetup/ds_display_test.h"
#include "displaysetup/ds_modes.h"
#include "dummy_server.h"
#include "fast_clock.h"
#include "menu_driver.h"
#include "menus/mn_menu.h"
#include "support/test_support.h"

namespace {

DummyXServer g_server;
bool g_up = false;

class XorgEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("HOME", m_home.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", m_home.Path().c_str(), 1);
        g_up = g_server.StartWithToolkit("displaysetup_xorg_mode_tests");
        if (!g_up) return;
        wxImage::AddHandler(new wxPNGHandler);
        LoadGameConfig();
    }
    void TearDown() override {
        if (wxTheApp) wxEntryCleanup();
        g_server.Stop();
    }

private:
    TempDir m_home;
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new XorgEnvironment);

std::vector<DisplayMode> Enumerate(int32_t storedIndex) {
    GameConfig.DisplayIndex = storedIndex;
    std::vector<DisplayMode> modes;
    EnumerateDisplayModes(modes);
    return modes;
}

bool Has(const std::vector<DisplayMode>& modes, uint32_t index, uint32_t w, uint32_t h) {
    for (const DisplayMode& m : modes)
        if (m.index == index && m.width == w && m.height == h && m.depth == 24) return true;
    return false;
}

TEST(XorgModeList, TheServersModesFilteredAndOrdered) {
    if (!g_up) GTEST_SKIP() << "Xorg with the dummy video driver cannot start: " << g_server.Why();
    ASSERT_EQ(PfCountDisplays(), 2u);
    const std::vector<DisplayMode> modes = Enumerate(0);
    EXPECT_TRUE(Has(modes, 0, 1024, 768));
    EXPECT_TRUE(Has(modes, 0, 800, 600));
    EXPECT_TRUE(Has(modes, 0, 640, 480));
    // Exactly the platform's list through the filters, ascending without repeats.
    std::vector<DisplayMode> expected;
    CollectDisplayModes(0, PfListDisplayModes(0), expected);
    ASSERT_EQ(modes.size(), expected.size());
    for (size_t i = 0; i < modes.size(); ++i) {
        EXPECT_GE(modes[i].width, 640u);
        EXPECT_GE(modes[i].height, 480u);
        EXPECT_EQ(modes[i].depth, 24u);
        if (i > 0) {
            EXPECT_TRUE(DisplayModeLess(modes[i - 1], modes[i])) << i;
        }
    }
    EXPECT_EQ(modes.front().width, 640u);
    EXPECT_EQ(modes.front().height, 480u);

    // A stored index of -1 or past the last monitor lists monitor 0.
    EXPECT_EQ(Enumerate(-1).size(), modes.size());
    const std::vector<DisplayMode> beyond = Enumerate(2);
    ASSERT_FALSE(beyond.empty());
    EXPECT_EQ(beyond.front().index, 0u);

    // The second monitor's own list carries its index.
    const std::vector<DisplayMode> second = Enumerate(1);
    ASSERT_FALSE(second.empty());
    EXPECT_TRUE(Has(second, 1, 800, 600));
    for (const DisplayMode& m : second) EXPECT_EQ(m.index, 1u);
    GameConfig.DisplayIndex = -1;
}

TEST(XorgModeList, TheAutomaticDisplayTestTriesTheFirstModesAspect) {
    if (!g_up) GTEST_SKIP() << "Xorg with the dummy video driver cannot start: " << g_server.Why();
    GameConfig.DisplayIndex = 0;
    std::vector<DisplayMode> modes;
    EnumerateDisplayModes(modes);
    const std::vector<DisplayMode> candidates = SelectDisplayTestCandidates(modes);
    ASSERT_GE(candidates.size(), 3u);  // 640 x 480, 800 x 600, 1024 x 768 at least
    for (const DisplayMode& c : candidates) EXPECT_EQ(c.height * 4, c.width * 3);

    const int32_t hidden = GetCursorState().hideCount;
    DisplayMode best = {9, 9, 9, 9};
    QualitySettings q = {};
    UseFastClock();
    ASSERT_TRUE(RunAutomaticDisplayTest(best, &q));
    bool listed = false;
    for (const DisplayMode& c : candidates)
        listed = listed || (c.index == best.index && c.width == best.width &&
                            c.height == best.height && c.depth == best.depth);
    EXPECT_TRUE(listed) << best.width << " x " << best.height;
    EXPECT_GT(q.Score, 0.1);
    // Every window closed, the monitor back in its mode, the cursor as it was.
    EXPECT_FALSE(GameWindowExists());
    EXPECT_FALSE(PfDisplayModesChanged());
    PlatformDisplayMode current = {};
    ASSERT_TRUE(PfGetCurrentMode(0, &current));
    EXPECT_EQ(current.width, 1024u);
    EXPECT_EQ(GetCursorState().hideCount, hidden);
    GameConfig.DisplayIndex = -1;
}

// The menu lists every usable mode with the stored one selected; the row chosen is
// stored on OK. A stored mode that is not listed selects nothing and is kept.
TEST(XorgModeList, TheSettingsMenuListsTheModes) {
    if (!g_up) GTEST_SKIP() << "Xorg with the dummy video driver cannot start: " << g_server.Why();
    SetScreenArea({0, 0, 1024, 768});
    GameConfig.DisplayIndex = 0;
    GameConfig.QualityAutomatic = 1;
    GameConfig.GameWidth = 1024;
    GameConfig.GameHeight = 768;
    GameConfig.GameDepth = 24;
    const std::vector<DisplayMode> modes = Enumerate(0);
    int chosen = -1;
    for (size_t i = 0; i < modes.size(); ++i)
        if (modes[i].width == 800 && modes[i].height == 600) chosen = int(i);
    ASSERT_GE(chosen, 0);
    OnNextMenu([&](CKorvexMenu* m) {
        auto* list = dynamic_cast<wxListBox*>(m->FindWindow("listBox"));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->GetCount(), modes.size());
        EXPECT_EQ(list->GetString(0).utf8_string(), "640 by 480 pixels. 24 bits per pixel.");
        ASSERT_NE(list->GetSelection(), wxNOT_FOUND);
        EXPECT_EQ(list->GetStringSelection().utf8_string(),
                  "1024 by 768 pixels. 24 bits per pixel.");
        list->SetSelection(chosen);
        ClickMenuButton(m, MenuResultOk);
    });
    ASSERT_TRUE(RunDisplaySettingsDialog());
    EXPECT_EQ(GameConfig.GameWidth, 800);
    EXPECT_EQ(GameConfig.GameHeight, 600);
    EXPECT_EQ(GameConfig.GameDepth, 24);
    EXPECT_EQ(GameConfig.QualityAutomatic, 1);

    GameConfig.GameWidth = 1234;
    GameConfig.GameHeight = 567;
    OnNextMenu([](CKorvexMenu* m) {
        auto* list = dynamic_cast<wxListBox*>(m->FindWindow("listBox"));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->GetSelection(), wxNOT_FOUND);
        ClickMenuButton(m, MenuResultOk);
    });
    ASSERT_TRUE(RunDisplaySettingsDialog());
    EXPECT_TRUE(MenuActionsDone());
    EXPECT_EQ(GameConfig.GameWidth, 1234);
    EXPECT_EQ(GameConfig.GameHeight, 567);
    GameConfig.DisplayIndex = -1;
}

}  // namespace

// The display settings dialog's course with scripted menus: the preset shown, the
// preset and values kept across Go and Advanced, what OK writes and under which keys,
// and that Cancel or a quit write nothing.
#include <gtest/gtest.h>
#include <wx/config.h>

#include <set>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "display/dp_quality.h"
#include "display/dp_quit.h"
#include "displaysetup/ds_settings_dialog.h"
#include "support/private_store.h"

namespace {

// One press of the player in the settings menu: the preset and mode left chosen, and
// the button.
struct Press {
    int32_t preset;  // -1: as shown
    uint32_t width;  // 0: as shown
    int result;
};

struct Script {
    std::vector<Press> presses;
    std::vector<int32_t> shown;      // the preset each showing opened with
    QualitySettings advanced;        // what the advanced menu leaves
    int advancedResult = DisplaySettingsOk;
    bool testFinds = false;
    int tests = 0;
};
Script* g_script = nullptr;

int SettingsMenu(int32_t& preset, DisplayMode& mode) {
    Script& s = *g_script;
    s.shown.push_back(preset);
    const Press p = s.presses.at(s.shown.size() - 1);
    if (p.preset >= 0) preset = p.preset;
    if (p.width) mode = {mode.index, p.width, p.width * 3 / 4, mode.depth};
    if (p.result == DisplaySettingsClosed) RequestQuit();
    return p.result;
}

int AdvancedMenu(QualitySettings& values) {
    if (g_script->advancedResult == DisplaySettingsOk) values = g_script->advanced;
    if (g_script->advancedResult == DisplaySettingsClosed) RequestQuit();
    return g_script->advancedResult;
}

bool AutomaticTest(DisplayMode& best, QualitySettings*) {
    ++g_script->tests;
    if (g_script->testFinds) best = {best.index, 1024, 768, 24};
    return g_script->testFinds;
}

const DisplaySettingsSteps kSteps = {SettingsMenu, AdvancedMenu, AutomaticTest};
const QualitySettings kLow = {0.0, false, false, false, 0, 0, 3, 2};
const QualitySettings kHigh = {0.0, true, true, true, 1, 3, 1, 1};

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        m_store.Load();
        GameConfig.QualityAutomatic = 0;
        SetQualitySettings(kLow);
        GameConfig.GameWidth = 800;
        GameConfig.GameHeight = 600;
        GameConfig.GameDepth = 24;
        g_script = &m_script;
    }
    void TearDown() override {}
    void Load() { m_store.Load(); }
    std::string Stored() { return m_store.Text(); }
    PrivateStore m_store;
    Script m_script;
};

TEST_F(SettingsDialog, AutomaticChosenThenOkWritesTheFlagAndKeepsTheValues) {
    m_script.presses = {{QualityPresetAutomatic, 1024, DisplaySettingsOk}};
    EXPECT_TRUE(RunDisplaySettingsSteps(kSteps));
    EXPECT_EQ(m_script.shown, std::vector<int32_t>{QualityPresetLow});
    Load();
    EXPECT_EQ(GameConfig.QualityAutomatic, 1);
    EXPECT_EQ(MatchQualityPreset(GetQualitySettings(), false), QualityPresetLow);
    EXPECT_EQ(GameConfig.GameWidth, 1024);
    EXPECT_EQ(GameConfig.GameHeight, 768);
}

TEST_F(SettingsDialog, GoKeepsThePresetThePlayerChose) {
    // Automatic stored; the player picks High, then Go: the next showing offers High
    // (not Automatic again), and OK stores High with the tested mode.
    GameConfig.QualityAutomatic = 1;
    m_script.testFinds = true;
    m_script.presses = {{QualityPresetHigh, 0, DisplaySettingsGo}, {-1, 0, DisplaySettingsOk}};
    EXPECT_TRUE(RunDisplaySettingsSteps(kSteps));
    EXPECT_EQ(m_script.tests, 1);
    EXPECT_EQ(m_script.shown, (std::vector<int32_t>{QualityPresetAutomatic, QualityPresetHigh}));
    Load();
    EXPECT_EQ(GameConfig.QualityAutomatic, 0);
    EXPECT_EQ(MatchQualityPreset(GetQualitySettings(), false), QualityPresetHigh);
    EXPECT_EQ(GameConfig.GameWidth, 1024);

    // The other way: Low stored, Automatic picked before Go; a test that finds
    // nothing leaves the mode.
    SetUp();
    m_script = Script{};
    m_script.presses = {{QualityPresetAutomatic, 0, DisplaySettingsGo},
                        {-1, 0, DisplaySettingsOk}};
    EXPECT_TRUE(RunDisplaySettingsSteps(kSteps));
    EXPECT_EQ(m_script.shown, (std::vector<int32_t>{QualityPresetLow, QualityPresetAutomatic}));
    Load();
    EXPECT_EQ(GameConfig.QualityAutomatic, 1);
    EXPECT_EQ(GameConfig.GameWidth, 800);
}

TEST_F(SettingsDialog, AdvancedValuesClearTheAutomaticFlag) {
    // Advanced, OK with exactly the High values: the flag is cleared and the menu
    // shows High.
    GameConfig.QualityAutomatic = 1;
    m_script.advanced = kHigh;
    m_script.presses = {{-1, 0, DisplaySettingsAdvanced},
                        {-1, 0, DisplaySettingsAdvanced},
                        {-1, 0, DisplaySettingsOk}};
    EXPECT_TRUE(RunDisplaySettingsSteps(kSteps));
    EXPECT_EQ(m_script.shown, (std::vector<int32_t>{QualityPresetAutomatic, QualityPresetHigh,
                                                    QualityPresetHigh}));
    Load();
    EXPECT_EQ(GameConfig.QualityAutomatic, 0);
}

TEST_F(SettingsDialog, CancelAndQuitsWriteNothing) {
    const std::string before = Stored();
    m_script.presses = {{QualityPresetHigh, 1024, DisplaySettingsCancel}};
    EXPECT_FALSE(RunDisplaySettingsSteps(kSteps));
    EXPECT_EQ(Stored(), before);

    // The program closed during the advanced menu: the settings menu is not shown
    // again and nothing is written.
    m_script = Script{};
    m_script.advancedResult = DisplaySettingsClosed;
    m_script.presses = {{QualityPresetHigh, 1024, DisplaySettingsAdvanced},
                        {-1, 0, DisplaySettingsOk}};
    EXPECT_FALSE(RunDisplaySettingsSteps(kSteps));
    EXPECT_EQ(m_script.shown.size(), 1u);
    EXPECT_EQ(Stored(), before);
}

TEST_F(SettingsDialog, OkStoresTheModeAndQualityUnderTheirKeys) {
    // A mode chosen before, on disk; the player picks another and High.
    WriteConfigInt("/Display/GameWidth", 800);
    WriteConfigInt("/Display/GameHeight", 600);
    WriteConfigInt("/Display/Depth", 24);
    const DisplaySettingsSteps steps = {
        [](int32_t& preset, DisplayMode& mode) {
            preset = QualityPresetHigh;
            mode = {mode.index, 1280, 1024, 16};
            return int(DisplaySettingsOk);
        },
        AdvancedMenu, AutomaticTest};
    EXPECT_TRUE(RunDisplaySettingsSteps(steps));

    // What the next start reads, key by key.
    Load();
    wxConfigBase* store = wxConfigBase::Get();
    EXPECT_EQ(store->ReadLong("/Display/GameWidth", -1), 1280);
    EXPECT_EQ(store->ReadLong("/Display/GameHeight", -1), 1024);
    EXPECT_EQ(store->ReadLong("/Display/Depth", -1), 16);
    EXPECT_EQ(store->ReadLong("/Display/Quality/Automatic", -1), 0);
    EXPECT_EQ(store->ReadLong("/Display/Quality/MinFilter", -1), 3);
    EXPECT_EQ(GameConfig.GameDepth, 16);
    EXPECT_EQ(MatchQualityPreset(GetQualitySettings(), false), QualityPresetHigh);
    // Nothing stored under a name that nobody reads.
    auto names = [store](const char* group) {
        std::set<std::string> found;
        store->SetPath(group);
        wxString name;
        long cookie = 0;
        for (bool more = store->GetFirstEntry(name, cookie); more;
             more = store->GetNextEntry(name, cookie))
            found.insert(name.ToStdString());
        store->SetPath("/");
        return found;
    };
    EXPECT_EQ(names("/Display"), (std::set<std::string>{"Depth", "GameHeight", "GameWidth"}));
    EXPECT_EQ(names("/Display/Quality"),
              (std::set<std::string>{"Automatic", "BackgroundTexture", "Fade",
                                     "ForegroundTexture", "HighQualityModels", "MagFilter",
                                     "MinFilter", "SmoothPolygons"}));
}

}  // namespace

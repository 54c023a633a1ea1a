// The galaxy, system and planet screens run for real in a 1024 x 768 game window: a
// fake clock makes every frame 10 ms, and a script posts input at the pump at given
// frames (keys, clicks with the real pointer moved there, the window's close) and
// takes screenshots of presented frames. Each screen is confirmed, cancelled, clicked
// and closed; afterwards nothing it made is left in the texture registry and the
// cursor counts are as they were.
#include <gtest/gtest.h>
#include <wx/image.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "campaign/cp_map_screens.h"
#include "campaign/cp_planet_screen.h"
#include "campaign/cp_selector.h"
#include "display/dp_frame.h"
#include "display/dp_input.h"
#include "display/dp_loading.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "gl_support.h"
#include "platform/pf_clock.h"
#include "platform/pf_cursor.h"
#include "platform/pf_input.h"
#include "platform/pf_seams.h"
#include "platform/pf_window.h"
#include "screen_capture.h"
#include "game/gm_play.h"
#include "texgen/tg_generators.h"

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

// What the screen showed, RGB rows top first; read with y up.
struct Shot {
    std::vector<uint8_t> rgb;
    const uint8_t* At(int32_t x, int32_t y) const {
        return &rgb[(size_t(kHeight - 1 - y) * kWidth + x) * 3];
    }
    int MaxIn(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        int top = 0;
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x)
                top = std::max({top, int(At(x, y)[0]), int(At(x, y)[1]), int(At(x, y)[2])});
        return top;
    }
    // Pixels whose every channel is above 220 (white text).
    int WhiteIn(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        int n = 0;
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x)
                n += At(x, y)[0] > 220 && At(x, y)[1] > 220 && At(x, y)[2] > 220;
        return n;
    }
    // The largest difference between two channels of one pixel.
    int MaxTintIn(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        int top = 0;
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x) {
                const uint8_t* p = At(x, y);
                top = std::max({top, std::abs(p[0] - p[1]), std::abs(p[1] - p[2]),
                                std::abs(p[0] - p[2])});
            }
        return top;
    }
};

enum class Act { Tap, Click, Close, Shot, Command };
struct Step {
    uint32_t frame;
    Act act;
    int32_t key = 0;        // Tap
    int32_t x = 0, y = 0;   // Click, window pixels with y up
    std::string name = {};  // Shot: the picture's name; Command: the shell command
};

struct Script {
    std::vector<Step> steps;
    bool slowLoading = false;        // each clock read while loading takes 100 ms
    uint32_t frames = 0;             // frames of the screen itself
    bool loadingShown = false;       // the loading screen drew a frame
    std::vector<LoadingRange> ranges;  // the loading ranges in force, as they changed
    std::vector<std::pair<std::string, Shot>> shots;
    const Shot* Find(const std::string& name) const {
        for (const auto& s : shots)
            if (s.first == name) return &s.second;
        return nullptr;
    }
};

Script* g_script = nullptr;
uint32_t g_now = 10000;

void Post(PlatformInputKind kind, int32_t key, int32_t x = 0, int32_t y = 0) {
    PlatformInput in = {};
    in.kind = kind;
    in.key = key;
    in.x = x;
    in.y = y;
    PfPostInput(in);
}

uint32_t FakeRead() {
    if (g_script && g_script->slowLoading && GetLoadingScreen().active) {
        g_now += 100;
        const LoadingRange r = GetLoadingScreen().ranges[GetLoadingScreen().depth];
        std::vector<LoadingRange>& ranges = g_script->ranges;
        if (ranges.empty() || ranges.back().from != r.from || ranges.back().to != r.to)
            ranges.push_back(r);
        if (GetLoadingScreen().lastDrawTime != GetLoadingScreen().startTime)
            g_script->loadingShown = true;
    }
    return g_now;
}

// PresentFrame sleeps once a frame (the clock stands still meanwhile): the frame has
// been shown, and the script acts on it.
void FakeSleep(uint32_t ms) {
    g_now += ms;
    if (!g_script) return;
    if (GetLoadingScreen().active) return;
    const uint32_t frame = ++g_script->frames;
    for (const Step& s : g_script->steps) {
        if (s.frame != frame) continue;
        switch (s.act) {
        case Act::Tap:
            Post(PlatformInputKind::KeyDown, s.key);
            Post(PlatformInputKind::KeyUp, s.key);
            break;
        case Act::Click:
            // The mouse poll reads the real pointer: it must be where the click is.
            PfWarpPointerTo(s.x, kHeight - s.y);
            Post(PlatformInputKind::ButtonDown, 0, s.x, kHeight - s.y);
            Post(PlatformInputKind::ButtonUp, 0, s.x, kHeight - s.y);
            break;
        case Act::Close: {
            PlatformInput quit = {};
            quit.kind = PlatformInputKind::Quit;
            PfPostInput(quit);
            break;
        }
        case Act::Command:
            if (std::system(s.name.c_str()) != 0) ADD_FAILURE() << s.name;
            break;
        case Act::Shot: {
            Shot shot;
            shot.rgb = CaptureScreenRgb(kWidth, kHeight);
            if (shot.rgb.empty()) break;
            wxImage(kWidth, kHeight, shot.rgb.data(), true)
                .SaveFile(s.name + ".png", wxBITMAP_TYPE_PNG);
            g_script->shots.emplace_back(s.name, std::move(shot));
            break;
        }
        }
    }
}

enum class Screen { Galaxy, System, Planet };

class SelectionScreens : public ::testing::Test {
protected:
    void SetUp() override {
        PfClearInput();
        PfClearHeldKeys();
        g_now = 10000;
        g_pfSeams.readClock = FakeRead;
        g_pfSeams.sleep = FakeSleep;
        ResetFrameStatistics();
        ASSERT_TRUE(OpenTestWindow(kWidth, kHeight));
        PumpFor(50);
        PfWarpPointerTo(5, 5);
        galaxy.reset(new CGalaxyGenerator(1, GameRecipeSettings()));
        system.reset(CreateSystemGenerator(*galaxy, 3));
        for (int32_t& t : bestTimes) t = 0;
        bestTimes[30] = 75;
        bestTimes[31] = 605;
        result = {};
        result.galaxy = 1;
        result.system = 3;
        result.planet = 6;
        result.highestPlanet = 37;
        result.galaxyObject = galaxy.get();
        result.systemObject = system.get();
        result.bestTimes = bestTimes;
        result.highestPlanets = highestPlanets;
        textures = RegisteredTextureCount();
        cursor = GetCursorState();
    }
    void TearDown() override {
        g_script = nullptr;
        system.reset();
        galaxy.reset();
        CloseTestWindow();
    }

    bool Run(Screen screen, Script& script) {
        g_script = &script;
        bool confirmed = false;
        switch (screen) {
        case Screen::Galaxy: confirmed = ShowGalaxyScreen(result); break;
        case Screen::System: confirmed = ShowSystemScreen(result); break;
        case Screen::Planet: confirmed = ShowPlanetScreen(result); break;
        }
        g_script = nullptr;
        // Everything the screen made is gone; the cursor is as it was.
        EXPECT_EQ(RegisteredTextureCount(), textures);
        EXPECT_EQ(GetCursorState().hideCount, cursor.hideCount);
        EXPECT_EQ(GetCursorState().captureCount, cursor.captureCount);
        EXPECT_EQ(GetCursorState().suspendDepth, cursor.suspendDepth);
        EXPECT_FALSE(PfCursorHidden());
        EXPECT_EQ(GetLoadingScreen().active, 0);
        return confirmed;
    }
    // A new window and record for the next screen of a test, which starts a new run
    // (without the quit of the one before).
    void Fresh() {
        TearDown();
        ResetDisplayRunState();
        SetUp();
    }
    uint32_t Selected(Screen screen) const {
        return screen == Screen::Galaxy ? result.galaxy
               : screen == Screen::System ? result.system
                                          : result.planet;
    }

    std::unique_ptr<CGalaxyGenerator> galaxy;
    std::unique_ptr<CSystemGenerator> system;
    int32_t bestTimes[100];
    int32_t highestPlanets[4] = {0, 37, 100, 5};
    PlanetResult result;
    uint32_t textures = 0;
    CursorState cursor = {};
};

// The next item's area while the screen rests on the first: its centre.
void ItemCentre(Screen screen, uint32_t item, double p, int32_t* x, int32_t* y) {
    const ArcPlacement a = screen == Screen::Galaxy ? PlaceGalaxy(item, p, kWidth, kHeight)
                                                   : PlaceSystem(item, p, kWidth, kHeight);
    *x = (a.x0 + a.x1) / 2;
    *y = (a.y0 + a.y1) / 2;
}

// What the screenshots must show (they are saved beside the test to be looked at).
void CheckShots(Screen screen, const Script& script) {
    const CArrowSelector layout(1, kWidth, kHeight, false);
    const SelectorArea& next = layout.areas[kSelectorContinueArea];
    if (screen == Screen::Galaxy) {
        const Shot* shot = script.Find("galaxy_arc");
        ASSERT_NE(shot, nullptr);
        // The chosen galaxy's bright core in front, the buttons, the white caption.
        EXPECT_GT(shot->MaxIn(500, 240, 524, 260), 200);
        EXPECT_GT(shot->MaxIn(next.x0, next.y0, next.x1, next.y1), 200);
        EXPECT_GT(shot->MaxIn(400, 110, 624, 125), 200);
        EXPECT_EQ(shot->MaxIn(0, 0, kWidth, 40), 0);
    } else if (screen == Screen::System) {
        const Shot* shot = script.Find("system_locks");
        ASSERT_NE(shot, nullptr);
        // System 4 (open, 7 of 10) in colour, system 6 (locked) grey.
        for (uint32_t i : {3u, 5u}) {
            const ArcPlacement a = PlaceSystem(i, 2 / 9.0, kWidth, kHeight);
            const int32_t q = int32_t(a.size);
            const int32_t x0 = int32_t(a.x) - 3 * q + 4, y0 = int32_t(a.y) - q + 4;
            EXPECT_GT(shot->MaxIn(x0, y0, x0 + 2 * q - 8, y0 + 2 * q - 8), 60) << i;
            if (i == 3) EXPECT_GT(shot->MaxTintIn(x0, y0, x0 + 2 * q - 8, y0 + 2 * q - 8), 40);
            else EXPECT_LE(shot->MaxTintIn(x0, y0, x0 + 2 * q - 8, y0 + 2 * q - 8), 3);
        }
    } else {
        const Shot* rest = script.Find("planet_rest");
        const Shot* move = script.Find("planet_move");
        ASSERT_NE(rest, nullptr);
        ASSERT_NE(move, nullptr);
        // The chosen planet in the middle, stars around; mid-move no caption shows.
        EXPECT_GT(rest->MaxIn(502, 374, 522, 394), 60);
        EXPECT_GT(rest->MaxIn(0, 700, kWidth, kHeight), 30);
        EXPECT_GT(rest->WhiteIn(400, 110, 624, 125), 15);
        EXPECT_LT(move->WhiteIn(400, 110, 624, 125), 5);
    }
}

TEST_F(SelectionScreens, RightThenEnterConfirmsTheNextItem) {
    const char* names[3] = {"galaxy_arc", "system_locks", "planet_move"};
    const Screen screens[3] = {Screen::Galaxy, Screen::System, Screen::Planet};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        if (i > 0) Fresh();
        // The system screen moves on to system 3 (7 of 10), the planet screen from the
        // last completed planet of system 3 to the next to beat.
        if (screens[i] == Screen::System) result.system = 2;
        Script script;
        // The fade-in takes 50 frames; a move of one item 50 or 60; the fade-out 50.
        const uint32_t shotFrame = screens[i] == Screen::Planet ? 81 : 52;
        script.steps = {{shotFrame, Act::Shot, 0, 0, 0, names[i]},
                        {55, Act::Tap, 316},
                        {140, Act::Tap, 13}};
        if (screens[i] == Screen::Planet)
            script.steps.push_back({52, Act::Shot, 0, 0, 0, "planet_rest"});
        const uint32_t first = Selected(screens[i]);
        EXPECT_TRUE(Run(screens[i], script));
        EXPECT_EQ(Selected(screens[i]), first + 1);
        EXPECT_GT(script.frames, 180u);
        EXPECT_LT(script.frames, 200u);
        CheckShots(screens[i], script);
    }
}

TEST_F(SelectionScreens, EscapeCancelsAndAClickMovesToTheItem) {
    for (Screen screen : {Screen::Galaxy, Screen::System, Screen::Planet}) {
        if (screen != Screen::Galaxy) Fresh();
        Script cancel;
        cancel.steps = {{20, Act::Tap, 27}};
        const uint32_t first = Selected(screen);
        EXPECT_FALSE(Run(screen, cancel));
        EXPECT_EQ(Selected(screen), first);
        // The fade-out starts from the level the fade-in reached: 20 frames back.
        EXPECT_NEAR(cancel.frames, 40u, 2u);
        if (screen == Screen::Planet) break;  // no item areas on the planet screen
        // A click on the item before the chosen one, then Enter after the move.
        const double p = screen == Screen::Galaxy ? first / 3.0 : first / 9.0;
        int32_t x, y;
        ItemCentre(screen, first - 1, p, &x, &y);
        Script click;
        click.steps = {{55, Act::Click, 0, x, y}, {140, Act::Tap, 13}};
        EXPECT_TRUE(Run(screen, click));
        EXPECT_EQ(Selected(screen), first - 1);
    }
}

TEST_F(SelectionScreens, ClosingTheWindowEndsEveryScreenAndStaysClosed) {
    for (Screen screen : {Screen::Galaxy, Screen::System, Screen::Planet}) {
        if (screen != Screen::Galaxy) Fresh();
        Script close;
        close.steps = {{30, Act::Tap, 316}, {31, Act::Close}};
        const uint32_t first = Selected(screen);
        EXPECT_FALSE(Run(screen, close));
        EXPECT_EQ(QuitRequested, 1);
        EXPECT_EQ(close.frames, 31u);
        // The move had begun but not ended: the choice stays.
        EXPECT_EQ(Selected(screen), first);
        // With the flag set, the next screen ends before it makes anything.
        Script none;
        EXPECT_FALSE(Run(screen, none));
        EXPECT_EQ(none.frames, 0u);
    }
}

TEST_F(SelectionScreens, SlowImagesShowTheLoadingScreenStageByStage) {
    for (Screen screen : {Screen::System, Screen::Planet}) {
        if (screen != Screen::System) Fresh();
        Script script;
        script.slowLoading = true;
        script.steps = {{5, Act::Tap, 27}};
        EXPECT_FALSE(Run(screen, script));
        EXPECT_TRUE(script.loadingShown);
        // The system screen's ten stages of a tenth each; the planet screen's sun in
        // the first fifth, then ten stages over the rest.
        std::vector<LoadingRange> expected;
        if (screen == Screen::Planet) expected.push_back({0.0, 0.2});
        for (int i = 0; i < 10; ++i) {
            if (screen == Screen::System) expected.push_back({i / 10.0, (i + 1) / 10.0});
            else expected.push_back({0.2 + 0.8 * i / 10, 0.2 + 0.8 * (i + 1) / 10});
        }
        std::vector<LoadingRange> stages;
        for (const LoadingRange& r : script.ranges)
            if (r.from != 0.0 || r.to != 1.0) stages.push_back(r);
        ASSERT_EQ(stages.size(), expected.size());
        for (size_t i = 0; i < stages.size(); ++i) {
            EXPECT_NEAR(stages[i].from, expected[i].from, 1e-12) << i;
            EXPECT_NEAR(stages[i].to, expected[i].to, 1e-12) << i;
        }
    }
}

TEST_F(SelectionScreens, HandEditedProgressOpensSafelyOnTheFirstItem) {
    highestPlanets[0] = -5;
    highestPlanets[1] = 1000;
    for (int32_t& t : bestTimes) t = -1;
    result.galaxy = 9;
    result.system = 77;
    result.planet = 40;
    result.highestPlanet = 0xFFFFFFF0u;
    for (Screen screen : {Screen::Galaxy, Screen::System, Screen::Planet}) {
        if (screen == Screen::Planet) result.system = 12;
        Script script;
        script.steps = {{52, Act::Tap, 316}, {120, Act::Tap, 13}};
        EXPECT_TRUE(Run(screen, script));
        // Out of range, the selection opened on the first item and moved to the second.
        EXPECT_EQ(Selected(screen), 1u);
    }
}

// The real path: a click and a key from the X server, through the toolkit, the
// platform queue and the pump.
TEST_F(SelectionScreens, RealClickAndKeyFromTheXServer) {
    const std::string focus =
        "xdotool windowfocus --sync " + std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(focus.c_str()), 0);
    const CArrowSelector layout(1, kWidth, kHeight, false);
    const SelectorArea& right = layout.areas[kSelectorRightArea];
    const std::string click = "xdotool mousemove " + std::to_string((right.x0 + right.x1) / 2) +
                              " " + std::to_string(kHeight - (right.y0 + right.y1) / 2) +
                              " click 1";
    Script script;
    script.steps = {{52, Act::Command, 0, 0, 0, click},
                    {130, Act::Command, 0, 0, 0, "xdotool key Return"}};
    EXPECT_TRUE(Run(Screen::Galaxy, script));
    EXPECT_EQ(result.galaxy, 2u);
}

TEST_F(SelectionScreens, EnterOnALockedSystemConfirmsNothing) {
    result.system = 5;  // a saved selection on a locked system opens on it
    Script script;
    script.steps = {{52, Act::Tap, 13}, {53, Act::Shot, 0, 0, 0, "system_locked_choice"},
                    {60, Act::Tap, 314}, {120, Act::Tap, 314}, {200, Act::Tap, 13}};
    EXPECT_TRUE(Run(Screen::System, script));
    EXPECT_EQ(result.system, 3u);  // two moves left, to the first open system
    const Shot* shot = script.Find("system_locked_choice");
    ASSERT_NE(shot, nullptr);
    // Continue is grey (disabled): its picture darker than Cancel's.
    CArrowSelector layout(1, kWidth, kHeight, false);
    const SelectorArea& cancel = layout.areas[kSelectorCancelArea];
    const SelectorArea& next = layout.areas[kSelectorContinueArea];
    EXPECT_LT(shot->MaxIn(next.x0, next.y0, next.x1, next.y1),
              shot->MaxIn(cancel.x0, cancel.y0, cancel.x1, cancel.y1) * 6 / 10);
}

}  // namespace

namespace {

// A caption replaced while it shows: its texture never keeps the freed image (the
// registry uploads it again after a lost context).
TEST_F(SelectionScreens, ReplacingTheShownCaptionTakesItsTextureAlong) {
    CArrowSelector selector(2);
    selector.SetItemCaption(0, "Old Caption");
    selector.Update(0.01);
    ASSERT_NE(selector.captionTexture, nullptr);
    EXPECT_EQ(selector.captionTexture->image, selector.items[0].caption);
    selector.SetItemCaption(0, "New Caption");
    EXPECT_EQ(selector.captionTexture, nullptr);
    selector.Update(0.01);
    ASSERT_NE(selector.captionTexture, nullptr);
    EXPECT_EQ(selector.captionTexture->image, selector.items[0].caption);
    EXPECT_TRUE(selector.captionTexture->uploaded);
    ReleaseGLResources();
    RestoreGLResources();
    EXPECT_TRUE(selector.captionTexture->uploaded);
}

}  // namespace

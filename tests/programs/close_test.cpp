// Closing the program as a player does, Alt+F4 (through the window manager, which
// sends WM_DELETE_WINDOW to the focused window; without one the test sends it), on
// every screen under each window manager of the matrix: the process ends with status 0
// (within a second where the machine has time to spare), quietly, and the
// configuration file keeps every line; also while another client holds the keyboard.
// A window of the program that another client destroys (as a desktop tool or a window
// manager that crashes does) ends it the same way, also with a choice list open, and
// so does SIGTERM then.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "program_support.h"
#include "support/test_support.h"

// After the others: Xlib's names.
#include <X11/Xatom.h>

namespace {

// A player closes the screen within this (the window manager's part included).
constexpr double kCloseSeconds = 1.0;
// A close that has not ended the program by then was lost.
constexpr double kNeverSeconds = 30.0;
// A program still running this long after its window was destroyed runs on without it
// (its end may wait up to 5 s for the audio thread, under the sanitizers longer).
constexpr double kDestroyedSeconds = 15.0;

// What the screens of the game window show, told apart by their pixels (a share of a
// band of rows): the planet screen's buttons are bright near the bottom, the scenes
// are not; only the game has its lava along the bottom edge; the pause screen is a
// caption and two buttons on black.
bool IsBright(uint32_t p) { return (p >> 16 & 255) > 153 && (p >> 8 & 255) > 153 && (p & 255) > 153; }
bool IsLava(uint32_t p) { return (p >> 16 & 255) > 204 && (p >> 8 & 255) > 102 && (p & 255) < 77; }
bool IsLit(uint32_t p) { return p != 0; }
constexpr double kButtonBandTop = 0.84, kButtonBandBottom = 0.95;
constexpr double kLavaBandTop = 0.9;

enum PlayScreen { Galaxy, Planet, Approach, Game, Pause };
const char* const kPlayScreenNames[] = {"galaxy", "planet", "approach scene", "game", "pause"};

class CloseTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        m_desktop.reset(new PrivateDesktop(GetParam()));
        ASSERT_TRUE(m_desktop->Ready()) << m_desktop->Problem();
        m_screen.reset(new TestScreen(m_desktop->Name()));
        ASSERT_TRUE(m_screen->Connected());
        m_configFile = m_home.Path() + "/.config/vorpane.conf";
        mkdir((m_home.Path() + "/.config").c_str(), 0700);
    }

    // A start with the agreement accepted and the quality chosen by hand (so Play goes
    // straight to the galaxy screen), at the home screen.
    std::unique_ptr<GameProcess> StartAtHome(SeenWindow* home) {
        WriteWholeFile(m_configFile,
                       "[Registration]\nEulaVersion=1\n[Display/Quality]\nAutomatic=0\n");
        std::unique_ptr<GameProcess> game(new GameProcess(m_home.Path(), "C.UTF-8", m_desktop->Name()));
        EXPECT_TRUE(m_screen->WaitForMenu(home)) << "no home screen";
        return game;
    }

    // A menu other than the one shown before.
    bool WaitForNextMenu(const SeenWindow& before, SeenWindow* next) {
        const int width = m_screen->Width();
        return m_screen->WaitForWindow(
            [&](const SeenWindow& w) {
                return w.className == "Vorpane" && w.name.empty() && w.width < width &&
                       w.width > 100 && w.id != before.id;
            },
            30, next);
    }

    // Home, Play: the game window with the galaxy screen drawn in it.
    std::unique_ptr<GameProcess> StartAtGalaxy(SeenWindow* gameWindow) {
        SeenWindow home;
        std::unique_ptr<GameProcess> game = StartAtHome(&home);
        m_screen->Type(home, "Return");
        EXPECT_TRUE(m_screen->WaitForGameWindow(30, gameWindow)) << "no game window";
        EXPECT_TRUE(m_screen->WaitUntilShown(*gameWindow, 30, 0.01));
        return game;
    }

    // The galaxy screen; the planet screen, reached by confirming the galaxy and the
    // system; the approach scene once the planet is confirmed; the game once a key has
    // skipped the scenes; the pause screen after Escape there.
    std::unique_ptr<GameProcess> StartAtPlayScreen(PlayScreen screen, SeenWindow* window) {
        const auto lavaShown = [&] { return BandShare(kLavaBandTop, 1.0, IsLava) > 0.1; };
        std::unique_ptr<GameProcess> game = StartAtGalaxy(window);
        if (screen == Galaxy) return game;
        for (const char* line : {"SelectedGalaxy=1", "SelectedSystem=0"}) Confirm(line);
        if (screen == Planet) {
            EXPECT_TRUE(WaitUntil([&] { return ButtonsShown(); }, 30)) << "no planet screen";
            return game;
        }
        Confirm("SelectedPlanet1=0");
        if (screen == Approach) {
            // The planet screen's buttons gone and something drawn: a scene.
            EXPECT_TRUE(WaitUntil(
                [&] { return !ButtonsShown() && BandShare(0, 1, IsLit) > 0.03; }, 30))
                << "no scene";
            return game;
        }
        // A key skips each scene; the game shows its lava along the bottom.
        EXPECT_TRUE(WaitUntil(
            [&] {
                m_screen->TypeAnywhere("Return");
                return WaitUntil(lavaShown, 1);
            },
            60))
            << "the game never showed";
        if (screen == Pause) {
            m_screen->TypeAnywhere("Escape");
            EXPECT_TRUE(WaitUntil(
                [&] { return !lavaShown() && BandShare(0, 1, IsLit) < 0.1; }, 30))
                << "the pause screen never showed";
        }
        return game;
    }

    // Enter on a selection screen once it is up (its buttons drawn), then its
    // confirmation in the file. A second Enter could confirm the next screen too: it is
    // typed only when the first was lost, the same screen still up with its buttons
    // undimmed long after (a confirmation's fade dims them within a few frames, and the
    // line is written before the next screen comes).
    void Confirm(const char* line) {
        EXPECT_TRUE(WaitUntil(
            [&] {
                if (ConfigHas(line)) return true;
                if (!ButtonsShown()) return false;
                m_screen->TypeAnywhere("Return");
                return WaitUntil([&] { return ConfigHas(line); }, 10);
            },
            60))
            << line << " never written:\n" << Config();
    }

    bool ButtonsShown() { return BandShare(kButtonBandTop, kButtonBandBottom, IsBright) > 0.01; }

    // The share of the screen's rows from top to bottom (fractions of the height) whose
    // pixels pass the test.
    template <typename Test>
    double BandShare(double top, double bottom, Test test) {
        std::vector<uint32_t> pixels;
        if (!m_screen->ReadScreen(&pixels)) return 0;
        const size_t width = size_t(m_screen->Width()), height = size_t(m_screen->Height());
        const size_t from = size_t(top * double(height)) * width;
        const size_t to = std::min(pixels.size(), size_t(bottom * double(height)) * width);
        size_t passed = 0;
        for (size_t i = from; i < to; ++i) passed += test(pixels[i]) ? 1 : 0;
        return to > from ? double(passed) / double(to - from) : 0;
    }

    // Alt+F4 on the window with the keyboard focus: the window manager handles the key
    // and asks that window to close. Without a window manager nobody handles the key:
    // the test asks the window itself, as a window manager would (the focused one of
    // the program, else the one the player sees, target).
    void PressAltF4(Window target) {
        if (std::string(GetParam()) == "none")
            SendWindowCloseRequest(m_screen->X(), FocusedTopLevel() ? FocusedTopLevel() : target);
        else
            m_screen->TypeAnywhere("alt+F4");
    }

    // The top-level window (a child of the root) of the program that has the focus, or 0.
    Window FocusedTopLevel() {
        Display* x = m_screen->X();
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(x, &focus, &revert);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        while (focus > PointerRoot && XQueryTree(x, focus, &root, &parent, &children, &count)) {
            if (children) XFree(children);
            if (parent == root) break;
            focus = parent;
        }
        for (const SeenWindow& w : m_screen->Windows())
            if (w.id == focus && w.className == "Vorpane") return focus;
        return 0;
    }

    // Alt+F4 once the window shown has the focus, as a player presses it: the program
    // ends with status 0 and nothing on standard error, and every line the file had is
    // still there. It ends within the second where the machine has the time to spare
    // (on a loaded one the window manager and the program may each wait for a turn);
    // the time it took is printed.
    void CloseAndCheck(GameProcess& game, const char* where, const SeenWindow& shown) {
        SCOPED_TRACE(where);
        EXPECT_TRUE(m_screen->WaitForFocusIn(shown.id, 30)) << "the window never had the focus";
        EndAndCheck(game, where, [&] { PressAltF4(shown.id); }, 0, kNeverSeconds);
    }

    // Another client destroys the windows one after another (XDestroyWindow, as xdotool
    // windowclose does): the program ends as on a close of it, with status (0, or 255
    // for the agreement, declined), within seconds even on a loaded machine (a program
    // that runs on without its window never ends), and otherwise as CloseAndCheck says.
    void DestroyAndCheck(GameProcess& game, const char* where, const std::vector<Window>& windows,
                         int status) {
        SCOPED_TRACE(std::string("destroyed: ") + where);
        EndAndCheck(game, where,
                    [&] {
                        for (Window w : windows) {
                            XDestroyWindow(m_screen->X(), w);
                            XSync(m_screen->X(), False);
                        }
                    },
                    status, kDestroyedSeconds);
    }

    // Ends the program by end(): it ends with the status within timeoutSeconds (within
    // the second where the machine has the time to spare), with nothing on standard
    // error, and every line the file had is still there; the time it took is printed.
    template <typename End>
    void EndAndCheck(GameProcess& game, const char* where, End end, int expected,
                     double timeoutSeconds) {
        const std::string before = Config();
        end();
        // From the moment the request is out (xdotool has returned): the window
        // manager's part and the program's.
        const Clock::time_point start = Clock::now();
        const int status = game.Wait(timeoutSeconds);
        const double took = Seconds(Clock::now() - start);
        std::printf("ended on the %s screen in %.3f s\n", where, took);
        EXPECT_NE(status, -1) << "not ended within " << timeoutSeconds << " s";
        EXPECT_EQ(status, expected);
        if (MachineHasTimeToSpare()) {
            EXPECT_LT(took, kCloseSeconds) << "not ended within " << kCloseSeconds << " s";
        }
        EXPECT_EQ(game.Errors(), "");
        const std::string after = Config();
        size_t from = 0;
        while (from < before.size()) {
            const size_t end = before.find('\n', from);
            const std::string line = before.substr(from, end - from);
            EXPECT_NE(after.find(line + "\n"), std::string::npos) << "lost: " << line << "\n" << after;
            if (end == std::string::npos) break;
            from = end + 1;
        }
    }

    // The group leader the window names (WM_CLIENT_LEADER): the toolkit's hidden window,
    // or 0.
    Window LeaderOf(Window window) {
        Display* x = m_screen->X();
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        Window leader = 0;
        if (XGetWindowProperty(x, window, XInternAtom(x, "WM_CLIENT_LEADER", False), 0, 1, False,
                               XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
            data && format == 32 && count == 1)
            leader = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
        if (data) XFree(data);
        return leader;
    }

    std::string Config() { return ReadWholeFile(m_configFile); }
    bool ConfigHas(const std::string& line) { return Config().find(line + "\n") != std::string::npos; }

    std::unique_ptr<PrivateDesktop> m_desktop;
    std::unique_ptr<TestScreen> m_screen;
    TempDir m_home;
    std::string m_configFile;
};

// The home screen, the settings screen and the display settings screen.
TEST_P(CloseTest, TheMenusEndOnAltF4) {
    {
        SeenWindow home;
        std::unique_ptr<GameProcess> game = StartAtHome(&home);
        CloseAndCheck(*game, "home", home);
    }
    {
        SeenWindow home, settings;
        std::unique_ptr<GameProcess> game = StartAtHome(&home);
        m_screen->Type(home, "Tab Return");  // from Play to Settings
        ASSERT_TRUE(WaitForNextMenu(home, &settings)) << "no settings screen";
        m_screen->Focus(settings);
        CloseAndCheck(*game, "settings", settings);
    }
    SeenWindow home, settings, display;
    std::unique_ptr<GameProcess> game = StartAtHome(&home);
    m_screen->Type(home, "Tab Return");
    ASSERT_TRUE(WaitForNextMenu(home, &settings)) << "no settings screen";
    m_screen->Type(settings, "Tab Tab Return");  // from OK round to Music, then Configure
    ASSERT_TRUE(WaitForNextMenu(settings, &display)) << "no display settings screen";
    m_screen->Focus(display);
    CloseAndCheck(*game, "display settings", display);
}

// The galaxy, system and planet screens, each reached by confirming the one before.
TEST_P(CloseTest, TheSelectionScreensEndOnAltF4) {
    const char* confirmed[] = {"SelectedGalaxy=1", "SelectedSystem=0"};
    const char* names[] = {"galaxy", "system", "planet"};
    for (int screen = 0; screen < 3; ++screen) {
        SeenWindow window;
        std::unique_ptr<GameProcess> game = StartAtGalaxy(&window);
        for (int i = 0; i < screen; ++i) Confirm(confirmed[i]);
        ASSERT_TRUE(m_screen->WaitUntilShown(window, 30, 0.01));
        CloseAndCheck(*game, names[screen], window);
    }
}

// The approach scene, the game and the pause screen.
TEST_P(CloseTest, ThePlayScreensEndOnAltF4) {
    for (PlayScreen screen : {Approach, Game, Pause}) {
        SeenWindow window;
        std::unique_ptr<GameProcess> game = StartAtPlayScreen(screen, &window);
        CloseAndCheck(*game, kPlayScreenNames[screen], window);
    }
}

// Another client destroys every window of the program, one after another (as xdotool's
// windowclose on each window of the process does), on the galaxy and planet screens
// and the play screens. The focus goes with the windows, and the program may take that for the
// player leaving before it has read of the destroy: it ends as on a close all the same.
TEST_P(CloseTest, ThePlayScreensEndWhenAnotherClientDestroysEveryWindow) {
    for (PlayScreen screen : {Galaxy, Planet, Approach, Game, Pause}) {
        SeenWindow window;
        std::unique_ptr<GameProcess> game = StartAtPlayScreen(screen, &window);
        DestroyAndCheck(*game, kPlayScreenNames[screen], m_screen->WindowsOfProcess(game->Pid()),
                        0);
    }
}

// The window manager holds the keyboard while it handles its own keys (Alt+F4 among
// them), and the toolkit takes that for the focus leaving the game. The focus has not
// left: the game window stays up, and the close sent meanwhile ends the game.
TEST_P(CloseTest, ACloseWhileTheKeyboardIsHeldEndsTheGame) {
    SeenWindow window;
    std::unique_ptr<GameProcess> game = StartAtGalaxy(&window);
    ASSERT_TRUE(m_screen->WaitForFocusIn(window.id, 30)) << "the game window never had the focus";
    Display* x = m_screen->X();
    ASSERT_EQ(XGrabKeyboard(x, DefaultRootWindow(x), False, GrabModeAsync, GrabModeAsync,
                            CurrentTime),
              GrabSuccess);
    XSync(x, False);
    // A program that took the hold for the player leaving would close its window now.
    EXPECT_FALSE(m_screen->WaitForNoWindow([&](const SeenWindow& w) { return w.id == window.id; },
                                           2))
        << "the game window closed";
    SendWindowCloseRequest(x, window.id);
    EXPECT_EQ(game->Wait(kNeverSeconds), 0) << "never ended";
    XUngrabKeyboard(x, CurrentTime);
    XSync(x, False);
}

// Another client destroys a window of the program: the agreement (declined, nothing
// written), the background frame and the menu of the home screen, and the game window.
class DestroyedWindowTest : public CloseTest {};

TEST_P(DestroyedWindowTest, AWindowDestroyedByAnotherClientEndsTheProgramAsItsClose) {
    {
        std::unique_ptr<GameProcess> game(new GameProcess(m_home.Path(), "C.UTF-8", m_desktop->Name()));
        SeenWindow agreement;
        ASSERT_TRUE(m_screen->WaitForAgreement(&agreement)) << "no agreement";
        DestroyAndCheck(*game, "agreement", {agreement.id}, 255);
        EXPECT_EQ(Config(), "");
    }
    {
        SeenWindow home, frame;
        std::unique_ptr<GameProcess> game = StartAtHome(&home);
        ASSERT_TRUE(m_screen->WaitForWindow(TestScreen::IsBackgroundFrame, 30, &frame));
        DestroyAndCheck(*game, "home (its background frame)", {frame.id}, 0);
    }
    {
        SeenWindow home;
        std::unique_ptr<GameProcess> game = StartAtHome(&home);
        DestroyAndCheck(*game, "home (its menu)", {home.id}, 0);
    }
    SeenWindow window;
    std::unique_ptr<GameProcess> game = StartAtGalaxy(&window);
    DestroyAndCheck(*game, "galaxy (the game window)", {window.id}, 0);
}

// The settings screen with its Music choice's list open: the list runs a loop of its
// own inside the menu's. What ends the program then: another client destroying every
// window of the program (the toolkit's hidden leader window and the list's among them),
// the list's window alone, the background frame alone, the menu alone, the hidden
// leader alone; and SIGTERM. Each ends it as a close does: status 0, nothing on
// standard error (no toolkit warning), the file whole.
TEST_P(DestroyedWindowTest, WithAChoiceListOpenTheProgramEndsAsOnAClose) {
    enum Ending { Every, List, Frame, Menu, Leader, Term };
    const char* names[] = {"list (every window destroyed)", "list (its own window destroyed)",
                           "list (the background frame destroyed)", "list (the menu destroyed)",
                           "list (the hidden leader window destroyed)", "list (SIGTERM)"};
    for (Ending ending : {Every, List, Frame, Menu, Leader, Term}) {
        SCOPED_TRACE(names[ending]);
        SeenWindow home, settings, list, frame;
        std::unique_ptr<GameProcess> game = StartAtHome(&home);
        m_screen->Type(home, "Tab Return");  // from Play to Settings
        ASSERT_TRUE(WaitForNextMenu(home, &settings)) << "no settings screen";
        m_screen->Type(settings, "Tab Return");  // from OK to Music, and its list opens
        const int menuWidth = settings.width;
        ASSERT_TRUE(m_screen->WaitForWindow(
            [&](const SeenWindow& w) {
                return w.className == "Vorpane" && w.width < menuWidth / 2 && w.width > 10;
            },
            30, &list))
            << "the list never opened";
        ASSERT_TRUE(m_screen->WaitForWindow(TestScreen::IsBackgroundFrame, 30, &frame));
        const std::vector<Window> all = m_screen->WindowsOfProcess(game->Pid());
        const Window leader = LeaderOf(settings.id);
        ASSERT_NE(std::find(all.begin(), all.end(), leader), all.end()) << "no hidden leader window";
        switch (ending) {
        case Every: DestroyAndCheck(*game, names[ending], all, 0); break;
        case List: DestroyAndCheck(*game, names[ending], {list.id}, 0); break;
        case Frame: DestroyAndCheck(*game, names[ending], {frame.id}, 0); break;
        case Menu: DestroyAndCheck(*game, names[ending], {settings.id}, 0); break;
        case Leader: DestroyAndCheck(*game, names[ending], {leader}, 0); break;
        case Term: EndAndCheck(*game, names[ending], [&] { game->Terminate(); }, 0, kDestroyedSeconds); break;
        }
    }
}

// The toolkit's hidden leader window is the program's too: destroyed alone on the home
// screen it ends the program as a close does, without the toolkit's warning.
TEST_P(DestroyedWindowTest, TheHiddenLeaderWindowDestroyedEndsTheProgramAsItsClose) {
    SeenWindow home;
    std::unique_ptr<GameProcess> game = StartAtHome(&home);
    const Window leader = LeaderOf(home.id);
    const std::vector<Window> all = m_screen->WindowsOfProcess(game->Pid());
    ASSERT_NE(std::find(all.begin(), all.end(), leader), all.end()) << "no hidden leader window";
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(m_screen->X(), leader, &attributes));
    EXPECT_EQ(attributes.map_state, IsUnmapped);
    DestroyAndCheck(*game, "home (the hidden leader window)", {leader}, 0);
}

// No window manager, and one that puts frames of its own around the windows.
INSTANTIATE_TEST_SUITE_P(WindowManagers, DestroyedWindowTest, ::testing::Values("none", "openbox"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

INSTANTIATE_TEST_SUITE_P(WindowManagers, CloseTest,
                         ::testing::Values("none", "openbox", "metacity", "xfwm4"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

}  // namespace

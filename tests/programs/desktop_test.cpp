// The program under the window managers players run, and under none, each on a private
// headless X server: what the screen shows (read from the root window) at the agreement,
// at the start, over and after the settings, while the window manager holds the
// keyboard, after another program had the focus and gave it back, after the player
// clicked the background, and in the game window.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>
#include <sys/stat.h>

#include "program_support.h"
#include "support/test_support.h"

namespace {

class DesktopTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_desktop.Ready()) << m_desktop.Problem();
        m_screen.reset(new TestScreen(m_desktop.Name()));
        ASSERT_TRUE(m_screen->Connected());
    }

    // The window is what the screen shows: at least minShare of its area is lit (a menu
    // or dialog under the black background frame reads black).
    void ExpectShown(const SeenWindow& window, const char* what, double minShare) {
        EXPECT_TRUE(m_screen->WaitUntilShown(window, 10, minShare))
            << what << " is not what the screen shows under " << GetParam() << ": "
            << m_screen->LitShare(window) << " of " << Describe(window)
            << " lit; the windows:" << ListWindows();
    }
    static std::string Describe(const SeenWindow& w) {
        return std::to_string(w.id) + " '" + w.name + "' " + w.instance + "/" + w.className +
               " " + std::to_string(w.width) + "x" + std::to_string(w.height) + "+" +
               std::to_string(w.x) + "+" + std::to_string(w.y);
    }
    std::string ListWindows() {
        std::string list;
        for (const SeenWindow& w : m_screen->Windows()) list += "\n  " + Describe(w);
        return list;
    }
    // Starts the game (the agreement made, the quality fixed) and takes it from the home
    // menu to the galaxy screen in its window; false when a step does not come.
    bool StartAtGalaxy(std::unique_ptr<GameProcess>* game, SeenWindow* home, SeenWindow* frame,
                       SeenWindow* gameWindow) {
        mkdir((m_home.Path() + "/.config").c_str(), 0700);
        WriteWholeFile(ConfigFile(),
                       "[Registration]\nEulaVersion=1\n[Display/Quality]\nAutomatic=0\n");
        game->reset(new GameProcess(m_home.Path(), "C.UTF-8", m_desktop.Name()));
        if (!m_screen->WaitForMenu(home) ||
            !m_screen->WaitForWindow(&TestScreen::IsBackgroundFrame, 10, frame))
            return false;
        m_screen->Type(*home, "Return");
        return m_screen->WaitForGameWindow(30, gameWindow);
    }
    std::string ConfigFile() const { return m_home.Path() + "/.config/vorpane.conf"; }
    // Enter on the selection screens until the file shows one more confirmation: the
    // keys reach the game window. Enter is typed again while the screen may still be
    // loading; one confirmation too many only leads to the next screen.
    bool ConfirmSomething(const std::string& configFile) {
        const std::string before = ReadWholeFile(configFile);
        return WaitUntil(
            [&] {
                m_screen->TypeAnywhere("Return");
                return WaitUntil([&] { return ReadWholeFile(configFile) != before; }, 0.5);
            },
            30);
    }
    void SaveScreen(const std::string& name) {
        if (::testing::Test::HasFailure())
            m_screen->SaveScreenshot(std::string("desktop_") + GetParam() + "_" + name + ".png");
    }

    PrivateDesktop m_desktop{GetParam()};
    std::unique_ptr<TestScreen> m_screen;
    TempDir m_home;
};

// The home screen is mostly its picture: well over a third of it is lit.
constexpr double kHomeLit = 0.4;

TEST_P(DesktopTest, EveryStartShowsTheScreenOnTopAndComingBackShowsItAgain) {
    TestScreen& screen = *m_screen;
    {
        GameProcess game(m_home.Path(), "C.UTF-8", m_desktop.Name());
        SeenWindow agreement;
        ASSERT_TRUE(screen.WaitForAgreement(&agreement));
        ExpectShown(agreement, "the agreement", 0.9);
        screen.Type(agreement, "alt+a");
        SeenWindow home;
        ASSERT_TRUE(screen.WaitForMenu(&home)) << "no home screen after agreeing";
        ExpectShown(home, "the home screen after agreeing", kHomeLit);
        SaveScreen("agreed");
        screen.Type(home, "Escape");  // Exit
        EXPECT_EQ(game.Wait(20), 0);
        EXPECT_EQ(game.Errors(), "");
    }

    GameProcess game(m_home.Path(), "C.UTF-8", m_desktop.Name());
    SeenWindow home, frame;
    ASSERT_TRUE(screen.WaitForMenu(&home)) << "no home screen at the second start";
    ASSERT_TRUE(screen.WaitForWindow(&TestScreen::IsBackgroundFrame, 10, &frame));
    ExpectShown(home, "the home screen at the start", kHomeLit);
    SaveScreen("started");
    // Full-screen for the window manager, so it covers the desktop's panels.
    const bool managed = WindowManagerAnnounced(screen.X());
    if (managed) {
        EXPECT_TRUE(WaitUntil(
            [&] { return screen.HasWindowState(frame.id, "_NET_WM_STATE_FULLSCREEN"); }, 10))
            << "the background frame is not full-screen";
    }

    // Settings, then Cancel: each screen in turn is what shows.
    screen.Type(home, "Down Return");
    SeenWindow settings;
    ASSERT_TRUE(screen.WaitForWindow(
        [&](const SeenWindow& w) {
            return w.className == "Vorpane" && w.transientFor != 0 && w.id != home.id;
        },
        10, &settings));
    ExpectShown(settings, "the settings screen", kHomeLit);
    SaveScreen("settings");
    screen.Type(settings, "Escape");
    ASSERT_TRUE(screen.WaitForNoWindow([&](const SeenWindow& w) { return w.id == settings.id; }, 10));
    ASSERT_TRUE(screen.WaitForMenu(&home, 10));  // the home screen is made afresh
    ExpectShown(home, "the home screen after the settings", kHomeLit);

    // Another program takes the focus: the game leaves the screen to it (under a window
    // manager the frame goes to the task bar; without one it stays, black around the
    // other program's window, for the player to come back to). And the player comes back
    // to the game: its task bar entry under a window manager, a click on the black frame
    // without one, which then takes the focus itself. A second time with the keyboard
    // held by the window manager first, as while it handles Alt+Tab: the focus has not
    // left then, and the game stays until the hold ends.
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "the keyboard held" : "the keyboard free");
        {
            Display* x = screen.X();
            if (held) {
                ASSERT_EQ(XGrabKeyboard(x, DefaultRootWindow(x), False, GrabModeAsync,
                                        GrabModeAsync, CurrentTime),
                          GrabSuccess);
                XSync(x, False);
                EXPECT_FALSE(screen.WaitForNoWindow(&TestScreen::IsBackgroundFrame, 2))
                    << "the background frame left while the keyboard was only held";
            }
            OtherClient other(screen);
            const bool otherFocused = other.HasFocus(10);
            if (held) {
                XUngrabKeyboard(x, CurrentTime);
                XSync(x, False);
            }
            ASSERT_TRUE(otherFocused);
            if (managed) {
                EXPECT_TRUE(screen.WaitForNoWindow(&TestScreen::IsBackgroundFrame, 10))
                    << "the background frame stays while another program has the focus";
            } else {
                EXPECT_TRUE(screen.WaitForWindow(&TestScreen::IsBackgroundFrame, 10))
                    << "the background frame left the screen with no window manager";
                // The bottom right corner: away from the menu and from the other
                // program's window.
                ASSERT_TRUE(screen.Click(frame.x + frame.width - 20, frame.y + frame.height - 20));
                EXPECT_TRUE(screen.WaitForFocusIn(home.id, 10))
                    << "the home screen has not the keyboard after a click on the frame";
            }
        }
        if (managed) {
            ASSERT_TRUE(screen.ActivateAndWait(frame.id, 10));
        }
        EXPECT_TRUE(screen.WaitForWindow(&TestScreen::IsBackgroundFrame, 10))
            << "the background frame is not back";
        ExpectShown(home, "the home screen after coming back", kHomeLit);
    }
    if (!managed) {
        // The other program ends before the player comes back: the focus falls back to
        // the root window. The keys would reach the window under the pointer, but no
        // window of the game is activated by that, so a click on the frame must still
        // bring the menu back with the keyboard.
        {
            OtherClient other(screen);
            ASSERT_TRUE(other.HasFocus(10));
        }
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(screen.X(), &focus, &revert);
        ASSERT_EQ(focus, DefaultRootWindow(screen.X()));
        ASSERT_TRUE(screen.Click(frame.x + frame.width - 20, frame.y + frame.height - 20));
        EXPECT_TRUE(screen.WaitForFocusIn(home.id, 10))
            << "the home screen has not the keyboard after a click with the focus on the root";
        ExpectShown(home, "the home screen after the other program ended", kHomeLit);
    }
    SaveScreen("back");
    // The player clicks the black around the menu, or the program's task bar entry:
    // the frame gets the focus and the menu stays in front.
    ASSERT_TRUE(screen.ActivateAndWait(frame.id, 10));
    ExpectShown(home, "the home screen after the frame had the focus", kHomeLit);
    SaveScreen("frame");

    // Play: the game window, over the frame, draws the display test and then the galaxy
    // screen; what it draws is what the screen shows.
    screen.Type(home, "Return");
    SeenWindow gameWindow;
    ASSERT_TRUE(screen.WaitForGameWindow(30, &gameWindow));
    ExpectShown(gameWindow, "the game window", 0.002);
    if (managed) {
        EXPECT_TRUE(WaitUntil(
            [&] { return screen.HasWindowState(gameWindow.id, "_NET_WM_STATE_FULLSCREEN"); },
            10))
            << "the game window is not full-screen";
    }
    SaveScreen("game");
    game.Terminate();
    EXPECT_EQ(game.Wait(10), 0);
    EXPECT_EQ(game.Errors(), "");
}

// Another program takes the focus while a screen of the game window is up, and the
// player comes back: the game window opens again in front, with the keyboard. Under a
// window manager through the program's task bar entry (one that prevents focus stealing
// keeps a new window that claims an old last input below the focused one). Without one
// the black background frame stays on the screen around the other program's window, and
// the player comes back by clicking it, or the focus is given back to it.
TEST_P(DesktopTest, ComingBackToTheGameWindowShowsItInFrontWithTheKeyboard) {
    TestScreen& screen = *m_screen;
    const bool managed = WindowManagerAnnounced(screen.X());
    auto confirmSomething = [&] { return ConfirmSomething(ConfigFile()); };
    std::unique_ptr<GameProcess> game;
    SeenWindow home, frame, gameWindow;
    ASSERT_TRUE(StartAtGalaxy(&game, &home, &frame, &gameWindow));
    ExpectShown(gameWindow, "the galaxy screen", 0.01);
    // The player leaves once the program has settled in the window: it has taken a key
    // typed there, so its own requests of the opening (the window presented in front,
    // also by the frame that had the focus a moment before) reached the window manager
    // before the other program's.
    ASSERT_TRUE(confirmSomething()) << "the keys never reached the game window";
    const std::vector<bool> clicks =
        managed ? std::vector<bool>{false} : std::vector<bool>{true, false};
    for (const bool click : clicks) {
        SCOPED_TRACE(managed ? "the task bar entry"
                             : click ? "a click on the frame" : "the focus given back");
        {
            OtherClient other(screen);
            ASSERT_TRUE(other.HasFocus(10));
            EXPECT_TRUE(screen.WaitForNoWindow(
                [&](const SeenWindow& w) { return w.id == gameWindow.id; }, 10))
                << "the game window stays while another program has the focus";
            if (managed) {
                // The other program closes below only once the frame is put away: the
                // player comes back by the task bar entry, not by the focus given back.
                EXPECT_TRUE(screen.WaitUntilMinimised(frame.id, 10))
                    << "the background frame is not minimised while the player is away";
            } else {
                // The frame is still up, and the game window's picture is gone: black
                // all over but for the other program's small window.
                EXPECT_TRUE(screen.WaitForWindow(&TestScreen::IsBackgroundFrame, 10))
                    << "the background frame left the screen";
                EXPECT_TRUE(WaitUntil([&] { return screen.LitShare(frame) < 0.05; }, 10))
                    << screen.LitShare(frame) << " of the screen lit while the player is away";
                SaveScreen(click ? "away_click" : "away_focus");
            }
            // Without a window manager the player comes back while the other program's
            // window is still open: a click away from it, or the focus given to the frame.
            if (click) {
                ASSERT_TRUE(screen.Click(frame.x + frame.width / 2, frame.y + frame.height / 2));
            } else if (!managed) {
                ASSERT_TRUE(screen.ActivateAndWait(frame.id, 10));
            }
            if (!managed) {
                ASSERT_TRUE(screen.WaitForGameWindow(30, &gameWindow))
                    << "the game window is not back";
            }
        }
        if (managed) {
            ASSERT_TRUE(screen.ActivateAndWait(frame.id, 10));
        }
        ASSERT_TRUE(screen.WaitForGameWindow(30, &gameWindow)) << "the game window is not back";
        ExpectShown(gameWindow, "the selection screen after coming back", 0.01);
        SaveScreen(click ? "back_click" : "back_in_game");
        ASSERT_TRUE(screen.WaitForFocusIn(gameWindow.id, 10)) << "the game window has not the keyboard";
        EXPECT_TRUE(confirmSomething()) << "the keys did not reach the game window after coming back";
    }
    game->Terminate();
    EXPECT_EQ(game->Wait(10), 0);
    EXPECT_EQ(game->Errors(), "");
}

// The player goes to another program and comes straight back, at moments across the
// game's leaving: as the other program has the focus, and as the game window has just
// closed (the game then still decides whether the player is away). However soon the
// return, the game window comes back with the keyboard, with no second activation.
// Under a window manager only: without one nothing is minimised, and the player comes
// back by a click on the frame left on the screen (the test above).
class ManagedDesktopTest : public DesktopTest {};

TEST_P(ManagedDesktopTest, AQuickReturnShowsTheGameWindowAgain) {
    TestScreen& screen = *m_screen;
    std::unique_ptr<GameProcess> game;
    SeenWindow home, frame, gameWindow;
    ASSERT_TRUE(StartAtGalaxy(&game, &home, &frame, &gameWindow));
    // Settled in the window (it took a key), as in the test above.
    ASSERT_TRUE(ConfirmSomething(ConfigFile())) << "the keys never reached the game window";
    // A client that withdraws a window tells the window manager so by a made-up unmap
    // sent to the root; between that and the window's next map, an activation of it
    // finds nothing to activate and is lost. The frame is minimised without one.
    TestScreen watcher(m_desktop.Name());
    const Window root = DefaultRootWindow(watcher.X());
    XSelectInput(watcher.X(), root, SubstructureNotifyMask);
    XSync(watcher.X(), False);
    const auto frameWithdrawn = [&] {
        bool withdrawn = false;
        XEvent event;
        while (XCheckTypedWindowEvent(watcher.X(), root, UnmapNotify, &event))
            withdrawn = withdrawn || (event.xunmap.send_event && event.xunmap.window == frame.id);
        return withdrawn;
    };
    OtherClient other(screen);  // activated: the player is away
    ASSERT_TRUE(other.HasFocus(10));
    ASSERT_TRUE(screen.WaitForNoWindow([&](const SeenWindow& w) { return w.id == gameWindow.id; }, 10));
    EXPECT_TRUE(screen.WaitUntilMinimised(frame.id, 10))
        << "the background frame is not minimised while the player is away";
    EXPECT_FALSE(frameWithdrawn()) << "the frame left the window manager's hands as it was minimised";
    ASSERT_TRUE(screen.ActivateAndWait(frame.id, 10));
    ASSERT_TRUE(screen.WaitForGameWindow(30, &gameWindow));
    // The game window may have opened again since it was seen (a return while it was
    // closing).
    const auto gameHasTheKeyboard = [&] {
        return WaitUntil(
            [&] {
                return screen.WaitForGameWindow(0, &gameWindow) &&
                       screen.WaitForFocusIn(gameWindow.id, 0);
            },
            10);
    };
    for (int round = 0; round < 12; ++round) {
        const bool atTheClose = round % 2 == 1;
        SCOPED_TRACE(std::string("round ") + std::to_string(round) +
                     (atTheClose ? ": back as the game window closes" : ": back as the other has the focus"));
        ASSERT_TRUE(gameHasTheKeyboard()) << "the windows:" << ListWindows();
        other.Activate();
        // Back only once the other has the focus: a window manager may drop an activation
        // of the window it still counts as active, not having seen its own focus change.
        ASSERT_TRUE(other.HasFocus(10));
        if (atTheClose) {
            ASSERT_TRUE(screen.WaitForNoWindow(
                [&](const SeenWindow& w) { return w.id == gameWindow.id; }, 10));
        }
        ASSERT_TRUE(screen.ActivateAndWait(frame.id, 10));
        ASSERT_TRUE(screen.WaitForGameWindow(30, &gameWindow))
            << "the game stays away after a quick return; the windows:" << ListWindows();
        // A return that crossed the game's minimising brings the frame back after it.
        EXPECT_TRUE(WaitUntil(
            [&] { return !screen.HasWindowState(frame.id, "_NET_WM_STATE_HIDDEN"); }, 10))
            << "the background frame stays minimised after the return";
    }
    ASSERT_TRUE(gameHasTheKeyboard()) << "the windows:" << ListWindows();

    // Last, a return the window manager handles after the game looked where the focus
    // was and before it handles the minimise. The game is held while the player goes to
    // the other program; then the window manager is held while the player activates the
    // frame and the game goes on; the window manager is let go once the game has asked
    // for the minimise (a client message to the root, which the watcher hears too).
    const auto minimiseAsked = [&] {
        const Atom changeState = XInternAtom(watcher.X(), "WM_CHANGE_STATE", False);
        XEvent event;
        bool asked = false;
        while (XCheckTypedWindowEvent(watcher.X(), frame.id, ClientMessage, &event))
            asked = asked || event.xclient.message_type == changeState;
        return asked;
    };
    minimiseAsked();
    kill(game->Pid(), SIGSTOP);
    other.Activate();
    const bool otherFocused = other.HasFocus(10);
    m_desktop.HoldWindowManager(true);
    screen.Activate(frame.id);
    kill(game->Pid(), SIGCONT);
    ASSERT_TRUE(otherFocused);
    const bool asked = WaitUntil(minimiseAsked, 10);
    m_desktop.HoldWindowManager(false);
    ASSERT_TRUE(asked) << "the game never asked for the minimise";
    ASSERT_TRUE(screen.WaitForGameWindow(30, &gameWindow))
        << "the game stays away after a return before its minimise; the windows:" << ListWindows();
    ASSERT_TRUE(gameHasTheKeyboard()) << "the windows:" << ListWindows();
    game->Terminate();
    EXPECT_EQ(game->Wait(10), 0);
    EXPECT_EQ(game->Errors(), "");
}

const auto kParamName = [](const ::testing::TestParamInfo<const char*>& info) {
    return std::string(info.param);
};
INSTANTIATE_TEST_SUITE_P(WindowManagers, DesktopTest,
                         ::testing::Values("none", "openbox", "metacity", "xfwm4"), kParamName);
INSTANTIATE_TEST_SUITE_P(WindowManagers, ManagedDesktopTest,
                         ::testing::Values("openbox", "metacity", "xfwm4"), kParamName);

}  // namespace

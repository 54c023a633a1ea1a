// The one-planet player, vorpane_play_planet, under no window manager and under each
// of the matrix, on a private headless X server: it opens the game window and plays;
// the player leaves for another program, which then closes (without a window manager
// the focus falls back to the root window), and the game stays paused, its window
// closed and its time stopped, until the player comes back; the close of the game
// window ends it with the time played, the time away left out, and so does SIGTERM;
// Ctrl+C ends it at once, the desktop's mode back. What the toolkit logs meanwhile goes
// to standard error.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "program_support.h"
#include "support/test_support.h"

namespace {

// How long the player stays away once the other program has closed.
constexpr double kAwaySeconds = 10.0;

class PlayPlanetTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_desktop.Ready()) << m_desktop.Problem();
        m_screen.reset(new TestScreen(m_desktop.Name()));
        ASSERT_TRUE(m_screen->Connected());
        mkdir((m_home.Path() + "/.config").c_str(), 0700);
        // The quality chosen by hand: the stored values, no timed test.
        WriteWholeFile(m_home.Path() + "/.config/vorpane.conf",
                       "[Registration]\nEulaVersion=1\n[Display/Quality]\nAutomatic=0\n");
    }

    // The program's window over the whole screen (or its game mode), untitled: the game
    // window.
    bool WaitForGameWindow(double timeoutSeconds, SeenWindow* found = nullptr) {
        const int width = m_gameWidth ? m_gameWidth : m_screen->Width();
        return m_screen->WaitForWindow(
            [&](const SeenWindow& w) {
                return w.instance == "vorpane_play_planet" && w.name.empty() && w.width == width;
            },
            timeoutSeconds, found);
    }
    // The game window with the play drawn in it: the well, the stack and the sky light
    // most of the screen. The program may open a window and make it afresh before play:
    // the one found is the one drawn.
    bool WaitForPlay(double timeoutSeconds, SeenWindow* found) {
        return WaitUntil(
            [&] { return WaitForGameWindow(0, found) && m_screen->LitShare(*found) > 0.5; },
            timeoutSeconds);
    }
    bool WaitForFrame(double timeoutSeconds, SeenWindow* found = nullptr) {
        return m_screen->WaitForWindow(
            [&](const SeenWindow& w) {
                return w.instance == "vorpane_play_planet" && w.name == "Vorpane";
            },
            timeoutSeconds, found);
    }

    PrivateDesktop m_desktop{GetParam()};
    std::unique_ptr<TestScreen> m_screen;
    TempDir m_home;
    int m_gameWidth = 0;  // the configured game mode's; 0: the desktop's
};

TEST_P(PlayPlanetTest, PlaysPausesWhileThePlayerIsAwayAndEndsOnClose) {
    TestScreen& screen = *m_screen;
    const bool managed = WindowManagerAnnounced(screen.X());
    ToolkitLogProbe probe;
    GameProcess game(m_home.Path(), m_desktop.Name(), {"0", "0", "0"}, probe.Environment());
    SeenWindow gameWindow, frame;
    ASSERT_TRUE(WaitForGameWindow(30, &gameWindow)) << "no game window:\n" << game.Errors();
    const Clock::time_point shown = Clock::now();
    ASSERT_TRUE(WaitForFrame(10, &frame)) << "no background frame";
    // The game plays: its picture is what the screen shows, and it has the keyboard.
    ASSERT_TRUE(WaitForPlay(60, &gameWindow)) << "no play on the screen";
    ASSERT_TRUE(screen.WaitForFocusIn(gameWindow.id, 10)) << "the game window has not the keyboard";
    // What the toolkit logs goes to standard error, not to a message box behind the game.
    EXPECT_TRUE(probe.LogToStandardError(game, "the toolkit's message"))
        << "not on standard error: " << game.Errors();

    // The player leaves for another program: the game window closes and the time stops.
    Clock::time_point left;
    {
        OtherClient other(screen);
        ASSERT_TRUE(other.HasFocus(10));
        ASSERT_TRUE(screen.WaitForNoWindow(
            [&](const SeenWindow& w) { return w.id == gameWindow.id; }, 10))
            << "the game window stays while another program has the focus";
        left = Clock::now();
        // The other program closes only once the frame is put away, as a player's would
        // after a while.
        if (managed) {
            ASSERT_TRUE(screen.WaitUntilMinimised(frame.id, 10))
                << "the background frame is not minimised while the player is away";
        }
    }
    // The other program has closed: without a window manager the focus is on the root
    // window now, where the keys would reach the window under the pointer; the player
    // is still away, and the game stays paused all the while.
    if (!managed) {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(screen.X(), &focus, &revert);
        EXPECT_EQ(focus, DefaultRootWindow(screen.X()));
    }
    EXPECT_FALSE(WaitForGameWindow(kAwaySeconds))
        << "the game came back by itself while the player was away";

    // The player comes back: a click on the black frame without a window manager, the
    // task bar entry with one.
    if (managed) {
        ASSERT_TRUE(screen.ActivateAndWait(frame.id, 10));
    } else {
        ASSERT_TRUE(screen.Click(frame.x + frame.width / 2, frame.y + frame.height / 2));
    }
    ASSERT_TRUE(WaitForGameWindow(30, &gameWindow)) << "the game window is not back";
    const Clock::time_point back = Clock::now();
    EXPECT_TRUE(WaitForPlay(30, &gameWindow)) << "the play is not back on the screen";
    EXPECT_TRUE(screen.WaitForFocusIn(gameWindow.id, 10)) << "the game window has not the keyboard";

    // The close box (as the window manager sends it on Alt+F4): the game ends, "quit".
    const Clock::time_point closed = Clock::now();
    SendWindowCloseRequest(screen.X(), gameWindow.id);
    EXPECT_EQ(game.Wait(30), 1) << game.Errors();
    const std::string output = game.Errors();
    const size_t result = output.find("planet 0.0.0: ");
    ASSERT_NE(result, std::string::npos) << output;
    double played = -1;
    ASSERT_EQ(std::sscanf(output.c_str() + result, "planet 0.0.0: quit after %lf s", &played), 1)
        << output;
    // It played, and only while its window was there: the time away (at least
    // kAwaySeconds) does not count. The test sees each change of the window a moment
    // after the game made it, later still on a busy machine.
    EXPECT_GT(played, 0.0) << output;
    const double windowShown = Seconds(left - shown) + Seconds(closed - back);
    EXPECT_LE(played, windowShown + Seconds(back - left) / 2)
        << "played " << played << " s while the window was up " << windowShown << " s of "
        << Seconds(closed - shown) << " s";
}

// SIGTERM (kill, the session ending) ends the play as the close box does, with the
// time played, as it ends the game; Ctrl+C ends it at once. Either way the desktop's
// mode comes back: the tool plays in a mode of its own.
TEST_P(PlayPlanetTest, ASigtermEndsThePlayAsAQuitAndCtrlCAtOnceWithTheModeBack) {
    ASSERT_TRUE(m_desktop.OfferMode(1024, 768));
    WriteWholeFile(m_home.Path() + "/.config/vorpane.conf",
                   "[Registration]\nEulaVersion=1\n[Display]\nGameWidth=1024\nGameHeight=768\n"
                   "[Display/Quality]\nAutomatic=0\n");
    m_gameWidth = 1024;
    for (const int sig : {SIGTERM, SIGINT}) {
        GameProcess game(m_home.Path(), m_desktop.Name(), {"0", "0", "0"});
        SeenWindow gameWindow;
        ASSERT_TRUE(WaitForPlay(60, &gameWindow)) << "no play on the screen:\n" << game.Errors();
        EXPECT_EQ(m_desktop.ModeWidth(), 1024);
        kill(game.Pid(), sig);
        if (sig == SIGTERM) {
            EXPECT_EQ(game.Wait(30), 1) << game.Errors();
            EXPECT_NE(game.Errors().find("planet 0.0.0: quit after "), std::string::npos)
                << game.Errors();
        } else {
            EXPECT_EQ(game.Wait(30), 128 + SIGINT) << game.Errors();
        }
        EXPECT_EQ(m_desktop.ModeWidth(), 1280) << "after signal " << sig;
    }
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, PlayPlanetTest,
                         ::testing::Values("none", "openbox", "metacity", "xfwm4"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

}  // namespace

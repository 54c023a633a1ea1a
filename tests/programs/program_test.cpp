// The vorpane program as a player starts it, in real processes with a private HOME on
// the test X server, driven by real X input (xdotool): the first-start agreement
// declined and accepted, the home screen's Exit, a second start without the agreement,
// a walk into the campaign and back out, every end in a game mode (SIGTERM, Ctrl+C, a
// crash, SIGKILL) with the mode back and no guard left, a broken settings
// file and any locale; the configuration file after each run, and nothing on standard
// error.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>
#include <sys/stat.h>

#include "program_support.h"
#include "support/test_support.h"

namespace {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_screen.Connected());
        m_configFile = m_home.Path() + "/.config/vorpane.conf";
    }

    std::vector<SeenWindow> Windows() { return m_screen.Windows(); }
    template <typename Test>
    bool WaitForWindow(Test test, double timeoutSeconds, SeenWindow* found = nullptr) {
        return m_screen.WaitForWindow(test, timeoutSeconds, found);
    }
    template <typename Test>
    bool WaitForNoWindow(Test test, double timeoutSeconds) {
        return m_screen.WaitForNoWindow(test, timeoutSeconds);
    }
    bool WaitForAgreement(SeenWindow* found) { return m_screen.WaitForAgreement(found); }
    bool WaitForMenu(SeenWindow* found) { return m_screen.WaitForMenu(found); }
    bool WaitForGameWindow(double timeoutSeconds) {
        return m_screen.WaitForGameWindow(timeoutSeconds);
    }
    void Focus(const SeenWindow& window) { m_screen.Focus(window); }
    void Type(const SeenWindow& window, const char* keys) { m_screen.Type(window, keys); }
    void TypeAnywhere(const char* keys) { m_screen.TypeAnywhere(keys); }

    void AcceptAgreementBeforehand() {
        mkdir((m_home.Path() + "/.config").c_str(), 0700);
        WriteWholeFile(m_configFile, "[Registration]\nEulaVersion=1\n");
    }

    // Every window of the program carries its X11 class: instance "vorpane", class
    // "Vorpane".
    void ExpectProgramClassOnEveryWindow() {
        int ours = 0;
        for (const SeenWindow& w : Windows()) {
            if (w.instance != "vorpane" && w.className != "Vorpane") continue;
            ++ours;
            EXPECT_EQ(w.instance, "vorpane") << w.name;
            EXPECT_EQ(w.className, "Vorpane") << w.name;
        }
        EXPECT_GT(ours, 0);
    }

    std::string Config() { return ReadWholeFile(m_configFile); }
    bool ConfigHas(const std::string& line) { return Config().find(line + "\n") != std::string::npos; }

    TestScreen m_screen;
    TempDir m_home;
    std::string m_configFile;
};

TEST_F(ProgramTest, DecliningTheAgreementEndsWithStatus255AndWritesNothing) {
    GameProcess game(m_home.Path());
    SeenWindow agreement;
    ASSERT_TRUE(WaitForAgreement(&agreement));
    EXPECT_EQ(agreement.instance, "vorpane");
    EXPECT_EQ(agreement.className, "Vorpane");
    Type(agreement, "Return");  // Cancel is the default button
    EXPECT_EQ(game.Wait(20), 255);
    EXPECT_EQ(Config(), "");
    EXPECT_EQ(game.Errors(), "");
}

// The whole first acquaintance, as one walk: agree and leave, start again without the
// agreement, play into the campaign and back out.
TEST_F(ProgramTest, AgreeExitRestartPlayIntoTheCampaignAndBackOut) {
    {
        GameProcess game(m_home.Path());
        SeenWindow agreement;
        ASSERT_TRUE(WaitForAgreement(&agreement));
        Type(agreement, "alt+a");
        SeenWindow home;
        ASSERT_TRUE(WaitForMenu(&home)) << "no home screen after agreeing";
        EXPECT_EQ(home.instance, "vorpane");
        EXPECT_TRUE(ConfigHas("EulaVersion=1")) << Config();
        Type(home, "Escape");  // Exit
        EXPECT_EQ(game.Wait(20), 0);
        EXPECT_EQ(game.Errors(), "");
    }
    const std::string afterFirst = Config();
    EXPECT_NE(afterFirst.find("EulaVersion=1"), std::string::npos) << afterFirst;
    EXPECT_EQ(afterFirst.find("[Game"), std::string::npos) << afterFirst;

    GameProcess game(m_home.Path());
    SeenWindow home;
    ASSERT_TRUE(WaitForMenu(&home)) << "no home screen at the second start";
    for (const SeenWindow& w : Windows()) EXPECT_NE(w.name, "License Agreement");
    ExpectProgramClassOnEveryWindow();
    Type(home, "Return");  // Play (it has the focus)
    ASSERT_TRUE(WaitForGameWindow(30));
    ExpectProgramClassOnEveryWindow();
    // The display test, then the galaxy screen in the game window. Enter confirms each
    // selection screen; every confirmation is written at once, so the file shows how far
    // the player got.
    const char* confirmed[] = {"SelectedGalaxy=1", "SelectedSystem=0", "SelectedPlanet1=0"};
    for (const char* line : confirmed) {
        const Clock::time_point start = Clock::now();
        while (!ConfigHas(line) && game.Running() && Seconds(Clock::now() - start) < 60) {
            TypeAnywhere("Return");
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
        }
        ASSERT_TRUE(ConfigHas(line)) << line << " never written:\n" << Config();
    }
    // Escape skips the scenes, pauses the game, aborts it on the pause screen, and then
    // backs out of the planet, system and galaxy screens to the home screen, where it
    // is Exit.
    const Clock::time_point start = Clock::now();
    while (game.Running() && Seconds(Clock::now() - start) < 90) {
        TypeAnywhere("Escape");
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    }
    EXPECT_EQ(game.Wait(10), 0);
    EXPECT_EQ(game.Errors(), "");
    const std::string text = Config();
    EXPECT_NE(text.find("[Game/2]"), std::string::npos) << text;
    EXPECT_EQ(text.find("HighScore"), std::string::npos) << text;      // nothing completed
    EXPECT_EQ(text.find("HighestPlanet"), std::string::npos) << text;
}

// SIGTERM is the player closing the program: from the home screen (a menu waiting for
// input) and from a selection screen, the program ends at once and cleanly.
// On the screens, what the toolkit logs meanwhile goes to standard error: a message box
// would stand behind the game's screen and hold the game until it was answered.
TEST_F(ProgramTest, SigtermEndsTheProgramCleanlyFromTheMenusAndTheScreens) {
    AcceptAgreementBeforehand();
    // SIGTERM ends the game with status 0 and no error, within a second when the machine
    // is not too busy to tell.
    auto terminate = [](GameProcess& game) {
        const Clock::time_point start = Clock::now();
        game.Terminate();
        EXPECT_EQ(game.Wait(10), 0);
        if (MachineHasTimeToSpare()) {
            EXPECT_LT(Seconds(Clock::now() - start), 1.0);
        }
    };
    {
        GameProcess game(m_home.Path());
        SeenWindow home;
        ASSERT_TRUE(WaitForMenu(&home));
        terminate(game);
        EXPECT_EQ(game.Errors(), "");
    }
    ToolkitLogProbe probe;
    GameProcess game(m_home.Path(), "C.UTF-8", "", probe.Environment());
    SeenWindow home, window;
    ASSERT_TRUE(WaitForMenu(&home));
    Type(home, "Return");  // Play
    ASSERT_TRUE(m_screen.WaitForGameWindow(30, &window));
    ASSERT_TRUE(m_screen.WaitUntilShown(window, 30, 0.01));
    EXPECT_TRUE(probe.LogToStandardError(game, "the toolkit's message"))
        << "not on standard error: " << game.Errors();
    terminate(game);
    const std::string errors = game.Errors();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_EQ(Config().find("[Game"), std::string::npos) << Config();
}

// However the program ends in the window of a game mode of its own (SIGTERM as a quit in
// order, Ctrl+C and a crash at once with the signal's own status, SIGKILL), the desktop's
// mode comes back: from the program itself, or from its mode guard, which is gone with
// it.
TEST_F(ProgramTest, EveryEndPutsTheDesktopsModeBackAndLeavesNoGuard) {
    PrivateDesktop desktop("none");
    ASSERT_TRUE(desktop.Ready()) << desktop.Problem();
    ASSERT_TRUE(desktop.OfferMode(1024, 768));
    TestScreen screen(desktop.Name());
    ASSERT_TRUE(screen.Connected());
    mkdir((m_home.Path() + "/.config").c_str(), 0700);
    WriteWholeFile(m_configFile,
                   "[Registration]\nEulaVersion=1\n[Display]\nGameWidth=1024\nGameHeight=768\n"
                   "[Display/Quality]\nAutomatic=0\n");
    // (AddressSanitizer, where the build has it, would take a SIGSEGV for itself.)
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanLeavesSegv =
        "ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":handle_segv=0";
    const struct {
        int sig;
        int status;
        double modeBackSeconds;  // after the end
    } ends[] = {{SIGTERM, 0, 0}, {SIGINT, 128 + SIGINT, 0}, {SIGSEGV, 128 + SIGSEGV, 0},
                {SIGKILL, 128 + SIGKILL, 1}};
    for (const auto& end : ends) {
        SCOPED_TRACE("signal " + std::to_string(end.sig));
        GameProcess game(m_home.Path(), "C.UTF-8", desktop.Name(), {asanLeavesSegv});
        SeenWindow home;
        ASSERT_TRUE(screen.WaitForMenu(&home)) << game.Errors();
        screen.Type(home, "Return");  // Play
        ASSERT_TRUE(screen.WaitForGameWindow(30, nullptr, 1024))
            << "no game window in the game's mode: " << game.Errors();
        EXPECT_EQ(desktop.ModeWidth(), 1024);
        // The guard: in a session of its own, with none of the game's files.
        const pid_t guard = ModeGuardOf(game.Pid());
        ASSERT_GT(guard, 0);
        EXPECT_TRUE(LeadsOwnSession(guard));
        for (const std::string& file : OpenFilesOf(guard))
            EXPECT_TRUE(file == "/dev/null" || file.rfind("socket:", 0) == 0) << file;
        kill(game.Pid(), end.sig);
        EXPECT_EQ(game.Wait(10), end.status) << game.Errors();
        EXPECT_TRUE(WaitUntil([&] { return desktop.ModeWidth() == 1280; }, end.modeBackSeconds));
        EXPECT_TRUE(WaitUntil([&] { return ModeGuardOf(game.Pid()) < 0; }, 5));
    }
}

// Another client taking the focus suspends the session (under a window manager the
// black background frame leaves the screen; without one it stays for the player to
// come back by); the focus coming back to the menu resumes it; twice.
TEST_F(ProgramTest, LeavingTheProgramSuspendsItAndComingBackResumesIt) {
    AcceptAgreementBeforehand();
    GameProcess game(m_home.Path());
    SeenWindow home;
    ASSERT_TRUE(WaitForMenu(&home));
    const auto frameShown = [](const SeenWindow& w) {
        return w.name == "Vorpane" && w.className == "Vorpane";
    };
    ASSERT_TRUE(WaitForWindow(frameShown, 10));
    // The program is the active one: its menu has the focus and is what the screen shows.
    const auto menuActive = [&] {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(m_screen.X(), &focus, &revert);
        return focus == home.id && m_screen.LitShare(home) > 0.4;
    };
    // Twice: every leave suspends, not only the first.
    for (int cycle = 1; cycle <= 2; ++cycle) {
        Focus(home);
        ASSERT_TRUE(WaitUntil(menuActive, 10)) << "cycle " << cycle;
        {
            // Another program's window takes the focus.
            OtherClient other(m_screen);
            ASSERT_TRUE(other.HasFocus(10)) << "cycle " << cycle;
            if (WindowManagerAnnounced(m_screen.X())) {
                EXPECT_TRUE(WaitForNoWindow(frameShown, 10))
                    << "cycle " << cycle << ": still shown while another client has the focus";
            } else {
                EXPECT_TRUE(WaitForWindow(frameShown, 10))
                    << "cycle " << cycle << ": gone with no window manager to come back by";
            }
        }
        Focus(home);
        EXPECT_TRUE(WaitForWindow(frameShown, 10))
            << "cycle " << cycle << ": not shown again when the focus came back";
        EXPECT_TRUE(WaitUntil(menuActive, 10))
            << "cycle " << cycle << ": the menu is not in front with the focus";
    }
    Type(home, "Escape");
    EXPECT_EQ(game.Wait(20), 0);
    EXPECT_EQ(game.Errors(), "");
}

TEST_F(ProgramTest, ABrokenSettingsFileIsReportedAndKeptAndStopsNothing) {
    // Reported on standard error, never in a box that would wait for a click.
    mkdir((m_home.Path() + "/.config").c_str(), 0700);
    WriteWholeFile(m_configFile, "[Control]\nDrop\n[Displ\n");
    GameProcess game(m_home.Path());
    SeenWindow agreement;
    ASSERT_TRUE(WaitForAgreement(&agreement));
    Type(agreement, "Escape");
    EXPECT_EQ(game.Wait(20), 255);
    const std::string errors = game.Errors();
    EXPECT_NE(errors.find("kept as " + m_configFile + ".bad"), std::string::npos) << errors;
    EXPECT_EQ(ReadWholeFile(m_configFile + ".bad"), "[Control]\nDrop\n[Displ\n");
}

TEST_F(ProgramTest, AnyLocaleStartsQuietly) {
    for (const char* lang : {"", "C.UTF-8", "de_DE.UTF-8", "xx_YY"}) {
        SCOPED_TRACE(lang);
        TempDir home;
        GameProcess game(home.Path(), lang);
        SeenWindow agreement;
        ASSERT_TRUE(WaitForAgreement(&agreement));
        Type(agreement, "Escape");
        EXPECT_EQ(game.Wait(20), 255);
        EXPECT_EQ(game.Errors(), "");
    }
}

}  // namespace

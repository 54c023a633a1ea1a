// The vorpane program as a player starts it, in real processes with a private HOME on
// the test X server, driven by real X input (xdotool): the first-start agreement
// declined and accepted, the home screen's Exit, a second start without the agreement,
// a walk into the campaign and back out, SIGTERM, a broken settings file and any
// locale; the configuration file after each run, and nothing on standard error.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_support.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// One run of the program: started with HOME pointing at home, standard error kept.
class GameProcess {
public:
    GameProcess(const std::string& home, const char* lang = "C.UTF-8") : m_errPath(home + "/stderr.txt") {
        m_pid = fork();
        if (m_pid == 0) {
            setenv("HOME", home.c_str(), 1);
            setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
            setenv("LANG", lang, 1);
            const int err = open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(err, 2);
            dup2(err, 1);
            execl(VORPANE_PROGRAM, "vorpane", static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~GameProcess() {
        if (m_pid > 0 && !m_ended) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    // The exit status once the process has ended within timeoutSeconds; -1 when it has
    // not (it is then killed), -2 when a signal ended it.
    int Wait(double timeoutSeconds) {
        const Clock::time_point start = Clock::now();
        while (Running()) {
            if (Seconds(Clock::now() - start) > timeoutSeconds) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, nullptr, 0);
                m_ended = true;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -2;
    }
    bool Running() {
        if (!m_ended && waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_ended = true;
        return !m_ended;
    }
    std::string Errors() const { return ReadWholeFile(m_errPath); }
    void Terminate() { kill(m_pid, SIGTERM); }

private:
    std::string m_errPath;
    pid_t m_pid = -1;
    bool m_ended = false;
    int m_status = 0;
};

// A top-level window of the X server as a player sees it.
struct SeenWindow {
    Window id;
    std::string name;       // WM_NAME
    std::string instance;   // WM_CLASS
    std::string className;
    int width, height;
};

void Collect(Display* display, Window window, std::vector<SeenWindow>* out) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return;
    XClassHint hint = {};
    if (attributes.map_state == IsViewable && XGetClassHint(display, window, &hint)) {
        SeenWindow seen = {window, "", hint.res_name ? hint.res_name : "",
                           hint.res_class ? hint.res_class : "", attributes.width,
                           attributes.height};
        char* name = nullptr;
        if (XFetchName(display, window, &name) && name) {
            seen.name = name;
            XFree(name);
        }
        out->push_back(seen);
    }
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
    for (unsigned i = 0; i < count; ++i) Collect(display, children[i], out);
    if (children) XFree(children);
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_display = WaitForXDisplay();
        ASSERT_NE(m_display, nullptr);
        m_configFile = m_home.Path() + "/.config/vorpane.conf";
    }
    void TearDown() override {
        if (m_display) XCloseDisplay(m_display);
    }

    std::vector<SeenWindow> Windows() {
        std::vector<SeenWindow> out;
        Collect(m_display, DefaultRootWindow(m_display), &out);
        return out;
    }

    // Waits up to timeoutSeconds for a viewable window that passes the test.
    template <typename Test>
    bool WaitForWindow(Test test, double timeoutSeconds, SeenWindow* found = nullptr) {
        const Clock::time_point start = Clock::now();
        while (Seconds(Clock::now() - start) < timeoutSeconds) {
            for (const SeenWindow& w : Windows())
                if (test(w)) {
                    if (found) *found = w;
                    return true;
                }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // Waits up to timeoutSeconds until no viewable window passes the test.
    template <typename Test>
    bool WaitForNoWindow(Test test, double timeoutSeconds) {
        const Clock::time_point start = Clock::now();
        while (Seconds(Clock::now() - start) < timeoutSeconds) {
            bool any = false;
            for (const SeenWindow& w : Windows()) any = any || test(w);
            if (!any) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    bool WaitForAgreement(SeenWindow* found) {
        return WaitForWindow([](const SeenWindow& w) { return w.name == "License Agreement"; },
                             30, found);
    }
    // A menu: the program's borderless, untitled dialog, smaller than the screen.
    bool WaitForMenu(SeenWindow* found) {
        const int screenWidth = DisplayWidth(m_display, DefaultScreen(m_display));
        return WaitForWindow(
            [&](const SeenWindow& w) {
                return w.className == "Vorpane" && w.name.empty() && w.width < screenWidth &&
                       w.width > 100;
            },
            60, found);
    }

    // Real X input: the window takes the keyboard focus, then the keys are typed.
    static void Focus(const SeenWindow& window) {
        const std::string focus =
            "xdotool windowfocus --sync " + std::to_string(window.id) + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(focus.c_str()), 0);
    }
    static void Type(const SeenWindow& window, const char* keys) {
        Focus(window);
        const std::string type = std::string("xdotool key --clearmodifiers ") + keys;
        EXPECT_EQ(std::system(type.c_str()), 0);
    }
    static void TypeAnywhere(const char* keys) {
        const std::string type = std::string("xdotool key --clearmodifiers ") + keys;
        EXPECT_EQ(std::system(type.c_str()), 0);
    }

    // The game window: the program's untitled window over the whole screen.
    bool WaitForGameWindow(double timeoutSeconds) {
        const int screenWidth = DisplayWidth(m_display, DefaultScreen(m_display));
        return WaitForWindow(
            [&](const SeenWindow& w) {
                return w.className == "Vorpane" && w.name.empty() && w.width == screenWidth;
            },
            timeoutSeconds);
    }
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

    TempDir m_home;
    std::string m_configFile;
    Display* m_display = nullptr;
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
TEST_F(ProgramTest, SigtermEndsTheProgramCleanlyFromTheMenusAndTheScreens) {
    AcceptAgreementBeforehand();
    {
        GameProcess game(m_home.Path());
        SeenWindow home;
        ASSERT_TRUE(WaitForMenu(&home));
        const Clock::time_point start = Clock::now();
        game.Terminate();
        EXPECT_EQ(game.Wait(10), 0);
        EXPECT_LT(Seconds(Clock::now() - start), 1.0);
        EXPECT_EQ(game.Errors(), "");
    }
    GameProcess game(m_home.Path());
    SeenWindow home;
    ASSERT_TRUE(WaitForMenu(&home));
    Type(home, "Return");  // Play
    ASSERT_TRUE(WaitForGameWindow(30));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Clock::time_point start = Clock::now();
    game.Terminate();
    EXPECT_EQ(game.Wait(10), 0);
    EXPECT_LT(Seconds(Clock::now() - start), 1.0);
    EXPECT_EQ(game.Errors(), "");
    EXPECT_EQ(Config().find("[Game"), std::string::npos) << Config();
}

// Another client taking the focus suspends the session (the black background frame
// leaves the screen); the focus coming back to the menu resumes it.
TEST_F(ProgramTest, LeavingTheProgramSuspendsItAndComingBackResumesIt) {
    AcceptAgreementBeforehand();
    GameProcess game(m_home.Path());
    SeenWindow home;
    ASSERT_TRUE(WaitForMenu(&home));
    const auto frameShown = [](const SeenWindow& w) {
        return w.name == "Vorpane" && w.className == "Vorpane";
    };
    ASSERT_TRUE(WaitForWindow(frameShown, 10));
    Focus(home);  // the program is the active one
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Another program's window (this test's own) takes the focus.
    const Window other = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 64,
                                             64, 0, 0, 0);
    XMapRaised(m_display, other);
    XSync(m_display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    XSetInputFocus(m_display, other, RevertToParent, CurrentTime);
    XSync(m_display, False);
    EXPECT_TRUE(WaitForNoWindow(frameShown, 10)) << "still shown while another client has the focus";
    XDestroyWindow(m_display, other);
    XSync(m_display, False);
    Focus(home);
    EXPECT_TRUE(WaitForWindow(frameShown, 10)) << "not shown again when the focus came back";
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

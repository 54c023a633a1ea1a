// Display modes and two monitors on the dummy-driver Xorg server: the mode list, a
// mode change and its restore (also when the process ends by exit, internal fault,
// a signal, the window manager's close, or a SIGKILL that only the next start can
// mend), and a window on the second monitor. Skipped, with the reason, where that
// server cannot start.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "dummy_server.h"
#include "platform/pf_clock.h"
#include "platform/pf_displays.h"
#include "support/test_support.h"

namespace {

DummyXServer g_server;
bool g_up = false;
TempDir* g_runtimeDir = nullptr;  // XDG_RUNTIME_DIR of this program and its children
TempDir* g_configDir = nullptr;   // XDG_CONFIG_HOME

class XorgEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_runtimeDir = new TempDir;
        g_configDir = new TempDir;
        setenv("XDG_RUNTIME_DIR", g_runtimeDir->Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", g_configDir->Path().c_str(), 1);
        // The children start with SIGINT and SIGQUIT at their defaults however the tests
        // were started (a shell's background command has them ignored).
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGQUIT, SIG_DFL);
        g_up = g_server.StartWithToolkit("display_xorg_tests");
    }
    void TearDown() override {
        if (wxTheApp) CloseGameWindow();
        g_server.StopWithToolkit();
        delete g_runtimeDir;
        delete g_configDir;
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new XorgEnvironment);

#define REQUIRE_XORG() REQUIRE_DUMMY_XSERVER(g_up, g_server)

uint32_t CurrentWidth(unsigned index) {
    PlatformDisplayMode m = {0, 0, 0, 0};
    PfGetCurrentMode(index, &m);
    return m.width;
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

bool HasMode(const std::vector<PlatformDisplayMode>& modes, uint32_t w, uint32_t h) {
    for (const auto& m : modes)
        if (m.width == w && m.height == h) return true;
    return false;
}

TEST(XorgModes, TheModeListIsTheServers) {
    REQUIRE_XORG();
    auto modes = PfListDisplayModes(0);
    EXPECT_TRUE(HasMode(modes, 1024, 768));
    EXPECT_TRUE(HasMode(modes, 800, 600));
    EXPECT_TRUE(HasMode(modes, 640, 480));
    EXPECT_GT(modes.size(), 3u);
    for (const auto& m : modes) EXPECT_EQ(m.depth, 24u);
    PlatformDisplayMode current;
    ASSERT_TRUE(PfGetCurrentMode(0, &current));
    EXPECT_EQ(current.width, 1024u);
    EXPECT_EQ(current.height, 768u);
    EXPECT_EQ(current.depth, 24u);
    EXPECT_EQ(current.refresh, 60u);
}

TEST(XorgModes, AWindowChangesTheModeAndClosingPutsItBack) {
    REQUIRE_XORG();
    DisplayMode mode = {0, 800, 600, 0};
    ASSERT_TRUE(OpenGameWindow(&mode));
    EXPECT_EQ(GameWindowWidth, 800);
    EXPECT_EQ(GameWindowHeight, 600);
    EXPECT_EQ(GameWindowLeft, 0);
    EXPECT_EQ(CurrentWidth(0), 800u);
    EXPECT_TRUE(PfDisplayModesChanged());
    CloseGameWindow();
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(PfDisplayModesChanged());
}

TEST(XorgModes, AModeTheMonitorLacksFailsCleanly) {
    REQUIRE_XORG();
    EXPECT_FALSE(PfChangeDisplayMode(0, 1234, 567));
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(PfDisplayModesChanged());
    // The window then takes the monitor's real size.
    DisplayMode mode = {0, 1234, 567, 0};
    ASSERT_TRUE(OpenGameWindow(&mode));
    EXPECT_EQ(GameWindowWidth, 1024);
    EXPECT_EQ(GameWindowHeight, 768);
    CloseGameWindow();
}

TEST(XorgModes, AWindowOnTheSecondMonitorStartsAtItsLeftEdge) {
    REQUIRE_XORG();
    ASSERT_EQ(PfCountDisplays(), 2u);
    PlatformRect second;
    ASSERT_TRUE(PfGetDisplayGeometry(1, &second));
    EXPECT_EQ(second.left, 1024);
    EXPECT_EQ(second.width, 800);
    DisplayMode mode = {1, 800, 600, 0};
    ASSERT_TRUE(OpenGameWindow(&mode));
    EXPECT_EQ(GameWindowLeft, 1024);
    EXPECT_EQ(GameWindowTop, 0);
    EXPECT_EQ(GameWindowWidth, 800);
    EXPECT_FALSE(PfDisplayModesChanged());  // already in that mode
    CloseGameWindow();
}

// A child process opens an 800 x 600 window and ends in one of the ways a process
// can end; the mode must be back at 1024 x 768 afterwards.
// before: shell words ahead of the program (variables, a trap). sinceSigterm: the
// seconds from the child's SIGTERM to its end, for the cases that raise one.
int RunChild(const char* how, const char* before = "", double* sinceSigterm = nullptr) {
    std::string command =
        std::string(before) + " " + std::string(VORPANE_MODE_CHILD) + " " + how;
    FILE* child = popen(command.c_str(), "r");
    if (!child) return -1;
    bool sent = false;
    unsigned sentMs = 0;
    char line[128];
    while (std::fgets(line, sizeof line, child))
        sent = std::sscanf(line, "sigterm %u", &sentMs) == 1 || sent;
    int status = pclose(child);
    if (sinceSigterm) *sinceSigterm = sent ? uint32_t(PfReadClockMs() - sentMs) / 1000.0 : -1;
    // A child killed by a signal counts as 128 + the signal, as a shell reports it.
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(XorgModes, TheModeIsPutBackHoweverTheProcessEnds) {
    REQUIRE_XORG();
    EXPECT_EQ(RunChild("exit"), 0);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("fault"), 255);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("sigint"), 130);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("sigterm"), 0);  // a quit the game honours, then a normal exit
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("close"), 0);  // Alt+F4: a quit the game honours the same way
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("sigterm-twice"), 143);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    // A quit never taken ends by the SIGTERM's deadline (a hang is cut off) of 1.5 s;
    // once taken, an orderly end slower than that is let finish.
    double seconds = 0;
    EXPECT_EQ(RunChild("sigterm-stuck", "", &seconds), 143);
    EXPECT_GT(seconds, 0);
    EXPECT_LT(seconds, 5);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("sigterm-slow"), 0);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    // (AddressSanitizer, where the build has it, would take a SIGSEGV for itself.)
    const char* const asanLeavesSegv = "ASAN_OPTIONS=\"$ASAN_OPTIONS:handle_segv=0\"";
    EXPECT_EQ(RunChild("crash 2>/dev/null", asanLeavesSegv), 128 + SIGSEGV);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    // The second thread to crash waits for the first one's work instead of ending the
    // process under it.
    EXPECT_EQ(RunChild("crash-together 2>/dev/null", asanLeavesSegv), 128 + SIGSEGV);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("abort 2>/dev/null"), 128 + SIGABRT);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("sighup"), 128 + SIGHUP);  // the terminal or session closed
    EXPECT_EQ(CurrentWidth(0), 1024u);
    // A signal ignored at the start (nohup, a script's background command) stays
    // ignored, the game's mode with it; a SIGTERM still ends it.
    for (const char* name : {"HUP", "INT", "QUIT"}) {
        EXPECT_EQ(RunChild((std::string("ignored ") + name).c_str(),
                           (std::string("trap '' ") + name + ";").c_str()),
                  0)
            << name;
        EXPECT_EQ(CurrentWidth(0), 1024u);
    }
    EXPECT_EQ(RunChild("sigquit 2>/dev/null"), 128 + SIGQUIT);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("sigquit-raised 2>/dev/null"), 128 + SIGQUIT);  // Ctrl+\ in a terminal
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("sigabrt 2>/dev/null"), 128 + SIGABRT);  // kill -ABRT, for a core
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("sigsegv 2>/dev/null", asanLeavesSegv), 128 + SIGSEGV);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(FileExists(PfDisplayModesFilePath()));
}

// SIGKILL leaves the mode changed, with the desktop's mode in the file; the next
// start puts it back before it takes the current mode as the desktop's.
TEST(XorgModes, AfterAKillTheNextStartPutsTheDesktopsModeBack) {
    REQUIRE_XORG();
    std::string file = PfDisplayModesFilePath();
    EXPECT_EQ(file, g_runtimeDir->Path() + "/vorpane-display-modes");
    EXPECT_EQ(RunChild("kill"), 128 + SIGKILL);
    EXPECT_EQ(CurrentWidth(0), 800u);
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(RunChild("desktop"), 0);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(FileExists(file));

    // Without a usable runtime folder the file is kept in the configuration folder.
    std::string fallback = g_configDir->Path() + "/vorpane-display-modes";
    EXPECT_EQ(RunChild("kill", "XDG_RUNTIME_DIR=relative"), 128 + SIGKILL);
    EXPECT_EQ(CurrentWidth(0), 800u);
    EXPECT_TRUE(FileExists(fallback));
    EXPECT_EQ(RunChild("desktop", "XDG_RUNTIME_DIR="), 0);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(FileExists(fallback));

    // A mode changed since by someone else is theirs: the file goes, the mode stays.
    EXPECT_EQ(RunChild("kill"), 128 + SIGKILL);
    std::string xrandr = "xrandr -d " + g_server.Display() + " --output DUMMY0 --mode ";
    ASSERT_EQ(std::system((xrandr + "640x480").c_str()), 0);
    EXPECT_FALSE(PfRestoreLeftoverDisplayModes());
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(CurrentWidth(0), 640u);
    ASSERT_EQ(std::system((xrandr + "1024x768").c_str()), 0);
}

}  // namespace

// Display modes and two monitors on the dummy-driver Xorg server: the mode list, a
// mode change and its restore (also when the process ends by exit, internal fault,
// a signal, the window manager's close, or a SIGKILL, through the mode guard, and by the
// next start when the guard was killed too), the guard on its own, and a window on the
// second monitor. Skipped, with the reason, where that server cannot start.
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
#include "platform/pf_seams.h"
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

// Waits up to ms for monitor 0 to show a mode of that width.
bool WidthBecomes(uint32_t width, uint32_t ms) {
    const uint32_t start = PfReadClockMs();
    while (CurrentWidth(0) != width) {
        if (PfReadClockMs() - start > ms) return false;
        usleep(10000);
    }
    return true;
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
// before: shell words ahead of the program (variables, a trap). sinceSignal: the
// seconds from the child's signal to its end, for the cases that tell it.
int RunChild(const char* how, const char* before = "", double* sinceSignal = nullptr) {
    std::string command =
        std::string(before) + " " + std::string(VORPANE_MODE_CHILD) + " " + how;
    FILE* child = popen(command.c_str(), "r");
    if (!child) return -1;
    bool sent = false;
    unsigned sentMs = 0;
    char line[128];
    while (std::fgets(line, sizeof line, child))
        sent = std::sscanf(line, "signal %u", &sentMs) == 1 || sent;
    int status = pclose(child);
    if (sinceSignal) *sinceSignal = sent ? uint32_t(PfReadClockMs() - sentMs) / 1000.0 : -1;
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
    // Two threads crashing at once both wait for the guard's answer: the process lives
    // on until the case has seen both waiting.
    double sinceBothWaited = -1;
    EXPECT_EQ(RunChild("crash-together 2>/dev/null", asanLeavesSegv, &sinceBothWaited),
              128 + SIGSEGV);
    EXPECT_GE(sinceBothWaited, 0);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    // A crash or Ctrl+C while the main thread holds the allocator's lock: nothing in the
    // handler may wait for that lock (without the allocator's per-thread cache, every
    // allocation takes it).
    const std::string allocatorLocks =
        std::string(asanLeavesSegv) + " GLIBC_TUNABLES=glibc.malloc.tcache_count=0";
    const struct {
        const char* how;
        int status;
    } allocatorEnds[] = {{"crash-in-allocator", 128 + SIGSEGV},
                         {"sigint-in-allocator", 128 + SIGINT}};
    for (const auto& [how, status] : allocatorEnds) {
        double seconds = -1;
        EXPECT_EQ(RunChild(how, allocatorLocks.c_str(), &seconds), status) << how;
        EXPECT_GE(seconds, 0) << how;
        EXPECT_LT(seconds, 2) << how;
        EXPECT_EQ(CurrentWidth(0), 1024u) << how;
    }
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
    // Nothing of the process runs after SIGKILL: its guard sees it gone.
    EXPECT_EQ(RunChild("kill"), 128 + SIGKILL);
    EXPECT_TRUE(WidthBecomes(1024, 1000));
    EXPECT_FALSE(FileExists(PfDisplayModesFilePath()));
}

// SIGKILL of the game and its guard leaves the mode changed, with the desktop's mode in
// the file; the next start puts it back before it takes the current mode as the
// desktop's.
TEST(XorgModes, AfterAKillTheNextStartPutsTheDesktopsModeBack) {
    REQUIRE_XORG();
    std::string file = PfDisplayModesFilePath();
    EXPECT_EQ(file, g_runtimeDir->Path() + "/vorpane-display-modes");
    EXPECT_EQ(RunChild("kill-with-guard"), 128 + SIGKILL);
    EXPECT_EQ(CurrentWidth(0), 800u);
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(RunChild("desktop"), 0);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(FileExists(file));

    // Without a usable runtime folder the file is kept in the configuration folder.
    std::string fallback = g_configDir->Path() + "/vorpane-display-modes";
    EXPECT_EQ(RunChild("kill-with-guard", "XDG_RUNTIME_DIR=relative"), 128 + SIGKILL);
    EXPECT_EQ(CurrentWidth(0), 800u);
    EXPECT_TRUE(FileExists(fallback));
    EXPECT_EQ(RunChild("desktop", "XDG_RUNTIME_DIR="), 0);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(FileExists(fallback));

    // A mode changed since by someone else is theirs: the file goes, the mode stays.
    EXPECT_EQ(RunChild("kill-with-guard"), 128 + SIGKILL);
    std::string xrandr = "xrandr -d " + g_server.Display() + " --output DUMMY0 --mode ";
    ASSERT_EQ(std::system((xrandr + "640x480").c_str()), 0);
    EXPECT_FALSE(PfRestoreLeftoverDisplayModes());
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(CurrentWidth(0), 640u);
    ASSERT_EQ(std::system((xrandr + "1024x768").c_str()), 0);
}

// The guard program run by hand for the game of that process id on that display, the
// game's end of its socket a pipe: sends ask ("" for nothing), then ends the pipe as the
// game's end would. Its exit status; what it printed in *printed.
int RunGuard(long gamePid, const std::string& display, const char* ask, std::string* printed) {
    TempDir dir;
    const std::string output = dir.Path() + "/printed";
    const std::string command = "exec 3<&0 </dev/null; exec " +
                                std::string(g_pfSeams.modeGuardProgram) + " " +
                                std::to_string(gamePid) + " " + PfDisplayModesFilePath() + " " +
                                display + " >" + output + " 2>&1";
    FILE* game = popen(command.c_str(), "w");
    if (!game) return -1;
    std::fputs(ask, game);
    std::fflush(game);
    const int status = pclose(game);
    *printed = ReadWholeFile(output);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The guard acts only for its own game, on the display the game's file names, and says
// nothing whatever it finds.
TEST(XorgModes, TheGuardPutsBackOnlyItsOwnGamesModesAndSaysNothing) {
    REQUIRE_XORG();
    DisplayMode mode = {0, 800, 600, 0};
    ASSERT_TRUE(OpenGameWindow(&mode));  // this process's file (and guard)
    const std::string file = PfDisplayModesFilePath();
    const std::string written = ReadWholeFile(file);
    ASSERT_FALSE(written.empty());
    const long self = long(getpid());
    const std::string display = g_server.Display();
    std::string printed = "?";
    // Another game's, this live process's: left as it is, asked or at the game's end.
    for (const char* ask : {"R", ""}) {
        EXPECT_EQ(RunGuard(long(getppid()), display, ask, &printed), 0) << ask;
        EXPECT_EQ(printed, "") << ask;
        EXPECT_EQ(CurrentWidth(0), 800u) << ask;
        EXPECT_EQ(ReadWholeFile(file), written) << ask;
    }
    // A garbled file, its own game's as far as it can be read.
    const std::string garbled = written.substr(0, written.find("crtc ")) + "crtc 1 2 three\n";
    WriteWholeFile(file, garbled);
    EXPECT_EQ(RunGuard(self, display, "R", &printed), 0);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(CurrentWidth(0), 800u);
    EXPECT_EQ(ReadWholeFile(file), garbled);
    WriteWholeFile(file, written);
    // Its display gone.
    EXPECT_EQ(RunGuard(self, ":65000", "R", &printed), 0);  // no server there
    EXPECT_EQ(printed, "");
    EXPECT_EQ(CurrentWidth(0), 800u);
    EXPECT_EQ(ReadWholeFile(file), written);
    // Its own game's file on its display: put back, and the file gone.
    EXPECT_EQ(RunGuard(self, display, "R", &printed), 0);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(FileExists(file));
    CloseGameWindow();
    PfRestoreDisplayModes();
}

}  // namespace

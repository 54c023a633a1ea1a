// Display modes and two monitors on the dummy-driver Xorg server: the mode list, a
// mode change and its restore (also when the process ends by exit, internal fault,
// SIGINT or SIGTERM), and a window on the second monitor. Skipped, with the reason,
// where that server cannot start.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "dummy_server.h"
#include "platform/pf_displays.h"

namespace {

DummyXServer g_server;
bool g_up = false;

class XorgEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_up = g_server.StartWithToolkit("display_xorg_tests");
    }
    void TearDown() override {
        if (wxTheApp) {
            CloseGameWindow();
            wxEntryCleanup();
        }
        g_server.Stop();
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new XorgEnvironment);

#define REQUIRE_XORG()                                                                   \
    do {                                                                                 \
        if (!g_up)                                                                       \
            GTEST_SKIP() << "Xorg with the dummy video driver cannot start here: "       \
                         << g_server.Why();                                             \
    } while (0)

uint32_t CurrentWidth(unsigned index) {
    PlatformDisplayMode m = {0, 0, 0, 0};
    GetPlatformCurrentMode(index, &m);
    return m.width;
}

bool HasMode(const std::vector<PlatformDisplayMode>& modes, uint32_t w, uint32_t h) {
    for (const auto& m : modes)
        if (m.width == w && m.height == h) return true;
    return false;
}

TEST(XorgModes, TheModeListIsTheServers) {
    REQUIRE_XORG();
    auto modes = ListPlatformDisplayModes(0);
    EXPECT_TRUE(HasMode(modes, 1024, 768));
    EXPECT_TRUE(HasMode(modes, 800, 600));
    EXPECT_TRUE(HasMode(modes, 640, 480));
    EXPECT_GT(modes.size(), 3u);
    for (const auto& m : modes) EXPECT_EQ(m.depth, 24u);
    PlatformDisplayMode current;
    ASSERT_TRUE(GetPlatformCurrentMode(0, &current));
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
    EXPECT_TRUE(PlatformDisplayModesChanged());
    CloseGameWindow();
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(PlatformDisplayModesChanged());
}

TEST(XorgModes, AModeTheMonitorLacksFailsCleanly) {
    REQUIRE_XORG();
    EXPECT_FALSE(ChangePlatformDisplayMode(0, 1234, 567));
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_FALSE(PlatformDisplayModesChanged());
    // The window then takes the monitor's real size.
    DisplayMode mode = {0, 1234, 567, 0};
    ASSERT_TRUE(OpenGameWindow(&mode));
    EXPECT_EQ(GameWindowWidth, 1024);
    EXPECT_EQ(GameWindowHeight, 768);
    CloseGameWindow();
}

TEST(XorgModes, AWindowOnTheSecondMonitorStartsAtItsLeftEdge) {
    REQUIRE_XORG();
    ASSERT_EQ(CountPlatformDisplays(), 2u);
    PlatformRect second;
    ASSERT_TRUE(GetPlatformDisplayGeometry(1, &second));
    EXPECT_EQ(second.left, 1024);
    EXPECT_EQ(second.width, 800);
    DisplayMode mode = {1, 800, 600, 0};
    ASSERT_TRUE(OpenGameWindow(&mode));
    EXPECT_EQ(GameWindowLeft, 1024);
    EXPECT_EQ(GameWindowTop, 0);
    EXPECT_EQ(GameWindowWidth, 800);
    EXPECT_FALSE(PlatformDisplayModesChanged());  // already in that mode
    CloseGameWindow();
}

// A child process opens an 800 x 600 window and ends in one of the ways a process
// can end; the mode must be back at 1024 x 768 afterwards.
int RunChild(const char* how) {
    std::string command = std::string(VORPANE_MODE_CHILD) + " " + how;
    int status = std::system(command.c_str());
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
    EXPECT_EQ(RunChild("sigterm-twice"), 143);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("crash 2>/dev/null"), 128 + SIGSEGV);
    EXPECT_EQ(CurrentWidth(0), 1024u);
    EXPECT_EQ(RunChild("abort 2>/dev/null"), 128 + SIGABRT);
    EXPECT_EQ(CurrentWidth(0), 1024u);
}

}  // namespace

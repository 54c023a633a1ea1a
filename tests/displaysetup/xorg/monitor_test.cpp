// The choice of monitor, the display area, the background frame over both monitors and
// the display session laid out on the chosen monitor, on the dummy-driver Xorg server
// with two monitors: 1024 x 768 at (0, 0) and 800 x 600 at (1024, 0). Skipped, with
// the reason, where that server cannot start.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/timer.h>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <X11/Xlib.h>

#include "app/app_config.h"
#include "app/app_texture_image.h"
#include "audio/au_thread.h"
#include "audio/game_audio_recorder.h"
#include "display/dp_background_frame.h"
#include "display/dp_command_ids.h"
#include "display/dp_input.h"
#include "display/dp_quality.h"
#include "display/dp_session.h"
#include "display/dp_session_record.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "display/menu_runner.h"
#include "displaysetup/ds_monitor.h"
#include "dummy_server.h"
#include "platform/pf_displays.h"
#include "platform/pf_input.h"
#include "platform/pf_seams.h"
#include "platform/pf_window.h"
#include "support/test_support.h"

namespace {

DummyXServer g_server;
bool g_up = false;
TempDir* g_home = nullptr;

class XorgEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_home = new TempDir;
        setenv("HOME", g_home->Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", g_home->Path().c_str(), 1);
        g_up = g_server.StartWithToolkit("displaysetup_xorg_tests");
        if (!g_up) return;
        wxImage::AddHandler(new wxPNGHandler);
        LoadGameConfig();
    }
    void TearDown() override {
        if (wxTheApp) CloseGameWindow();
        g_server.StopWithToolkit();
        delete g_home;
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new XorgEnvironment);

#define REQUIRE_XORG() REQUIRE_DUMMY_XSERVER(g_up, g_server)

// Plays the player at the "Choose a Display" dialog: drags it to a point, waits until
// the dialog knows its monitor (or a second has gone), then presses OK.
class DialogPlayer : public wxTimer {
public:
    DialogPlayer(int x, int y, int expected) : m_x(x), m_y(y), m_expected(expected) {
        Start(20);
    }
    ~DialogPlayer() override { Stop(); }
    bool seen = false;
    std::string shot;  // a screenshot of the dialog is saved here when set

    void Notify() override {
        CDisplayDialog* dialog = nullptr;
        for (wxWindow* w : wxTopLevelWindows)
            if (auto* d = dynamic_cast<CDisplayDialog*>(w))
                if (d->IsModal()) dialog = d;
        if (!dialog) return;
        if (!seen) {
            seen = true;
            dialog->Move(m_x, m_y);
            return;
        }
        if (dialog->Display() != m_expected && ++m_waits <= 50) return;
        if (!shot.empty()) {
            std::string command = "import -display " + g_server.Display() + " -window root " + shot;
            int ignored = std::system(command.c_str());
            (void)ignored;
        }
        dialog->EndModal(kCommandOk);
    }

private:
    int m_x, m_y, m_expected;
    int m_waits = 0;
};

void StoreDisplay(int32_t index, int32_t left, int32_t top, int32_t width, int32_t height) {
    GameConfig.DisplayIndex = index;
    GameConfig.DisplayLeft = left;
    GameConfig.DisplayTop = top;
    GameConfig.DisplayWidth = width;
    GameConfig.DisplayHeight = height;
    GameConfig.GameWidth = 800;
    GameConfig.GameHeight = 600;
    GameConfig.GameDepth = 24;
}

int32_t StoredKey(const char* key) {
    int32_t value = -12345;
    ReadConfigInt(key, &value, -12345);
    return value;
}

// Runs the window system's events until the condition holds or ten seconds are up.
template <typename Condition>
bool WaitUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        PfDispatchEvents();
        if (condition()) return true;
        usleep(20000);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

// The mean brightness (0..1) of an area of the screen, saved to shot; -1 when it
// could not be read.
double ScreenMean(const std::string& shot, const std::string& area) {
    const std::string take = "import -display " + g_server.Display() + " -window root " + shot;
    if (std::system(take.c_str()) != 0) return -1;
    const std::string mean = "convert " + shot + " -crop " + area + " -format '%[fx:mean]' info:";
    FILE* pipe = popen(mean.c_str(), "r");
    if (!pipe) return -1;
    double value = -1;
    if (std::fscanf(pipe, "%lf", &value) != 1) value = -1;
    pclose(pipe);
    return value;
}

// A white desktop over both monitors, once it shows; null when it never does.
wxFrame* ShowWhiteDesktop() {
    auto* desktop = new wxFrame(nullptr, wxID_ANY, "", wxPoint(0, 0), wxSize(1824, 768),
                                wxBORDER_NONE);
    desktop->SetBackgroundColour(*wxWHITE);
    desktop->Show();
    if (WaitUntil([] { return ScreenMean("desktop.png", "1824x768+0+0") > 0.9; })) return desktop;
    desktop->Destroy();
    return nullptr;
}

TEST(MonitorChoice, TheFirstRunAsksAndStoresTheMonitorTheDialogWasLeftOn) {
    REQUIRE_XORG();
    StoreDisplay(-1, 0, 0, 0, 0);
    DialogPlayer player(1100, 100, 1);
    player.shot = "choose_display.png";
    EXPECT_TRUE(ChooseGameDisplay());
    EXPECT_TRUE(player.seen);
    EXPECT_EQ(GameConfig.DisplayIndex, 1);
    EXPECT_EQ(GameConfig.DisplayLeft, 1024);
    EXPECT_EQ(GameConfig.DisplayTop, 0);
    EXPECT_EQ(GameConfig.DisplayWidth, 800);
    EXPECT_EQ(GameConfig.DisplayHeight, 600);
    // Another monitor than before: its current mode, not the old game mode.
    EXPECT_EQ(GameConfig.GameWidth, 0);
    EXPECT_EQ(StoredKey("/Display/Index"), 1);
    EXPECT_EQ(StoredKey("/Display/Left"), 1024);
    EXPECT_EQ(StoredKey("/Display/Height"), 600);
    EXPECT_EQ(StoredKey("/Display/GameWidth"), 0);
    EXPECT_EQ(StoredKey("/Display/Depth"), 0);
    wxPoint position;
    wxSize size;
    GetDisplayArea(&position, &size);
    EXPECT_EQ(position, wxPoint(1024, 0));
    EXPECT_EQ(size, wxSize(800, 600));
}

TEST(MonitorChoice, AnUnchangedMonitorIsNotAskedForUnlessCtrlIsHeld) {
    REQUIRE_XORG();
    StoreDisplay(1, 1024, 0, 800, 600);
    {
        DialogPlayer player(1100, 100, 1);
        EXPECT_TRUE(ChooseGameDisplay());
        EXPECT_FALSE(player.seen);
        EXPECT_EQ(GameConfig.GameWidth, 800);
    }
    const std::string xdotool = "DISPLAY=" + g_server.Display() + " xdotool ";
    ASSERT_EQ(std::system((xdotool + "keydown ctrl").c_str()), 0);
    {
        // Chosen again: the same monitor keeps its game mode.
        DialogPlayer player(1100, 100, 1);
        EXPECT_TRUE(ChooseGameDisplay());
        EXPECT_TRUE(player.seen);
    }
    ASSERT_EQ(std::system((xdotool + "keyup ctrl").c_str()), 0);
    EXPECT_EQ(GameConfig.DisplayIndex, 1);
    EXPECT_EQ(GameConfig.GameWidth, 800);
    EXPECT_EQ(GameConfig.GameDepth, 24);
}

TEST(MonitorChoice, AMonitorAtAnotherResolutionAsksAndForgetsTheGameMode) {
    REQUIRE_XORG();
    StoreDisplay(1, 1024, 0, 640, 480);  // it was at 640 x 480 when chosen
    DialogPlayer player(1100, 100, 1);
    EXPECT_TRUE(ChooseGameDisplay());
    EXPECT_TRUE(player.seen);
    EXPECT_EQ(GameConfig.DisplayIndex, 1);
    EXPECT_EQ(GameConfig.DisplayWidth, 800);
    EXPECT_EQ(GameConfig.GameWidth, 0);
    EXPECT_EQ(GameConfig.GameHeight, 0);
    EXPECT_EQ(GameConfig.GameDepth, 0);
}

TEST(MonitorChoice, AStoredMonitorThatIsGoneGivesTheFirstMonitorsArea) {
    REQUIRE_XORG();
    StoreDisplay(7, 0, 0, 0, 0);
    wxPoint position;
    wxSize size;
    GetDisplayArea(&position, &size);
    EXPECT_EQ(position, wxPoint(0, 0));
    EXPECT_EQ(size, wxSize(1024, 768));
}

TEST(BackgroundFrame, FadesTheDesktopAndCoversEveryMonitor) {
    REQUIRE_XORG();
    wxFrame* desktop = ShowWhiteDesktop();
    ASSERT_NE(desktop, nullptr);
    auto* frame = new CBackgroundFrame;
    ShowBackgroundFrame(true, frame);
    // The window system settles the frame's place and size asynchronously.
    WaitUntil([&] {
        return frame->GetPosition() == wxPoint(0, 0) && frame->GetClientSize() == wxSize(1824, 768);
    });
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(frame->GetPosition(), wxPoint(0, 0));
    EXPECT_EQ(frame->GetClientSize(), wxSize(1824, 768));
    // Only the frame is left of the fade, over the desktop.
    int frames = 0;
    for (wxWindow* w : wxTopLevelWindows) frames += w->IsShown() && !w->IsBeingDeleted();
    EXPECT_EQ(frames, 2);
    // Both monitors turn black once the frame has painted (the server's root outside
    // them is not looked at).
    EXPECT_TRUE(WaitUntil([] {
        return ScreenMean("background_frame.png", "1824x768+0+0") == 0.0;
    })) << "see background_frame.png";
    frame->Destroy();
    desktop->Destroy();
}

// The fade on a fake clock whose every sleep moves it 10 ms: halfway through, the
// white desktop under the fade shows at the fade's level.
uint32_t g_fadeNow = 0;
double g_midFadeMean = -1;
uint32_t FadeClock() { return g_fadeNow; }
void FadeSleep(uint32_t ms) {
    g_fadeNow += ms == 1 ? 10 : ms;
    if (g_midFadeMean < 0 && g_fadeNow >= 260)
        g_midFadeMean = ScreenMean("mid_fade.png", "1024x768+0+0");
}

TEST(BackgroundFrame, TheFadeDarkensTheDesktopAlongItsCurve) {
    REQUIRE_XORG();
    wxFrame* desktop = ShowWhiteDesktop();
    ASSERT_NE(desktop, nullptr);
    g_pfSeams.readClock = FadeClock;
    g_pfSeams.sleep = FadeSleep;
    FadeDesktopToBlack();
    PfResetSeams();
    // 260 ms in, the level is about 255 x (1 - (262 / 512)^2) = 188 of 255.
    EXPECT_NEAR(g_midFadeMean, 188.0 / 255.0, 0.05);
    EXPECT_EQ(ScreenMean("faded.png", "1024x768+0+0"), 0.0);
    auto* frame = new CBackgroundFrame;
    ShowBackgroundFrame(false, frame);  // no new fade: the first one's frame goes
    frame->Destroy();
    desktop->Destroy();
}

TEST(DisplaySessionOnTwoMonitors, MenusAreLaidOutOnTheChosenMonitorAndTheFrameCoversBoth) {
    REQUIRE_XORG();
    StoreDisplay(1, 1024, 0, 800, 600);
    InstallDisplaySetup();
    AcquireGameDisplay();
    EXPECT_EQ(ScreenArea.left, 1024);
    EXPECT_EQ(ScreenArea.width, 800);
    EXPECT_EQ(ScreenArea.height, 600);
    ASSERT_NE(GetBackgroundFrame(), nullptr);
    EXPECT_EQ(GetBackgroundFrame()->GetClientSize(), wxSize(1824, 768));
    wxPoint position;
    wxSize size;
    RunTestMenu([&](wxDialog* menu) {
        position = menu->GetPosition();
        size = menu->GetSize();
    });
    EXPECT_EQ(position.x, 1024 + (800 - size.x) / 2);
    EXPECT_EQ(position.y, (600 - size.y) / 2);
    // After a deactivation the frame comes back over both monitors, not shrunk.
    SuspendGameDisplay();
    for (int i = 0; i < 10; ++i) PfDispatchEvents();
    ResumeGameDisplay();
    // The window system settles the frame's size asynchronously.
    WaitUntil([] { return GetBackgroundFrame()->GetClientSize() == wxSize(1824, 768); });
    EXPECT_TRUE(GetBackgroundFrame()->IsShown());
    EXPECT_EQ(GetBackgroundFrame()->GetClientSize(), wxSize(1824, 768));
    // The frame stays mapped without a window manager, so the menu's old pixels go
    // only when the frame has painted the area the menu left: wait for that.
    EXPECT_TRUE(WaitUntil([] { return ScreenMean("resumed.png", "1824x768+0+0") == 0.0; }))
        << "the frame left part of the screen unpainted; see resumed.png";
    ReleaseGameDisplay();
    SetDisplaySetupPort(nullptr);
}

TEST(DisplaySessionOnTwoMonitors, LeavingAMenuReopensTheWindowInTheModeLastOpened) {
    REQUIRE_XORG();
    StoreDisplay(0, 0, 0, 1024, 768);
    GameConfig.GameWidth = 0;  // the configured mode: the monitor's own 1024 x 768
    GameConfig.GameHeight = 0;
    AcquireGameDisplay();
    DisplayMode candidate = {0, 800, 600, 0};  // a mode the display test is trying
    ASSERT_TRUE(OpenGameSession(&candidate));
    EXPECT_EQ(GameWindowWidth, 800);
    uint32_t widthDuringMenu = 0;
    RunTestMenu([&](wxDialog*) {
        PlatformDisplayMode m = {0, 0, 0, 0};
        PfGetCurrentMode(0, &m);
        widthDuringMenu = m.width;
    });
    EXPECT_EQ(widthDuringMenu, 1024u);  // the mode is put back while the window is closed
    ASSERT_TRUE(GameWindowExists());
    EXPECT_EQ(GameWindowWidth, 800);
    PlatformDisplayMode m = {0, 0, 0, 0};
    PfGetCurrentMode(0, &m);
    EXPECT_EQ(m.width, 800u);
    CloseGameSession();
    ReleaseGameDisplay();
    PfGetCurrentMode(0, &m);
    EXPECT_EQ(m.width, 1024u);
}

// Under a window manager (openbox on this server): another client takes the focus
// during play, the pump's activation poll suspends the session (the game window
// closes, the frame is minimised, the audio closes); the player brings the frame back
// from the task bar and play goes on in a reopened window with its textures.
pid_t StartWindowManager() {
    const pid_t pid = fork();
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

bool WindowManagerRuns() {
    const char* name = gdk_x11_screen_get_window_manager_name(gdk_screen_get_default());
    return name && std::strcmp(name, "unknown") != 0;
}

int g_waitSleeps = 0;
bool g_frameMinimisedInWait = false;
bool g_windowClosedInWait = true;
bool g_restoredFromTheTaskBar = false;
// The player comes back once the frame is on the task bar (however long the window
// manager takes to put it there), or after 30 s when it never is, for the test to fail
// rather than wait for ever.
void RestoreFromTheTaskBar(uint32_t ms) {
    usleep(ms * 1000);
    if (GetDisplaySession().suspendedCount == 0) return;  // the closing frames
    wxFrame* frame = GetBackgroundFrame();
    g_frameMinimisedInWait = g_frameMinimisedInWait || (frame->IsShown() && frame->IsIconized());
    g_windowClosedInWait = g_windowClosedInWait && !GameWindowExists();
    ++g_waitSleeps;
    if (g_restoredFromTheTaskBar || !(g_frameMinimisedInWait || g_waitSleeps == 3000)) return;
    g_restoredFromTheTaskBar = true;
    const std::string activate = "DISPLAY=" + g_server.Display() + " xdotool windowactivate " +
                                 std::to_string(GDK_WINDOW_XID(gtk_widget_get_window(
                                     frame->GetHandle())));
    int ignored = std::system(activate.c_str());
    (void)ignored;
}

TEST(DisplaySessionUnderAWindowManager, LosingTheFocusSuspendsAndComingBackResumes) {
    REQUIRE_XORG();
    const pid_t manager = StartWindowManager();
    ASSERT_GT(manager, 0);
    if (!WaitUntil(WindowManagerRuns)) {
        kill(manager, SIGTERM);
        waitpid(manager, nullptr, 0);
        GTEST_SKIP() << "openbox did not start";
    }
    StoreDisplay(0, 0, 0, 1024, 768);
    GameConfig.GameWidth = 0;
    GameConfig.GameHeight = 0;
    GameAudioRecorder audio;
    InstallDisplaySetup();
    AcquireGameDisplay();
    ASSERT_TRUE(OpenGameSession(nullptr));
    TextureImage* image = AllocateTextureImage(4, 4);
    GLTexture* texture = MakeTexture(image, true, TextureCategoryForeground,
                                     ActiveTextureFilters());
    const std::string xdotool = "DISPLAY=" + g_server.Display() + " xdotool ";
    ASSERT_EQ(std::system((xdotool + "windowactivate --sync " +
                           std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1")
                              .c_str()),
              0);
    ASSERT_TRUE(WaitUntil(PfIsProgramActive));
    std::vector<uint32_t> codes;
    auto record = [](void* c, uint32_t code, const void*) {
        static_cast<std::vector<uint32_t>*>(c)->push_back(code);
    };
    PumpGameMessages(record, &codes);  // seen active
    ASSERT_TRUE(codes.empty());

    // Another program's window takes the focus.
    ::Display* other = XOpenDisplay(g_server.Display().c_str());
    ASSERT_NE(other, nullptr);
    const Window window = XCreateSimpleWindow(other, DefaultRootWindow(other), 100, 100, 200,
                                              200, 0, 0, 0);
    XMapWindow(other, window);
    XSync(other, False);
    // Mapped once the window manager has taken it in.
    ASSERT_TRUE(WaitUntil([&] {
        XWindowAttributes attributes;
        return XGetWindowAttributes(other, window, &attributes) &&
               attributes.map_state == IsViewable;
    }));
    ASSERT_EQ(std::system((xdotool + "windowactivate --sync " + std::to_string(window) +
                           " >/dev/null 2>&1").c_str()), 0);
    ASSERT_TRUE(WaitUntil([] { return !PfIsProgramActive(); }));
    g_pfSeams.sleep = RestoreFromTheTaskBar;
    PumpGameMessages(record, &codes);
    g_pfSeams.sleep = nullptr;

    EXPECT_TRUE(g_restoredFromTheTaskBar);
    EXPECT_TRUE(g_frameMinimisedInWait);
    EXPECT_TRUE(g_windowClosedInWait);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), uint32_t(GameEventActivated));
    EXPECT_TRUE(GameWindowExists());
    EXPECT_FALSE(GetBackgroundFrame()->IsIconized());
    EXPECT_EQ(RegisteredTextureCount(), 1u);
    EXPECT_EQ(audio.Of(AUDIO_MSG_CLOSE).size(), 1u);
    EXPECT_EQ(audio.Of(AUDIO_MSG_OPEN).size(), 1u);

    XDestroyWindow(other, window);
    XCloseDisplay(other);
    DeleteTexture(texture);
    FreeTextureImage(image);
    CloseGameSession();
    ReleaseGameDisplay();
    SetDisplaySetupPort(nullptr);
    kill(manager, SIGTERM);
    waitpid(manager, nullptr, 0);
}

// The program itself on the two monitors: a SIGTERM while it asks for the monitor
// (before the background frame exists) ends it there, as a quit, instead of taking the
// dialog's end for the player's choice and going on to the home screen.
bool ChooseDisplayDialogShown() {
    const std::string search = "DISPLAY=" + g_server.Display() +
                               " xdotool search --onlyvisible --name '^Choose a Display$'"
                               " >/dev/null 2>&1";
    return std::system(search.c_str()) == 0;
}

TEST(ProgramOnTwoMonitors, ASigtermWhileAskingForTheMonitorEndsTheProgram) {
    REQUIRE_XORG();
    TempDir home;
    mkdir((home.Path() + "/.config").c_str(), 0700);
    WriteWholeFile(home.Path() + "/.config/vorpane.conf", "[Registration]\nEulaVersion=1\n");
    const std::string errors = home.Path() + "/stderr.txt";
    const pid_t game = fork();
    ASSERT_GE(game, 0);
    if (game == 0) {
        setenv("HOME", home.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home.Path() + "/.config").c_str(), 1);
        setenv("DISPLAY", g_server.Display().c_str(), 1);
        const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 1);
        dup2(fd, 2);
        execl(VORPANE_PROGRAM, "vorpane", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Waits up to the seconds given for the game to end; its status, or -1.
    const auto waitForEnd = [game](int seconds) {
        int status = 0;
        for (int i = 0; i < seconds * 50; ++i) {
            if (waitpid(game, &status, WNOHANG) == game)
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            usleep(20000);
        }
        kill(game, SIGKILL);
        waitpid(game, nullptr, 0);
        return -1;
    };
    bool shown = false;
    for (int i = 0; i < 300 && !shown; ++i) {  // up to about a minute on a loaded machine
        shown = ChooseDisplayDialogShown();
        if (!shown) usleep(200000);
    }
    if (!shown) {
        waitForEnd(0);
        FAIL() << "no \"Choose a Display\" dialog: " << ReadWholeFile(errors);
    }
    kill(game, SIGTERM);
    EXPECT_EQ(waitForEnd(20), 0) << "the game went on after the SIGTERM";
    EXPECT_EQ(ReadWholeFile(errors), "");
}

}  // namespace

// What the whole-program tests share: the program as a process, the X server's
// windows as a player sees them, real X input, the screen's pixels, and a private
// headless X server with a chosen window manager.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>
#include <sys/types.h>

#include "support/test_support.h"

// Last: Xlib's macros (None, Bool) would break headers included after it.
#include <X11/Xlib.h>

using Clock = std::chrono::steady_clock;
inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Calls done() every 20 ms until it is true or timeoutSeconds have passed; its last
// answer.
template <typename Done>
bool WaitUntil(Done done, double timeoutSeconds) {
    const Clock::time_point start = Clock::now();
    while (!done()) {
        if (Seconds(Clock::now() - start) > timeoutSeconds) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// One run of the program: started with HOME (and its .config) at home, the locale
// lang, on the X display named display (empty: the inherited DISPLAY); standard output
// and error kept in home/stderr.txt. The destructor kills it if it still runs.
// environment: more variables of the program's ("NAME=value").
class GameProcess {
public:
    explicit GameProcess(const std::string& home, const char* lang = "C.UTF-8",
                         const std::string& display = "",
                         const std::vector<std::string>& environment = {});
    // The one-planet player, vorpane_play_planet, with these arguments (galaxy, system,
    // planet), otherwise started as the game is; what it prints also goes to
    // home/stderr.txt (Errors).
    GameProcess(const std::string& home, const std::string& display,
                const std::vector<std::string>& planetArguments,
                const std::vector<std::string>& environment = {});
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // The exit status once the process has ended within timeoutSeconds, 128 + the
    // signal when a signal ended it (as a shell reports it); -1 when it has not ended
    // (it is then killed).
    int Wait(double timeoutSeconds);
    bool Running();
    std::string Errors() const;
    void Terminate();
    pid_t Pid() const { return m_pid; }

private:
    void Start(const std::string& home, const char* lang, const std::string& display,
               const char* program, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment);

    std::string m_errPath;
    pid_t m_pid = -1;
    bool m_ended = false;
    int m_status = 0;
};

// Has the toolkit of a program started with Environment() log a message while the
// program runs, as the toolkit logs its own failures: a library loaded into the
// program passes each message to the toolkit's log from a thread of its own.
class ToolkitLogProbe {
public:
    ToolkitLogProbe();
    std::vector<std::string> Environment() const;
    // Logs the line; false when the program did not take it within 10 s.
    bool Log(const std::string& line);
    // Logs the line and waits up to 10 s until it is on the program's standard error
    // (Errors); whether it came there.
    bool LogToStandardError(const GameProcess& game, const std::string& line);

private:
    TempDir m_dir;
    std::string m_pipe;
};

// A viewable top-level window of the X server, as a player sees it.
struct SeenWindow {
    Window id = 0;
    std::string name;       // WM_NAME
    std::string instance;   // WM_CLASS
    std::string className;
    int x = 0, y = 0;       // on the root window
    int width = 0, height = 0;
    Window transientFor = 0;  // WM_TRANSIENT_FOR: the window it is a dialog of
};

// One X server as the tests see and drive it: its windows, real input through
// xdotool, and the pixels of the whole screen.
class TestScreen {
public:
    // Connects to the display named name (empty: DISPLAY), waiting for it to answer.
    explicit TestScreen(const std::string& name = "");
    ~TestScreen();
    TestScreen(const TestScreen&) = delete;
    TestScreen& operator=(const TestScreen&) = delete;

    bool Connected() const { return m_display != nullptr; }
    Display* X() const { return m_display; }
    // The display's name as DISPLAY gives it to a program (empty: the inherited one).
    const std::string& Name() const { return m_name; }
    int Width() const;
    int Height() const;

    // Every viewable window with a WM_CLASS, parents before children; windows that
    // vanish while they are listed are left out.
    std::vector<SeenWindow> Windows();
    // Every window, mapped or not, that names the process as its own (_NET_WM_PID), as
    // xdotool search --pid finds them: the toolkit's hidden leader window among them.
    std::vector<Window> WindowsOfProcess(pid_t pid);

    // Waits up to timeoutSeconds for a viewable window that passes the test.
    template <typename Test>
    bool WaitForWindow(Test test, double timeoutSeconds, SeenWindow* found = nullptr) {
        return WaitUntil(
            [&] {
                for (const SeenWindow& w : Windows())
                    if (test(w)) {
                        if (found) *found = w;
                        return true;
                    }
                return false;
            },
            timeoutSeconds);
    }
    // Waits up to timeoutSeconds until no viewable window passes the test.
    template <typename Test>
    bool WaitForNoWindow(Test test, double timeoutSeconds) {
        return WaitUntil(
            [&] {
                for (const SeenWindow& w : Windows())
                    if (test(w)) return false;
                return true;
            },
            timeoutSeconds);
    }

    // The first-start agreement ("License Agreement").
    bool WaitForAgreement(SeenWindow* found, double timeoutSeconds = 30);
    // A menu: the program's borderless, untitled dialog of the background frame, smaller
    // than the screen.
    bool WaitForMenu(SeenWindow* found, double timeoutSeconds = 60);
    // The game window: the program's untitled window over the whole screen, or as wide
    // as width when that is given (a game mode other than the desktop's).
    bool WaitForGameWindow(double timeoutSeconds, SeenWindow* found = nullptr, int width = 0);
    // The background frame: the program's window titled "Vorpane".
    static bool IsBackgroundFrame(const SeenWindow& w);

    // Real X input: the window takes the keyboard focus (xdotool windowfocus, with or
    // without a window manager), then the keys (xdotool key names) are typed.
    void Focus(const SeenWindow& window);
    void Type(const SeenWindow& window, const char* keys);
    void TypeAnywhere(const char* keys);
    // Activates the window as the player's click on it or on its task bar entry would:
    // through the window manager (_NET_ACTIVE_WINDOW) when there is one, else by giving
    // it the focus. The caller waits for what it expects to follow.
    void Activate(Window window);
    // Activates the window (Activate) and waits up to timeoutSeconds until that has been
    // handled: under a window manager until it has answered a request sent after the
    // activation (it handles its requests in order), without one until the window got
    // the focus. What the program does about it may still follow. False on timeout.
    bool ActivateAndWait(Window window, double timeoutSeconds);
    // Waits up to timeoutSeconds until the window manager has handled every request sent
    // before (it answered one sent after them) and the server's clock has moved past its
    // answer. A window manager may still be bringing a window up: its take-focus message,
    // which the program answers with a focus request stamped with the message's time, can
    // cross the player's next activation, and the server takes that stale request when
    // both fall in one millisecond. Past that, the server drops it. True at once without
    // a window manager; false on timeout.
    bool WaitUntilWindowManagerSettled(double timeoutSeconds);
    // Waits up to timeoutSeconds until the keyboard focus is in the window (itself or
    // one of its children: the toolkit focuses a child of its own).
    bool WaitForFocusIn(Window window, double timeoutSeconds);
    // True when the window's _NET_WM_STATE holds the state (e.g.
    // "_NET_WM_STATE_FULLSCREEN"), as the window manager keeps it.
    bool HasWindowState(Window window, const char* state);
    // Waits up to timeoutSeconds until the window manager has minimised the window
    // (_NET_WM_STATE_HIDDEN): the game's frame once the player has left. Until then the
    // frame is the window the window manager gives the focus back to when the program
    // the player went to closes, which is the player coming back.
    bool WaitUntilMinimised(Window window, double timeoutSeconds) {
        return WaitUntil([&] { return HasWindowState(window, "_NET_WM_STATE_HIDDEN"); },
                         timeoutSeconds);
    }
    // Real X input: the pointer moves to (x, y) on the root window and the left button
    // is pressed and let go there. True when xdotool did it.
    bool Click(int x, int y);
    // Runs an xdotool command line on this display; true when it succeeded.
    bool Xdotool(const std::string& arguments);

    // The whole screen as the root window shows it (XGetImage), 0xRRGGBB per pixel, rows
    // top first. False when it cannot be read.
    bool ReadScreen(std::vector<uint32_t>* pixels);
    // The share (0 to 1) of pixels in the window's area of the screen that are not black:
    // a menu on top shows its picture; under another window the area reads black.
    double LitShare(const SeenWindow& window);
    // Waits up to timeoutSeconds until at least minShare of the window's area is lit.
    bool WaitUntilShown(const SeenWindow& window, double timeoutSeconds, double minShare = 0.5);
    // Saves the screen as a PNG (ImageMagick's import); true when written.
    bool SaveScreenshot(const std::string& path);

private:
    std::string m_name;
    Display* m_display = nullptr;
};

// Another program's window on a display, through a connection of its own: created and
// activated (Activate) as a player switching to another program would; the destructor
// closes it.
class OtherClient {
public:
    explicit OtherClient(TestScreen& screen);
    ~OtherClient();
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;
    // Activates the window once the window manager has settled
    // (WaitUntilWindowManagerSettled): the player goes to the other program after the
    // game's windows are up. The constructor does it first. Not waited for.
    void Activate();
    // Waits up to timeoutSeconds until the window has the keyboard focus.
    bool HasFocus(double timeoutSeconds);

private:
    TestScreen m_own;
    Window m_window = 0;
};

// A private headless X server (Xvfb, 1280x1024x24 with RandR, and with OpenGL (GLX)
// unless withOpenGL is false, as on a remote display) on a free display number with a
// window manager on it, both ended by the destructor. windowManager is "none",
// "openbox", "metacity" or "xfwm4". Ready once the server answers and the window
// manager has announced itself on the root (_NET_SUPPORTING_WM_CHECK).
class PrivateDesktop {
public:
    explicit PrivateDesktop(const std::string& windowManager, double timeoutSeconds = 20,
                            bool withOpenGL = true);
    ~PrivateDesktop();
    PrivateDesktop(const PrivateDesktop&) = delete;
    PrivateDesktop& operator=(const PrivateDesktop&) = delete;

    bool Ready() const { return m_ready; }
    // What went wrong when it is not ready.
    const std::string& Problem() const { return m_problem; }
    // The display's name, ":N".
    const std::string& Name() const { return m_name; }
    // What the window manager printed.
    std::string WindowManagerLog() const;
    // Stops the window manager, or lets it go on: meanwhile it handles nothing, and the
    // requests sent to it wait, in order.
    void HoldWindowManager(bool held);
    // Offers the display mode width x height beside the server's own 1280 x 1024, as a
    // monitor lists more than one, so that a program can change to it; true when added.
    bool OfferMode(int width, int height);
    // The width of the mode the display shows now; 0 when it cannot be read.
    int ModeWidth() const;

private:
    bool StartServer(double timeoutSeconds, bool withOpenGL);
    bool StartWindowManager(const std::string& windowManager, double timeoutSeconds);

    TempDir m_dir;  // the window manager's HOME and log
    std::string m_name;
    std::string m_problem;
    pid_t m_server = -1;
    pid_t m_windowManager = -1;
    bool m_ready = false;
};

// The mode guard a game process started (vorpane_mode_guard for that game's process id):
// its process id, or -1 when none runs.
pid_t ModeGuardOf(pid_t game);
// What the process holds open: each descriptor's target ("/dev/null", "socket:[N]", a
// file's path).
std::vector<std::string> OpenFilesOf(pid_t pid);
// True when the process leads a session of its own.
bool LeadsOwnSession(pid_t pid);

// True when the display's root names a live window manager (_NET_SUPPORTING_WM_CHECK
// pointing at a window that names itself the same way).
bool WindowManagerAnnounced(Display* display);

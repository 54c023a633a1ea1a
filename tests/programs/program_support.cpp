// The whole-program tests' shared helpers: the program's process, the X server's
// windows, xdotool input, the screen's pixels and a private Xvfb with a window manager.
#include "program_support.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <functional>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

// Waits up to timeoutSeconds for the child to end; kills it when it does not.
void EndChild(pid_t pid, int signal, double timeoutSeconds) {
    if (pid <= 0) return;
    kill(pid, signal);
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutSeconds)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
}

// Sends the child's standard output and error to the file at path.
void RedirectOutput(const std::string& path) {
    const int out = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0) return;
    dup2(out, 1);
    dup2(out, 2);
    close(out);
}

// Windows come and go while the tests list them: an error about a window (or its
// drawable) that is already gone is expected, any other goes to Xlib's own handler.
XErrorHandler g_previousHandler = nullptr;
int TolerateVanishedWindows(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    return g_previousHandler ? g_previousHandler(display, error) : 0;
}
void InstallErrorHandler() {
    static const bool installed = [] {
        g_previousHandler = XSetErrorHandler(TolerateVanishedWindows);
        return true;
    }();
    (void)installed;
}

void Collect(Display* display, Window window, std::vector<SeenWindow>* out) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return;
    XClassHint hint = {};
    if (attributes.map_state == IsViewable && XGetClassHint(display, window, &hint)) {
        SeenWindow seen;
        seen.id = window;
        seen.instance = hint.res_name ? hint.res_name : "";
        seen.className = hint.res_class ? hint.res_class : "";
        seen.width = attributes.width;
        seen.height = attributes.height;
        Window child;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &seen.x,
                              &seen.y, &child);
        XGetTransientForHint(display, window, &seen.transientFor);
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

// The window's property of that name when it holds one 32-bit value of that type; 0
// otherwise.
unsigned long OneValue(Display* display, Window window, const char* name, Atom wanted) {
    const Atom property = XInternAtom(display, name, False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long value = 0;
    if (XGetWindowProperty(display, window, property, 0, 1, False, wanted, &type, &format,
                           &count, &after, &data) == Success &&
        data && type == wanted && format == 32 && count == 1)
        value = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    return value;
}

// The process named by the window's _NET_WM_PID, or 0.
unsigned long ProcessOf(Display* display, Window window) {
    return OneValue(display, window, "_NET_WM_PID", XA_CARDINAL);
}

void CollectOfProcess(Display* display, Window window, unsigned long pid, std::vector<Window>* out) {
    if (ProcessOf(display, window) == pid) out->push_back(window);
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
    for (unsigned i = 0; i < count; ++i) CollectOfProcess(display, children[i], pid, out);
    if (children) XFree(children);
}

Window SupportingWindow(Display* display, Window window) {
    return static_cast<Window>(OneValue(display, window, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW));
}

}  // namespace

// ---- GameProcess ----

GameProcess::GameProcess(const std::string& home, const char* lang, const std::string& display,
                         const std::vector<std::string>& environment)
    : m_errPath(home + "/stderr.txt") {
    Start(home, lang, display, VORPANE_PROGRAM, {"vorpane"}, environment);
}

GameProcess::GameProcess(const std::string& home, const std::string& display,
                         const std::vector<std::string>& planetArguments,
                         const std::vector<std::string>& environment)
    : m_errPath(home + "/stderr.txt") {
    std::vector<std::string> arguments = {"vorpane_play_planet"};
    arguments.insert(arguments.end(), planetArguments.begin(), planetArguments.end());
    Start(home, "C.UTF-8", display, VORPANE_PLAY_PLANET_PROGRAM, arguments, environment);
}

void GameProcess::Start(const std::string& home, const char* lang, const std::string& display,
                        const char* program, const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        setenv("LANG", lang, 1);
        if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
        for (const std::string& variable : environment) {
            const size_t equals = variable.find('=');
            setenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str(), 1);
        }
        RedirectOutput(m_errPath);
        // As from a terminal, however the tests were started (a shell's background
        // command has SIGINT and SIGQUIT ignored, and the program keeps them so).
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGQUIT, SIG_DFL);
        execv(program, argv.data());
        _exit(127);
    }
}

GameProcess::~GameProcess() {
    if (m_pid > 0 && !m_ended) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

int GameProcess::Wait(double timeoutSeconds) {
    if (!WaitUntil([&] { return !Running(); }, timeoutSeconds)) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_ended = true;
        return -1;
    }
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : 128 + WTERMSIG(m_status);
}

bool GameProcess::Running() {
    if (!m_ended && waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_ended = true;
    return !m_ended;
}

std::string GameProcess::Errors() const { return ReadWholeFile(m_errPath); }

void GameProcess::Terminate() { kill(m_pid, SIGTERM); }

// ---- ToolkitLogProbe ----

ToolkitLogProbe::ToolkitLogProbe() : m_pipe(m_dir.Path() + "/log") {
    mkfifo(m_pipe.c_str(), 0600);
}

std::vector<std::string> ToolkitLogProbe::Environment() const {
    std::vector<std::string> environment = {"LD_PRELOAD=" VORPANE_TOOLKIT_LOG_PROBE,
                                            "VORPANE_TEST_TOOLKIT_LOG=" + m_pipe};
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' runtime is then no longer the first library loaded, as it asks.
    const char* options = std::getenv("ASAN_OPTIONS");
    environment.push_back(std::string("ASAN_OPTIONS=") + (options ? options : "") +
                          ":verify_asan_link_order=0");
#endif
    return environment;
}

bool ToolkitLogProbe::Log(const std::string& line) {
    // The program's end of the pipe is open once it has started.
    int pipe = -1;
    WaitUntil([&] { return (pipe = open(m_pipe.c_str(), O_WRONLY | O_NONBLOCK)) >= 0; }, 10);
    if (pipe < 0) return false;
    const std::string text = line + "\n";
    const bool written = write(pipe, text.data(), text.size()) == ssize_t(text.size());
    close(pipe);
    return written;
}

bool ToolkitLogProbe::LogToStandardError(const GameProcess& game, const std::string& line) {
    return Log(line) &&
           WaitUntil([&] { return game.Errors().find(line) != std::string::npos; }, 10);
}

// ---- TestScreen ----

TestScreen::TestScreen(const std::string& name) : m_name(name) {
    InstallErrorHandler();
    const char* connectTo = name.empty() ? nullptr : name.c_str();
    WaitUntil([&] { return (m_display = XOpenDisplay(connectTo)) != nullptr; }, 10);
}

TestScreen::~TestScreen() {
    if (m_display) XCloseDisplay(m_display);
}

int TestScreen::Width() const { return DisplayWidth(m_display, DefaultScreen(m_display)); }
int TestScreen::Height() const { return DisplayHeight(m_display, DefaultScreen(m_display)); }

std::vector<SeenWindow> TestScreen::Windows() {
    std::vector<SeenWindow> out;
    Collect(m_display, DefaultRootWindow(m_display), &out);
    XSync(m_display, False);
    return out;
}

std::vector<Window> TestScreen::WindowsOfProcess(pid_t pid) {
    std::vector<Window> out;
    CollectOfProcess(m_display, DefaultRootWindow(m_display), static_cast<unsigned long>(pid), &out);
    XSync(m_display, False);
    return out;
}

bool TestScreen::WaitForAgreement(SeenWindow* found, double timeoutSeconds) {
    return WaitForWindow([](const SeenWindow& w) { return w.name == "License Agreement"; },
                         timeoutSeconds, found);
}

bool TestScreen::WaitForMenu(SeenWindow* found, double timeoutSeconds) {
    const int screenWidth = Width();
    return WaitForWindow(
        [&](const SeenWindow& w) {
            return w.className == "Vorpane" && w.name.empty() && w.transientFor != 0 &&
                   w.width < screenWidth && w.width > 100;
        },
        timeoutSeconds, found);
}

bool TestScreen::WaitForGameWindow(double timeoutSeconds, SeenWindow* found, int width) {
    const int wanted = width ? width : Width();
    return WaitForWindow(
        [&](const SeenWindow& w) {
            return w.className == "Vorpane" && w.name.empty() && w.width == wanted;
        },
        timeoutSeconds, found);
}

bool TestScreen::IsBackgroundFrame(const SeenWindow& w) {
    return w.name == "Vorpane" && w.className == "Vorpane";
}

bool TestScreen::Xdotool(const std::string& arguments) {
    std::string command = "xdotool " + arguments + " >/dev/null 2>&1";
    if (!m_name.empty()) command = "DISPLAY=" + m_name + " " + command;
    return std::system(command.c_str()) == 0;
}

void TestScreen::Focus(const SeenWindow& window) {
    Xdotool("windowfocus --sync " + std::to_string(window.id));
}

void TestScreen::Type(const SeenWindow& window, const char* keys) {
    Focus(window);
    TypeAnywhere(keys);
}

void TestScreen::TypeAnywhere(const char* keys) {
    Xdotool(std::string("key --clearmodifiers ") + keys);
}

// The server takes xdotool's motion and button in the order they were sent. No --sync:
// it waits for the pointer to move, which it never does when it is already there.
bool TestScreen::Click(int x, int y) {
    return Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void TestScreen::Activate(Window window) {
    const bool managed = WindowManagerAnnounced(m_display);
    // Not waited for: the program may hand the activation on to another of its windows.
    Xdotool((managed ? "windowactivate " : "windowfocus ") + std::to_string(window));
}

bool TestScreen::WaitForFocusIn(Window window, double timeoutSeconds) {
    Display* x = m_display;
    return WaitUntil(
        [&] {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(x, &focus, &revert);
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            while (focus > PointerRoot && focus != window &&
                   XQueryTree(x, focus, &root, &parent, &children, &count)) {
                if (children) XFree(children);
                if (parent == root) return false;
                focus = parent;
            }
            return focus == window;
        },
        timeoutSeconds);
}

namespace {

// Asks the window manager for the frame extents of a window of ours that is never shown,
// after whatever sendFirst sends, and waits up to timeoutSeconds for the answer: it
// handles its requests in order. The server time of the answer, or 0 without one.
Time AnswerOfWindowManager(Display* x, const std::function<void()>& sendFirst,
                           double timeoutSeconds) {
    const Window root = DefaultRootWindow(x);
    const Window probe = XCreateSimpleWindow(x, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(x, probe, PropertyChangeMask);
    sendFirst();
    XEvent request = {};
    request.xclient.type = ClientMessage;
    request.xclient.window = probe;
    request.xclient.message_type = XInternAtom(x, "_NET_REQUEST_FRAME_EXTENTS", False);
    request.xclient.format = 32;
    XSendEvent(x, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XSync(x, False);
    const Atom extents = XInternAtom(x, "_NET_FRAME_EXTENTS", False);
    Time answered = 0;
    WaitUntil(
        [&] {
            XEvent event;
            while (XCheckTypedWindowEvent(x, probe, PropertyNotify, &event))
                if (event.xproperty.atom == extents) answered = event.xproperty.time;
            return answered != 0;
        },
        timeoutSeconds);
    XDestroyWindow(x, probe);
    XSync(x, False);
    return answered;
}

// The server's clock now: the time of a property change of our own.
Time ServerTime(Display* x) {
    const Window clock = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(x, clock, PropertyChangeMask);
    const Atom name = XInternAtom(x, "VORPANE_TEST_CLOCK", False);
    XChangeProperty(x, clock, name, XA_CARDINAL, 32, PropModeAppend, nullptr, 0);
    XEvent event;
    XWindowEvent(x, clock, PropertyChangeMask, &event);
    XDestroyWindow(x, clock);
    XSync(x, False);
    return event.xproperty.time;
}

}  // namespace

bool TestScreen::ActivateAndWait(Window window, double timeoutSeconds) {
    if (!WindowManagerAnnounced(m_display)) {
        XSelectInput(m_display, window, FocusChangeMask);
        XSync(m_display, False);
        Activate(window);
        const bool focused = WaitUntil(
            [&] {
                XEvent event;
                while (XCheckTypedWindowEvent(m_display, window, FocusIn, &event))
                    if (event.xfocus.detail != NotifyPointer) return true;
                return false;
            },
            timeoutSeconds);
        XSelectInput(m_display, window, NoEventMask);
        XSync(m_display, False);
        return focused;
    }
    return AnswerOfWindowManager(m_display, [&] { Activate(window); }, timeoutSeconds) != 0;
}

bool TestScreen::WaitUntilWindowManagerSettled(double timeoutSeconds) {
    if (!WindowManagerAnnounced(m_display)) return true;
    const Time answered = AnswerOfWindowManager(m_display, [] {}, timeoutSeconds);
    // Compared as a difference: the 32-bit millisecond clock wraps.
    const auto later = [&] {
        return static_cast<int32_t>(static_cast<uint32_t>(ServerTime(m_display)) -
                                    static_cast<uint32_t>(answered)) > 0;
    };
    return answered != 0 && WaitUntil(later, timeoutSeconds);
}

bool TestScreen::HasWindowState(Window window, const char* state) {
    const Atom property = XInternAtom(m_display, "_NET_WM_STATE", False);
    const Atom wanted = XInternAtom(m_display, state, False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(m_display, window, property, 0, 64, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        data && format == 32) {
        const auto* atoms = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i) found = found || atoms[i] == wanted;
    }
    if (data) XFree(data);
    return found;
}

bool TestScreen::ReadScreen(std::vector<uint32_t>* pixels) {
    const int width = Width(), height = Height();
    XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), 0, 0, width, height,
                              AllPlanes, ZPixmap);
    if (!image) return false;
    pixels->resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            (*pixels)[static_cast<size_t>(y) * width + x] =
                static_cast<uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    return true;
}

double TestScreen::LitShare(const SeenWindow& seen) {
    // Where the window is now: a window manager may have moved it since it was listed.
    SeenWindow window = seen;
    XWindowAttributes attributes;
    Window child;
    if (!XGetWindowAttributes(m_display, seen.id, &attributes) ||
        !XTranslateCoordinates(m_display, seen.id, DefaultRootWindow(m_display), 0, 0,
                               &window.x, &window.y, &child))
        return 0;
    window.width = attributes.width;
    window.height = attributes.height;
    std::vector<uint32_t> pixels;
    if (!ReadScreen(&pixels)) return 0;
    const int width = Width(), height = Height();
    long lit = 0, all = 0;
    for (int y = std::max(0, window.y); y < std::min(height, window.y + window.height); ++y)
        for (int x = std::max(0, window.x); x < std::min(width, window.x + window.width); ++x) {
            ++all;
            if (pixels[static_cast<size_t>(y) * width + x] != 0) ++lit;
        }
    return all ? static_cast<double>(lit) / all : 0;
}

bool TestScreen::WaitUntilShown(const SeenWindow& window, double timeoutSeconds,
                                double minShare) {
    return WaitUntil([&] { return LitShare(window) >= minShare; }, timeoutSeconds);
}

bool TestScreen::SaveScreenshot(const std::string& path) {
    std::string command = "import -window root " + path + " >/dev/null 2>&1";
    if (!m_name.empty()) command = "DISPLAY=" + m_name + " " + command;
    return std::system(command.c_str()) == 0;
}

// ---- OtherClient ----

OtherClient::OtherClient(TestScreen& screen) : m_own(screen.Name()) {
    if (!m_own.Connected()) return;
    Display* x = m_own.X();
    m_window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 200, 150, 0, 0, 0xFFFFFF);
    XClassHint hint = {const_cast<char*>("other"), const_cast<char*>("Other")};
    XSetClassHint(x, m_window, &hint);
    XStoreName(x, m_window, "Other");
    XMapRaised(x, m_window);
    XSync(x, False);
    WaitUntil(
        [&] {
            XWindowAttributes attributes;
            return XGetWindowAttributes(x, m_window, &attributes) &&
                   attributes.map_state == IsViewable;
        },
        10);
    Activate();
}

void OtherClient::Activate() {
    if (!m_window) return;
    m_own.WaitUntilWindowManagerSettled(10);
    m_own.Activate(m_window);
}

OtherClient::~OtherClient() {
    if (!m_window) return;
    XDestroyWindow(m_own.X(), m_window);
    XSync(m_own.X(), False);
}

bool OtherClient::HasFocus(double timeoutSeconds) {
    return WaitUntil(
        [&] {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(m_own.X(), &focus, &revert);
            return m_window && focus == m_window;
        },
        timeoutSeconds);
}

// ---- PrivateDesktop ----

bool WindowManagerAnnounced(Display* display) {
    const Window check = SupportingWindow(display, DefaultRootWindow(display));
    if (!check) return false;
    const Window self = SupportingWindow(display, check);
    XSync(display, False);
    return self == check;
}

PrivateDesktop::PrivateDesktop(const std::string& windowManager, double timeoutSeconds,
                               bool withOpenGL) {
    if (!StartServer(timeoutSeconds, withOpenGL)) return;
    if (windowManager != "none" && !StartWindowManager(windowManager, timeoutSeconds)) return;
    m_ready = true;
}

PrivateDesktop::~PrivateDesktop() {
    if (m_windowManager > 0) kill(-m_windowManager, SIGTERM);
    EndChild(m_windowManager, SIGTERM, 5);
    EndChild(m_server, SIGTERM, 5);
}

std::string PrivateDesktop::WindowManagerLog() const {
    return ReadWholeFile(m_dir.Path() + "/wm.log");
}

void PrivateDesktop::HoldWindowManager(bool held) {
    if (m_windowManager > 0) kill(-m_windowManager, held ? SIGSTOP : SIGCONT);
}

bool PrivateDesktop::OfferMode(int width, int height) {
    // Any timing will do: Xvfb shows none of it.
    char mode[128];
    std::snprintf(mode, sizeof mode, "%dx%d 60 %d %d %d %d %d %d %d %d", width, height, width,
                  width + 1, width + 2, width + 3, height, height + 1, height + 2, height + 3);
    const std::string name(mode, std::strchr(mode, ' '));
    const std::string xrandr = "xrandr -d " + m_name + " ";
    return std::system((xrandr + "--newmode " + mode + " >/dev/null 2>&1").c_str()) == 0 &&
           std::system((xrandr + "--addmode screen " + name + " >/dev/null 2>&1").c_str()) == 0;
}

int PrivateDesktop::ModeWidth() const {
    // "screen connected 1024x768+0+0 ..."
    FILE* out = popen(("xrandr -d " + m_name + " --current 2>/dev/null").c_str(), "r");
    if (!out) return 0;
    int width = 0;
    char line[256];
    while (std::fgets(line, sizeof line, out))
        if (std::sscanf(line, "screen connected %d", &width) == 1) break;
    pclose(out);
    return width;
}

bool PrivateDesktop::StartServer(double timeoutSeconds, bool withOpenGL) {
    m_server = StartXServerOnFreeDisplay({"Xvfb", "-screen", "0", "1280x1024x24",
                                          withOpenGL ? "+extension" : "-extension", "GLX",
                                          "+extension", "RANDR", "-noreset", "-nolisten", "tcp"},
                                         m_dir.Path() + "/xvfb.log", timeoutSeconds, &m_name);
    if (m_server > 0) return true;
    m_problem = "Xvfb gave no display number: " + ReadWholeFile(m_dir.Path() + "/xvfb.log");
    return false;
}

bool PrivateDesktop::StartWindowManager(const std::string& windowManager,
                                        double timeoutSeconds) {
    m_windowManager = fork();
    if (m_windowManager > 0) setpgid(m_windowManager, m_windowManager);
    if (m_windowManager == 0) {
        setenv("DISPLAY", m_name.c_str(), 1);
        setenv("HOME", m_dir.Path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_CACHE_HOME");
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        RedirectOutput(m_dir.Path() + "/wm.log");
        setpgid(0, 0);  // ended as a group, with any helper it starts
        // xfwm4 keeps its settings behind a session bus and stops without one: it gets
        // a private bus, as in a desktop session.
        if (windowManager == "xfwm4")
            execlp("dbus-run-session", "dbus-run-session", "--", "xfwm4",
                   static_cast<char*>(nullptr));
        else
            execlp(windowManager.c_str(), windowManager.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    TestScreen screen(m_name);
    if (!screen.Connected()) {
        m_problem = "cannot connect to " + m_name;
        return false;
    }
    if (!WaitUntil([&] { return WindowManagerAnnounced(screen.X()); }, timeoutSeconds)) {
        m_problem = windowManager + " never announced itself: " + WindowManagerLog();
        return false;
    }
    return true;
}

pid_t ModeGuardOf(pid_t game) {
    const std::string wanted = std::string("vorpane_mode_guard") + '\0' + std::to_string(game) + '\0';
    DIR* proc = opendir("/proc");
    if (!proc) return -1;
    pid_t found = -1;
    while (dirent* entry = readdir(proc)) {
        const pid_t pid = pid_t(std::atoi(entry->d_name));
        if (pid <= 0) continue;
        if (ReadWholeFile("/proc/" + std::to_string(pid) + "/cmdline").rfind(wanted, 0) == 0) {
            found = pid;
            break;
        }
    }
    closedir(proc);
    return found;
}

std::vector<std::string> OpenFilesOf(pid_t pid) {
    std::vector<std::string> files;
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* fds = opendir(folder.c_str());
    if (!fds) return files;
    while (dirent* entry = readdir(fds)) {
        if (entry->d_name[0] == '.') continue;
        char target[4096];
        const ssize_t n = readlink((folder + "/" + entry->d_name).c_str(), target, sizeof target);
        if (n > 0) files.emplace_back(target, size_t(n));
    }
    closedir(fds);
    return files;
}

bool LeadsOwnSession(pid_t pid) {
    // "pid (name) state ppid pgrp session ...": the name may hold spaces and brackets.
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t end = stat.rfind(')');
    char state = 0;
    int parent = 0, group = 0, session = 0;
    return end != std::string::npos &&
           std::sscanf(stat.c_str() + end + 1, " %c %d %d %d", &state, &parent, &group,
                       &session) == 4 &&
           session == pid;
}

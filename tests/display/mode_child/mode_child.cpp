// Helper of the Xorg tests: installs the signal handlers at its start as the game does,
// opens the game window at 800 x 600 on monitor 0 (a mode change, which starts the mode
// guard) and ends the process the way argv[1] says: exit, fault, sigint, sigterm
// (honoured as a quit through the pump), close (the window manager's close request on
// the game window, honoured the same way by a pump without a callback), sigterm-twice,
// sigterm-stuck (a SIGTERM the main thread never takes), sigterm-slow (a SIGTERM taken by
// the toolkit's loop, then 3 s to end in order), sighup, sigquit and sigabrt and sigsegv
// (as sent from outside), sigquit-raised (as a terminal's Ctrl+\ arrives: not sent by a
// process), crash, crash-together (the main thread and a second one crashing at once),
// crash-in-allocator and sigint-in-allocator (the main thread holding the allocator's
// lock), abort, kill (SIGKILL, which nothing can catch), kill-with-guard (the guard
// killed first), ignored HUP|INT|QUIT (that signal, which it was started with ignored,
// then a SIGTERM honoured; 70 when it put the mode back). The SIGTERM and allocator
// cases print "signal <ms>", the monotonic clock at the signal, first; crash-together
// prints it when it lets the guard's work go on.
// "desktop" instead opens the window at the desktop's mode and exits 0 when that is
// 1024 x 768.
#include <wx/app.h>
#include <wx/init.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "app/app_fault.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "display/dp_window.h"
#include "platform/pf_clock.h"
#include "platform/pf_displays.h"
#include "platform/pf_input.h"
#include "platform/pf_mode_guard.h"
#include "platform/pf_seams.h"
#include "platform/pf_window.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <gdk/gdkx.h>

namespace {

bool g_quit = false;
void OnEvent(void*, uint32_t code, const void*) {
    if (code == GameEventQuit) g_quit = true;
}

bool g_quitSignalHeard = false;
void OnQuitSignal() { g_quitSignalHeard = true; }

// The time a signal is sent (the monotonic clock, shared with the test), told to the
// test first; without the standard streams, which may allocate.
void TellSignalTime() {
    char line[32];
    const int n = std::snprintf(line, sizeof line, "signal %u\n", unsigned(PfReadClockMs()));
    ssize_t written = write(1, line, size_t(n));
    (void)written;
}

void RaiseTimedSigterm() {
    TellSignalTime();
    std::raise(SIGTERM);
}

// The ordinary end, after a quit.
int EndInOrder() {
    CloseGameWindow();
    wxEntryCleanup();
    return 0;
}

// The SIGTERM's quit taken through the pump, then the ordinary end.
int EndOnSigterm() {
    RaiseTimedSigterm();
    for (int i = 0; i < 100 && !g_quit; ++i) PumpGameMessages(OnEvent, nullptr);
    return g_quit ? EndInOrder() : 67;
}

// An address in the unmapped first page, not null itself: a build with UBSan would end
// at a null store with its own report before the fault happened.
void Crash() {
    volatile uintptr_t nowhere = 64;
    *reinterpret_cast<volatile int*>(nowhere) = 1;
}

// crash-together: a second thread crashes while the main thread's crash waits for the
// mode guard. A server grab of the case's own holds the guard's work until both threads
// wait in their handlers (and ends with the process, should that end first).
char g_mainStatusPath[64];    // the threads' /proc status files
char g_secondStatusPath[64];
std::atomic<bool> g_secondMayCrash{false};
std::atomic<pid_t> g_secondThread{0};

// The thread sleeps inside its SIGSEGV handler: the signal blocked, as it is while its
// handler runs, and the thread sleeping.
bool SleepsInItsSegvHandler(const char* statusPath) {
    char text[2048];
    const int fd = open(statusPath, O_RDONLY);
    if (fd < 0) return false;
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0) return false;
    text[got] = '\0';
    const char* state = std::strstr(text, "State:\t");
    const char* blocked = std::strstr(text, "SigBlk:\t");
    if (!state || !blocked) return false;
    const unsigned long long mask = std::strtoull(blocked + 8, nullptr, 16);
    return state[7] == 'S' && (mask >> (SIGSEGV - 1)) & 1;
}

void WaitUntilInSegvHandler(const char* statusPath) {
    while (!SleepsInItsSegvHandler(statusPath)) usleep(1000);
}

int CrashTogether() {
    Display* holder = XOpenDisplay(nullptr);
    if (!holder) return 71;
    XGrabServer(holder);
    XSync(holder, False);
    std::snprintf(g_mainStatusPath, sizeof g_mainStatusPath, "/proc/self/task/%d/status",
                  int(getpid()));
    std::thread second([] {
        g_secondThread = gettid();
        while (!g_secondMayCrash.load()) usleep(1000);
        Crash();
    });
    while (!g_secondThread.load()) usleep(1000);
    std::snprintf(g_secondStatusPath, sizeof g_secondStatusPath, "/proc/self/task/%d/status",
                  int(g_secondThread.load()));
    std::thread release([holder] {
        WaitUntilInSegvHandler(g_mainStatusPath);
        WaitUntilInSegvHandler(g_secondStatusPath);
        XUngrabServer(holder);
        XFlush(holder);
        TellSignalTime();  // both threads waited for the guard
    });
    g_secondMayCrash = true;
    WaitUntilInSegvHandler(g_secondStatusPath);
    Crash();
    second.join();
    release.join();
    return 68;
}

// crash-in-allocator, sigint-in-allocator: the signal comes while the main thread holds
// the allocator's lock. malloc_stats() prints each arena's figures to stderr while it
// holds that arena's lock; stderr is made a stream of our own whose first write does it.
// (A sanitizer's allocator has no such lock and prints nothing there: the signal then
// comes after.)
void (*g_insideAllocatorLock)() = nullptr;

ssize_t WriteInsideAllocatorLock(void*, const char*, size_t size) {
    if (auto then = std::exchange(g_insideAllocatorLock, nullptr)) then();
    return ssize_t(size);
}

void CrashNow() {
    TellSignalTime();
    Crash();
}

void InterruptNow() {
    TellSignalTime();
    std::raise(SIGINT);
}

int InsideAllocatorLock(void (*then)()) {
    cookie_io_functions_t io = {nullptr, WriteInsideAllocatorLock, nullptr, nullptr};
    FILE* stream = fopencookie(nullptr, "w", io);
    if (!stream) return 71;
    setvbuf(stream, nullptr, _IONBF, 0);
    stderr = stream;
    g_insideAllocatorLock = then;
    malloc_stats();
    if (auto notYet = std::exchange(g_insideAllocatorLock, nullptr)) notYet();
    return 68;
}

// kill-with-guard: nothing is left to put the mode back but the next start.
int KillWithGuard() {
    const pid_t guard = PfModeGuardPid();
    if (guard <= 0 || kill(guard, SIGKILL) != 0 || waitpid(guard, nullptr, 0) != guard) return 71;
    std::raise(SIGKILL);
    return 68;
}

// ignored HUP|INT|QUIT: the signal the child was started with ignored reaches it, the
// way it usually comes (SIGQUIT from another process), and is still ignored.
int Ignored(const char* name) {
    if (!name) return 64;
    if (!std::strcmp(name, "HUP")) std::raise(SIGHUP);
    if (!std::strcmp(name, "INT")) std::raise(SIGINT);
    if (!std::strcmp(name, "QUIT")) kill(getpid(), SIGQUIT);
    PlatformDisplayMode current;
    if (!PfGetCurrentMode(0, &current) || current.width != 800) return 70;
    return EndOnSigterm();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 64;
    g_pfSeams.modeGuardProgram = VORPANE_MODE_GUARD;
    // A way out that never ends the process (a handler run again and again, say) is
    // cut off here, as SIGALRM's 142.
    alarm(15);
    setenv("GDK_BACKEND", "x11", 1);
    int wxArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit()) return 65;
    PfInstallSignalHandlers();
    PfSetQuitSignalHandler(OnQuitSignal);
    const char* how = argv[1];
    if (!std::strcmp(how, "desktop")) {
        DisplayMode desktop = {0, 0, 0, 0};
        if (!OpenGameWindow(&desktop)) return 66;
        bool ok = GameWindowWidth == 1024 && GameWindowHeight == 768;
        CloseGameWindow();
        wxEntryCleanup();
        return ok ? 0 : 69;
    }
    DisplayMode mode = {0, 800, 600, 0};
    if (!OpenGameWindow(&mode) || GameWindowWidth != 800) return 66;
    if (!std::strcmp(how, "exit")) std::exit(0);
    if (!std::strcmp(how, "fault")) {
        try {
            ThrowInternalFault("{6A1C55E0-0D42-4B7B-9F40-2E3B8F0C1D77}");
        } catch (...) {
            ExitOnUnhandledException();
        }
    }
    if (!std::strcmp(how, "sigint")) std::raise(SIGINT);
    if (!std::strcmp(how, "sigterm")) return EndOnSigterm();
    if (!std::strcmp(how, "close")) {
        // What a window manager sends on Alt+F4 or the close box.
        Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
        XEvent event = {};
        event.xclient.type = ClientMessage;
        event.xclient.window = PfGameWindowXid();
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
        XFlush(display);
        for (int i = 0; i < 1000 && !QuitRequested; ++i) {
            PumpGameMessages(nullptr, nullptr);
            usleep(1000);
        }
        return QuitRequested ? EndInOrder() : 67;
    }
    if (!std::strcmp(how, "sigterm-twice")) {
        std::raise(SIGTERM);
        std::raise(SIGTERM);
    }
    if (!std::strcmp(how, "sigterm-stuck")) {
        // The quit is never taken: the main thread is held up elsewhere.
        RaiseTimedSigterm();
        for (;;) pause();
    }
    if (!std::strcmp(how, "sigterm-slow")) {
        // Taken where a modal loop would take it, then an end slowed past the deadline
        // of a quit not taken.
        RaiseTimedSigterm();
        while (!g_quitSignalHeard) g_main_context_iteration(nullptr, TRUE);
        const uint32_t slowFrom = PfReadClockMs();
        while (PfReadClockMs() - slowFrom < 3000) usleep(10000);
        return EndInOrder();
    }
    if (!std::strcmp(how, "ignored")) return Ignored(argv[2]);
    if (!std::strcmp(how, "sighup")) std::raise(SIGHUP);
    if (!std::strcmp(how, "sigquit")) kill(getpid(), SIGQUIT);  // as sent from outside
    if (!std::strcmp(how, "sigquit-raised")) std::raise(SIGQUIT);
    if (!std::strcmp(how, "sigabrt")) kill(getpid(), SIGABRT);
    if (!std::strcmp(how, "sigsegv")) kill(getpid(), SIGSEGV);
    if (!std::strcmp(how, "kill")) std::raise(SIGKILL);
    if (!std::strcmp(how, "crash")) Crash();
    if (!std::strcmp(how, "crash-together")) return CrashTogether();
    if (!std::strcmp(how, "crash-in-allocator")) return InsideAllocatorLock(CrashNow);
    if (!std::strcmp(how, "sigint-in-allocator")) return InsideAllocatorLock(InterruptNow);
    if (!std::strcmp(how, "kill-with-guard")) return KillWithGuard();
    if (!std::strcmp(how, "abort")) std::abort();
    return 68;
}

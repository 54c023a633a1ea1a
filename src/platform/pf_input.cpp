// The queue of input records and the window system's event pump (GTK pumped directly:
// the toolkit's Yield does nothing when nested and its Dispatch skips idle work).
#include "platform/pf_input.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/toplevel.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "platform/pf_mode_guard.h"

// Last: Xlib's macros (None, Bool) would break headers included after it.
#include <gdk/gdkx.h>

namespace {

// A key counted as held: its toolkit code, and the X key code it went down with (0
// when not known).
struct HeldKey {
    int32_t key;
    uint32_t keyCode;
};

std::deque<PlatformInput> g_queue;   // main thread
std::vector<HeldKey> g_heldKeys;     // main thread
std::atomic<int> g_termSignals{0};   // SIGTERMs received, not yet turned into quits
std::atomic<int> g_termSeen{0};      // SIGTERMs ever received
// The quit signal's way into a main loop that is waiting (a menu's, say): the handler
// writes a byte, the main loop's watch reads it and calls the handler of the program.
int g_wakePipe[2] = {-1, -1};
void (*g_quitSignalHandler)() = nullptr;  // main thread

std::vector<HeldKey>::iterator FindHeld(int32_t key) {
    return std::find_if(g_heldKeys.begin(), g_heldKeys.end(),
                        [key](const HeldKey& held) { return held.key == key; });
}

// Counts the key as held; true when it was held already. A key code learnt later
// completes one that was not known.
bool Hold(int32_t key, uint32_t keyCode) {
    auto it = FindHeld(key);
    if (it == g_heldKeys.end()) {
        g_heldKeys.push_back({key, keyCode});
        return false;
    }
    if (it->keyCode == 0) it->keyCode = keyCode;
    return true;
}

// An end at once from a signal handler: only what is safe there, so the changed display
// modes are left to the mode guard.
void PutModesBackAndExit(int code) {
    PfAskModeGuard();
    _exit(code);
}

// A SIGTERM is a quit the game honours in order, but the player (or the session
// ending) expects the game gone at once whatever it is doing. The main thread takes the
// quit within a frame; should it not have taken it after kQuitDeadlineMs (held up in a
// wait, say), the process ends then, as on a second SIGTERM. Once taken, the game's own
// end (which a loaded machine may slow to seconds) has until kOrderlyEndMs. A timer
// sends the deadline's SIGTERM; it is made when the handlers go in, as only arming it
// is safe in a signal handler.
constexpr long kQuitDeadlineMs = 1500;
constexpr long kOrderlyEndMs = 10000;
timer_t g_quitDeadline;
bool g_quitDeadlineMade = false;     // set with the handlers, before any SIGTERM
std::atomic<bool> g_quitTaken{false};  // the main thread took a SIGTERM's quit
std::atomic<bool> g_quitExtended{false};  // the deadline gave way to the orderly end

// Sets the deadline ms from now; 0 turns it off.
void ArmQuitDeadline(long ms) {
    if (!g_quitDeadlineMade) return;
    itimerspec after = {};
    after.it_value.tv_sec = ms / 1000;
    after.it_value.tv_nsec = (ms % 1000) * 1000000L;
    timer_settime(g_quitDeadline, 0, &after, nullptr);
}

void DisarmQuitDeadline() { ArmQuitDeadline(0); }

void OnTerm(int, siginfo_t* info, void*) {
    const bool deadline = info && info->si_code == SI_TIMER;
    if (deadline && g_quitTaken.load() && !g_quitExtended.exchange(true)) {
        ArmQuitDeadline(kOrderlyEndMs - kQuitDeadlineMs);
        return;
    }
    if (deadline || g_termSeen.fetch_add(1) > 0) PutModesBackAndExit(128 + SIGTERM);
    ArmQuitDeadline(kQuitDeadlineMs);
    g_termSignals.fetch_add(1);
    if (g_wakePipe[1] >= 0) {
        const char byte = 1;
        ssize_t ignored = write(g_wakePipe[1], &byte, 1);
        (void)ignored;
    }
}

gboolean OnQuitSignalWake(gint fd, GIOCondition, gpointer) {
    char bytes[16];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
    if (g_quitSignalHandler) {
        g_quitTaken = true;
        g_quitSignalHandler();
    }
    return G_SOURCE_CONTINUE;
}

// SIGINT (Ctrl+C) and SIGHUP (the terminal closed, the session ended) end the game
// at once, as their default would, but with the display put back.
void OnInterrupt(int sig) { PutModesBackAndExit(128 + sig); }

// A crash still puts the display back (through the mode guard), then the previous
// disposition comes back and the fault takes its course (a fault re-runs its
// instruction; abort() raises again), so crash reports and core dumps are unchanged.
// SIGQUIT asks for such an end with a core dump, and so does any of these signals sent
// by another process (kill -ABRT for a core, say): they are raised again below.
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT};
struct sigaction g_previous[sizeof kFatalSignals / sizeof kFatalSignals[0]];

void OnFatal(int sig, siginfo_t* info, void*) {
    PfAskModeGuard();
    for (size_t i = 0; i < sizeof kFatalSignals / sizeof kFatalSignals[0]; ++i)
        if (kFatalSignals[i] == sig) sigaction(sig, &g_previous[i], nullptr);
    // A sent signal is not raised again by itself: send it once more, to arrive when
    // this handler returns. Faults re-run their instruction instead, and abort() raises
    // its own again (raise() and abort() send to the thread, SI_TKILL).
    const bool sent = info && (info->si_code == SI_USER || info->si_code == SI_QUEUE);
    if (sig == SIGQUIT || sent) raise(sig);
}

bool g_signalHandlersInstalled = false;

bool IgnoredAtStart(int sig) {
    struct sigaction current = {};
    return sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

void PfQueueKeyDownInput(int32_t key, bool altDown, uint32_t keyCode) {
    if (altDown) return;
    const bool repeat = Hold(key, keyCode);
    g_queue.push_back({PlatformInputKind::KeyDown, repeat, key, 0, 0});
}

void PfQueueKeyUpInput(int32_t key, bool altDown) {
    auto it = FindHeld(key);
    if (it == g_heldKeys.end()) return;
    g_heldKeys.erase(it);
    if (!altDown) g_queue.push_back({PlatformInputKind::KeyUp, false, key, 0, 0});
}

void PfQueueButtonInput(bool down, int32_t screenX, int32_t screenY) {
    g_queue.push_back({down ? PlatformInputKind::ButtonDown : PlatformInputKind::ButtonUp,
                       false, 0, screenX, screenY});
}

void PfQueueQuitInput() { g_queue.push_back({PlatformInputKind::Quit, false, 0, 0, 0}); }

void PfPostInput(const PlatformInput& input) { g_queue.push_back(input); }

void PfClearHeldKeys() { g_heldKeys.clear(); }

void PfNoteHeldKey(int32_t key, uint32_t keyCode) { Hold(key, keyCode); }

bool PfKeyIsDown(const char keysDown[32], uint32_t keyCode) {
    return keyCode < 256 && ((keysDown[keyCode / 8] >> (keyCode % 8)) & 1);
}

void PfLetGoKeysNotDown(const char keysDown[32]) {
    for (auto it = g_heldKeys.begin(); it != g_heldKeys.end();) {
        const uint32_t code = it->keyCode;
        const bool up = code > 0 && code < 256 && !PfKeyIsDown(keysDown, code);
        if (!up) {
            ++it;
            continue;
        }
        g_queue.push_back({PlatformInputKind::KeyUp, false, it->key, 0, 0});
        it = g_heldKeys.erase(it);
    }
}

void PfClearInput() { g_queue.clear(); }

void PfDispatchEvents() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    if (wxTheApp) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

bool PfTakeInput(PlatformInput* out) {
    if (g_termSignals.load() > 0) {
        g_termSignals.fetch_sub(1);
        g_quitTaken = true;
        *out = {PlatformInputKind::Quit, false, 0, 0, 0};
        return true;
    }
    if (g_queue.empty()) return false;
    *out = g_queue.front();
    g_queue.pop_front();
    return true;
}

bool PfIsProgramActive() {
    for (wxWindow* w : wxTopLevelWindows) {
        auto* top = wxDynamicCast(w, wxTopLevelWindow);
        if (top && top->IsShown() && top->IsActive()) return true;
    }
    return PfKeyboardFocusIsOurs();
}

PfFocusHolder PfKeyboardFocusHolder() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return PfFocusHolder::Elsewhere;
    Display* x = GDK_DISPLAY_XDISPLAY(display);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(x, &focus, &revert);
    // PointerRoot (no window manager, the focus follows the pointer) is left to the
    // toolkit's answer.
    if (focus == None || focus == PointerRoot) return PfFocusHolder::Elsewhere;
    if (focus == DefaultRootWindow(x)) return PfFocusHolder::Root;
    // Every window the toolkit made for us, its hidden focus window included, is known
    // to it by its id.
    return gdk_x11_window_lookup_for_display(display, focus) != nullptr ? PfFocusHolder::OwnWindow
                                                                       : PfFocusHolder::Elsewhere;
}

bool PfKeyboardFocusIsOurs() { return PfKeyboardFocusHolder() != PfFocusHolder::Elsewhere; }

bool PfIsProgramFocused() { return PfKeyboardFocusHolder() == PfFocusHolder::OwnWindow; }

void PfInstallSignalHandlers() {
    // Once: a second install would take these handlers for the dispositions a crash
    // goes back to, and the crash would run its handler again for ever.
    if (g_signalHandlersInstalled) return;
    g_signalHandlersInstalled = true;
    struct sigaction term = {};
    term.sa_sigaction = OnTerm;
    sigemptyset(&term.sa_mask);
    term.sa_flags = SA_SIGINFO | SA_RESTART;  // as std::signal would
    sigaction(SIGTERM, &term, nullptr);
    // A signal the game was started with ignored (under nohup, as a script's background
    // command, after trap '') was meant not to reach it: it stays ignored.
    if (!IgnoredAtStart(SIGINT)) std::signal(SIGINT, OnInterrupt);
    if (!IgnoredAtStart(SIGHUP)) std::signal(SIGHUP, OnInterrupt);
    sigevent deadline = {};
    deadline.sigev_notify = SIGEV_SIGNAL;
    deadline.sigev_signo = SIGTERM;
    g_quitDeadlineMade = timer_create(CLOCK_MONOTONIC, &deadline, &g_quitDeadline) == 0;
    // On its way out through exit() the program has ended in order: what is left (the
    // libraries' own ends, a sanitizer's leak check) is not cut short.
    if (g_quitDeadlineMade) std::atexit(DisarmQuitDeadline);
    for (size_t i = 0; i < sizeof kFatalSignals / sizeof kFatalSignals[0]; ++i) {
        if (kFatalSignals[i] == SIGQUIT && IgnoredAtStart(SIGQUIT)) continue;
        struct sigaction action = {};
        action.sa_sigaction = OnFatal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_ONSTACK | SA_SIGINFO;
        sigaction(kFatalSignals[i], &action, &g_previous[i]);
    }
}

void PfForgetQuitSignals() {
    DisarmQuitDeadline();
    g_termSignals = 0;
    g_termSeen = 0;
    g_quitTaken = false;
    g_quitExtended = false;
}

void PfSetQuitSignalHandler(void (*handler)()) {
    g_quitSignalHandler = handler;
    if (!handler || g_wakePipe[0] >= 0) return;
    if (pipe2(g_wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        g_wakePipe[0] = g_wakePipe[1] = -1;
        return;
    }
    g_unix_fd_add(g_wakePipe[0], G_IO_IN, OnQuitSignalWake, nullptr);
}

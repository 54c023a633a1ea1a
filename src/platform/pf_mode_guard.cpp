// The mode guard: started and asked from the game, and run in the guard program.
#include "platform/pf_mode_guard.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/pf_modes_file.h"

extern char** environ;

namespace {

// The game's end of the socket (-1: no guard), read by signal handlers on any thread.
std::atomic<int> g_guardSocket{-1};
pid_t g_guardPid = -1;  // main thread

constexpr long kAnswerWaitMs = 2000;
// The guard's own bound on its work, once woken.
constexpr unsigned kGiveUpSeconds = 60;

// The real clock, not the platform's: that one may be a test's fake that never moves.
long MonotonicMs() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return long(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The guard's descriptors: its end of the socket as 3, its standard streams on
// /dev/null (a caller reading the game's output sees its end with the game's), nothing
// else of the game's. Its own session, every signal at its default and none blocked.
bool Spawn(const char* program, const char* modesFile, const char* display, int guardEnd,
           pid_t* pid) {
    char gamePid[24];
    std::snprintf(gamePid, sizeof gamePid, "%ld", long(getpid()));
    char* const argv[] = {const_cast<char*>("vorpane_mode_guard"), gamePid,
                          const_cast<char*>(modesFile), const_cast<char*>(display), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, guardEnd, 3);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 4);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int failed = posix_spawn(pid, program, &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    errno = failed;
    return failed == 0;
}

// In the guard.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }
int EndQuietly(Display*) { _exit(0); }

void PutBack(Display* d, long gamePid, const char* modesFile) {
    PfModesFile file;
    bool garbled = false;
    if (!PfReadModesFile(modesFile, &file, &garbled)) return;
    if (file.pid != gamePid || file.display != DisplayString(d)) return;  // not its game's
    PfPutBackModes(d, file);
    unlink(modesFile);
}

}  // namespace

bool PfStartModeGuard(const char* program, const char* modesFile, const char* display) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    pid_t pid = -1;
    const bool started = Spawn(program, modesFile, display, ends[1], &pid);
    const int error = errno;
    close(ends[1]);
    if (!started) {
        close(ends[0]);
        errno = error;
        return false;
    }
    g_guardPid = pid;
    g_guardSocket = ends[0];
    return true;
}

void PfAskModeGuard() {
    const int fd = g_guardSocket.load();
    if (fd < 0) return;
    const char ask = 'R';
    if (send(fd, &ask, 1, MSG_NOSIGNAL) != 1) return;  // the guard has gone
    // Not read: every thread asking sees the one answer, and the end after it.
    const long start = MonotonicMs();
    for (long left = kAnswerWaitMs; left > 0; left = kAnswerWaitMs - (MonotonicMs() - start)) {
        pollfd p = {fd, POLLIN, 0};
        const int n = poll(&p, 1, int(left));
        if (n > 0 || (n < 0 && errno != EINTR)) return;
    }
}

pid_t PfModeGuardPid() { return g_guardPid; }

int PfRunModeGuard(int fd, long gamePid, const char* modesFile, const char* display) {
    // The terminal's keys cannot reach it (its own session), and a session's end or a
    // pkill of the game's name, which reach the game too, must not end it first: its
    // game's end ends it.
    for (int sig : {SIGINT, SIGHUP, SIGQUIT, SIGTERM, SIGPIPE}) signal(sig, SIG_IGN);
    char asked = 0;
    ssize_t n;
    do n = read(fd, &asked, 1);
    while (n < 0 && errno == EINTR);
    // Asked, or the socket's end: either way the game is ending or has ended. The server
    // is only reached now, so that nothing it does can keep the guard from its game's
    // end; and not for ever: a server held longer by another client's grab, or gone
    // without closing the connection, is given up (SIGALRM ends the guard).
    alarm(kGiveUpSeconds);
    XSetErrorHandler(IgnoreXError);
    XSetIOErrorHandler(EndQuietly);  // the server gone: nothing left to put back
    Display* d = XOpenDisplay(display);
    if (d) PutBack(d, gamePid, modesFile);
    if (n == 1) {
        const char done = 'D';
        ssize_t ignored = write(fd, &done, 1);
        (void)ignored;
    }
    if (d) XCloseDisplay(d);
    return 0;
}

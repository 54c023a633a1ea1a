// The mode guard: a small process of its own (the program vorpane_mode_guard) that puts
// back the monitors a game changed when the game cannot. A signal handler cannot talk to
// the X server (Xlib and the allocator take locks the interrupted thread may hold), and
// after SIGKILL nothing of the game runs at all; the guard can.
//
// The game starts it at its first mode change. It has its own session (the terminal's
// keys and hangup do not reach it), and of the game's files only one end of a socket.
// When the game asks through the socket, or the socket reaches its end (the game has
// gone, however it ended), the guard opens its own X connection, puts back what the
// game's display modes file records, removes the file, answers and exits. A file another
// game wrote, or a file it cannot read, or no X server: it does nothing and exits,
// silently; a server that does not answer within 60 s is given up. A game that ends
// normally has put its modes back itself, so its guard finds no file.
#pragma once

#include <sys/types.h>

// Starts the guard program for this process's modes file (path) on the X display of that
// name; once per process. False when it could not start.
bool PfStartModeGuard(const char* program, const char* modesFile, const char* display);

// Asks the guard to put the modes back now and waits up to 2 s for its answer (the
// server may be held by another client's grab: the guard then finishes after this
// process has gone). Safe in a signal handler; nothing when no guard runs.
void PfAskModeGuard();

// The guard's process id, or -1 when none was started.
pid_t PfModeGuardPid();

// The guard's whole work, in the guard program: fd is its end of the game's socket.
// Returns the program's exit status (0).
int PfRunModeGuard(int fd, long gamePid, const char* modesFile, const char* display);

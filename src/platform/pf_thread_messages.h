// Thread message queues and threads with a timed join: the part of the Windows thread
// services (PostThreadMessage, GetMessage, CreateThread, WaitForSingleObject) that the
// audio thread and the audio devices talk through.
//
// A thread receives messages only once it has made its queue; posting to a thread
// without one fails, so a sender can probe whether a new thread is ready. Any number of
// threads may post; only the owning thread reads its queue.
#pragma once

#include <cstdint>
#include <functional>
#include <thread>

using PfThreadId = uint32_t;  // 0 is never a thread

struct PfThreadMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// The message that makes PfGetThreadMessage return false (WM_QUIT).
constexpr uint32_t PF_MSG_QUIT = 0x0012;

// The calling thread's id, the same for the thread's whole life.
PfThreadId PfCurrentThreadId();

// Makes the calling thread's queue (nothing when it has one). The queue goes away with
// the thread, or earlier with PfDestroyThreadQueue; messages still in it are dropped.
void PfCreateThreadQueue();
void PfDestroyThreadQueue();

// Appends a message to that thread's queue. False when the thread has no queue.
bool PfPostThreadMessage(PfThreadId thread, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Waits for the next message of the calling thread (making its queue when needed).
// False when the message is PF_MSG_QUIT.
bool PfGetThreadMessage(PfThreadMessage* out);

// Takes the next message when there is one within timeoutMs (0: do not wait).
bool PfPeekThreadMessage(PfThreadMessage* out, uint32_t timeoutMs = 0);

// A thread whose end can be awaited with a time limit.
struct PfThread;

// Every thread the game makes is named "vorpane-<role>" where it is made, so the
// game's own threads can be told from the libraries' (in /proc/<pid>/task/*/comm).
constexpr char kPfThreadNamePrefix[] = "vorpane-";
// Names a thread just made; the kernel keeps the first 15 characters of the name.
void PfNameThread(std::thread& thread, const char* role);

// Starts proc on a new thread named after role; its id is known before it runs (it
// has no queue yet). Null when the thread cannot be created.
PfThread* PfCreateThread(std::function<int()> proc, PfThreadId* id, const char* role = "thread");

// Asks for a priority above normal (a lower nice value). Linux gives that only to
// privileged processes; otherwise the thread keeps its priority and this says false
// (or true while the thread has not started yet). The audio thread works either way.
bool PfRaiseThreadPriority(PfThread* thread);

// True when the thread has ended within timeoutMs.
bool PfWaitForThread(PfThread* thread, uint32_t timeoutMs);

// Lets go of the handle: joins a thread that has ended, detaches one still running
// (it then cleans up after itself), never leaves a joinable thread behind.
void PfCloseThread(PfThread* thread);

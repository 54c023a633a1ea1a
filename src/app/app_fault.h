// Internal faults: a broken invariant of the program itself (an empty random range,
// an unbalanced sizer stack, a pool removal past the end). Each is thrown as one
// exception type carrying a constant GUID string, one GUID per fault; nothing in the
// game catches them. The top of the program reports them and ends the process.
#pragma once

#include <exception>

class InternalFault : public std::exception {
public:
    explicit InternalFault(const char* guid) : m_guid(guid) {}
    const char* what() const noexcept override { return m_guid; }
    const char* Guid() const { return m_guid; }

private:
    const char* m_guid;  // a string constant, "{XXXXXXXX-...}"
};

[[noreturn]] void ThrowInternalFault(const char* guid);

// Work that must run however the program ends itself, even on an internal fault
// (putting a changed display mode back, say). Hooks run last registered first, once.
// Never from a signal handler: they may take locks and allocate.
using EmergencyHook = void (*)();
void AddEmergencyHook(EmergencyHook hook);
void RunEmergencyHooks();

// Reports the internal fault with this GUID on standard error, runs the emergency hooks
// and ends the process with exit code -1, without unwinding: for the places that must
// not throw (destructors).
[[noreturn]] void ExitOnInternalFault(const char* guid);

// Reports the exception in flight (an internal fault with its GUID) on standard
// error, runs the emergency hooks and ends the process with exit code -1. Call it
// only from inside a catch block.
[[noreturn]] void ExitOnUnhandledException();

// Sends the toolkit's log messages to standard error for the rest of the process, so
// that none ever opens a message box (which would wait for a click, unattended). Every
// program's main calls it first, and again once the toolkit has started: the start
// drops the target for one of its own, which shows message boxes.
void SendToolkitLogToStderr();

// Installs the assert handler the game runs with: failed toolkit checks are written
// to standard error instead of opening a box that would stop a headless run.
void InstallLoggingAssertHandler();

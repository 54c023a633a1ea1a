// Throwing and reporting internal faults.
#include "app/app_fault.h"
#include "app/app_check.h"

#include <wx/debug.h>
#include <wx/log.h>
#include <wx/string.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

void LogAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
               const wxString& msg) {
    std::fprintf(stderr, "vorpane: assertion \"%s\" failed in %s (%s:%d): %s\n",
                 static_cast<const char*>(cond.utf8_str()),
                 static_cast<const char*>(func.utf8_str()),
                 static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(msg.utf8_str()));
}

constexpr int kMaxHooks = 16;
EmergencyHook g_hooks[kMaxHooks];
std::atomic<int> g_hookCount{0};
std::atomic<bool> g_hooksRan{false};

}  // namespace

void ThrowInternalFault(const char* guid) { throw InternalFault(guid); }

void FailCheck(const char* message, const char* file, int line) {
    std::fprintf(stderr, "vorpane: check failed: %s (%s:%d)\n", message, file, line);
    std::fflush(stderr);
    RunEmergencyHooks();
    std::abort();
}

void SendToolkitLogToStderr() { delete wxLog::SetActiveTarget(new wxLogStderr); }

void InstallLoggingAssertHandler() { wxSetAssertHandler(LogAssert); }

void AddEmergencyHook(EmergencyHook hook) {
    int n = g_hookCount.load();
    if (n >= kMaxHooks) return;  // should not happen: a handful of users
    g_hooks[n] = hook;
    g_hookCount.store(n + 1);
}

void RunEmergencyHooks() {
    if (g_hooksRan.exchange(true)) return;
    for (int i = g_hookCount.load() - 1; i >= 0; --i) g_hooks[i]();
}

void ExitOnInternalFault(const char* guid) {
    std::fprintf(stderr, "vorpane: internal fault %s\n", guid);
    std::fflush(stderr);
    RunEmergencyHooks();
    std::_Exit(-1);
}

void ExitOnUnhandledException() {
    try {
        throw;
    } catch (const InternalFault& fault) {
        ExitOnInternalFault(fault.Guid());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorpane: unhandled exception: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "vorpane: unhandled exception\n");
    }
    std::fflush(stderr);
    RunEmergencyHooks();
    std::_Exit(-1);
}

// The main of every test program: a watchdog so no test can hang a headless run, the
// toolkit's log on standard error, a toolkit assert handler that fails the test instead
// of modal boxes, death tests run as fresh programs, no session bus launched, and a
// fresh run state around every test.
#include <gtest/gtest.h>
#include <wx/debug.h>
#include <wx/string.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "app/app_fault.h"
#include "support/run_state.h"

namespace {

void OnWatchdog(int) {
    const char msg[] = "test watchdog: the test program ran too long; aborting\n";
    ssize_t ignored = write(2, msg, sizeof msg - 1);
    (void)ignored;
    _exit(3);
}

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE() << "toolkit assertion \"" << cond.utf8_str() << "\" in " << func.utf8_str()
                  << " (" << file.utf8_str() << ":" << line << "): " << msg.utf8_str();
}

// Every test starts from, and leaves, a fresh program's run state.
class RunStateListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { ResetRunState(); }
    void OnTestEnd(const ::testing::TestInfo&) override { ResetRunState(); }
};

}  // namespace

int main(int argc, char** argv) {
    setenv("GDK_BACKEND", "x11", 1);
    // Without a session bus, the first D-Bus client in a process (SDL's audio start, GTK's
    // accessibility) forks to launch one. Under the sanitizers that child can hang for good
    // on an allocator lock another thread held at the fork, and it outlives the test. Our
    // programs need no bus: an address that fails at once stops any launch, here and in
    // every program the tests start.
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    // Well above any single program's CTest timeout; a last resort when run by hand.
    const char* limit = std::getenv("VORPANE_TEST_WATCHDOG_SECONDS");
    unsigned seconds = limit ? static_cast<unsigned>(std::atoi(limit)) : 900;
    std::signal(SIGALRM, OnWatchdog);
    alarm(seconds);
    SendToolkitLogToStderr();
    wxSetAssertHandler(FailOnAssert);
    // Our programs run worker threads (the texture pool's among them). A death test that
    // only forks could copy a lock a worker held at that instant into a child that then
    // waits on it forever; the thread-safe style runs the child as a fresh program.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new RunStateListener);
    return RUN_ALL_TESTS();
}

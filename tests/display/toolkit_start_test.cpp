// How the test programs start the toolkit, on an X server of the test's own that resets
// whenever its last client leaves (Xvfb without -noreset): every start must find the
// server, however the start meets the server's resets.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_support.h"

namespace {

// Xvfb on a free display number, without -noreset; stopped by the destructor.
class ResettingServer {
public:
    ResettingServer() {
        m_pid = StartXServerOnFreeDisplay({"Xvfb", "-screen", "0", "640x480x24", "-nolisten", "tcp"},
                                          "", 30, &m_display);
    }
    ~ResettingServer() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        int status;
        waitpid(m_pid, &status, 0);
    }
    const std::string& DisplayName() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

// Each start is a process of its own (the toolkit starts once per process) and the only
// client of the server, which resets as soon as the start before it has ended.
TEST(ToolkitStart, EveryStartFindsAServerThatResetsWhenItsLastClientLeaves) {
    ResettingServer server;
    ASSERT_FALSE(server.DisplayName().empty()) << "Xvfb did not start";
    constexpr int kStarts = 12;
    int failed = 0;
    for (int i = 0; i < kStarts; ++i) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("DISPLAY", server.DisplayName().c_str(), 1);
            static char name[] = "toolkit_start";
            static char* argv[] = {name, nullptr};
            int argc = 1;
            _exit(StartToolkitOnXDisplay(argc, argv) == nullptr ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failed;
    }
    EXPECT_EQ(failed, 0) << "of " << kStarts << " starts";
}

}  // namespace

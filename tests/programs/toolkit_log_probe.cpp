// Loaded into a program under test (LD_PRELOAD): has the toolkit log, as an error, each
// line written to the pipe that VORPANE_TEST_TOOLKIT_LOG names, from a thread of its
// own, as the toolkit logs its own failures while the program runs.
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

void LogEveryLine(const std::string& pipe) {
    // Opening waits until the test opens the pipe to write.
    FILE* lines = std::fopen(pipe.c_str(), "r");
    if (!lines) return;
    char line[256];
    while (std::fgets(line, sizeof line, lines)) {
        line[std::strcspn(line, "\n")] = '\0';
        wxLogError("%s", line);
    }
    std::fclose(lines);
}

struct Probe {
    Probe() {
        const char* pipe = std::getenv("VORPANE_TEST_TOOLKIT_LOG");
        if (pipe && *pipe) std::thread(LogEveryLine, std::string(pipe)).detach();
    }
};
const Probe g_probe;

}  // namespace

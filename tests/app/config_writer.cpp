// The child of the settings crash test: loads the settings and writes one key over
// and over, each value one more than the last, printing each value on standard output
// once its write has returned. It runs until it is killed, pausing the given number of
// microseconds after each write (none when not given), as a game between its saves.
//
//   app_config_writer <key> <machine-wide file> [pause]
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/app_fault.h"
#include "app/app_config.h"

int main(int argc, char** argv) {
    SendToolkitLogToStderr();
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: app_config_writer <key> <machine-wide file> [pause]\n");
        return 2;
    }
    wxInitializer toolkit;
    if (!toolkit.IsOk()) return 3;
    LoadGameConfigWithGlobalFile(argv[2]);
    int32_t value = 0;
    ReadConfigInt(argv[1], &value, 0);
    for (;;) {
        ++value;
        WriteConfigInt(argv[1], value);
        const std::string line = std::to_string(value) + "\n";
        if (write(1, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 4;
        if (argc == 4) usleep(static_cast<useconds_t>(std::atoi(argv[3])));
    }
}

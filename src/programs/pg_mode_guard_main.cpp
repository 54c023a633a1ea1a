// vorpane_mode_guard: the game's mode guard (platform/pf_mode_guard.h). The game starts
// it with its own process id, its display modes file and its X display, and one end of
// a socket as descriptor 3; anything else, run by hand say, ends it at once.
#include <sys/stat.h>

#include <cstdlib>

#include "platform/pf_mode_guard.h"

int main(int argc, char** argv) {
    struct stat guardEnd = {};
    if (argc != 4 || fstat(3, &guardEnd) != 0) return 2;
    char* end = nullptr;
    const long gamePid = std::strtol(argv[1], &end, 10);
    if (*end != '\0' || gamePid <= 0) return 2;
    return PfRunModeGuard(3, gamePid, argv[2], argv[3]);
}

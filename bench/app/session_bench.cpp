// Times the vorpane program as a player meets it, with a private HOME whose agreement is
// already accepted: from the process start to the home screen's first frame (the first
// non-black pixel on the screen), cold (the game's own files dropped from the page
// cache first) and warm, and from Exit on the home screen (Escape) to the end of the process.
//
// Run under an X server: xvfb-run -s "-screen 0 1024x768x24" build/bench/app/session_bench [runs]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

bool AnythingDrawn(Display* display) {
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, width, height, AllPlanes,
                              ZPixmap);
    if (!image) return false;
    bool drawn = false;
    for (int y = 0; y < height && !drawn; y += 2)
        for (int x = 0; x < width; x += 2)
            if (XGetPixel(image, x, y) & 0xFFFFFF) {
                drawn = true;
                break;
            }
    XDestroyImage(image);
    return drawn;
}

// The files a start of the game reads: the program, every file it has mapped by its
// first frame (its shared libraries, the GL driver), the soundfont and its settings.
std::set<std::string> FilesOfTheGame(pid_t game, const std::string& home) {
    std::set<std::string> files = {VORPANE_PROGRAM, home + "/.config/vorpane.conf",
                                   "/etc/vorpane.conf", "/usr/share/sounds/sf2/default-GM.sf2",
                                   "/usr/share/sounds/sf2/TimGM6mb.sf2",
                                   "/usr/share/sounds/sf2/FluidR3_GM.sf2"};
    std::ifstream maps("/proc/" + std::to_string(game) + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const size_t path = line.find(" /");
        if (path != std::string::npos) files.insert(line.substr(path + 1));
    }
    return files;
}

// Drops the game's own files from the page cache, so that the next start reads them
// from the disk as a first start after boot does; the rest of the machine's cache is
// left alone. Pages another process has mapped stay (a real first start finds them
// too). False when the program itself could not be dropped.
bool DropFilesFromPageCache(const std::set<std::string>& files) {
    bool programDropped = false;
    for (const std::string& name : files) {
        char resolved[PATH_MAX];
        if (!realpath(name.c_str(), resolved)) continue;  // not there, or gone (deleted)
        const int fd = open(resolved, O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        fdatasync(fd);  // dirty pages are not dropped
        const bool dropped = posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
        close(fd);
        if (dropped && name == VORPANE_PROGRAM) programDropped = true;
    }
    return programDropped;
}

struct Run {
    double toFirstFrame = -1;
    double exitToEnd = -1;
};

// One start to the home screen and Exit; the game's files are added to `files` when
// given.
Run RunOnce(Display* display, const std::string& home, std::set<std::string>* files = nullptr) {
    Run run;
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execl(VORPANE_PROGRAM, "vorpane", static_cast<char*>(nullptr));
        _exit(127);
    }
    while (Ms(Clock::now() - start) < 20000) {
        if (AnythingDrawn(display)) {
            run.toFirstFrame = Ms(Clock::now() - start);
            if (files) *files = FilesOfTheGame(child, home);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // settled on the home screen
    const Clock::time_point exit = Clock::now();
    if (std::system("xdotool key Escape") != 0) std::fprintf(stderr, "xdotool failed\n");
    int status = 0;
    for (;;) {
        if (waitpid(child, &status, WNOHANG) == child) {
            run.exitToEnd = Ms(Clock::now() - exit);
            break;
        }
        if (Ms(Clock::now() - exit) > 10000) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    // Let the server forget the windows before the next run looks for a first frame.
    while (AnythingDrawn(display)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "session_bench: no X display\n");
        return 1;
    }
    char pattern[] = "/tmp/vorpane_bench_XXXXXX";
    const std::string home = mkdtemp(pattern);
    mkdir((home + "/.config").c_str(), 0700);
    FILE* config = std::fopen((home + "/.config/vorpane.conf").c_str(), "w");
    std::fputs("[Registration]\nEulaVersion=1\n", config);
    std::fclose(config);

    // A first start finds which files the game reads; they are dropped from the cache
    // and the next start is the cold one.
    std::set<std::string> files;
    RunOnce(display, home, &files);
    const bool cold = DropFilesFromPageCache(files);
    const Run first = RunOnce(display, home);
    std::printf("%s start: %.0f ms to the home screen's first frame; Exit to end %.0f ms\n",
                cold ? "cold" : "first (page cache not dropped)", first.toFirstFrame,
                first.exitToEnd);
    std::printf("(cold: %zu files of the game dropped from the page cache)\n", files.size());
    double worstStart = 0, worstExit = 0, totalStart = 0, totalExit = 0;
    for (int i = 0; i < runs; ++i) {
        const Run r = RunOnce(display, home);
        totalStart += r.toFirstFrame;
        totalExit += r.exitToEnd;
        if (r.toFirstFrame > worstStart) worstStart = r.toFirstFrame;
        if (r.exitToEnd > worstExit) worstExit = r.exitToEnd;
    }
    std::printf("warm start: mean %.0f ms, worst %.0f ms to the first frame over %d runs\n",
                totalStart / runs, worstStart, runs);
    std::printf("Exit to end: mean %.0f ms, worst %.0f ms\n", totalExit / runs, worstExit);
    std::system(("rm -rf '" + home + "'").c_str());
    XCloseDisplay(display);
    return 0;
}

// Times the vorpane program as a player meets it, with a private HOME whose agreement is
// already accepted: from the process start to the home screen's first frame (the first
// non-black pixel on the screen), cold (the page cache dropped first, when permitted)
// and warm, and from Exit on the home screen (Escape) to the end of the process.
//
// Run under an X server: xvfb-run -s "-screen 0 1024x768x24" build/bench/app/session_bench [runs]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

bool DropPageCache() {
    sync();
    const int fd = open("/proc/sys/vm/drop_caches", O_WRONLY);
    if (fd < 0) return false;
    const bool ok = write(fd, "3", 1) == 1;
    close(fd);
    return ok;
}

struct Run {
    double toFirstFrame = -1;
    double exitToEnd = -1;
};

Run RunOnce(Display* display, const std::string& home) {
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

    const bool cold = DropPageCache();
    const Run first = RunOnce(display, home);
    std::printf("%s start: %.0f ms to the home screen's first frame; Exit to end %.0f ms\n",
                cold ? "cold" : "first (page cache not dropped)", first.toFirstFrame,
                first.exitToEnd);
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

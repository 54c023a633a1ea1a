// Times a process's first display mode change (which starts the mode guard) and a later
// one, each put back at once, over many fresh processes: the median and the slowest, in
// milliseconds. The display must offer 1024x768 beside its own mode; on an Xvfb the bench
// adds it to the output "screen" itself.
// Run: xvfb-run -a -s "-screen 0 1280x1024x24 +extension RANDR -noreset"
//          build/bench/display/mode_change_bench [runs]
#include <wx/app.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/pf_displays.h"
#include "platform/pf_seams.h"

namespace {

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// One process: the first change and a later one, each timed and put back.
int Once(char* self) {
    int argc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, &self)) return 2;
    g_pfSeams.modeGuardProgram = VORPANE_MODE_GUARD;
    double ms[2];
    for (double& took : ms) {
        const auto start = std::chrono::steady_clock::now();
        if (!PfChangeDisplayMode(0, 1024, 768)) return 3;
        took = Ms(std::chrono::steady_clock::now() - start);
        PfRestoreDisplayModes();
    }
    std::printf("%.3f %.3f\n", ms[0], ms[1]);
    wxEntryCleanup();
    return 0;
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-22s median %7.2f ms   slowest %7.2f ms   (%zu runs)\n", what,
                ms[ms.size() / 2], ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--once") return Once(argv[0]);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    // Any timing will do: Xvfb shows none of it.
    std::system("xrandr --newmode 1024x768 60 1024 1025 1026 1027 768 769 770 771 "
                ">/dev/null 2>&1; xrandr --addmode screen 1024x768 >/dev/null 2>&1");
    std::vector<double> first, later;
    for (int i = 0; i < runs; ++i) {
        FILE* run = popen((std::string(argv[0]) + " --once").c_str(), "r");
        double a = 0, b = 0;
        const bool read = run && std::fscanf(run, "%lf %lf", &a, &b) == 2;
        if (run && pclose(run) != 0) return 1;
        if (!read) {
            std::fprintf(stderr, "mode_change_bench: no 1024x768 mode to change to\n");
            return 1;
        }
        first.push_back(a);
        later.push_back(b);
    }
    Report("first change", first);
    Report("a later change", later);
    return 0;
}

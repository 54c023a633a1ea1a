// Times WriteConfigInt with a whole campaign's progress stored (every one of the 400
// best times set): each write saves the whole file, synced, before it returns. Target:
// under 5 ms. Prints mean, median, 99th percentile and worst, in microseconds.
//
// Run: build/bench/app/config_bench [writes, 300] [folder to hold the settings, the
//      system's temporary folder]; the folder's disk decides what a sync costs.
#include <wx/config.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_application.h"
#include "app/app_config.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
    SendToolkitLogToStderr();
    const int writes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    const std::string parent =
        argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
    std::string home = parent + "/vorpane-bench-XXXXXX";
    if (!mkdtemp(home.data())) {
        std::perror("config_bench: mkdtemp");
        return 1;
    }
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    wxInitializer toolkit;
    LoadGameConfigWithGlobalFile((home + "/none.conf").c_str());
    for (unsigned g = 0; g < kGalaxyCount; ++g) {
        WriteConfigPerGalaxy(GameConfig.HighestPlanet, g, 100, "/Game/%1/HighestPlanet");
        for (unsigned i = 0; i < kPlanetsPerGalaxy; ++i)
            WriteConfigPerGalaxyIndex(&GameConfig.BestTime[0][0], kPlanetsPerGalaxy, g, i,
                                      static_cast<int32_t>(60 + g * 100 + i),
                                      "/Game/%1/HighScore%2");
    }
    std::vector<double> micros;
    for (int n = 0; n < writes; ++n) {
        GameConfig.BestTime[n % kGalaxyCount][n % kPlanetsPerGalaxy] = 30 + n;
        const Clock::time_point start = Clock::now();
        WriteConfigInt("/Game/1/HighScore1", 30 + n);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    const auto bytes = std::filesystem::file_size(home + "/.config/vorpane.conf");
    std::sort(micros.begin(), micros.end());
    double sum = 0;
    for (double m : micros) sum += m;
    std::printf("WriteConfigInt, %ju-byte file in %s, %d writes: mean %.0f us, median %.0f us, "
                "99th percentile %.0f us, worst %.0f us\n",
                static_cast<uintmax_t>(bytes), parent.c_str(), writes, sum / writes,
                micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back());
    delete wxConfigBase::Set(nullptr);
    std::filesystem::remove_all(home);
    return 0;
}

// Times settings writes with a whole campaign's progress stored (every one of the 400
// best times set): one write saves the whole file, synced, before it returns (target:
// under 5 ms); the seven quality keys written one by one against the same seven in one
// batch, saved once. Prints mean, median, 99th percentile and worst, in microseconds.
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

#include "app/app_config.h"
#include "app/app_fault.h"

namespace {

using Clock = std::chrono::steady_clock;

// The quality keys as the display settings store them, values that change each round.
void SetQualityKeys(int n) {
    SetConfigValue(ConfigKey::Fade, n & 1);
    SetConfigValue(ConfigKey::SmoothPolygons, (n >> 1) & 1);
    SetConfigValue(ConfigKey::HighQualityModels, (n >> 2) & 1);
    SetConfigValue(ConfigKey::MagFilter, n % 2);
    SetConfigValue(ConfigKey::MinFilter, n % 4);
    SetConfigValue(ConfigKey::BackgroundTexture, n % 3);
    SetConfigValue(ConfigKey::ForegroundTexture, n % 3);
}

// Times step() rounds times; the times in microseconds, sorted.
template <typename Step>
std::vector<double> Time(int rounds, Step step) {
    std::vector<double> micros;
    for (int n = 0; n < rounds; ++n) {
        const Clock::time_point start = Clock::now();
        step(n);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    return micros;
}

void Print(const char* what, const std::vector<double>& micros, uintmax_t bytes,
           const std::string& folder) {
    double sum = 0;
    for (double m : micros) sum += m;
    std::printf("%s, %ju-byte file in %s, %zu rounds: mean %.0f us, median %.0f us, "
                "99th percentile %.0f us, worst %.0f us\n",
                what, bytes, folder.c_str(), micros.size(), sum / micros.size(),
                micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back());
}

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
    {
        ConfigWriteBatch batch;
        for (unsigned g = 0; g < kGalaxyCount; ++g) {
            SetConfigValue(ConfigKey::HighestPlanet, g, 100);
            for (unsigned i = 0; i < kPlanetsPerGalaxy; ++i)
                SetConfigValue(ConfigKey::BestTime, g, i, static_cast<int32_t>(60 + g * 100 + i));
        }
    }
    const std::vector<double> single =
        Time(writes, [](int n) { SetConfigValue(ConfigKey::BestTime, 0, 0, 30 + n); });
    const std::vector<double> seven = Time(writes, [](int n) { SetQualityKeys(n); });
    const std::vector<double> batched = Time(writes, [](int n) {
        ConfigWriteBatch batch;
        SetQualityKeys(n);
    });
    const uintmax_t bytes = std::filesystem::file_size(home + "/.config/vorpane.conf");
    Print("One write", single, bytes, parent);
    Print("Seven quality keys, each saved", seven, bytes, parent);
    Print("Seven quality keys in one batch", batched, bytes, parent);
    delete wxConfigBase::Set(nullptr);
    std::filesystem::remove_all(home);
    return 0;
}

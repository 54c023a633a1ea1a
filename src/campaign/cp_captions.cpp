// Caption texts of the galaxy, system and planet screens.
#include "campaign/cp_captions.h"

#include "app/app_format.h"

uint32_t ClampHighestPlanet(int64_t stored) {
    if (stored < 0) return 0;
    return stored > int64_t(kPlanetsPerGalaxy) ? uint32_t(kPlanetsPerGalaxy) : uint32_t(stored);
}

bool IsPlausibleBestTime(int32_t seconds) { return seconds > 0 && seconds <= kLongestBestTime; }

std::string GalaxyCaption(int32_t completed) {
    const uint32_t n = ClampHighestPlanet(completed);
    if (n == 0) return "No Planets Completed";
    return FormatWithUnsigned("Completed %1 of 100 Planets", n);
}

std::string SystemCaption(uint32_t system, uint32_t highestPlanet) {
    const uint32_t h = ClampHighestPlanet(highestPlanet);
    const uint32_t first = system * kPlanetsPerSystem;
    if (first > h) return FormatWithUnsigned("Complete System %1 First", system);
    if (first == h) return "No Planets Completed";
    if (h < first + kPlanetsPerSystem)
        return FormatWithUnsigned("Completed %1 of 10 Planets", h - first);
    return "All Planets Completed";
}

std::string PlanetCaption(uint32_t system, uint32_t planet, uint32_t highestPlanet,
                          const int32_t* bestTimes) {
    const uint32_t h = ClampHighestPlanet(highestPlanet);
    const uint32_t index = system * kPlanetsPerSystem + planet;
    if (h < index) return FormatWithUnsigned("Complete Planet %1 First", planet);
    if (h == index) return std::string();
    const int32_t t = bestTimes && index < uint32_t(kPlanetsPerGalaxy) ? bestTimes[index] : 0;
    if (!IsPlausibleBestTime(t)) return "Best Time: --unavailable--";
    const uint32_t seconds = uint32_t(t);
    return FormatWithThreeUnsigned("Best Time: %1:%2%3", seconds / 60, (seconds / 10) % 6,
                                   seconds % 10);
}

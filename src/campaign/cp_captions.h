// The captions of the selection screens, from the stored progress: completed planets
// of a galaxy, the state of a system, the lock or best time of a planet. Stored
// progress may have been edited by hand, so every value is held to what can be true.
#pragma once

#include <cstdint>
#include <string>

#include "app/app_config.h"

// A best time above this many seconds (100 hours) is not a time anybody played.
constexpr int32_t kLongestBestTime = 360000;

// A stored highest planet held to 0..100 (a negative stored value means none).
uint32_t ClampHighestPlanet(int64_t stored);
// Whether a stored best time is a time worth showing: 1..kLongestBestTime seconds.
bool IsPlausibleBestTime(int32_t seconds);

// "No Planets Completed" or "Completed %1 of 100 Planets".
std::string GalaxyCaption(int32_t completed);
// Locked, new, partly or wholly completed system i with the galaxy's highest planet.
std::string SystemCaption(uint32_t system, uint32_t highestPlanet);
// Planet i of a system: locked, the next to beat (no caption), or completed with its
// best time (bestTimes may be null).
std::string PlanetCaption(uint32_t system, uint32_t planet, uint32_t highestPlanet,
                          const int32_t* bestTimes);

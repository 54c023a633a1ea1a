// The captions of the three selection screens from stored progress, hand-edited
// values included.
#include <gtest/gtest.h>

#include "campaign/cp_captions.h"

namespace {

TEST(Captions, GalaxiesAndSystemsByProgress) {
    EXPECT_EQ(GalaxyCaption(0), "No Planets Completed");
    EXPECT_EQ(GalaxyCaption(37), "Completed 37 of 100 Planets");
    EXPECT_EQ(GalaxyCaption(100), "Completed 100 of 100 Planets");
    EXPECT_EQ(GalaxyCaption(250), "Completed 100 of 100 Planets");
    EXPECT_EQ(GalaxyCaption(-3), "No Planets Completed");

    EXPECT_EQ(SystemCaption(0, 0), "No Planets Completed");
    EXPECT_EQ(SystemCaption(1, 0), "Complete System 1 First");
    for (uint32_t s = 0; s < 3; ++s) EXPECT_EQ(SystemCaption(s, 37), "All Planets Completed");
    EXPECT_EQ(SystemCaption(3, 37), "Completed 7 of 10 Planets");
    EXPECT_EQ(SystemCaption(4, 37), "Complete System 4 First");
    EXPECT_EQ(SystemCaption(9, 37), "Complete System 9 First");
    for (uint32_t s = 0; s < 10; ++s) {
        EXPECT_EQ(SystemCaption(s, 100), "All Planets Completed");
        EXPECT_EQ(SystemCaption(s, 4000000000u), "All Planets Completed");
    }
    EXPECT_EQ(ClampHighestPlanet(101), 100u);
    EXPECT_EQ(ClampHighestPlanet(-1), 0u);
    EXPECT_EQ(ClampHighestPlanet(55), 55u);
}

TEST(Captions, PlanetsLockedNextAndBestTimes) {
    int32_t times[100] = {};
    times[30] = 9;
    times[31] = 75;
    times[32] = 605;
    times[33] = 3600;
    times[34] = 0;          // completed, no time stored
    times[35] = -20;        // hand-edited nonsense
    times[36] = 2000000000;
    EXPECT_EQ(PlanetCaption(3, 0, 37, times), "Best Time: 0:09");
    EXPECT_EQ(PlanetCaption(3, 1, 37, times), "Best Time: 1:15");
    EXPECT_EQ(PlanetCaption(3, 2, 37, times), "Best Time: 10:05");
    EXPECT_EQ(PlanetCaption(3, 3, 37, times), "Best Time: 60:00");
    EXPECT_EQ(PlanetCaption(3, 4, 37, times), "Best Time: --unavailable--");
    EXPECT_EQ(PlanetCaption(3, 5, 37, times), "Best Time: --unavailable--");
    EXPECT_EQ(PlanetCaption(3, 6, 37, times), "Best Time: --unavailable--");
    EXPECT_EQ(PlanetCaption(3, 7, 37, times), "");
    EXPECT_EQ(PlanetCaption(3, 8, 37, times), "Complete Planet 8 First");
    EXPECT_EQ(PlanetCaption(3, 9, 37, times), "Complete Planet 9 First");
    EXPECT_EQ(PlanetCaption(3, 0, 37, nullptr), "Best Time: --unavailable--");
    // Everything completed, a stored progress past the end included.
    times[99] = 61;
    EXPECT_EQ(PlanetCaption(9, 9, 100, times), "Best Time: 1:01");
    EXPECT_EQ(PlanetCaption(9, 9, 777, times), "Best Time: 1:01");
}

}  // namespace

// The fade to black's levels: 254 at its first reading, falling along 1 - p^2, black
// once its time is up.
#include <gtest/gtest.h>

#include "displaysetup/ds_monitor.h"

TEST(FadeLevel, FallsAlongTheSquareOfTheElapsedFraction) {
    EXPECT_EQ(FadeLevel(510), 254);  // p = 2 / 512 at the first reading
    EXPECT_EQ(FadeLevel(256), 191);  // p = 0.5: 255 x 0.75 = 191.25
    EXPECT_EQ(FadeLevel(30), 29);    // p = 482 / 512: 255 x 0.11373 = 29.0
    EXPECT_EQ(FadeLevel(2), 1);      // at or below 4 the fade is over
    EXPECT_EQ(FadeLevel(0), 0);
    int last = 255;
    for (uint32_t remaining = 510; remaining > 0; --remaining) {
        EXPECT_LE(FadeLevel(remaining), last);
        last = FadeLevel(remaining);
    }
}

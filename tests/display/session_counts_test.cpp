// The display session's counts: every lower needs its raise, and no count may wrap.
// Misuse by our own code fails a runtime check that names it.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "display/dp_counts.h"
#include "display/dp_input.h"
#include "display/dp_session.h"

// Each lower without its raise ends the process with its own message, before it
// touches a window, the cursor or the toolkit.
TEST(SessionCountsDeathTest, ALowerWithoutItsRaiseNamesItself) {
    ASSERT_EQ(VORPANE_CHECKS, 1);
    ASSERT_FALSE(GameDisplayAcquired());
    EXPECT_DEATH(ReleaseGameDisplay(), "check failed: a display session released without its acquisition");
    EXPECT_DEATH(CloseGameSession(), "check failed: a game window closed without its open");
    EXPECT_DEATH(EnterModalMenu(nullptr), "check failed: a menu lowered without its open");
    EXPECT_DEATH(UnhideGameCursor(), "check failed: the cursor unhidden without being hidden");
    EXPECT_DEATH(EndMouseCapture(), "check failed: a mouse capture ended without its begin");
    EXPECT_DEATH(ReturnGameCursor(),
                 "check failed: the cursor returned without a menu giving it back");
}

// The counts go up and down by one; at their ends the check stops them.
TEST(SessionCountsDeathTest, ACountThatWouldWrapNamesItself) {
    EXPECT_EQ(CountUp(uint32_t(6), "six"), 7u);
    EXPECT_EQ(CountDown(uint32_t(7), "seven"), 6u);
    EXPECT_EQ(CountDown(int32_t(1), "one"), 0);
    EXPECT_DEATH(CountUp(std::numeric_limits<uint32_t>::max(), "the acquisitions would wrap"),
                 "check failed: the acquisitions would wrap");
    EXPECT_DEATH(CountUp(std::numeric_limits<int32_t>::max(), "the hides would wrap"),
                 "check failed: the hides would wrap");
    EXPECT_DEATH(CountDown(uint32_t(0), "nothing to lower"), "check failed: nothing to lower");
}

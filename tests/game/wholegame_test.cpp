#include <gtest/gtest.h>
#include <cstdio>
#include "game_driver.h"
TEST(WholeGame, Explore) {
    for (uint32_t ms : {10u, 16u, 33u}) {
        std::string failure;
        GameSummary none = PlayHeadless(0, 0, 0, 1, ms, false, true, &failure);
        std::printf("none %u: state %u time %.17g frames %u maxsub %u pieces %u fail '%s'\n", ms, none.state, none.time, none.frames, none.maxSubSteps, none.piecesSpawned, failure.c_str());
        GameSummary s = PlayHeadless(0, 0, 0, 1, ms, true, true, &failure, 20000);
        std::printf("scripted %u: state %u time %.17g frames %u maxsub %u pieces %u catches %u first %.17g fail '%s'\n", ms, s.state, s.time, s.frames, s.maxSubSteps, s.piecesSpawned, s.catches, s.firstCatchTime, failure.c_str());
    }
}

// The shared reset between tests reaches the display layer: a quit one test requested
// is gone for the next.
#include <gtest/gtest.h>

#include "display/dp_quit.h"
#include "support/run_state.h"

namespace {

TEST(DisplayRunState, TheSharedResetClearsTheQuitFlag) {
    RequestQuit();
    EXPECT_EQ(QuitRequested, 1);
    ResetRunState();
    EXPECT_EQ(QuitRequested, 0);
}

}  // namespace

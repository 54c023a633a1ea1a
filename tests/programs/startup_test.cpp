// The program's start-up as a player meets it, in a real process on the test X server:
// a SIGTERM while the first-start agreement waits is a refusal, never an agreement.
#include <gtest/gtest.h>

#include <string>

#include "program_support.h"
#include "support/test_support.h"

namespace {

TEST(Startup, ASigtermDuringTheAgreementDeclinesItAndWritesNothing) {
    TestScreen screen;
    ASSERT_TRUE(screen.Connected());
    TempDir home;
    GameProcess game(home.Path());
    SeenWindow agreement;
    ASSERT_TRUE(screen.WaitForAgreement(&agreement));
    game.Terminate();
    EXPECT_EQ(game.Wait(20), 255);  // declined: -1 as the process sees it
    EXPECT_EQ(ReadWholeFile(home.Path() + "/.config/vorpane.conf"), "");
    EXPECT_EQ(game.Errors(), "");
}

}  // namespace

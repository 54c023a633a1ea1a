// The scenes' and the completed screen's arithmetic: the puff table, the skip
// callback (with the close it keeps), the fades, the jet volumes, the time text.
#include <gtest/gtest.h>

#include <cmath>

#include "campaign/cp_complete.h"
#include "campaign/cp_scenes.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"

namespace {

TEST(PolarPoints, LieOnTheirCirclesAndWrapBothWays) {
    const PolarPoint& first = PolarPointTable[0];
    EXPECT_NEAR(std::hypot(first.x, first.y), 0.0771808, 1e-12);
    EXPECT_NEAR(std::atan2(first.y, first.x), 2 * M_PI * 0.3376962, 1e-12);
    const PolarPoint& ninth = PolarPointTable[8];
    EXPECT_NEAR(std::hypot(ninth.x, ninth.y), 0.9890558, 1e-12);
    // A puff's entry is k - n: negative once the scene has run a while.
    EXPECT_EQ(&PolarPointAt(-1), &PolarPointTable[15]);
    EXPECT_EQ(&PolarPointAt(-16), &PolarPointTable[0]);
    EXPECT_EQ(&PolarPointAt(-17), &PolarPointTable[15]);
    EXPECT_EQ(&PolarPointAt(33), &PolarPointTable[1]);
}

TEST(AnyKey, APressOrAClickSkipsAndACloseIsKept) {
    uint32_t skip = 0;
    const uint32_t key = 65;
    const GameEventPoint point = {10, 10};
    OnAnyKeyEvent(&skip, GameEventKeyDown, &key);   // repeats and releases do nothing
    OnAnyKeyEvent(&skip, GameEventKeyUp, &key);
    OnAnyKeyEvent(&skip, GameEventMouseUp, &point);
    OnAnyKeyEvent(&skip, GameEventMousePosition, &point);
    OnAnyKeyEvent(&skip, GameEventActivated, nullptr);
    EXPECT_EQ(skip, 0u);
    OnAnyKeyEvent(&skip, GameEventKeyPress, &key);
    EXPECT_EQ(skip, 1u);
    skip = 0;
    OnAnyKeyEvent(&skip, GameEventMouseDown, &point);
    EXPECT_EQ(skip, 1u);
    skip = 0;
    EXPECT_EQ(QuitRequested, 0);
    DeliverGameEvent(OnAnyKeyEvent, &skip, GameEventQuit, nullptr);
    EXPECT_EQ(skip, 0u);
    EXPECT_EQ(QuitRequested, 1);
}

TEST(SceneSound, TheJetRisesAndFallsWithTheFades) {
    EXPECT_EQ(SceneFade(0.0), 0.0);
    EXPECT_EQ(SceneFade(0.25), 0.5);
    EXPECT_EQ(SceneFade(1.7), 1.0);
    EXPECT_EQ(SceneFade(2.75), 0.5);
    EXPECT_EQ(SceneFade(3.0), 0.0);
    // The approach: silent at the start, about 0.46 at 0.5 s, about 0.29 at 2.5 s.
    EXPECT_EQ(ApproachJetVolume(0.0), 0.0);
    EXPECT_NEAR(ApproachJetVolume(0.5), 0.4583333, 1e-6);
    EXPECT_NEAR(ApproachJetVolume(2.5), 0.2916667, 1e-6);
    EXPECT_EQ(ApproachJetVolume(3.0), 0.0);
    // The descent holds full volume from 0.5 to 2.5 s.
    EXPECT_EQ(DescentJetVolume(0.0), 0.0);
    EXPECT_EQ(DescentJetVolume(0.5), 1.0);
    EXPECT_EQ(DescentJetVolume(2.5), 1.0);
    EXPECT_EQ(DescentJetVolume(2.9), 6.0 - 5.8);
}

TEST(CompletedScreen, TimeTextFadeAndLiftOff) {
    EXPECT_EQ(FormatCompletedTime(59.9), "0:59");
    EXPECT_EQ(FormatCompletedTime(605.0), "10:05");
    EXPECT_EQ(FormatCompletedTime(3600.0), "60:00");
    EXPECT_EQ(FormatCompletedTime(0.0), "0:00");
    EXPECT_EQ(FormatCompletedTime(-3.0), "0:00");
    EXPECT_EQ(FormatCompletedTime(std::nan("")), "0:00");
    EXPECT_EQ(CompleteScreenFade(0.25), 0.5);
    EXPECT_EQ(CompleteScreenFade(9.5), 1.0);
    EXPECT_EQ(CompleteScreenFade(9.75), 0.5);
    EXPECT_EQ(LiftOffValue(5.0), 1.0);
    EXPECT_EQ(LiftOffValue(6.0), 0.5);
    EXPECT_EQ(LiftOffValue(7.0), 0.0);
    EXPECT_EQ(LiftOffValue(8.0), 0.0);
}

}  // namespace

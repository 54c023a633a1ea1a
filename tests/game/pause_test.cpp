// The pause screen's layout, its callback as pure logic, and darkening.
#include <gtest/gtest.h>

#include <cstring>

#include "app/app_texture_image.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "game/gm_pause.h"

namespace {

TEST(PauseLayout, A1024By768Window) {
    const PauseScreenLayout l = ComputePauseScreenLayout(1024, 768);
    EXPECT_EQ(l.unit, 38);
    EXPECT_EQ(l.buttonWidth, 152);
    EXPECT_EQ(l.buttonHeight, 38);
    EXPECT_EQ(l.pressedWidth, 145);
    EXPECT_EQ(l.pressedHeight, 36);
    EXPECT_EQ(l.abortRect.x0, 351);
    EXPECT_EQ(l.abortRect.x1, 503);
    EXPECT_EQ(l.continueRect.x0, 521);
    EXPECT_EQ(l.continueRect.x1, 673);
    for (const PauseRect& r : {l.abortRect, l.continueRect}) {
        EXPECT_EQ(r.y0, 327);
        EXPECT_EQ(r.y1, 365);
    }
    EXPECT_EQ(l.captionWidth, 92);
}

TEST(PauseLayout, APortraitWindowTakesItsUnitFromTheWidth) {
    // m = 600, u = 30: buttons 120 x 30, pressed 115 x 28; cx 300, cy 400.
    const PauseScreenLayout l = ComputePauseScreenLayout(600, 800);
    EXPECT_EQ(l.unit, 30);
    EXPECT_EQ(l.pressedWidth, 115);
    EXPECT_EQ(l.pressedHeight, 28);
    EXPECT_EQ(l.abortRect.x0, 300 - 127);
    EXPECT_EQ(l.continueRect.x0, 307);
    EXPECT_EQ(l.abortRect.y0, 355);
    EXPECT_EQ(l.captionWidth, 72);
}

TEST(PauseLayout, RectanglesIncludeTheirLowEdgesOnly) {
    const PauseRect r = {10, 20, 30, 40};
    EXPECT_TRUE(InsidePauseRect(r, 10, 20));
    EXPECT_TRUE(InsidePauseRect(r, 29, 39));
    EXPECT_FALSE(InsidePauseRect(r, 30, 25));
    EXPECT_FALSE(InsidePauseRect(r, 15, 40));
    EXPECT_FALSE(InsidePauseRect(r, 9, 25));
}

class PauseCallback : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&s, 0, sizeof s);
        const PauseScreenLayout l = ComputePauseScreenLayout(1024, 768);
        s.abortRect = l.abortRect;
        s.continueRect = l.continueRect;
    }
    void Key(uint32_t code, uint32_t key) { PauseScreenCallback(&s, code, &key); }
    void Mouse(uint32_t code, int32_t x, int32_t y) {
        GameEventPoint p = {x, y};
        PauseScreenCallback(&s, code, &p);
    }
    PauseScreenState s;
};

TEST_F(PauseCallback, EscapePressedAndReleasedAborts) {
    Key(GameEventKeyPress, 27);
    EXPECT_EQ(s.abortHighlighted, 1);
    EXPECT_EQ(s.done, 0);
    Key(GameEventKeyDown, 27);
    Key(GameEventKeyUp, 27);
    EXPECT_EQ(s.done, 1);
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.redraw, 1);
}

TEST_F(PauseCallback, AnEscapePressedBeforeTheScreenOpenedDoesNothingOnRelease) {
    Key(GameEventKeyUp, 27);
    EXPECT_EQ(s.done, 0);
}

TEST_F(PauseCallback, EnterAndPadEnterContinue) {
    for (uint32_t key : {13u, 370u}) {
        SetUp();
        Key(GameEventKeyPress, key);
        EXPECT_EQ(s.continueHighlighted, 1);
        Key(GameEventKeyUp, key);
        EXPECT_EQ(s.done, 1) << key;
        EXPECT_EQ(s.result, 1) << key;
    }
}

TEST_F(PauseCallback, AQuitAbortsAndSetsTheQuitFlag) {
    s.result = 1;
    DeliverGameEvent(PauseScreenCallback, &s, GameEventQuit, nullptr);
    EXPECT_EQ(s.done, 1);
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(QuitRequested, 1);
}

TEST_F(PauseCallback, AClickInsideContinueContinues) {
    Mouse(GameEventMouseDown, 521, 327);
    EXPECT_EQ(s.continuePressed, 1);
    EXPECT_EQ(s.continueHighlighted, 1);
    EXPECT_EQ(s.abortPressed, 0);
    Mouse(GameEventMouseUp, 672, 364);
    EXPECT_EQ(s.done, 1);
    EXPECT_EQ(s.result, 1);
    EXPECT_EQ(s.continuePressed, 0);
}

TEST_F(PauseCallback, AClickInsideAbortAborts) {
    s.result = 1;
    Mouse(GameEventMouseDown, 400, 340);
    Mouse(GameEventMouseUp, 400, 340);
    EXPECT_EQ(s.done, 1);
    EXPECT_EQ(s.result, 0);
}

TEST_F(PauseCallback, DraggingOutBeforeTheReleaseChoosesNothing) {
    Mouse(GameEventMouseDown, 600, 340);
    s.redraw = 0;
    Mouse(GameEventMousePosition, 700, 340);
    EXPECT_EQ(s.continueHighlighted, 0);
    EXPECT_EQ(s.redraw, 1);
    Mouse(GameEventMouseUp, 700, 340);
    EXPECT_EQ(s.done, 0);
    EXPECT_EQ(s.continuePressed, 0);
    EXPECT_EQ(s.continueHighlighted, 0);
    // Moving back in before the release chooses it again.
    Mouse(GameEventMouseDown, 600, 340);
    Mouse(GameEventMousePosition, 700, 340);
    Mouse(GameEventMousePosition, 600, 330);
    EXPECT_EQ(s.continueHighlighted, 1);
    Mouse(GameEventMouseUp, 600, 330);
    EXPECT_EQ(s.done, 1);
    EXPECT_EQ(s.result, 1);
}

TEST_F(PauseCallback, APressBetweenTheButtonsChoosesNothing) {
    Mouse(GameEventMouseDown, 510, 340);
    Mouse(GameEventMousePosition, 600, 340);
    Mouse(GameEventMouseUp, 600, 340);
    EXPECT_EQ(s.done, 0);
    EXPECT_EQ(s.continueHighlighted, 0);
}

TEST_F(PauseCallback, PointerMotionWithoutAPressRedrawsNothing) {
    Mouse(GameEventMousePosition, 600, 340);
    EXPECT_EQ(s.redraw, 0);
    EXPECT_EQ(s.continueHighlighted, 0);
}

TEST(PauseImages, DarkeningScalesColourByTruncatedFactor) {
    TextureImage* image = AllocateTextureImage(2, 1);
    ASSERT_NE(image, nullptr);
    const uint8_t pixels[8] = {255, 100, 1, 200, 2, 179, 0, 255};
    std::memcpy(image->pixels, pixels, 8);
    DarkenImage(*image, 0.7);  // k = 179
    const uint8_t expected[8] = {178, 69, 0, 200, 1, 125, 0, 255};
    EXPECT_EQ(std::memcmp(image->pixels, expected, 8), 0);
    FreeTextureImage(image);
}

}  // namespace

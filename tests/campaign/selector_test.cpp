// The arrow selector as pure logic on a 1024 x 768 window: the button and item areas,
// move times and easing, key repeats, the confirm and cancel state machine during the
// fades, mouse presses, drags and releases, and a quit.
#include <gtest/gtest.h>

#include "campaign/cp_map_screens.h"
#include "campaign/cp_selector.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

void Key(CArrowSelector& s, uint32_t code, uint32_t key) { CArrowSelector::OnInput(&s, code, &key); }
// A first press with its key-down, as the pump sends it.
void Press(CArrowSelector& s, uint32_t key) {
    Key(s, GameEventKeyPress, key);
    Key(s, GameEventKeyDown, key);
}
void Release(CArrowSelector& s, uint32_t key) { Key(s, GameEventKeyUp, key); }
void Mouse(CArrowSelector& s, uint32_t code, int32_t x, int32_t y) {
    const GameEventPoint p = {x, y};
    CArrowSelector::OnInput(&s, code, &p);
}
void Click(CArrowSelector& s, int32_t x, int32_t y) {
    Mouse(s, GameEventMouseDown, x, y);
    Mouse(s, GameEventMouseUp, x, y);
}

void ExpectRect(const SelectorArea& a, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    EXPECT_EQ(a.x0, x0);
    EXPECT_EQ(a.y0, y0);
    EXPECT_EQ(a.x1, x1);
    EXPECT_EQ(a.y1, y1);
}

class Selector : public ::testing::Test {};

TEST_F(Selector, ButtonsAndItemAreasAt1024x768) {
    CArrowSelector s(4, kWidth, kHeight, false);
    // u = 38: Cancel and Continue 4u x u side by side, the arrows u x u above them.
    ExpectRect(s.areas[kSelectorCancelArea], 357, 53, 509, 91);
    ExpectRect(s.areas[kSelectorContinueArea], 515, 53, 667, 91);
    ExpectRect(s.areas[kSelectorLeftArea], 319, 98, 357, 136);
    ExpectRect(s.areas[kSelectorRightArea], 667, 98, 705, 136);
    EXPECT_EQ(s.areas[kSelectorCancelArea].key, 27);
    EXPECT_EQ(s.areas[kSelectorContinueArea].key, 13);
    EXPECT_EQ(s.areas[kSelectorLeftArea].key, 314);
    EXPECT_EQ(s.areas[kSelectorRightArea].key, 316);
    ASSERT_EQ(s.areas.size(), 8u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(s.items[i].area, &s.areas[4 + i]);
        EXPECT_EQ(s.areas[4 + i].item, int32_t(i));
        EXPECT_EQ(s.areas[4 + i].key, -1);
        EXPECT_DOUBLE_EQ(s.items[i].position, i / 3.0);
    }

    // The chosen galaxy in front: 0.35 x 768 wide, centred at (512, 249.6).
    const ArcPlacement g = PlaceGalaxy(1, 1 / 3.0, kWidth, kHeight);
    EXPECT_NEAR(g.x, 512, 1e-9);
    EXPECT_NEAR(g.y, 249.6, 1e-9);
    EXPECT_EQ(g.x0, 377);
    EXPECT_EQ(g.y0, 182);
    EXPECT_EQ(g.x1, 645);
    EXPECT_EQ(g.y1, 316);
    // A galaxy to the side is smaller and higher up.
    const ArcPlacement side = PlaceGalaxy(2, 1 / 3.0, kWidth, kHeight);
    EXPECT_GT(side.x, 512);
    EXPECT_GT(side.y, g.y);
    EXPECT_LT(side.size, g.size);
    // The chosen system: q = 20.16, its area the image and the label, 6q x 2q.
    const ArcPlacement sys = PlaceSystem(0, 0.0, kWidth, kHeight);
    EXPECT_NEAR(sys.size, 20.16, 1e-9);
    EXPECT_EQ(sys.x0, 451);
    EXPECT_EQ(sys.y0, 229);
    EXPECT_EQ(sys.x1, 571);
    EXPECT_EQ(sys.y1, 269);

    // A placed item is clickable and starts a move; a second click on it does nothing.
    s.PlaceItem(1, g.x0, g.y0, g.x1, g.y1);
    s.Update(0);
    EXPECT_TRUE(s.areas[5].enabled);
    Click(s, 400, 300);
    EXPECT_EQ(s.target, 1u);
    const double speed = s.speed;
    s.Update(0.1);
    Click(s, 400, 300);
    EXPECT_EQ(s.speed, speed);
    EXPECT_DOUBLE_EQ(s.progress, 0.2);
}

TEST_F(Selector, MoveTimesEasingAndKeyRepeats) {
    CArrowSelector s(10, kWidth, kHeight, false);
    // One item: the minimum, 0.5 s; three items 0.75 s.
    s.MoveTo(1);
    EXPECT_DOUBLE_EQ(s.speed, 2.0);
    s.Update(0.5);
    EXPECT_EQ(s.current, 1u);
    EXPECT_TRUE(s.Idle());
    s.MoveTo(4);
    EXPECT_DOUBLE_EQ(s.speed, 1 / 0.75);
    // A quarter of the way: s = t^2 (3 - 2t) = 0.15625 of the distance.
    s.Update(0.75 / 4);
    EXPECT_DOUBLE_EQ(s.progress, 0.25);
    EXPECT_NEAR(s.Position(), 1 / 9.0 + (4 / 9.0 - 1 / 9.0) * 0.15625, 1e-12);
    EXPECT_DOUBLE_EQ(s.ItemHighlight(1), 0.75);
    EXPECT_DOUBLE_EQ(s.ItemHighlight(4), 0.25);
    EXPECT_DOUBLE_EQ(s.ItemHighlight(2), 0.0);
    // While moving no other move starts, and Continue and the arrows are off.
    s.MoveTo(0);
    EXPECT_EQ(s.target, 4u);
    EXPECT_FALSE(s.areas[kSelectorContinueArea].enabled);
    EXPECT_FALSE(s.areas[kSelectorLeftArea].enabled);
    s.Update(1.0);
    EXPECT_EQ(s.current, 4u);

    // The galaxy screen's times: 0.6 s at least, 0.4 s an item.
    CArrowSelector g(4, kWidth, kHeight, false);
    g.minMoveTime = 0.6;
    g.itemMoveTime = 0.4;
    g.MoveTo(1);
    EXPECT_DOUBLE_EQ(g.speed, 1 / 0.6);
    g.Update(1);
    g.MoveTo(3);
    EXPECT_DOUBLE_EQ(g.speed, 1 / 0.8);

    // A held arrow key: one move per repeat while idle; repeats during a move drop.
    CArrowSelector k(10, kWidth, kHeight, false);
    Press(k, 316);
    k.Update(0.1);
    EXPECT_EQ(k.target, 1u);
    for (int i = 0; i < 3; ++i) {
        Key(k, GameEventKeyDown, 316);
        k.Update(0.1);
    }
    EXPECT_EQ(k.current, 0u);
    EXPECT_EQ(k.target, 1u);
    k.Update(0.2);  // the move ends
    EXPECT_EQ(k.current, 1u);
    Key(k, GameEventKeyDown, 316);
    k.Update(0.01);
    EXPECT_EQ(k.target, 2u);
    // Left and right together do nothing.
    k.Update(1);
    Key(k, GameEventKeyDown, 314);
    Key(k, GameEventKeyDown, 316);
    k.Update(0.01);
    EXPECT_TRUE(k.Idle());
    EXPECT_EQ(k.current, 2u);
    // Left at item 0 and right at the last do nothing; their arrows are off.
    k.SetCurrent(0);
    Key(k, GameEventKeyDown, 314);
    k.Update(0.01);
    EXPECT_TRUE(k.Idle());
    EXPECT_FALSE(k.areas[kSelectorLeftArea].enabled);
    EXPECT_TRUE(k.areas[kSelectorRightArea].enabled);
    k.SetCurrent(9);
    Key(k, GameEventKeyDown, 316);
    k.Update(0.01);
    EXPECT_TRUE(k.Idle());
    EXPECT_FALSE(k.areas[kSelectorRightArea].enabled);
    // A saved selection out of range opens on item 0.
    k.SetCurrent(12);
    EXPECT_EQ(k.current, 0u);
}

TEST_F(Selector, ConfirmAndCancelThroughTheFades) {
    CArrowSelector s(3, kWidth, kHeight, false);
    // Enter on a locked item: Continue pressed, nothing confirmed, and let go again.
    s.items[1].enabled = 0;
    s.SetCurrent(1);
    s.Update(0.2);
    EXPECT_DOUBLE_EQ(s.fade, 0.4);
    EXPECT_FALSE(s.areas[kSelectorContinueArea].enabled);
    Press(s, 13);
    EXPECT_TRUE(s.areas[kSelectorContinueArea].pressed);
    Release(s, 13);
    EXPECT_EQ(s.state, uint32_t(SELECTOR_APPEARING));
    EXPECT_FALSE(s.areas[kSelectorContinueArea].pressed);
    // An open item confirmed during the fade-in fades out from the level reached.
    s.SetCurrent(0);
    Press(s, 370);
    Release(s, 370);
    EXPECT_EQ(s.state, uint32_t(SELECTOR_CONFIRMING));
    s.Update(0.1);
    EXPECT_DOUBLE_EQ(s.fade, 0.2);
    // Escape during the fade-out turns it into a cancel, Enter back into a confirm.
    Press(s, 27);
    Release(s, 27);
    EXPECT_EQ(s.state, uint32_t(SELECTOR_CANCELLING));
    Release(s, 13);
    EXPECT_EQ(s.state, uint32_t(SELECTOR_CONFIRMING));
    s.Update(0.1);
    EXPECT_EQ(s.state, uint32_t(SELECTOR_CONFIRMED));
    // A finished selector stays finished.
    Release(s, 27);
    EXPECT_EQ(s.state, uint32_t(SELECTOR_CONFIRMED));

    // A release of Escape never pressed here does nothing; a pressed one cancels.
    CArrowSelector c(3, kWidth, kHeight, false);
    Release(c, 27);
    EXPECT_EQ(c.state, uint32_t(SELECTOR_APPEARING));
    c.Update(1);
    EXPECT_DOUBLE_EQ(c.fade, 1.0);
    Press(c, 27);
    Release(c, 27);
    c.Update(0.25);
    EXPECT_EQ(c.state, uint32_t(SELECTOR_CANCELLING));
    c.Update(0.25);
    EXPECT_EQ(c.state, uint32_t(SELECTOR_CANCELLED));

    // A quit ends at once, sets the quit flag, and no release afterwards revives it.
    CArrowSelector q(3, kWidth, kHeight, false);
    q.Update(0.1);
    Press(q, 13);
    DeliverGameEvent(CArrowSelector::OnInput, &q, GameEventQuit, nullptr);
    EXPECT_EQ(q.state, uint32_t(SELECTOR_CANCELLED));
    EXPECT_EQ(QuitRequested, 1);
    Release(q, 13);
    q.Update(1);
    EXPECT_EQ(q.state, uint32_t(SELECTOR_CANCELLED));
}

TEST_F(Selector, PressDragAndRelease) {
    CArrowSelector s(3, kWidth, kHeight, false);
    s.Update(1);
    // Pressed on Continue and released outside: nothing.
    Mouse(s, GameEventMouseDown, 520, 60);
    EXPECT_TRUE(s.areas[kSelectorContinueArea].pressed);
    Mouse(s, GameEventMousePosition, 700, 300);
    EXPECT_FALSE(s.areas[kSelectorContinueArea].pressed);
    Mouse(s, GameEventMouseUp, 700, 300);
    EXPECT_EQ(s.state, uint32_t(SELECTOR_APPEARING));
    EXPECT_EQ(s.heldArea, nullptr);
    // Dragged out and back in before the release: it acts.
    Mouse(s, GameEventMouseDown, 520, 60);
    Mouse(s, GameEventMousePosition, 700, 300);
    Mouse(s, GameEventMousePosition, 600, 80);
    EXPECT_TRUE(s.areas[kSelectorContinueArea].pressed);
    // Pressed on Cancel while Enter holds Continue down, released over Continue:
    // neither button acts.
    CArrowSelector t(3, kWidth, kHeight, false);
    t.Update(1);
    Press(t, 13);
    Mouse(t, GameEventMouseDown, 400, 60);
    Mouse(t, GameEventMouseUp, 600, 60);
    EXPECT_EQ(t.state, uint32_t(SELECTOR_APPEARING));
    EXPECT_FALSE(t.areas[kSelectorCancelArea].pressed);
    // A release with nothing held, and one over no area, do nothing.
    Mouse(t, GameEventMouseUp, 600, 60);
    Mouse(t, GameEventMouseUp, 5, 5);
    EXPECT_EQ(t.state, uint32_t(SELECTOR_APPEARING));
    // The right arrow clicked: one move; Continue clicked: a confirmation.
    Click(t, 680, 110);
    t.Update(0.01);
    EXPECT_EQ(t.target, 1u);
    t.Update(1);
    Click(t, 600, 60);
    EXPECT_EQ(t.state, uint32_t(SELECTOR_CONFIRMING));
    // Back to the first: a press on a disabled arrow holds nothing.
    Mouse(s, GameEventMouseUp, 600, 80);
    EXPECT_EQ(s.state, uint32_t(SELECTOR_CONFIRMING));
    CArrowSelector u(3, kWidth, kHeight, false);
    u.Update(0.01);
    Mouse(u, GameEventMouseDown, 330, 110);  // left arrow at item 0
    EXPECT_EQ(u.heldArea, nullptr);
    EXPECT_FALSE(u.areas[kSelectorLeftArea].pressed);
}

}  // namespace

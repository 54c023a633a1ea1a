// Glyph text layout: fitting, centring, lower case and skipped characters.
#include <gtest/gtest.h>

#include "display/dp_glyph_text.h"

namespace {

TEST(GlyphTextLayout, TwoCapitalsFitAtScaleOne) {
    // A (1..31) and B (32..62): 60 texels; scale min(120 / 60, 50 / 50) = 1.
    auto q = LayoutGlyphText("AB", false, 10.0, 5.0, 120.0, 50.0);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_DOUBLE_EQ(q[0].left, 10.0);
    EXPECT_DOUBLE_EQ(q[0].right, 40.0);
    EXPECT_DOUBLE_EQ(q[1].left, 40.0);
    EXPECT_DOUBLE_EQ(q[1].right, 70.0);
    EXPECT_DOUBLE_EQ(q[0].bottom, 5.0);
    EXPECT_DOUBLE_EQ(q[0].top, 55.0);
    // The texture window of A: u 1/256, du 30/256, v 1 - 50/256, dv 50/256.
    EXPECT_DOUBLE_EQ(q[0].u, 1.0 / 256);
    EXPECT_DOUBLE_EQ(q[0].du, 30.0 / 256);
    EXPECT_DOUBLE_EQ(q[0].v, 1.0 - 50.0 / 256);
    EXPECT_DOUBLE_EQ(q[0].dv, 50.0 / 256);
}

TEST(GlyphTextLayout, CentringMovesRightByHalfTheSpareWidth) {
    auto q = LayoutGlyphText("AB", true, 10.0, 5.0, 120.0, 50.0);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_DOUBLE_EQ(q[0].left, 40.0);
    EXPECT_DOUBLE_EQ(q[0].bottom, 5.0);
    EXPECT_DOUBLE_EQ(q[1].right, 100.0);
}

TEST(GlyphTextLayout, LowerCaseIsThreeQuartersOnTheSameBaseline) {
    auto q = LayoutGlyphText("ab", false, 0.0, 0.0, 1000.0, 50.0);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_DOUBLE_EQ(q[1].right - q[0].left, 45.0);
    EXPECT_DOUBLE_EQ(q[0].top - q[0].bottom, 37.5);
    EXPECT_DOUBLE_EQ(q[0].bottom, 0.0);
    EXPECT_DOUBLE_EQ(q[0].u, 1.0 / 256);  // the capital's glyph
}

TEST(GlyphTextLayout, UnsupportedCharactersTakeNoRoom) {
    auto plain = LayoutGlyphText("AB", true, 0.0, 0.0, 200.0, 20.0);
    auto odd = LayoutGlyphText("A?B!", true, 0.0, 0.0, 200.0, 20.0);
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_DOUBLE_EQ(odd[0].left, plain[0].left);
    EXPECT_DOUBLE_EQ(odd[1].right, plain[1].right);
}

TEST(GlyphTextLayout, NarrowBoxesShrinkToTheWidth) {
    // "M" is 36 texels: in a 18 x 50 box the scale is 0.5, centred vertically.
    auto q = LayoutGlyphText("M", true, 0.0, 0.0, 18.0, 50.0);
    ASSERT_EQ(q.size(), 1u);
    EXPECT_DOUBLE_EQ(q[0].right - q[0].left, 18.0);
    EXPECT_DOUBLE_EQ(q[0].top - q[0].bottom, 25.0);
    EXPECT_DOUBLE_EQ(q[0].bottom, 12.5);
}

TEST(GlyphTextLayout, EmptyAndNullTextsDrawNothing) {
    EXPECT_TRUE(LayoutGlyphText("", true, 0, 0, 10, 10).empty());
    EXPECT_TRUE(LayoutGlyphText(nullptr, true, 0, 0, 10, 10).empty());
    EXPECT_TRUE(LayoutGlyphText("?!", true, 0, 0, 10, 10).empty());
}

}  // namespace

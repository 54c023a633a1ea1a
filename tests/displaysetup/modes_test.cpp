// The usable modes of a made-up mode list: the filters, duplicates and the order.
#include <gtest/gtest.h>

#include <vector>

#include "displaysetup/ds_modes.h"

namespace {

std::vector<DisplayMode> Collect(uint32_t index, const std::vector<PlatformDisplayMode>& modes) {
    std::vector<DisplayMode> out;
    CollectDisplayModes(index, modes, out);
    return out;
}

bool Same(const DisplayMode& a, const DisplayMode& b) {
    return a.index == b.index && a.width == b.width && a.height == b.height && a.depth == b.depth;
}

TEST(DisplayModes, FiltersCollapsesAndOrders) {
    // 8 bits fails the depth limit, 720 x 400 the height limit; the two refresh rates
    // of 640 x 480 x 16 are one mode.
    std::vector<DisplayMode> modes = Collect(1, {{640, 480, 8, 60},
                                                 {640, 480, 16, 60},
                                                 {800, 600, 32, 60},
                                                 {640, 480, 16, 75},
                                                 {720, 400, 32, 70}});
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_TRUE(Same(modes[0], {1, 640, 480, 16}));
    EXPECT_TRUE(Same(modes[1], {1, 800, 600, 32}));

    // Limits are inclusive; 639 wide or 479 high is out.
    EXPECT_EQ(Collect(0, {{639, 480, 32, 0}, {640, 479, 32, 0}, {640, 480, 15, 0}}).size(), 0u);
    EXPECT_EQ(Collect(0, {}).size(), 0u);

    // Every 16-bit mode before every 32-bit one; equal pixel counts by width.
    modes = Collect(0, {{1920, 1080, 16, 0},
                        {1280, 720, 32, 0},
                        {960, 960, 32, 0},
                        {640, 480, 32, 0},
                        {1024, 768, 24, 0},
                        {800, 600, 16, 0}});
    const std::vector<DisplayMode> expected = {{0, 800, 600, 16},  {0, 1920, 1080, 16},
                                               {0, 1024, 768, 24}, {0, 640, 480, 32},
                                               {0, 960, 960, 32},  {0, 1280, 720, 32}};
    ASSERT_EQ(modes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(Same(modes[i], expected[i])) << i;

    // Appended to what the caller passed.
    std::vector<DisplayMode> out = {{7, 1, 1, 1}};
    CollectDisplayModes(0, {{640, 480, 32, 0}}, out);
    EXPECT_EQ(out.size(), 2u);
}

TEST(DisplayModes, LessComparesFieldByField) {
    EXPECT_TRUE(DisplayModeLess({0, 2000, 2000, 32}, {1, 640, 480, 16}));
    EXPECT_TRUE(DisplayModeLess({0, 2000, 2000, 16}, {0, 640, 480, 24}));
    EXPECT_TRUE(DisplayModeLess({0, 960, 960, 32}, {0, 1280, 720, 32}));
    EXPECT_FALSE(DisplayModeLess({0, 1280, 720, 32}, {0, 960, 960, 32}));
    // Equal pixel count and width cannot differ in height; equal modes order neither way.
    EXPECT_FALSE(DisplayModeLess({0, 800, 600, 32}, {0, 800, 600, 32}));
    // The pixel count is a 32-bit product: 65536 x 65536 wraps to 0.
    EXPECT_TRUE(DisplayModeLess({0, 65536, 65536, 32}, {0, 640, 480, 32}));
}

}  // namespace

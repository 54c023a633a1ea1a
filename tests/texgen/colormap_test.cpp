// Colour maps: the inverted blend inside an interval, the jump across interior stops,
// extrapolation outside the stops and the degenerate maps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "app/app_random.h"
#include "texgen/tg_colormap.h"

namespace {

constexpr double kTolerance = 1e-12;
const ColorValue A{1.0, 0.1, 0.2, 0.3};
const ColorValue B{0.8, 0.5, 0.6, 0.4};
const ColorValue C{0.6, 0.9, 0.0, 1.0};

void ExpectColor(const ColorValue& actual, double a, double r, double g, double b) {
    EXPECT_NEAR(actual.alpha, a, kTolerance);
    EXPECT_NEAR(actual.red, r, kTolerance);
    EXPECT_NEAR(actual.green, g, kTolerance);
    EXPECT_NEAR(actual.blue, b, kTolerance);
}

ColorValue Mix(const ColorValue& p, double fp, const ColorValue& q, double fq) {
    return ColorValue{p.alpha * fp + q.alpha * fq, p.red * fp + q.red * fq,
                      p.green * fp + q.green * fq, p.blue * fp + q.blue * fq};
}

void ExpectColor(const ColorValue& actual, const ColorValue& expected) {
    ExpectColor(actual, expected.alpha, expected.red, expected.green, expected.blue);
}

class ThreeStopMap : public ::testing::Test {
protected:
    void SetUp() override {
        map.AddStop(0.0, A, 1.0);
        map.AddStop(0.5, B, 1.0);
        map.AddStop(1.0, C, 1.0);
    }
    CColorMap map;
};

TEST_F(ThreeStopMap, BlendRunsFromTheUpperStopToTheLower) {
    ExpectColor(map.Lookup(0.0), B);
    ExpectColor(map.Lookup(0.25), Mix(A, 0.5, B, 0.5));
    ExpectColor(map.Lookup(0.5), A);
    ExpectColor(map.Lookup(0.75), Mix(B, 0.5, C, 0.5));
    ExpectColor(map.Lookup(1.0), B);
    // Just above the interior stop the colour is about C.
    ExpectColor(map.Lookup(0.5 + 1e-13), Mix(C, 1.0, B, 0.0));
}

TEST_F(ThreeStopMap, ExtrapolatesOutsideTheStops) {
    ExpectColor(map.Lookup(-0.5), Mix(B, 2.0, A, -1.0));
    ExpectColor(map.Lookup(1.5), Mix(B, 2.0, C, -1.0));
}

TEST_F(ThreeStopMap, NotANumberFallsIntoTheFirstInterval) {
    ColorValue c = map.Lookup(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(c.red));
}

TEST(ColorMap, SingleStopAndCoincidentStops) {
    CColorMap one;
    one.AddStop(0.3, A, 1.0);
    for (double v : {-5.0, 0.3, 0.9}) ExpectColor(one.Lookup(v), A);
    CColorMap twin;
    twin.AddStop(0.4, A, 1.0);
    twin.AddStop(0.4, B, 1.0);
    for (double v : {0.0, 0.4, 1.0}) ExpectColor(twin.Lookup(v), B);
}

TEST(ColorMap, EmptyMapAnswersTransparentBlack) {
    CColorMap empty;
    ExpectColor(empty.Lookup(0.5), 0.0, 0.0, 0.0, 0.0);
}

TEST(ColorMap, OpacityScalesOnlyAlpha) {
    CColorMap map;
    map.AddStop(0.0, ColorValue{0.8, 1.0, 0.5, 0.0}, 0.5);
    ASSERT_EQ(map.Stops().size(), 1u);
    ExpectColor(map.Stops()[0].color, 0.4, 1.0, 0.5, 0.0);
    EXPECT_EQ(map.RefCount(), 1);
}

TEST(ColorMap, BandsHoldTheirColour) {
    const ColorValue white{1, 1, 1, 1};
    const ColorValue yellow{1, 1, 1, 0};
    CColorMap alone;
    alone.AddBand(0.4, 0.5, yellow, 1.0);
    for (double v : {0.4, 0.45, 0.5}) ExpectColor(alone.Lookup(v), yellow);
    CColorMap map;
    map.AddBand(0.0, 0.1, white, 1.0);
    map.AddBand(0.4, 0.5, yellow, 1.0);
    ASSERT_EQ(map.Stops().size(), 4u);
    for (double v : {0.4, 0.43, 0.47, 0.5}) {
        // 0.4 itself lies in the interval that ends there: white.
        if (v == 0.4)
            ExpectColor(map.Lookup(v), white);
        else
            ExpectColor(map.Lookup(v), yellow);
    }
    ColorValue near = map.Lookup(0.1 + 1e-9);
    EXPECT_NEAR(near.blue, 0.0, 1e-8);
}

// The fast lookups (one value and a run) against the binary search, bit for bit, over
// maps of every shape the game makes and some it does not: random ascending maps of 1
// to 20 stops, runs of equal stops (also at both ends), signed zeros, an unordered map
// and one with a position that is not a number. Values: every stop, its neighbours one
// step either side, midpoints, far outside, both infinities, not a number, and random
// draws.
TEST(ColorMap, FastLookupEqualsTheBinarySearch) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    CRandomSource source(2024);
    auto unit = [&source]() { return source.NextU32() / 4294967296.0; };
    std::vector<std::vector<double>> layouts;
    for (int m = 0; m < 60; ++m) {
        std::vector<double> p(1 + m % 20);
        for (double& x : p) x = unit();
        // Some maps get runs of equal stops: every third position copies its left.
        if (m % 3 == 0)
            for (size_t i = 1; i < p.size(); i += 3) p[i] = p[i - 1];
        std::sort(p.begin(), p.end());
        layouts.push_back(p);
    }
    layouts.push_back({0.0, 0.0, 0.0});
    layouts.push_back({0.0, 0.0, 0.5, 1.0, 1.0});
    layouts.push_back({-0.0, 0.0, 1.0});
    layouts.push_back({0.2, 0.2, 0.2, 0.2, 0.7});
    layouts.push_back({0.9, 0.1, 0.5, 0.3});         // not ascending
    layouts.push_back({0.1, nan, 0.5, 0.6});         // a position that is not a number
    layouts.push_back({0.1, 0.4, 0.8, 0.3, 0.9});    // ascending, then not
    for (const std::vector<double>& positions : layouts) {
        CColorMap map;
        std::vector<double> values = {-kInf, kInf, nan, -1e300, 1e300, -0.0, 0.0};
        for (double p : positions) {
            map.AddStop(p, ColorValue{unit(), unit(), unit(), unit()}, unit());
            values.push_back(p);
            values.push_back(std::nextafter(p, -kInf));
            values.push_back(std::nextafter(p, kInf));
            values.push_back(p - 1e-10);
            values.push_back(p + 1e-10);
        }
        for (size_t i = 1; i < positions.size(); ++i)
            values.push_back(0.5 * (positions[i - 1] + positions[i]));
        for (int r = 0; r < 300; ++r) values.push_back(unit() * 2.0 - 0.5);
        // The run version over every value, an odd count so the last goes alone.
        if (values.size() % 2 == 0) values.push_back(0.5);
        std::vector<ColorValue> run(values.size());
        map.LookupRun(values.data(), run.data(), values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            const double v = values[i];
            const ColorValue fast = map.Lookup(v);
            const ColorValue searched = map.LookupBySearch(v);
            EXPECT_EQ(std::memcmp(&fast, &searched, sizeof fast), 0)
                << "value " << v << " in a map of " << positions.size() << " stops";
            EXPECT_EQ(std::memcmp(&run[i], &searched, sizeof fast), 0)
                << "value " << v << " in a run over a map of " << positions.size() << " stops";
        }
    }
}

}  // namespace

// The automatic display test's choice among candidates measured by a made-up trial:
// the candidates of the first mode's aspect ratio, the rating by depth and width,
// ties, failures, windows that do not open, and an abort.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "displaysetup/ds_display_test.h"

namespace {

// A made-up display: per candidate, in order, what its trial gives.
struct Script {
    std::vector<DisplayTrial> trials;
    std::vector<DisplayMode> tried;
    std::vector<std::pair<double, double>> slices;
};

DisplayTrial Scripted(void* context, const DisplayMode& candidate, double from, double to) {
    Script& s = *static_cast<Script*>(context);
    const size_t i = s.tried.size();
    s.tried.push_back(candidate);
    s.slices.push_back({from, to});
    return i < s.trials.size() ? s.trials[i] : DisplayTrial{false, false, {}};
}

DisplayTrial Scored(double score) {
    QualitySettings q = {score, true, false, true, 1, 5, 1, 1};
    return {false, true, q};
}

bool Same(const DisplayMode& a, const DisplayMode& b) {
    return a.index == b.index && a.width == b.width && a.height == b.height && a.depth == b.depth;
}

TEST(DisplayTestChoice, CandidatesShareTheFirstModesAspect) {
    const std::vector<DisplayMode> modes = {{0, 640, 480, 16},  {0, 1280, 720, 16},
                                            {0, 800, 600, 32},  {0, 1024, 768, 32},
                                            {0, 1280, 1024, 32}, {0, 1600, 1200, 32}};
    const std::vector<DisplayMode> c = SelectDisplayTestCandidates(modes);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_TRUE(Same(c[0], modes[0]));
    EXPECT_TRUE(Same(c[1], modes[2]));
    EXPECT_TRUE(Same(c[2], modes[3]));
    EXPECT_TRUE(Same(c[3], modes[5]));
    // The first mode qualifies whatever its shape; integer division decides the rest
    // (480 x 854 / 640 = 640.5 truncates to 640).
    const std::vector<DisplayMode> wide = {{0, 640, 480, 32}, {0, 854, 640, 32}};
    EXPECT_EQ(SelectDisplayTestCandidates(wide).size(), 2u);
    EXPECT_TRUE(SelectDisplayTestCandidates({}).empty());
}

TEST(DisplayTestChoice, RatingsWeighDepthAndWidth) {
    // A 16-bit mode scores 0.8 of the same result at 24 or 32 bits, where the
    // display offers several depths; with one depth there is nothing to weigh.
    EXPECT_DOUBLE_EQ(RateDisplayCandidate({0, 800, 600, 16}, 0.9, true), 0.9 * 0.8 * std::log(800.0));
    EXPECT_DOUBLE_EQ(RateDisplayCandidate({0, 800, 600, 24}, 0.9, true), 0.9 * std::log(800.0));
    EXPECT_DOUBLE_EQ(RateDisplayCandidate({0, 800, 600, 16}, 0.9, false), 0.9 * std::log(800.0));
    EXPECT_DOUBLE_EQ(RateDisplayCandidate({0, 1024, 768, 32}, 0.5, true) /
                         RateDisplayCandidate({0, 800, 600, 32}, 0.5, true),
                     std::log(1024.0) / std::log(800.0));

    // 16 and 32 bits offered: 800 x 600 x 16 at 1.0 rates 0.8 ln 800 = 5.35 and loses
    // to 640 x 480 x 32 at 0.9 (5.82), which loses to 1024 x 768 x 32 at 0.85 (5.89).
    Script s;
    s.trials = {Scored(1.0), Scored(0.9), Scored(0.85)};
    const std::vector<DisplayMode> modes = {{0, 800, 600, 16}, {0, 640, 480, 32},
                                            {0, 1024, 768, 32}};
    DisplayMode best = {9, 9, 9, 9};
    QualitySettings q = {};
    EXPECT_TRUE(ChooseDisplayTestMode(modes, Scripted, &s, best, &q));
    EXPECT_TRUE(Same(best, modes[2]));
    EXPECT_EQ(q.Score, 0.85);
    // The progress bar runs in thirds across the candidates.
    ASSERT_EQ(s.slices.size(), 3u);
    EXPECT_EQ(s.slices[1].first, 1.0 / 3.0);
    EXPECT_EQ(s.slices[1].second, 2.0 / 3.0);
    EXPECT_EQ(s.slices[2].second, 1.0);

    // All 16-bit: the same scores with no penalty, the earlier of equal ratings
    // winning and a null quality pointer allowed.
    Script equal;
    equal.trials = {Scored(0.5), Scored(0.5 * std::log(800.0) / std::log(1024.0))};
    const std::vector<DisplayMode> flat = {{0, 800, 600, 16}, {0, 1024, 768, 16}};
    EXPECT_TRUE(ChooseDisplayTestMode(flat, Scripted, &equal, best, nullptr));
    EXPECT_EQ(best.width, 800u);
}

TEST(DisplayTestChoice, FailuresAndAbort) {
    const std::vector<DisplayMode> modes = {{1, 640, 480, 24}, {1, 800, 600, 24},
                                            {1, 1024, 768, 24}, {1, 1600, 1200, 24}};
    DisplayMode best = {9, 9, 9, 9};
    QualitySettings q = {};
    q.Score = -1.0;

    // A window that does not open and a failed choice score nothing; the rest decide.
    Script s;
    // (0.3 ln 640 = 1.94 < 0.28 ln 1600 = 2.07; the failed choice's 2.0 counts nothing.)
    s.trials = {Scored(0.3), {false, false, {}}, {false, false, {2.0, true, true, true, 1, 5, 1, 1}}, Scored(0.28)};
    EXPECT_TRUE(ChooseDisplayTestMode(modes, Scripted, &s, best, &q));
    EXPECT_EQ(s.tried.size(), 4u);
    EXPECT_TRUE(Same(best, modes[3]));
    EXPECT_EQ(q.Score, 0.28);

    // Aborted in candidate 3 of 4: nothing more is tried, nothing is written.
    Script aborted;
    aborted.trials = {Scored(0.9), Scored(0.9), {true, false, {}}};
    best = {9, 9, 9, 9};
    q.Score = -1.0;
    EXPECT_FALSE(ChooseDisplayTestMode(modes, Scripted, &aborted, best, &q));
    EXPECT_EQ(aborted.tried.size(), 3u);
    EXPECT_EQ(best.index, 9u);
    EXPECT_EQ(q.Score, -1.0);

    // Nothing scored, or no modes at all: false, nothing tried or written.
    Script none;
    EXPECT_FALSE(ChooseDisplayTestMode(modes, Scripted, &none, best, &q));
    Script empty;
    EXPECT_FALSE(ChooseDisplayTestMode({}, Scripted, &empty, best, &q));
    EXPECT_TRUE(empty.tried.empty());
    EXPECT_EQ(best.index, 9u);
}

}  // namespace

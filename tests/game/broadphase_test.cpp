// The sweep-and-prune broad phase: touching history, enabling and disabling, the
// lazy pair list and its order, against counts worked out by hand and by brute force.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "app/app_random.h"
#include "game/gm_broadphase.h"

namespace {

std::vector<std::pair<uint32_t, uint32_t>> Pairs(CBroadPhase& bp) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (BroadPhasePair* p = bp.FirstPair().node; p; p = p->next) out.push_back({p->a, p->b});
    return out;
}

using PairList = std::vector<std::pair<uint32_t, uint32_t>>;

// Two craft-and-falling objects (an allowed pair) and one of a disallowed type.
class BroadPhaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        bp.AllowTypePair(0, 3);
        a = bp.AddObject(0, 10);
        b = bp.AddObject(3, 20);
        c = bp.AddObject(4, 30);  // (0, 4) and (3, 4) are not allowed
    }
    CBroadPhase bp;
    uint32_t a = 0, b = 0, c = 0;
};

TEST_F(BroadPhaseTest, AddObjectNumbersFromZeroAndStoresTypeAndUserValue) {
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 1u);
    EXPECT_EQ(bp.ObjectCount(), 3u);
    EXPECT_EQ(bp.GetType(b), 3);
    EXPECT_EQ(bp.GetUserValue(c), 30u);
    EXPECT_FALSE(bp.IsEnabled(a));
    EXPECT_EQ(bp.Endpoint(b, 3).value, 0.0);
    bp.SetUserValue(b, 7);
    EXPECT_EQ(bp.GetUserValue(b), 7u);
    EXPECT_TRUE(bp.IsTypePairAllowed(3, 0));
    EXPECT_FALSE(bp.IsTypePairAllowed(0, 4));
}

TEST_F(BroadPhaseTest, FirstPairOnAnEmptyListGivesNoNode) {
    BroadPhasePairIterator it = bp.FirstPair();
    EXPECT_EQ(it.broadPhase, &bp);
    EXPECT_EQ(it.node, nullptr);
}

TEST_F(BroadPhaseTest, BoxesThatComeTogetherToTouchingDoNotOverlap) {
    bp.SetBox(a, 0, 0, 1, 1);
    bp.SetBox(b, 2, 0, 3, 1);
    bp.SetEnabled(a, true);
    bp.SetEnabled(b, true);
    EXPECT_EQ(bp.PairCounter(a, b), 3);  // apart on x only
    bp.SetBox(b, 1, 0, 2, 1);            // b's min x comes down onto a's max x
    EXPECT_EQ(bp.PairCounter(a, b), 3);
    EXPECT_TRUE(Pairs(bp).empty());
}

TEST_F(BroadPhaseTest, BoxesThatDrawApartToTouchingStillOverlap) {
    bp.SetBox(a, 0, 0, 1, 1);
    bp.SetBox(b, 0.5, 0, 1.5, 1);
    bp.SetEnabled(a, true);
    bp.SetEnabled(b, true);
    EXPECT_EQ(Pairs(bp), (PairList{{a, b}}));
    bp.SetBox(b, 1, 0, 2, 1);  // b's min x rises onto a's max x: equal values never swap
    EXPECT_EQ(bp.PairCounter(a, b), 0x84);
    EXPECT_EQ(Pairs(bp), (PairList{{a, b}}));
    bp.SetBox(b, 1.25, 0, 2, 1);  // now strictly apart
    EXPECT_TRUE(Pairs(bp).empty());
    EXPECT_EQ(bp.PairCounter(a, b), 3);  // flag cleared by the pruning
}

TEST_F(BroadPhaseTest, SharedYEdgesOfTouchingBlocksAreKeptLikewise) {
    // Stacked unit boxes touching along y = 1, enabled in this order: the second's
    // min y sifts down from the tail and stops at the equal max y.
    bp.SetBox(a, 0, 0, 1, 1);
    bp.SetBox(b, 0, 1, 1, 2);
    bp.SetEnabled(a, true);
    bp.SetEnabled(b, true);
    EXPECT_EQ(bp.PairCounter(a, b), 3);
}

TEST_F(BroadPhaseTest, InvertedBoxIsSortedByItsValuesAndNeverPairsWithItself) {
    bp.SetBox(a, 2, 2, 1, 1);  // min above max
    EXPECT_EQ(bp.Endpoint(a, 0).value, 2.0);
    EXPECT_EQ(bp.Endpoint(a, 1).value, 1.0);
    bp.SetEnabled(a, true);
    // The x list runs max (1) then min (2).
    EXPECT_EQ(bp.Head(0).next, &bp.Endpoint(a, 1));
    EXPECT_EQ(bp.Head(0).next->next, &bp.Endpoint(a, 0));
    EXPECT_EQ(bp.Head(0).next->next->next, &bp.Tail(0));
    EXPECT_TRUE(Pairs(bp).empty());
}

TEST_F(BroadPhaseTest, EnablingAnOverlappingObjectListsTheAllowedPairAtOnce) {
    bp.SetBox(a, 0, 0, 2, 2);
    bp.SetEnabled(a, true);
    bp.SetBox(b, 1, 1, 3, 3);
    EXPECT_EQ(bp.PairCounter(a, b), 0);  // a disabled object's box only stores values
    bp.SetEnabled(b, true);
    EXPECT_EQ(bp.PairCounter(a, b), 0x84);
    EXPECT_EQ(Pairs(bp), (PairList{{a, b}}));
}

TEST_F(BroadPhaseTest, DisallowedPairIsCountedButNeverListed) {
    bp.SetBox(a, 0, 0, 2, 2);
    bp.SetBox(c, 1, 1, 3, 3);
    bp.SetEnabled(a, true);
    bp.SetEnabled(c, true);
    EXPECT_EQ(bp.PairCounter(a, c), 4);
    EXPECT_TRUE(Pairs(bp).empty());
}

TEST_F(BroadPhaseTest, SeparatingAndOverlappingAgainBeforeFirstPairListsOnce) {
    bp.SetBox(a, 0, 0, 2, 2);
    bp.SetBox(b, 1, 1, 3, 3);
    bp.SetEnabled(a, true);
    bp.SetEnabled(b, true);
    bp.SetBox(b, 5, 1, 6, 3);
    EXPECT_EQ(bp.PairCounter(a, b), 0x83);  // apart on x only, still flagged
    bp.SetBox(b, 1, 1, 3, 3);
    EXPECT_EQ(bp.PairCounter(a, b), 0x84);
    EXPECT_EQ(Pairs(bp), (PairList{{a, b}}));
}

TEST_F(BroadPhaseTest, DisablingAndReenablingBeforeFirstPairListsTwice) {
    bp.SetBox(a, 0, 0, 2, 2);
    bp.SetBox(b, 1, 1, 3, 3);
    bp.SetEnabled(a, true);
    bp.SetEnabled(b, true);
    bp.SetEnabled(b, false);
    EXPECT_EQ(bp.PairCounter(a, b), 0);  // the node stays, the counter is cleared
    EXPECT_FALSE(bp.IsEnabled(b));
    EXPECT_EQ(bp.Endpoint(b, 0).next, nullptr);  // unlinked, value kept
    EXPECT_EQ(bp.Endpoint(b, 0).value, 1.0);
    bp.SetEnabled(b, true);
    EXPECT_EQ(Pairs(bp), (PairList{{a, b}, {a, b}}));
    // Once the pair separates both nodes go.
    bp.SetBox(b, 5, 5, 6, 6);
    EXPECT_TRUE(Pairs(bp).empty());
}

TEST_F(BroadPhaseTest, DisablingDropsThePairAtTheNextFirstPair) {
    bp.SetBox(a, 0, 0, 2, 2);
    bp.SetBox(b, 1, 1, 3, 3);
    bp.SetEnabled(a, true);
    bp.SetEnabled(b, true);
    bp.SetEnabled(a, false);
    EXPECT_TRUE(Pairs(bp).empty());
    EXPECT_EQ(bp.Head(0).next->owner, b);
}

TEST_F(BroadPhaseTest, SetBoxWithTheStoredValuesChangesNothing) {
    bp.SetBox(a, 0, 0, 2, 2);
    bp.SetBox(b, 1, 1, 3, 3);
    bp.SetEnabled(a, true);
    bp.SetEnabled(b, true);
    const BroadPhaseEndpoint* before = bp.Head(1).next;
    bp.SetBox(b, 1, 1, 3, 3);
    EXPECT_EQ(bp.Head(1).next, before);
    EXPECT_EQ(bp.PairCounter(a, b), 0x84);
    EXPECT_EQ(Pairs(bp).size(), 1u);
}

TEST(BroadPhaseOrder, NewestPairFirstAndPruningKeepsTheSurvivorsOrder) {
    CBroadPhase bp;
    bp.AllowTypePair(0, 3);
    uint32_t craft = bp.AddObject(0, 0);
    uint32_t f[3];
    for (uint32_t i = 0; i < 3; ++i) f[i] = bp.AddObject(3, i);
    bp.SetBox(craft, 0, 0, 10, 10);
    bp.SetEnabled(craft, true);
    for (uint32_t i : {2u, 0u, 1u}) {
        bp.SetBox(f[i], i, i, i + 1.0, i + 1.0);
        bp.SetEnabled(f[i], true);
    }
    EXPECT_EQ(Pairs(bp), (PairList{{craft, f[1]}, {craft, f[0]}, {craft, f[2]}}));
    bp.SetBox(f[0], 20, 20, 21, 21);  // leaves the middle of the list
    EXPECT_EQ(Pairs(bp), (PairList{{craft, f[1]}, {craft, f[2]}}));
    bp.SetBox(f[0], 1, 1, 2, 2);      // comes back as the newest
    EXPECT_EQ(Pairs(bp), (PairList{{craft, f[0]}, {craft, f[1]}, {craft, f[2]}}));
}

TEST(BroadPhaseOrder, NodePoolGrowsInBlocksOf340) {
    CBroadPhase bp;
    bp.AllowTypePair(0, 5);
    uint32_t craft = bp.AddObject(0, 0);
    bp.SetBox(craft, -1000, -1000, 1000, 1000);
    bp.SetEnabled(craft, true);
    for (uint32_t i = 0; i < 341; ++i) {
        uint32_t o = bp.AddObject(5, i);
        bp.SetBox(o, i, 0, i + 0.5, 1);
        bp.SetEnabled(o, true);
        EXPECT_EQ(bp.PoolBlockCount(), i < 340 ? 1u : 2u);
    }
    EXPECT_EQ(Pairs(bp).size(), 341u);
}

TEST(BroadPhaseOrder, TheFullCapacityFits) {
    CBroadPhase bp;
    for (uint32_t i = 0; i < CBroadPhase::kCapacity; ++i) bp.AddObject(5, i);
    EXPECT_EQ(bp.ObjectCount(), 1130u);
    bp.SetBox(1129, 1, 1, 2, 2);
    bp.SetEnabled(1129, true);
    bp.SetEnabled(1128, true);
    EXPECT_EQ(bp.PairCounter(1128, 1129), 2);  // the zero box lies below on both axes
    bp.SetEnabled(1129, false);
    EXPECT_EQ(bp.PairCounter(1128, 1129), 0);
}

// Random moves, enables and disables against a count made from the list positions.
TEST(BroadPhaseRandom, CountersAndListedPairsMatchBruteForce) {
    CBroadPhase bp;
    bp.AllowTypePair(0, 1);
    bp.AllowTypePair(1, 1);
    const uint32_t n = 40;
    for (uint32_t i = 0; i < n; ++i) bp.AddObject(static_cast<uint8_t>(i % 3), i);
    CRandomSource random(99);
    auto coordinate = [&] { return static_cast<double>(random.Below(20)) * 0.5; };
    for (int round = 0; round < 3000; ++round) {
        const uint32_t o = random.Below(n);
        const uint32_t action = random.Below(10);
        if (action == 0) {
            bp.SetEnabled(o, !bp.IsEnabled(o));
        } else {
            const double x = coordinate(), y = coordinate();
            bp.SetBox(o, x, y, x + coordinate() * 0.5, y + coordinate() * 0.5);
        }
        if (round % 7 != 0) continue;

        uint32_t position[4 * n] = {};
        for (int axis = 0; axis < 2; ++axis) {
            uint32_t rank = 0;
            for (const BroadPhaseEndpoint* e = bp.Head(axis).next; e != &bp.Tail(axis);
                 e = e->next) {
                ASSERT_LE(e->prev->value, e->value);
                position[4 * e->owner + e->kind] = ++rank;
            }
        }
        std::set<std::pair<uint32_t, uint32_t>> expected;
        for (uint32_t i = 0; i < n; ++i) {
            for (uint32_t j = i + 1; j < n; ++j) {
                if (!bp.IsEnabled(i) || !bp.IsEnabled(j)) {
                    ASSERT_EQ(bp.PairCounter(i, j) & 0x7F, 0) << i << "," << j;
                    continue;
                }
                int count = (position[4 * i] < position[4 * j + 1]) +
                            (position[4 * j] < position[4 * i + 1]) +
                            (position[4 * i + 2] < position[4 * j + 3]) +
                            (position[4 * j + 2] < position[4 * i + 3]);
                ASSERT_EQ(bp.PairCounter(i, j) & 0x7F, count) << i << "," << j;
                if (count == 4 && bp.IsTypePairAllowed(bp.GetType(i), bp.GetType(j))) {
                    expected.insert({i, j});
                }
            }
        }
        const PairList listed = Pairs(bp);
        std::set<std::pair<uint32_t, uint32_t>> listedSet(listed.begin(), listed.end());
        ASSERT_EQ(listedSet, expected) << "round " << round;
    }
}

}  // namespace

// The random source, against values worked out from its definition.
#include <gtest/gtest.h>

#include "app/app_fault.h"
#include "app/app_random.h"

namespace {

// A straightforward 64-bit Park-Miller step, independent of the Schrage form.
uint32_t ParkMiller(uint32_t x) { return static_cast<uint32_t>((uint64_t{x} * 48271u) % 2147483647u); }

TEST(RandomSourceRefill, SeedZeroStartsAtTheFixedValue) {
    CRandomSource r(0);
    EXPECT_EQ(r.State(), 656673585u);
    EXPECT_EQ(r.Index(), 0u);
    EXPECT_EQ(r.NextU32(), 0x37ADA205u);
}

TEST(RandomSourceRefill, StateOneAdvances512Steps) {
    CRandomSource r(1);
    EXPECT_EQ(r.State(), 1928592452u);
    uint32_t x = 1;
    for (int i = 0; i < 512; ++i) x = ParkMiller(x);
    EXPECT_EQ(x, 1928592452u);
}

TEST(RandomSourceRefill, SchrageMatchesTheDirectProductForLargeStates) {
    // Seeds near the modulus exercise the negative branch of Schrage's step.
    for (uint32_t seed : {2147483646u, 2147483600u, 123456789u, 44488u, 44487u}) {
        CRandomSource r(seed);
        uint32_t x = seed;
        for (int i = 0; i < 512; ++i) x = ParkMiller(x);
        EXPECT_EQ(r.State(), x) << seed;
    }
}

TEST(RandomSourceRefill, MultipleOfTheModulusSticksAtZero) {
    // Non-zero multiples of the modulus as a signed value reach 0 and stay there.
    CRandomSource m(2147483647u);
    EXPECT_EQ(m.State(), 0u);
    CRandomSource negative(0x80000001u);  // -2147483647
    EXPECT_EQ(negative.State(), 0u);
    // A state of 0 restarts from the fixed value at the next refill, as seed 0 does.
    m.Refill();
    EXPECT_NE(m.State(), 0u);
    CRandomSource zero(0);
    EXPECT_EQ(m.State(), zero.State());
}

TEST(RandomSourceDraws, Seed128GivesTheGalaxyStream) {
    CRandomSource r(128);
    EXPECT_EQ(r.State(), 2046698098u);
    EXPECT_EQ(r.NextU32(), 0x990158F8u);
    EXPECT_EQ(r.NextU32(), 0xA8341065u);
    EXPECT_EQ(r.NextU32(), 0x0C00FB30u);
}

TEST(RandomSourceDraws, BelowSmallAndLargeRanges) {
    CRandomSource a(128);
    EXPECT_EQ(a.Below(100), 60u);
    EXPECT_EQ(a.Below(100), 57u);
    EXPECT_EQ(a.Below(100), 96u);
    EXPECT_EQ(a.Index(), 12u);

    CRandomSource b(128);
    EXPECT_EQ(b.Below(70000), 37639u);
    EXPECT_EQ(b.Index(), 5u);  // four bytes and the extra one

    CRandomSource c(128);
    c.Below(65535);  // the largest range without the extra byte
    EXPECT_EQ(c.Index(), 4u);
    CRandomSource d(128);
    d.Below(65536);
    EXPECT_EQ(d.Index(), 5u);
}

TEST(RandomSourceDraws, BelowOneIsAlwaysZeroAndBelowZeroIsAFault) {
    CRandomSource r(7);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(r.Below(1), 0u);
    try {
        r.Below(0);
        FAIL() << "Below(0) returned";
    } catch (const InternalFault& f) {
        EXPECT_STREQ(f.Guid(), "{7C59ED93-7B31-46ea-BAE3-A553AD8AF47C}");
    }
}

TEST(RandomSourceDraws, RefillHappensLazilyAtThe257thDraw) {
    CRandomSource r(5);
    for (int i = 0; i < 256; ++i) r.NextU32();
    EXPECT_EQ(r.Index(), 1024u);
    uint32_t stateBefore = r.State();
    // The 257th draw must come from a freshly stirred pool.
    CRandomSource copy = r;
    copy.Refill();
    uint32_t expected = (uint32_t{copy.Pool()[0]} << 24) | (uint32_t{copy.Pool()[1]} << 16) |
                        (uint32_t{copy.Pool()[2]} << 8) | copy.Pool()[3];
    EXPECT_EQ(r.State(), stateBefore);
    EXPECT_EQ(r.NextU32(), expected);
    EXPECT_EQ(r.Index(), 4u);
}

TEST(RandomSourceColor, FirstDrawAcceptedInsideTheBand) {
    CRandomSource r(128);
    ColorValue c{};
    r.NextColor(c, 0.1, 0.6);
    EXPECT_EQ(c.alpha, 1.0);
    EXPECT_DOUBLE_EQ(c.red, 0.5976768117398024);
    EXPECT_DOUBLE_EQ(c.green, 0.6570444342214614);
    EXPECT_DOUBLE_EQ(c.blue, 0.04688997194170952);
    EXPECT_NEAR((0.59 * c.green + 0.3 * c.red) + 0.11 * c.blue, 0.572117156626191, 1e-15);
    EXPECT_EQ(r.Index(), 12u);
    // The components are the draws scaled exactly by 2^-32.
    EXPECT_EQ(c.red, 0x990158F8u / 4294967296.0);
}

TEST(RandomSourceColor, EmptyBandMakesExactly25Draws) {
    CRandomSource r(9);
    CRandomSource shadow(9);
    ColorValue c{};
    r.NextColor(c, 0.7, 0.2);
    // 25 draws of 12 bytes: 300 bytes.
    EXPECT_EQ(r.Index(), 300u);
    for (int i = 0; i < 72; ++i) shadow.NextU32();
    EXPECT_EQ(c.red, shadow.NextU32() / 4294967296.0);
    EXPECT_EQ(c.green, shadow.NextU32() / 4294967296.0);
    EXPECT_EQ(c.blue, shadow.NextU32() / 4294967296.0);
}

TEST(RandomSourceColor, BoundsAreInclusive) {
    CRandomSource probe(128);
    ColorValue first{};
    probe.NextColor(first, -1.0, 2.0);
    double lum = (0.59 * first.green + 0.3 * first.red) + 0.11 * first.blue;
    CRandomSource r(128);
    ColorValue c{};
    r.NextColor(c, lum, lum);
    EXPECT_EQ(r.Index(), 12u);
}

TEST(RandomSourceFork, DependsOnSaltAndParentIndex) {
    CRandomSource parent(148);
    CRandomSource child(parent, 111);
    EXPECT_EQ(child.Index(), 0u);
    EXPECT_EQ(child.NextU32(), 0xF158B64Cu);
    EXPECT_EQ(child.NextU32(), 0x43140F3Du);
    EXPECT_EQ(parent.Index(), 0u);  // the parent is not changed

    parent.NextU32();
    CRandomSource later(parent, 111);
    EXPECT_EQ(later.NextU32(), 0xBFD0A8FFu);
    EXPECT_EQ(later.NextU32(), 0xE8E6F0D4u);
}

TEST(RandomSourceFork, ForkOfAUsedUpParentUsesIndex1024) {
    CRandomSource a(148);
    for (int i = 0; i < 256; ++i) a.NextU32();
    ASSERT_EQ(a.Index(), 1024u);
    CRandomSource fa(a, 3);
    // Same pool and state, different read position: a different child.
    CRandomSource b(148);
    for (int i = 0; i < 256; ++i) b.NextU32();
    b.Refill();
    CRandomSource fb(b, 3);
    EXPECT_NE(fa.NextU32(), fb.NextU32());
    // And the fork is deterministic.
    CRandomSource fa2(a, 3);
    CRandomSource fa3(a, 3);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(fa2.NextU32(), fa3.NextU32());
}

TEST(RandomSourceFork, SaltZeroIsValid) {
    CRandomSource parent(0);
    CRandomSource child(parent, 0);
    CRandomSource again(parent, 0);
    EXPECT_EQ(child.NextU32(), again.NextU32());
}

TEST(RandomSourcePerRun, SeededFromTheRunCounter) {
    uint32_t saved = RunCounter;
    RunCounter = 1000;
    CRandomSource r;
    EXPECT_EQ(RunCounter, 1001u);
    EXPECT_EQ(r.NextU32(), 0x7683763Au);
    CRandomSource next;
    EXPECT_EQ(RunCounter, 1002u);
    EXPECT_NE(next.NextU32(), 0x7683763Au);
    RunCounter = saved;
}

}  // namespace

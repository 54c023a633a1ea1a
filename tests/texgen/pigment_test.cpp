// Pigments: compositing, reference counts, and the random layered pigment's draws
// replayed by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "texgen/tg_pigment.h"

namespace {

constexpr double kTolerance = 1e-12;
constexpr double kTwoToMinus32 = 1.0 / 4294967296.0;

void ExpectColor(const ColorValue& actual, double a, double r, double g, double b) {
    EXPECT_NEAR(actual.alpha, a, kTolerance);
    EXPECT_NEAR(actual.red, r, kTolerance);
    EXPECT_NEAR(actual.green, g, kTolerance);
    EXPECT_NEAR(actual.blue, b, kTolerance);
}

// A pigment of one colour everywhere.
class CFlatPigment : public IPigment {
public:
    explicit CFlatPigment(const ColorValue& c) : color(c) {}
    void GetColor(ColorValue& out, double, double, double) const override { out = color; }
    void GetOpaqueColor(ColorValue& out, double, double, double) const override { out = color; }

private:
    ColorValue color;
};

const ColorValue kPalette[8] = {
    {1, 0.9, 0.1, 0.1}, {1, 0.1, 0.8, 0.2}, {1, 0.2, 0.2, 0.9}, {1, 0.95, 0.9, 0.3},
    {1, 0.5, 0.5, 0.5}, {1, 0.05, 0.05, 0.1}, {1, 0.6, 0.3, 0.8}, {1, 1.0, 1.0, 1.0}};

TEST(BlendColorOver, TopOverBottom) {
    ExpectColor(BlendColorOver({0.5, 1, 0, 0}, {1, 0, 0, 1}), 1.0, 0.5, 0.0, 0.5);
    // Both transparent: no division, the weighted sum stays 0.
    ExpectColor(BlendColorOver({0, 1, 1, 1}, {0, 0.5, 0.5, 0.5}), 0, 0, 0, 0);
    // Both weights at most 1e-8: factor 1, so the channels are the tiny weighted sums.
    ColorValue tiny = BlendColorOver({1e-9, 1, 1, 1}, {1e-9, 0, 0, 0});
    // alpha = 1e-9 + (1 - 1e-9) * 1e-9 = 2e-9 - 1e-18; red = 1 * 1e-9 + 0.
    EXPECT_NEAR(tiny.alpha, 2e-9 - 1e-18, 1e-24);
    EXPECT_NEAR(tiny.red, 1e-9, 1e-24);
}

TEST(LayeredPigment, OpaqueColourPaintsOntoBlack) {
    CLayeredPigment layered;
    ColorValue out;
    layered.GetOpaqueColor(out, 0, 0, 0);
    ExpectColor(out, 0, 0, 0, 0);
    CFlatPigment* veil = new CFlatPigment({0.25, 1, 1, 1});
    layered.AddLayer(veil);
    EXPECT_EQ(veil->RefCount(), 2);
    veil->Release();
    layered.GetOpaqueColor(out, 0.3, 0.4, 0.5);
    ExpectColor(out, 1.0, 0.25, 0.25, 0.25);
    layered.GetColor(out, 0.3, 0.4, 0.5);
    ExpectColor(out, 0.25, 1, 1, 1);
}

TEST(LayeredPigment, LastLayerOnTop) {
    CLayeredPigment layered;
    CFlatPigment* bottom = new CFlatPigment({1, 0, 0, 1});
    CFlatPigment* top = new CFlatPigment({0.5, 1, 0, 0});
    layered.AddLayer(bottom);
    layered.AddLayer(top);
    bottom->Release();
    top->Release();
    ColorValue out;
    layered.GetColor(out, 0, 0, 0);
    ExpectColor(out, 1.0, 0.5, 0.0, 0.5);
    layered.GetOpaqueColor(out, 0, 0, 0);
    ExpectColor(out, 1.0, 0.5, 0.0, 0.5);
}

TEST(TexturePigment, OpaqueColourKeepsTheMapAlpha) {
    CRandomSource source(2);
    CNoise* noise = new CNoise(source, 2, 1.0);
    CColorMap* map = new CColorMap();
    map->AddStop(0.0, {0.3, 0.2, 0.4, 0.6}, 1.0);
    map->AddStop(1.0, {0.3, 0.2, 0.4, 0.6}, 1.0);
    CTexturePigment* pigment = new CTexturePigment(NoiseSmooth, noise, map);
    EXPECT_EQ(noise->RefCount(), 2);
    EXPECT_EQ(map->RefCount(), 2);
    ColorValue out;
    pigment->GetOpaqueColor(out, 0.2, 0.7, 0.1);
    ExpectColor(out, 0.3, 0.2, 0.4, 0.6);
    noise->AddRef();
    map->AddRef();
    pigment->Release();
    EXPECT_EQ(noise->RefCount(), 2);
    EXPECT_EQ(map->RefCount(), 2);
    noise->Release();
    noise->Release();
    map->Release();
    map->Release();
}

// The draws of CreateRandomLayeredPigment, replayed on a copy of the source.
void ExpectReplayMatches(const CLayeredPigment& pigment, CRandomSource& replay) {
    const uint32_t layers = replay.Below(6) + 2;
    ASSERT_EQ(pigment.Layers().size(), layers);
    for (uint32_t layer = 0; layer < layers; ++layer) {
        const auto* texture = static_cast<const CTexturePigment*>(pigment.Layers()[layer]);
        const uint32_t stops = replay.Below(5) + 3;
        std::vector<double> positions{0.0, 1.0};
        for (uint32_t m = 2; m < stops; ++m) positions.push_back(replay.NextU32() * kTwoToMinus32);
        std::sort(positions.begin(), positions.end());
        const std::vector<ColorStop>& actual = texture->Map()->Stops();
        ASSERT_EQ(actual.size(), stops);
        for (uint32_t s = 0; s < stops; ++s) {
            const ColorValue& color = kPalette[replay.NextU32() & 7u];
            double opacity = 1.0;
            if (layer > 0) {
                opacity = replay.NextU32() * kTwoToMinus32 * 0.5;
                EXPECT_LT(actual[s].color.alpha, 0.5);
            }
            EXPECT_EQ(actual[s].position, positions[s]);
            EXPECT_EQ(actual[s].color.alpha, color.alpha * opacity);
            EXPECT_EQ(actual[s].color.red, color.red);
            EXPECT_EQ(actual[s].color.blue, color.blue);
        }
        const uint32_t bits = (replay.NextU32() & 3u) + 2u;
        CNoise noise(replay, bits, 1.0);
        EXPECT_EQ(texture->Noise()->Mask(), noise.Mask());
        EXPECT_EQ(std::memcmp(texture->Noise()->PermZ(), noise.PermZ(), 64), 0);
        EXPECT_EQ(texture->Noise()->Gradient(63)[1], noise.Gradient(63)[1]);
        EXPECT_EQ(texture->Shaper(), NoiseShaperTable[replay.NextU32() & 15u]);
        EXPECT_EQ(texture->RefCount(), 1);
        EXPECT_EQ(texture->Noise()->RefCount(), 1);
        EXPECT_EQ(texture->Map()->RefCount(), 1);
    }
}

TEST(RandomLayeredPigment, DrawsInTheFixedOrder) {
    for (uint32_t seed : {1u, 17u, 300u, 4242u}) {
        CRandomSource source(seed);
        CRandomSource replay(source);
        CLayeredPigment* pigment = CreateRandomLayeredPigment(source, kPalette);
        EXPECT_EQ(pigment->RefCount(), 1);
        ExpectReplayMatches(*pigment, replay);
        EXPECT_EQ(source.Index(), replay.Index());
        EXPECT_EQ(source.State(), replay.State());
        pigment->Release();
    }
}

TEST(RandomLayeredPigment, BottomLayerOpaqueAndOneReleaseFreesAll) {
    CRandomSource source(8);
    CLayeredPigment* pigment = CreateRandomLayeredPigment(source, kPalette);
    ColorValue out;
    for (double x : {0.1, 0.5, 0.9}) {
        pigment->Layers()[0]->GetColor(out, x, 0.3, 0.0);
        EXPECT_NEAR(out.alpha, 1.0, 1e-12);
        pigment->GetOpaqueColor(out, x, 0.3, 0.0);
        EXPECT_EQ(out.alpha, 1.0);
    }
    // Hold the bottom layer's noise and map: the pigment's release gives theirs back.
    auto* bottom = static_cast<CTexturePigment*>(pigment->Layers()[0]);
    CNoise* noise = bottom->Noise();
    CColorMap* map = bottom->Map();
    noise->AddRef();
    map->AddRef();
    pigment->Release();
    EXPECT_EQ(noise->RefCount(), 1);
    EXPECT_EQ(map->RefCount(), 1);
    noise->Release();
    map->Release();
}

TEST(RandomLayeredPigment, SameSourceStateSameColours) {
    CRandomSource a(31), b(31);
    CLayeredPigment* pa = CreateRandomLayeredPigment(a, kPalette);
    CLayeredPigment* pb = CreateRandomLayeredPigment(b, kPalette);
    ColorValue ca, cb;
    for (int i = 0; i < 50; ++i) {
        pa->GetOpaqueColor(ca, i * 0.02, 0.5, i * 0.01);
        pb->GetOpaqueColor(cb, i * 0.02, 0.5, i * 0.01);
        EXPECT_EQ(std::memcmp(&ca, &cb, sizeof ca), 0);
    }
    pa->Release();
    pb->Release();
}

}  // namespace

namespace {

// Runs of points give each point exactly the colour of a single call: random layered
// pigments (every shaper, several maps) and one of their texture layers, over full runs,
// a short odd run and a single point, in space and on the plane z = 0.
TEST(PigmentRuns, EveryPointAsASingleCallGivesIt) {
    ColorValue palette[8];
    CRandomSource colors(77);
    for (ColorValue& c : palette) colors.NextColor(c, 0.1, 0.6);
    CRandomSource points(5);
    auto coordinate = [&points]() { return points.NextU32() * kTwoToMinus32 * 3.0 - 1.0; };
    for (uint32_t seed = 0; seed < 12; ++seed) {
        CRandomSource source(seed);
        CLayeredPigment* layered = CreateRandomLayeredPigment(source, palette);
        const IPigment* pigments[2] = {layered, layered->Layers().back()};
        for (size_t count : {IPigment::kMaxRun, size_t{37}, size_t{1}}) {
            for (bool flat : {false, true}) {
                double x[IPigment::kMaxRun], y[IPigment::kMaxRun], z[IPigment::kMaxRun];
                for (size_t i = 0; i < count; ++i) {
                    x[i] = coordinate();
                    y[i] = coordinate();
                    z[i] = flat ? 0.0 : coordinate();
                }
                for (const IPigment* pigment : pigments) {
                    ColorValue opaque[IPigment::kMaxRun], plain[IPigment::kMaxRun];
                    pigment->GetOpaqueColors(opaque, x, y, z, count);
                    pigment->GetColors(plain, x, y, z, count);
                    for (size_t i = 0; i < count; ++i) {
                        ColorValue one;
                        pigment->GetOpaqueColor(one, x[i], y[i], z[i]);
                        EXPECT_EQ(std::memcmp(&one, &opaque[i], sizeof one), 0)
                            << "seed " << seed << " point " << i << " of " << count;
                        pigment->GetColor(one, x[i], y[i], z[i]);
                        EXPECT_EQ(std::memcmp(&one, &plain[i], sizeof one), 0)
                            << "seed " << seed << " point " << i << " of " << count;
                    }
                }
            }
        }
        layered->Release();
    }
}

}  // namespace

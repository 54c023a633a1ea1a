// Gradient noise, shapers and vectors: the construction's draws replayed by hand, the
// worked values, periodicity and the fast path against the full eight-corner sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "texgen/tg_noise.h"

namespace {

constexpr double kTolerance = 1e-9;
constexpr double kTwoToMinus32 = 1.0 / 4294967296.0;

// The eight-corner formula written out directly from the noise's fields.
double FullNoise(const CNoise& n, double x, double y, double z) {
    const double offset = 256.0 * n.Scale();
    const double p[3] = {(x + offset) * n.Scale(), (y + offset) * n.Scale(),
                         (z + offset) * n.Scale()};
    int64_t l[3];
    double f[3], s[3];
    for (int a = 0; a < 3; ++a) {
        l[a] = static_cast<int64_t>(p[a]);
        f[a] = p[a] - static_cast<double>(l[a]);
        s[a] = (3.0 - 2.0 * f[a]) * f[a] * f[a];
    }
    const uint8_t* perms[3] = {n.PermX(), n.PermY(), n.PermZ()};
    double sum = 0.0;
    for (int c = 0; c < 2; ++c)
        for (int b = 0; b < 2; ++b)
            for (int a = 0; a < 2; ++a) {
                const int corner[3] = {a, b, c};
                uint32_t index = 0;
                double weight = 1.0;
                double dot = 0.0;
                for (int k = 0; k < 3; ++k) {
                    index += perms[k][(static_cast<uint32_t>(l[k]) + corner[k]) & n.Mask()];
                    weight *= corner[k] ? s[k] : 1.0 - s[k];
                }
                const double* g = n.Gradient(static_cast<int>(index & 63u));
                for (int k = 0; k < 3; ++k) dot += g[k] * (f[k] - corner[k]);
                sum += weight * dot;
            }
    return sum;
}

// The noise written one corner at a time in plain scalar code: the same operations in the
// same order as the noise promises, so the results must match bit for bit.
double ScalarNoise(const CNoise& n, double x, double y, double z) {
    const double scale = n.Scale();
    const uint32_t mask = n.Mask();
    const double offset = 256.0 * scale;
    const double X = (x + offset) * scale, Y = (y + offset) * scale, Z = (z + offset) * scale;
    if (!(std::fabs(X) + std::fabs(Y) + std::fabs(Z) < 9.0e18)) return 0.0;
    const int64_t l[3] = {static_cast<int64_t>(X), static_cast<int64_t>(Y),
                          static_cast<int64_t>(Z)};
    const double f[3] = {X - static_cast<double>(l[0]), Y - static_cast<double>(l[1]),
                         Z - static_cast<double>(l[2])};
    double s[3];
    for (int a = 0; a < 3; ++a) s[a] = (3.0 - 2.0 * f[a]) * f[a] * f[a];
    const uint8_t* perms[3] = {n.PermX(), n.PermY(), n.PermZ()};
    const int layers = f[2] == 0.0 ? 1 : 2;
    double sum = 0.0;
    for (int c = 0; c < layers; ++c)
        for (int b = 0; b < 2; ++b)
            for (int a = 0; a < 2; ++a) {
                const int corner[3] = {a, b, c};
                uint32_t index = 0;
                for (int k = 0; k < 3; ++k)
                    index += perms[k][(static_cast<uint32_t>(l[k]) + corner[k]) & mask];
                const double* g = n.Gradient(static_cast<int>(index & 63u));
                const double wx = a ? s[0] : 1.0 - s[0];
                const double wy = b ? s[1] : 1.0 - s[1];
                const double dx = f[0] - a, dy = f[1] - b, dz = f[2] - c;
                if (layers == 1) {
                    sum += wx * wy * (g[0] * dx + g[1] * dy);
                } else {
                    const double wz = c ? s[2] : 1.0 - s[2];
                    sum += wx * wy * wz * (g[0] * dx + g[1] * dy + g[2] * dz);
                }
            }
    return sum;
}

TEST(NormalizeVector, UnitLengthAndTheDegenerateCases) {
    Vector3 v{0.0, 3.0, 4.0};
    EXPECT_EQ(&NormalizeVector(v), &v);
    EXPECT_NEAR(v.x, 0.0, 1e-15);
    EXPECT_NEAR(v.y, 0.6, 1e-15);
    EXPECT_NEAR(v.z, 0.8, 1e-15);
    for (Vector3 bad : {Vector3{0, 0, 0}, Vector3{1e-31, 0, 0},
                        Vector3{std::numeric_limits<double>::quiet_NaN(), 1, 1}}) {
        NormalizeVector(bad);
        EXPECT_EQ(bad.x, 1.0);
        EXPECT_EQ(bad.y, 0.0);
        EXPECT_EQ(bad.z, 0.0);
    }
}

TEST(RandomUnitVector, DrawsTriplesZFirstUntilInsideTheBall) {
    CRandomSource source(77);
    CRandomSource replay(source);
    for (int n = 0; n < 20; ++n) {
        Vector3 v = RandomUnitVector(source);
        double z, y, x;
        int triples = 0;
        do {
            z = replay.NextU32() * kTwoToMinus32 * 2.0 - 1.0;
            y = replay.NextU32() * kTwoToMinus32 * 2.0 - 1.0;
            x = replay.NextU32() * kTwoToMinus32 * 2.0 - 1.0;
            ++triples;
        } while (x * x + y * y + z * z > 1.0);
        const double length = std::sqrt(x * x + y * y + z * z);
        EXPECT_NEAR(v.x, x / length, 1e-15);
        EXPECT_NEAR(v.y, y / length, 1e-15);
        EXPECT_NEAR(v.z, z / length, 1e-15);
        EXPECT_NEAR(v.x * v.x + v.y * v.y + v.z * v.z, 1.0, 1e-15);
        EXPECT_EQ(source.Index(), replay.Index());
        EXPECT_EQ(source.State(), replay.State());
    }
}

TEST(NoiseConstruction, GradientsThenSixtyFourSwapsPerAxis) {
    CRandomSource source(5);
    CRandomSource replay(source);
    CNoise noise(source, 4, 1.0);
    EXPECT_EQ(noise.RefCount(), 1);
    EXPECT_EQ(noise.Mask(), 15u);
    EXPECT_EQ(noise.Scale(), 16.0);
    for (int g = 0; g < 64; ++g) {
        Vector3 v = RandomUnitVector(replay);
        EXPECT_EQ(noise.Gradient(g)[0], v.x);
        EXPECT_EQ(noise.Gradient(g)[1], v.y);
        EXPECT_EQ(noise.Gradient(g)[2], v.z);
    }
    for (const uint8_t* actual : {noise.PermX(), noise.PermY(), noise.PermZ()}) {
        uint8_t perm[64];
        for (int i = 0; i < 64; ++i) perm[i] = static_cast<uint8_t>(i);
        for (int i = 0; i < 64; ++i) std::swap(perm[i], perm[replay.NextU32() & 63u]);
        EXPECT_EQ(std::memcmp(perm, actual, 64), 0);
    }
    EXPECT_EQ(source.Index(), replay.Index());
    EXPECT_EQ(source.State(), replay.State());
}

TEST(NoiseConstruction, SameSourceStateSameNoise) {
    CRandomSource a(9), b(9);
    CNoise na(a, 5, 1.0), nb(b, 5, 1.0);
    for (int g = 0; g < 64; ++g)
        EXPECT_EQ(std::memcmp(na.Gradient(g), nb.Gradient(g), 3 * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(na.PermX(), nb.PermX(), 64), 0);
    EXPECT_EQ(std::memcmp(na.PermY(), nb.PermY(), 64), 0);
    EXPECT_EQ(std::memcmp(na.PermZ(), nb.PermZ(), 64), 0);
    EXPECT_EQ(na.Noise(0.37, 0.61, 0.2), nb.Noise(0.37, 0.61, 0.2));
}

TEST(NoiseValues, WorkedExampleFromSeed128) {
    CRandomSource source(128);
    CNoise noise(source, 3, 1.0);
    EXPECT_NEAR(noise.Gradient(0)[0], -0.925847935105, kTolerance);
    EXPECT_NEAR(noise.Gradient(0)[1], 0.320891739622, kTolerance);
    EXPECT_NEAR(noise.Gradient(0)[2], 0.199584800285, kTolerance);
    const uint8_t permX[8] = {58, 20, 9, 56, 40, 17, 23, 22};
    EXPECT_EQ(std::memcmp(noise.PermX(), permX, 8), 0);
    EXPECT_NEAR(noise.Noise(0.3, 0.7, 0.0), 0.114112209611, kTolerance);
    EXPECT_NEAR(noise.Noise(0.3, 0.7, 0.25), 0.191423317797, kTolerance);
    EXPECT_NEAR(noise.Noise(0.1, 0.2, 0.3), -0.201624521075, kTolerance);
    EXPECT_NEAR(noise.Noise(1.1, 0.2, 0.3), -0.201624521075, kTolerance);
}

TEST(NoiseValues, ZeroOnLatticePoints) {
    CRandomSource source(3);
    CNoise noise(source, 3, 1.0);
    for (double x : {0.0, 0.125, 0.5, 0.875})
        for (double y : {0.0, 0.25, 0.625}) {
            EXPECT_EQ(noise.Noise(x, y, 0.375), 0.0);
            EXPECT_EQ(NoiseSmooth(&noise, x, y, 0.0), 0.5);
            EXPECT_EQ(NoiseVeins(&noise, x, y, 0.0), 1.0);
        }
}

TEST(NoiseValues, RepeatsEveryUnitForEveryBitCount) {
    for (uint32_t bits = 0; bits <= 6; ++bits) {
        CRandomSource source(40 + bits);
        CNoise noise(source, bits, 1.0);
        for (int i = 0; i < 25; ++i) {
            const double x = 0.037 * i + 0.01, y = 0.71 - 0.023 * i, z = 0.013 * i + 0.2;
            const double base = noise.Noise(x, y, z);
            EXPECT_NEAR(noise.Noise(x + 1.0, y, z), base, 1e-12) << bits;
            EXPECT_NEAR(noise.Noise(x, y + 1.0, z), base, 1e-12) << bits;
            EXPECT_NEAR(noise.Noise(x, y, z + 1.0), base, 1e-12) << bits;
        }
    }
}

TEST(NoiseValues, FastPathEqualsTheEightCornerSum) {
    CRandomSource source(11);
    CNoise noise(source, 4, 1.0);
    for (int i = 0; i < 200; ++i) {
        const double x = i * 0.0137, y = 1.0 - i * 0.0071;
        EXPECT_EQ(noise.Noise(x, y, 0.0), FullNoise(noise, x, y, 0.0)) << i;
        EXPECT_NEAR(noise.Noise(x, y, 0.3 + i * 0.001), FullNoise(noise, x, y, 0.3 + i * 0.001),
                    1e-15);
    }
}

// Puts the noise's lane seam back as it was when the test ends, however it ends.
struct RestoreLanes {
    bool before = ForceNoiseTwoLanes(false);
    ~RestoreLanes() { ForceNoiseTwoLanes(before); }
};

// A coordinate of every kind the noise must get right: on a lattice plane of cells of
// the given size, 0, large, about the far limit, beyond it, not a number, or plain; with
// negatives. Nine kinds add coordinates about 2^31, where lattice indices leave 32 bits.
double DrawCoordinate(CRandomSource& draws, double cell, uint32_t kinds = 8) {
    const double u = draws.NextU32() * kTwoToMinus32 * 4.0 - 2.0;
    switch (draws.NextU32() % kinds) {
        case 8: return u * 2e9;
        case 0: return std::floor(u / cell) * cell;
        case 1: return 0.0;
        case 2: return u * 1e6;
        case 3: return u * 4e16;
        case 4: return u * 1e300;
        case 5: return std::numeric_limits<double>::quiet_NaN();
        default: return u;
    }
}

TEST(NoiseValues, BitForBitTheScalarSumEverywhere) {
    CRandomSource draws(2024);
    int compared = 0;
    for (uint32_t bits = 0; bits <= 6; ++bits) {
        CRandomSource source(300 + bits);
        CNoise noise(source, bits, bits == 5 ? 0.7 : 1.0);
        const double cell = 1.0 / (1u << bits);
        double last[3] = {0.25, 0.5, 0.0};
        for (int i = 0; i < 20000; ++i) {
            double p[3];
            for (double& c : p) c = DrawCoordinate(draws, cell);
            const double got = noise.Noise(p[0], p[1], p[2]);
            const double want = ScalarNoise(noise, p[0], p[1], p[2]);
            ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0)
                << "bits " << bits << " at (" << p[0] << ", " << p[1] << ", " << p[2]
                << "): " << got << " against " << want;
            // Two at once: this point beside the one before, so flat and solid, inside
            // and outside lanes meet in every mix.
            const double xs[2] = {p[0], last[0]}, ys[2] = {p[1], last[1]},
                         zs[2] = {p[2], last[2]};
            double pair[2];
            noise.Noise2(xs, ys, zs, pair);
            const double before = ScalarNoise(noise, last[0], last[1], last[2]);
            ASSERT_EQ(std::memcmp(&pair[0], &want, sizeof want), 0) << "bits " << bits;
            ASSERT_EQ(std::memcmp(&pair[1], &before, sizeof before), 0)
                << "bits " << bits << " at (" << last[0] << ", " << last[1] << ", "
                << last[2] << "): " << pair[1] << " against " << before;
            std::copy(p, p + 3, last);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 7 * 20000);
}

// Noise4 and NoiseRun, on whichever path the processor takes and on the two-lane path
// forced, against the scalar sum: runs of 1 to 11 points (whole groups of four and the
// spare lanes after them), their points of every kind mixed, and every fifth run flat
// (z = 0 throughout, where a group may take the four-corner path).
TEST(NoiseValues, FourAtATimeBitForBitTheScalarSum) {
    const RestoreLanes restore;
    CRandomSource draws(4711);
    int compared = 0;
    for (bool twoLanes : {false, true}) {
        ForceNoiseTwoLanes(twoLanes);
        for (uint32_t bits = 0; bits <= 6; ++bits) {
            CRandomSource source(500 + bits);
            CNoise noise(source, bits, bits == 2 ? 0.7 : 1.0);
            const double cell = 1.0 / (1u << bits);
            for (int run = 0; run < 3000; ++run) {
                const size_t count = 1 + draws.NextU32() % 11u;
                double x[11], y[11], z[11], want[11], got[11], four[4];
                for (size_t n = 0; n < count; ++n) {
                    x[n] = DrawCoordinate(draws, cell, 9);
                    y[n] = DrawCoordinate(draws, cell, 9);
                    z[n] = run % 5 == 0 ? 0.0 : DrawCoordinate(draws, cell, 9);
                    want[n] = ScalarNoise(noise, x[n], y[n], z[n]);
                }
                noise.NoiseRun(x, y, z, count, got);
                if (count >= 4) noise.Noise4(x, y, z, four);
                for (size_t n = 0; n < count; ++n) {
                    ASSERT_EQ(std::memcmp(&got[n], &want[n], sizeof got[n]), 0)
                        << (twoLanes ? "two lanes" : "default lanes") << ", bits " << bits
                        << ", point " << n << " of " << count << " at (" << x[n] << ", "
                        << y[n] << ", " << z[n] << "): " << got[n] << " against " << want[n];
                    if (n < 4 && count >= 4) {
                        ASSERT_EQ(std::memcmp(&four[n], &want[n], sizeof four[n]), 0)
                            << "Noise4, bits " << bits << ", lane " << n;
                    }
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 2 * 7 * 3000 * 5);
}

TEST(NoiseValues, NonsenseInputGivesZero) {
    CRandomSource source(1);
    CNoise noise(source, 2, 1.0);
    EXPECT_EQ(noise.Noise(std::numeric_limits<double>::quiet_NaN(), 0.0, 0.0), 0.0);
    EXPECT_EQ(noise.Noise(0.0, 1e300, 0.0), 0.0);
}

TEST(NoiseShapers, TableOdds) {
    int fractal = 0, turbulence = 0, bands = 0, smooth = 0, veins = 0;
    for (NoiseShaper s : NoiseShaperTable) {
        fractal += s == NoiseFractal;
        turbulence += s == NoiseTurbulence;
        bands += s == NoiseBandsYZ;
        smooth += s == NoiseSmooth;
        veins += s == NoiseVeins;
    }
    EXPECT_EQ(fractal, 3);
    EXPECT_EQ(turbulence, 3);
    EXPECT_EQ(bands, 1);
    EXPECT_EQ(smooth, 2);
    EXPECT_EQ(veins, 2);
    EXPECT_EQ(NoiseShaperTable[8], NoiseBandsYZ);
    EXPECT_EQ(NoiseShaperTable[9], NoiseBandsXZ);
    EXPECT_EQ(NoiseShaperTable[10], NoiseBandsXY);
    EXPECT_EQ(NoiseShaperTable[11], NoiseSheared);
    EXPECT_EQ(NoiseShaperTable[13], NoiseRings);
}

// A shaper that is none of the table's: the runs call it point by point.
double NoiseTwiceX(const CNoise* noise, double x, double y, double z) {
    return noise->Noise(x, y, z) * 2.0 + x;
}

// Every shaper over runs (full chunks, an odd run, one point, and past one chunk), in
// space and on the plane z = 0, on both lane paths: each value is the one-point call's.
TEST(NoiseShapers, RunsGiveEachPointTheOnePointValue) {
    const RestoreLanes restore;
    CRandomSource source(808);
    CNoise noise(source, 4, 1.0);
    CRandomSource points(9);
    auto coordinate = [&points]() { return points.NextU32() * kTwoToMinus32 * 3.0 - 1.0; };
    std::vector<NoiseShaper> shapers(std::begin(NoiseShaperTable), std::end(NoiseShaperTable));
    shapers.push_back(NoiseTwiceX);
    for (bool twoLanes : {false, true}) {
        ForceNoiseTwoLanes(twoLanes);
        for (size_t count : {size_t{64}, size_t{37}, size_t{1}, size_t{150}}) {
            for (bool flat : {false, true}) {
                std::vector<double> x(count), y(count), z(count), values(count);
                for (size_t i = 0; i < count; ++i) {
                    x[i] = coordinate();
                    y[i] = coordinate();
                    z[i] = flat ? 0.0 : coordinate();
                }
                for (size_t s = 0; s < shapers.size(); ++s) {
                    ShapeNoiseRun(shapers[s], &noise, x.data(), y.data(), z.data(), count,
                                  values.data());
                    for (size_t i = 0; i < count; ++i) {
                        const double one = shapers[s](&noise, x[i], y[i], z[i]);
                        ASSERT_EQ(std::memcmp(&one, &values[i], sizeof one), 0)
                            << "shaper " << s << ", point " << i << " of " << count
                            << (flat ? " flat" : "") << (twoLanes ? ", two lanes" : "");
                    }
                }
            }
        }
    }
}

TEST(NoiseShapers, FormulasAtOnePoint) {
    CRandomSource source(128);
    CNoise noise(source, 3, 1.0);
    const double x = 0.3, y = 0.7, z = 0.25;
    const double n = noise.Noise(x, y, z);
    const double n2 = noise.Noise(2 * x, 2 * y, 2 * z);
    const double n4 = noise.Noise(4 * x, 4 * y, 4 * z);
    const double n8 = noise.Noise(8 * x, 8 * y, 8 * z);
    const double pi = 3.141592653589793;
    EXPECT_EQ(NoiseSmooth(&noise, x, y, z), n * 0.5 + 0.5);
    // The octaves are summed in the order 2p, p, 4p, 8p.
    EXPECT_EQ(NoiseFractal(&noise, x, y, z), (((n2 * 0.5 + n) + n4 * 0.25) + n8 * 0.125) * 0.5 + 0.5);
    EXPECT_EQ(NoiseTurbulence(&noise, x, y, z), std::fabs(n2 * 0.5 + n));
    EXPECT_NEAR(NoiseBandsYZ(&noise, x, y, z), std::cos(n * pi + (y + z) * 8 * pi) * 0.5 + 0.5, 1e-12);
    EXPECT_NEAR(NoiseBandsXZ(&noise, x, y, z), std::cos(n * pi + (x + z) * 8 * pi) * 0.5 + 0.5, 1e-12);
    EXPECT_NEAR(NoiseBandsXY(&noise, x, y, z), std::cos(n * pi + (x + y) * 8 * pi) * 0.5 + 0.5, 1e-12);
    EXPECT_EQ(NoiseSheared(&noise, x, y, z), noise.Noise(x + y, y + z, z) * 0.5 + 0.5);
    EXPECT_NEAR(NoiseRings(&noise, x, y, z), std::cos(n * 8 * pi) * 0.5 + 0.5, 1e-12);
    EXPECT_NEAR(NoiseVeins(&noise, x, y, z), std::pow(1e-8, std::fabs(n)), 1e-15);
    EXPECT_NEAR(NoiseSmooth(&noise, x, y, z), 0.191423317797 * 0.5 + 0.5, kTolerance);
}

}  // namespace

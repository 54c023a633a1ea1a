// Gradient noise, shapers and vector helpers.
#include "texgen/tg_noise.h"

#include <cmath>
#include <initializer_list>

const double kTwoPi = 6.283185307179586;

namespace {

constexpr double kTwoToMinus32 = 1.0 / 4294967296.0;  // exact

}  // namespace

Vector3& NormalizeVector(Vector3& v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length > 1e-30) {
        const double inverse = 1.0 / length;
        v.x *= inverse;
        v.y *= inverse;
        v.z *= inverse;
    } else {
        v = Vector3{1.0, 0.0, 0.0};
    }
    return v;
}

Vector3 SubtractVector(const Vector3& a, const Vector3& b) {
    return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 RandomUnitVector(CRandomSource& source) {
    Vector3 v;
    do {
        v.z = source.NextU32() * kTwoToMinus32 * 2.0 - 1.0;
        v.y = source.NextU32() * kTwoToMinus32 * 2.0 - 1.0;
        v.x = source.NextU32() * kTwoToMinus32 * 2.0 - 1.0;
    } while (v.x * v.x + v.y * v.y + v.z * v.z > 1.0);
    return NormalizeVector(v);
}

CNoise::CNoise(CRandomSource& source, uint32_t bits, double frequency) : gradients{} {
    if (bits > 6) bits = 6;  // the permutations have 64 entries
    mask = (1u << bits) - 1u;
    scale = static_cast<double>(static_cast<int32_t>(1u << bits)) * frequency;
    for (int g = 0; g < kLatticeSize; ++g) {
        Vector3 v = RandomUnitVector(source);
        gradients[g][0] = v.x;
        gradients[g][1] = v.y;
        gradients[g][2] = v.z;
    }
    for (int i = 0; i < kLatticeSize; ++i) {
        permX[i] = static_cast<uint8_t>(i);
        permY[i] = static_cast<uint8_t>(i);
        permZ[i] = static_cast<uint8_t>(i);
    }
    // Each permutation takes its own 64 draws: swaps with a random entry, not a
    // shuffle from a shrinking range.
    for (uint8_t* perm : {permX, permY, permZ}) {
        for (int i = 0; i < kLatticeSize; ++i) {
            const uint32_t j = source.NextU32() & 63u;
            const uint8_t t = perm[i];
            perm[i] = perm[j];
            perm[j] = t;
        }
    }
    for (int i = 0; i < kLatticeSize; ++i) {
        rowX[i] = static_cast<uint8_t>(permX[i] * 4);
        rowY[i] = static_cast<uint8_t>(permY[i] * 4);
        rowZ[i] = static_cast<uint8_t>(permZ[i] * 4);
    }
}

double NoiseSmooth(const CNoise* noise, double x, double y, double z) {
    return noise->Noise(x, y, z) * 0.5 + 0.5;
}

double NoiseFractal(const CNoise* noise, double x, double y, double z) {
    // Octaves in the order 2p, p, 4p, 8p, two at a time.
    double low[2], high[2];
    const double xs[4] = {2.0 * x, x, 4.0 * x, 8.0 * x};
    const double ys[4] = {2.0 * y, y, 4.0 * y, 8.0 * y};
    const double zs[4] = {2.0 * z, z, 4.0 * z, 8.0 * z};
    noise->Noise2(xs, ys, zs, low);
    noise->Noise2(xs + 2, ys + 2, zs + 2, high);
    double s = low[0] * 0.5;
    s = s + low[1];
    s = s + high[0] * 0.25;
    s = s + high[1] * 0.125;
    return s * 0.5 + 0.5;
}

// Two single calls: the flat renders, where turbulence mostly runs, take the four-corner
// path faster one point at a time than two in lanes.
double NoiseTurbulence(const CNoise* noise, double x, double y, double z) {
    double s = noise->Noise(2.0 * x, 2.0 * y, 2.0 * z) * 0.5;
    s = s + noise->Noise(x, y, z);
    return std::fabs(s);
}

namespace {

double Bands(double n, double across) {
    return std::cos(n * (kTwoPi / 2.0) + across * (4.0 * kTwoPi)) * 0.5 + 0.5;
}

}  // namespace

double NoiseBandsYZ(const CNoise* noise, double x, double y, double z) {
    return Bands(noise->Noise(x, y, z), y + z);
}

double NoiseBandsXZ(const CNoise* noise, double x, double y, double z) {
    return Bands(noise->Noise(x, y, z), x + z);
}

double NoiseBandsXY(const CNoise* noise, double x, double y, double z) {
    return Bands(noise->Noise(x, y, z), x + y);
}

double NoiseSheared(const CNoise* noise, double x, double y, double z) {
    return noise->Noise(x + y, y + z, z) * 0.5 + 0.5;
}

double NoiseRings(const CNoise* noise, double x, double y, double z) {
    return std::cos(noise->Noise(x, y, z) * (4.0 * kTwoPi)) * 0.5 + 0.5;
}

double NoiseVeins(const CNoise* noise, double x, double y, double z) {
    return std::pow(1e-8, std::fabs(noise->Noise(x, y, z)));
}

const NoiseShaper NoiseShaperTable[16] = {
    NoiseSmooth,     NoiseSmooth,     NoiseFractal,    NoiseFractal,
    NoiseFractal,    NoiseTurbulence, NoiseTurbulence, NoiseTurbulence,
    NoiseBandsYZ,    NoiseBandsXZ,    NoiseBandsXY,    NoiseSheared,
    NoiseSheared,    NoiseRings,      NoiseVeins,      NoiseVeins,
};

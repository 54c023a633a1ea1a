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
}

double CNoise::Noise(double x, double y, double z) const {
    const double offset = 256.0 * scale;
    const double X = (x + offset) * scale;
    const double Y = (y + offset) * scale;
    const double Z = (z + offset) * scale;
    // Far outside the world (or not a number) the lattice index has no meaning; one test
    // covers all three coordinates, since a sum with a NaN fails it too.
    constexpr double kLimit = 9.0e18;
    if (!(std::fabs(X) + std::fabs(Y) + std::fabs(Z) < kLimit)) return 0.0;
    const int64_t li = static_cast<int64_t>(X);
    const int64_t lj = static_cast<int64_t>(Y);
    const int64_t lk = static_cast<int64_t>(Z);
    const uint32_t i = static_cast<uint32_t>(li);
    const uint32_t j = static_cast<uint32_t>(lj);
    const uint32_t k = static_cast<uint32_t>(lk);
    const double fx = X - static_cast<double>(li);
    const double fy = Y - static_cast<double>(lj);
    const double fz = Z - static_cast<double>(lk);
    const double sx = (3.0 - 2.0 * fx) * fx * fx;
    const double sy = (3.0 - 2.0 * fy) * fy * fy;

    const uint32_t px0 = permX[i & mask], px1 = permX[(i + 1u) & mask];
    const uint32_t py0 = permY[j & mask], py1 = permY[(j + 1u) & mask];
    const double wx0 = 1.0 - sx, wx1 = sx;
    const double wy0 = 1.0 - sy, wy1 = sy;
    const double dx0 = fx, dx1 = fx - 1.0;
    const double dy0 = fy, dy1 = fy - 1.0;
    // (wx * wy), shared by both z layers.
    const double w00 = wx0 * wy0, w10 = wx1 * wy0, w01 = wx0 * wy1, w11 = wx1 * wy1;

    // Corners in the order a fastest, then b, then c; the c = 1 corners come last, so at
    // fz = 0 (where their weight is 0) the four-corner path gives the same sum.
    double sum = 0.0;
    if (fz == 0.0) {
        const uint32_t pz = permZ[k & mask];
        auto dot = [this](uint32_t index, double dx, double dy) {
            const double* g = gradients[index & 63u];
            return g[0] * dx + g[1] * dy;
        };
        sum += w00 * dot(px0 + py0 + pz, dx0, dy0);
        sum += w10 * dot(px1 + py0 + pz, dx1, dy0);
        sum += w01 * dot(px0 + py1 + pz, dx0, dy1);
        sum += w11 * dot(px1 + py1 + pz, dx1, dy1);
        return sum;
    }
    const double sz = (3.0 - 2.0 * fz) * fz * fz;
    const uint32_t pz0 = permZ[k & mask], pz1 = permZ[(k + 1u) & mask];
    const double wz0 = 1.0 - sz, wz1 = sz;
    const double dz0 = fz, dz1 = fz - 1.0;
    auto dot = [this](uint32_t index, double dx, double dy, double dz) {
        const double* g = gradients[index & 63u];
        return g[0] * dx + g[1] * dy + g[2] * dz;
    };
    sum += w00 * wz0 * dot(px0 + py0 + pz0, dx0, dy0, dz0);
    sum += w10 * wz0 * dot(px1 + py0 + pz0, dx1, dy0, dz0);
    sum += w01 * wz0 * dot(px0 + py1 + pz0, dx0, dy1, dz0);
    sum += w11 * wz0 * dot(px1 + py1 + pz0, dx1, dy1, dz0);
    sum += w00 * wz1 * dot(px0 + py0 + pz1, dx0, dy0, dz1);
    sum += w10 * wz1 * dot(px1 + py0 + pz1, dx1, dy0, dz1);
    sum += w01 * wz1 * dot(px0 + py1 + pz1, dx0, dy1, dz1);
    sum += w11 * wz1 * dot(px1 + py1 + pz1, dx1, dy1, dz1);
    return sum;
}

double NoiseSmooth(const CNoise* noise, double x, double y, double z) {
    return noise->Noise(x, y, z) * 0.5 + 0.5;
}

double NoiseFractal(const CNoise* noise, double x, double y, double z) {
    // Octaves in the order 2p, p, 4p, 8p.
    double s = noise->Noise(2.0 * x, 2.0 * y, 2.0 * z) * 0.5;
    s = s + noise->Noise(x, y, z);
    s = s + noise->Noise(4.0 * x, 4.0 * y, 4.0 * z) * 0.25;
    s = s + noise->Noise(8.0 * x, 8.0 * y, 8.0 * z) * 0.125;
    return s * 0.5 + 0.5;
}

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

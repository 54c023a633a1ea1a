// Gradient noise on a lattice that wraps every 2^bits cells, the shapers that turn it
// into colour-map values, and small vector helpers.
//
// With frequency 1.0 one unit of space is one period of the lattice, so anything that
// samples the unit square or a surface inside the unit cube tiles seamlessly. Every
// planet's look starts here: the draws, the arithmetic and their order are exact.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "app/app_random.h"
#include "app/app_refcount.h"

struct Vector3 {
    double x;
    double y;
    double z;
};

// 2 pi, shared by the shapers and the projection surfaces.
extern const double kTwoPi;

// Normalises v in place and returns it; a vector of length 1e-30 or less (or not a
// number) becomes (1, 0, 0).
Vector3& NormalizeVector(Vector3& v);
// a - b, component by component.
Vector3 SubtractVector(const Vector3& a, const Vector3& b);
// A direction drawn uniformly from the unit ball: triples of draws (z first, then y,
// then x), each in [-1, 1), until the squared length is at most 1; then normalised.
Vector3 RandomUnitVector(CRandomSource& source);

class CNoise : public CRefCountedObject {
public:
    static constexpr int kLatticeSize = 64;  // gradients and permutation entries

    // Draws 64 gradients, then 64 swaps for each of the x, y and z permutations.
    // bits lies in 0..6; count 1.
    CNoise(CRandomSource& source, uint32_t bits, double frequency);
    ~CNoise() override = default;

    // The noise at a point, roughly -1..1; exactly 0 on lattice points. Inline, so the
    // loops that sample it in bulk keep it in registers.
    inline double Noise(double x, double y, double z) const;
    // The noise at two points at once, one in each vector lane: out[n] is bit for bit
    // Noise(x[n], y[n], z[n]). For callers that sample several points of one noise.
    inline void Noise2(const double x[2], const double y[2], const double z[2],
                       double out[2]) const;
    // The noise at four points: out[n] is bit for bit Noise(x[n], y[n], z[n]). One point
    // in each lane of an AVX2 register where the processor has AVX2, else two Noise2.
    void Noise4(const double x[4], const double y[4], const double z[4], double out[4]) const;
    // The noise at count points, four at a time as Noise4 takes them: out[n] is bit for
    // bit Noise(x[n], y[n], z[n]). For the loops that sample a run of points.
    void NoiseRun(const double* x, const double* y, const double* z, size_t count,
                  double* out) const;

    uint32_t Mask() const { return mask; }
    double Scale() const { return scale; }
    const double* Gradient(int g) const { return gradients[g]; }
    const uint8_t* PermX() const { return permX; }
    const uint8_t* PermY() const { return permY; }
    const uint8_t* PermZ() const { return permZ; }

private:
    // NoiseRun in four AVX2 lanes; only called where the processor has AVX2.
    void NoiseRunAvx2(const double* x, const double* y, const double* z, size_t count,
                      double* out) const;
    void Noise4Avx2(const double x[4], const double y[4], const double z[4],
                    double out[4]) const;

    uint32_t mask;                   // 2^bits - 1, applied to every lattice index
    double scale;                    // 2^bits * frequency: lattice cells per unit
    // Unit vectors (x, y, z, 0): the padding puts each gradient in one 32-byte row that
    // never straddles a cache line.
    alignas(32) double gradients[kLatticeSize][4];
    uint8_t permX[kLatticeSize];     // permutations of 0..63 per axis
    uint8_t permY[kLatticeSize];
    uint8_t permZ[kLatticeSize];
    // 4 x the permutations: where a gradient starts in the flat gradients, so the sum of
    // three masked to 252 addresses a corner's gradient directly.
    uint8_t rowX[kLatticeSize];
    uint8_t rowY[kLatticeSize];
    uint8_t rowZ[kLatticeSize];
    // For the four-lane path, per axis (x, y, z) and lattice index modulo 64: byte n
    // holds the axis's row offset for corner n = a + 2b + 4c. The three axes' entries
    // summed byte by byte (modulo 256, which masking to 252 does not see) give all eight
    // corners' gradient rows at once.
    uint64_t cornerRows[3][kLatticeSize];
};

// Test seam: true makes Noise4 and NoiseRun take the two-lane SSE2 path even where the
// processor has AVX2 (the results are the same bit for bit); returns the setting before.
// The program never sets it; a test that does puts the old setting back.
bool ForceNoiseTwoLanes(bool force);

namespace noise_detail {

// Two doubles in one SSE2 register (plain pairs where there is none); every operation
// works on both lanes alike, so each lane rounds exactly as the scalar code would.
typedef double Pair __attribute__((vector_size(16)));

inline Pair Splat(double v) { return Pair{v, v}; }
inline Pair Low(Pair a, Pair b) { return __builtin_shufflevector(a, b, 0, 2); }
inline Pair High(Pair a, Pair b) { return __builtin_shufflevector(a, b, 1, 3); }
inline Pair LoadPair(const double* p) {
    Pair v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace noise_detail

__attribute__((always_inline)) inline double CNoise::Noise(double x, double y, double z) const {
    using noise_detail::Pair;
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
    // f, the S-curve (3 - 2 f) f f and the two weights (1 - s, s), x in one lane, y in
    // the other.
    const Pair f = Pair{X, Y} - Pair{static_cast<double>(li), static_cast<double>(lj)};
    const Pair s = (noise_detail::Splat(3.0) - noise_detail::Splat(2.0) * f) * f * f;
    const Pair rest = noise_detail::Splat(1.0) - s;
    const Pair wx = noise_detail::Low(rest, s);    // (1 - sx, sx)
    const Pair wy = noise_detail::High(rest, s);   // (1 - sy, sy)
    const Pair fm = f - noise_detail::Splat(1.0);
    const Pair dx = noise_detail::Low(f, fm);      // (fx, fx - 1)
    const Pair dy = noise_detail::High(f, fm);     // (fy, fy - 1)
    // Corner pairs (a = 0, a = 1) share b and c: (wx * wy) for b = 0 and b = 1, and dy.
    const Pair w0 = wx * noise_detail::Splat(wy[0]);
    const Pair w1 = wx * noise_detail::Splat(wy[1]);
    const Pair dy0 = noise_detail::Splat(dy[0]);
    const Pair dy1 = noise_detail::Splat(dy[1]);

    const uint32_t px0 = rowX[i & mask], px1 = rowX[(i + 1u) & mask];
    const uint32_t py0 = rowY[j & mask], py1 = rowY[(j + 1u) & mask];
    const uint32_t p00 = px0 + py0, p10 = px1 + py0, p01 = px0 + py1, p11 = px1 + py1;
    // The gradients of corners a = 0 and a = 1: (x0, x1), (y0, y1) and (z0, z1).
    struct Gradients {
        Pair x, y, z;
    };
    const double* flat = gradients[0];
    auto gather = [flat](uint32_t first, uint32_t second) {
        const double* g0 = flat + (first & 252u);
        const double* g1 = flat + (second & 252u);
        const Pair a = noise_detail::LoadPair(g0), b = noise_detail::LoadPair(g1);
        return Gradients{noise_detail::Low(a, b), noise_detail::High(a, b),
                         Pair{g0[2], g1[2]}};
    };

    // Corners in the order a fastest, then b, then c, summed one at a time in that order;
    // the c = 1 corners come last, so at fz = 0 (where their weight is 0) the four-corner
    // path gives the same sum.
    double sum = 0.0;
    auto add = [&sum](Pair terms) {
        sum += terms[0];
        sum += terms[1];
    };
    const double fz = Z - static_cast<double>(lk);
    if (fz == 0.0) {
        const uint32_t pz = rowZ[k & mask];
        // w (gx dx + gy dy) for each corner of the pair.
        auto terms = [&](const Gradients& g, Pair w, Pair dyb) {
            return w * (g.x * dx + g.y * dyb);
        };
        add(terms(gather(p00 + pz, p10 + pz), w0, dy0));
        add(terms(gather(p01 + pz, p11 + pz), w1, dy1));
        return sum;
    }
    const double sz = (3.0 - 2.0 * fz) * fz * fz;
    const uint32_t pz0 = rowZ[k & mask], pz1 = rowZ[(k + 1u) & mask];
    // (wx wy wz) (gx dx + gy dy + gz dz) for each corner of the pair.
    auto terms = [&](const Gradients& g, Pair w, double wz, Pair dyb, double dz) {
        return (w * noise_detail::Splat(wz)) *
               (g.x * dx + g.y * dyb + g.z * noise_detail::Splat(dz));
    };
    add(terms(gather(p00 + pz0, p10 + pz0), w0, 1.0 - sz, dy0, fz));
    add(terms(gather(p01 + pz0, p11 + pz0), w1, 1.0 - sz, dy1, fz));
    add(terms(gather(p00 + pz1, p10 + pz1), w0, sz, dy0, fz - 1.0));
    add(terms(gather(p01 + pz1, p11 + pz1), w1, sz, dy1, fz - 1.0));
    return sum;
}

__attribute__((always_inline)) inline void CNoise::Noise2(const double xs[2], const double ys[2],
                                                          const double zs[2],
                                                          double out[2]) const {
    using noise_detail::Pair;
    using noise_detail::Splat;
    typedef int64_t Bits __attribute__((vector_size(16)));
    const Pair offset = Splat(256.0 * scale);
    const Pair X = (Pair{xs[0], xs[1]} + offset) * Splat(scale);
    const Pair Y = (Pair{ys[0], ys[1]} + offset) * Splat(scale);
    const Pair Z = (Pair{zs[0], zs[1]} + offset) * Splat(scale);
    // The far-outside test of Noise per lane; a lane that fails it works on 0 and gives 0.
    const Bits magnitude = Bits{INT64_MAX, INT64_MAX};
    auto fabs2 = [magnitude](Pair v) { return (Pair)((Bits)v & magnitude); };
    const Bits inside = fabs2(X) + fabs2(Y) + fabs2(Z) < Splat(9.0e18);
    auto keep = [inside](Pair v) { return (Pair)((Bits)v & inside); };
    const Pair Xs = keep(X), Ys = keep(Y), Zs = keep(Z);
    const int64_t li[2] = {static_cast<int64_t>(Xs[0]), static_cast<int64_t>(Xs[1])};
    const int64_t lj[2] = {static_cast<int64_t>(Ys[0]), static_cast<int64_t>(Ys[1])};
    const int64_t lk[2] = {static_cast<int64_t>(Zs[0]), static_cast<int64_t>(Zs[1])};
    auto lattice = [](const int64_t l[2]) {
        return Pair{static_cast<double>(l[0]), static_cast<double>(l[1])};
    };
    const Pair fx = Xs - lattice(li), fy = Ys - lattice(lj), fz = Zs - lattice(lk);
    const Pair sx = (Splat(3.0) - Splat(2.0) * fx) * fx * fx;
    const Pair sy = (Splat(3.0) - Splat(2.0) * fy) * fy * fy;
    const Pair wx0 = Splat(1.0) - sx, wy0 = Splat(1.0) - sy;
    const Pair dx1 = fx - Splat(1.0), dy1 = fy - Splat(1.0);
    const Pair w00 = wx0 * wy0, w10 = sx * wy0, w01 = wx0 * sy, w11 = sx * sy;
    // Row offsets of the corners (a, b, c) per lane: px[a] + py[b] + pz[c].
    uint32_t px[2][2], py[2][2], pz[2][2];
    for (int n = 0; n < 2; ++n) {
        const uint32_t i = static_cast<uint32_t>(li[n]);
        const uint32_t j = static_cast<uint32_t>(lj[n]);
        const uint32_t k = static_cast<uint32_t>(lk[n]);
        px[n][0] = rowX[i & mask];
        px[n][1] = rowX[(i + 1u) & mask];
        py[n][0] = rowY[j & mask];
        py[n][1] = rowY[(j + 1u) & mask];
        pz[n][0] = rowZ[k & mask];
        pz[n][1] = rowZ[(k + 1u) & mask];
    }
    const double* flat = gradients[0];
    auto corner = [&](int a, int b, int c, const double** g0, const double** g1) {
        *g0 = flat + ((px[0][a] + py[0][b] + pz[0][c]) & 252u);
        *g1 = flat + ((px[1][a] + py[1][b] + pz[1][c]) & 252u);
    };
    // Corners in Noise's order, each lane summed one term at a time.
    Pair sum = Splat(0.0);
    if (fz[0] == 0.0 && fz[1] == 0.0) {
        auto term = [&](int a, int b, Pair w, Pair dx, Pair dy) {
            const double *g0, *g1;
            corner(a, b, 0, &g0, &g1);
            sum += w * (Pair{g0[0], g1[0]} * dx + Pair{g0[1], g1[1]} * dy);
        };
        term(0, 0, w00, fx, fy);
        term(1, 0, w10, dx1, fy);
        term(0, 1, w01, fx, dy1);
        term(1, 1, w11, dx1, dy1);
    } else {
        // A lane with fz = 0 takes the eight corners too: its c = 1 terms and the
        // gz * 0 parts are zeros, which leave the sum as the four corners give it.
        const Pair sz = (Splat(3.0) - Splat(2.0) * fz) * fz * fz;
        const Pair wz0 = Splat(1.0) - sz, dz1 = fz - Splat(1.0);
        auto term = [&](int a, int b, int c, Pair w, Pair wz, Pair dx, Pair dy, Pair dz) {
            const double *g0, *g1;
            corner(a, b, c, &g0, &g1);
            sum += (w * wz) * (Pair{g0[0], g1[0]} * dx + Pair{g0[1], g1[1]} * dy +
                               Pair{g0[2], g1[2]} * dz);
        };
        term(0, 0, 0, w00, wz0, fx, fy, fz);
        term(1, 0, 0, w10, wz0, dx1, fy, fz);
        term(0, 1, 0, w01, wz0, fx, dy1, fz);
        term(1, 1, 0, w11, wz0, dx1, dy1, fz);
        term(0, 0, 1, w00, sz, fx, fy, dz1);
        term(1, 0, 1, w10, sz, dx1, fy, dz1);
        term(0, 1, 1, w01, sz, fx, dy1, dz1);
        term(1, 1, 1, w11, sz, dx1, dy1, dz1);
    }
    const Pair result = keep(sum);
    out[0] = result[0];
    out[1] = result[1];
}

// A noise value turned into the value a colour map looks up.
using NoiseShaper = double (*)(const CNoise* noise, double x, double y, double z);

double NoiseSmooth(const CNoise* noise, double x, double y, double z);
double NoiseFractal(const CNoise* noise, double x, double y, double z);
double NoiseTurbulence(const CNoise* noise, double x, double y, double z);
double NoiseBandsYZ(const CNoise* noise, double x, double y, double z);
double NoiseBandsXZ(const CNoise* noise, double x, double y, double z);
double NoiseBandsXY(const CNoise* noise, double x, double y, double z);
double NoiseSheared(const CNoise* noise, double x, double y, double z);
double NoiseRings(const CNoise* noise, double x, double y, double z);
double NoiseVeins(const CNoise* noise, double x, double y, double z);

// Sixteen shapers, some repeated, so four random bits pick one with fixed odds.
extern const NoiseShaper NoiseShaperTable[16];

// A shaper over count points: out[n] is bit for bit shaper(noise, x[n], y[n], z[n]). The
// shapers above sample their noise four points at a time (NoiseRun); any other shaper is
// called point by point.
void ShapeNoiseRun(NoiseShaper shaper, const CNoise* noise, const double* x, const double* y,
                   const double* z, size_t count, double* out);

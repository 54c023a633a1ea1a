// Gradient noise, shapers and vector helpers.
#include "texgen/tg_noise.h"

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <initializer_list>

const double kTwoPi = 6.283185307179586;

namespace {

constexpr double kTwoToMinus32 = 1.0 / 4294967296.0;  // exact

bool HaveAvx2() {
    __builtin_cpu_init();  // this runs among the static initialisers, maybe before libgcc's
    return __builtin_cpu_supports("avx2") != 0;
}

// Set while the program starts. Until then it reads false, so a call from another static
// initialiser takes the two-lane path, which gives the same results.
const bool kHaveAvx2 = HaveAvx2();
std::atomic<bool> g_forceTwoLanes{false};  // the test seam; the program leaves it false

inline bool UseAvx2() { return kHaveAvx2 && !g_forceTwoLanes.load(std::memory_order_relaxed); }

}  // namespace

bool ForceNoiseTwoLanes(bool force) { return g_forceTwoLanes.exchange(force); }

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
    const uint8_t* rows[3] = {rowX, rowY, rowZ};
    for (int axis = 0; axis < 3; ++axis) {
        for (uint32_t i = 0; i < kLatticeSize; ++i) {
            uint64_t entry = 0;
            for (uint32_t n = 0; n < 8; ++n) {
                const uint32_t step = (n >> axis) & 1u;  // a, b or c of corner n
                entry |= static_cast<uint64_t>(rows[axis][(i + step) & mask]) << (8 * n);
            }
            cornerRows[axis][i] = entry;
        }
    }
}

// The four-lane noise: each lane does Noise's operations on its own point in Noise's
// order (the same roundings), so a lane's result is Noise's bit for bit. Built for AVX2
// only (no FMA: a fused multiply-add would round differently).
namespace {

#define VP_AVX2 __attribute__((target("avx2"), always_inline)) inline

// Where the AVX2 lanes find a noise's tables.
struct LaneTables {
    const double* gradients;       // (x, y, z, 0) per gradient
    const uint64_t* cornerRows[3];  // CNoise::cornerRows
    double scale;
};

// The low six bits of each lane's lattice index l (a whole number), in 32-bit lanes:
// enough for any mask, which is at most 63. The remainder l - 64 trunc(l / 64) is exact
// and keeps l's residue modulo 64. (An infinite or NaN l, only in a lane outside the far
// limit, gives some index, which is all that lane needs.)
VP_AVX2 __m128i LatticeLowBits(__m256d l) {
    const __m256d q =
        _mm256_round_pd(l * _mm256_set1_pd(1.0 / 64.0), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    return _mm256_cvttpd_epi32(l - q * _mm256_set1_pd(64.0));
}

// One corner's gradients per lane.
struct LaneGradients {
    __m256d x, y, z;
};

// The gradients of one corner in each lane, from the lanes' row offsets: two 16-byte
// loads a lane and a transpose (gathers are slow on some processors).
VP_AVX2 LaneGradients LoadGradients(const double* gradients, const uint8_t at[4][8], int corner,
                                    bool withZ) {
    const double* g0 = gradients + at[0][corner];
    const double* g1 = gradients + at[1][corner];
    const double* g2 = gradients + at[2][corner];
    const double* g3 = gradients + at[3][corner];
    const __m256d a = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(g0)),
                                           _mm_loadu_pd(g2), 1);  // x0 y0 | x2 y2
    const __m256d b = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(g1)),
                                           _mm_loadu_pd(g3), 1);  // x1 y1 | x3 y3
    LaneGradients g;
    g.x = _mm256_unpacklo_pd(a, b);
    g.y = _mm256_unpackhi_pd(a, b);
    if (withZ) {
        const __m256d c = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(g0 + 2)),
                                               _mm_loadu_pd(g2 + 2), 1);  // z0 0 | z2 0
        const __m256d d = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(g1 + 2)),
                                               _mm_loadu_pd(g3 + 2), 1);  // z1 0 | z3 0
        g.z = _mm256_unpacklo_pd(c, d);
    } else {
        g.z = _mm256_setzero_pd();
    }
    return g;
}

// One axis's corner-row entries for the four lanes' lattice indices.
VP_AVX2 __m256i CornerRows(const uint64_t* table, const int32_t cell[4]) {
    return _mm256_set_epi64x(
        static_cast<int64_t>(table[cell[3]]), static_cast<int64_t>(table[cell[2]]),
        static_cast<int64_t>(table[cell[1]]), static_cast<int64_t>(table[cell[0]]));
}

// A group of four points as far as it goes before its gradients are read: the
// fractions, the weights and each corner's gradient row.
struct LaneGroup {
    __m256d fx, fy, fz;  // the fractions
    __m256d dx1, dy1;    // fx - 1, fy - 1
    __m256d w00, w10, w01, w11;  // wx wy per corner (a, b)
    __m256d inside;      // all ones in the lanes inside the far limit
    alignas(32) uint8_t at[4][8];  // per lane and corner (a fastest, then b, then c)
};

VP_AVX2 void PrepareLanes(const LaneTables& t, __m256d x, __m256d y, __m256d z,
                          LaneGroup* group) {
    const __m256d scale = _mm256_set1_pd(t.scale);
    const __m256d offset = _mm256_set1_pd(256.0 * t.scale);
    const __m256d X = (x + offset) * scale;
    const __m256d Y = (y + offset) * scale;
    const __m256d Z = (z + offset) * scale;
    // The far-outside test per lane. A lane that fails it goes on with its meaningless
    // values (its table indices stay in range whatever they are) and gives 0 at the end.
    const __m256d magnitude = _mm256_castsi256_pd(_mm256_set1_epi64x(INT64_MAX));
    const __m256d size = _mm256_and_pd(X, magnitude) + _mm256_and_pd(Y, magnitude) +
                         _mm256_and_pd(Z, magnitude);
    const __m256d inside = _mm256_cmp_pd(size, _mm256_set1_pd(9.0e18), _CMP_LT_OQ);
    // The lattice cell as Noise's int64 conversion gives it: truncation, and + 0 turns
    // the -0 that truncating a number in (-1, 0) leaves into the conversion's +0.
    const __m256d zero = _mm256_setzero_pd();
    constexpr int kTruncate = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
    const __m256d lx = _mm256_round_pd(X, kTruncate) + zero;
    const __m256d ly = _mm256_round_pd(Y, kTruncate) + zero;
    const __m256d lz = _mm256_round_pd(Z, kTruncate) + zero;
    const __m256d fx = X - lx, fy = Y - ly;
    const __m256d one = _mm256_set1_pd(1.0), two = _mm256_set1_pd(2.0),
                  three = _mm256_set1_pd(3.0);
    const __m256d sx = (three - two * fx) * fx * fx;
    const __m256d sy = (three - two * fy) * fy * fy;
    const __m256d wx0 = one - sx, wy0 = one - sy;
    group->fx = fx;
    group->fy = fy;
    group->fz = Z - lz;
    group->dx1 = fx - one;
    group->dy1 = fy - one;
    group->w00 = wx0 * wy0;
    group->w10 = sx * wy0;
    group->w01 = wx0 * sy;
    group->w11 = sx * sy;
    group->inside = inside;

    // Each lane's eight corner rows, px[a] + py[b] + pz[c] masked to 252, from the
    // lattice indices modulo 64.
    // Where every coordinate is below 2^31 in magnitude (nearly always), the int32
    // conversion is the lattice index itself.
    __m128i ix, iy, iz;
    if (_mm256_movemask_pd(_mm256_cmp_pd(size, _mm256_set1_pd(2147483647.0), _CMP_LT_OQ)) == 15) {
        ix = _mm256_cvttpd_epi32(X);
        iy = _mm256_cvttpd_epi32(Y);
        iz = _mm256_cvttpd_epi32(Z);
    } else {
        ix = LatticeLowBits(lx);
        iy = LatticeLowBits(ly);
        iz = LatticeLowBits(lz);
    }
    alignas(16) int32_t cells[3][4];
    const __m128i low = _mm_set1_epi32(63);
    _mm_store_si128(reinterpret_cast<__m128i*>(cells[0]), _mm_and_si128(ix, low));
    _mm_store_si128(reinterpret_cast<__m128i*>(cells[1]), _mm_and_si128(iy, low));
    _mm_store_si128(reinterpret_cast<__m128i*>(cells[2]), _mm_and_si128(iz, low));
    const __m256i rows = _mm256_add_epi8(_mm256_add_epi8(CornerRows(t.cornerRows[0], cells[0]),
                                                         CornerRows(t.cornerRows[1], cells[1])),
                                         CornerRows(t.cornerRows[2], cells[2]));
    _mm256_store_si256(reinterpret_cast<__m256i*>(group->at),
                       _mm256_and_si256(rows, _mm256_set1_epi8(static_cast<char>(252))));
    // The rows are read back from memory one byte at a time (cheap loads); left to
    // itself the compiler would pick each out of the register, two slower steps a byte.
    __asm__("" : "+m"(group->at));
}

// One corner's term per lane: w (gx dx + gy dy), or with z, w (gx dx + gy dy + gz dz).
VP_AVX2 __m256d FlatTerm(const LaneTables& t, const LaneGroup& group, int corner, __m256d w,
                         __m256d dx, __m256d dy) {
    const LaneGradients g = LoadGradients(t.gradients, group.at, corner, false);
    return w * (g.x * dx + g.y * dy);
}

VP_AVX2 __m256d SolidTerm(const LaneTables& t, const LaneGroup& group, int corner, __m256d w,
                          __m256d dx, __m256d dy, __m256d dz) {
    const LaneGradients g = LoadGradients(t.gradients, group.at, corner, true);
    return w * (g.x * dx + g.y * dy + g.z * dz);
}

// The corners in Noise's order, a fastest, then b, then c, each lane summed one term at
// a time.
VP_AVX2 __m256d SumLanes(const LaneTables& t, const LaneGroup& group) {
    const __m256d zero = _mm256_setzero_pd();
    const __m256d fx = group.fx, fy = group.fy, fz = group.fz;
    const __m256d dx1 = group.dx1, dy1 = group.dy1;
    __m256d sum = zero;
    if (_mm256_movemask_pd(_mm256_cmp_pd(fz, zero, _CMP_EQ_OQ)) == 15) {
        // Every lane on a lattice plane of z: the four corners.
        sum = sum + FlatTerm(t, group, 0, group.w00, fx, fy);
        sum = sum + FlatTerm(t, group, 1, group.w10, dx1, fy);
        sum = sum + FlatTerm(t, group, 2, group.w01, fx, dy1);
        sum = sum + FlatTerm(t, group, 3, group.w11, dx1, dy1);
        return _mm256_and_pd(sum, group.inside);
    }
    // A lane with fz = 0 takes the eight corners too: its c = 1 terms and the gz * 0
    // parts are zeros, which leave the sum as the four corners give it.
    const __m256d one = _mm256_set1_pd(1.0), two = _mm256_set1_pd(2.0),
                  three = _mm256_set1_pd(3.0);
    const __m256d sz = (three - two * fz) * fz * fz;
    const __m256d wz0 = one - sz, dz1 = fz - one;
    sum = sum + SolidTerm(t, group, 0, group.w00 * wz0, fx, fy, fz);
    sum = sum + SolidTerm(t, group, 1, group.w10 * wz0, dx1, fy, fz);
    sum = sum + SolidTerm(t, group, 2, group.w01 * wz0, fx, dy1, fz);
    sum = sum + SolidTerm(t, group, 3, group.w11 * wz0, dx1, dy1, fz);
    sum = sum + SolidTerm(t, group, 4, group.w00 * sz, fx, fy, dz1);
    sum = sum + SolidTerm(t, group, 5, group.w10 * sz, dx1, fy, dz1);
    sum = sum + SolidTerm(t, group, 6, group.w01 * sz, fx, dy1, dz1);
    sum = sum + SolidTerm(t, group, 7, group.w11 * sz, dx1, dy1, dz1);
    return _mm256_and_pd(sum, group.inside);
}

#undef VP_AVX2

}  // namespace

__attribute__((target("avx2"))) void CNoise::NoiseRunAvx2(const double* x, const double* y,
                                                          const double* z, size_t count,
                                                          double* out) const {
    if (count == 0) return;
    const LaneTables tables{gradients[0], {cornerRows[0], cornerRows[1], cornerRows[2]}, scale};
    // The last group's points, the last point repeated in the spare lanes (so they take
    // its path).
    const size_t groups = (count + 3) / 4, last = 4 * (groups - 1);
    double xs[4], ys[4], zs[4], result[4];
    for (size_t k = 0; k < 4; ++k) {
        const size_t m = std::min(last + k, count - 1);
        xs[k] = x[m];
        ys[k] = y[m];
        zs[k] = z[m];
    }
    // Each group is prepared one step ahead of its sum, so the index work of the next
    // group overlaps the gradient reads and products of this one.
    LaneGroup group[2];
    for (size_t g = 0; g <= groups; ++g) {
        if (g < groups) {
            const size_t n = 4 * g;
            const bool spare = n == last;
            PrepareLanes(tables, _mm256_loadu_pd(spare ? xs : x + n),
                         _mm256_loadu_pd(spare ? ys : y + n),
                         _mm256_loadu_pd(spare ? zs : z + n), &group[g & 1]);
        }
        if (g == 0) continue;
        const size_t n = 4 * (g - 1);
        const __m256d sum = SumLanes(tables, group[(g - 1) & 1]);
        if (n == last) {
            _mm256_storeu_pd(result, sum);
            for (size_t k = 0; last + k < count; ++k) out[last + k] = result[k];
        } else {
            _mm256_storeu_pd(out + n, sum);
        }
    }
}

__attribute__((target("avx2"))) void CNoise::Noise4Avx2(const double x[4], const double y[4],
                                                        const double z[4],
                                                        double out[4]) const {
    const LaneTables tables{gradients[0], {cornerRows[0], cornerRows[1], cornerRows[2]}, scale};
    LaneGroup group;
    PrepareLanes(tables, _mm256_loadu_pd(x), _mm256_loadu_pd(y), _mm256_loadu_pd(z), &group);
    _mm256_storeu_pd(out, SumLanes(tables, group));
}

void CNoise::Noise4(const double x[4], const double y[4], const double z[4],
                    double out[4]) const {
    if (UseAvx2()) {
        Noise4Avx2(x, y, z, out);
        return;
    }
    Noise2(x, y, z, out);
    Noise2(x + 2, y + 2, z + 2, out + 2);
}

void CNoise::NoiseRun(const double* x, const double* y, const double* z, size_t count,
                      double* out) const {
    if (UseAvx2()) {
        NoiseRunAvx2(x, y, z, count, out);
        return;
    }
    size_t n = 0;
    for (; n + 2 <= count; n += 2) Noise2(x + n, y + n, z + n, out + n);
    if (n < count) out[n] = Noise(x[n], y[n], z[n]);
}

// What each shaper makes of its noise values, shared by the one-point shapers and the
// runs so both round alike.
namespace {

inline double Smooth(double n) { return n * 0.5 + 0.5; }

// The octaves' values in the order 2p, p, 4p, 8p, summed in that order.
inline double Fractal(const double n[4]) {
    double s = n[0] * 0.5;
    s = s + n[1];
    s = s + n[2] * 0.25;
    s = s + n[3] * 0.125;
    return s * 0.5 + 0.5;
}

// The values at 2p and p.
inline double Turbulence(double twice, double once) {
    double s = twice * 0.5;
    s = s + once;
    return std::fabs(s);
}

inline double Bands(double n, double across) {
    return std::cos(n * (kTwoPi / 2.0) + across * (4.0 * kTwoPi)) * 0.5 + 0.5;
}

inline double Rings(double n) { return std::cos(n * (4.0 * kTwoPi)) * 0.5 + 0.5; }

inline double Veins(double n) { return std::pow(1e-8, std::fabs(n)); }

// The octave points of the fractal: 2p, p, 4p, 8p.
inline void FractalOctaves(double v, double out[4]) {
    out[0] = 2.0 * v;
    out[1] = v;
    out[2] = 4.0 * v;
    out[3] = 8.0 * v;
}

}  // namespace

double NoiseSmooth(const CNoise* noise, double x, double y, double z) {
    return Smooth(noise->Noise(x, y, z));
}

double NoiseFractal(const CNoise* noise, double x, double y, double z) {
    double xs[4], ys[4], zs[4], n[4];
    FractalOctaves(x, xs);
    FractalOctaves(y, ys);
    FractalOctaves(z, zs);
    noise->Noise4(xs, ys, zs, n);
    return Fractal(n);
}

// Two single calls (the renders' runs take ShapeNoiseRun, four points at a time).
double NoiseTurbulence(const CNoise* noise, double x, double y, double z) {
    return Turbulence(noise->Noise(2.0 * x, 2.0 * y, 2.0 * z), noise->Noise(x, y, z));
}

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
    return Smooth(noise->Noise(x + y, y + z, z));
}

double NoiseRings(const CNoise* noise, double x, double y, double z) {
    return Rings(noise->Noise(x, y, z));
}

double NoiseVeins(const CNoise* noise, double x, double y, double z) {
    return Veins(noise->Noise(x, y, z));
}

const NoiseShaper NoiseShaperTable[16] = {
    NoiseSmooth,     NoiseSmooth,     NoiseFractal,    NoiseFractal,
    NoiseFractal,    NoiseTurbulence, NoiseTurbulence, NoiseTurbulence,
    NoiseBandsYZ,    NoiseBandsXZ,    NoiseBandsXY,    NoiseSheared,
    NoiseSheared,    NoiseRings,      NoiseVeins,      NoiseVeins,
};

void ShapeNoiseRun(NoiseShaper shaper, const CNoise* noise, const double* x, const double* y,
                   const double* z, size_t count, double* out) {
    // Chunks of up to 64 points, so the fractal's four octaves of a chunk fit on the stack.
    constexpr size_t kChunk = 64;
    double xs[4 * kChunk], ys[4 * kChunk], zs[4 * kChunk], n[4 * kChunk];
    for (size_t first = 0; first < count; first += kChunk) {
        const size_t m = std::min(kChunk, count - first);
        const double *px = x + first, *py = y + first, *pz = z + first;
        double* o = out + first;
        if (shaper == NoiseFractal) {
            for (size_t i = 0; i < m; ++i) {
                FractalOctaves(px[i], xs + 4 * i);
                FractalOctaves(py[i], ys + 4 * i);
                FractalOctaves(pz[i], zs + 4 * i);
            }
            noise->NoiseRun(xs, ys, zs, 4 * m, n);
            for (size_t i = 0; i < m; ++i) o[i] = Fractal(n + 4 * i);
        } else if (shaper == NoiseTurbulence) {
            for (size_t i = 0; i < m; ++i) {
                xs[2 * i] = 2.0 * px[i];
                ys[2 * i] = 2.0 * py[i];
                zs[2 * i] = 2.0 * pz[i];
                xs[2 * i + 1] = px[i];
                ys[2 * i + 1] = py[i];
                zs[2 * i + 1] = pz[i];
            }
            noise->NoiseRun(xs, ys, zs, 2 * m, n);
            for (size_t i = 0; i < m; ++i) o[i] = Turbulence(n[2 * i], n[2 * i + 1]);
        } else if (shaper == NoiseSheared) {
            for (size_t i = 0; i < m; ++i) {
                xs[i] = px[i] + py[i];
                ys[i] = py[i] + pz[i];
            }
            noise->NoiseRun(xs, ys, pz, m, n);
            for (size_t i = 0; i < m; ++i) o[i] = Smooth(n[i]);
        } else if (shaper == NoiseSmooth || shaper == NoiseBandsYZ || shaper == NoiseBandsXZ ||
                   shaper == NoiseBandsXY || shaper == NoiseRings || shaper == NoiseVeins) {
            noise->NoiseRun(px, py, pz, m, n);
            if (shaper == NoiseSmooth) {
                for (size_t i = 0; i < m; ++i) o[i] = Smooth(n[i]);
            } else if (shaper == NoiseBandsYZ) {
                for (size_t i = 0; i < m; ++i) o[i] = Bands(n[i], py[i] + pz[i]);
            } else if (shaper == NoiseBandsXZ) {
                for (size_t i = 0; i < m; ++i) o[i] = Bands(n[i], px[i] + pz[i]);
            } else if (shaper == NoiseBandsXY) {
                for (size_t i = 0; i < m; ++i) o[i] = Bands(n[i], px[i] + py[i]);
            } else if (shaper == NoiseRings) {
                for (size_t i = 0; i < m; ++i) o[i] = Rings(n[i]);
            } else {
                for (size_t i = 0; i < m; ++i) o[i] = Veins(n[i]);
            }
        } else {
            for (size_t i = 0; i < m; ++i) o[i] = shaper(noise, px[i], py[i], pz[i]);
        }
    }
}

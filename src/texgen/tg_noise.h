// Gradient noise on a lattice that wraps every 2^bits cells, the shapers that turn it
// into colour-map values, and small vector helpers.
//
// With frequency 1.0 one unit of space is one period of the lattice, so anything that
// samples the unit square or a surface inside the unit cube tiles seamlessly. Every
// planet's look starts here: the draws, the arithmetic and their order are exact.
#pragma once

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

    // The noise at a point, roughly -1..1; exactly 0 on lattice points.
    double Noise(double x, double y, double z) const;

    uint32_t Mask() const { return mask; }
    double Scale() const { return scale; }
    const double* Gradient(int g) const { return gradients[g]; }
    const uint8_t* PermX() const { return permX; }
    const uint8_t* PermY() const { return permY; }
    const uint8_t* PermZ() const { return permZ; }

private:
    uint32_t mask;                   // 2^bits - 1, applied to every lattice index
    double scale;                    // 2^bits * frequency: lattice cells per unit
    double gradients[kLatticeSize][3];  // unit vectors (x, y, z)
    uint8_t permX[kLatticeSize];     // permutations of 0..63 per axis
    uint8_t permY[kLatticeSize];
    uint8_t permZ[kLatticeSize];
};

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

// Texture and layered pigments, and the random layered pigment.
#include "texgen/tg_pigment.h"

#include <algorithm>

namespace {

// One layer painted onto the colour below by its own alpha; the result is opaque.
inline void PaintOver(ColorValue& out, const ColorValue& c) {
    out.red = c.alpha * c.red + (1.0 - c.alpha) * out.red;
    out.green = c.alpha * c.green + (1.0 - c.alpha) * out.green;
    out.blue = c.alpha * c.blue + (1.0 - c.alpha) * out.blue;
    out.alpha = 1.0;
}

}  // namespace

void IPigment::GetColors(ColorValue* out, const double* x, const double* y, const double* z,
                         size_t count) const {
    for (size_t i = 0; i < count; ++i) GetColor(out[i], x[i], y[i], z[i]);
}

void IPigment::GetOpaqueColors(ColorValue* out, const double* x, const double* y,
                               const double* z, size_t count) const {
    for (size_t i = 0; i < count; ++i) GetOpaqueColor(out[i], x[i], y[i], z[i]);
}

CTexturePigment::CTexturePigment(NoiseShaper shaper, CNoise* noise, CColorMap* map)
    : shaper(shaper), noise(noise), map(map) {
    noise->AddRef();
    map->AddRef();
}

CTexturePigment::~CTexturePigment() {
    noise->Release();
    map->Release();
}

void CTexturePigment::GetColor(ColorValue& out, double x, double y, double z) const {
    out = map->Lookup(shaper(noise, x, y, z));
}

void CTexturePigment::GetOpaqueColor(ColorValue& out, double x, double y, double z) const {
    GetColor(out, x, y, z);
}

void CTexturePigment::GetColors(ColorValue* out, const double* x, const double* y,
                                const double* z, size_t count) const {
    double values[kMaxRun];
    if (count > kMaxRun) count = kMaxRun;
    ShapeNoiseRun(shaper, noise, x, y, z, count, values);
    map->LookupRun(values, out, count);
}

void CTexturePigment::GetOpaqueColors(ColorValue* out, const double* x, const double* y,
                                      const double* z, size_t count) const {
    GetColors(out, x, y, z, count);
}

CLayeredPigment::~CLayeredPigment() {
    for (IPigment* layer : layers) layer->Release();
}

void CLayeredPigment::AddLayer(IPigment* layer) {
    layers.push_back(layer);
    layer->AddRef();
}

void CLayeredPigment::GetColor(ColorValue& out, double x, double y, double z) const {
    out = ColorValue{0.0, 0.0, 0.0, 0.0};
    ColorValue c;
    for (const IPigment* layer : layers) {
        layer->GetColor(c, x, y, z);
        out = BlendColorOver(c, out);
    }
}

void CLayeredPigment::GetOpaqueColor(ColorValue& out, double x, double y, double z) const {
    out = ColorValue{0.0, 0.0, 0.0, 0.0};
    ColorValue c;
    for (const IPigment* layer : layers) {
        layer->GetColor(c, x, y, z);
        PaintOver(out, c);
    }
}

void CLayeredPigment::GetOpaqueColors(ColorValue* out, const double* x, const double* y,
                                      const double* z, size_t count) const {
    if (count > kMaxRun) count = kMaxRun;
    for (size_t i = 0; i < count; ++i) out[i] = ColorValue{0.0, 0.0, 0.0, 0.0};
    ColorValue colors[kMaxRun];
    for (const IPigment* layer : layers) {
        layer->GetColors(colors, x, y, z, count);
        for (size_t i = 0; i < count; ++i) PaintOver(out[i], colors[i]);
    }
}

ColorValue BlendColorOver(const ColorValue& top, const ColorValue& bottom) {
    const double a1 = top.alpha;
    const double w2 = (1.0 - a1) * bottom.alpha;
    const double factor = (a1 <= 1e-8 && w2 <= 1e-8) ? 1.0 : 1.0 / (a1 + w2);
    return ColorValue{a1 + w2, (top.red * a1 + bottom.red * w2) * factor,
                      (top.green * a1 + bottom.green * w2) * factor,
                      (top.blue * a1 + bottom.blue * w2) * factor};
}

CLayeredPigment* CreateRandomLayeredPigment(CRandomSource& source, const ColorValue palette[8]) {
    constexpr double kTwoToMinus32 = 1.0 / 4294967296.0;
    CLayeredPigment* pigment = new CLayeredPigment();
    const uint32_t layerCount = source.Below(6) + 2;
    for (uint32_t layer = 0; layer < layerCount; ++layer) {
        CColorMap* map = new CColorMap();
        const uint32_t stopCount = source.Below(5) + 3;
        double positions[7];
        positions[0] = 0.0;
        positions[1] = 1.0;
        for (uint32_t m = 2; m < stopCount; ++m) positions[m] = source.NextU32() * kTwoToMinus32;
        // Ascending (0 stays first, 1 last); at most seven values, so insertion sort.
        for (uint32_t m = 1; m < stopCount; ++m)
            for (uint32_t n = m; n > 0 && positions[n] < positions[n - 1]; --n)
                std::swap(positions[n], positions[n - 1]);
        for (uint32_t s = 0; s < stopCount; ++s) {
            const uint32_t index = source.NextU32() & 7u;
            // The bottom layer is opaque; every later one a veil below half opacity.
            const double opacity =
                layer == 0 ? 1.0
                           : source.NextU32() * kTwoToMinus32 *
                                 std::max(0.5, 1.0 / static_cast<double>(layerCount));
            map->AddStop(positions[s], palette[index], opacity);
        }
        const uint32_t bits = (source.NextU32() & 3u) + 2u;
        CNoise* noise = new CNoise(source, bits, 1.0);
        const NoiseShaper shaper = NoiseShaperTable[source.NextU32() & 15u];
        CTexturePigment* texture = new CTexturePigment(shaper, noise, map);
        pigment->AddLayer(texture);
        // The pigments now hold the only references.
        texture->Release();
        noise->Release();
        map->Release();
    }
    return pigment;
}

// Colour map lookups.
#include "texgen/tg_colormap.h"

#include <cstdint>

void CColorMap::AddStop(double position, const ColorValue& color, double opacity) {
    stops.push_back(ColorStop{
        position, ColorValue{color.alpha * opacity, color.red, color.green, color.blue}});
}

void CColorMap::AddBand(double p0, double p1, const ColorValue& color, double opacity) {
    AddStop(p0, color, opacity);
    AddStop(p1, color, opacity);
}

ColorValue CColorMap::Lookup(double v) const {
    // Nothing to read: answer transparent black rather than read past the array.
    if (stops.empty()) return ColorValue{0.0, 0.0, 0.0, 0.0};
    uint32_t lo = 0;
    uint32_t hi = static_cast<uint32_t>(stops.size()) - 1;
    while (hi > lo + 1) {
        const uint32_t mid = (lo + hi) / 2;
        // Not a number compares false and moves hi down.
        if (stops[mid].position < v)
            lo = mid;
        else
            hi = mid;
    }
    const double d = stops[hi].position - stops[lo].position;
    const ColorValue& upper = stops[hi].color;
    if (d < 1e-10) return upper;
    const ColorValue& lower = stops[lo].color;
    const double t = (stops[hi].position - v) / d;
    return ColorValue{lower.alpha + (upper.alpha - lower.alpha) * t,
                      lower.red + (upper.red - lower.red) * t,
                      lower.green + (upper.green - lower.green) * t,
                      lower.blue + (upper.blue - lower.blue) * t};
}

// Colour map lookups.
#include "texgen/tg_colormap.h"

#include <emmintrin.h>

#include <limits>

namespace {

// Beyond this many stops a binary search beats counting every stop.
constexpr size_t kMaxCountedStops = 16;

}  // namespace

void CColorMap::AddStop(double position, const ColorValue& color, double opacity) {
    stops.push_back(ColorStop{
        position, ColorValue{color.alpha * opacity, color.red, color.green, color.blue}});
    const size_t n = stops.size();
    // A position below the last, or one that is not a number on either side of the
    // comparison, makes the count of stops below a value differ from where the binary
    // search lands: search from then on.
    if ((n > 1 && !(position >= stops[n - 2].position)) || n > kMaxCountedStops)
        ascending = false;
    if (!ascending) {
        countable.clear();
        return;
    }
    countable.resize(n + (n & 1), std::numeric_limits<double>::infinity());
    for (size_t i = 0; i < n; ++i) countable[i] = stops[i].position;
}

void CColorMap::AddBand(double p0, double p1, const ColorValue& color, double opacity) {
    AddStop(p0, color, opacity);
    AddStop(p1, color, opacity);
}

ColorValue CColorMap::Lookup(double v) const {
    const size_t n = stops.size();
    if (n < 2 || !ascending) return LookupBySearch(v);
    // Over ascending stops the binary search ends on the interval whose lower stop is
    // the last one below v (the first interval when none is, the last when all are), so
    // counting the stops below v finds the same interval. The +infinity padding is never
    // below anything; a v that is not a number has no stop below it, as in the search.
    const __m128d value = _mm_set1_pd(v);
    __m128i below = _mm_setzero_si128();
    for (size_t i = 0; i < countable.size(); i += 2)
        below = _mm_sub_epi64(
            below, _mm_castpd_si128(_mm_cmplt_pd(_mm_loadu_pd(countable.data() + i), value)));
    const uint32_t count = static_cast<uint32_t>(_mm_cvtsi128_si64(below)) +
                           static_cast<uint32_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(below, below)));
    const uint32_t last = static_cast<uint32_t>(n) - 2;
    uint32_t lo = count == 0 ? 0 : count - 1;
    if (lo > last) lo = last;
    return Blend(lo, lo + 1, v);
}

ColorValue CColorMap::LookupBySearch(double v) const {
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
    return Blend(lo, hi, v);
}

ColorValue CColorMap::Blend(uint32_t lo, uint32_t hi, double v) const {
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

// Colour map lookups.
#include "texgen/tg_colormap.h"

#include <emmintrin.h>

#include <cstddef>
#include <limits>

// The run lookup moves a colour's channels two at a time.
static_assert(sizeof(ColorValue) == 4 * sizeof(double) && offsetof(ColorValue, red) == 8 &&
                  offsetof(ColorValue, green) == 16 && offsetof(ColorValue, blue) == 24,
              "a colour is four packed doubles");

namespace {

// Beyond this many stops a binary search beats counting every stop.
constexpr size_t kMaxCountedStops = 16;

// The lower stop of v's interval over ascending positions (padded with +infinity to an
// even count), `last` the lower stop of the last interval. The binary search ends on
// the interval whose lower stop is the last one below v (the first interval when none
// is, the last when all are), so counting the positions below v finds the same
// interval. The padding is never below anything; a v that is not a number has no
// position below it, as in the search.
inline uint32_t CountedLowerStop(const double* positions, size_t padded, uint32_t last,
                                 double v) {
    const __m128d value = _mm_set1_pd(v);
    __m128i below = _mm_setzero_si128();
    for (size_t i = 0; i < padded; i += 2)
        below = _mm_sub_epi64(below,
                              _mm_castpd_si128(_mm_cmplt_pd(_mm_loadu_pd(positions + i), value)));
    const uint32_t count =
        static_cast<uint32_t>(_mm_cvtsi128_si64(below)) +
        static_cast<uint32_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(below, below)));
    const uint32_t lo = count == 0 ? 0 : count - 1;
    return lo > last ? last : lo;
}

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
        intervals.clear();
        return;
    }
    countable.resize(n + (n & 1), std::numeric_limits<double>::infinity());
    for (size_t i = 0; i < n; ++i) countable[i] = stops[i].position;
    if (n < 2) return;
    const ColorStop& lo = stops[n - 2];
    const ColorStop& hi = stops[n - 1];
    intervals.push_back(Interval{hi.position, hi.position - lo.position, lo.color,
                                 ColorValue{hi.color.alpha - lo.color.alpha,
                                            hi.color.red - lo.color.red,
                                            hi.color.green - lo.color.green,
                                            hi.color.blue - lo.color.blue},
                                 hi.color});
}

void CColorMap::AddBand(double p0, double p1, const ColorValue& color, double opacity) {
    AddStop(p0, color, opacity);
    AddStop(p1, color, opacity);
}

ColorValue CColorMap::Lookup(double v) const {
    if (intervals.empty()) return LookupBySearch(v);
    const uint32_t last = static_cast<uint32_t>(intervals.size()) - 1;
    const Interval& in = intervals[CountedLowerStop(countable.data(), countable.size(), last, v)];
    if (in.width < 1e-10) return in.upper;
    const double t = (in.top - v) / in.width;
    return ColorValue{in.lower.alpha + in.step.alpha * t, in.lower.red + in.step.red * t,
                      in.lower.green + in.step.green * t, in.lower.blue + in.step.blue * t};
}

void CColorMap::LookupRun(const double* values, ColorValue* out, size_t count) const {
    if (intervals.empty()) {
        for (size_t i = 0; i < count; ++i) out[i] = LookupBySearch(values[i]);
        return;
    }
    const double* positions = countable.data();
    const size_t padded = countable.size();
    const uint32_t last = static_cast<uint32_t>(intervals.size()) - 1;
    size_t i = 0;
    for (; i + 1 < count; i += 2) {
        const Interval& in0 = intervals[CountedLowerStop(positions, padded, last, values[i])];
        const Interval& in1 =
            intervals[CountedLowerStop(positions, padded, last, values[i + 1])];
        // Both values' divisions at once: IEEE arithmetic gives each lane exactly the
        // scalar result.
        const __m128d top = _mm_set_pd(in1.top, in0.top);
        const __m128d width = _mm_set_pd(in1.width, in0.width);
        double t[2];
        _mm_storeu_pd(t, _mm_div_pd(_mm_sub_pd(top, _mm_loadu_pd(values + i)), width));
        const Interval* in[2] = {&in0, &in1};
        for (int k = 0; k < 2; ++k) {
            const Interval& a = *in[k];
            if (a.width < 1e-10) {
                out[i + k] = a.upper;
                continue;
            }
            const __m128d tk = _mm_set1_pd(t[k]);
            // (alpha, red) and (green, blue): lower + step * t per channel.
            _mm_storeu_pd(&out[i + k].alpha,
                          _mm_add_pd(_mm_loadu_pd(&a.lower.alpha),
                                     _mm_mul_pd(_mm_loadu_pd(&a.step.alpha), tk)));
            _mm_storeu_pd(&out[i + k].green,
                          _mm_add_pd(_mm_loadu_pd(&a.lower.green),
                                     _mm_mul_pd(_mm_loadu_pd(&a.step.green), tk)));
        }
    }
    if (i < count) out[i] = Lookup(values[i]);
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

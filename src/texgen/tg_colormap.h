// Colour maps: an ordered list of stops that turns a shaped noise value into a colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/app_color.h"
#include "app/app_refcount.h"

struct ColorStop {
    double position;
    ColorValue color;
};

class CColorMap : public CRefCountedObject {
public:
    CColorMap() = default;  // no stops, count 1
    ~CColorMap() override = default;

    // Appends a stop; only the colour's alpha is scaled by the opacity. Stops are kept
    // in the order they are added, which must be ascending in position.
    void AddStop(double position, const ColorValue& color, double opacity);
    // A flat stretch of one colour: a stop at p0 and one at p1.
    void AddBand(double p0, double p1, const ColorValue& color, double opacity);

    // The colour for a value. Inside an interval the blend runs from the upper stop's
    // colour at the lower end to the lower stop's colour at the upper end (so the
    // colours jump across an interior stop); outside the stops it extrapolates the
    // first or last interval linearly. A map without stops answers (0, 0, 0, 0).
    // Ascending maps of a few stops find the interval by counting the stops below the
    // value, without branches; the answer is always LookupBySearch's, bit for bit.
    ColorValue Lookup(double v) const;
    // Lookup over a run of values: out[i] is Lookup(values[i]) bit for bit; the
    // divisions of two values at a time.
    void LookupRun(const double* values, ColorValue* out, size_t count) const;
    // The same colour found by a binary search over the stops, whatever their order.
    ColorValue LookupBySearch(double v) const;

    const std::vector<ColorStop>& Stops() const { return stops; }

private:
    // One interval of an ascending map, worked out once: the colour at v is
    // lower + step * ((top - v) / width), channel by channel, or upper when the width
    // is below 1e-10; the same operations as the search's blend, so the same bits.
    struct Interval {
        double top;        // the upper stop's position
        double width;      // top minus the lower stop's position
        ColorValue lower;  // the lower stop's colour
        ColorValue step;   // the upper stop's colour minus the lower's
        ColorValue upper;  // the upper stop's colour
    };

    // The blend over the interval of stops lo and hi for v.
    ColorValue Blend(uint32_t lo, uint32_t hi, double v) const;

    std::vector<ColorStop> stops;  // in insertion order, never sorted
    // While the positions ascend (none below its predecessor, none not a number): the
    // positions padded with +infinity to an even count, and the intervals. Cleared for
    // good when a stop breaks the order or the map grows too long for counting to pay.
    std::vector<double> countable;
    std::vector<Interval> intervals;
    bool ascending = true;
};

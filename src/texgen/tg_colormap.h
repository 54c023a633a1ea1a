// Colour maps: an ordered list of stops that turns a shaped noise value into a colour.
#pragma once

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
    // The same colour found by a binary search over the stops, whatever their order.
    ColorValue LookupBySearch(double v) const;

    const std::vector<ColorStop>& Stops() const { return stops; }

private:
    // The blend over the interval of stops lo and hi for v.
    ColorValue Blend(uint32_t lo, uint32_t hi, double v) const;

    std::vector<ColorStop> stops;  // in insertion order, never sorted
    // The positions while they ascend (no position below its predecessor, none not a
    // number), padded with +infinity to an even count; cleared for good when a stop
    // breaks the order or the map grows too long for counting to pay.
    std::vector<double> countable;
    bool ascending = true;
};

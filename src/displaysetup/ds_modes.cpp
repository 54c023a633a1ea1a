// The usable display modes and their order.
#include "displaysetup/ds_modes.h"

#include <set>

#include "app/app_config.h"

bool DisplayModeLess(const DisplayMode& a, const DisplayMode& b) {
    if (a.index != b.index) return a.index < b.index;
    if (a.depth != b.depth) return a.depth < b.depth;
    // 32-bit products: the order of sizes past four billion pixels is of no concern.
    const uint32_t pixelsA = a.width * a.height;
    const uint32_t pixelsB = b.width * b.height;
    if (pixelsA != pixelsB) return pixelsA < pixelsB;
    if (a.width != b.width) return a.width < b.width;
    return a.height < b.height;
}

void CollectDisplayModes(uint32_t index, const std::vector<PlatformDisplayMode>& modes,
                         std::vector<DisplayMode>& out) {
    std::set<DisplayMode, bool (*)(const DisplayMode&, const DisplayMode&)> ordered(
        DisplayModeLess);
    for (const PlatformDisplayMode& m : modes) {
        if (m.depth >= 16 && m.width >= 640 && m.height >= 480)
            ordered.insert({index, m.width, m.height, m.depth});
    }
    out.insert(out.end(), ordered.begin(), ordered.end());
}

void EnumerateDisplayModes(std::vector<DisplayMode>& out) {
    uint32_t index = static_cast<uint32_t>(GameConfig.DisplayIndex);
    if (index >= PfCountDisplays()) index = 0;
    CollectDisplayModes(index, PfListDisplayModes(index), out);
}

// The rendering quality in force and the display mode the settings ask for.
#pragma once

#include <cstdint>

struct QualitySettings {
    double Score;             // rating of the quality test; 0.0 when not tested
    bool Fade;                // fades drawn translucent; off: a cut to black
    bool SmoothPolygons;      // solid polygons outlined a second time, smoothed
    bool HighQualityModels;   // the high-detail built-in model
    int32_t MagFilter;        // filter table index for magnification, 0..1
    int32_t MinFilter;        // filter table index for minification, 0..5 (2+ mipmapped)
    int32_t BackgroundTexture;  // background image sizes shifted right by this, 0..4
    int32_t ForegroundTexture;  // the same for the foreground images
};

// The ranges the settings menus offer; values read from the store are held to them
// wherever they index a table or size a shift.
constexpr int32_t kMaxMagFilter = 1;
constexpr int32_t kMaxMinFilter = 5;
constexpr int32_t kMaxTextureLevel = 4;

struct DisplayMode {
    uint32_t index;   // monitor, in the toolkit's numbering
    uint32_t width;
    uint32_t height;
    uint32_t depth;   // bits per pixel
};

// The one current record; the first call before anybody set it fills the defaults.
QualitySettings* ActiveQualitySettings();
// Marks the current record as set (the display setup writes it whole, then calls
// this) or, with false, unset so the next ActiveQualitySettings fills the defaults.
void SetQualitySettingsValid(bool valid);

// value held to 0..maximum.
int32_t ClampQualityValue(int32_t value, int32_t maximum);
// The active filter indices and texture levels, each held to its menu's range.
int32_t ActiveMagFilter();
int32_t ActiveMinFilter();
int32_t ActiveBackgroundTextureLevel();
int32_t ActiveForegroundTextureLevel();

// The mode to open from the saved display settings: a bad monitor index gives
// monitor 0; a missing size or depth comes from the monitor's current mode; with no
// size at all, 640 x 480; with no depth at all, 16.
DisplayMode& GetConfiguredDisplayMode(DisplayMode& out);

// The rule itself, over given facts: configured index, width, height and depth, the
// number of monitors, and the chosen monitor's current mode (width, height, depth;
// zeros when it reports none). index is compared as unsigned, so -1 means none.
DisplayMode ResolveDisplayMode(int32_t index, int32_t width, int32_t height, int32_t depth,
                               unsigned displayCount, uint32_t currentWidth,
                               uint32_t currentHeight, uint32_t currentDepth);

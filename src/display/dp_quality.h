// The rendering quality: its record, the presets, the stored values and the record in
// force; and the display mode the settings ask for. This module alone reads and writes
// the quality keys and the current record; what draws and uploads is handed values
// from here.
#pragma once

#include <cstdint>

#include "display/dp_texture.h"

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

// The ranges the settings menus offer (the filters' are the filter table's,
// dp_texture.h); values read from the store are held to them wherever they index a
// table or size a shift.
constexpr int32_t kMaxTextureLevel = 4;

// The numbers of the quality choice.
enum QualityPreset : int32_t {
    QualityPresetAutomatic = 0,
    QualityPresetLow = 1,
    QualityPresetMedium = 2,
    QualityPresetHigh = 3,
    QualityPresetCustom = 4,
};

// The values of preset Low, Medium or High, with a score of 0.0; false for any other
// number (out untouched).
bool GetQualityPresetValues(int32_t preset, QualitySettings& out);
// The preset the values show as: Automatic while the automatic flag is set, else the
// preset all seven values equal, else Custom. The score is not compared.
int32_t MatchQualityPreset(const QualitySettings& values, bool automatic);

// Score 0.0 and the seven stored values (the three switches on when not 0).
QualitySettings GetQualitySettings();
// Stores the seven values in the configuration record (switches as 0 or 1) and
// writes each key, Fade first and ForegroundTexture last, saved once.
void SetQualitySettings(const QualitySettings& values);

struct DisplayMode {
    uint32_t index;   // monitor, in the toolkit's numbering
    uint32_t width;
    uint32_t height;
    uint32_t depth;   // bits per pixel
};

// The record in force; the first call before anybody set it fills the defaults (the
// values of preset High).
const QualitySettings* ActiveQualitySettings();
// Makes these values the record in force (the display setup applies the tested or
// stored values through here).
void SetActiveQualitySettings(const QualitySettings& values);
// With false, unset, so the next ActiveQualitySettings fills the defaults; with true,
// the record as it is counts as set.
void SetQualitySettingsValid(bool valid);

// value held to 0..maximum.
int32_t ClampQualityValue(int32_t value, int32_t maximum);
// The active filter indices and texture levels, each held to its menu's range.
int32_t ActiveMagFilter();
int32_t ActiveMinFilter();
int32_t ActiveBackgroundTextureLevel();
int32_t ActiveForegroundTextureLevel();
// The filters of the record in force, for MakeTexture.
TextureFilters ActiveTextureFilters();

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

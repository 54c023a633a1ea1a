// The stored display settings: reading and writing the seven quality keys and the
// game's mode, the presets of the quality choice, and which preset values show as.
#pragma once

#include <cstdint>

#include "display/dp_quality.h"

// The numbers of the quality choice.
enum QualityPreset : int32_t {
    QualityPresetAutomatic = 0,
    QualityPresetLow = 1,
    QualityPresetMedium = 2,
    QualityPresetHigh = 3,
    QualityPresetCustom = 4,
};

// Score 0.0 and the seven stored values (the three switches on when not 0).
QualitySettings GetQualitySettings();
// Stores the seven values in the configuration record (switches as 0 or 1) and
// writes each key, Fade first and ForegroundTexture last, saved once.
void SetQualitySettings(const QualitySettings& values);

// Stores the mode's width, height and depth in the configuration record and writes
// their keys in that order, saved once (the display index is the configured display's
// already).
void StoreGameDisplayMode(const DisplayMode& mode);

// The values of preset Low, Medium or High, with a score of 0.0; false for any other
// number (out untouched).
bool GetQualityPresetValues(int32_t preset, QualitySettings& out);
// The preset the values show as: Automatic while the automatic flag is set, else the
// preset all seven values equal, else Custom. The score is not compared.
int32_t MatchQualityPreset(const QualitySettings& values, bool automatic);

// The timed quality test: short passes in the open game window that each measure one
// kind of load the game produces, a probe of how many textures stay resident, and the
// frame-time model that turns the measurements into quality settings.
#pragma once

#include <cstdint>

#include "display/dp_quality.h"

// All durations in seconds per frame, each at least 0.
struct QualityTestResults {
    double FrameSeconds;            // a frame that draws nothing: clear, progress bar, present
    double LayerSeconds;            // one blended full-window layer
    double FilledPolygonSeconds;    // one filled, lit triangle
    double OutlinePolygonSeconds;   // one triangle drawn as an outline
    double MagFilterSeconds[2];     // the magnification scene with MagFilter 0 and 1
    double MinFilterSeconds[6];     // the minification scene with MinFilter 0 to 5
    uint32_t ResidentTextureBytes;  // 262144 x the registered textures reported resident
};

// Draws one pass's load; the argument is the pass's test texture or null.
using QualityPassDraw = void (*)(const void* argument);

// Runs the twelve passes and the resident probe in the open game window (context
// current, held by the caller), drawing this test's slice progressFrom..progressTo of
// the one progress bar. Escape or a quit aborts: false, out untouched. The active
// quality record, the cursor hide count and the texture registry are left as found;
// the 3-D scene with light 0 stays set up.
bool RunQualityTest(QualityTestResults& out, double progressFrom, double progressTo);

// Chooses the settings the measurements afford: the cheapest filters, then upgrades
// one at a time while 30 frames per second hold, texture levels that fit the resident
// memory, a score, and fades when 20 frames per second hold with them. out is filled
// either way; true when its score is above 0.1.
bool ChooseQualitySettings(QualitySettings& out, const QualityTestResults& results);

// One pass: at most 8 frames, none started after 200 ms, none once abort is set (as
// the quit flag also sets it). Seconds per frame; 0 when no frame was drawn.
double TimeQualityPass(bool& abort, QualityPassDraw draw, const void* argument, double from,
                       double to, double progressFrom, double progressTo);

// The progress bar at fraction of the pass slice from..to already folded in by the
// caller: p = progressFrom + (progressTo - progressFrom) x fraction across the middle
// half of the window, a quarter of its height above the bottom.
void DrawQualityTestProgress(double fraction, double progressFrom, double progressTo);

// The input callback of the passes: Escape (key down, repeats too) aborts; so does a
// quit (the pump has set the quit flag). context is the bool abort flag.
void QualityTestInput(void* abort, uint32_t code, const void* data);

// The draws of the passes.
void DrawQualityTestLayers(const void* argument);
void DrawTestModelOutlines(const void* argument);
void DrawTestModelFilled(const void* argument);
void DrawMagnificationPlane(const void* texture);
void DrawMinificationPlane(const void* texture);

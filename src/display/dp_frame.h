// Frame pacing: every OpenGL screen ends a frame with PresentFrame, which draws the
// debug overlays, shows the frame, holds the rate below 100 frames per second by
// sleeping and hands out a smoothed whole-millisecond step whose running sum follows
// the real elapsed time. The overlays' glyph font lives here too, one per window.
#pragma once

#include <cstdint>

struct GLTexture;
struct TextureImage;

struct FrameStatistics {
    uint32_t frameCount;   // frames presented
    uint32_t total;        // sum of the capped raw steps, ms
    double average;        // smoothed step, ms
    double slowAverage;    // slower smoothing of the average, for the rate overlay
    uint32_t integerSum;   // sum of the steps handed out, ms
};

// Zero at the start of the display session; they run across all screens. All three
// live in the session's record, written only by the pacer below (a frame presented,
// the clock caught up, the statistics reset).
const FrameStatistics& GetFrameStatistics();
// Clock reading at the last frame (ms, low 32 bits).
extern const uint32_t& LastFrameTimeMs;
// The last step handed out (ms).
extern const uint32_t& FrameStepMs;

// The "live_text" glyph texture of the overlays: present only while a window is open
// and the debug flags ask for an overlay.
struct DebugFont {
    TextureImage* image;
    GLTexture* texture;
};
// The font's texture, or null.
const GLTexture* GetDebugFont();
// A window has opened: with overlay flags, load and upload the font (once a window).
void OpenDebugFont();
// The window is closing: delete the texture and free the image.
void CloseDebugFont();

// Puts every statistic back to zero (a new display session).
void ResetFrameStatistics();

// When more than 10 ms have passed since LastFrameTimeMs, sets it to the clock, so a
// pause (loading, a menu, an inactive wait) does not enter the next step. Every screen
// loop calls it before drawing.
void CatchUpLastFrameTime();

// The step in ms (also in FrameStepMs).
uint32_t PresentFrame();

// The overlays of the debug flags (frame rate, texture statistics) over the current
// frame, stacked up from the bottom-left corner; nothing without the flags.
void DrawFrameOverlays();

// The pacing and smoothing alone (steps after the swap), for tests and PresentFrame.
uint32_t AdvanceFrameTiming();

// The text of the frame-rate overlay for a slow average in ms: "%8d fps" of
// 1000 / average, or of 0 before anything was measured.
void FormatFrameRate(double slowAverage, char* out, unsigned size);

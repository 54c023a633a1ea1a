// The loading screen: the "text_loading" picture with a progress bar, redrawn from
// inside the working code's progress calls. Nothing shows for work that ends within
// 500 ms; once shown it stays up at least 500 ms. Progress nests: callers push
// sub-ranges for their stages and the innermost code reports a plain fraction.
#pragma once

#include <cstdint>

struct TextureImage;

struct LoadingRange {
    double from;
    double to;
};

struct LoadingScreenState {
    TextureImage* image;      // the "text_loading" picture while active
    uint8_t active;           // between begin and end
    uint32_t startTime;       // clock at begin, ms
    uint32_t lastDrawTime;    // clock at the last redraw; the start time until then
    uint32_t firstShownTime;  // clock at the first redraw
    uint32_t depth;           // index of the current range, 0..7
    LoadingRange ranges[8];   // range 0 is {0, 1}
};

// Main thread; in the session record, written only by the functions below.
const LoadingScreenState& GetLoadingScreen();

void BeginLoadingScreen();
void AddLoadingStage(double a, double b);
// A stage's work is done: back to the enclosing range.
void LeaveLoadingStage();
void UpdateLoadingProgress(double fraction);
void EndLoadingScreen();
// Draws and presents one frame with the bar at p (0..1).
void DrawLoadingScreen(double p);

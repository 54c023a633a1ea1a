// The pause screen: its own modal loop on the game window with the "text_paused"
// caption over two buttons, Abort (left) and Continue (right), chosen with the mouse
// (press and release inside a button), Escape (Abort) or Enter (Continue). The world
// does not advance meanwhile; the caller closes and reopens the audio.
#pragma once

#include <cstdint>

struct TextureImage;

// A point (x, y) is inside when x0 <= x < x1 and y0 <= y < y1 (window pixels, y up).
struct PauseRect {
    int32_t x0, y0, x1, y1;
};

// Where everything goes on a window of width x height, in integer arithmetic.
struct PauseScreenLayout {
    int32_t unit;            // min(width, height) / 20
    int32_t centreX, centreY;
    int32_t buttonWidth, buttonHeight;                // the normal button images
    int32_t pressedWidth, pressedHeight;              // 96 % of them
    PauseRect continueRect;  // right
    PauseRect abortRect;     // left
    int32_t captionWidth;    // trunc(0.12 x min(width, height)); height from the picture
};
PauseScreenLayout ComputePauseScreenLayout(int32_t width, int32_t height);

// The callback's context.
struct PauseScreenState {
    TextureImage* continueImage;         // the five images, owned by RunPauseScreen
    TextureImage* continuePressedImage;
    TextureImage* abortImage;
    TextureImage* abortPressedImage;
    TextureImage* captionImage;
    PauseRect continueRect;              // right button
    PauseRect abortRect;                 // left button
    uint8_t escapeDown, enterDown;       // pressed while the screen was up
    uint8_t abortPressed, abortHighlighted;       // a press began inside Abort; shown pressed
    uint8_t continuePressed, continueHighlighted; // the same for Continue
    uint8_t done;                        // a choice was made
    uint8_t result;                      // 1 Continue, 0 Abort
    uint8_t redraw;                      // something changed since the last frame drawn
};

bool InsidePauseRect(const PauseRect& rect, int32_t x, int32_t y);

// True for Continue, false for Abort (also when a quit arrives, which sets the quit
// flag as it does during play).
bool RunPauseScreen();
// The GameEventCallback of the pause loop; context is the PauseScreenState.
void PauseScreenCallback(void* context, uint32_t code, const void* data);

// c = (c x k) >> 8 for red, green and blue of every pixel of level 0, with
// k = trunc(factor x 256); alpha stays.
void DarkenImage(TextureImage& image, double factor);

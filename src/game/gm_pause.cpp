// The pause screen: layout, images, loop, drawing and callback.
#include "game/gm_pause.h"

#include <GL/gl.h>

#include <cstring>

#include "app/app_png.h"
#include "app/app_texture_image.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_glyph_text.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "display/dp_screen_loop.h"
#include "display/dp_window.h"

namespace {


// The pacing rule, the context, a cleared screen presented: the window shows nothing
// but black between the game and the pause screen (and when it was restored).
void ShowClearedFrame() {
    CatchUpLastFrameTime();
    if (!MakeGameContextCurrent()) return;
    ClearGameScreen();
    PresentFrame();
}

TextureImage* LoadCaption(int32_t width) {
    wxImage picture = LoadPngResource("text_paused");
    if (!picture.IsOk()) return nullptr;
    wxImage scaled = ScaleImage(picture, width, -1);
    if (!scaled.IsOk()) return nullptr;
    return TextureImageFromWxImage(uint32_t(scaled.GetHeight()), scaled, 0, 0,
                                   uint32_t(scaled.GetWidth()));
}

void DrawButton(const TextureImage* normal, const TextureImage* pressed, const PauseRect& r,
                bool highlighted) {
    glColor4d(1.0, 1.0, 1.0, 1.0);
    if (highlighted) {
        DrawImagePixels(pressed, r.x0 + (r.x1 - r.x0) / 50, r.y0 + (r.y1 - r.y0) / 50, 0, 0,
                        GameWindowWidth, GameWindowHeight, 1.0, 1.0);
    } else {
        DrawImagePixels(normal, r.x0, r.y0, 0, 0, GameWindowWidth, GameWindowHeight, 1.0, 1.0);
    }
}

// The back buffer is undefined after a swap: every frame is drawn whole.
void DrawPauseScreen(void* context) {
    PauseScreenState& s = *static_cast<PauseScreenState*>(context);
    ClearGameScreen();
    PushOverlay2D();
    glColor4d(1.0, 1.0, 1.0, 1.0);
    if (s.captionImage) {
        const int32_t cx = GameWindowWidth / 2, cy = GameWindowHeight / 2;
        DrawImagePixels(s.captionImage, cx - int32_t(s.captionImage->columns) / 2, cy, 0, 0,
                        GameWindowWidth, GameWindowHeight, 1.0, 1.0);
    }
    DrawButton(s.abortImage, s.abortPressedImage, s.abortRect, s.abortHighlighted);
    DrawButton(s.continueImage, s.continuePressedImage, s.continueRect, s.continueHighlighted);
    PopOverlay2D();
    s.redraw = 0;
}

bool PauseScreenDone(void* context) { return static_cast<PauseScreenState*>(context)->done; }

// While a press that began inside a button lasts, its highlight follows the pointer.
void FollowPointer(uint8_t pressed, uint8_t& highlighted, const PauseRect& rect,
                   const GameEventPoint& p, uint8_t& redraw) {
    if (!pressed) return;
    const uint8_t inside = InsidePauseRect(rect, p.x, p.y) ? 1 : 0;
    if (inside != highlighted) redraw = 1;
    highlighted = inside;
}

}  // namespace

PauseScreenLayout ComputePauseScreenLayout(int32_t width, int32_t height) {
    PauseScreenLayout l;
    const int32_t m = width < height ? width : height;
    const int32_t u = m / 20;
    l.unit = u;
    l.centreX = width / 2;
    l.centreY = height / 2;
    l.buttonWidth = 4 * u;
    l.buttonHeight = u;
    l.pressedWidth = (192 * u) / 50;
    l.pressedHeight = (48 * u) / 50;
    const int32_t y0 = l.centreY - (3 * u) / 2;
    const int32_t abortX = l.centreX - (17 * u) / 4;
    const int32_t continueX = l.centreX + u / 4;
    l.abortRect = {abortX, y0, abortX + 4 * u, y0 + u};
    l.continueRect = {continueX, y0, continueX + 4 * u, y0 + u};
    l.captionWidth = int32_t(0.12 * m);
    return l;
}

bool InsidePauseRect(const PauseRect& r, int32_t x, int32_t y) {
    return r.x0 <= x && x < r.x1 && r.y0 <= y && y < r.y1;
}

void DarkenImage(TextureImage& image, double factor) {
    const uint32_t k = uint32_t(factor * 256);
    for (uint32_t row = 0; row < image.rows; ++row) {
        uint8_t* p = image.pixels + size_t(row) * image.stride;
        for (uint32_t column = 0; column < image.columns; ++column, p += 4) {
            p[0] = uint8_t((p[0] * k) >> 8);
            p[1] = uint8_t((p[1] * k) >> 8);
            p[2] = uint8_t((p[2] * k) >> 8);
        }
    }
}

void PauseScreenCallback(void* context, uint32_t code, const void* data) {
    PauseScreenState& s = *static_cast<PauseScreenState*>(context);
    switch (code) {
    case GameEventQuit:
        // Closing the program while paused ends it as it would during play: Abort
        // (the pump has set the quit flag, so the screens behind the game stop too).
        s.done = 1;
        s.result = 0;
        return;
    case GameEventActivated:
        s.redraw = 1;
        ShowClearedFrame();  // the window was restored
        return;
    case GameEventKeyPress: {
        const uint32_t key = *static_cast<const uint32_t*>(data);
        if (key == GameKeyEscape) {
            s.escapeDown = 1;
            s.abortHighlighted = 1;
        } else if (key == GameKeyEnter || key == GameKeyPadEnter) {
            s.enterDown = 1;
            s.continueHighlighted = 1;
        }
        s.redraw = 1;
        return;
    }
    case GameEventKeyUp: {
        const uint32_t key = *static_cast<const uint32_t*>(data);
        // Only keys pressed on this screen count: an Escape still held from play
        // does not abort when it is let go.
        if (key == GameKeyEscape && s.escapeDown) {
            s.done = 1;
            s.result = 0;
        } else if ((key == GameKeyEnter || key == GameKeyPadEnter) && s.enterDown) {
            s.done = 1;
            s.result = 1;
        }
        s.redraw = 1;
        return;
    }
    case GameEventKeyDown:
        s.redraw = 1;
        return;
    case GameEventMouseDown:
    case GameEventMouseUp:
    case GameEventMousePosition: {
        const GameEventPoint& p = *static_cast<const GameEventPoint*>(data);
        if (code == GameEventMouseDown) {
            s.abortHighlighted = 0;
            s.continueHighlighted = 0;
            s.abortPressed = InsidePauseRect(s.abortRect, p.x, p.y) ? 1 : 0;
            s.continuePressed = InsidePauseRect(s.continueRect, p.x, p.y) ? 1 : 0;
            s.redraw = 1;
        }
        FollowPointer(s.abortPressed, s.abortHighlighted, s.abortRect, p, s.redraw);
        FollowPointer(s.continuePressed, s.continueHighlighted, s.continueRect, p, s.redraw);
        if (code == GameEventMouseUp) {
            // Released inside the button the press began in: that is the choice.
            if ((s.abortPressed && s.abortHighlighted) ||
                (s.continuePressed && s.continueHighlighted)) {
                s.done = 1;
                s.result = s.continuePressed;
                s.redraw = 1;
            }
            s.abortPressed = 0;
            s.continuePressed = 0;
        }
        return;
    }
    default:
        // Relative motion carries no point (the capture is suspended while paused).
        return;
    }
}

bool RunPauseScreen() {
    const PauseScreenLayout l = ComputePauseScreenLayout(GameWindowWidth, GameWindowHeight);
    PauseScreenState s;
    std::memset(&s, 0, sizeof s);
    s.continueImage = RenderLiveButtonImage("Continue", uint32_t(l.buttonWidth),
                                            uint32_t(l.buttonHeight));
    s.continuePressedImage = RenderLiveButtonImage("Continue", uint32_t(l.pressedWidth),
                                                   uint32_t(l.pressedHeight));
    s.abortImage = RenderLiveButtonImage("Abort", uint32_t(l.buttonWidth),
                                         uint32_t(l.buttonHeight));
    s.abortPressedImage = RenderLiveButtonImage("Abort", uint32_t(l.pressedWidth),
                                                uint32_t(l.pressedHeight));
    if (s.continuePressedImage) DarkenImage(*s.continuePressedImage, 0.7);
    if (s.abortPressedImage) DarkenImage(*s.abortPressedImage, 0.7);
    s.continueRect = l.continueRect;
    s.abortRect = l.abortRect;
    s.captionImage = LoadCaption(l.captionWidth);

    ShowGameCursor();
    ShowClearedFrame();
    s.redraw = 1;
    RunScreenLoop({&s, PauseScreenCallback, PauseScreenDone, nullptr, DrawPauseScreen});
    ShowClearedFrame();
    ReturnGameCursor();

    FreeTextureImage(s.continueImage);
    FreeTextureImage(s.continuePressedImage);
    FreeTextureImage(s.abortImage);
    FreeTextureImage(s.abortPressedImage);
    FreeTextureImage(s.captionImage);
    return s.result == 1;
}

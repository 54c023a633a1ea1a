// Text on the OpenGL screens: captions and button labels rendered once with the
// toolkit's fonts into images, and short changing texts drawn every frame from the
// 40-glyph bitmap font of the "live_text" picture.
#pragma once

#include <cstdint>
#include <vector>

struct GLTexture;
struct TextureImage;

// A new 512 x 32 image: white, alpha = the text's coverage. Null text means empty.
TextureImage* RenderCaptionImage(const char* text);
// A new width x height image of the "live_button" picture with the label printed on
// it in black; without the picture, a transparent image with the label.
TextureImage* RenderLiveButtonImage(const char* text, uint32_t width, uint32_t height);
// The same on the named picture (tests use a missing one).
TextureImage* RenderButtonImageOn(const char* picture, const char* text, uint32_t width,
                                  uint32_t height);

// One glyph of a laid-out text: its box in window pixels and its texture window.
struct GlyphQuad {
    double left, bottom, right, top;
    double u, v, du, dv;
};

// The glyphs of text fitted into the box (x, y, width, height), centred in it when
// centre is set. Characters outside A-Z, a-z, 0-9, ( ) : and space take no room;
// lower-case letters are their capitals at 0.75 of the size, on the same baseline.
std::vector<GlyphQuad> LayoutGlyphText(const char* text, bool centre, double x, double y,
                                       double width, double height);
// Draws the layout with the font texture into the current 2-D view; nothing when the
// font is missing or not uploaded.
void DrawGlyphText(const char* text, const GLTexture* font, bool centre, double x, double y,
                   double width, double height);

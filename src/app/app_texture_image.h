// TextureImage: the one in-memory picture format, and the free functions that make,
// copy, convert, shrink and free it.
//
// An image is one zero-filled C allocation: the header below followed directly by
// the pixels (R, G, B, A bytes). Row 0 is the bottom row of the picture, the order
// OpenGL takes rows in, so texture coordinate v = 0 is the picture's bottom. Whoever
// receives a new image owns its whole mip chain and frees it with FreeTextureImage.
#pragma once

#include <cstdint>
#include <vector>

#include "app/app_color.h"

class wxImage;

struct TextureImage {
    uint32_t rows;       // height in pixels
    uint32_t columns;    // width in pixels
    uint32_t stride;     // bytes from one row to the next; always columns * 4
    uint8_t* pixels;     // just behind this header, inside the same allocation
    TextureImage* next;  // next smaller mip level (its own allocation), or null
};

// The frames of one PNG resource cut into equal vertical slices.
struct TextureStrip {
    uint32_t frameCount = 0;            // frames asked for; 0 when the load failed
    uint32_t rowCount = 0;              // 1 once loaded
    uint32_t frameWidth = 0;            // pixels
    uint32_t frameHeight = 0;           // pixels
    std::vector<TextureImage*> frames;  // one per frame, null where none was made
};

// A new image of columns x rows with every byte zero, no next level; null when the
// size is too large or the allocation fails. Every maker of images goes through here.
TextureImage* AllocateTextureImage(uint32_t columns, uint32_t rows);
// Frees an image and every level of its chain (read next, free, go on). Null is fine.
void FreeTextureImage(TextureImage* image);

// Decodes the PNG resource of this name into one level; null when it is missing or
// does not decode.
TextureImage* LoadTextureImage(const char* name);
// Copies the region of `image` whose top-left corner is (left, top), `columns` wide
// and `rows` high, turning it upside down. Alpha is 255 where the toolkit image has no
// alpha plane. Null when the image is invalid, the region leaves it, or allocation fails.
TextureImage* TextureImageFromWxImage(uint32_t rows, const wxImage& image, uint32_t left,
                                      uint32_t top, uint32_t columns);
// Copies level 0 only; null for a null source.
TextureImage* CopyTextureImage(const TextureImage* source);
// The next smaller mip level: each side halved (a side of 1 stays 1), each channel the
// truncating mean of a 2 x 2 block; an odd last row or column is dropped.
TextureImage* HalveTextureImage(const TextureImage* source);
// Replaces red, green and blue of level 0 by the luminance (weights 0.30, 0.59, 0.11 in
// 24-bit fixed point, so white becomes 254). Alpha stays.
void MakeGreyTextureImage(TextureImage* image);
// Links halved levels down to one pixel and returns the last level. An image that
// already has a next level is not extended: it is returned as it is.
TextureImage* BuildMipChain(TextureImage* image);

// More frames than this make the empty strip.
constexpr uint32_t kMaxStripFrames = 65536;

// Cuts the PNG resource into `frameCount` frames of frameWidth x frameHeight, scaling
// the picture first when it is not exactly that size. Zero frames, or a missing
// resource, give the empty strip. The strip's fields are cleared first without freeing
// anything: free a strip's frames with FreeTextureImages before loading it again.
TextureStrip& LoadTextureStrip(TextureStrip& strip, const char* name, uint32_t frameCount,
                               uint32_t frameWidth, uint32_t frameHeight);
// Frees every frame chain and empties the frame array; the counts stay.
void FreeTextureImages(TextureStrip& strip);

// One channel of a colour as a byte: value * 255 truncated toward zero, keeping the
// low 8 bits (so a value a little above 1 wraps). Not a number gives 0.
uint8_t ColorChannelByte(double value);
// Writes pixel (x, y) of level 0; no bounds check.
void SetImagePixel(TextureImage* image, uint32_t x, uint32_t y, const ColorValue& color);
// Writes every pixel of level 0; nothing for a null image.
void FillImage(TextureImage* image, const ColorValue& color);

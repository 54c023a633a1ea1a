// Texture images: allocation, conversion from the toolkit's images, copies, mip levels,
// grey conversion, frame strips and pixel writers.
#include "app/app_texture_image.h"

#include <wx/image.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/app_png.h"

TextureImage* AllocateTextureImage(uint32_t columns, uint32_t rows) {
    const uint64_t pixelBytes = uint64_t{columns} * rows * 4;
    // The stride must fit its u32 field and the whole block a size_t.
    if (uint64_t{columns} * 4 > UINT32_MAX || pixelBytes > (uint64_t{1} << 40)) return nullptr;
    const size_t total = sizeof(TextureImage) + static_cast<size_t>(pixelBytes);
    void* block = std::malloc(total);
    if (block == nullptr) return nullptr;
    std::memset(block, 0, total);
    TextureImage* image = static_cast<TextureImage*>(block);
    image->rows = rows;
    image->columns = columns;
    image->stride = columns * 4;
    image->pixels = reinterpret_cast<uint8_t*>(image + 1);
    image->next = nullptr;
    return image;
}

void FreeTextureImage(TextureImage* image) {
    while (image != nullptr) {
        TextureImage* next = image->next;
        std::free(image);
        image = next;
    }
}

TextureImage* TextureImageFromWxImage(uint32_t rows, const wxImage& image, uint32_t left,
                                      uint32_t top, uint32_t columns) {
    if (!image.IsOk()) return nullptr;
    const uint64_t width = static_cast<uint64_t>(image.GetWidth());
    const uint64_t height = static_cast<uint64_t>(image.GetHeight());
    // Reading outside the toolkit's buffers would read foreign memory: refuse.
    if (uint64_t{left} + columns > width || uint64_t{top} + rows > height) return nullptr;
    TextureImage* out = AllocateTextureImage(columns, rows);
    if (out == nullptr) return nullptr;
    const unsigned char* rgb = image.GetData();
    const unsigned char* alpha = image.HasAlpha() ? image.GetAlpha() : nullptr;
    for (uint32_t r = 0; r < rows; ++r) {
        const size_t sourceRow = static_cast<size_t>(top + r) * width;
        uint8_t* d = out->pixels + static_cast<size_t>(rows - 1 - r) * out->stride;
        for (uint32_t c = 0; c < columns; ++c) {
            const size_t s = sourceRow + left + c;
            d[c * 4 + 0] = rgb[s * 3 + 0];
            d[c * 4 + 1] = rgb[s * 3 + 1];
            d[c * 4 + 2] = rgb[s * 3 + 2];
            d[c * 4 + 3] = alpha != nullptr ? alpha[s] : 255;
        }
    }
    return out;
}

TextureImage* LoadTextureImage(const char* name) {
    wxImage image = LoadPngResource(name);
    if (!image.IsOk()) return nullptr;
    return TextureImageFromWxImage(static_cast<uint32_t>(image.GetHeight()), image, 0, 0,
                                   static_cast<uint32_t>(image.GetWidth()));
}

TextureImage* CopyTextureImage(const TextureImage* source) {
    if (source == nullptr) return nullptr;
    TextureImage* copy = AllocateTextureImage(source->columns, source->rows);
    if (copy == nullptr) return nullptr;
    for (uint32_t r = 0; r < source->rows; ++r)
        std::memcpy(copy->pixels + static_cast<size_t>(r) * copy->stride,
                    source->pixels + static_cast<size_t>(r) * source->stride,
                    static_cast<size_t>(source->columns) * 4);
    return copy;
}

TextureImage* HalveTextureImage(const TextureImage* source) {
    if (source == nullptr) return nullptr;
    const uint32_t columns = source->columns > 1 ? source->columns / 2 : 1;
    const uint32_t rows = source->rows > 1 ? source->rows / 2 : 1;
    const uint32_t dc = source->columns > 1 ? 1 : 0;
    const uint32_t dr = source->rows > 1 ? 1 : 0;
    TextureImage* out = AllocateTextureImage(columns, rows);
    // An image without pixels has nothing to average: its half stays zero.
    if (out == nullptr || source->columns == 0 || source->rows == 0) return out;
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* row0 = source->pixels + static_cast<size_t>(2 * r) * source->stride;
        const uint8_t* row1 = source->pixels + static_cast<size_t>(2 * r + dr) * source->stride;
        uint8_t* d = out->pixels + static_cast<size_t>(r) * out->stride;
        for (uint32_t c = 0; c < columns; ++c) {
            const size_t x0 = static_cast<size_t>(2 * c) * 4;
            const size_t x1 = static_cast<size_t>(2 * c + dc) * 4;
            for (int k = 0; k < 4; ++k) {
                const unsigned sum = row0[x0 + k] + row0[x1 + k] + row1[x0 + k] + row1[x1 + k];
                d[c * 4 + k] = static_cast<uint8_t>(sum >> 2);
            }
        }
    }
    return out;
}

void MakeGreyTextureImage(TextureImage* image) {
    if (image == nullptr || image->rows == 0) return;
    for (uint32_t r = 0; r < image->rows; ++r) {
        uint8_t* p = image->pixels + static_cast<size_t>(r) * image->stride;
        for (uint32_t c = 0; c < image->columns; ++c, p += 4) {
            // The weights sum to 2^24 - 2, so the largest sum still fits 32 bits.
            const uint32_t grey = (p[0] * 5033164u + p[1] * 9898557u + p[2] * 1845493u) >> 24;
            p[0] = p[1] = p[2] = static_cast<uint8_t>(grey);
        }
    }
}

TextureImage* BuildMipChain(TextureImage* image) {
    if (image == nullptr) return nullptr;
    TextureImage* level = image;
    while ((level->columns > 1 || level->rows >= 2) && level->next == nullptr) {
        TextureImage* half = HalveTextureImage(level);
        if (half == nullptr) break;  // out of memory: the chain ends here
        level->next = half;
        level = half;
    }
    return level;
}

TextureStrip& LoadTextureStrip(TextureStrip& strip, const char* name, uint32_t frameCount,
                               uint32_t frameWidth, uint32_t frameHeight) {
    strip.frames.clear();
    strip.frameCount = 0;
    strip.rowCount = 0;
    strip.frameWidth = 0;
    strip.frameHeight = 0;
    // No frames means nothing to cut (and no width to divide by).
    if (frameCount == 0) return strip;

    // A strip wider or taller than any picture can be, or of more frames than any screen
    // shows, is a caller's mistake: nothing.
    const uint64_t stripWidth = uint64_t{frameCount} * frameWidth;
    if (stripWidth > INT32_MAX || frameHeight > INT32_MAX || frameCount > kMaxStripFrames)
        return strip;

    wxImage picture = LoadPngResource(name);
    if (!picture.IsOk()) return strip;
    strip.frameCount = frameCount;
    strip.rowCount = 1;
    strip.frames.assign(frameCount, nullptr);

    if (static_cast<uint32_t>(picture.GetWidth()) / frameCount != frameWidth ||
        static_cast<uint32_t>(picture.GetHeight()) != frameHeight) {
        picture = ScaleImage(picture, static_cast<int>(stripWidth), static_cast<int>(frameHeight));
    }
    if (frameWidth != 0 && frameHeight != 0 && picture.IsOk()) {
        for (uint32_t i = 0; i < frameCount; ++i)
            strip.frames[i] = TextureImageFromWxImage(frameHeight, picture, i * frameWidth, 0,
                                                      frameWidth);
        strip.frameWidth = frameWidth;
        strip.frameHeight = frameHeight;
    }
    return strip;
}

void FreeTextureImages(TextureStrip& strip) {
    for (TextureImage* frame : strip.frames) FreeTextureImage(frame);
    strip.frames.clear();
    strip.frames.shrink_to_fit();
}

uint8_t ColorChannelByte(double value) {
    const double scaled = value * 255.0;
    // Truncation toward zero, then the low 8 bits. Outside the 32-bit range (or not a
    // number) the conversion would be undefined: such values write 0.
    if (!(scaled > -2147483649.0 && scaled < 2147483648.0)) return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(scaled));
}

void SetImagePixel(TextureImage* image, uint32_t x, uint32_t y, const ColorValue& color) {
    uint8_t* p = image->pixels + static_cast<size_t>(y) * image->stride + static_cast<size_t>(x) * 4;
    p[0] = ColorChannelByte(color.red);
    p[1] = ColorChannelByte(color.green);
    p[2] = ColorChannelByte(color.blue);
    p[3] = ColorChannelByte(color.alpha);
}

void FillImage(TextureImage* image, const ColorValue& color) {
    if (image == nullptr) return;
    for (uint32_t y = 0; y < image->rows; ++y)
        for (uint32_t x = 0; x < image->columns; ++x) SetImagePixel(image, x, y, color);
}

// Texture images: layout, conversion from the toolkit, mip levels, grey, strips and the
// colour conversion, against values worked out by hand.
#include <gtest/gtest.h>

#include <wx/image.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "app/app_texture_image.h"

namespace {

const uint8_t* Pixel(const TextureImage* image, uint32_t x, uint32_t y) {
    return image->pixels + y * image->stride + x * 4;
}

// A toolkit image whose pixel (x, y) has red x, green y, blue x + 10 y, and alpha
// 100 + x + y when asked for.
wxImage MakeGradient(int w, int h, bool alpha) {
    wxImage image(w, h, true);
    if (alpha) image.SetAlpha();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            image.SetRGB(x, y, static_cast<unsigned char>(x), static_cast<unsigned char>(y),
                         static_cast<unsigned char>(x + 10 * y));
            if (alpha) image.SetAlpha(x, y, static_cast<unsigned char>(100 + x + y));
        }
    return image;
}

TextureImage* MakeImage(uint32_t columns, uint32_t rows) {
    TextureImage* image = AllocateTextureImage(columns, rows);
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < columns; ++x)
            for (uint32_t k = 0; k < 4; ++k)
                image->pixels[y * image->stride + x * 4 + k] =
                    static_cast<uint8_t>(10 * y + x + 50 * k);
    return image;
}

TEST(TextureImageLayout, OneZeroFilledBlockWithPixelsBehindTheHeader) {
    TextureImage* image = AllocateTextureImage(3, 2);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->columns, 3u);
    EXPECT_EQ(image->rows, 2u);
    EXPECT_EQ(image->stride, 12u);
    EXPECT_EQ(image->next, nullptr);
    EXPECT_EQ(image->pixels, reinterpret_cast<uint8_t*>(image) + sizeof(TextureImage));
    for (int i = 0; i < 24; ++i) EXPECT_EQ(image->pixels[i], 0) << i;
    FreeTextureImage(image);
    FreeTextureImage(nullptr);
}

TEST(TextureImageLayout, AbsurdSizesFailCleanly) {
    EXPECT_EQ(AllocateTextureImage(0x40000000u, 1), nullptr);
    EXPECT_EQ(AllocateTextureImage(0x10000000u, 0x10000000u), nullptr);
}

TEST(TextureImageFromToolkit, TurnsThePictureUpsideDown) {
    wxImage source = MakeGradient(4, 3, false);
    TextureImage* image = TextureImageFromWxImage(3, source, 0, 0, 4);
    ASSERT_NE(image, nullptr);
    // The toolkit's top row (y = 0) is the last row; no alpha plane means 255.
    const uint8_t* top = Pixel(image, 2, 2);
    EXPECT_EQ(top[0], 2);
    EXPECT_EQ(top[1], 0);
    EXPECT_EQ(top[2], 2);
    EXPECT_EQ(top[3], 255);
    const uint8_t* bottom = Pixel(image, 3, 0);
    EXPECT_EQ(bottom[0], 3);
    EXPECT_EQ(bottom[1], 2);
    EXPECT_EQ(bottom[2], 23);
    EXPECT_EQ(bottom[3], 255);
    FreeTextureImage(image);
}

TEST(TextureImageFromToolkit, CopiesARegionWithItsAlpha) {
    wxImage source = MakeGradient(6, 5, true);
    TextureImage* image = TextureImageFromWxImage(2, source, 3, 1, 2);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->columns, 2u);
    EXPECT_EQ(image->rows, 2u);
    // Row 1 (top) holds toolkit row 1; row 0 holds toolkit row 2.
    const uint8_t* p = Pixel(image, 1, 1);
    EXPECT_EQ(p[0], 4);
    EXPECT_EQ(p[1], 1);
    EXPECT_EQ(p[2], 14);
    EXPECT_EQ(p[3], 105);
    p = Pixel(image, 0, 0);
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 23);
    EXPECT_EQ(p[3], 105);
    FreeTextureImage(image);
}

TEST(TextureImageFromToolkit, EmptyRegionAndBadRegions) {
    wxImage source = MakeGradient(4, 3, false);
    TextureImage* empty = TextureImageFromWxImage(0, source, 0, 0, 4);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->rows, 0u);
    FreeTextureImage(empty);
    // Regions that leave the picture would read foreign memory.
    EXPECT_EQ(TextureImageFromWxImage(3, source, 1, 0, 4), nullptr);
    EXPECT_EQ(TextureImageFromWxImage(4, source, 0, 0, 4), nullptr);
    EXPECT_EQ(TextureImageFromWxImage(1, source, 0, 0xFFFFFFFFu, 1), nullptr);
    EXPECT_EQ(TextureImageFromWxImage(1, wxImage(), 0, 0, 1), nullptr);
}

TEST(TextureImageCopy, CopiesLevelZeroOnly) {
    TextureImage* source = MakeImage(3, 2);
    BuildMipChain(source);
    ASSERT_NE(source->next, nullptr);
    TextureImage* copy = CopyTextureImage(source);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->next, nullptr);
    EXPECT_EQ(copy->stride, 12u);
    EXPECT_EQ(copy->pixels, reinterpret_cast<uint8_t*>(copy) + sizeof(TextureImage));
    EXPECT_EQ(std::memcmp(copy->pixels, source->pixels, 24), 0);
    EXPECT_EQ(CopyTextureImage(nullptr), nullptr);
    FreeTextureImage(copy);
    FreeTextureImage(source);
}

TEST(TextureImageHalve, OnePixelStaysItself) {
    TextureImage* one = MakeImage(1, 1);
    TextureImage* half = HalveTextureImage(one);
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->columns, 1u);
    EXPECT_EQ(half->rows, 1u);
    EXPECT_EQ(std::memcmp(half->pixels, one->pixels, 4), 0);
    EXPECT_EQ(BuildMipChain(one), one);
    EXPECT_EQ(one->next, nullptr);
    FreeTextureImage(half);
    FreeTextureImage(one);
}

TEST(TextureImageHalve, FiveByThreeDropsTheOddColumnAndRow) {
    // Pixel (x, y) channel k = 10 y + x + 50 k.
    TextureImage* image = MakeImage(5, 3);
    TextureImage* half = HalveTextureImage(image);
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->columns, 2u);
    EXPECT_EQ(half->rows, 1u);
    // (0 + 1 + 10 + 11) >> 2 = 5; (2 + 3 + 12 + 13) >> 2 = 7 (30 / 4 = 7.5 truncated).
    EXPECT_EQ(Pixel(half, 0, 0)[0], 5);
    EXPECT_EQ(Pixel(half, 1, 0)[0], 7);
    EXPECT_EQ(Pixel(half, 1, 0)[3], 157);
    FreeTextureImage(half);
    FreeTextureImage(image);
}

TEST(TextureImageHalve, ASideOfOneAveragesWithItself) {
    TextureImage* column = MakeImage(1, 4);
    TextureImage* half = HalveTextureImage(column);
    EXPECT_EQ(half->columns, 1u);
    EXPECT_EQ(half->rows, 2u);
    // (0 + 0 + 10 + 10) >> 2 = 5, (20 + 20 + 30 + 30) >> 2 = 25.
    EXPECT_EQ(Pixel(half, 0, 0)[0], 5);
    EXPECT_EQ(Pixel(half, 0, 1)[0], 25);
    FreeTextureImage(half);
    FreeTextureImage(column);
}

TEST(TextureImageMipChain, RunsDownToOnePixel) {
    TextureImage* image = MakeImage(5, 3);
    TextureImage* last = BuildMipChain(image);
    ASSERT_NE(image->next, nullptr);
    EXPECT_EQ(image->next->columns, 2u);
    EXPECT_EQ(image->next->rows, 1u);
    ASSERT_NE(image->next->next, nullptr);
    EXPECT_EQ(image->next->next->columns, 1u);
    EXPECT_EQ(image->next->next->rows, 1u);
    EXPECT_EQ(image->next->next->next, nullptr);
    EXPECT_EQ(last, image->next->next);
    // (5 + 7 + 5 + 7) >> 2 = 6.
    EXPECT_EQ(last->pixels[0], 6);
    FreeTextureImage(image);
}

TEST(TextureImageMipChain, NeverExtendsAnExistingChain) {
    TextureImage* image = MakeImage(8, 8);
    TextureImage* stub = MakeImage(4, 4);
    image->next = stub;
    EXPECT_EQ(BuildMipChain(image), image);
    EXPECT_EQ(stub->next, nullptr);
    EXPECT_EQ(BuildMipChain(nullptr), nullptr);
    FreeTextureImage(image);
}

TEST(TextureImageGrey, IntegerWeights) {
    TextureImage* image = AllocateTextureImage(3, 1);
    const uint8_t values[12] = {255, 255, 255, 17, 0, 0, 0, 9, 255, 0, 0, 200};
    std::memcpy(image->pixels, values, 12);
    MakeGreyTextureImage(image);
    // White: 255 * (2^24 - 2) >> 24 = 254. Red: 255 * 5033164 >> 24 = 76.
    const uint8_t expected[12] = {254, 254, 254, 17, 0, 0, 0, 9, 76, 76, 76, 200};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(image->pixels[i], expected[i]) << i;
    MakeGreyTextureImage(nullptr);
    FreeTextureImage(image);
}

TEST(TextureImagePixels, ColourConversionTruncates) {
    TextureImage* image = AllocateTextureImage(2, 2);
    SetImagePixel(image, 1, 0, ColorValue{1.0, 0.5, 1.0, 0.0});
    const uint8_t* p = Pixel(image, 1, 0);
    EXPECT_EQ(p[0], 127);
    EXPECT_EQ(p[1], 255);
    EXPECT_EQ(p[2], 0);
    EXPECT_EQ(p[3], 255);
    EXPECT_EQ(Pixel(image, 0, 0)[3], 0);
    FillImage(image, ColorValue{0.2, 0.1, 0.999, 0.004});
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 2; ++x) {
            p = Pixel(image, x, y);
            EXPECT_EQ(p[0], 25);   // 25.5
            EXPECT_EQ(p[1], 254);  // 254.745
            EXPECT_EQ(p[2], 1);    // 1.02
            EXPECT_EQ(p[3], 51);   // 51.0
        }
    FillImage(nullptr, ColorValue{1, 1, 1, 1});
    FreeTextureImage(image);
}

TEST(TextureImagePixels, OutOfRangeValuesKeepTheLowByte) {
    EXPECT_EQ(ColorChannelByte(1.02), 4);     // 260.1 -> 260 -> 4
    EXPECT_EQ(ColorChannelByte(-0.1), 231);   // -25.5 -> -25 -> 0xE7
    EXPECT_EQ(ColorChannelByte(-0.001), 0);   // -0.255 -> 0
    EXPECT_EQ(ColorChannelByte(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(ColorChannelByte(1e300), 0);
}

TEST(TextureStripLoad, ZeroFramesOrAMissingPictureGiveTheEmptyStrip) {
    TextureStrip strip;
    strip.frameCount = 7;
    LoadTextureStrip(strip, "live_arrows", 0, 64, 64);
    EXPECT_EQ(strip.frameCount, 0u);
    EXPECT_TRUE(strip.frames.empty());
    LoadTextureStrip(strip, "no_such_picture", 2, 64, 64);
    EXPECT_EQ(strip.frameCount, 0u);
    EXPECT_TRUE(strip.frames.empty());
    EXPECT_EQ(LoadTextureImage("no_such_picture"), nullptr);
}

}  // namespace

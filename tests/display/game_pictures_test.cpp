// The game's own pictures: every one is there at its size, the frame strips cut into
// their frames, and the glyph font holds its 40 glyphs where the glyph table says.
#include <gtest/gtest.h>

#include <wx/image.h>

#include <cstring>

#include "app/app_png.h"
#include "app/app_texture_image.h"

namespace {

struct PictureSize {
    const char* name;
    int width;
    int height;
};

const PictureSize kPictures[] = {
    {"about", 171, 252},          {"button_normal", 614, 156}, {"button_focused", 614, 156},
    {"button_selected", 614, 156}, {"button_disabled", 614, 156}, {"galaxies", 2048, 256},
    {"home", 544, 377},           {"live_arrows", 128, 64},    {"live_button", 512, 128},
    {"live_text", 256, 256},      {"planet_highlight", 16, 16}, {"text_display", 546, 172},
    {"text_loading", 260, 60},    {"text_paused", 471, 172},   {"text_settings", 621, 172},
};

TEST(GamePictures, EveryPictureAtItsSize) {
    for (const PictureSize& p : kPictures) {
        wxImage image = LoadPngResource(p.name);
        ASSERT_TRUE(image.IsOk()) << p.name;
        EXPECT_EQ(image.GetWidth(), p.width) << p.name;
        EXPECT_EQ(image.GetHeight(), p.height) << p.name;
        EXPECT_TRUE(image.HasAlpha()) << p.name;
    }
}

TEST(GamePictures, LoadedUpsideDown) {
    wxImage image = LoadPngResource("about");
    TextureImage* texture = LoadTextureImage("ABOUT");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->columns, 171u);
    EXPECT_EQ(texture->rows, 252u);
    // The picture's top row is the texture's last row.
    for (int x : {0, 40, 85, 170}) {
        const uint8_t* top = texture->pixels + 251 * texture->stride + x * 4;
        const uint8_t* bottom = texture->pixels + x * 4;
        EXPECT_EQ(top[0], image.GetRed(x, 0));
        EXPECT_EQ(top[3], image.GetAlpha(x, 0));
        EXPECT_EQ(bottom[1], image.GetGreen(x, 251));
        EXPECT_EQ(bottom[3], image.GetAlpha(x, 251));
    }
    FreeTextureImage(texture);
}

TEST(GamePictures, StripOfExactSizeIsCutWithoutScaling) {
    wxImage image = LoadPngResource("galaxies");
    TextureStrip strip;
    LoadTextureStrip(strip, "galaxies", 4, 512, 256);
    ASSERT_EQ(strip.frameCount, 4u);
    EXPECT_EQ(strip.rowCount, 1u);
    EXPECT_EQ(strip.frameWidth, 512u);
    EXPECT_EQ(strip.frameHeight, 256u);
    ASSERT_EQ(strip.frames.size(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        TextureImage* frame = strip.frames[i];
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->columns, 512u);
        EXPECT_EQ(frame->rows, 256u);
        // Toolkit pixel (512 i + 250, 100) is frame row 155, column 250.
        const uint8_t* p = frame->pixels + 155 * frame->stride + 250 * 4;
        EXPECT_EQ(p[0], image.GetRed(512 * i + 250, 100));
        EXPECT_EQ(p[2], image.GetBlue(512 * i + 250, 100));
        EXPECT_EQ(p[3], image.GetAlpha(512 * i + 250, 100));
    }
    FreeTextureImages(strip);
    EXPECT_TRUE(strip.frames.empty());
    EXPECT_EQ(strip.frameCount, 4u);
}

TEST(GamePictures, StripOfAnotherSizeIsScaledFirst) {
    wxImage scaled = ScaleImage(LoadPngResource("live_arrows"), 64, 32);
    TextureStrip strip;
    LoadTextureStrip(strip, "live_arrows", 2, 32, 32);
    ASSERT_EQ(strip.frames.size(), 2u);
    ASSERT_NE(strip.frames[1], nullptr);
    EXPECT_EQ(strip.frames[1]->columns, 32u);
    const uint8_t* p = strip.frames[1]->pixels + 31 * strip.frames[1]->stride + 16 * 4;
    EXPECT_EQ(p[0], scaled.GetRed(48, 0));
    EXPECT_EQ(p[3], scaled.GetAlpha(48, 0));
    FreeTextureImages(strip);
    // Absurd strips make nothing at all.
    LoadTextureStrip(strip, "live_arrows", 0x80000000u, 1, 64);
    EXPECT_EQ(strip.frameCount, 0u);
    EXPECT_TRUE(strip.frames.empty());
    LoadTextureStrip(strip, "live_arrows", kMaxStripFrames + 1, 0, 64);
    EXPECT_TRUE(strip.frames.empty());
    // A frame of no width makes no frames but keeps the count.
    LoadTextureStrip(strip, "live_arrows", 2, 0, 32);
    EXPECT_EQ(strip.frameCount, 2u);
    ASSERT_EQ(strip.frames.size(), 2u);
    EXPECT_EQ(strip.frames[0], nullptr);
    FreeTextureImages(strip);
}

// Columns x0 to x1 and rows y0 to y1 of each glyph, rows from the top.
struct GlyphBox {
    char ch;
    int x0, x1, y0, y1;
};

const GlyphBox kGlyphs[40] = {
    {'A', 1, 31, 0, 50},       {'B', 32, 62, 0, 50},      {'C', 63, 93, 0, 50},
    {'D', 95, 125, 0, 50},     {'E', 126, 156, 0, 50},    {'F', 157, 187, 0, 50},
    {'G', 189, 219, 0, 50},    {'H', 220, 250, 0, 50},    {'I', 1, 31, 52, 102},
    {'J', 32, 62, 52, 102},    {'K', 63, 93, 52, 102},    {'L', 95, 125, 52, 102},
    {'M', 32, 68, 205, 255},   {'N', 126, 156, 52, 102},  {'O', 157, 187, 52, 102},
    {'P', 189, 219, 52, 102},  {'Q', 220, 250, 52, 102},  {'R', 1, 31, 103, 153},
    {'S', 32, 62, 103, 153},   {'T', 70, 106, 205, 255},  {'U', 63, 93, 103, 153},
    {'V', 95, 125, 103, 153},  {'W', 109, 145, 205, 255}, {'X', 126, 156, 103, 153},
    {'Y', 157, 187, 103, 153}, {'Z', 189, 219, 103, 153}, {'0', 220, 250, 103, 153},
    {'1', 1, 31, 154, 204},    {'2', 32, 62, 154, 204},   {'3', 63, 93, 154, 204},
    {'4', 95, 125, 154, 204},  {'5', 126, 156, 154, 204}, {'6', 157, 187, 154, 204},
    {'7', 189, 219, 154, 204}, {'8', 220, 250, 154, 204}, {'9', 1, 31, 205, 255},
    {'(', 152, 170, 205, 255}, {')', 174, 192, 205, 255}, {':', 193, 209, 205, 255},
    {' ', 220, 250, 205, 255},
};

TEST(GlyphFont, EveryGlyphInkedInsideItsBoxAndNothingElsewhere) {
    wxImage font = LoadPngResource("live_text");
    ASSERT_TRUE(font.IsOk());
    ASSERT_TRUE(font.HasAlpha());
    // Which glyph box (if any) each texel belongs to; texels drawn as a glyph's quad
    // run from x0 up to x1 and y0 up to y1.
    bool inBox[256][256] = {};
    for (const GlyphBox& g : kGlyphs) {
        int ink = 0;
        for (int y = g.y0; y <= g.y1 && y < 256; ++y)
            for (int x = g.x0; x <= g.x1; ++x) {
                inBox[y][x] = true;
                if (font.GetAlpha(x, y) > 128) ++ink;
            }
        if (g.ch == ' ')
            EXPECT_EQ(ink, 0) << "the space is empty";
        else
            EXPECT_GT(ink, 40) << "glyph " << g.ch;
    }
    int stray = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            if (!inBox[y][x] && font.GetAlpha(x, y) != 0) ++stray;
    EXPECT_EQ(stray, 0) << "ink outside every glyph box";
    // The glyphs are white; so is every transparent texel (filtering stays white).
    for (int y = 0; y < 256; y += 3)
        for (int x = 0; x < 256; x += 3) {
            EXPECT_EQ(font.GetRed(x, y), 255);
            EXPECT_EQ(font.GetBlue(x, y), 255);
        }
}

TEST(GlyphFont, GlyphsStayOffTheirBoxEdges) {
    // Linear filtering at a quad's edge reads the neighbouring texel: the outermost
    // texels of each box stay clear, so no glyph shows a sliver of its neighbour.
    wxImage font = LoadPngResource("live_text");
    for (const GlyphBox& g : kGlyphs) {
        const int bottom = g.y1 < 255 ? g.y1 : 255;
        for (int y = g.y0; y <= bottom; ++y) {
            EXPECT_EQ(font.GetAlpha(g.x0, y), 0) << g.ch;
            EXPECT_EQ(font.GetAlpha(g.x1, y), 0) << g.ch;
        }
        for (int x = g.x0; x <= g.x1; ++x) {
            EXPECT_EQ(font.GetAlpha(x, g.y0), 0) << g.ch;
            EXPECT_EQ(font.GetAlpha(x, bottom), 0) << g.ch;
        }
    }
}

}  // namespace

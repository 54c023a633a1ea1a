// Pixel-height fonts, fitted and wrapped text, key names, caption and button images.
#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>

#include "app/app_texture_image.h"
#include "display/dp_glyph_text.h"
#include "display/dp_text.h"

namespace {

class TextOnBitmap : public ::testing::Test {
protected:
    TextOnBitmap() : m_bitmap(400, 100, 24), m_dc(m_bitmap) {}
    wxBitmap m_bitmap;
    wxMemoryDC m_dc;
};

TEST_F(TextOnBitmap, AFontHeightIsSearchedOnceAndFits) {
    unsigned before = FontSearchMeasurements();
    GetFontForPixelHeight(m_dc, 23);
    unsigned searched = FontSearchMeasurements() - before;
    EXPECT_GE(searched, 1u);
    EXPECT_LE(searched, 7u);
    int size = m_dc.GetFont().GetPointSize();
    EXPECT_GE(size, 6);
    EXPECT_LE(size, 74);
    EXPECT_LE(m_dc.GetCharHeight(), 23);
    GetFontForPixelHeight(m_dc, 23);
    EXPECT_EQ(FontSearchMeasurements() - before, searched);
    EXPECT_EQ(m_dc.GetFont().GetPointSize(), size);
    // Tiny heights fall back to size 6.
    GetFontForPixelHeight(m_dc, 1);
    EXPECT_EQ(m_dc.GetFont().GetPointSize(), 6);
}

TEST_F(TextOnBitmap, ANarrowTextIsCentredInTheUnshrunkFont) {
    int right = DrawFittedText(m_dc, "Hi", 10, 5, 300, 40, 20);
    wxCoord tw = 0, th = 0;
    m_dc.GetTextExtent("Hi", &tw, &th);
    EXPECT_EQ(right, 10 + (300 - tw) / 2 + tw);
    GetFontForPixelHeight(m_dc, 20);
    wxCoord unshrunk = 0;
    m_dc.GetTextExtent("Hi", &unshrunk, &th);
    EXPECT_EQ(tw, unshrunk);
}

TEST_F(TextOnBitmap, AWideTextShrinksIntoTheBox) {
    int right = DrawFittedText(m_dc, "A rather long caption for a small box", 10, 5, 80, 40, 30);
    EXPECT_LE(right, 10 + 80 + 8);  // a shrunk point size lands close to the width
    EXPECT_GT(right, 10);
}

// A button much narrower than its margins leaves a box of no or negative width:
// the text is drawn in a tiny font instead of dividing by its zero width or asking
// the toolkit for a size below one point.
TEST_F(TextOnBitmap, ABoxWithoutWidthNeitherCrashesNorShrinksBelowOnePoint) {
    int right = DrawFittedText(m_dc, "", 10, 5, -30, 40, 20);
    EXPECT_EQ(right, -5);  // x + (w - 0) / 2 + 0 = 10 - 15, halves toward zero
    DrawFittedText(m_dc, "PLAY", 10, 5, 0, 40, 20);
    EXPECT_GE(m_dc.GetFont().GetPointSize(), 1);
    DrawFittedText(m_dc, "PLAY", 10, 5, -30, 40, 20);
    EXPECT_GE(m_dc.GetFont().GetPointSize(), 1);
    TextureImage* image = RenderLiveButtonImage("", 4, 100);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->columns, 4u);
    FreeTextureImage(image);
}

TEST_F(TextOnBitmap, WrappingBreaksAtTheLastSpaceThatFits) {
    GetFontForPixelHeight(m_dc, 16);
    wxCoord w = 0, h = 0;
    m_dc.GetTextExtent("aa bb ", &w, &h);
    wxArrayString lines;
    WrapText(m_dc, "aa bb cc", w + 1, lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "aa bb");
    EXPECT_EQ(lines[1], "cc");

    lines.clear();
    WrapText(m_dc, "a\nb", 1000, lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "b");

    lines.clear();
    WrapText(m_dc, "", 100, lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "");
}

TEST_F(TextOnBitmap, AFirstWordWiderThanTheLineIsCut) {
    GetFontForPixelHeight(m_dc, 16);
    wxCoord w = 0, h = 0;
    m_dc.GetTextExtent("abc", &w, &h);
    wxArrayString lines;
    WrapText(m_dc, "abcdef", w + 1, lines);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "abc");
    wxString joined;
    for (const wxString& l : lines) joined += l;
    EXPECT_EQ(joined, "abcdef");
}

TEST_F(TextOnBitmap, WhenNoCharacterFitsEachLineTakesExactlyOne) {
    GetFontForPixelHeight(m_dc, 16);
    wxArrayString lines;
    WrapText(m_dc, "abc", 1, lines);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "b");
    EXPECT_EQ(lines[2], "c");
    lines.clear();
    WrapText(m_dc, "x", 0, lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "x");
}

// A word that fits while the space after it does not ends its line there; that space
// is the break and is dropped like any other, so it leaves no empty line behind
// (neither between the lines nor after the last).
TEST_F(TextOnBitmap, ASpaceJustPastTheWidthMakesNoEmptyLine) {
    GetFontForPixelHeight(m_dc, 16);
    wxCoord word = 0, wordSpace = 0, h = 0;
    m_dc.GetTextExtent("aa", &word, &h);
    m_dc.GetTextExtent("aa ", &wordSpace, &h);
    ASSERT_GT(wordSpace, word + 1);  // the width below holds "aa" but not its space
    wxArrayString lines;
    WrapText(m_dc, "aa aa", word + 1, lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "aa");
    EXPECT_EQ(lines[1], "aa");

    // A newline there still ends just the one line.
    lines.clear();
    WrapText(m_dc, "aa\naa", word + 1, lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "aa");
    EXPECT_EQ(lines[1], "aa");
    // Two newlines are still one empty line between.
    lines.clear();
    WrapText(m_dc, "aa\n\naa", word + 1, lines);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "");
}

TEST_F(TextOnBitmap, AnEmptyTextIsOneEmptyLineAtAnyWidth) {
    GetFontForPixelHeight(m_dc, 16);
    wxArrayString lines;
    WrapText(m_dc, "", 0, lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "");
}

TEST(KeyNames, NamedAndUnnamedCodes) {
    EXPECT_EQ(KeyCodeName(316), "Right");
    EXPECT_EQ(KeyCodeName(314), "Left");
    EXPECT_EQ(KeyCodeName(300), "Windows");
    EXPECT_EQ(KeyCodeName(324), "Num Pad 0");
    EXPECT_EQ(KeyCodeName(340), "F1");
    EXPECT_EQ(KeyCodeName(396), "Command");
    EXPECT_EQ(KeyCodeName(8), "Back");
    EXPECT_EQ(KeyCodeName(32), "Space");
    EXPECT_EQ(KeyCodeName(65), "A");
    EXPECT_EQ(KeyCodeName(302), ".");  // 302 has no row: its low byte, 46
    // Low bytes from 128 up are Latin-1 characters, never "?".
    EXPECT_EQ(KeyCodeName(233), wxString::FromUTF8("\xC3\xA9"));    // e acute
    EXPECT_EQ(KeyCodeName(128), wxString(wxUniChar(0x80u)));
    EXPECT_EQ(KeyCodeName(489), wxString::FromUTF8("\xC3\xA9"));    // 0x1E9
    EXPECT_EQ(KeyCodeName(511), wxString::FromUTF8("\xC3\xBF"));    // y diaeresis
}

TEST(CaptionImages, AnEmptyCaptionIsTransparentWhite) {
    TextureImage* image = RenderCaptionImage(nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->columns, 512u);
    EXPECT_EQ(image->rows, 32u);
    for (uint32_t i = 0; i < 512 * 32; ++i) {
        const uint8_t* p = image->pixels + i * 4;
        ASSERT_EQ(p[0], 255);
        ASSERT_EQ(p[1], 255);
        ASSERT_EQ(p[2], 255);
        ASSERT_EQ(p[3], 0);
    }
    FreeTextureImage(image);
}

TEST(CaptionImages, TextCoversTheMiddleAndLeavesTheEdgesClear) {
    TextureImage* image = RenderCaptionImage("SELECT GALAXY");
    ASSERT_NE(image, nullptr);
    uint32_t covered = 0;
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 512; ++x) covered += image->pixels[(y * 512 + x) * 4 + 3] > 128;
    EXPECT_GT(covered, 300u);
    EXPECT_EQ(image->pixels[3], 0);              // bottom-left corner
    EXPECT_EQ(image->pixels[(31 * 512 + 511) * 4 + 3], 0);
    FreeTextureImage(image);
}

TEST(ButtonImages, TheLabelIsPrintedOnTheButtonPicture) {
    TextureImage* image = RenderLiveButtonImage("PLAY", 64, 16);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->columns, 64u);
    EXPECT_EQ(image->rows, 16u);
    // The picture's transparent first column stays transparent, its blue body
    // stays opaque, and dark label pixels appear in the middle.
    EXPECT_LT(image->pixels[(8 * 64 + 0) * 4 + 3], 128);
    EXPECT_EQ(image->pixels[(8 * 64 + 5) * 4 + 3], 255);
    int dark = 0;
    for (uint32_t x = 10; x < 54; ++x) {
        const uint8_t* p = image->pixels + (8 * 64 + x) * 4;
        dark += p[2] < 100 ? 1 : 0;
    }
    EXPECT_GT(dark, 0);
    FreeTextureImage(image);
}

TEST(ButtonImages, AMissingPictureGivesATransparentImageWithTheLabel) {
    TextureImage* image = RenderButtonImageOn("no_such_button", "PLAY", 64, 16);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->columns, 64u);
    EXPECT_EQ(image->rows, 16u);
    EXPECT_EQ(image->pixels[3], 0);
    int covered = 0;
    for (uint32_t i = 0; i < 64 * 16; ++i) covered += image->pixels[i * 4 + 3] > 100 ? 1 : 0;
    EXPECT_GT(covered, 10);
    FreeTextureImage(image);
    EXPECT_EQ(RenderButtonImageOn("no_such_button", "X", 0, 16), nullptr);
}

}  // namespace

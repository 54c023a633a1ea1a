// Caption images, live-button images and glyph text.
#include "display/dp_glyph_text.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>

#include <cstring>

#include "app/app_png.h"
#include "app/app_texture_image.h"
#include "display/dp_gl_state.h"
#include "display/dp_text.h"
#include "display/dp_texture.h"

namespace {

// x0, x1, y0, y1 in texels of the 256 x 256 "live_text" picture, rows from its top.
const uint8_t kGlyphTable[40][4] = {
    {1, 31, 0, 50},      {32, 62, 0, 50},     {63, 93, 0, 50},     {95, 125, 0, 50},
    {126, 156, 0, 50},   {157, 187, 0, 50},   {189, 219, 0, 50},   {220, 250, 0, 50},
    {1, 31, 52, 102},    {32, 62, 52, 102},   {63, 93, 52, 102},   {95, 125, 52, 102},
    {32, 68, 205, 255},  {126, 156, 52, 102}, {157, 187, 52, 102}, {189, 219, 52, 102},
    {220, 250, 52, 102}, {1, 31, 103, 153},   {32, 62, 103, 153},  {70, 106, 205, 255},
    {63, 93, 103, 153},  {95, 125, 103, 153}, {109, 145, 205, 255}, {126, 156, 103, 153},
    {157, 187, 103, 153}, {189, 219, 103, 153}, {220, 250, 103, 153}, {1, 31, 154, 204},
    {32, 62, 154, 204},  {63, 93, 154, 204},  {95, 125, 154, 204}, {126, 156, 154, 204},
    {157, 187, 154, 204}, {189, 219, 154, 204}, {220, 250, 154, 204}, {1, 31, 205, 255},
    {152, 170, 205, 255}, {174, 192, 205, 255}, {193, 209, 205, 255}, {220, 250, 205, 255},
};

constexpr double kGlyphHeight = 50.0;
constexpr double kLowerCaseSize = 0.75;

// The entry of a character, or -1 for one that is skipped.
int GlyphEntry(char c, double* size) {
    *size = 1.0;
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') {
        *size = kLowerCaseSize;
        return c - 'a';
    }
    if (c >= '0' && c <= '9') return 26 + (c - '0');
    if (c == '(') return 36;
    if (c == ')') return 37;
    if (c == ':') return 38;
    if (c == ' ') return 39;
    return -1;
}

}  // namespace

std::vector<GlyphQuad> LayoutGlyphText(const char* text, bool centre, double x, double y,
                                       double width, double height) {
    std::vector<GlyphQuad> quads;
    if (!text || !*text) return quads;
    double sum = 0.0, size;
    for (const char* p = text; *p; ++p) {
        int e = GlyphEntry(*p, &size);
        if (e >= 0) sum += (kGlyphTable[e][1] - kGlyphTable[e][0]) * size;
    }
    double scale = height / kGlyphHeight;
    if (sum > 0.0 && width / sum < scale) scale = width / sum;
    if (centre) {
        x += (width - sum * scale) / 2.0;
        y += (height - kGlyphHeight * scale) / 2.0;
    }
    for (const char* p = text; *p; ++p) {
        int e = GlyphEntry(*p, &size);
        if (e < 0) continue;
        const uint8_t* g = kGlyphTable[e];
        double s = scale * size;
        double gw = s * (g[1] - g[0]);
        double gh = s * (g[3] - g[2]);
        quads.push_back({x, y, x + gw, y + gh, g[0] / 256.0, 1.0 - g[3] / 256.0,
                         (g[1] - g[0]) / 256.0, (g[3] - g[2]) / 256.0});
        x += gw;
    }
    return quads;
}

void DrawGlyphText(const char* text, const GLTexture* font, bool centre, double x, double y,
                   double width, double height) {
    if (!font || !font->uploaded) return;
    for (const GlyphQuad& q : LayoutGlyphText(text, centre, x, y, width, height)) {
        const double p1[2] = {q.left, q.bottom}, p2[2] = {q.left, q.top};
        const double p3[2] = {q.right, q.top}, p4[2] = {q.right, q.bottom};
        DrawTexturedQuad(font, p1, p2, p3, p4, q.du, q.dv, q.u, q.v);
    }
}

TextureImage* RenderCaptionImage(const char* text) {
    wxBitmap bitmap(1024, 64, 32);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        dc.SetTextForeground(*wxWHITE);
        DrawFittedText(dc, wxString::FromUTF8(text ? text : ""), 2, 2, 1020, 60, 60);
    }
    wxImage scaled = ScaleImage(bitmap.ConvertToImage(), 512, 32);
    TextureImage* image = TextureImageFromWxImage(32, scaled, 0, 0, 512);
    if (!image) return nullptr;
    for (uint32_t i = 0; i < image->rows * image->columns; ++i) {
        uint8_t* p = image->pixels + i * 4;
        p[3] = p[0];
        p[0] = p[1] = p[2] = 255;
    }
    return image;
}

TextureImage* RenderLiveButtonImage(const char* text, uint32_t width, uint32_t height) {
    return RenderButtonImageOn("live_button", text, width, height);
}

TextureImage* RenderButtonImageOn(const char* picture, const char* text, uint32_t width,
                                  uint32_t height) {
    if (width == 0 || height == 0) return nullptr;
    int w2 = int(width) * 2, h2 = int(height) * 2;
    int margin = int(height) * 20 / 100;
    wxString label = wxString::FromUTF8(text ? text : "");
    wxBitmap bitmap = LoadBitmapResource(picture, w2, h2);
    wxImage result;
    if (bitmap.IsOk()) {
        wxImage kept = bitmap.ConvertToImage();
        {
            wxMemoryDC dc(bitmap);
            DrawFittedText(dc, label, margin, margin, w2 - 2 * margin, h2 - 2 * margin,
                           h2 - 2 * margin);
        }
        result = bitmap.ConvertToImage();
        // Drawing through the device context loses the alpha plane: put it back.
        if (result.HasAlpha() && kept.HasAlpha() && kept.GetWidth() == result.GetWidth() &&
            kept.GetHeight() == result.GetHeight())
            std::memcpy(result.GetAlpha(), kept.GetAlpha(), size_t(w2) * size_t(h2));
    } else {
        // No button picture: a transparent image of the requested size that still
        // carries the label, black with its coverage as alpha.
        wxBitmap canvas(w2, h2, 24);
        {
            wxMemoryDC dc(canvas);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            dc.SetTextForeground(*wxBLACK);
            DrawFittedText(dc, label, margin, margin, w2 - 2 * margin, h2 - 2 * margin,
                           h2 - 2 * margin);
        }
        result = canvas.ConvertToImage();
        result.InitAlpha();
        unsigned char* rgb = result.GetData();
        unsigned char* alpha = result.GetAlpha();
        for (int i = 0; i < w2 * h2; ++i) {
            alpha[i] = static_cast<unsigned char>(255 - rgb[i * 3]);
            rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = 0;
        }
    }
    wxImage scaled = ScaleImage(result, int(width), int(height));
    return TextureImageFromWxImage(height, scaled, 0, 0, width);
}

// PNG resources and the two-pass image scaler.
#include "app/app_png.h"

#include <wx/imagpng.h>
#include <wx/mstream.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/pf_resource.h"

wxImage LoadPngResource(const char* name) {
    wxImage image;
    ResourceBytes bytes = FindResourceBytes("PNG", name);
    if (bytes.data == nullptr || bytes.size == 0) return image;

    // A local handler over the resource bytes: no handler needs to be registered,
    // and a truncated or corrupt file ends as an invalid image (the decoder reports
    // the reason through the toolkit's log).
    wxMemoryInputStream stream(bytes.data, bytes.size);
    wxPNGHandler handler;
    if (!handler.LoadFile(&image, stream, true, -1)) return wxImage();
    return image;
}

namespace {

// One pass of the scaler over "lines" of samples. A line holds `count` cells of
// `cellBytes` bytes; the pass maps the cells of every line from `from` cells to `to`
// cells. Each byte is an independent 8-bit sample. `lines` lines lie `lineStride`
// bytes apart in both buffers and `cellStride` bytes separate neighbouring cells.
struct PassLayout {
    int lines;
    size_t srcLineStride;
    size_t dstLineStride;
    size_t cellStride;  // bytes from one cell to the next along a line
    int cellBytes;      // bytes of one cell that are samples (3 for RGB, 1 for alpha)
};

void ScalePass(const unsigned char* src, unsigned char* dst, int from, int to,
               const PassLayout& layout) {
    const size_t cell = layout.cellStride;
    const int nb = layout.cellBytes;
    if (to == from) {
        for (int l = 0; l < layout.lines; ++l) {
            const unsigned char* s = src + l * layout.srcLineStride;
            unsigned char* d = dst + l * layout.dstLineStride;
            for (int x = 0; x < to; ++x)
                for (int b = 0; b < nb; ++b) d[x * cell + b] = s[x * cell + b];
        }
        return;
    }
    if (to > from) {
        // Interpolation: the first and last targets fall exactly on the first and last
        // source cells; the weight is in 1/256 steps.
        for (int x = 0; x < to; ++x) {
            int64_t p = static_cast<int64_t>(x) * (from - 1) * 256 / (to - 1);
            int i0 = static_cast<int>(p / 256);
            unsigned f = static_cast<unsigned>(p % 256);
            int i1 = i0 + 1 >= from ? i0 : i0 + 1;
            for (int l = 0; l < layout.lines; ++l) {
                const unsigned char* a = src + l * layout.srcLineStride + i0 * cell;
                const unsigned char* b = src + l * layout.srcLineStride + i1 * cell;
                unsigned char* d = dst + l * layout.dstLineStride + x * cell;
                for (int k = 0; k < nb; ++k)
                    d[k] = static_cast<unsigned char>((a[k] * (256 - f) + b[k] * f) / 256);
            }
        }
        return;
    }
    // Reduction: 16 evenly spaced sample positions per target cell, found once and
    // used for every line; positions may repeat, which weights them.
    int positions[16];
    for (int x = 0; x < to; ++x) {
        for (int k = 0; k < 16; ++k)
            positions[k] = static_cast<int>((static_cast<int64_t>(16) * x + k) * from / to / 16);
        for (int l = 0; l < layout.lines; ++l) {
            const unsigned char* s = src + l * layout.srcLineStride;
            unsigned char* d = dst + l * layout.dstLineStride + x * cell;
            for (int b = 0; b < nb; ++b) {
                unsigned sum = 0;
                for (int k = 0; k < 16; ++k) sum += s[positions[k] * cell + b];
                d[b] = static_cast<unsigned char>(sum / 16);
            }
        }
    }
}

// Scales one plane (RGB with 3 bytes per pixel, or alpha with 1) rows first, then
// columns, through a temporary of sw x H.
void ScalePlane(const unsigned char* src, unsigned char* tmp, unsigned char* dst, int sw, int sh,
                int w, int h, int bytesPerPixel) {
    const size_t srcRow = static_cast<size_t>(sw) * bytesPerPixel;
    const size_t dstRow = static_cast<size_t>(w) * bytesPerPixel;
    // Vertical pass: a "cell" is a whole row and a "line" is one byte column.
    PassLayout vertical{static_cast<int>(srcRow), 1, 1, srcRow, 1};
    ScalePass(src, tmp, sh, h, vertical);
    // Horizontal pass: a cell is a pixel, a line is a row.
    PassLayout horizontal{h, srcRow, dstRow, static_cast<size_t>(bytesPerPixel), bytesPerPixel};
    ScalePass(tmp, dst, sw, w, horizontal);
}

}  // namespace

wxImage ScaleImage(const wxImage& source, int width, int height) {
    if (!source.IsOk()) return wxImage();
    const int sw = source.GetWidth();
    const int sh = source.GetHeight();
    if (sw <= 0 || sh <= 0) return wxImage();

    int64_t w = width;
    int64_t h = height;
    if (w < 0) w = static_cast<int64_t>(sw) * h / sh;
    if (h < 0) h = static_cast<int64_t>(sh) * w / sw;
    // Both negative, or a derived side that comes out 0: there is nothing to make,
    // and the toolkit must never see such a size.
    if (w <= 0 || h <= 0 || w > INT_MAX / 4 || h > INT_MAX / 4) return wxImage();
    const int W = static_cast<int>(w);
    const int H = static_cast<int>(h);

    const bool alpha = source.HasAlpha();
    wxImage result(W, H, true);
    if (!result.IsOk()) return wxImage();
    if (alpha) {
        result.SetAlpha();
        std::memset(result.GetAlpha(), 0, static_cast<size_t>(W) * H);
    }

    std::vector<unsigned char> tmp(static_cast<size_t>(sw) * H * 3);
    ScalePlane(source.GetData(), tmp.data(), result.GetData(), sw, sh, W, H, 3);
    if (alpha) {
        std::vector<unsigned char> tmpAlpha(static_cast<size_t>(sw) * H);
        ScalePlane(source.GetAlpha(), tmpAlpha.data(), result.GetAlpha(), sw, sh, W, H, 1);
    }
    return result;
}

wxBitmap LoadBitmapResource(const char* name, int width, int height) {
    wxImage scaled = ScaleImage(LoadPngResource(name), width, height);
    if (!scaled.IsOk()) return wxBitmap();
    return wxBitmap(scaled);
}

wxBitmap LoadBitmapResourceToWidth(const char* name, int width, int maxHeight) {
    wxImage image = LoadPngResource(name);
    if (!image.IsOk() || image.GetWidth() == 0 || image.GetHeight() == 0) return wxBitmap();
    int64_t w = width;
    int64_t h = static_cast<int64_t>(image.GetHeight()) * w / image.GetWidth();
    if (h > maxHeight) {
        w = static_cast<int64_t>(image.GetWidth()) * maxHeight / image.GetHeight();
        h = maxHeight;
    }
    // A width or maximum height of 0 or less leaves nothing to draw.
    if (w <= 0 || h <= 0 || w > INT_MAX || h > INT_MAX) return wxBitmap();
    wxImage scaled = ScaleImage(image, static_cast<int>(w), static_cast<int>(h));
    if (!scaled.IsOk()) return wxBitmap();
    return wxBitmap(scaled);
}

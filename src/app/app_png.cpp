// PNG resources and the two-pass image scaler.
#include "app/app_png.h"

#include <wx/imagpng.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/pf_resource.h"

namespace {

uint32_t ReadBigEndian32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// True when the bytes are a PNG signature, an IHDR chunk first and then whole chunks up
// to an IEND. The toolkit's decoder reads past the end of its stream without noticing,
// so a chunk that claims more bytes than follow (a cut-off file, a damaged length)
// would have it inflate stale bytes for minutes; checked here, every chunk the decoder
// reads lies within the data.
bool PngChunksFitData(const unsigned char* data, size_t size) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    constexpr size_t kChunkOverhead = 12;  // length, type and CRC
    constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;
    if (size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0)
        return false;
    size_t at = sizeof kSignature;
    bool first = true;
    while (size - at >= kChunkOverhead) {
        const uint32_t length = ReadBigEndian32(data + at);
        const unsigned char* type = data + at + 4;
        if (length > kMaxChunkLength || length > size - at - kChunkOverhead) return false;
        if (first && (std::memcmp(type, "IHDR", 4) != 0 || length != 13)) return false;
        first = false;
        at += kChunkOverhead + length;
        if (std::memcmp(type, "IEND", 4) == 0) return true;  // the decoder stops here
    }
    return false;  // the data ends before an IEND
}

}  // namespace

wxImage DecodePngBytes(const unsigned char* data, size_t size, const char* name) {
    wxImage image;
    if (data == nullptr || size == 0) return image;
    if (!PngChunksFitData(data, size)) {
        wxLogError("PNG resource \"%s\" is damaged: its chunks do not fit its %lu bytes",
                   name ? name : "", static_cast<unsigned long>(size));
        return image;
    }

    // A local handler over the bytes: no handler needs to be registered, and a
    // truncated or corrupt file ends as an invalid image (the decoder reports the
    // reason through the toolkit's log).
    wxMemoryInputStream stream(data, size);
    wxPNGHandler handler;
    if (!handler.LoadFile(&image, stream, true, -1)) return wxImage();
    return image;
}

wxImage LoadPngResource(const char* name) {
    const ResourceBytes bytes = PfFindResourceBytes("PNG", name);
    return DecodePngBytes(bytes.data, bytes.size, name);
}

namespace {

// Where target position x of `to` falls among `from` source positions when enlarging:
// the first and last targets land exactly on the first and last sources, and the
// weight f of the upper neighbour is in 1/256 steps.
struct Interpolation {
    int i0;
    int i1;
    unsigned f;
};

Interpolation InterpolateAt(int x, int from, int to) {
    const int64_t p = static_cast<int64_t>(x) * (from - 1) * 256 / (to - 1);
    Interpolation at;
    at.i0 = static_cast<int>(p / 256);
    at.f = static_cast<unsigned>(p % 256);
    at.i1 = at.i0 + 1 >= from ? at.i0 : at.i0 + 1;
    return at;
}

unsigned char Blend(unsigned a, unsigned b, unsigned f) {
    return static_cast<unsigned char>((a * (256 - f) + b * f) / 256);
}

// The 16 source positions that a reduction from `from` to `to` averages for target x;
// positions may repeat, which weights them.
void ReductionSamples(int x, int from, int to, int positions[16]) {
    for (int k = 0; k < 16; ++k)
        positions[k] = static_cast<int>((static_cast<int64_t>(16) * x + k) * from / to / 16);
}

// The vertical pass: every row is one unit of rowBytes independent samples.
void ScaleRows(const unsigned char* src, unsigned char* dst, int from, int to, size_t rowBytes) {
    if (to == from) {
        std::memcpy(dst, src, rowBytes * static_cast<size_t>(to));
    } else if (to > from) {
        for (int y = 0; y < to; ++y) {
            const Interpolation at = InterpolateAt(y, from, to);
            const unsigned char* a = src + at.i0 * rowBytes;
            const unsigned char* b = src + at.i1 * rowBytes;
            unsigned char* d = dst + y * rowBytes;
            for (size_t i = 0; i < rowBytes; ++i) d[i] = Blend(a[i], b[i], at.f);
        }
    } else {
        std::vector<unsigned> sums(rowBytes);
        int rows[16];
        for (int y = 0; y < to; ++y) {
            ReductionSamples(y, from, to, rows);
            std::fill(sums.begin(), sums.end(), 0u);
            for (int k = 0; k < 16; ++k) {
                const unsigned char* s = src + rows[k] * rowBytes;
                for (size_t i = 0; i < rowBytes; ++i) sums[i] += s[i];
            }
            unsigned char* d = dst + y * rowBytes;
            for (size_t i = 0; i < rowBytes; ++i) d[i] = static_cast<unsigned char>(sums[i] / 16);
        }
    }
}

// The horizontal pass over `rows` rows: every pixel is bpp independent samples.
void ScaleColumns(const unsigned char* src, unsigned char* dst, int from, int to, int rows,
                  int bpp) {
    const size_t srcRow = static_cast<size_t>(from) * bpp;
    const size_t dstRow = static_cast<size_t>(to) * bpp;
    if (to == from) {
        std::memcpy(dst, src, srcRow * static_cast<size_t>(rows));
    } else if (to > from) {
        // Each column's neighbours and weight, found once and used on every row.
        std::vector<Interpolation> at(static_cast<size_t>(to));
        for (int x = 0; x < to; ++x) at[x] = InterpolateAt(x, from, to);
        for (int y = 0; y < rows; ++y) {
            const unsigned char* s = src + y * srcRow;
            unsigned char* d = dst + y * dstRow;
            for (int x = 0; x < to; ++x) {
                const unsigned char* a = s + at[x].i0 * bpp;
                const unsigned char* b = s + at[x].i1 * bpp;
                for (int k = 0; k < bpp; ++k) d[x * bpp + k] = Blend(a[k], b[k], at[x].f);
            }
        }
    } else {
        std::vector<int> columns(static_cast<size_t>(to) * 16);
        for (int x = 0; x < to; ++x) ReductionSamples(x, from, to, &columns[x * 16]);
        for (int y = 0; y < rows; ++y) {
            const unsigned char* s = src + y * srcRow;
            unsigned char* d = dst + y * dstRow;
            for (int x = 0; x < to; ++x) {
                const int* c = &columns[x * 16];
                for (int k = 0; k < bpp; ++k) {
                    unsigned sum = 0;
                    for (int i = 0; i < 16; ++i) sum += s[c[i] * bpp + k];
                    d[x * bpp + k] = static_cast<unsigned char>(sum / 16);
                }
            }
        }
    }
}

// Scales one plane (RGB with 3 bytes per pixel, or alpha with 1): rows first, into a
// temporary of sw x h, then columns.
void ScalePlane(const unsigned char* src, unsigned char* tmp, unsigned char* dst, int sw, int sh,
                int w, int h, int bpp) {
    ScaleRows(src, tmp, sh, h, static_cast<size_t>(sw) * bpp);
    ScaleColumns(tmp, dst, sw, w, h, bpp);
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
